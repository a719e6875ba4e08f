#include "cli_runner.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "emulator/tarsis_emulator.h"
#include "link/change_marker.h"
#include "link/command_set.h"
#include "link/digit_sink.h"
#include "link/emulator_channel.h"
#include "link/line_sink.h"
#include "link/link_flags.h"
#include "link/pty_emulator.h"
#include "link/recording_operator.h"
#include "link/serial_link.h"
#include "link/upload.h"
#include "round_trip_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

const QString CompleteMessage = u"Complete Upload Is Complete. The Tarsis will now reset."_s;

// A serial link that records every line and answers as scripted: by default "+", and on the
// scripted command the link's reaction to "-" (or to the error limit, or an interrupt).
class FakeLines : public LineSink {
public:
    bool open() override { return openSucceeds; }
    void close() override { ++closes; }
    void sendCommand(const QString& line) override {
        commands << line;
        if (onCommand)
            onCommand(static_cast<int>(commands.size()));
    }
    void writeLine(const QString& line) override { written << line; }
    void setLockCode(const QString& lock) override { lockCode = lock; }

    bool openSucceeds = true;
    int closes = 0;
    QStringList commands;
    QStringList written;
    QString lockCode;
    // Called after command `number` (1-based) has been written.
    std::function<void(int number)> onCommand;
};

class FakeDigits : public DigitSink {
public:
    void sendDigit(const QString& code) override { digits << code; }
    bool key(bool on) override {
        events << (on ? u"key"_s : u"unkey"_s);
        return true;
    }
    QStringList digits;
    QStringList events;
};

// A database, the person and both transports, with an upload over either.
struct Rig {
    Database db;
    LinkFlags flags;
    RecordingOperator person;
    FakeLines lines;
    FakeDigits digits;
    Upload over(bool serial) {
        return serial ? Upload(db, flags, person, lines) : Upload(db, flags, person, digits);
    }
};
class SingleUpload : public testing::Test, public Rig {};

TEST_F(SingleUpload, CompleteSerialUploadSendsEverythingInOrder) {
    db.setAllPending(true);
    const UploadResult result = over(true).sendCompleteData();

    EXPECT_EQ(result.outcome, UploadOutcome::Completed);
    EXPECT_EQ(lines.commands.size(), 962);
    EXPECT_EQ(result.commandsSent, 963); // and the reset line
    EXPECT_EQ(lines.commands.mid(0, 2), (QStringList{u"1*9020D\r"_s, u"1*100050\r"_s}));
    EXPECT_EQ(lines.commands.last(), u"1*400390\r"_s);
    EXPECT_EQ(lines.written, QStringList{u"1*21999\r"_s});
    for (const QString& line : lines.commands)
        ASSERT_TRUE(line.endsWith(u'\r') && line.count(u'\r') == 1) << line.toStdString();

    EXPECT_EQ(person.highestProgress(), 722);
    EXPECT_EQ(person.lastMaximum(), Upload::ProgressMaximum);
    const auto reports = person.progressReports();
    EXPECT_EQ(reports.last().value, 722); // never back down after the end
    EXPECT_EQ(reports.last().label, u"100% Complete"_s);
    EXPECT_EQ(reports.at(3).label, u"0% Complete"_s); // 3 of 724
    EXPECT_EQ(reports.at(4).label, u"1% Complete"_s); // 4 of 724
    EXPECT_EQ(person.messageTexts(), QStringList{CompleteMessage});
    // Everything was sent; meter alarms 9 and 10, which have no command, lose their flags too.
    EXPECT_EQ(db.pendingNames(), QStringList{});
    EXPECT_EQ(lines.lockCode, u"#"_s);
}

TEST_F(SingleUpload, CompleteDtmfUploadLeavesSerialOnlyItemsPending) {
    db.setAllPending(true);
    db.setValue(u"DOW", 4, u"10"_s); // a set point of day 10 is skipped
    const UploadResult result = over(false).sendCompleteData();
    EXPECT_EQ(result.outcome, UploadOutcome::Completed);
    EXPECT_EQ(result.commandsSent, 911);
    EXPECT_EQ(digits.events, (QStringList{u"key"_s, u"unkey"_s}));
    EXPECT_EQ(digits.digits.mid(0, 13).join(QString()), u"16470D*9020DD"_s);
    EXPECT_EQ(digits.digits.mid(13, 16).join(QString()), u"16470D*100050D#D"_s);
    EXPECT_EQ(person.highestProgress(), 722);
    EXPECT_EQ(person.messageTexts(), QStringList{CompleteMessage});
    QStringList serialOnly;
    for (const char* flag : {"AlarmLowMacroNumPending", "AlarmHighMacroNumPending"})
        for (int n = 1; n <= 5; ++n)
            serialOnly << u"%1(%2)"_s.arg(QLatin1String(flag)).arg(n);
    for (int p = 1; p <= 3; ++p)
        serialOnly << u"CurrentPortUnlockPending(%1)"_s.arg(p);
    EXPECT_EQ(db.pendingNames(), serialOnly + QStringList{u"LockPending"_s});
}

TEST(UploadTest, RefusalOrErrorLimitStopsAndKeepsLaterFlags) {
    const std::tuple<const char*, bool, bool> cases[] = {
        {"refused, complete", true, false},
        {"refused, changes only", false, false},
        {"error limit", true, true},
    };
    for (const auto& [name, complete, errorLimit] : cases) {
        SCOPED_TRACE(name);
        Rig r;
        auto& [db, flags, person, lines, digits] = r;
        db.setAllPending(true);
        const qsizetype allFlags = db.pendingNames().size();
        // Complete: the terminator, 14 commands of port 1, then port 2's *1000, *1001, *1002.
        const int refused = 1 + 14 + 3 - (complete ? 0 : 1);
        lines.onCommand = [&](int number) {
            if (number == refused) {
                flags.updateAborted = true;
                flags.updateInterrupted = errorLimit; // what the link does at its error limit
            }
        };
        Upload upload = r.over(true);
        const UploadResult result = complete ? upload.sendCompleteData() : upload.sendChangesOnly();

        EXPECT_EQ(result.outcome, UploadOutcome::Aborted);
        EXPECT_EQ(lines.commands.size(), refused);
        EXPECT_EQ(lines.commands.last(), u"2*100210\r"_s);
        EXPECT_FALSE(flags.updateAborted);
        EXPECT_TRUE(lines.written.isEmpty());
        EXPECT_TRUE(person.messageTexts().isEmpty());
        EXPECT_FALSE(db.pending(u"GeneralTimerPending", 1));
        EXPECT_FALSE(db.pending(u"TimeOutPending", 2));
        EXPECT_TRUE(db.pending(u"IIDTimePending", 2));
        EXPECT_TRUE(db.pending(u"PIDTimePending", 2));
        EXPECT_TRUE(db.pending(u"HangTimePending", 3));
        EXPECT_TRUE(db.pending(u"ShortMacroPending", 50));
        // Cleared: the terminator (complete only), port 1's twelve timers and general timer,
        // port 2's first two timers.
        EXPECT_EQ(db.pendingNames().size(), allFlags - (complete ? 1 : 0) - 13 - 2);
    }
}

// Over the air an interrupted upload locks the controller and unkeys.
TEST_F(SingleUpload, InterruptEndsAfterTheCurrentCommand) {
    setPending(db, u"HangTimePending(1);RemoteMemoriesPending;AutoDialPending(3)"_s);
    // The interrupt comes during the second line of the first remote-base memory.
    lines.onCommand = [this](int number) { flags.updateInterrupted = number == 3; };
    EXPECT_EQ(over(true).sendChangesOnly().outcome, UploadOutcome::Interrupted);
    EXPECT_EQ(lines.commands.size(), 3);
    EXPECT_EQ(lines.closes, 1);
    EXPECT_FALSE(db.pending(u"HangTimePending", 1));
    EXPECT_TRUE(db.pending(u"RemoteMemoriesPending")); // the memories were cut short
    EXPECT_TRUE(db.pending(u"AutoDialPending", 3));
    EXPECT_TRUE(person.messageTexts().isEmpty());

    db = Database();
    setPending(db, u"FanTimePending;XmtDelayPending"_s);
    person.setInterrupted(true);
    EXPECT_EQ(over(false).sendChangesOnly().outcome, UploadOutcome::Interrupted);
    EXPECT_EQ(digits.digits.join(QString()), u"16470D*10041D#D"_s);
    EXPECT_EQ(digits.events, (QStringList{u"key"_s, u"unkey"_s}));
    EXPECT_FALSE(db.pending(u"FanTimePending"));
    EXPECT_TRUE(db.pending(u"XmtDelayPending"));
}

// Each flag sends its item's lines once and is cleared; "|" between lines.
TEST(UploadTest, ChangesOnlySendsEachPendingItemOnce) {
    const std::tuple<const char*, const char*> cases[] = {
        {"HangTimePending(2)", "2*100050"},
        {"GeneralTimerPending(3)", "1*101730|1*209231"}, // the timer with its macro
        {"CWTone2Pending(1)", "1*80010500"},             // CW tones by either flag
        {"RadioTypePending", "1*20834|1*20841"},         // with the Yaesu type
        {"MeterAlarmPending(2)", "1*20662*0*0*0*01*|1160020"},
        {"MeterAlarmPending(9);MeterAlarmPending(10)", ""}, // no command: the flags only clear
        {"MeterPending(9)", "1*2065500"},                   // the reference voltage
        {"UserDTMFPending", "1*210490417|1*21171|1*21180"},
        {"CourtesyPending(64)", "2*3304250*250*0*0*"}, // port 2, segment 3, tone 4
        {"MessageMacroPending(5)", ""},                // an empty message is not sent
        {"ShortMacroCodePending(2);ShortMacroPending(2)", "1*205042109051|1*400342"},
        {"PortMessageNumPending(1)", "1*211011|1*211021|1*211031"},
    };
    for (const auto& [flags, lines] : cases) {
        SCOPED_TRACE(flags);
        Rig r;
        setPending(r.db, QString::fromLatin1(flags));
        EXPECT_EQ(r.over(true).sendChangesOnly().outcome, UploadOutcome::Completed);
        QStringList expected = QString::fromLatin1(lines).split(u'|', Qt::SkipEmptyParts);
        for (QString& line : expected)
            line += u'\r';
        EXPECT_EQ(r.lines.commands, expected);
        EXPECT_FALSE(r.db.anyPending()) << r.db.pendingNames().join(u", "_s).toStdString();
    }
}

TEST_F(SingleUpload, NewLockAndTerminatorFrameTheCommandsThatFollow) {
    db = configured("Lock=*;Terminator=C");
    setPending(db, u"LockPending;TerminatorPending;RingNumberPending"_s);
    EXPECT_EQ(over(false).sendChangesOnly().outcome, UploadOutcome::Completed);
    EXPECT_EQ(digits.digits.join(u' '),
              QStringList({u"1 6 4 7 0 D * 9 0 1 0 11 D * D"_s, // new lock, locked with it
                           u"1 6 4 7 0 D * 9 0 2 0 15 D * C"_s, // new terminator
                           u"1 6 4 7 0 C * 1 0 2 5 2 C * C"_s}) // framed with the new codes
                  .join(u' '));
    EXPECT_EQ(db.storedLock(), u"*"_s);
    EXPECT_EQ(db.storedTerminator(), u"C"_s);
    EXPECT_FALSE(db.anyPending());

    db = configured("Lock=*");
    db.setPending(u"LockPending");
    over(true).sendChangesOnly();
    EXPECT_EQ(lines.commands, QStringList{u"1*9010*\r"_s});
    EXPECT_EQ(lines.lockCode, u"*"_s); // the error-limit path locks with the new code
}

// A command whose answer was lost or garbled keeps its flag and is named; the upload goes on.
TEST(UploadTest, EmulatedControllerAcceptsACompleteUpload) {
    // Exchange 18 is port 2's IID timer.
    const QList<std::tuple<const char*, UploadOutcome, int, QStringList>> cases = {
        {"", UploadOutcome::Completed, 0, {}},
        {"nak:18", UploadOutcome::Aborted, 18, {}},
        {"silence:1@18", UploadOutcome::Completed, 0, {u"IIDTime(2)"_s}},
        {"garbage:1@18", UploadOutcome::Completed, 0, {u"IIDTime(2)"_s}},
    };
    for (const auto& [faults, outcome, received, unconfirmed] : cases) {
        SCOPED_TRACE(faults);
        auto emulator =
            std::make_shared<TarsisEmulator>(*EmulatorFaults::parse(QString::fromLatin1(faults)));
        // A value of every awkward kind.
        Database db =
            configured("MessageMacro(3)=HELLO T A;DTMF(2)=1 2 A #;Macro(4)=001 002;"
                       "ShortMacro(5)=123;Monthly(5)=1;Week(5)=2;Hours(5)=0A;"
                       "AlarmLowMacroNum(2)=0;YaesuType=4;FreqString(3)=146520;"
                       "AutoDial(200)=5551212;TollRestrict(1)=900;CWTone2(2)=1200;"
                       "TailMessageNum(2)=2;P3MessageNum(2)=45;CurrentPortUnlock(3)=3A47");
        db.setMeterAlarmOn(4, true);
        db.setAllPending(true);
        RecordingOperator person;
        LinkFlags flags;
        const SerialLink::Settings settings{.comPort = u"Built-in Tarsis emulator"_s,
                                            .answerTimeoutMs = 200};
        SerialLink link(std::make_unique<EmulatorChannel>(settings.comPort, emulator), person,
                        flags, settings);
        SerialLinkLineSink lines(link);
        Upload upload(db, flags, person, lines);
        QStringList observed;
        upload.setCommandObserver([&](const Command& command) { observed += command.serialLines; });
        const UploadResult result = upload.sendCompleteData();

        EXPECT_EQ(result.outcome, outcome);
        EXPECT_EQ(result.unconfirmed, unconfirmed);
        EXPECT_EQ(emulator->receivedLines(), observed);
        EXPECT_FALSE(db.pending(u"TimeOutPending", 2));
        EXPECT_EQ(db.pending(u"IIDTimePending", 2),
                  outcome == UploadOutcome::Aborted || !unconfirmed.isEmpty());
        if (outcome == UploadOutcome::Aborted) {
            EXPECT_EQ(emulator->receivedLines().size(), received);
            EXPECT_EQ(emulator->acceptedLines().size(), received - 1);
            EXPECT_TRUE(db.pending(u"PIDTimePending", 2));
        } else if (unconfirmed.isEmpty()) {
            EXPECT_EQ(emulator->acceptedLines(), observed);
            EXPECT_EQ(person.messageTexts(), QStringList{CompleteMessage});
        } else {
            EXPECT_FALSE(db.pending(u"PIDTimePending", 2));
            EXPECT_EQ(person.messageTexts().value(person.messageTexts().size() - 1),
                      CompleteMessage +
                          u"\n\n1 command(s) got no answer from the Tarsis and may not have been "
                          u"applied: IIDTime(2). They are still marked as changed, so Update "
                          u"Changes Only sends them again."_s);
        }
    }
}

// Nothing pending, or no port: nothing is sent. A value that cannot be sent stops a complete
// upload before anything goes out, but not a changes-only upload that does not carry it.
TEST(UploadTest, NothingPendingNoPortOrUnsendableValuesSendNothing) {
    for (const bool serial : {true, false}) {
        SCOPED_TRACE(serial ? "serial" : "dtmf");
        Rig r;
        auto& [db, flags, person, lines, digits] = r;
        flags.updateAborted = true; // left over from an earlier run
        const UploadResult nothing = r.over(serial).sendChangesOnly();
        EXPECT_EQ(nothing.outcome, UploadOutcome::Completed);
        EXPECT_EQ(nothing.commandsSent, 0);
        EXPECT_TRUE(digits.digits.isEmpty());
        EXPECT_EQ(person.messageTexts(), QStringList{u"Update Complete"_s});
        EXPECT_TRUE(person.progressReports().isEmpty());

        db = configured("HangTime(2)=xyz!@#;TimeOut(1)=-5;IIDTime(3)=1e3");
        db.setAllPending(true);
        digits.events.clear();
        Upload upload = r.over(serial);
        const UploadResult result = upload.sendCompleteData();
        EXPECT_EQ(result.outcome, UploadOutcome::NotStarted);
        EXPECT_EQ(result.unsendable,
                  QStringList({u"TimeOut(1) = \"-5\""_s, u"HangTime(2) = \"xyz!@#\""_s,
                               u"IIDTime(3) = \"1e3\""_s}));
        EXPECT_TRUE(lines.commands.isEmpty());
        EXPECT_TRUE(lines.written.isEmpty());
        EXPECT_TRUE(digits.events.isEmpty());
        ASSERT_EQ(person.messages().size(), 2);
        EXPECT_TRUE(person.messages()[1].text.contains(u"HangTime(2) = \"xyz!@#\""_s));
        EXPECT_EQ(person.messages()[1].title, u"Error!"_s);
        EXPECT_TRUE(db.pending(u"HangTimePending", 1));

        db.setAllPending(false);
        db.setPending(u"HangTimePending", 1);
        EXPECT_EQ(upload.sendChangesOnly().outcome, UploadOutcome::Completed);
        EXPECT_FALSE(db.pending(u"HangTimePending", 1));
    }
    Rig r;
    r.db.setAllPending(true);
    r.lines.openSucceeds = false;
    EXPECT_EQ(r.over(true).sendCompleteData().outcome, UploadOutcome::NotStarted);
    EXPECT_TRUE(r.lines.commands.isEmpty());
    EXPECT_TRUE(r.db.pending(u"HangTimePending", 1));
}

TEST(UploadTest, CliUploadSaysWhatHappened) {
    QTemporaryDir dir;
    const QString sample = QStringLiteral(KOVO_EXAMPLES_DIR "/sample.dat");
    const QString empty = dir.filePath(u"empty.dat"_s);
    QFile(empty).open(QIODevice::WriteOnly);
    Database bad;
    ErrorLog log;
    ASSERT_TRUE(readDatabase(bad, sample, log).fileReadable);
    bad.setValue("HangTime", 2, u"xyz!@#"_s);
    bad.setValue("TimeOut", 3, u"1e3"_s);
    const QString badPath = dir.filePath(u"bad.dat"_s);
    ASSERT_TRUE(saveWholeDatabase(bad, badPath).ok);
    bad.setValue("HangTime", 2, u"40"_s);
    bad.setValue("TimeOut", 3, u"120"_s);
    bad.setValue("MessageMacro", 3, u"PLEASE STAND BY"_s);
    const QString wordsPath = dir.filePath(u"words.dat"_s);
    ASSERT_TRUE(saveWholeDatabase(bad, wordsPath).ok);
    const std::tuple<QStringList, const char*, int, QStringList, bool> cases[] = {
        {{sample}, "silence:1@3", 3, {u"1 never confirmed: TimeOut(1)"_s}, true},
        {{empty}, "", 1, {u"is not a configuration"_s}, false},
        {{empty, u"--accept-defaults"_s}, "", 0, {}, true},
        {{badPath}, "", 1, {u"HangTime(2) = \"xyz!@#\""_s, u"TimeOut(3) = \"1e3\""_s}, false},
        // A word it cannot take is named before anything goes out, and counted at the end.
        {{wordsPath, u"--since"_s, sample},
         "",
         0,
         {u"Words Left Out: MessageMacro(3): \"STAND\" is not in the Tarsis's tables and is left "
          u"out\n"_s,
          u"3 command(s) sent, 1 word(s) or CW character(s) left out"_s},
         true},
    };
    for (const auto& [arguments, faults, exitCode, told, sent] : cases) {
        SCOPED_TRACE(faults + arguments.join(u' ').toStdString());
        test::PtyEmulator emulator(*EmulatorFaults::parse(QLatin1String(faults)));
        const test::CliRun run =
            test::runCli(QStringList{u"upload"_s} + arguments +
                             QStringList{u"--port"_s, emulator.port(), u"--timeout"_s, u"300"_s},
                         dir.path());
        EXPECT_EQ(run.exitCode, exitCode) << run.err.toStdString();
        for (const QString& text : told)
            EXPECT_TRUE(run.err.contains(text)) << run.err.toStdString();
        EXPECT_EQ(emulator.emulator().exchangeCount() > 0, sent);
    }
}

TEST(ChangeMarkerTest, DifferingValuesSetTheirFlags) {
    const std::pair<const char*, const char*> cases[] = {
        {"HangTime(2)=30", "HangTimePending(2)"},
        {"GeneralTimerMacro(3)=9", "GeneralTimerPending(3)"},
        {"P2Tone5(4)=800", "CourtesyPending(64)"}, // port 2, segment 3, tone 4
        {"P3Delay1(10)=1", "CourtesyPending(90)"},
        {"Hours(7)=0A", "SetPointPending(7)"},
        {"Vref=600", "MeterPending(9)"},
        {"MeterAlarmType(4)=2", "MeterAlarmPending(4)"},
        {"YaesuType=3", "RadioTypePending"},
        {"CTCSSMode(9)=2", "RemoteMemoriesPending"},
        {"DTMFSpeech=5", "UserDTMFPending"},
        {"P3MessageNum(2)=45", "PortMessageNumPending(2)"},
        {"ShortMacro(50)=123", "ShortMacroPending(50)"},
        {"CurrentPortUnlock(3)=999", "CurrentPortUnlockPending(3)"},
        {"DisableTimeout(1)=1", ""},
        {"DateFormat=True", ""},
    };
    for (const auto& [values, flags] : cases) {
        SCOPED_TRACE(values);
        Database db = configured(values);
        markChangedSince(db, Database());
        EXPECT_EQ(db.pendingNames().join(u';'), QLatin1String(flags));
    }

    Database db = configured("Lock=*");
    db.setStoredLock(u"*"_s);
    db.setMeterAlarmOn(6, true);
    markChangedSince(db, Database());
    EXPECT_EQ(db.pendingNames(), (QStringList{u"MeterAlarmPending(6)"_s, u"LockPending"_s}));
    EXPECT_EQ(db.storedLock(), u"#"_s); // the controller still answers to the old lock code
}

// The DTMF unit as kovo-cli prints it: unlock, body and lock parts as keypad characters.
QString dtmfText(const Command& c) {
    if (c.dtmfBody.isEmpty())
        return {};
    QString text = digitCodesText(c.dtmfUnlock) + u' ' + digitCodesText(c.dtmfBody);
    if (!c.dtmfLock.isEmpty())
        text += u' ' + digitCodesText(c.dtmfLock);
    return text;
}

// Each item's serial lines ("|" between lines) and its DTMF unit (empty: not sent that way).
TEST(CommandSetTest, BodiesAndFramingForBothTransports) {
    using I = CommandItem;
    const std::tuple<const char*, CommandItem, int, const char*, const char*> cases[] = {
        {"HangTime(2)=500", I::HangTime, 2, "2*1000500", "26470D *1000500D #D"},
        {"TimeOut(1)= 90 ", I::TimeOut, 1, "1*100190", "16470D *100190D #D"},
        // Outside the DTMF set: serial unchanged; a plain value skips it, a code gives 0.
        {"HangTime(3)=5x0", I::HangTime, 3, "3*10005x0", "36470D *100050D #D"},
        {"APPrefix=AE#", I::APPrefix, 0, "1*2061AE#", "16470D *2061A00D #D"},
        {"", I::APPrefix, 0, "1*2061A1", "16470D *2061A1D #D"},
        {"AuxTime(3)=75", I::AuxTime, 3, "3*101375", "36470D *101575D #D"},
        {"GeneralTimer(2)=300", I::GeneralTimer, 2, "1*10172300", "16470D *10172300D #D"},
        {"GeneralTimerMacro(3)=45", I::GeneralTimerMacro, 3, "1*2092345", "16470D *2092345D #D"},
        {"P3Delay4(10)=100;P3Dur4(10)=200;P3Tone7(10)=300;P3Tone8(10)=400", I::Courtesy, 120,
         "3*3410100*200*300*400*", "36470D *3410100*200*300*400*D #D"},
        {"P1Delay2(3)=11;P1Dur2(3)=22;P1Tone3(3)=33;P1Tone4(3)=44", I::Courtesy, 13,
         "1*320311*22*33*44*", "16470D *320311*22*33*44*D #D"},
        {"VoiceID1(2)=T A HELLO", I::VoiceID1, 2, "2*8004049030124", "26470D *8004049030124D #D"},
        {"VoiceID3(1)=T  NOSUCHWORD A", I::VoiceID3, 1, "1*8006049030", "16470D *8006049030D #D"},
        {"CWID2(3)=T A 5", I::CWID2, 3, "3*8003812105", "36470D *8003812105D #D"},
        {"CWTone1(1)=0800;CWTone2(1)=0000", I::CWTones, 1, "1*80010800", "16470D *80010800D #D"},
        {"CWTone1(2)=0800;CWTone2(2)=1200", I::CWTones, 2, "2*800108001200",
         "26470D *800108001200D #D"},
        // A downloaded tone 1 is padded to four digits before tone 2.
        {"CWTone1(3)=500;CWTone2(3)=1200", I::CWTones, 3, "3*800105001200",
         "36470D *800105001200D #D"},
        {"ID2Extras(2)=7", I::ID2Extras, 2, "2*800727", "26470D *800757D #D"},
        {"ID3Extras(3)=11", I::ID3Extras, 3, "3*8007311", "36470D *8007911D #D"},
        {"", I::ID1Extras, 1, "1*800710", "16470D *800710D #D"},
        {"Monthly(3)=1;Week(3)=2;DOW(3)=5;Hours(3)=0A;Minutes(3)=30;MacroToRun(3)=12", I::SetPoint,
         3, "1*400103250A3012", "16470D *400103250A3012D #D"},
        {"Week(12)=4;DOW(12)=3", I::SetPoint, 12, "1*4001123250001", "16470D *4001123250001D #D"},
        {"DOW(20)=10", I::SetPoint, 20, "1*40012010250001", ""},
        {"RealHigh(4)=99", I::Meter, 4, "1*20644*0*0*0*99*0*", "16470D *20644*0*0*0*99*0*D #D"},
        {"MeterNum(2)=3;MeterAlarmType(2)=2;MeterSetPoint(2)=120;MeterMacro(2)=7", I::MeterAlarm, 2,
         "1*20662*3*2*120*7*", "16470D *20662*3*2*120*7*D #D"},
        {"", I::MeterAlarmEnable, 8, "1160080", "16470D 160080D #D"},
        {"YaesuType=4", I::YaesuType, 0, "1*20844", "16470D *20842D #D"},
        {"RemoteBasePrefix=B1;FreqString(2)=1462;CTCSS(2)=12;CTCSSMode(2)=1;RadioMode(2)=3",
         I::RemoteMemory, 2, "1**B111462|1**B12121|1**B133|1*20862", "16470D B111462D*20862D #D"},
        {"FreqString(4)=NONE STORED;CTCSS(4)=0;CTCSSMode(4)=0", I::RemoteMemory, 4,
         "1**B11|1**B1200|1**B134|1*20864", "16470D B11D*20864D #D"},
        {"Macro(5)=001 002 003", I::Macro, 5, "1*400205001002003", "16470D *400205001002003D #D"},
        {"", I::Macro, 7, "1*400307", "16470D *400307D #D"},
        {"ShortMacro(1)=12 3", I::Macro, 41, "1*400241123", "16470D *400241123D #D"},
        {"", I::Macro, 90, "1*400390", "16470D *400390D #D"},
        {"MacroCode(9)=B*7", I::MacroCode, 9, "1*205009B*7", "16470D *205009B*7D #D"},
        {"", I::MacroCode, 41, "1*205041109050", "16470D *205041109050D #D"},
        {"PortToAllow(90)=13", I::PortToAllow, 90, "1*40059013", "16470D *40059013D #D"},
        {"AlarmLowMacroNum(2)=15", I::AlarmLowMacroNum, 2, "1*2101215", ""},
        {"AlarmHighMacroNum(5)=0", I::AlarmHighMacroNum, 5, "", ""},
        {"MessageMacro(4)=HELLO T", I::MessageMacro, 4, "1*210304124049",
         "16470D *210304124049D #D"},
        {"", I::MessageMacro, 40, "", ""},
        {"DTMF(3)=1 2 A # D", I::DTMFMemory, 3, "1*21050312A#D", "16470D *21050312A0DD #D"},
        {"", I::DTMFMemory, 20, "", ""},
        {"", I::DTMFDur, 0, "1*2106100", "16470D *2106100D #D"},
        {"", I::PortUnlock, 2, "2*900026470", ""},
        {"AutoDial(7)=5551212", I::AutoDial, 7, "1*21150075551212", "16470D *21150075551212D #D"},
        {"AutoDial(120)=911", I::AutoDial, 120, "1*2115120911", "16470D *2115120911D #D"},
        {"", I::TollRestrict, 100, "1*2062100", "16470D *2062100D #D"},
        {"", I::PatchMute, 0, "12701", "16470D 2701D #D"},
        {"MacroSubset=4050", I::MacroSubset, 0, "1*40094050", "16470D *40094050D #D"},
        {"", I::MacroSubsetEnable, 0, "12800", "16470D 2800D #D"},
        {"", I::TxEnable, 1, "11111", "16470D 1111D #D"},
        {"PLAccess(3)=2", I::PLAccess, 3, "33122", "36470D 3122D #D"},
        {"COSClose(2)=1", I::COSClose, 2, "2221", "26470D 2221D #D"},
        {"TailMessageNum(2)=2;P1MessageNum(2)=5;P2MessageNum(2)=45;P3MessageNum(2)=7",
         I::PortMessageNums, 2, "2*211015|2*2110245|2*211037", "26470D *211025457D #D"},
        {"Alarm(3)=0", I::Alarm, 3, "13910", "16470D 1930D #D"},
        {"", I::TerminatorStart, 0, "1*9020D", "16470D *9020DD"},
        // A new terminator is framed by the old one and locked with the new.
        {"Terminator=C", I::Terminator, 0, "1*9020C", "16470D *9020CD #C"},
        {"Lock=*", I::Lock, 0, "1*9010*", "16470D *9010*D *D"},
        // Unlock codes: A-D as 13-16, anything else by its numeric value.
        {"CurrentPortUnlock(1)=A*#9D", I::FanTime, 0, "1*10041", "A009DD *10041D #D"},
        {"", I::Reset, 0, "1*21999", ""},
    };
    for (const auto& [setup, item, index, serial, dtmf] : cases) {
        SCOPED_TRACE(setup + std::string(" / ") + serial);
        const Database db = configured(setup);
        const Command command = buildCommand(db, item, index);
        EXPECT_EQ(command.serialLines, QString::fromLatin1(serial).split(u'|', Qt::SkipEmptyParts));
        EXPECT_EQ(dtmfText(command), QLatin1String(dtmf));
        EXPECT_EQ(command.sends(Transport::Dtmf), *dtmf != '\0');
    }
    Database db;
    db.setMeterAlarmOn(3, true);
    EXPECT_EQ(buildCommand(db, CommandItem::MeterAlarmEnable, 3).serialLines,
              QStringList{u"1160031"_s});
}

// Words and CW characters the controller cannot take are left out of their command, and each is
// named with its item so the upload can report it.
TEST(CommandSetTest, EachWordOrCharacterWithoutACodeIsNamedWithItsItem) {
    const Database db = configured("MessageMacro(3)=WEATHER ALERT PLEASE STAND BY;"
                                   "MessageMacro(4)=NONE STORED;VoiceID2(1)=THIS IS 5 NONE;"
                                   "CWID1(2)=W 1 . X -");
    const QString left = u": \"%1\" is not in the Tarsis's tables and is left out"_s;
    using I = CommandItem;
    const std::tuple<CommandItem, int, QStringList> cases[] = {
        {I::MessageMacro, 3, {u"MessageMacro(3)"_s + left.arg(u"STAND"_s)}},
        {I::MessageMacro, 4, {}},
        {I::VoiceID2, 1, {u"VoiceID2(1)"_s + left.arg(u"NONE"_s)}},
        {I::CWID1, 2, {u"CWID1(2)"_s + left.arg(u"."_s), u"CWID1(2)"_s + left.arg(u"-"_s)}},
        {I::CWID1, 1, {}},
    };
    for (const auto& [item, index, report] : cases) {
        SCOPED_TRACE(index);
        EXPECT_EQ(skippedReport(buildCommand(db, item, index)), report);
    }
}

// The DTMF framing uses the codes the controller answers to now, not ones not yet sent; the code
// mapping turns D into that terminator.
TEST(CommandSetTest, FramingUsesTheStoredCodes) {
    Database db = configured("Terminator=C;MacroCode(1)=1D");
    db.setStoredTerminator(u"B"_s);
    db.setStoredLock(u"A"_s);
    const Command c = buildCommand(db, CommandItem::MacroCode, 1);
    EXPECT_EQ(c.dtmfBody.join(u' '), u"* 2 0 5 0 0 1 1 B B"_s);
    EXPECT_EQ(c.dtmfUnlock.last(), u"B"_s);
    EXPECT_EQ(c.dtmfLock, (QStringList{u"A"_s, u"B"_s}));
    const Command erase =
        frameCommand(Database(), u"EraseMacros"_s, 1, u"*400499"_s, plainDigitCodes(u"*400499"));
    EXPECT_EQ(erase.serialLines, QStringList{u"1*400499"_s});
    EXPECT_EQ(dtmfText(erase), u"16470D *400499D #D"_s);
}

TEST(CommandSetTest, DigitMappings) {
    // The text, and its plain, code (terminator "#") and unlock digits.
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"  12  ", "1 2", "1 2", "1 2"}, {"ABCD", "A B C D", "13 14 15 #", "13 14 15 16"},
        {"*#", "* #", "11 0", "0 0"},    {"9 e", "9", "9 0 0", "9 0 0"},
        {"EZ0", "0", "0 0 0", "0 0 0"},  {"", "", "", ""},
    };
    for (const auto& [input, plain, code, unlock] : cases) {
        SCOPED_TRACE(input);
        const QString text = QString::fromLatin1(input);
        EXPECT_EQ(plainDigitCodes(text).join(u' '), QLatin1String(plain));
        EXPECT_EQ(codeDigitCodes(text, u"#"_s).join(u' '), QLatin1String(code));
        EXPECT_EQ(unlockDigitCodes(text).join(u' '), QLatin1String(unlock));
    }
    EXPECT_EQ((QStringList{itemNumber(7, 2), itemNumber(45, 3), itemNumber(200, 3)}),
              (QStringList{u"07"_s, u"045"_s, u"200"_s}));
    EXPECT_EQ(digitCodesText({u"11"_s, u"12"_s, u"13"_s, u"16"_s, u"7"_s, u"123"_s, u"#"_s}),
              u"*#AD7#"_s);
    EXPECT_EQ(serialFrame(u"2*100030"_s), u"2*100030\r"_s);
}

} // namespace
} // namespace kovo
