// kovo-cli upload over real pseudo-terminals against the emulated Tarsis: what it sends is what
// `kovo-cli commands` lists, and what it says and how it exits when the line or the file is bad.
#include "cli_runner.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "link/pty_emulator.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace kovo {
namespace {

using test::CliRun;
using test::PtyEmulator;
using test::runCli;

const QString Sample = QStringLiteral(KOVO_EXAMPLES_DIR "/sample.dat");

EmulatorFaults faults(const QString& faultList) {
    const auto faults = EmulatorFaults::parse(faultList);
    EXPECT_TRUE(faults.has_value()) << faultList.toStdString();
    return faults.value_or(EmulatorFaults{});
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
        const QStringList received = receivedLines(emulator.emulator(), listed.outLines().size());
        EXPECT_EQ(received, listed.outLines());
        // The controller took every line, the closing reset included.
        EXPECT_EQ(emulator.emulator().acceptedLines(), listed.outLines());
    }
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
         {QStringLiteral("1 never confirmed: TimeOut(1)")},
         true},
        {"one answer garbled",
         {Sample},
         QStringLiteral("garbage:1@3"),
         3,
         {QStringLiteral("1 never confirmed: TimeOut(1)")},
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
