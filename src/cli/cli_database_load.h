#pragma once

#include "database/database.h"
#include "database/database_file.h"

#include <QString>

namespace kovo {
class ErrorLog;
}

namespace kovo::cli {

// Loads an existing database file for `command` ("upload", "decode", ...) without ever writing
// to it: a missing or unreadable file is refused with a message on stderr; values replaced by
// defaults are counted there too. `log` (when given) collects the error-log lines and *report
// (when given) gets the load's report.
bool loadExistingDatabase(Database& db, const QString& path, const QString& command,
                          ErrorLog* log = nullptr, LoadReport* report = nullptr);

// The configuration of `path` with the send-pending flags of every item whose value differs from
// the configuration of `since` (when `since` is not empty).
bool loadWithChangesSince(Database& db, const QString& path, const QString& since,
                          const QString& command);

} // namespace kovo::cli
