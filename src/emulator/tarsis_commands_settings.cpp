// Timers, courtesy tones, identification, the scheduler, the clock and the analog meters.
#include "emulator/tarsis_commands.h"
#include "emulator/tarsis_layout.h"

using namespace Qt::StringLiterals;

namespace kovo {

using namespace tarsis;

CommandOutcome TarsisCommands::dtmfTime(QStringView args) {
    // The controller adds its two bytes together, so it holds up to 510; the first byte fills
    // up before the second is used.
    const auto v = parseNumber(args, 510);
    if (!v)
        return refused(args.isEmpty() ? u"missing value"_s : u"DTMF mute time above 510"_s);
    const int at = At::DTMFTime + 2 * portIndex();
    setByte(at, qMin(*v, 255));
    setByte(at + 1, *v - qMin(*v, 255));
    return accepted();
}

CommandOutcome TarsisCommands::auxTime(QChar which, QStringView args) {
    // The serial command names the port (1-3); over the air the numbers are 3-5.
    const int number = which.unicode() - u'0';
    const int expected = serial() ? m_port : m_port + 2;
    if (number != expected)
        return refused(u"aux timer number does not belong to this port"_s);
    return globalWord(At::AuxTime + 2 * portIndex(), args);
}

CommandOutcome TarsisCommands::generalTimer(QStringView args, bool macro) {
    if (args.isEmpty() || args[0] < u'1' || args[0] > u'3')
        return refused(u"general timer number must be 1 to 3"_s);
    const int timer = args[0].unicode() - u'0';
    if (macro)
        return globalByte(At::GeneralTimerMacro + timer - 1, args.mid(1));
    return globalWord(At::GeneralTimer + 2 * (timer - 1), args.mid(1));
}

CommandOutcome TarsisCommands::courtesy(QStringView rest) {
    // Segment digit, two-digit tone number, then delay*duration*tone*tone*.
    if (rest.size() < 3)
        return refused(u"malformed courtesy tone"_s);
    const auto segment = parseNumber(rest.mid(0, 1), 4);
    const auto tone = parseNumber(rest.mid(1, 2), 10);
    if (!segment || *segment < 1 || !tone || *tone < 1)
        return refused(u"courtesy tone segment 1-4 and tone 01-10 expected"_s);
    const QList<QStringView> parts = rest.mid(3).split(u'*');
    if (parts.size() != 5 || !parts[4].isEmpty())
        return refused(u"a courtesy tone segment has four values each followed by *"_s);
    std::array<int, 4> values{};
    for (int i = 0; i < 4; ++i) {
        const auto v = parseNumber(parts[i], 65535);
        if (!v)
            return refused(u"malformed courtesy tone value"_s);
        values[static_cast<size_t>(i)] = *v;
    }
    // Field numbers in memory order: Tone1-8 are 0-7, Delay1-4 8-11, Dur1-4 12-15.
    const int s = *segment;
    const std::array<int, 4> fields = {8 + s - 1, 12 + s - 1, 2 * s - 2, 2 * s - 1};
    for (int i = 0; i < 4; ++i) {
        const int f = fields[static_cast<size_t>(i)];
        setWord(At::Courtesy + 20 * (3 * f + portIndex()) + 2 * (*tone - 1),
                values[static_cast<size_t>(i)]);
    }
    return accepted();
}

CommandOutcome TarsisCommands::speechId(int at, int lengthAt, QStringView args) {
    if (args.size() % 3 != 0)
        return refused(u"speech codes are three digits each"_s);
    const int count = static_cast<int>(args.size() / 3);
    if (count > VoiceIdSize)
        return refused(u"a voice ID holds at most 22 words"_s);
    QByteArray codes;
    for (int i = 0; i < count; ++i) {
        const auto code = parseNumber(args.mid(3 * i, 3), 255);
        if (!code)
            return refused(u"speech code above 255"_s);
        codes.append(static_cast<char>(*code));
    }
    storeCodes(at, VoiceIdSize, codes, 0);
    setByte(lengthAt, count);
    return accepted();
}

CommandOutcome TarsisCommands::cwId(int at, int lengthAt, QStringView args) {
    if (args.size() % 2 != 0)
        return refused(u"CW codes are two digits each"_s);
    const int count = static_cast<int>(args.size() / 2);
    if (count > CwIdSize)
        return refused(u"a CW ID holds at most 15 characters"_s);
    QByteArray codes;
    for (int i = 0; i < count; ++i) {
        const auto code = parseNumber(args.mid(2 * i, 2), 99);
        if (!code || !isCwCode(*code))
            return refused(u"not a CW character code"_s);
        codes.append(static_cast<char>(*code));
    }
    storeCodes(at, CwIdSize, codes, 0);
    setByte(lengthAt, count);
    return accepted();
}

CommandOutcome TarsisCommands::cwTones(QStringView args) {
    // Tone 1 in four digits, then tone 2 when there is one; without it tone 2 is off.
    if (args.isEmpty())
        return refused(u"missing CW tone"_s);
    const QStringView first = args.left(4);
    const QStringView second = args.mid(qMin<qsizetype>(4, args.size()));
    const auto tone1 = parseNumber(first, 65535);
    if (!tone1)
        return refused(u"malformed CW tone"_s);
    int tone2 = 0;
    if (!second.isEmpty()) {
        const auto t = parseNumber(second, 65535);
        if (!t || second.size() > 4)
            return refused(u"malformed second CW tone"_s);
        tone2 = *t;
    }
    setWord(At::CWTone1 + 2 * portIndex(), *tone1);
    setWord(At::CWTone2 + 2 * portIndex(), tone2);
    return accepted();
}

CommandOutcome TarsisCommands::idExtras(QStringView args) {
    // Serial: which ID (1-3) of the line's port. Over the air: 1-9 names port and ID at once
    // (p, p + 3, p + 6 for the three IDs of port p).
    if (args.isEmpty())
        return refused(u"missing ID extras number"_s);
    const auto k = parseNumber(args.mid(0, 1), 9);
    if (!k || *k < 1)
        return refused(u"malformed ID extras number"_s);
    int id = *k;
    int port = m_port;
    if (serial()) {
        if (id > 3)
            return refused(u"ID extras number must be 1 to 3"_s);
    } else {
        id = (*k - 1) / 3 + 1;
        port = (*k - 1) % 3 + 1;
        if (port != m_port)
            return refused(u"ID extras number does not belong to this port"_s);
    }
    const auto value = parseNumber(args.mid(1), 254);
    if (!value)
        return refused(u"malformed ID extras value"_s);
    setByte(At::IDExtras + 3 * (port - 1) + id - 1, *value);
    return accepted();
}

CommandOutcome TarsisCommands::setPoint(QStringView args) {
    // nn, the day (one digit, or week and day), hours (two characters, "0A" every hour),
    // minutes and macro (two digits each).
    if (args.size() < 2 + 1 + 6)
        return refused(u"malformed scheduler setpoint"_s);
    const auto number = parseNumber(args.mid(0, 2), 20);
    if (!number || *number < 1)
        return refused(u"setpoint number must be 01 to 20"_s);
    const QStringView rest = args.mid(2);
    const QStringView dayText = rest.left(rest.size() - 6);
    const QStringView hoursText = rest.mid(rest.size() - 6, 2);
    const auto day = dayText.size() <= 2 ? parseNumber(dayText, 99) : std::nullopt;
    const auto minutes = parseNumber(rest.mid(rest.size() - 4, 2), 59);
    const auto macro = parseNumber(rest.mid(rest.size() - 2, 2), 90);
    std::optional<int> hours;
    if (hoursText == u"0A")
        hours = 254;
    else
        hours = parseNumber(hoursText, 25);
    if (!day || !hours || !minutes || !macro)
        return refused(u"malformed scheduler setpoint"_s);
    const int i = *number - 1;
    setByte(At::DOW + i, *day);
    setByte(At::Hours + i, *hours);
    setByte(At::Minutes + i, *minutes);
    setByte(At::MacroToRun + i, *macro);
    return accepted();
}

CommandOutcome TarsisCommands::clockCorrection(QStringView args) {
    // A leading "A" is the minus sign; the word holds the correction in two's complement.
    const bool negative = args.startsWith(u'A');
    const auto v = parseNumber(negative ? args.mid(1) : args, 32767);
    if (!v)
        return refused(u"malformed clock correction"_s);
    setWord(At::ClockCorrection, negative ? (65536 - *v) & 0xFFFF : *v);
    return accepted();
}

CommandOutcome TarsisCommands::clockSet(QStringView args, bool date) {
    if (!parseNumber(args, 999999) || (args.size() != 4 && args.size() != 6))
        return refused(date ? u"malformed date"_s : u"malformed time"_s);
    keep(date ? u"ClockDate"_s : u"ClockTime"_s, args.toString());
    return accepted();
}

CommandOutcome TarsisCommands::meter(QStringView args) {
    // n "*" type "*" real low "*" meter low "*" real high "*" meter high "*".
    const QList<QStringView> parts = args.split(u'*');
    if (parts.size() != 7 || !parts[6].isEmpty())
        return refused(u"a meter has its number and five values each followed by *"_s);
    const auto n = parseNumber(parts[0], 8);
    const auto type = parseNumber(parts[1], 6);
    if (!n || *n < 1 || !type)
        return refused(u"meter 1-8 and type 0-6 expected"_s);
    std::array<int, 4> values{};
    for (int i = 0; i < 4; ++i) {
        const auto v = parseNumber(parts[i + 2], 65534 - 255); // a high byte of 255 means unset
        if (!v)
            return refused(u"malformed meter calibration value"_s);
        values[static_cast<size_t>(i)] = *v;
    }
    const int i = *n - 1;
    setWord(At::Meter + 2 * i, MeterTypeWords[static_cast<size_t>(*type)]);
    setWord(At::RealLow + 2 * i, values[0]);
    setWord(At::MeterLow + 2 * i, values[1]);
    setWord(At::RealHigh + 2 * i, values[2]);
    setWord(At::MeterHigh + 2 * i, values[3]);
    return accepted();
}

CommandOutcome TarsisCommands::meterAlarm(QStringView args) {
    // n "*" meter "*" type "*" trip value "*" macro "*".
    const QList<QStringView> parts = args.split(u'*');
    if (parts.size() != 6 || !parts[5].isEmpty())
        return refused(u"a meter alarm has its number and four values each followed by *"_s);
    const auto n = parseNumber(parts[0], 10);
    const auto meterNumber = parseNumber(parts[1], 8);
    const auto type = parseNumber(parts[2], 2);
    const auto trip = parseNumber(parts[3], 65535);
    const auto macro = parseNumber(parts[4], 255);
    if (!n || *n < 1 || !meterNumber || !type || !trip || !macro)
        return refused(u"malformed meter alarm"_s);
    const int i = *n - 1;
    setByte(At::MeterAlarmNum + i, *meterNumber);
    setByte(At::MeterAlarmType + i, *type);
    setWord(At::MeterSetPoint + 4 * i, *trip);
    setByte(At::MeterAlarmMacro + i, *macro);
    return accepted();
}

} // namespace kovo
