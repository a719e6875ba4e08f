#include "cli_database_load.h"

#include "database/database_file.h"
#include "database/error_log.h"
#include "link/change_marker.h"

#include <QFileInfo>
#include <QTextStream>

namespace kovo::cli {

bool loadExistingDatabase(Database& db, const QString& path, const QString& command) {
    QTextStream err(stderr);
    if (!QFileInfo::exists(path)) {
        err << "kovo-cli " << command << ": " << path << " does not exist\n";
        return false;
    }
    ErrorLog log;
    const LoadReport report = readDatabase(db, path, log);
    if (!report.fileReadable) {
        err << "kovo-cli " << command << ": " << path << " could not be read\n";
        return false;
    }
    if (!report.errorLines.isEmpty())
        err << path << ": " << report.errorLines.size() << " value(s) replaced by defaults\n";
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
