#include "cli_backup.h"

#include <QFile>
#include <QTextStream>

namespace kovo::cli {

void backUpFile(const CliContext& context, BackupKind kind, const QString& file,
                const QString& port, const QString& about) {
    if (!context.backUp)
        return;
    QFile input(file);
    QTextStream err(stderr);
    if (!input.open(QIODevice::ReadOnly)) {
        err << "kovo-cli: no backup of " << file << ": " << input.errorString() << "\n";
        return;
    }
    const BackupResult result =
        BackupStore(context.programFolder)
            .save(kind, input.readAll(), port, about.isEmpty() ? file : about);
    if (!result.ok)
        err << "kovo-cli: " << result.error << "; going on without it\n";
}

} // namespace kovo::cli
