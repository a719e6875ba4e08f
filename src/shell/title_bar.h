#pragma once

#include <QString>

namespace kovo {

// The main window's caption.
inline QString mainCaption() {
    return QStringLiteral("Veltrane Kovo Programmer");
}

// The title bar for the database file in use: the caption, four blanks and the path while the
// path is shorter than 21 characters; otherwise the caption, three blanks, the path's first 20
// characters, "...." and a separator, and the file name.
QString titleBarText(const QString& databasePath);

} // namespace kovo
