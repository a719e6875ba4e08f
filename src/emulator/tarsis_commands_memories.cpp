// The remote base, macros and their codes, messages, DTMF memories, the autopatch lists and
// DVR tracks.
#include "emulator/tarsis_commands.h"
#include "emulator/tarsis_layout.h"

using namespace Qt::StringLiterals;

namespace kovo {

using namespace tarsis;

CommandOutcome TarsisCommands::remoteBase(QStringView rest) {
    // The remote base prefix, then 1 + frequency, 2 + tone code + tone mode, or 3 + mode: the
    // radio takes the setting at once; "*2086" stores it in a memory.
    const QString prefix = text(At::RemoteBasePrefix, 6);
    if (!rest.startsWith(prefix))
        return refused(u"remote base prefix does not match"_s);
    const QStringView command = rest.mid(prefix.size());
    if (command.isEmpty())
        return refused(u"missing remote base setting"_s);
    const QStringView data = command.mid(1);
    switch (command.front().unicode()) {
    case u'1':
        if (data.size() > FreqSize - 1 || (!data.isEmpty() && !parseNumber(data, 9999999)))
            return refused(u"a frequency is at most seven digits"_s);
        keep(u"RadioFrequency"_s, data.toString());
        return accepted();
    case u'2': {
        if (data.isEmpty()) {
            keep(u"RadioTone"_s, QString());
            keep(u"RadioToneMode"_s, QString());
            return accepted();
        }
        const QStringView tone = data.left(data.size() - 1);
        const auto mode = parseNumber(data.right(1), 9);
        if (!mode || (!tone.isEmpty() && !parseNumber(tone, 255)))
            return refused(u"malformed tone setting"_s);
        keep(u"RadioTone"_s, tone.toString());
        keep(u"RadioToneMode"_s, data.right(1).toString());
        return accepted();
    }
    case u'3':
        if (!parseNumber(data, 255))
            return refused(u"malformed radio mode"_s);
        keep(u"RadioMode"_s, data.toString());
        return accepted();
    default:
        return refused(u"unknown remote base setting"_s);
    }
}

CommandOutcome TarsisCommands::storeRemoteMemory(QStringView args) {
    const auto n = parseNumber(args, 10);
    if (!n || *n < 1)
        return refused(u"remote base memory must be 1 to 10"_s);
    const int i = *n - 1;
    setText(At::FreqString + FreqSize * i, FreqSize, m_memory.m_kept.value(u"RadioFrequency"_s));
    setByte(At::CTCSS + i, m_memory.m_kept.value(u"RadioTone"_s).toInt());
    setByte(At::CTCSSMode + i, m_memory.m_kept.value(u"RadioToneMode"_s).toInt());
    if (m_memory.m_kept.contains(u"RadioMode"_s))
        setByte(At::RadioMode + i, m_memory.m_kept.value(u"RadioMode"_s).toInt());
    return accepted();
}

std::optional<QByteArray> TarsisCommands::packMacro(QStringView digits, int size,
                                                    QString* reason) const {
    // Three digits per function; functions of 255 and above take two bytes (255, then the
    // number less 255). A function may start in any byte but the last; a 0 ends a shorter list.
    if (digits.size() % 3 != 0) {
        *reason = u"macro digits are not whole three-digit functions"_s;
        return std::nullopt;
    }
    QByteArray bytes;
    int lastStart = -1;
    for (qsizetype i = 0; i < digits.size(); i += 3) {
        const auto step = parseNumber(digits.mid(i, 3), 510);
        if (!step || *step < 1) {
            *reason = u"macro function must be 001 to 510"_s;
            return std::nullopt;
        }
        lastStart = static_cast<int>(bytes.size());
        if (*step < 255) {
            bytes.append(static_cast<char>(*step));
        } else {
            bytes.append(static_cast<char>(255));
            bytes.append(static_cast<char>(*step - 255));
        }
    }
    if (bytes.size() > size || lastStart > size - 2) {
        *reason = u"macro too long for its memory"_s;
        return std::nullopt;
    }
    return bytes;
}

CommandOutcome TarsisCommands::macroStore(QStringView args) {
    const auto number = parseNumber(args.left(2), 90);
    if (args.size() < 2 || !number || *number < 1)
        return refused(u"macro number must be 01 to 90"_s);
    const bool shortMacro = *number > 40;
    const int size = shortMacro ? ShortMacroSize : MacroSize;
    QString reason;
    const auto bytes = packMacro(args.mid(2), size, &reason);
    if (!bytes)
        return refused(reason);
    const int at = shortMacro ? At::ShortMacro + ShortMacroSize * (*number - 41)
                              : At::Macro + MacroSize * (*number - 1);
    storeCodes(at, size, *bytes, 0);
    return accepted();
}

CommandOutcome TarsisCommands::macroErase(QStringView args) {
    const auto number = parseNumber(args, 90);
    if (args.size() != 2 || !number || *number < 1)
        return refused(u"macro number must be 01 to 90"_s);
    if (*number > 40)
        storeCodes(At::ShortMacro + ShortMacroSize * (*number - 41), ShortMacroSize, {}, 0);
    else
        storeCodes(At::Macro + MacroSize * (*number - 1), MacroSize, {}, 0);
    return accepted();
}

CommandOutcome TarsisCommands::eraseAllMacros(QStringView) {
    storeCodes(At::Macro, MacroSize * 40, {}, 0);
    storeCodes(At::ShortMacro, ShortMacroSize * 50, {}, 0);
    return accepted();
}

void TarsisCommands::storeAccessCode(int at, QStringView code) {
    QByteArray bytes(CodeSize, '\0');
    for (qsizetype i = 0; i < code.size(); ++i) {
        const int nibble = nibbleOf(code[i]);
        bytes[i / 2] = static_cast<char>(static_cast<unsigned char>(bytes[i / 2]) |
                                         (i % 2 == 0 ? nibble : nibble << 4));
    }
    storeCodes(at, CodeSize, bytes, 0);
}

CommandOutcome TarsisCommands::macroCode(QStringView args) {
    const auto number = parseNumber(args.left(2), 90);
    if (args.size() < 2 || !number || *number < 1)
        return refused(u"macro number must be 01 to 90"_s);
    const QStringView code = args.mid(2);
    if (code.size() > 8)
        return refused(u"a macro code is at most 8 digits"_s);
    for (QChar c : code)
        if (nibbleOf(c) < 0)
            return refused(u"a macro code holds only 0-9, *, #, A, B and C"_s);
    storeAccessCode(*number > 40 ? At::ShortMacroCode + CodeSize * (*number - 41)
                                 : At::MacroCode + CodeSize * (*number - 1),
                    code);
    return accepted();
}

CommandOutcome TarsisCommands::portToAllow(QStringView args) {
    const auto number = parseNumber(args.left(2), 90);
    if (args.size() < 2 || !number || *number < 1)
        return refused(u"macro number must be 01 to 90"_s);
    return globalByte(At::PortToAllow + *number - 1, args.mid(2));
}

CommandOutcome TarsisCommands::alarmMacro(int at, QStringView args) {
    if (args.isEmpty() || args[0] < u'1' || args[0] > u'5')
        return refused(u"alarm number must be 1 to 5"_s);
    return globalByte(at + args[0].unicode() - u'1', args.mid(1));
}

CommandOutcome TarsisCommands::messageMacro(QStringView args) {
    const auto number = parseNumber(args.left(2), 40);
    if (args.size() < 2 || !number || *number < 1)
        return refused(u"message number must be 01 to 40"_s);
    const QStringView codes = args.mid(2);
    if (codes.size() % 3 != 0)
        return refused(u"speech codes are three digits each"_s);
    const int count = static_cast<int>(codes.size() / 3);
    if (count > MessageSize - 1)
        return refused(u"a message holds at most 9 words"_s);
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        const auto code = parseNumber(codes.mid(3 * i, 3), 255);
        if (!code)
            return refused(u"speech code above 255"_s);
        bytes.append(static_cast<char>(*code));
    }
    // Unused codes are 0, which the controller treats as the end of the message.
    storeCodes(At::MessageMacro + MessageSize * (*number - 1), MessageSize, bytes, 0);
    return accepted();
}

CommandOutcome TarsisCommands::dtmfMemory(QStringView args) {
    const auto number = parseNumber(args.left(2), 20);
    if (args.size() < 2 || !number || *number < 1)
        return refused(u"DTMF memory number must be 01 to 20"_s);
    const QStringView digits = args.mid(2);
    if (digits.size() > DtmfMemorySize)
        return refused(u"a DTMF memory holds at most 11 digits"_s);
    for (QChar c : digits)
        if (!isDtmfCharacter(c))
            return refused(u"a DTMF memory holds DTMF digits only"_s);
    // The digits, then 255 marks their end.
    setText(At::DTMFMemory + DtmfMemorySize * (*number - 1), DtmfMemorySize, digits, 255);
    return accepted();
}

CommandOutcome TarsisCommands::autopatchEntry(const char* name, int count, QStringView args) {
    const auto slot = parseNumber(args.left(3), count);
    if (args.size() < 3 || !slot || *slot < 1)
        return refused(QString::fromLatin1(name) + u" slot out of range"_s);
    for (QChar c : args.mid(3))
        if (!isDtmfCharacter(c))
            return refused(u"a telephone number holds DTMF digits only"_s);
    keep(indexedKey(name, *slot), args.mid(3).toString());
    return accepted();
}

CommandOutcome TarsisCommands::messageNumbers(QStringView args) {
    // Serial: one message position (1-3) and its macro number per line. Over the air: the
    // tail message number, then the three message numbers.
    const std::array<int, 3> blocks = {At::P1MessageNum, At::P2MessageNum, At::P3MessageNum};
    const int p = portIndex();
    if (serial()) {
        if (args.isEmpty() || args[0] < u'1' || args[0] > u'3')
            return refused(u"message position must be 1 to 3"_s);
        const auto macro = parseNumber(args.mid(1), 255);
        if (!macro)
            return refused(u"malformed message number"_s);
        setByte(blocks[static_cast<size_t>(args[0].unicode() - u'1')] + p, *macro);
        return accepted();
    }
    // The three numbers carry no separator, so they must have one width: all one digit, or
    // all two digits.
    const qsizetype width = (args.size() - 1) / 3;
    if ((args.size() != 4 && args.size() != 7) || width < 1)
        return refused(u"tail message, then three message numbers of one width expected"_s);
    const auto tail = parseNumber(args.mid(0, 1), 9);
    std::array<std::optional<int>, 3> numbers = {parseNumber(args.mid(1, width), 99),
                                                 parseNumber(args.mid(1 + width, width), 99),
                                                 parseNumber(args.mid(1 + 2 * width, width), 99)};
    if (!tail || !numbers[0] || !numbers[1] || !numbers[2])
        return refused(u"malformed message numbers"_s);
    setByte(At::TailMessageNum + p, *tail);
    for (size_t i = 0; i < 3; ++i)
        setByte(blocks[i] + p, *numbers[i]);
    return accepted();
}

CommandOutcome TarsisCommands::recordTrack(QStringView args, bool record) {
    const auto track = parseNumber(args, 20);
    if (!track || *track < 1)
        return refused(u"track must be 1 to 20"_s);
    if (record)
        keep(indexedKey("DVRTrack", *track), u"1"_s);
    return accepted();
}

} // namespace kovo
