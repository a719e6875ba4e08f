#pragma once

#include "database.h"
#include "error_log.h"

#include <QString>
#include <QStringList>

namespace kovo {

struct LoadReport {
    QStringList errorLines;    // the error-log lines this load wrote, in reading order
    bool clash = false;        // working Lock equal to working Terminator
    bool fileReadable = true;  // false when the file existed but could not be read
    bool configuration = true; // false when the file has none of the configuration's sections
};

// Whether a load may add the missing PreAccessPrefix to the file: the desktop program does, to
// a configuration it has read cleanly; a command that only reads never writes its input.
enum class PreAccessWriteBack { Yes, No };

inline const QString LockTerminatorClashMessage = QStringLiteral(
    "ERROR! Your Lock Code and Terminator Digit are the same. This is not allowed! You must "
    "change one or the other before you proceed further");
inline const QString LoadErrorsMessage = QStringLiteral(
    "You had errors in your dat file and default values have been assigned. IT IS STRONGLY "
    "SUGGESTED YOU IMMEDIATELY SAVE YOUR DAT FILE AND CHECK THE ERROR LOG FILE CREATED.");

// Fills every field of `db` from the file: values are normalised and checked, refused ones
// replaced by their defaults with one line in `log`. Sets LoadErrors when a line was written,
// LockTerminatorClash, SettingsSaved, and the group flags of defaulted fields. With `writeBack`, a
// missing PreAccessPrefix is also written into the file at once, when the file is a configuration
// read cleanly. Never fails as a whole.
LoadReport readDatabase(Database& db, const QString& path, ErrorLog& log,
                        PreAccessWriteBack writeBack = PreAccessWriteBack::Yes);

struct SaveResult {
    bool ok = true;
    QString error; // the reason, naming the file, when !ok
};

// Writes the groups whose write flags are set (Unlock always) into the file in the writing
// order, keeping every foreign section, key and comment, in one atomic rewrite; clears the
// written flags and sets SettingsSaved. On failure the old file stays as it was and SettingsSaved
// is left unchanged.
SaveResult writeDatabase(Database& db, const QString& path);
// save and save As: every group written.
SaveResult saveWholeDatabase(Database& db, const QString& path);
// The bytes saveWholeDatabase() would write into a new file, leaving `db` as it is.
QByteArray wholeDatabaseBytes(const Database& db);

} // namespace kovo
