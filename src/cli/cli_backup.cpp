#include "cli_backup.h"

#include <QTextStream>

namespace kovo::cli {

void backUpFile(const CliContext& context, BackupKind kind, const QString& file,
                const QString& port, const QString& note) {
    if (!context.backUp)
        return;
    const BackupResult result =
        BackupStore(context.programFolder).saveFile(kind, file, port, {}, note);
    if (!result.ok)
        QTextStream(stderr) << "kovo-cli: " << result.error << "; going on without it\n";
}

} // namespace kovo::cli
