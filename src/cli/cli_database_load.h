#pragma once

#include "database/database.h"

#include <QString>

namespace kovo::cli {

// Loads an existing database file for `command` ("upload", "decode", ...): a missing or
// unreadable file is refused with a message on stderr; values replaced by defaults are counted
// there too.
bool loadExistingDatabase(Database& db, const QString& path, const QString& command);

// The configuration of `path` with the send-pending flags of every item whose value differs from
// the configuration of `since` (when `since` is not empty).
bool loadWithChangesSince(Database& db, const QString& path, const QString& since,
                          const QString& command);

} // namespace kovo::cli
