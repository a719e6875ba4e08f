#include "controller_commands.h"

#include "database/database.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

QString twoDigits(const QString& field) {
    return field.size() < 2 ? field.rightJustified(2, u'0') : field;
}

// The serial line and the DTMF unit of a command of port 1 whose body is `body` (plain digits).
Command simple(const Database& db, const QString& item, const QString& body) {
    return frameCommand(db, item, 1, body, plainDigitCodes(body));
}

} // namespace

QString lockLine(const Database& db) {
    return u'1' + db.storedLock() + db.storedTerminator();
}

Command eraseAllMacrosCommand(const Database& db) {
    Command c = simple(db, u"EraseAllMacros"_s, u"*400499"_s);
    c.serialLines = QStringList{u"1*400499#"_s};
    return c;
}

Command recordPrepareCommand(const Database& db, int track) {
    return simple(db, u"RecordTrack(%1)"_s.arg(track), u"*7002"_s + QString::number(track));
}

Command recordStartCommand(const Database& db, int track) {
    return simple(db, u"RecordTrack(%1)"_s.arg(track), u"*7001"_s + QString::number(track));
}

ClockTexts clockTexts(const QDateTime& now, bool international) {
    const QLocale c = QLocale::c();
    ClockTexts texts;
    texts.dateText = c.toString(now, international ? u"dd/MM/yyyy"_s : u"M/d/yyyy"_s);
    texts.timeText = c.toString(now, international ? u"HH:mm:ss"_s : u"h:mm:ss AP"_s);
    const QStringList date = texts.dateText.split(u'/');
    const QString year = texts.dateText.right(2);
    if (date.size() == 3)
        texts.date = international ? date[1] + date[0] + year
                                   : twoDigits(date[0]) + twoDigits(date[1]) + year;
    if (international) {
        texts.time = texts.timeText.mid(0, 2) + texts.timeText.mid(3, 2) + texts.timeText.mid(6, 2);
        return texts;
    }
    const QStringList time = texts.timeText.split(u':');
    if (time.size() < 2)
        return texts;
    const bool pm = texts.timeText.endsWith(u"PM"_s, Qt::CaseInsensitive);
    int hour = time[0].trimmed().toInt();
    if (hour == 12 && !pm)
        hour = 0;
    else if (pm && hour != 12)
        hour += 12;
    texts.time = twoDigits(QString::number(hour)) + twoDigits(time[1].trimmed().left(2));
    return texts;
}

QList<Command> clockSetCommands(const Database& db, const ClockTexts& texts) {
    return {simple(db, u"ClockDate"_s, u"*5101"_s + texts.date),
            simple(db, u"ClockTime"_s, u"*5100"_s + texts.time)};
}

Command unlockChangeCommand(const Database& db, int port, const QString& newCode) {
    return frameCommand(db, u"CurrentPortUnlock(%1)"_s.arg(port), port, u"*9000"_s + newCode,
                        plainDigitCodes(u"*9000"_s) +
                            codeDigitCodes(newCode, db.storedTerminator()));
}

Command lockChangeCommand(const Database& db, const QString& newLock) {
    Command c =
        frameCommand(db, u"Lock"_s, 1, u"*9010"_s + newLock,
                     plainDigitCodes(u"*9010"_s) + codeDigitCodes(newLock, db.storedTerminator()));
    c.dtmfLock = QStringList{newLock, db.storedTerminator()};
    return c;
}

Command terminatorChangeCommand(const Database& db, const QString& newTerminator) {
    // The new terminator goes as the digit itself: by the code mapping a new "D" would turn
    // into the old terminator.
    Command c = frameCommand(db, u"Terminator"_s, 1, u"*9020"_s + newTerminator,
                             plainDigitCodes(QString(u"*9020"_s + newTerminator)));
    c.dtmfLock = QStringList{db.storedLock(), newTerminator};
    return c;
}

} // namespace kovo
