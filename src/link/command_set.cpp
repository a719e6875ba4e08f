#include "command_set.h"

#include "database/database.h"
#include "database/vocabulary.h"
#include "dtmf_digits.h"

#include <QtGlobal>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

const QString NoneStored = u"NONE STORED"_s;

QString trimmed(const Database& db, const char* field, int index = 0) {
    return db.value(QLatin1StringView(field), index).trimmed();
}

QString removeSpaces(QString text) {
    text.remove(u' ');
    return text;
}

QString portDigit(int port) {
    return QString::number(port);
}

// Collects the body of one command for both transports: the serial text and the DTMF digit
// codes, piece by piece.
class Body {
public:
    explicit Body(const Database& db) : m_terminator(db.storedTerminator()) {}

    // Literal command digits and plain values.
    Body& plain(const QString& text) {
        m_serial += text.trimmed();
        m_dtmf += plainDigitCodes(text);
        return *this;
    }
    // Codes, prefixes, macro contents.
    Body& code(const QString& text) {
        m_serial += text.trimmed();
        m_dtmf += codeDigitCodes(text, m_terminator);
        return *this;
    }
    Body& serialOnly(const QString& text) {
        m_serial += text;
        return *this;
    }
    Body& dtmfCodes(const QStringList& codes) {
        m_dtmf += codes;
        return *this;
    }
    Body& dtmfOnly(const QString& text) {
        m_dtmf += plainDigitCodes(text);
        return *this;
    }
    // Each value followed by "*".
    Body& starred(const QStringList& values) {
        for (const QString& v : values)
            plain(v).plain(u"*"_s);
        return *this;
    }

    const QString& serial() const { return m_serial; }
    // The DTMF body closed with the terminator.
    QStringList dtmf() const { return m_dtmf + QStringList{m_terminator}; }

private:
    QString m_terminator;
    QString m_serial;
    QStringList m_dtmf;
};

QString itemName(const char* name, int index) {
    QString text = QLatin1StringView(name);
    if (index != 0)
        text += u'(' + QString::number(index) + u')';
    return text;
}

Command framed(const Database& db, QString item, int port, const QString& serialLine,
               const QStringList& dtmfBody) {
    Command c;
    c.item = std::move(item);
    c.port = port;
    if (!serialLine.isEmpty())
        c.serialLines << serialLine;
    if (!dtmfBody.isEmpty()) {
        c.dtmfUnlock = unlockPart(db, port);
        c.dtmfBody = dtmfBody;
        c.dtmfLock = lockPart(db);
    }
    return c;
}

// A command whose serial line is the port digit and the body.
Command standard(const Database& db, QString item, int port, const Body& body) {
    return framed(db, std::move(item), port, portDigit(port) + body.serial(), body.dtmf());
}

// Items whose body is a fixed command and one field's value.
struct ValueItem {
    CommandItem item;
    const char* field;
    const char* command;
    bool perPort;
    bool code; // the value goes by the code mapping in DTMF
};

// clang-format off
constexpr ValueItem ValueItems[] = {
    {CommandItem::HangTime, "HangTime", "*1000", true, false},
    {CommandItem::TimeOut, "TimeOut", "*1001", true, false},
    {CommandItem::IIDTime, "IIDTime", "*1002", true, false},
    {CommandItem::PIDTime, "PIDTime", "*1003", true, false},
    {CommandItem::InActiveTime, "InActiveTime", "*1005", true, false},
    {CommandItem::InActivityMacro, "InActivityMacro", "*2114", true, false},
    {CommandItem::DTMFTime, "DTMFTime", "*1006", true, false},
    {CommandItem::CTCSSTime, "CTCSSTime", "*1007", true, false},
    {CommandItem::KerchunkTime, "KerchunkTime", "*1018", true, false},
    {CommandItem::IDSpeakTime, "IDSpeakTime", "*1019", true, false},
    {CommandItem::AnnounceTime, "AnnounceTime", "*1020", true, false},
    {CommandItem::FanTime, "FanTime", "*1004", false, false},
    {CommandItem::FanSelect, "FanSelect", "*2119", false, false},
    {CommandItem::XmtDelay, "XmtDelay", "*1022", false, false},
    {CommandItem::TimeoutLink, "TimeoutLink", "*2051", false, false},
    {CommandItem::CWSpeed, "CWSpeed", "*8000", true, false},
    {CommandItem::SpeechEnable, "SpeechEnable", "*8008", true, false},
    {CommandItem::SayYear, "SayYear", "*5102", false, false},
    {CommandItem::TwentyFour, "TwentyFour", "*5103", false, false},
    {CommandItem::SayHour, "SayHour", "*5104", false, false},
    {CommandItem::ClockCorrection, "ClockCorrection", "*5105", false, false},
    {CommandItem::Vref, "Vref", "*2065", false, false},
    {CommandItem::RadioType, "RadioType", "*2083", false, false},
    {CommandItem::RemoteBasePrefix, "RemoteBasePrefix", "*2060", false, true},
    {CommandItem::DTMFDur, "DTMFDur", "*2106", false, false},
    {CommandItem::DTMFDelay, "DTMFDelay", "*2107", false, false},
    {CommandItem::CommandPrefix, "CommandPrefix", "*2104", false, true},
    {CommandItem::DTMFPort, "DTMFPort", "*2117", false, false},
    {CommandItem::DTMFSpeech, "DTMFSpeech", "*2118", false, false},
    {CommandItem::APPrefix, "APPrefix", "*2061", false, true},
    {CommandItem::AnswerCode, "AnswerCode", "*2063", false, true},
    {CommandItem::RingNumber, "RingNumber", "*1025", false, false},
    {CommandItem::APTimeOut, "APTimeOut", "*1024", false, false},
    {CommandItem::EnablePatch, "EnablePatch", "*2116", false, false},
    {CommandItem::PatchMute, "PatchMute", "270", false, false},
    {CommandItem::DTMFTestPrefix, "DTMFTestPrefix", "*2093", false, true},
    {CommandItem::PreAccessPrefix, "PreAccessPrefix", "*2108", false, true},
    {CommandItem::PreProgramPrefix, "PreProgramPrefix", "*2109", false, true},
    {CommandItem::MacroSubset, "MacroSubset", "*4009", false, false},
    {CommandItem::MacroSubsetEnable, "MacroSubsetEnable", "280", false, false},
    {CommandItem::DTMFMuteDigitSelect, "DTMFMuteDigitSelect", "*2090", false, false},
    {CommandItem::CTCSSCT, "CTCSSCT", "*2088", true, false},
    {CommandItem::CTCSSID, "CTCSSID", "*2089", true, false},
    {CommandItem::TailMessageNum, "TailMessageNum", "*2111", true, false},
    {CommandItem::TailCounter, "TailCounter", "*2112", true, false},
    {CommandItem::PLEncodePolarity, "PLEncodePolarity", "*1021", true, false},
    {CommandItem::AllowTerminatorSpeech, "AllowTerminatorSpeech", "*2091", false, false},
};

// The port switches: the body is the port digit, the switch number and the value.
struct SwitchItem {
    CommandItem item;
    const char* field;
    const char* number;
};

constexpr SwitchItem SwitchItems[] = {
    {CommandItem::TxEnable, "TxEnable", "11"},
    {CommandItem::RxEnable, "RxEnable", "10"},
    {CommandItem::FDup, "FDup", "14"},
    {CommandItem::PLAccess, "PLAccess", "12"},
    {CommandItem::DTMFEnable, "DTMFEnable", "16"},
    {CommandItem::DTMFNeedPL, "DTMFNeedPL", "17"},
    {CommandItem::DTMFMute, "DTMFMute", "21"},
    {CommandItem::DTMFCovertone, "DTMFCovertone", "13"},
    {CommandItem::MonMix, "MonMix", "19"},
    {CommandItem::Kerchunk, "Kerchunk", "15"},
    {CommandItem::SpeechOverride, "SpeechOverride", "20"},
    {CommandItem::SpeechIDOverride, "SpeechIDOverride", "18"},
    {CommandItem::COSClose, "COSClose", "22"},
};
// clang-format on

const char* const TimerCommands[] = {"*1017", "*2092"};

Command valueCommand(const Database& db, const ValueItem& entry, int index) {
    const int port = entry.perPort ? index : 1;
    Body body(db);
    body.plain(QLatin1StringView(entry.command));
    const QString value = db.value(QLatin1StringView(entry.field), entry.perPort ? index : 0);
    if (entry.code)
        body.code(value);
    else
        body.plain(value);
    return standard(db, itemName(entry.field, entry.perPort ? index : 0), port, body);
}

Command switchCommand(const Database& db, const SwitchItem& entry, int port) {
    Body body(db);
    body.plain(portDigit(port) + QLatin1StringView(entry.number))
        .plain(db.value(QLatin1StringView(entry.field), port));
    // The body starts with the port digit, and the serial line puts the port digit in front of
    // it again; the COS closure switch is the one exception.
    const QString line =
        entry.item == CommandItem::COSClose ? body.serial() : portDigit(port) + body.serial();
    return framed(db, itemName(entry.field, port), port, line, body.dtmf());
}

Command courtesy(const Database& db, int index) {
    const int port = (index - 1) / 40 + 1;
    const int segment = (index - 1) % 40 / 10 + 1;
    const int tone = (index - 1) % 10 + 1;
    const QString prefix = u'P' + portDigit(port);
    auto field = [&](const QString& name) { return db.value(prefix + name, tone); };
    Body body(db);
    body.plain(u"*3"_s + QString::number(segment) + itemNumber(tone, 2))
        .starred({field(u"Delay"_s + QString::number(segment)),
                  field(u"Dur"_s + QString::number(segment)),
                  field(u"Tone"_s + QString::number(2 * segment - 1)),
                  field(u"Tone"_s + QString::number(2 * segment))});
    return standard(db, u"Courtesy(P%1,S%2,T%3)"_s.arg(port).arg(segment).arg(tone), port, body);
}

// The tokens of a word list that have no speech code (the placeholder text "NONE STORED" holds no
// words at all).
QStringList unspeakable(const QString& text) {
    QStringList skipped;
    if (text.trimmed() == NoneStored)
        return skipped;
    for (const QString& token : text.split(u' ', Qt::SkipEmptyParts)) {
        const bool digit = token.size() == 1 && token[0].isDigit();
        if (!digit && !speechVocabulary().contains(token))
            skipped << token;
    }
    return skipped;
}

// The tokens of a CW text that have no sending code.
QStringList unsendableCw(const QString& text) {
    QStringList skipped;
    for (const QString& token : text.split(u' ', Qt::SkipEmptyParts)) {
        const auto& set = cwCharacterSet();
        const bool sendable = std::any_of(set.begin(), set.end(), [&](const CwCharacter& c) {
            return c.code != nullptr && token == QLatin1String(c.token);
        });
        if (!sendable)
            skipped << token;
    }
    return skipped;
}

Command speech(const Database& db, const char* field, const char* command, int port) {
    const QString text = db.value(QLatin1StringView(field), port);
    Body body(db);
    body.plain(QLatin1StringView(command))
        .serialOnly(encodeSpeechWords(text, CodeLayout::Serial))
        .dtmfOnly(encodeSpeechWords(text, CodeLayout::Dtmf));
    Command c = standard(db, itemName(field, port), port, body);
    c.skipped = unspeakable(text);
    return c;
}

Command cw(const Database& db, const char* field, const char* command, int port) {
    const QString text = db.value(QLatin1StringView(field), port);
    Body body(db);
    body.plain(QLatin1StringView(command))
        .serialOnly(encodeCwCharacters(text, CodeLayout::Serial))
        .dtmfOnly(encodeCwCharacters(text, CodeLayout::Dtmf));
    Command c = standard(db, itemName(field, port), port, body);
    c.skipped = unsendableCw(text);
    return c;
}

Command cwTones(const Database& db, int port) {
    Body body(db);
    QString tone1 = db.value(u"CWTone1", port).trimmed();
    const QString tone2 = db.value(u"CWTone2", port);
    const bool twoTones = numericValue(tone2) != 0;
    // The controller splits the two tones by position, so the first must be four digits when a
    // second follows. A file always holds four; a download gives the plain number ("500").
    if (twoTones && tone1.size() < 4)
        tone1 = tone1.rightJustified(4, u'0');
    body.plain(u"*8001"_s).plain(tone1);
    if (twoTones)
        body.plain(tone2);
    return standard(db, itemName("CWTones", port), port, body);
}

// Serial "*101" + port, DTMF "*101" + (port + 2).
Command auxTime(const Database& db, int port) {
    Body body(db);
    body.plain(u"*101"_s)
        .serialOnly(portDigit(port))
        .dtmfOnly(portDigit(port + 2))
        .plain(db.value(u"AuxTime", port));
    return standard(db, itemName("AuxTime", port), port, body);
}

// Serial "*8007" + the extras' position, DTMF "*8007" + port + 3 x (position - 1).
Command idExtras(const Database& db, int position, int port) {
    const QString field = u"ID%1Extras"_s.arg(position);
    Body body(db);
    body.plain(u"*8007"_s)
        .serialOnly(QString::number(position))
        .dtmfOnly(QString::number(port + 3 * (position - 1)))
        .plain(db.value(field, port));
    Command c = standard(db, field + u'(' + portDigit(port) + u')', port, body);
    return c;
}

Command generalTimer(const Database& db, int which, int timer) {
    const char* field = which == 0 ? "GeneralTimer" : "GeneralTimerMacro";
    Body body(db);
    body.plain(QLatin1StringView(TimerCommands[which]) + QString::number(timer))
        .plain(db.value(QLatin1StringView(field), timer));
    return standard(db, itemName(field, timer), 1, body);
}

Command setPoint(const Database& db, int sp) {
    Body body(db);
    body.plain(u"*4001"_s + itemNumber(sp, 2));
    if (trimmed(db, "Monthly", sp) == u"1")
        body.plain(db.value(u"Week", sp));
    body.plain(db.value(u"DOW", sp))
        .plain(db.value(u"Hours", sp))
        .plain(db.value(u"Minutes", sp))
        .plain(db.value(u"MacroToRun", sp));
    Command c = standard(db, itemName("SetPoint", sp), 1, body);
    // An unused set point (day 10) is not sent over the air.
    if (numericValue(db.value(u"DOW", sp)) == 10) {
        c.dtmfUnlock.clear();
        c.dtmfBody.clear();
        c.dtmfLock.clear();
    }
    return c;
}

Command meter(const Database& db, int n) {
    Body body(db);
    body.plain(u"*2064"_s + QString::number(n) + u'*')
        .starred({db.value(u"Meter", n), db.value(u"RealLow", n), db.value(u"MeterLow", n),
                  db.value(u"RealHigh", n), db.value(u"MeterHigh", n)});
    return standard(db, itemName("Meter", n), 1, body);
}

Command meterAlarm(const Database& db, int n) {
    Body body(db);
    body.plain(u"*2066"_s + QString::number(n) + u'*')
        .starred({db.value(u"MeterNum", n), db.value(u"MeterAlarmType", n),
                  db.value(u"MeterSetPoint", n), db.value(u"MeterMacro", n)});
    return standard(db, itemName("MeterAlarm", n), 1, body);
}

Command meterAlarmEnable(const Database& db, int n) {
    Body body(db);
    body.plain(u"1600"_s + QString::number(n) + (db.meterAlarmOn(n) ? u"1"_s : u"0"_s));
    return standard(db, itemName("MeterAlarmEnable", n), 1, body);
}

Command yaesuType(const Database& db) {
    const QString value = db.value(u"YaesuType");
    Body body(db);
    body.plain(u"*2084"_s)
        .serialOnly(value.trimmed())
        .dtmfOnly(numericValue(value) > 2 ? u"2"_s : value);
    return standard(db, itemName("YaesuType", 0), 1, body);
}

// The radio is set through the remote-base prefix, then the setting is stored in memory n.
Command remoteMemory(const Database& db, int n) {
    const QString prefix = trimmed(db, "RemoteBasePrefix");
    // An empty memory reads back from the controller as "NONE STORED": it has no digits to send.
    QString frequency = trimmed(db, "FreqString", n);
    if (frequency == NoneStored)
        frequency.clear();
    Command c;
    c.item = itemName("RemoteMemory", n);
    c.port = 1;
    c.serialLines << u"1**"_s + prefix + u'1' + frequency
                  << u"1**"_s + prefix + u'2' + trimmed(db, "CTCSS", n) +
                         trimmed(db, "CTCSSMode", n)
                  << u"1**"_s + prefix + u'3' + trimmed(db, "RadioMode", n)
                  << u"1*2086"_s + QString::number(n);
    const QString terminator = db.storedTerminator();
    c.dtmfUnlock = unlockPart(db, 1);
    c.dtmfBody = codeDigitCodes(QString(prefix + u'1' + frequency), terminator);
    c.dtmfBody << terminator;
    c.dtmfBody += plainDigitCodes(QString(u"*2086"_s + QString::number(n)));
    c.dtmfBody << terminator;
    c.dtmfLock = lockPart(db);
    return c;
}

Command macro(const Database& db, int number) {
    const QString text =
        number <= 40 ? trimmed(db, "Macro", number) : trimmed(db, "ShortMacro", number - 40);
    const QString numberText = number <= 40 ? itemNumber(number, 2) : QString::number(number);
    Body body(db);
    if (text == NoneStored)
        body.plain(u"*4003"_s + numberText);
    else
        body.plain(u"*4002"_s + numberText).code(removeSpaces(text));
    return standard(db,
                    number <= 40 ? itemName("Macro", number) : itemName("ShortMacro", number - 40),
                    1, body);
}

Command macroCode(const Database& db, int number) {
    Body body(db);
    if (number <= 40)
        body.plain(u"*2050"_s + itemNumber(number, 2)).code(db.value(u"MacroCode", number));
    else
        body.plain(u"*2050"_s + QString::number(number))
            .code(db.value(u"ShortMacroCode", number - 40));
    return standard(
        db, number <= 40 ? itemName("MacroCode", number) : itemName("ShortMacroCode", number - 40),
        1, body);
}

Command numberedValue(const Database& db, const char* field, const char* command, int index,
                      int width) {
    Body body(db);
    body.plain(QLatin1StringView(command) + itemNumber(index, width))
        .plain(db.value(QLatin1StringView(field), index));
    return standard(db, itemName(field, index), 1, body);
}

// Serial only; a macro number "0" means no macro and is not sent.
Command alarmMacro(const Database& db, const char* field, const char* command, int n) {
    Command c;
    c.item = itemName(field, n);
    const QString value = trimmed(db, field, n);
    if (value != u"0")
        c.serialLines << u'1' + QLatin1StringView(command) + QString::number(n) + value;
    return c;
}

Command messageMacro(const Database& db, int n) {
    const QString text = db.value(u"MessageMacro", n);
    if (text.trimmed() == NoneStored)
        return Command{itemName("MessageMacro", n), 1, {}, {}, {}, {}};
    Body body(db);
    body.plain(u"*2103"_s + itemNumber(n, 2))
        .serialOnly(encodeSpeechWords(text, CodeLayout::Serial))
        .dtmfOnly(encodeSpeechWords(text, CodeLayout::Dtmf));
    Command c = standard(db, itemName("MessageMacro", n), 1, body);
    c.skipped = unspeakable(text);
    return c;
}

Command dtmfMemory(const Database& db, int n) {
    const QString text = trimmed(db, "DTMF", n);
    if (text == NoneStored)
        return Command{itemName("DTMF", n), 1, {}, {}, {}, {}};
    Body body(db);
    body.plain(u"*2105"_s + itemNumber(n, 2)).code(removeSpaces(text));
    return standard(db, itemName("DTMF", n), 1, body);
}

Command portUnlock(const Database& db, int port) {
    Command c;
    c.item = itemName("CurrentPortUnlock", port);
    c.port = port;
    c.serialLines << portDigit(port) + u"*9000"_s + trimmed(db, "CurrentPortUnlock", port);
    return c;
}

Command lockCommand(const Database& db) {
    Body body(db);
    body.plain(u"*9010"_s).code(db.value(u"Lock"));
    Command c = standard(db, u"Lock"_s, 1, body);
    // The controller answers to the new lock code from this command on.
    c.dtmfLock = QStringList{db.value(u"Lock"), db.storedTerminator()};
    return c;
}

Command terminatorCommand(const Database& db, bool start) {
    // The new terminator goes as itself: a "D" in it is the digit D, not the current terminator.
    const QString terminator = db.value(u"Terminator");
    Body body(db);
    body.plain(u"*9020"_s)
        .serialOnly(terminator.trimmed())
        .dtmfCodes(codeDigitCodes(terminator, terminator.trimmed()));
    Command c = standard(db, start ? u"TerminatorStart"_s : u"Terminator"_s, 1, body);
    if (start)
        c.dtmfLock.clear();
    else
        c.dtmfLock = QStringList{db.storedLock(), db.value(u"Terminator")};
    return c;
}

// Serial: one line per message position. DTMF: the tail message number and the three message
// numbers in one command.
Command portMessageNums(const Database& db, int port) {
    Command c;
    c.item = itemName("PortMessageNums", port);
    c.port = port;
    Body body(db);
    body.plain(u"*2110"_s).plain(db.value(u"TailMessageNum", port));
    for (int position = 1; position <= 3; ++position) {
        const QString number = db.value(u"P%1MessageNum"_s.arg(position), port);
        c.serialLines << portDigit(port) + u"*2110"_s + QString::number(position) +
                             number.trimmed();
        body.plain(number);
    }
    c.dtmfUnlock = unlockPart(db, port);
    c.dtmfBody = body.dtmf();
    c.dtmfLock = lockPart(db);
    return c;
}

// Serial "1" + n + "91" + value; DTMF "19" + n + value.
Command alarmSwitch(const Database& db, int n) {
    const QString value = db.value(u"Alarm", n);
    Body body(db);
    body.dtmfOnly(u"19"_s + QString::number(n)).dtmfOnly(value);
    return framed(db, itemName("Alarm", n), 1,
                  u'1' + QString::number(n) + u"91"_s + value.trimmed(), body.dtmf());
}

} // namespace

QString serialFrame(const QString& line) {
    return line + u'\r';
}

QStringList plainDigitCodes(QStringView text) {
    QStringList codes;
    for (QChar ch : text.trimmed()) {
        if ((ch >= u'0' && ch <= u'9') || ch == u'*' || ch == u'#' || (ch >= u'A' && ch <= u'D'))
            codes << QString(ch);
    }
    return codes;
}

QStringList codeDigitCodes(QStringView text, const QString& terminator) {
    QStringList codes;
    for (QChar ch : text.trimmed()) {
        if (ch == u'A')
            codes << u"13"_s;
        else if (ch == u'B')
            codes << u"14"_s;
        else if (ch == u'C')
            codes << u"15"_s;
        else if (ch == u'*')
            codes << u"11"_s;
        else if (ch == u'D')
            codes << terminator;
        else if (ch >= u'0' && ch <= u'9')
            codes << QString(ch);
        else
            codes << u"0"_s;
    }
    return codes;
}

QStringList unlockDigitCodes(QStringView text) {
    QStringList codes;
    for (QChar ch : text.trimmed()) {
        if (ch >= u'A' && ch <= u'D')
            codes << QString::number(13 + (ch.unicode() - u'A'));
        else if (ch >= u'0' && ch <= u'9')
            codes << QString(ch);
        else
            codes << u"0"_s;
    }
    return codes;
}

QString itemNumber(int number, int width) {
    return QString::number(number).rightJustified(width, u'0');
}

QStringList unlockPart(const Database& db, int port) {
    return unlockDigitCodes(db.value(u"CurrentPortUnlock", port)) +
           QStringList{db.storedTerminator()};
}

QStringList lockPart(const Database& db) {
    return QStringList{db.storedLock(), db.storedTerminator()};
}

QString digitCodesText(const QStringList& codes) {
    QString text;
    for (const QString& code : codes) {
        const char ch = digitCodeCharacter(code);
        if (ch != '\0')
            text += QLatin1Char(ch);
    }
    return text;
}

Command frameCommand(const Database& db, const QString& item, int port, const QString& serialBody,
                     const QStringList& dtmfBody) {
    return framed(db, item, port, portDigit(port) + serialBody,
                  dtmfBody + QStringList{db.storedTerminator()});
}

Command buildCommand(const Database& db, CommandItem item, int index) {
    for (const ValueItem& entry : ValueItems) {
        if (entry.item == item)
            return valueCommand(db, entry, index);
    }
    for (const SwitchItem& entry : SwitchItems) {
        if (entry.item == item)
            return switchCommand(db, entry, index);
    }
    switch (item) {
    case CommandItem::TerminatorStart:
        return terminatorCommand(db, true);
    case CommandItem::Terminator:
        return terminatorCommand(db, false);
    case CommandItem::Lock:
        return lockCommand(db);
    case CommandItem::Reset:
        return Command{u"Reset"_s, 1, {u"1*21999"_s}, {}, {}, {}};
    case CommandItem::AuxTime:
        return auxTime(db, index);
    case CommandItem::GeneralTimer:
        return generalTimer(db, 0, index);
    case CommandItem::GeneralTimerMacro:
        return generalTimer(db, 1, index);
    case CommandItem::Courtesy:
        return courtesy(db, index);
    case CommandItem::VoiceID1:
        return speech(db, "VoiceID1", "*8004", index);
    case CommandItem::VoiceID2:
        return speech(db, "VoiceID2", "*8005", index);
    case CommandItem::VoiceID3:
        return speech(db, "VoiceID3", "*8006", index);
    case CommandItem::CWID1:
        return cw(db, "CWID1", "*8002", index);
    case CommandItem::CWID2:
        return cw(db, "CWID2", "*8003", index);
    case CommandItem::CWTones:
        return cwTones(db, index);
    case CommandItem::ID1Extras:
        return idExtras(db, 1, index);
    case CommandItem::ID2Extras:
        return idExtras(db, 2, index);
    case CommandItem::ID3Extras:
        return idExtras(db, 3, index);
    case CommandItem::SetPoint:
        return setPoint(db, index);
    case CommandItem::Meter:
        return meter(db, index);
    case CommandItem::MeterAlarm:
        return meterAlarm(db, index);
    case CommandItem::MeterAlarmEnable:
        return meterAlarmEnable(db, index);
    case CommandItem::YaesuType:
        return yaesuType(db);
    case CommandItem::RemoteMemory:
        return remoteMemory(db, index);
    case CommandItem::Macro:
        return macro(db, index);
    case CommandItem::MacroCode:
        return macroCode(db, index);
    case CommandItem::PortToAllow:
        return numberedValue(db, "PortToAllow", "*4005", index, 2);
    case CommandItem::AlarmLowMacroNum:
        return alarmMacro(db, "AlarmLowMacroNum", "*2101", index);
    case CommandItem::AlarmHighMacroNum:
        return alarmMacro(db, "AlarmHighMacroNum", "*2102", index);
    case CommandItem::MessageMacro:
        return messageMacro(db, index);
    case CommandItem::DTMFMemory:
        return dtmfMemory(db, index);
    case CommandItem::PortUnlock:
        return portUnlock(db, index);
    case CommandItem::AutoDial:
        return numberedValue(db, "AutoDial", "*2115", index, 3);
    case CommandItem::TollRestrict:
        return numberedValue(db, "TollRestrict", "*2062", index, 3);
    case CommandItem::PortMessageNums:
        return portMessageNums(db, index);
    case CommandItem::Alarm:
        return alarmSwitch(db, index);
    default:
        break;
    }
    qFatal("BuildCommand: item %d has no builder", static_cast<int>(item));
}

QStringList skippedReport(const Command& command) {
    QStringList lines;
    for (const QString& token : command.skipped)
        lines << command.item + u": \""_s + token +
                     u"\" is not in the Tarsis's tables and is left out"_s;
    return lines;
}

} // namespace kovo
