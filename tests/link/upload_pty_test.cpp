// Uploads over real pseudo-terminals against the emulated Tarsis: what `kovo-cli upload` sends is
// what `kovo-cli commands` lists, and each fault of the line ends the upload the way the link
// rules say, with the database's pending flags left consistent.
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "link/channel_factory.h"
#include "link/line_sink.h"
#include "link/pty_emulator.h"
#include "link/recording_operator.h"
#include "link/serial_link.h"
#include "link/upload.h"

#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace kovo {
namespace {

using test::EmulatorProcess;
using test::PtyEmulator;

const QString Sample = QStringLiteral(KOVO_EXAMPLES_DIR "/sample.dat");
const QString TimeoutText = QStringLiteral(
    "Kovo is unable to communicate with the Tarsis. Check your connections then try again");
const QString ErrorLimitText =
    QStringLiteral("Too Many Errors. Please check your serial connection and try again");

EmulatorFaults faults(const QString& faultList) {
    const auto faults = EmulatorFaults::parse(faultList);
    EXPECT_TRUE(faults.has_value()) << faultList.toStdString();
    return faults.value_or(EmulatorFaults{});
}

struct CliRun {
    int exitCode = -1;
    QStringList out;
    QString err;
};

CliRun runCli(const QStringList& arguments) {
    test::ensureCoreApplication();
    QProcess cli;
    cli.start(QStringLiteral(KOVO_CLI_PATH), arguments);
    CliRun run;
    if (!cli.waitForFinished(300000)) {
        cli.kill();
        cli.waitForFinished();
        ADD_FAILURE() << "kovo-cli " << arguments.join(u' ').toStdString() << " did not finish";
        return run;
    }
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = QString::fromLatin1(cli.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.err = QString::fromLocal8Bit(cli.readAllStandardError());
    return run;
}

// Waits (as a hang guard only) until the emulator has read `count` lines.
QStringList receivedLines(TarsisEmulator& emulator, qsizetype count) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (emulator.receivedLines().size() < count && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return emulator.receivedLines();
}

Database loadSample() {
    Database db;
    ErrorLog log;
    const LoadReport report = readDatabase(db, Sample, log);
    EXPECT_TRUE(report.fileReadable);
    return db;
}

// The whole database as the file writer sees it: values, not flags.
QByteArray snapshot(Database& db, const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("snapshot.dat"));
    QFile::remove(path);
    EXPECT_TRUE(saveWholeDatabase(db, path).ok);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

TEST(UploadPtyTest, CompleteAndChangesOnlyUploadsSendWhatCommandsLists) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString home = dir.path();

    // A changed copy of the sample: a timer, a courtesy tone, a macro and a CW ID.
    Database changed = loadSample();
    changed.setValue("HangTime", 2, QStringLiteral("42"));
    changed.setValue("Macro", 7, QStringLiteral("NONE STORED"));
    changed.setValue("AutoDial", 9, QStringLiteral("5551234"));
    const QString changedPath = dir.filePath(QStringLiteral("changed.dat"));
    ASSERT_TRUE(saveWholeDatabase(changed, changedPath).ok);

    struct Case {
        const char* name;
        QStringList fileArguments;
    };
    const QList<Case> cases = {
        {"complete", {Sample}},
        {"changes only", {changedPath, QStringLiteral("--since"), Sample}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun listed = runCli(QStringList{QStringLiteral("commands")} + c.fileArguments +
                                     QStringList{QStringLiteral("--home"), home});
        ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
        ASSERT_FALSE(listed.out.isEmpty());

        PtyEmulator emulator;
        const CliRun uploaded = runCli(
            QStringList{QStringLiteral("upload")} + c.fileArguments +
            QStringList{QStringLiteral("--port"), emulator.port(), QStringLiteral("--home"), home});
        EXPECT_EQ(uploaded.exitCode, 0) << uploaded.err.toStdString();
        EXPECT_FALSE(uploaded.err.contains(QLatin1String("There has been an error")))
            << uploaded.err.toStdString();
        const QStringList received = receivedLines(emulator.emulator(), listed.out.size());
        EXPECT_EQ(received, listed.out);
        // The controller took every line, the closing reset included.
        EXPECT_EQ(emulator.emulator().acceptedLines(), listed.out);
    }
}

// The upload engine over a real pty, with the database in the test's hands.
struct InProcessUpload {
    explicit InProcessUpload(const QString& port, int timeoutMs) {
        test::ensureCoreApplication();
        SerialLink::Settings settings;
        settings.comPort = port;
        settings.answerTimeoutMs = timeoutMs;
        QString error;
        auto channel = ChannelFactory::create(port, &error);
        EXPECT_NE(channel, nullptr) << error.toStdString();
        link = std::make_unique<SerialLink>(std::move(channel), person, flags, settings);
        lines = std::make_unique<SerialLinkLineSink>(*link);
        db.setAllPending(true);
        before = db.pendingNames();
    }
    UploadResult run() {
        Upload upload(db, flags, person, *lines);
        upload.setCommandObserver([this](const Command& command) {
            sentItems << command.item;
            sentLines += command.serialLines;
        });
        return upload.sendCompleteData();
    }

    Database db = loadSample();
    QStringList before;
    RecordingOperator person;
    LinkFlags flags;
    std::unique_ptr<SerialLink> link;
    std::unique_ptr<SerialLinkLineSink> lines;
    QStringList sentItems;
    QStringList sentLines;
};

// The 1-based exchange at which the complete upload of the sample sends `prefix` for the first
// time.
int exchangeOf(const QString& prefix) {
    const CliRun listed = runCli({QStringLiteral("commands"), Sample});
    for (qsizetype i = 0; i < listed.out.size(); ++i) {
        if (listed.out.at(i).startsWith(prefix))
            return static_cast<int>(i) + 1;
    }
    ADD_FAILURE() << "no command starts with " << prefix.toStdString();
    return 1;
}

TEST(UploadPtyTest, FaultsOfTheLine) {
    // port 2's third timer command is its IID timer.
    const int iid2 = exchangeOf(QStringLiteral("2*1002"));
    struct Case {
        const char* name;
        QString faults;
        int commandsSent;
        QStringList messages;
        QString lastTitle;
        QStringList clearedAfterwards; // flags that must be clear
        QStringList stillSet;          // flags that must still be set
    };
    const QStringList errorLimit = {TimeoutText, TimeoutText, TimeoutText, ErrorLimitText};
    const QList<Case> cases = {
        // Commands that got no "+" keep their flags.
        {"silence",
         QStringLiteral("silence:100000"),
         4,
         errorLimit,
         QStringLiteral("Error!"),
         {},
         {QStringLiteral("TerminatorPending"), QStringLiteral("HangTimePending(1)"),
          QStringLiteral("TimeOutPending(1)"), QStringLiteral("PIDTimePending(1)")}},
        {"garbage",
         QStringLiteral("garbage"),
         4,
         errorLimit,
         QStringLiteral("Error!"),
         {},
         {QStringLiteral("TerminatorPending"), QStringLiteral("HangTimePending(1)"),
          QStringLiteral("TimeOutPending(1)"), QStringLiteral("HangTimePending(2)")}},
        {"refused at port 2's third timer",
         QStringLiteral("nak:%1").arg(iid2),
         iid2,
         {QStringLiteral("There has been an error. The Tarsis returned -Refused    ")},
         QString(),
         {QStringLiteral("HangTimePending(2)"), QStringLiteral("TimeOutPending(2)"),
          QStringLiteral("HangTimePending(1)")},
         {QStringLiteral("PIDTimePending(2)"), QStringLiteral("InActiveTimePending(2)"),
          QStringLiteral("HangTimePending(3)")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PtyEmulator emulator(faults(c.faults));
        InProcessUpload upload(emulator.port(), 300);
        const UploadResult result = upload.run();
        EXPECT_EQ(result.outcome, UploadOutcome::Aborted);
        EXPECT_EQ(result.commandsSent, c.commandsSent);
        EXPECT_EQ(upload.person.messageTexts(), c.messages);
        ASSERT_FALSE(upload.person.messages().isEmpty());
        EXPECT_EQ(upload.person.messages().last().title, c.lastTitle);

        const QStringList after = upload.db.pendingNames();
        const QSet<QString> afterSet(after.cbegin(), after.cend());
        for (const QString& flag : c.clearedAfterwards)
            EXPECT_FALSE(afterSet.contains(flag)) << flag.toStdString();
        for (const QString& flag : c.stillSet)
            EXPECT_TRUE(afterSet.contains(flag)) << flag.toStdString();
        // Nothing is set that was not set before, and nothing after the stopping point went out.
        for (const QString& flag : after)
            EXPECT_TRUE(upload.before.contains(flag)) << flag.toStdString();
        EXPECT_EQ(upload.sentLines.size(), c.commandsSent);

        QStringList received = receivedLines(emulator.emulator(), c.commandsSent);
        if (c.messages.last() == ErrorLimitText) {
            // The error limit writes the lock command and closes the port.
            received = receivedLines(emulator.emulator(), c.commandsSent + 1);
            ASSERT_EQ(received.size(), c.commandsSent + 1);
            EXPECT_EQ(received.last(), QStringLiteral("1") + upload.db.storedLock());
            EXPECT_FALSE(upload.link->isOpen());
            EXPECT_TRUE(upload.flags.updateInterrupted);
        } else {
            EXPECT_EQ(received, upload.sentLines);
            EXPECT_TRUE(upload.link->isOpen());
        }
    }
}

// The emulator process dies in the middle of a paced upload: the upload ends with a message
// naming the port, the values are as they were, and only items that went out lost their flags.
TEST(UploadPtyTest, EmulatorKilledMidUpload) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    test::ensureCoreApplication();
    EmulatorProcess emulator({QStringLiteral("--fault"), QStringLiteral("pace")});
    ASSERT_FALSE(emulator.port().isEmpty());
    InProcessUpload upload(emulator.port(), 20000);
    const QByteArray valuesBefore = snapshot(upload.db, dir);
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ::kill(static_cast<pid_t>(emulator.process().processId()), SIGKILL);
    });
    const UploadResult result = upload.run();
    killer.join();

    EXPECT_EQ(result.outcome, UploadOutcome::Aborted);
    EXPECT_GT(result.commandsSent, 1);
    EXPECT_LT(result.commandsSent, 900);
    ASSERT_FALSE(upload.person.messages().isEmpty());
    EXPECT_EQ(upload.person.messages().last().text,
              QStringLiteral("The connection to %1 was lost. Check your connections then try again")
                  .arg(emulator.port()));
    EXPECT_TRUE(upload.flags.updateInterrupted);
    EXPECT_FALSE(upload.link->isOpen());

    EXPECT_EQ(snapshot(upload.db, dir), valuesBefore);
    const QStringList after = upload.db.pendingNames();
    EXPECT_FALSE(after.contains(QStringLiteral("TerminatorPending")));
    EXPECT_TRUE(after.contains(QStringLiteral("HangTimePending(3)")) || result.commandsSent > 30);
    EXPECT_TRUE(after.contains(QStringLiteral("PLEncodePolarityPending(3)")));
    for (const QString& flag : after)
        EXPECT_TRUE(upload.before.contains(flag)) << flag.toStdString();
    EXPECT_LT(after.size(), upload.before.size());
}

// What kovo-cli upload says and how it exits: unconfirmed commands (exit 3, named), a file
// that is no configuration, values the controller cannot take (nothing sent, each named).
TEST(UploadPtyTest, CliUploadSaysWhatHappened) {
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("empty.dat"));
    QFile(empty).open(QIODevice::WriteOnly);
    Database bad = loadSample();
    bad.setValue("HangTime", 2, QStringLiteral("xyz!@#"));
    bad.setValue("TimeOut", 3, QStringLiteral("1e3"));
    const QString badPath = dir.filePath(QStringLiteral("bad.dat"));
    ASSERT_TRUE(saveWholeDatabase(bad, badPath).ok);
    struct Case {
        const char* name;
        QStringList arguments;
        QString faults;
        int exitCode;
        QStringList told;
        bool sent;
    };
    const QList<Case> cases = {
        {"one answer lost",
         {Sample},
         QStringLiteral("silence:1@3"),
         3,
         {QStringLiteral("1 never confirmed: HangTime(1)")},
         true},
        {"one answer garbled",
         {Sample},
         QStringLiteral("garbage:1@3"),
         3,
         {QStringLiteral("1 never confirmed: HangTime(1)")},
         true},
        {"an empty file", {empty}, {}, 1, {QStringLiteral("is not a configuration")}, false},
        {"an empty file, accepted", {empty, QStringLiteral("--accept-defaults")}, {}, 0, {}, true},
        {"values it cannot take",
         {badPath},
         {},
         1,
         {QStringLiteral("HangTime(2) = \"xyz!@#\""), QStringLiteral("TimeOut(3) = \"1e3\"")},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PtyEmulator emulator(faults(c.faults));
        const CliRun run =
            runCli(QStringList{QStringLiteral("upload")} + c.arguments +
                   QStringList{QStringLiteral("--port"), emulator.port(), QStringLiteral("--home"),
                               dir.path(), QStringLiteral("--timeout"), QStringLiteral("300")});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        for (const QString& text : c.told)
            EXPECT_TRUE(run.err.contains(text)) << run.err.toStdString();
        EXPECT_EQ(emulator.emulator().exchangeCount() > 0, c.sent);
    }
}

} // namespace
} // namespace kovo
