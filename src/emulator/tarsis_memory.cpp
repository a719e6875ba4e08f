#include "tarsis_memory.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>
#include <algorithm>
#include <array>
#include <optional>

using namespace Qt::StringLiterals;

namespace kovo {

namespace {

// Where the controller keeps its settings: the first byte of each block. Per-port and per-item
// blocks hold their elements one after the other.
namespace At {
constexpr int PreAccessPrefix = 0;    // text, 4 bytes
constexpr int DTMFTestPrefix = 4;     // text, 6 bytes
constexpr int GeneralTimerMacro = 10; // 3 bytes
constexpr int SayHour = 15;
constexpr int HangTime = 16;
constexpr int IIDTime = 19;
constexpr int PIDTime = 22;
constexpr int TxEnable = 25;
constexpr int DTMFCovertone = 28;
constexpr int DTMFTime = 31; // two bytes per port, added together
constexpr int Kerchunk = 37;
constexpr int KerchunkTime = 40; // words
constexpr int CTCSSID = 47;
constexpr int CTCSSCT = 50;
constexpr int TimeoutLink = 56;
constexpr int XmtDelay = 57; // word
constexpr int PLEncodePolarity = 59;
constexpr int MacroSubset = 62; // text, 5 bytes
constexpr int DTMFEnable = 73;
constexpr int DTMFNeedPL = 76;
constexpr int CurrentPortUnlock = 79; // text, 9 bytes per port
constexpr int SpeechIDOverride = 106;
constexpr int CWTone1 = 109; // words
constexpr int CWTone2 = 115; // words
constexpr int CWSpeed = 121;
constexpr int CWIDLength = 124;    // CWID1 ports 1-3, then CWID2 ports 1-3
constexpr int VoiceIDLength = 130; // VoiceID1, VoiceID2, VoiceID3, three ports each
constexpr int PLAccess = 139;
constexpr int MonMix = 142;
constexpr int AuxTime = 145; // words
constexpr int InActiveTime = 151;
constexpr int DisableTimeout = 154;
constexpr int SpeechOverride = 157;
constexpr int CTCSSTime = 160;
constexpr int FDup = 163;
constexpr int TimeOut = 166; // words
constexpr int DTMFMute = 172;
constexpr int Alarm = 175;
constexpr int AlarmLowMacroNum = 180;
constexpr int AlarmHighMacroNum = 185;
constexpr int Vref = 190;    // word
constexpr int Meter = 192;   // words: the meter type's code
constexpr int RealLow = 208; // words
constexpr int MeterLow = 224;
constexpr int RealHigh = 240;
constexpr int MeterHigh = 256;
// Meter alarms: number, type, trip value (a word and two spare bytes), macro, enable.
constexpr int MeterAlarmNum = 272;
constexpr int MeterAlarmType = 282;
constexpr int MeterSetPoint = 292;
constexpr int MeterAlarmMacro = 332;
constexpr int MeterAlarmEnable = 342;
constexpr int CWID1 = 362; // 15 codes per port
constexpr int CWID2 = 407;
constexpr int VoiceID1 = 452; // 22 codes per port
constexpr int VoiceID2 = 518;
constexpr int VoiceID3 = 584;
constexpr int DOW = 650; // week * 10 + day when monthly
constexpr int Hours = 670;
constexpr int Minutes = 690;
constexpr int MacroToRun = 710;
constexpr int Courtesy = 750; // 48 blocks of ten words
constexpr int RadioType = 1710;
constexpr int YaesuType = 1711;
constexpr int FanTime = 1712;
constexpr int TwentyFour = 1720;
constexpr int FanSelect = 1721;
constexpr int DTMFDur = 1722;
constexpr int DTMFDelay = 1723;
constexpr int DTMFMemory = 1724; // 11 characters each, 255 after the last
constexpr int ControlPort = 2068;
constexpr int AllowTerminatorSpeech = 2069;
constexpr int RadioMode = 2070;
constexpr int InActivityMacro = 2080; // words
constexpr int EnablePatch = 2086;
constexpr int PatchMute = 2087;
constexpr int GeneralTimer = 2088; // words
constexpr int MessageMacro = 2099; // 10 codes each
constexpr int IDExtras = 2499;     // port 1: ID1, ID2, ID3; then port 2, port 3
constexpr int Macro = 2508;        // 16 bytes each
constexpr int MacroCode = 3148;    // 5 bytes each, packed digits
constexpr int ShortMacro = 3348;   // 5 bytes each
constexpr int ShortMacroCode = 3598;
constexpr int PortToAllow = 3848;
constexpr int IDSpeakTime = 3938; // words
constexpr int SpeechEnable = 3944;
constexpr int MacroSubsetEnable = 3947;
constexpr int RemoteBasePrefix = 3948; // text, 6 bytes
constexpr int Lock = 3954;             // text, 5 bytes
constexpr int Terminator = 3959;       // text, 2 bytes
constexpr int ClockCorrection = 3961;  // word
constexpr int SayYear = 3963;
constexpr int P1MessageNum = 3964;
constexpr int P2MessageNum = 3967;
constexpr int P3MessageNum = 3970;
constexpr int TailMessageNum = 3973;
constexpr int AnnounceTime = 3976; // words
constexpr int TailCounter = 3982;
constexpr int FreqString = 3985; // 8 bytes each
constexpr int CTCSS = 4065;
constexpr int CTCSSMode = 4075;
constexpr int DTMFPort = 4085;
constexpr int DTMFSpeech = 4086;
constexpr int APPrefix = 4090; // text, 6 bytes
} // namespace At

constexpr int MacroSize = 16;
constexpr int ShortMacroSize = 5;
constexpr int CodeSize = 5;
constexpr int CwIdSize = 15;
constexpr int VoiceIdSize = 22;
constexpr int MessageSize = 10;
constexpr int DtmfMemorySize = 11;
constexpr int FreqSize = 8;

// The codes the controller can key in CW (the dash, 10, is one it only ever shows).
constexpr std::array<int, 43> CwCodes = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                                         20, 21, 22, 23, 31, 32, 33, 41, 42, 43, 51, 52, 53, 60, 61,
                                         62, 63, 70, 71, 72, 73, 81, 82, 83, 90, 91, 92, 93};

bool isCwCode(int code) {
    return std::find(CwCodes.begin(), CwCodes.end(), code) != CwCodes.end();
}

// The word the meter type is stored as (type 0, "None", is stored as 0).
constexpr std::array<int, 7> MeterTypeWords = {0, 224, 62, 227, 101, 150, 176};

CommandOutcome accepted() {
    return {true, {}};
}

CommandOutcome refused(const QString& reason) {
    return {false, reason};
}

// A decimal number made of digits only, at most `max`.
std::optional<int> parseNumber(QStringView text, int max) {
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > max)
        return std::nullopt;
    return value;
}

bool isDtmfCharacter(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'*' || c == u'#' || (c >= u'A' && c <= u'D');
}

// A character that the memory can hold as one byte of a text (not the end mark 0, not 255).
bool isStorableCharacter(QChar c) {
    return c.unicode() > 0 && c.unicode() < 255;
}

// nibble values of the packed access codes; "D" has none.
int nibbleOf(QChar c) {
    if (c >= u'1' && c <= u'9')
        return c.unicode() - u'0';
    switch (c.unicode()) {
    case u'0':
        return 10;
    case u'*':
        return 11;
    case u'#':
        return 12;
    case u'A':
        return 13;
    case u'B':
        return 14;
    case u'C':
        return 15;
    default:
        return -1;
    }
}

QString Key(const char* name, int index) {
    return QString::fromLatin1(name) + u'(' + QString::number(index) + u')';
}

} // namespace

// Applies one command body to the memory. The port is the serial line's port digit or the
// port unlocked for a DTMF command.
class TarsisCommands {
public:
    enum class Transport { Serial, Dtmf };

    TarsisCommands(TarsisMemory& memory, int port, Transport transport)
        : m_memory(memory), m_port(port), m_transport(transport) {}

    CommandOutcome run(QStringView body);

    // Memory writers, also used for the factory contents.
    void setByte(int at, int value) { m_memory.m_bytes[at] = static_cast<char>(value & 0xFF); }
    void setWord(int at, int value) {
        setByte(at, value & 0xFF);
        setByte(at + 1, (value >> 8) & 0xFF);
    }
    // Text in `size` bytes: its characters, then `fill` up to the end.
    void setText(int at, int size, QStringView text, int fill = 0) {
        for (int i = 0; i < size; ++i)
            setByte(at + i, i < text.size() ? text[i].unicode() : fill);
    }
    int byte(int at) const { return static_cast<unsigned char>(m_memory.m_bytes[at]); }
    QString text(int at, int size) const {
        QString result;
        for (int i = 0; i < size - 1; ++i) {
            const int b = byte(at + i);
            if (b == 0)
                break;
            if (b != 255)
                result += QChar(b);
        }
        return result;
    }
    void keep(const QString& key, const QString& value) { m_memory.m_kept.insert(key, value); }

    void storeCodes(int at, int size, const QByteArray& codes, int fill) {
        for (int i = 0; i < size; ++i)
            setByte(at + i, i < codes.size() ? static_cast<unsigned char>(codes[i]) : fill);
    }
    std::optional<QByteArray> packMacro(QStringView digits, int size, QString* reason) const;
    void storeAccessCode(int at, QStringView code);

private:
    CommandOutcome star(QStringView body);
    CommandOutcome digitLed(QStringView body);
    CommandOutcome remoteBase(QStringView rest);
    CommandOutcome lockLine(QStringView body) const;

    // One byte or word of this port's element of a per-port block.
    CommandOutcome portByte(int at, QStringView args, int max = 255);
    CommandOutcome portWord(int at, QStringView args, int max = 65535);
    CommandOutcome globalByte(int at, QStringView args, int max = 255);
    CommandOutcome globalWord(int at, QStringView args, int max = 65535);
    CommandOutcome globalText(int at, int size, QStringView args, const char* what);
    CommandOutcome keepText(const QString& key, QStringView args);

    CommandOutcome dtmfTime(QStringView args);
    CommandOutcome auxTime(QChar which, QStringView args);
    CommandOutcome generalTimer(QStringView args, bool macro);
    CommandOutcome courtesy(QStringView rest);
    CommandOutcome speechId(int at, int lengthAt, QStringView args);
    CommandOutcome cwId(int at, int lengthAt, QStringView args);
    CommandOutcome cwTones(QStringView args);
    CommandOutcome idExtras(QStringView args);
    CommandOutcome setPoint(QStringView args);
    CommandOutcome clockCorrection(QStringView args);
    CommandOutcome clockSet(QStringView args, bool date);
    CommandOutcome meter(QStringView args);
    CommandOutcome meterAlarm(QStringView args);
    CommandOutcome storeRemoteMemory(QStringView args);
    CommandOutcome macroStore(QStringView args);
    CommandOutcome macroErase(QStringView args);
    CommandOutcome eraseAllMacros(QStringView args);
    CommandOutcome macroCode(QStringView args);
    CommandOutcome portToAllow(QStringView args);
    CommandOutcome alarmMacro(int at, QStringView args);
    CommandOutcome messageMacro(QStringView args);
    CommandOutcome dtmfMemory(QStringView args);
    CommandOutcome autopatchEntry(const char* name, int count, QStringView args);
    CommandOutcome messageNumbers(QStringView args);
    CommandOutcome portSwitch(int port, QStringView code, QStringView value);
    CommandOutcome alarmSwitch(int alarm, QStringView value);
    CommandOutcome recordTrack(QStringView args);

    int portIndex() const { return m_port - 1; }
    bool serial() const { return m_transport == Transport::Serial; }

    TarsisMemory& m_memory;
    int m_port;
    Transport m_transport;
};

CommandOutcome TarsisCommands::run(QStringView body) {
    if (body.isEmpty())
        return refused(u"empty command"_s);
    CommandOutcome outcome;
    if (body.startsWith(u"**") && serial())
        return remoteBase(body.mid(2));
    if (body.front() == u'*')
        outcome = star(body);
    else
        outcome = digitLed(body);
    if (outcome.accepted || outcome.reason != u"unknown command")
        return outcome;
    if (!serial()) {
        // Over the air the remote base is addressed by its prefix alone.
        const QString prefix = text(At::RemoteBasePrefix, 6);
        if (!prefix.isEmpty() && body.startsWith(prefix) && body.size() > prefix.size())
            return remoteBase(body);
    }
    const CommandOutcome lock = lockLine(body);
    return lock.accepted ? lock : outcome;
}

CommandOutcome TarsisCommands::lockLine(QStringView body) const {
    const QString lock = text(At::Lock, 5);
    const QString terminator = text(At::Terminator, 2);
    if (!lock.isEmpty() && (body == lock || body == QString(lock + terminator)))
        return accepted();
    return refused(u"unknown command"_s);
}

CommandOutcome TarsisCommands::star(QStringView body) {
    const auto is = [&](const char16_t* code) { return body.startsWith(QStringView(code)); };
    const auto args = [&](const char16_t* code) { return body.mid(QStringView(code).size()); };
    const int p = portIndex();

    // Timers of one port.
    if (is(u"*1000"))
        return portByte(At::HangTime, args(u"*1000"));
    if (is(u"*1001"))
        return portWord(At::TimeOut + 2 * p, args(u"*1001"));
    if (is(u"*1002"))
        return portByte(At::IIDTime, args(u"*1002"));
    if (is(u"*1003"))
        return portByte(At::PIDTime, args(u"*1003"));
    if (is(u"*1005")) {
        const CommandOutcome outcome = portByte(At::InActiveTime, args(u"*1005"));
        if (outcome.accepted) // an inactivity time of 0 switches the inactivity timer off
            setByte(At::DisableTimeout + p, byte(At::InActiveTime + p) == 0 ? 1 : 0);
        return outcome;
    }
    if (is(u"*1006"))
        return dtmfTime(args(u"*1006"));
    if (is(u"*1007"))
        return portByte(At::CTCSSTime, args(u"*1007"));
    if (is(u"*1004"))
        return globalByte(At::FanTime, args(u"*1004"));
    if (body.startsWith(u"*101") && body.size() >= 5 && body[4] >= u'1' && body[4] <= u'5')
        return auxTime(body[4], body.mid(5));
    if (is(u"*1017"))
        return generalTimer(args(u"*1017"), false);
    if (is(u"*1018"))
        return portWord(At::KerchunkTime + 2 * p, args(u"*1018"));
    if (is(u"*1019"))
        return portWord(At::IDSpeakTime + 2 * p, args(u"*1019"));
    if (is(u"*1020"))
        return portWord(At::AnnounceTime + 2 * p, args(u"*1020"));
    if (is(u"*1021")) {
        // An empty polarity is held as 255, which reads back as empty.
        if (args(u"*1021").isEmpty()) {
            setByte(At::PLEncodePolarity + p, 255);
            return accepted();
        }
        return portByte(At::PLEncodePolarity, args(u"*1021"), 254);
    }
    if (is(u"*1022"))
        return globalWord(At::XmtDelay, args(u"*1022"));
    if (is(u"*1024"))
        return keepText(u"APTimeOut"_s, args(u"*1024"));
    if (is(u"*1025"))
        return keepText(u"RingNumber"_s, args(u"*1025"));
    if (is(u"*2114"))
        return portWord(At::InActivityMacro + 2 * p, args(u"*2114"));
    if (is(u"*2092"))
        return generalTimer(args(u"*2092"), true);
    if (is(u"*2119"))
        return globalByte(At::FanSelect, args(u"*2119"));
    if (is(u"*2051"))
        return globalByte(At::TimeoutLink, args(u"*2051"));

    // Courtesy tones.
    if (body.startsWith(u"*3"))
        return courtesy(body.mid(2));

    // Identification.
    if (is(u"*8000"))
        return portByte(At::CWSpeed, args(u"*8000"));
    if (is(u"*8001"))
        return cwTones(args(u"*8001"));
    if (is(u"*8002"))
        return cwId(At::CWID1 + CwIdSize * p, At::CWIDLength + p, args(u"*8002"));
    if (is(u"*8003"))
        return cwId(At::CWID2 + CwIdSize * p, At::CWIDLength + 3 + p, args(u"*8003"));
    if (is(u"*8004"))
        return speechId(At::VoiceID1 + VoiceIdSize * p, At::VoiceIDLength + p, args(u"*8004"));
    if (is(u"*8005"))
        return speechId(At::VoiceID2 + VoiceIdSize * p, At::VoiceIDLength + 3 + p, args(u"*8005"));
    if (is(u"*8006"))
        return speechId(At::VoiceID3 + VoiceIdSize * p, At::VoiceIDLength + 6 + p, args(u"*8006"));
    if (is(u"*8007"))
        return idExtras(args(u"*8007"));
    if (is(u"*8008"))
        return portByte(At::SpeechEnable, args(u"*8008"));

    // Scheduler and clock.
    if (is(u"*4001"))
        return setPoint(args(u"*4001"));
    if (is(u"*5100"))
        return clockSet(args(u"*5100"), false);
    if (is(u"*5101"))
        return clockSet(args(u"*5101"), true);
    if (is(u"*5102"))
        return globalByte(At::SayYear, args(u"*5102"));
    if (is(u"*5103"))
        return globalByte(At::TwentyFour, args(u"*5103"));
    if (is(u"*5104"))
        return globalByte(At::SayHour, args(u"*5104"));
    if (is(u"*5105"))
        return clockCorrection(args(u"*5105"));

    // Analog meters.
    if (is(u"*2064"))
        return meter(args(u"*2064"));
    if (is(u"*2065"))
        return globalWord(At::Vref, args(u"*2065"));
    if (is(u"*2066"))
        return meterAlarm(args(u"*2066"));

    // Remote base.
    if (is(u"*2083"))
        return globalByte(At::RadioType, args(u"*2083"));
    if (is(u"*2084"))
        return globalByte(At::YaesuType, args(u"*2084"));
    if (is(u"*2060")) {
        // bytes 0 and 255 cannot stand in the prefix; it fills at most five of its six bytes.
        const QStringView prefix = args(u"*2060");
        if (prefix.size() > 5)
            return refused(u"remote base prefix longer than 5 characters"_s);
        for (QChar c : prefix)
            if (!isStorableCharacter(c))
                return refused(u"remote base prefix holds a character the memory cannot"_s);
        setText(At::RemoteBasePrefix, 6, prefix, 0);
        return accepted();
    }
    if (is(u"*2086"))
        return storeRemoteMemory(args(u"*2086"));

    // Macros.
    if (is(u"*400499") && (body.size() == 7 || body.mid(7) == u"#"))
        return eraseAllMacros(body.mid(7));
    if (is(u"*4002"))
        return macroStore(args(u"*4002"));
    if (is(u"*4003"))
        return macroErase(args(u"*4003"));
    if (is(u"*2050"))
        return macroCode(args(u"*2050"));
    if (is(u"*4005"))
        return portToAllow(args(u"*4005"));
    if (is(u"*2101"))
        return serial() ? alarmMacro(At::AlarmLowMacroNum, args(u"*2101"))
                        : refused(u"unknown command"_s);
    if (is(u"*2102"))
        return serial() ? alarmMacro(At::AlarmHighMacroNum, args(u"*2102"))
                        : refused(u"unknown command"_s);

    // Messages and DTMF memories.
    if (is(u"*2103"))
        return messageMacro(args(u"*2103"));
    if (is(u"*7001") || is(u"*7002"))
        return recordTrack(body.mid(5));
    if (is(u"*2105"))
        return dtmfMemory(args(u"*2105"));
    if (is(u"*2106")) {
        // An empty duration is held as 255, which reads back as empty.
        if (args(u"*2106").isEmpty()) {
            setByte(At::DTMFDur, 255);
            return accepted();
        }
        return globalByte(At::DTMFDur, args(u"*2106"));
    }
    if (is(u"*2107"))
        return globalByte(At::DTMFDelay, args(u"*2107"));

    // Codes and prefixes.
    if (is(u"*9000")) {
        const QStringView code = args(u"*9000");
        if (code.isEmpty())
            return refused(u"empty unlock code"_s);
        return globalText(At::CurrentPortUnlock + 9 * p, 9, code, "unlock code");
    }
    if (is(u"*9010")) {
        if (args(u"*9010").isEmpty())
            return refused(u"empty lock code"_s);
        return globalText(At::Lock, 5, args(u"*9010"), "lock code");
    }
    if (is(u"*9020")) {
        const QStringView terminator = args(u"*9020");
        if (terminator.size() != 1 || !isDtmfCharacter(terminator.front()))
            return refused(u"the terminator is one DTMF digit"_s);
        return globalText(At::Terminator, 2, terminator, "terminator");
    }
    if (is(u"*2104"))
        return keepText(u"CommandPrefix"_s, args(u"*2104"));
    if (is(u"*2117"))
        return globalByte(At::DTMFPort, args(u"*2117"));
    if (is(u"*2118"))
        return globalByte(At::DTMFSpeech, args(u"*2118"));
    if (is(u"*2061"))
        return globalText(At::APPrefix, 6, args(u"*2061"), "autopatch prefix");
    if (is(u"*2063"))
        return keepText(u"AnswerCode"_s, args(u"*2063"));

    // Autopatch and prefixes.
    if (is(u"*2115"))
        return autopatchEntry("AutoDial", 200, args(u"*2115"));
    if (is(u"*2062"))
        return autopatchEntry("TollRestrict", 100, args(u"*2062"));
    if (is(u"*2116"))
        return globalByte(At::EnablePatch, args(u"*2116"));
    if (is(u"*2093"))
        return globalText(At::DTMFTestPrefix, 6, args(u"*2093"), "pad test prefix");
    if (is(u"*2108")) {
        // The pre-access prefix of "0" (none) is held as empty text.
        const QStringView prefix = args(u"*2108");
        return globalText(At::PreAccessPrefix, 4, prefix == u"0" ? QStringView() : prefix,
                          "pre-access prefix");
    }
    if (is(u"*2109"))
        return keepText(u"PreProgramPrefix"_s, args(u"*2109"));
    if (is(u"*4009"))
        return globalText(At::MacroSubset, 5, args(u"*4009"), "macro subset");
    if (is(u"*2090"))
        return keepText(u"DTMFMuteDigitSelect"_s, args(u"*2090"));
    if (is(u"*2091"))
        return globalByte(At::AllowTerminatorSpeech, args(u"*2091"));

    // port switches given by command number.
    if (is(u"*2088"))
        return portByte(At::CTCSSCT, args(u"*2088"));
    if (is(u"*2089"))
        return portByte(At::CTCSSID, args(u"*2089"));
    if (is(u"*2110"))
        return messageNumbers(args(u"*2110"));
    if (is(u"*2111"))
        return portByte(At::TailMessageNum, args(u"*2111"));
    if (is(u"*2112"))
        return portByte(At::TailCounter, args(u"*2112"));

    // The end of a serial upload: the controller resets.
    if (body == u"*21999")
        return accepted();
    return refused(u"unknown command"_s);
}

CommandOutcome TarsisCommands::digitLed(QStringView body) {
    // "270" patch muting, "280" macro subset enable: one value each.
    if (body.startsWith(u"270"))
        return globalByte(At::PatchMute, body.mid(3));
    if (body.startsWith(u"280"))
        return globalByte(At::MacroSubsetEnable, body.mid(3));
    // "1600" + meter alarm + enable flag.
    if (body.startsWith(u"1600") && body.size() == 6) {
        const auto alarm = parseNumber(body.mid(4, 1), 8);
        const auto flag = parseNumber(body.mid(5, 1), 1);
        if (!alarm || *alarm < 1 || !flag)
            return refused(u"malformed meter alarm switch"_s);
        setByte(At::MeterAlarmEnable + *alarm - 1, *flag);
        return accepted();
    }
    // Alarm switches: serial n + "91" + value, over the air "19" + n + value.
    if (body.size() == 4) {
        if (serial() && body.mid(1, 2) == u"91" && body[0] >= u'1' && body[0] <= u'5')
            return alarmSwitch(body[0].unicode() - u'0', body.mid(3));
        if (!serial() && body.startsWith(u"19") && body[2] >= u'1' && body[2] <= u'5')
            return alarmSwitch(body[2].unicode() - u'0', body.mid(3));
    }
    // COS closure over the serial link: "22" + value after the port digit.
    if (serial() && body.size() == 3 && body.startsWith(u"22"))
        return portSwitch(m_port, u"22", body.mid(2));
    // port switches: port + two-digit switch + one-digit value.
    if (body.size() == 4 && body[0] >= u'1' && body[0] <= u'3') {
        const int port = body[0].unicode() - u'0';
        if (serial() && port != m_port)
            return refused(u"switch port differs from the line's port"_s);
        return portSwitch(port, body.mid(1, 2), body.mid(3));
    }
    return refused(u"unknown command"_s);
}

CommandOutcome TarsisCommands::portSwitch(int port, QStringView code, QStringView value) {
    const auto v = parseNumber(value, 9);
    if (!v)
        return refused(u"a switch value is one digit"_s);
    const int p = port - 1;
    const auto set = [&](int at) {
        setByte(at + p, *v);
        return accepted();
    };
    if (code == u"11")
        return set(At::TxEnable);
    if (code == u"10") {
        keep(Key("RxEnable", port), QString::number(*v));
        return accepted();
    }
    if (code == u"14")
        return set(At::FDup);
    if (code == u"12")
        return set(At::PLAccess);
    if (code == u"16")
        return set(At::DTMFEnable);
    if (code == u"17")
        return set(At::DTMFNeedPL);
    if (code == u"21")
        return set(At::DTMFMute);
    if (code == u"13")
        return set(At::DTMFCovertone);
    if (code == u"19")
        return set(At::MonMix);
    if (code == u"15")
        return set(At::Kerchunk);
    if (code == u"20")
        return set(At::SpeechOverride);
    if (code == u"18")
        return set(At::SpeechIDOverride);
    if (code == u"22") {
        keep(Key("COSClose", port), QString::number(*v));
        return accepted();
    }
    return refused(u"unknown command"_s);
}

CommandOutcome TarsisCommands::alarmSwitch(int alarm, QStringView value) {
    const auto v = parseNumber(value, 9);
    if (!v)
        return refused(u"an alarm switch value is one digit"_s);
    setByte(At::Alarm + alarm - 1, *v);
    return accepted();
}

CommandOutcome TarsisCommands::portByte(int at, QStringView args, int max) {
    const auto v = parseNumber(args, max);
    if (!v)
        return refused(args.isEmpty() ? u"missing value"_s : u"malformed value"_s);
    setByte(at + portIndex(), *v);
    return accepted();
}

CommandOutcome TarsisCommands::portWord(int at, QStringView args, int max) {
    // `at` already points at this port's word.
    return globalWord(at, args, max);
}

CommandOutcome TarsisCommands::globalByte(int at, QStringView args, int max) {
    const auto v = parseNumber(args, max);
    if (!v)
        return refused(args.isEmpty() ? u"missing value"_s : u"malformed value"_s);
    setByte(at, *v);
    return accepted();
}

CommandOutcome TarsisCommands::globalWord(int at, QStringView args, int max) {
    const auto v = parseNumber(args, max);
    if (!v)
        return refused(args.isEmpty() ? u"missing value"_s : u"malformed value"_s);
    setWord(at, *v);
    return accepted();
}

CommandOutcome TarsisCommands::globalText(int at, int size, QStringView args, const char* what) {
    if (args.size() > size - 1)
        return refused(QString::fromLatin1(what) + u" longer than "_s + QString::number(size - 1) +
                       u" characters"_s);
    for (QChar c : args)
        if (!isStorableCharacter(c))
            return refused(QString::fromLatin1(what) + u" holds a character the memory cannot"_s);
    setText(at, size, args, 0);
    return accepted();
}

CommandOutcome TarsisCommands::keepText(const QString& key, QStringView args) {
    keep(key, args.toString());
    return accepted();
}

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
    keep(Key(name, *slot), args.mid(3).toString());
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

CommandOutcome TarsisCommands::recordTrack(QStringView args) {
    const auto track = parseNumber(args, 20);
    if (!track || *track < 1)
        return refused(u"track must be 1 to 20"_s);
    return accepted();
}

// ----------------------------------------------------------------------------------------------

TarsisMemory::TarsisMemory() : m_bytes(Size, '\0') {
    // Factory contents: every setting at the value the controller ships with.
    TarsisCommands w(*this, 1, TarsisCommands::Transport::Serial);
    for (int p = 0; p < 3; ++p) {
        w.setByte(At::GeneralTimerMacro + p, 1);
        w.setByte(At::HangTime + p, 50);
        w.setByte(At::IIDTime + p, 10);
        w.setByte(At::PIDTime + p, 10);
        w.setByte(At::TxEnable + p, 1);
        w.setByte(At::DTMFCovertone + p, 1);
        w.setByte(At::DTMFTime + 2 * p, 7);
        w.setByte(At::Kerchunk + p, 0);
        w.setWord(At::KerchunkTime + 2 * p, 1000);
        w.setByte(At::CTCSSID + p, 0);
        w.setByte(At::CTCSSCT + p, 1);
        w.setByte(At::PLEncodePolarity + p, 0);
        w.setByte(At::DTMFEnable + p, 1);
        w.setByte(At::DTMFNeedPL + p, 0);
        w.setText(At::CurrentPortUnlock + 9 * p, 9, QString(QString::number(p + 1) + u"6470"_s));
        w.setByte(At::SpeechIDOverride + p, 1);
        w.setWord(At::CWTone1 + 2 * p, 500);
        w.setWord(At::CWTone2 + 2 * p, 0);
        w.setByte(At::CWSpeed + p, 20);
        w.setByte(At::PLAccess + p, 0);
        w.setByte(At::MonMix + p, 1);
        w.setWord(At::AuxTime + 2 * p, 50);
        w.setByte(At::InActiveTime + p, 20);
        w.setByte(At::DisableTimeout + p, 0);
        w.setByte(At::SpeechOverride + p, 1);
        w.setByte(At::CTCSSTime + p, 50);
        w.setByte(At::FDup + p, 1);
        w.setWord(At::TimeOut + 2 * p, 180);
        w.setByte(At::DTMFMute + p, 1);
        w.setWord(At::InActivityMacro + 2 * p, 1);
        w.setWord(At::GeneralTimer + 2 * p, 0);
        w.setWord(At::IDSpeakTime + 2 * p, 60);
        w.setByte(At::SpeechEnable + p, 1);
        w.setByte(At::P1MessageNum + p, 1);
        w.setByte(At::P2MessageNum + p, 1);
        w.setByte(At::P3MessageNum + p, 1);
        w.setByte(At::TailMessageNum + p, 0);
        w.setWord(At::AnnounceTime + 2 * p, 0);
        w.setByte(At::TailCounter + p, 0);
        // "T A R S I S" as every identifier.
        const QByteArray cw = QByteArrayLiteral("\x51\x15\x48\x49\x2B\x49");    // 81 21 72 73 43 73
        const QByteArray voice = QByteArrayLiteral("\x31\x1E\x2F\x30\x26\x30"); // 49 30 47 48 38 48
        w.storeCodes(At::CWID1 + CwIdSize * p, CwIdSize, cw, 0);
        w.storeCodes(At::CWID2 + CwIdSize * p, CwIdSize, cw, 0);
        w.setByte(At::CWIDLength + p, 6);
        w.setByte(At::CWIDLength + 3 + p, 6);
        for (int id = 0; id < 3; ++id) {
            w.storeCodes(At::VoiceID1 + 66 * id + VoiceIdSize * p, VoiceIdSize, voice, 0);
            w.setByte(At::VoiceIDLength + 3 * id + p, 6);
        }
        m_kept.insert(Key("RxEnable", p + 1), u"1"_s);
        m_kept.insert(Key("COSClose", p + 1), u"0"_s);
    }
    w.setText(At::DTMFTestPrefix, 6, u"99");
    w.setByte(At::SayHour, 1);
    w.setByte(At::TimeoutLink, 0);
    w.setWord(At::XmtDelay, 1000);
    w.setText(At::MacroSubset, 5, u"0");
    for (int a = 0; a < 5; ++a) {
        w.setByte(At::Alarm + a, 1);
        w.setByte(At::AlarmLowMacroNum + a, 1);
        w.setByte(At::AlarmHighMacroNum + a, 1);
    }
    w.setWord(At::Vref, 500);
    for (int a = 0; a < 10; ++a)
        w.setByte(At::MeterAlarmMacro + a, 1);
    for (int s = 0; s < 20; ++s) {
        w.setByte(At::DOW + s, 0);
        w.setByte(At::Hours + s, 25);
        w.setByte(At::Minutes + s, 0);
        w.setByte(At::MacroToRun + s, 1);
    }
    for (int f = 8; f < 16; ++f) // delays and durations of 250 ms, tones off
        for (int p = 0; p < 3; ++p)
            for (int t = 0; t < 10; ++t)
                w.setWord(At::Courtesy + 20 * (3 * f + p) + 2 * t, 250);
    w.setByte(At::RadioType, 4);
    w.setByte(At::YaesuType, 1);
    w.setByte(At::FanTime, 1);
    w.setByte(At::TwentyFour, 0);
    w.setByte(At::FanSelect, 0);
    w.setByte(At::DTMFDur, 100);
    w.setByte(At::DTMFDelay, 100);
    for (int m = 0; m < 20; ++m)
        w.storeCodes(At::DTMFMemory + DtmfMemorySize * m, DtmfMemorySize, {}, 255);
    for (int m = 0; m < 10; ++m)
        w.setByte(At::RadioMode + m, 4);
    w.setByte(At::EnablePatch, 1);
    w.setByte(At::PatchMute, 1);
    for (int m = 1; m <= 40; ++m)
        w.storeAccessCode(At::MacroCode + CodeSize * (m - 1),
                          QString(u"1090"_s + QString::number(m)));
    for (int m = 41; m <= 90; ++m)
        w.storeAccessCode(At::ShortMacroCode + CodeSize * (m - 41),
                          QString(u"1090"_s + QString::number(m + 9)));
    for (int m = 0; m < 90; ++m)
        w.setByte(At::PortToAllow + m, 123);
    w.setText(At::RemoteBasePrefix, 6, u"B1");
    w.setText(At::Lock, 5, u"#");
    w.setText(At::Terminator, 2, u"D");
    w.setByte(At::SayYear, 1);
    w.setByte(At::DTMFPort, 1);
    w.setByte(At::DTMFSpeech, 0);
    w.setText(At::APPrefix, 6, u"A1");

    m_kept.insert(u"CommandPrefix"_s, u"90417"_s);
    m_kept.insert(u"AnswerCode"_s, u"6817"_s);
    m_kept.insert(u"RingNumber"_s, u"2"_s);
    m_kept.insert(u"APTimeOut"_s, u"120"_s);
    m_kept.insert(u"PreProgramPrefix"_s, u"0"_s);
    m_kept.insert(u"DTMFMuteDigitSelect"_s, u"1"_s);
}

CommandOutcome TarsisMemory::applySerialLine(QStringView line) {
    while (!line.isEmpty() && (line.back() == u'\r' || line.back() == u'\n'))
        line.chop(1);
    if (line.isEmpty())
        return refused(u"empty line"_s);
    const QChar port = line.front();
    if (port < u'1' || port > u'3')
        return refused(u"a line starts with the port digit 1, 2 or 3"_s);
    TarsisCommands commands(*this, port.unicode() - u'0', TarsisCommands::Transport::Serial);
    return commands.run(line.mid(1));
}

CommandOutcome TarsisMemory::applyDtmfBody(int port, QStringView digits) {
    if (port < 1 || port > 3)
        return refused(u"no port unlocked"_s);
    for (QChar c : digits)
        if (!isDtmfCharacter(c))
            return refused(u"not a DTMF digit"_s);
    TarsisCommands commands(*this, port, TarsisCommands::Transport::Dtmf);
    return commands.run(digits);
}

void TarsisMemory::setBytes(const QByteArray& bytes) {
    Q_ASSERT(bytes.size() == Size);
    if (bytes.size() == Size)
        m_bytes = bytes;
}

QStringList TarsisMemory::memoryLines() const {
    QStringList lines;
    lines.reserve(Size);
    for (int i = 0; i < Size; ++i)
        lines << QString::number(i) + u',' +
                     QString::number(static_cast<unsigned char>(m_bytes[i]));
    return lines;
}

QStringList TarsisMemory::ostrikRecords() const {
    QStringList records;
    const auto entries = [&](const char* name, const char* tag, int count) {
        for (int n = 1; n <= count; ++n) {
            const QString number = m_kept.value(Key(name, n));
            if (!number.isEmpty())
                records << QString::fromLatin1(tag) + QString::number(n).rightJustified(3, u'0') +
                               number;
        }
    };
    entries("AutoDial", "RA", 200);
    entries("TollRestrict", "RT", 100);
    records << u"RS"_s + m_kept.value(u"APTimeOut"_s);
    records << u"RR"_s + m_kept.value(u"RingNumber"_s);
    records << u"RIOstrik autopatch"_s;
    records << u"RIComplete"_s;
    return records;
}

bool TarsisMemory::load(const QString& path, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(u"cannot read "_s + path + u": "_s + file.errorString());
    QByteArray bytes(Size, '\0');
    int count = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty())
            continue;
        if (count >= Size)
            return fail(path + u" holds more than 4096 memory lines"_s);
        const qsizetype comma = line.indexOf(',');
        bool ok = false;
        const int value = comma < 0 ? -1 : line.mid(comma + 1).trimmed().toInt(&ok);
        if (!ok || value < 0 || value > 255)
            return fail(path + u": line "_s + QString::number(count + 1) +
                        u" is not \"position,value\""_s);
        bytes[count++] = static_cast<char>(value);
    }
    if (count != Size)
        return fail(path + u" holds "_s + QString::number(count) + u" memory lines, not 4096"_s);
    QMap<QString, QString> kept = m_kept;
    QFile keptFile(path + u".kept"_s);
    if (keptFile.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!keptFile.atEnd()) {
            const QString line = QString::fromUtf8(keptFile.readLine()).trimmed();
            const qsizetype equals = line.indexOf(u'=');
            if (equals > 0)
                kept.insert(line.left(equals), line.mid(equals + 1));
        }
    }
    m_bytes = bytes;
    m_kept = kept;
    return true;
}

bool TarsisMemory::save(const QString& path, QString* error) const {
    const auto write = [&](const QString& target, const QStringList& lines) {
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
            if (error)
                *error = u"cannot write "_s + target + u": "_s + file.errorString();
            return false;
        }
        QTextStream out(&file);
        for (const QString& line : lines)
            out << line << '\n';
        out.flush();
        if (!file.commit()) {
            if (error)
                *error = u"cannot write "_s + target + u": "_s + file.errorString();
            return false;
        }
        return true;
    };
    QStringList kept;
    for (auto it = m_kept.cbegin(); it != m_kept.cend(); ++it)
        kept << it.key() + u'=' + it.value();
    return write(path, memoryLines()) && write(path + u".kept"_s, kept);
}

} // namespace kovo
