#pragma once

#include "cli_command.h"
#include "database/backup_store.h"

#include <QString>

namespace kovo::cli {

// Copies `file` into the program folder's backups as `kind` (`note` says what kind of upload),
// unless --no-backup was given. A backup that cannot be written is reported on stderr and the
// command goes on: a backup never stops a transfer.
void backUpFile(const CliContext& context, BackupKind kind, const QString& file,
                const QString& port, const QString& note = {});

} // namespace kovo::cli
