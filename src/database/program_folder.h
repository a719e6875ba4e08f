#pragma once

#include <QString>

namespace kovo {

// The folder that holds kovo.ini, error.log, download.mem and Tempfile.dat: `homeOverride`
// (--home DIR) when given; else the executable's folder when a kovo.ini lies there (a portable
// install); else the per-user application data folder. The folder is created when missing.
QString resolveProgramFolder(const QString& homeOverride, const QString& executableFolder);

// The same, or an empty path with *error set to the reason when the folder names a file, cannot
// be created or cannot be written.
QString resolveProgramFolder(const QString& homeOverride, const QString& executableFolder,
                             QString* error);

} // namespace kovo
