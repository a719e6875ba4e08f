#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace kovo {

class Database;

enum class Transport { Serial, Dtmf };

// One programming command, framed for both transports.
//
// Serial: every entry of `serialLines` is one line exactly as written to the port, starting with
// the port digit, without the closing CR (serialFrame adds it). Most commands are one line; a
// remote-base memory is four and the tail-message numbers of a port three, each its own exchange.
//
// DTMF: one transmission unit of `DigitCode`s: the unlock part (the port's unlock code and the
// terminator), the body part (the body digits and the terminator; the remote-base memory has two
// bodies, each with its terminator) and the lock part (the lock code and the terminator). The
// terminator start step has no lock part.
//
// An empty `serialLines` means the command is not sent over the serial link (the port unlock
// codes go out by serial only; the alarm macros likewise); an empty `dtmfBody` means it is not
// sent as DTMF. An item that is skipped as empty ("NONE STORED" message or memory, alarm macro
// "0") has neither.
struct Command {
    QString item; // what it programs, as field or item name with index: "HangTime(2)"
    int port = 1; // the serial port digit and the DTMF unlock port
    QStringList serialLines;
    QStringList dtmfUnlock;
    QStringList dtmfBody;
    QStringList dtmfLock;
    // Words or CW characters of the item's text that the controller cannot take (not in its
    // tables), left out of the command; the upload names each with the item.
    QStringList skipped = {};

    bool sends(Transport transport) const {
        return transport == Transport::Serial ? !serialLines.isEmpty() : !dtmfBody.isEmpty();
    }
};

// One line per word or CW character the command leaves out, naming the item:
// MessageMacro(3): "STAND" is not in the Tarsis's tables and is left out
QStringList skippedReport(const Command& command);

// Every item of the upload. The index of a builder call is given with each item.
enum class CommandItem {
    TerminatorStart, // 0: "*9020" + the terminator to be programmed, without lock part
    Reset,           // 0: "1*21999", serial only
    // Timers; index: port 1-3.
    HangTime,
    TimeOut,
    IIDTime,
    PIDTime,
    InActiveTime,
    InActivityMacro,
    DTMFTime,
    CTCSSTime,
    KerchunkTime,
    IDSpeakTime,
    AnnounceTime,
    AuxTime, // serial "*101" + port, DTMF "*101" + (port + 2)
    GeneralTimer,
    GeneralTimerMacro,
    // Controller-wide timers; index 0.
    FanTime,
    FanSelect,
    XmtDelay,
    TimeoutLink,
    Courtesy, // index: Database::courtesyIndex(port, segment, tone)
    // Identification; index: port.
    VoiceID1,
    VoiceID2,
    VoiceID3,
    CWID1,
    CWID2,
    CWSpeed,
    CWTones,   // CWTone1, and CWTone2 when it is not 0
    ID1Extras, // serial "*8007" + 1..3, DTMF "*8007" + port, port + 3, port + 6
    ID2Extras,
    ID3Extras,
    SpeechEnable,
    // Scheduler.
    SetPoint, // index 1-20; no DTMF command when its DOW is 10
    SayYear,
    TwentyFour,
    SayHour,
    ClockCorrection,
    // Analog meters.
    Meter, // index 1-8
    Vref,
    MeterAlarm,       // index 1-8: "*2066"
    MeterAlarmEnable, // index 1-8: "1600" + n + enabled
    // Remote base.
    RadioType,
    YaesuType, // DTMF: above 2 sent as 2
    RemoteBasePrefix,
    RemoteMemory, // index 1-10
    // Macros; index: the controller's macro number, 1-40 for macro(n), 41-90 for ShortMacro(n-40).
    Macro,       // "NONE STORED": erase "*4003", otherwise store "*4002"
    MacroCode,   // "*2050"
    PortToAllow, // index 1-90
    // Alarm macros (serial only; macro "0" is not sent); index 1-5.
    AlarmLowMacroNum,
    AlarmHighMacroNum,
    MessageMacro, // index 1-40; nothing when "NONE STORED"
    DTMFMemory,   // index 1-20; nothing when "NONE STORED"
    DTMFDur,
    DTMFDelay,
    // Codes and prefixes.
    PortUnlock, // index: port; serial only
    Lock,       // "*9010" + the lock code (the working copy, the new one)
    Terminator, // "*9020" + the terminator (the working copy, the new one), with lock part
    CommandPrefix,
    DTMFPort,
    DTMFSpeech,
    APPrefix,
    AnswerCode,
    // Autopatch.
    AutoDial,     // index 1-200
    TollRestrict, // index 1-100
    RingNumber,
    APTimeOut,
    EnablePatch,
    PatchMute,
    DTMFTestPrefix,
    PreAccessPrefix,
    PreProgramPrefix,
    MacroSubset,
    MacroSubsetEnable,
    DTMFMuteDigitSelect,
    // port switches; index: port.
    TxEnable,
    RxEnable,
    FDup,
    PLAccess,
    DTMFEnable,
    DTMFNeedPL,
    DTMFMute,
    DTMFCovertone,
    MonMix,
    Kerchunk,
    SpeechOverride,
    SpeechIDOverride,
    COSClose,
    CTCSSCT,
    CTCSSID,
    TailMessageNum,
    // "*2110", the message numbers of port p. Serial: one line per message position k = 1-3,
    // p + "*2110" + k + PkMessageNum(p) ("2*2110245"). DTMF: one body, "*2110" +
    // TailMessageNum(p) + P1MessageNum(p) + P2MessageNum(p) + P3MessageNum(p), values as stored.
    PortMessageNums,
    TailCounter,
    PLEncodePolarity,
    Alarm, // index 1-5
    AllowTerminatorSpeech,
};

// The command of one item from the database as it is now. Lock and terminator framing use the
// stored copies (the codes the controller answers to); the Lock and Terminator items program the
// working copies, the new codes.
Command buildCommand(const Database& db, CommandItem item, int index = 0);

// The line with its closing CR, as the serial link writes it.
QString serialFrame(const QString& line);

// A command of the editors' own (erase all macros, clock set, code changes): `serialBody` after
// the port digit, `dtmfBody` as digit codes, the terminator appended, unlock and lock parts of
// `port` added.
Command frameCommand(const Database& db, const QString& item, int port, const QString& serialBody,
                     const QStringList& dtmfBody);

// Value encodings for DTMF.
// Plain: the trimmed text, each character one DigitCode; characters outside 0-9 * # A-D skipped.
QStringList plainDigitCodes(QStringView text);
// Code mapping: "A" 13, "B" 14, "C" 15, "*" 11, "D" the terminator, any other character its
// numeric value ("0"-"9" unchanged, everything else "0").
QStringList codeDigitCodes(QStringView text, const QString& terminator);
// Unlock mapping: "A"-"D" 13-16, any other character its numeric value.
QStringList unlockDigitCodes(QStringView text);
// The number with leading zeros to `width` digits ("07", "007"); wider numbers unchanged.
QString itemNumber(int number, int width);

// The unlock part of `port` (its unlock code by the unlock mapping, then the terminator) and the
// lock part (the lock code and the terminator, each given whole as one DigitCode).
QStringList unlockPart(const Database& db, int port);
QStringList lockPart(const Database& db);

// The keypad characters of digit codes ("11" -> "*"); codes that are no digit give nothing.
QString digitCodesText(const QStringList& codes);

} // namespace kovo
