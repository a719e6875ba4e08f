#include "cli_runner.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "emulator/tarsis_emulator.h"
#include "link/change_marker.h"
#include "link/digit_sink.h"
#include "link/emulator_channel.h"
#include "link/line_sink.h"
#include "link/link_flags.h"
#include "link/pty_emulator.h"
#include "link/recording_operator.h"
#include "link/serial_link.h"
#include "link/upload.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
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
    explicit FakeLines(LinkFlags& flags) : m_flags(flags) {}

    bool open() override { return openSucceeds; }
    void close() override { ++closes; }
    void sendCommand(const QString& line) override {
        commands << line;
        if (onCommand)
            onCommand(static_cast<int>(commands.size()), m_flags);
    }
    void writeLine(const QString& line) override { written << line; }
    void setLockCode(const QString& lock) override { lockCode = lock; }

    bool openSucceeds = true;
    int closes = 0;
    QStringList commands;
    QStringList written;
    QString lockCode;
    // Called after command `number` (1-based) has been written.
    std::function<void(int number, LinkFlags& flags)> onCommand;

private:
    LinkFlags& m_flags;
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

// Calls `set` with each name, index and value of "HangTime(2)=30;Lock=*" (or of flag names
// without values).
void forEachKey(const QString& keys, const std::function<void(QString, int, QString)>& set) {
    for (const QString& key : keys.split(u';', Qt::SkipEmptyParts)) {
        const QString name = key.section(u'=', 0, 0);
        const qsizetype open = name.indexOf(u'(');
        set(name.left(open), open < 0 ? 0 : name.mid(open + 1).chopped(1).toInt(),
            key.section(u'=', 1));
    }
}
void setPending(Database& db, const QString& flags) {
    forEachKey(flags,
               [&](const QString& flag, int index, const QString&) { db.setPending(flag, index); });
}
void configure(Database& db, const char* values) {
    forEachKey(QString::fromLatin1(values),
               [&](const QString& field, int index, const QString& value) {
                   db.setValue(field, index, value);
               });
}

// A database, the person and both transports, with an upload over either.
struct Rig {
    Database db;
    LinkFlags flags;
    RecordingOperator person;
    FakeLines lines{flags};
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
    EXPECT_EQ(lines.commands.first(), u"1*9020D\r"_s);
    EXPECT_EQ(lines.commands.at(1), u"1*100050\r"_s);
    EXPECT_EQ(lines.commands.last(), u"1*400390\r"_s);
    EXPECT_EQ(lines.written, QStringList{u"1*21999\r"_s});
    for (const QString& line : lines.commands)
        ASSERT_TRUE(line.endsWith(u'\r') && line.count(u'\r') == 1) << line.toStdString();

    EXPECT_EQ(person.highestProgress(), 722);
    EXPECT_EQ(person.lastMaximum(), Upload::ProgressMaximum);
    const auto reports = person.progressReports();
    EXPECT_EQ(reports.last().value, 722); // never back down after the end
    const auto top =
        std::find_if(reports.begin(), reports.end(), [](const auto& r) { return r.value == 722; });
    ASSERT_NE(top, reports.end());
    EXPECT_EQ(top->label, u"100% Complete"_s);
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
        lines.onCommand = [&](int number, LinkFlags& f) {
            if (number == refused) {
                f.updateAborted = true;
                f.updateInterrupted = errorLimit; // what the link does at its error limit
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
    lines.onCommand = [](int number, LinkFlags& f) { f.updateInterrupted = number == 3; };
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
    configure(db, "Lock=*;Terminator=C");
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

    db = Database();
    db.setValue(u"Lock", u"*"_s);
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
        Database db;
        // A value of every awkward kind.
        configure(db, "MessageMacro(3)=HELLO T A;DTMF(2)=1 2 A #;Macro(4)=001 002;"
                      "ShortMacro(5)=123;Monthly(5)=1;Week(5)=2;Hours(5)=0A;"
                      "AlarmLowMacroNum(2)=0;YaesuType=4;FreqString(3)=146520;"
                      "AutoDial(200)=5551212;TollRestrict(1)=900;CWTone2(2)=1200;"
                      "TailMessageNum(2)=2;P3MessageNum(2)=45;CurrentPortUnlock(3)=3A47");
        db.setMeterAlarmOn(4, true);
        db.setAllPending(true);
        RecordingOperator person;
        LinkFlags flags;
        SerialLink::Settings settings;
        settings.comPort = u"Built-in Tarsis emulator"_s;
        settings.answerTimeoutMs = 200;
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

        configure(db, "HangTime(2)=xyz!@#;TimeOut(1)=-5;IIDTime(3)=1e3");
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
    const std::tuple<const char*, int, const char*, const char*> cases[] = {
        {"HangTime", 2, "30", "HangTimePending(2)"},
        {"GeneralTimerMacro", 3, "9", "GeneralTimerPending(3)"},
        {"P2Tone5", 4, "800", "CourtesyPending(64)"}, // port 2, segment 3, tone 4
        {"P3Delay1", 10, "1", "CourtesyPending(90)"},
        {"Hours", 7, "0A", "SetPointPending(7)"},
        {"Vref", 0, "600", "MeterPending(9)"},
        {"MeterAlarmType", 4, "2", "MeterAlarmPending(4)"},
        {"YaesuType", 0, "3", "RadioTypePending"},
        {"CTCSSMode", 9, "2", "RemoteMemoriesPending"},
        {"DTMFSpeech", 0, "5", "UserDTMFPending"},
        {"P3MessageNum", 2, "45", "PortMessageNumPending(2)"},
        {"ShortMacro", 50, "123", "ShortMacroPending(50)"},
        {"CurrentPortUnlock", 3, "999", "CurrentPortUnlockPending(3)"},
        {"DisableTimeout", 1, "1", ""},
        {"DateFormat", 0, "True", ""},
    };
    for (const auto& [field, index, value, flags] : cases) {
        SCOPED_TRACE(field);
        Database old;
        Database db;
        db.setValue(QLatin1StringView(field), index, QLatin1String(value));
        markChangedSince(db, old);
        EXPECT_EQ(db.pendingNames().join(u';'), QLatin1String(flags));
    }

    Database old;
    Database db;
    db.setMeterAlarmOn(6, true);
    db.setValue(u"Lock", u"*"_s);
    db.setStoredLock(u"*"_s);
    markChangedSince(db, old);
    EXPECT_EQ(db.pendingNames(), (QStringList{u"MeterAlarmPending(6)"_s, u"LockPending"_s}));
    EXPECT_EQ(db.storedLock(), u"#"_s); // the controller still answers to the old lock code
}

} // namespace
} // namespace kovo
