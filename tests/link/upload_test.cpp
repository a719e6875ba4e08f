#include "cli_runner.h"
#include "database/database.h"
#include "emulator/tarsis_emulator.h"
#include "link/change_marker.h"
#include "link/digit_sink.h"
#include "link/emulator_channel.h"
#include "link/line_sink.h"
#include "link/link_flags.h"
#include "link/recording_operator.h"
#include "link/serial_link.h"
#include "link/upload.h"

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

    bool open() override {
        isOpen = openSucceeds;
        return openSucceeds;
    }
    void close() override {
        isOpen = false;
        ++closes;
    }
    void sendCommand(const QString& line) override {
        commands << line;
        if (onCommand)
            onCommand(static_cast<int>(commands.size()), m_flags);
    }
    void writeLine(const QString& line) override { written << line; }
    void setLockCode(const QString& lock) override { lockCode = lock; }

    bool openSucceeds = true;
    bool isOpen = false;
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

TEST(UploadTest, CompleteSerialUploadSendsEverythingInOrder) {
    Database db;
    db.setAllPending(true);
    LinkFlags flags;
    RecordingOperator person;
    FakeLines lines(flags);
    Upload upload(db, flags, person, lines);
    const UploadResult result = upload.sendCompleteData();

    EXPECT_EQ(result.outcome, UploadOutcome::Completed);
    // 962 exchanges for the defaults: every item, the three lines of each port's message
    // numbers and the four of each remote-base memory; empty messages and memories skipped.
    EXPECT_EQ(lines.commands.size(), 962);
    EXPECT_EQ(result.commandsSent, 962);
    EXPECT_EQ(lines.commands.first(), u"1*9020D\r"_s);
    EXPECT_EQ(lines.commands.at(1), u"1*100050\r"_s);
    EXPECT_EQ(lines.commands.last(), u"1*400390\r"_s);
    EXPECT_EQ(lines.written, QStringList{u"1*21999\r"_s});
    for (const QString& line : lines.commands)
        ASSERT_TRUE(line.endsWith(u'\r') && line.count(u'\r') == 1) << line.toStdString();

    EXPECT_EQ(person.highestProgress(), 722);
    EXPECT_EQ(person.lastMaximum(), Upload::ProgressMaximum);
    EXPECT_EQ(person.progressReports().last().value, 0);
    EXPECT_EQ(person.progressReports().last().label, u"0% Complete"_s);
    const auto reports = person.progressReports();
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

TEST(UploadTest, CompleteDtmfUploadLeavesSerialOnlyItemsPending) {
    Database db;
    db.setAllPending(true);
    db.setValue(u"DOW", 4, u"10"_s);
    LinkFlags flags;
    RecordingOperator person;
    FakeDigits digits;
    Upload upload(db, flags, person, digits);
    const UploadResult result = upload.sendCompleteData();

    EXPECT_EQ(result.outcome, UploadOutcome::Completed);
    // No port unlock codes, alarm macros, lock code or reset; one unit per remote-base memory;
    // set point 4 (day 10) skipped.
    EXPECT_EQ(result.commandsSent, 911);
    EXPECT_EQ(digits.events, (QStringList{u"key"_s, u"unkey"_s}));
    // The terminator start step: port 1 unlocked, "*9020", the terminator twice, no lock.
    EXPECT_EQ(digits.digits.mid(0, 13).join(QString()), u"16470D*9020DD"_s);
    // The first timer with its lock part.
    EXPECT_EQ(digits.digits.mid(13, 16).join(QString()), u"16470D*100050D#D"_s);
    EXPECT_EQ(person.highestProgress(), 722);
    EXPECT_EQ(person.messageTexts(), QStringList{CompleteMessage});
    EXPECT_EQ(db.pendingNames(),
              (QStringList{u"AlarmLowMacroNumPending(1)"_s, u"AlarmLowMacroNumPending(2)"_s,
                           u"AlarmLowMacroNumPending(3)"_s, u"AlarmLowMacroNumPending(4)"_s,
                           u"AlarmLowMacroNumPending(5)"_s, u"AlarmHighMacroNumPending(1)"_s,
                           u"AlarmHighMacroNumPending(2)"_s, u"AlarmHighMacroNumPending(3)"_s,
                           u"AlarmHighMacroNumPending(4)"_s, u"AlarmHighMacroNumPending(5)"_s,
                           u"CurrentPortUnlockPending(1)"_s, u"CurrentPortUnlockPending(2)"_s,
                           u"CurrentPortUnlockPending(3)"_s, u"LockPending"_s}));
}

TEST(UploadTest, RefusalAtTheThirdTimerOfPort2StopsAndKeepsLaterFlags) {
    for (bool complete : {true, false}) {
        SCOPED_TRACE(complete ? "complete" : "changes only");
        Database db;
        db.setAllPending(true);
        const qsizetype allFlags = db.pendingNames().size();
        LinkFlags flags;
        RecordingOperator person;
        FakeLines lines(flags);
        // Complete: the terminator, 14 commands of port 1, then port 2's *1000, *1001, *1002.
        const int refused = 1 + 14 + 3 - (complete ? 0 : 1);
        lines.onCommand = [&](int number, LinkFlags& f) {
            if (number == refused)
                f.updateAborted = true;
        };
        Upload upload(db, flags, person, lines);
        const UploadResult result = complete ? upload.sendCompleteData() : upload.sendChangesOnly();

        EXPECT_EQ(result.outcome, UploadOutcome::Aborted);
        EXPECT_EQ(lines.commands.size(), refused);
        EXPECT_EQ(lines.commands.last(), u"2*100210\r"_s);
        EXPECT_FALSE(flags.updateAborted);
        EXPECT_TRUE(lines.written.isEmpty());
        EXPECT_TRUE(person.messageTexts().isEmpty());
        EXPECT_FALSE(db.pending(u"HangTimePending", 1));
        EXPECT_FALSE(db.pending(u"GeneralTimerPending", 1));
        EXPECT_FALSE(db.pending(u"HangTimePending", 2));
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

TEST(UploadTest, InterruptEndsAfterTheCurrentCommand) {
    Database db;
    db.setPending(u"HangTimePending", 1);
    db.setPending(u"RemoteMemoriesPending");
    db.setPending(u"AutoDialPending", 3);
    LinkFlags flags;
    RecordingOperator person;
    FakeLines lines(flags);
    // The interrupt comes during the second line of the first remote-base memory.
    lines.onCommand = [](int number, LinkFlags& f) {
        if (number == 3)
            f.updateInterrupted = true;
    };
    Upload upload(db, flags, person, lines);
    const UploadResult result = upload.sendChangesOnly();
    EXPECT_EQ(result.outcome, UploadOutcome::Interrupted);
    EXPECT_EQ(lines.commands.size(), 3);
    EXPECT_EQ(lines.closes, 1);
    EXPECT_FALSE(db.pending(u"HangTimePending", 1));
    EXPECT_TRUE(db.pending(u"RemoteMemoriesPending")); // the memories were cut short
    EXPECT_TRUE(db.pending(u"AutoDialPending", 3));
    EXPECT_TRUE(person.messageTexts().isEmpty());
}

TEST(UploadTest, InterruptOverTheAirLocksAndUnkeys) {
    Database db;
    db.setPending(u"FanTimePending");
    db.setPending(u"XmtDelayPending");
    LinkFlags flags;
    RecordingOperator person;
    FakeDigits digits;
    Upload upload(db, flags, person, digits);
    person.setInterrupted(true);
    const UploadResult result = upload.sendChangesOnly();
    EXPECT_EQ(result.outcome, UploadOutcome::Interrupted);
    EXPECT_EQ(digits.digits.join(QString()), u"16470D*10041D#D"_s);
    EXPECT_EQ(digits.events, (QStringList{u"key"_s, u"unkey"_s}));
    EXPECT_FALSE(db.pending(u"FanTimePending"));
    EXPECT_TRUE(db.pending(u"XmtDelayPending"));
}

TEST(UploadTest, ErrorLimitEndsTheUpload) {
    Database db;
    db.setAllPending(true);
    LinkFlags flags;
    RecordingOperator person;
    FakeLines lines(flags);
    lines.onCommand = [](int number, LinkFlags& f) {
        if (number == 4) { // what the link does at its error limit
            f.updateAborted = true;
            f.updateInterrupted = true;
        }
    };
    Upload upload(db, flags, person, lines);
    EXPECT_EQ(upload.sendCompleteData().outcome, UploadOutcome::Aborted);
    EXPECT_EQ(lines.commands.size(), 4);
    EXPECT_TRUE(lines.written.isEmpty());
}

TEST(UploadTest, ChangesOnlyWithNothingPendingSendsNothing) {
    for (bool serial : {true, false}) {
        SCOPED_TRACE(serial ? "serial" : "dtmf");
        Database db;
        LinkFlags flags;
        flags.updateAborted = true; // left over from an earlier run
        RecordingOperator person;
        FakeLines lines(flags);
        FakeDigits digits;
        Upload upload =
            serial ? Upload(db, flags, person, lines) : Upload(db, flags, person, digits);
        const UploadResult result = upload.sendChangesOnly();
        EXPECT_EQ(result.outcome, UploadOutcome::Completed);
        EXPECT_EQ(result.commandsSent, 0);
        EXPECT_TRUE(lines.commands.isEmpty());
        EXPECT_TRUE(lines.written.isEmpty());
        EXPECT_TRUE(digits.digits.isEmpty());
        EXPECT_EQ(person.messageTexts(), QStringList{u"Update Complete"_s});
        EXPECT_TRUE(person.progressReports().isEmpty());
    }
}

TEST(UploadTest, ChangesOnlySendsEachPendingItemOnce) {
    struct PendingCase {
        const char* name;
        std::function<void(Database&)> mark;
        QStringList lines;
    };
    const std::vector<PendingCase> cases = {
        {"hang time of port 2",
         [](Database& db) {
             db.setValue(u"HangTime", 2, u"30"_s);
             db.setPending(u"HangTimePending", 2);
         },
         {u"2*100030\r"_s}},
        {"general timer with its macro",
         [](Database& db) { db.setPending(u"GeneralTimerPending", 3); },
         {u"1*101730\r"_s, u"1*209231\r"_s}},
        {"CW tones by either flag",
         [](Database& db) { db.setPending(u"CWTone2Pending", 1); },
         {u"1*80010500\r"_s}},
        {"radio type with the Yaesu type",
         [](Database& db) { db.setPending(u"RadioTypePending"); },
         {u"1*20834\r"_s, u"1*20841\r"_s}},
        {"meter alarm with its enable",
         [](Database& db) { db.setPending(u"MeterAlarmPending", 2); },
         {u"1*20662*0*0*0*01*\r"_s, u"1160020\r"_s}},
        {"meter alarms without a command only lose their flags",
         [](Database& db) {
             db.setPending(u"MeterAlarmPending", 9);
             db.setPending(u"MeterAlarmPending", 10);
         },
         {}},
        {"reference voltage",
         [](Database& db) { db.setPending(u"MeterPending", 9); },
         {u"1*2065500\r"_s}},
        {"user DTMF settings",
         [](Database& db) { db.setPending(u"UserDTMFPending"); },
         {u"1*210490417\r"_s, u"1*21171\r"_s, u"1*21180\r"_s}},
        {"courtesy segment",
         [](Database& db) { db.setPending(u"CourtesyPending", Database::courtesyIndex(2, 3, 4)); },
         {u"2*3304250*250*0*0*\r"_s}},
        {"empty message macro is not sent",
         [](Database& db) { db.setPending(u"MessageMacroPending", 5); },
         {}},
        {"short macro code and short macro",
         [](Database& db) {
             db.setPending(u"ShortMacroCodePending", 2);
             db.setPending(u"ShortMacroPending", 2);
         },
         {u"1*205042109051\r"_s, u"1*400342\r"_s}},
        {"tail message numbers",
         [](Database& db) { db.setPending(u"PortMessageNumPending", 1); },
         {u"1*211011\r"_s, u"1*211021\r"_s, u"1*211031\r"_s}},
    };
    for (const PendingCase& c : cases) {
        SCOPED_TRACE(c.name);
        Database db;
        c.mark(db);
        LinkFlags flags;
        RecordingOperator person;
        FakeLines lines(flags);
        Upload upload(db, flags, person, lines);
        EXPECT_EQ(upload.sendChangesOnly().outcome, UploadOutcome::Completed);
        EXPECT_EQ(lines.commands, c.lines);
        EXPECT_FALSE(db.anyPending()) << db.pendingNames().join(u", "_s).toStdString();
    }
}

TEST(UploadTest, NewLockAndTerminatorFrameTheCommandsThatFollow) {
    Database db;
    db.setValue(u"Lock", u"*"_s);
    db.setValue(u"Terminator", u"C"_s);
    db.setPending(u"LockPending");
    db.setPending(u"TerminatorPending");
    db.setPending(u"RingNumberPending");
    LinkFlags flags;
    RecordingOperator person;
    FakeDigits digits;
    Upload upload(db, flags, person, digits);
    EXPECT_EQ(upload.sendChangesOnly().outcome, UploadOutcome::Completed);
    EXPECT_EQ(digits.digits.join(u' '),
              QStringList({u"1 6 4 7 0 D * 9 0 1 0 11 D * D"_s, // new lock, locked with it
                           u"1 6 4 7 0 D * 9 0 2 0 15 D * C"_s, // new terminator
                           u"1 6 4 7 0 C * 1 0 2 5 2 C * C"_s}) // framed with the new codes
                  .join(u' '));
    EXPECT_EQ(db.storedLock(), u"*"_s);
    EXPECT_EQ(db.storedTerminator(), u"C"_s);
    EXPECT_FALSE(db.anyPending());

    Database serialDb;
    serialDb.setValue(u"Lock", u"*"_s);
    serialDb.setPending(u"LockPending");
    FakeLines lines(flags);
    Upload serial(serialDb, flags, person, lines);
    serial.sendChangesOnly();
    EXPECT_EQ(lines.commands, QStringList{u"1*9010*\r"_s});
    EXPECT_EQ(lines.lockCode, u"*"_s); // the error-limit path locks with the new code
}

TEST(UploadTest, PortThatCannotOpenSendsNothing) {
    Database db;
    db.setAllPending(true);
    LinkFlags flags;
    RecordingOperator person;
    FakeLines lines(flags);
    lines.openSucceeds = false;
    Upload upload(db, flags, person, lines);
    EXPECT_EQ(upload.sendCompleteData().outcome, UploadOutcome::NotStarted);
    EXPECT_TRUE(lines.commands.isEmpty());
    EXPECT_TRUE(db.pending(u"HangTimePending", 1));
}

// A configuration with a value of every awkward kind.
void fillAwkwardValues(Database& db) {
    db.setValue(u"MessageMacro", 3, u"HELLO T A"_s);
    db.setValue(u"DTMF", 2, u"1 2 A #"_s);
    db.setValue(u"Macro", 4, u"001 002"_s);
    db.setValue(u"ShortMacro", 5, u"123"_s);
    db.setValue(u"Monthly", 5, u"1"_s);
    db.setValue(u"Week", 5, u"2"_s);
    db.setValue(u"Hours", 5, u"0A"_s);
    db.setValue(u"AlarmLowMacroNum", 2, u"0"_s);
    db.setValue(u"YaesuType", u"4"_s);
    db.setValue(u"FreqString", 3, u"146520"_s);
    db.setValue(u"AutoDial", 200, u"5551212"_s);
    db.setValue(u"TollRestrict", 1, u"900"_s);
    db.setValue(u"CWTone2", 2, u"1200"_s);
    db.setValue(u"TailMessageNum", 2, u"2"_s);
    db.setValue(u"P3MessageNum", 2, u"45"_s);
    db.setValue(u"CurrentPortUnlock", 3, u"3A47"_s);
    db.setMeterAlarmOn(4, true);
}

// The whole road over the serial link to the emulated controller in this process: every line
// the upload writes is one the controller accepts; a refusal stops the upload; a command whose
// answer was lost or garbled keeps its flag and is named, and the upload goes on.
TEST(UploadTest, EmulatedControllerAcceptsACompleteUpload) {
    struct Case {
        const char* faults;
        UploadOutcome outcome;
        int received;
        QStringList unconfirmed;
    };
    // Exchange 18 is port 2's IID timer.
    const QList<Case> cases = {
        {"", UploadOutcome::Completed, 0, {}},
        {"nak:18", UploadOutcome::Aborted, 18, {}},
        {"silence:1@18", UploadOutcome::Completed, 0, {u"IIDTime(2)"_s}},
        {"garbage:1@18", UploadOutcome::Completed, 0, {u"IIDTime(2)"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        auto emulator =
            std::make_shared<TarsisEmulator>(*EmulatorFaults::parse(QString::fromLatin1(c.faults)));
        Database db;
        fillAwkwardValues(db);
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

        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.unconfirmed, c.unconfirmed);
        EXPECT_EQ(emulator->receivedLines(), observed);
        EXPECT_FALSE(db.pending(u"TimeOutPending", 2));
        EXPECT_EQ(db.pending(u"IIDTimePending", 2),
                  c.outcome == UploadOutcome::Aborted || !c.unconfirmed.isEmpty());
        if (c.outcome == UploadOutcome::Aborted) {
            EXPECT_EQ(emulator->receivedLines().size(), c.received);
            EXPECT_EQ(emulator->acceptedLines().size(), c.received - 1);
            EXPECT_TRUE(db.pending(u"PIDTimePending", 2));
        } else if (c.unconfirmed.isEmpty()) {
            EXPECT_EQ(emulator->acceptedLines(), observed);
            EXPECT_EQ(person.messageTexts(), QStringList{CompleteMessage});
        } else {
            EXPECT_FALSE(db.pending(u"PIDTimePending", 2));
            ASSERT_FALSE(person.messages().isEmpty());
            const QString closing = person.messages().last().text;
            EXPECT_TRUE(closing.startsWith(CompleteMessage));
            EXPECT_TRUE(closing.contains(u"1 command(s) got no answer"_s));
            EXPECT_TRUE(closing.contains(u"IIDTime(2)"_s));
        }
    }
}

// Values the controller cannot take: nothing goes out over either transport, and the message
// names every one; one that is not to be sent does not stop a changes-only upload.
TEST(UploadTest, UnsendableValuesSendNothing) {
    for (const bool serial : {true, false}) {
        SCOPED_TRACE(serial ? "serial" : "dtmf");
        Database db;
        db.setValue(u"HangTime", 2, u"xyz!@#"_s);
        db.setValue(u"TimeOut", 1, u"-5"_s);
        db.setValue(u"IIDTime", 3, u"1e3"_s);
        db.setAllPending(true);
        LinkFlags flags;
        RecordingOperator person;
        FakeLines lines(flags);
        FakeDigits digits;
        Upload upload =
            serial ? Upload(db, flags, person, lines) : Upload(db, flags, person, digits);
        const UploadResult result = upload.sendCompleteData();
        EXPECT_EQ(result.outcome, UploadOutcome::NotStarted);
        EXPECT_EQ(result.unsendable,
                  QStringList({u"TimeOut(1) = \"-5\""_s, u"HangTime(2) = \"xyz!@#\""_s,
                               u"IIDTime(3) = \"1e3\""_s}));
        EXPECT_TRUE(lines.commands.isEmpty());
        EXPECT_TRUE(digits.events.isEmpty());
        ASSERT_EQ(person.messages().size(), 1);
        EXPECT_TRUE(person.messages()[0].text.contains(u"HangTime(2) = \"xyz!@#\""_s));
        EXPECT_EQ(person.messages()[0].title, u"Error!"_s);
        EXPECT_TRUE(db.pending(u"HangTimePending", 1));

        db.setAllPending(false);
        db.setPending(u"HangTimePending", 1);
        EXPECT_EQ(upload.sendChangesOnly().outcome, UploadOutcome::Completed);
        EXPECT_FALSE(db.pending(u"HangTimePending", 1));
    }
}

// Every DTMF body of a complete upload is one the controller's digit interpreter accepts.
TEST(UploadTest, EmulatedControllerAcceptsEveryDtmfBody) {
    Database db;
    fillAwkwardValues(db);
    // Over the air the four message numbers of a port run together; the controller tells them
    // apart only when they have one width.
    db.setValue(u"P1MessageNum", 2, u"12"_s);
    db.setValue(u"P2MessageNum", 2, u"34"_s);
    LinkFlags flags;
    RecordingOperator person;
    FakeDigits digits;
    Upload upload(db, flags, person, digits);
    TarsisMemory memory;
    int bodies = 0;
    upload.setCommandObserver([&](const Command& c) {
        // The terminator (D here) ends each body; the remote-base memories carry two, and the
        // terminator command carries the new terminator as its value.
        const QString text = digitCodesText(c.dtmfBody);
        const QStringList parts = c.item.startsWith(u"Terminator")
                                      ? QStringList{text.chopped(1)}
                                      : text.split(u'D', Qt::SkipEmptyParts);
        for (const QString& body : parts) {
            const CommandOutcome outcome = memory.applyDtmfBody(c.port, body);
            EXPECT_TRUE(outcome.accepted) << c.item.toStdString() << " " << body.toStdString()
                                          << ": " << outcome.reason.toStdString();
            ++bodies;
        }
    });
    EXPECT_EQ(upload.sendCompleteData().outcome, UploadOutcome::Completed);
    // The 912 units of the defaults, a message macro and a DTMF memory more, and the second
    // body of each remote-base memory.
    EXPECT_EQ(bodies, 912 + 2 + 10);
}

TEST(ChangeMarkerTest, DifferingValuesSetTheirFlags) {
    struct MarkCase {
        const char* field;
        int index;
        QString value;
        QStringList flags;
    };
    const std::vector<MarkCase> cases = {
        {"HangTime", 2, u"30"_s, {u"HangTimePending(2)"_s}},
        {"GeneralTimerMacro", 3, u"9"_s, {u"GeneralTimerPending(3)"_s}},
        {"P2Tone5", 4, u"800"_s, {u"CourtesyPending(64)"_s}}, // port 2, segment 3, tone 4
        {"P3Delay1", 10, u"1"_s, {u"CourtesyPending(90)"_s}},
        {"Hours", 7, u"0A"_s, {u"SetPointPending(7)"_s}},
        {"Vref", 0, u"600"_s, {u"MeterPending(9)"_s}},
        {"MeterHigh", 8, u"5"_s, {u"MeterPending(8)"_s}},
        {"MeterAlarmType", 4, u"2"_s, {u"MeterAlarmPending(4)"_s}},
        {"YaesuType", 0, u"3"_s, {u"RadioTypePending"_s}},
        {"CTCSSMode", 9, u"2"_s, {u"RemoteMemoriesPending"_s}},
        {"DTMFSpeech", 0, u"5"_s, {u"UserDTMFPending"_s}},
        {"P3MessageNum", 2, u"45"_s, {u"PortMessageNumPending(2)"_s}},
        {"ShortMacro", 50, u"123"_s, {u"ShortMacroPending(50)"_s}},
        {"DTMF", 20, u"1 2"_s, {u"DTMFPending(20)"_s}},
        {"CurrentPortUnlock", 3, u"999"_s, {u"CurrentPortUnlockPending(3)"_s}},
        {"DisableTimeout", 1, u"1"_s, {}},
        {"DateFormat", 0, u"True"_s, {}},
    };
    for (const MarkCase& c : cases) {
        SCOPED_TRACE(c.field);
        Database old;
        Database db;
        db.setValue(QLatin1StringView(c.field), c.index, c.value);
        EXPECT_EQ(markChangedSince(db, old), c.flags.size());
        EXPECT_EQ(db.pendingNames(), c.flags);
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
