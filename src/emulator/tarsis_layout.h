#pragma once

// Where the emulated controller keeps each setting in its 4096-byte memory, and the small
// parsing helpers its command interpreter shares across files.

#include "emulator/tarsis_memory.h"

#include <QString>
#include <QStringView>
#include <algorithm>
#include <array>
#include <optional>

namespace kovo::tarsis {

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

inline bool isCwCode(int code) {
    return std::find(CwCodes.begin(), CwCodes.end(), code) != CwCodes.end();
}

// The word the meter type is stored as (type 0, "None", is stored as 0).
constexpr std::array<int, 7> MeterTypeWords = {0, 224, 62, 227, 101, 150, 176};

inline CommandOutcome accepted() {
    return {true, {}};
}

inline CommandOutcome refused(const QString& reason) {
    return {false, reason};
}

// A decimal number made of digits only, at most `max`.
inline std::optional<int> parseNumber(QStringView text, int max) {
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

inline bool isDtmfCharacter(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'*' || c == u'#' || (c >= u'A' && c <= u'D');
}

// A character that the memory can hold as one byte of a text (not the end mark 0, not 255).
inline bool isStorableCharacter(QChar c) {
    return c.unicode() > 0 && c.unicode() < 255;
}

// nibble values of the packed access codes; "D" has none.
inline int nibbleOf(QChar c) {
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

inline QString indexedKey(const char* name, int index) {
    return QString::fromLatin1(name) + u'(' + QString::number(index) + u')';
}

} // namespace kovo::tarsis
