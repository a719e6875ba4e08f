#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kovo {

class Database;

// The controller's configuration memory as the download stores it in download.mem: one line
// per byte, "position,value", 4096 lines.
inline constexpr int MemoryImageSize = 4096;

struct MemoryImageResult {
    bool ok = false;
    QString error; // what was wrong, naming the first bad line, when !ok
    int line = 0;  // 1-based number of the first bad (or missing) line; 0 when none
};

// Reads the memory image file at `path` into `db`. The whole file is checked before anything
// is decoded; a short, long or damaged file is refused as a whole and leaves `db` exactly as it
// was. Fields the image does not carry keep their values; send-pending flags, group flags and
// SettingsSaved are not touched.
MemoryImageResult decodeMemoryImage(const QString& path, Database& db);
// The same for the lines of an image held in memory (one entry per line).
MemoryImageResult decodeMemoryImageLines(const QStringList& lines, Database& db);

// Checks the lines of an image and turns them into its 4096 bytes (the value after the first
// comma of each line).
MemoryImageResult parseMemoryImage(const QStringList& lines, QByteArray* bytes);
// Decodes 4096 checked bytes into `db`, field by field.
void applyMemoryImage(const QByteArray& bytes, Database& db);

} // namespace kovo
