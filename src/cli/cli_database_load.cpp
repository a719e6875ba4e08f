#include "cli_database_load.h"

#include "database/database_file.h"
#include "database/error_log.h"
#include "link/change_marker.h"

#include <QFileInfo>
#include <QTextStream>

namespace kovo::cli {

bool loadExistingDatabase(Database& db, const QString& path, const QString& command, ErrorLog* log,
                          LoadReport* report) {
    QTextStream err(stderr);
    if (!QFileInfo::exists(path)) {
        err << "kovo-cli " << command << ": " << path << " does not exist\n";
        return false;
    }
    ErrorLog collected;
    const LoadReport loaded =
        readDatabase(db, path, log ? *log : collected, PreAccessWriteBack::No);
    if (report)
        *report = loaded;
    if (!loaded.fileReadable) {
        err << "kovo-cli " << command << ": " << path << " could not be read\n";
        return false;
    }
    if (!loaded.errorLines.isEmpty())
        err << path << ": " << loaded.errorLines.size() << " value(s) replaced by defaults\n";
    return true;
}

bool loadWithChangesSince(Database& db, const QString& path, const QString& since,
                          const QString& command) {
    if (!loadExistingDatabase(db, path, command))
        return false;
    if (since.isEmpty())
        return true;
    Database old;
    if (!loadExistingDatabase(old, since, command))
        return false;
    markChangedSince(db, old);
    return true;
}

} // namespace kovo::cli
