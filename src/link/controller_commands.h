#pragma once

#include "link/command_set.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace kovo {

class Database;

// The commands an editor sends at once, outside an upload, framed for both transports as
// buildCommand frames the upload's items: the serial line after the port digit, the DTMF unit
// with the port's unlock part, the body closed by the terminator and the lock part.

// The serial lock line, "1" + lock code + terminator (the codes the controller answers to), without
// its CR. It locks the controller again after a recording and ends an exchange that unlocked it.
QString lockLine(const Database& db);

// "*400499": every macro erased. The serial line carries "#" after the command.
Command eraseAllMacrosCommand(const Database& db);

// The DVR recording of `track` (1-20): "*7002" + track prepares it, "*7001" + track starts the
// recording that the sound fills. Over the air the track goes as its decimal digits, one or two,
// before the terminator, so track 1 ("*70021D") and track 12 ("*700212D") differ by their length.
Command recordPrepareCommand(const Database& db, int track);
Command recordStartCommand(const Database& db, int track);

// The PC's date and time as the clock set cuts them. United States: the date text is
// "M/d/yyyy" and the time "h:mm:ss AP"; month and day are made two digits, the hour turned into
// 0-23, the seconds dropped. International: "dd/MM/yyyy" and "HH:mm:ss", day and month swapped,
// the seconds kept. The year is the last two characters of the date text either way.
struct ClockTexts {
    QString dateText; // the PC's date as read
    QString timeText; // the PC's time as read
    QString date;     // month, day, year: "010526"
    QString time;     // "1305" (United States) or "130509" (International)
};
ClockTexts clockTexts(const QDateTime& now, bool international);

// "*5101" + month, day, year, then "*5100" + the time: two commands of port 1.
QList<Command> clockSetCommands(const Database& db, const ClockTexts& texts);

// The code changes. Each DTMF unit is framed with the codes the controller answers to before the
// change, except the lock part: after "*9010" the controller locks with the new lock code, after
// "*9020" it hears the new terminator.
Command unlockChangeCommand(const Database& db, int port, const QString& newCode);
Command lockChangeCommand(const Database& db, const QString& newLock);
Command terminatorChangeCommand(const Database& db, const QString& newTerminator);

} // namespace kovo
