#pragma once

#include <QString>

namespace kovo {

// The program's own title: the splash window's product name, the About window's title line and
// the title of every message box that names no title of its own.
inline QString programTitle() {
    return QStringLiteral("Kovo");
}

inline constexpr int ProgramVersionMajor = 0;
inline constexpr int ProgramVersionMinor = 1;
inline constexpr int ProgramVersionRevision = 0;

// major "." minor "." revision
inline QString programVersion() {
    return QStringLiteral("%1.%2.%3")
        .arg(ProgramVersionMajor)
        .arg(ProgramVersionMinor)
        .arg(ProgramVersionRevision);
}

} // namespace kovo
