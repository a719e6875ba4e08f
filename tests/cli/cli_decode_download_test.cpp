// kovo-cli decode and download as a person runs them: what they write, what they refuse, and
// that a refused image leaves the output file as it was.
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kovo;

namespace {

void ensureApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "cli-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    (void)app;
}

struct CliRun {
    int exitCode = -1;
    QString err;
};

CliRun cli(const QStringList& arguments) {
    ensureApplication();
    QProcess cli;
    cli.start(QStringLiteral(KOVO_CLI_PATH), arguments);
    CliRun run;
    if (!cli.waitForFinished(120000)) { // a hang guard only
        cli.kill();
        cli.waitForFinished();
        ADD_FAILURE() << "kovo-cli " << arguments.join(u' ').toStdString() << " did not finish";
        return run;
    }
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.err = QString::fromLocal8Bit(cli.readAllStandardError());
    return run;
}

void writeImage(const QString& path, int lines, int hangTime2) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (int i = 0; i < lines; ++i)
        file.write(QByteArray::number(i) + ',' + QByteArray::number(i == 17 ? hangTime2 : 0) +
                   "\r\n");
}

Database load(const QString& path) {
    Database db;
    ErrorLog log;
    EXPECT_TRUE(readDatabase(db, path, log).fileReadable);
    return db;
}

TEST(CliDecode, WritesTheDecodedImageAndKeepsWhatTheImageLacks) {
    QTemporaryDir dir;
    const QString image = dir.filePath(u"download.mem"_s);
    writeImage(image, 4096, 77);
    Database base;
    base.setValue("Monthly", 4, u"1"_s);
    const QString basePath = dir.filePath(u"base.dat"_s);
    ASSERT_TRUE(saveWholeDatabase(base, basePath).ok);
    const QString out = dir.filePath(u"out.dat"_s);

    const CliRun run =
        cli({u"decode"_s, image, u"--into"_s, basePath, u"-o"_s, out, u"--home"_s, dir.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const Database decoded = load(out);
    EXPECT_EQ(decoded.value("HangTime", 2), u"77"_s);
    EXPECT_EQ(decoded.value("Monthly", 4), u"1"_s);
    EXPECT_EQ(decoded.value("Macro", 1), u"NONE STORED"_s);
}

TEST(CliDecode, ARefusedImageExitsOneAndLeavesTheOutputAlone) {
    QTemporaryDir dir;
    const QString out = dir.filePath(u"out.dat"_s);
    QFile previous(out);
    ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
    previous.write("[Timers]\r\nHangTime(1)=9\r\n");
    previous.close();

    struct Case {
        const char* what;
        int lines;
        int value;
        const char* message;
    };
    const Case cases[] = {
        {"4095 lines", 4095, 0, "line 4096"},
        {"a value of 256", 4096, 256, "line 18"},
        {"an empty file", 0, 0, "empty"},
    };
    for (const Case& c : cases) {
        const QString image = dir.filePath(u"bad.mem"_s);
        writeImage(image, c.lines, c.value);
        const CliRun run = cli({u"decode"_s, image, u"-o"_s, out, u"--home"_s, dir.path()});
        EXPECT_EQ(run.exitCode, 1) << c.what;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
        QFile kept(out);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), QByteArray("[Timers]\r\nHangTime(1)=9\r\n")) << c.what;
    }
    EXPECT_EQ(cli({u"decode"_s, u"-o"_s, out}).exitCode, 2);
    EXPECT_EQ(cli({u"decode"_s, dir.filePath(u"bad.mem"_s)}).exitCode, 2);
}

TEST(CliDownload, ReadsTheBuiltInEmulator) {
    QTemporaryDir dir;
    const QString out = dir.filePath(u"out.dat"_s);
    const CliRun run = cli({u"download"_s, u"--port"_s, u"Built-in Tarsis emulator"_s, u"-o"_s, out,
                            u"--ostrik"_s, u"--home"_s, dir.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"Downloading From Tarsis: 100%"_s)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"autopatch records"_s)) << run.err.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath(u"download.mem"_s)));
    EXPECT_TRUE(QFile::exists(dir.filePath(u"Tempfile.dat"_s)));
    const Database downloaded = load(out);
    EXPECT_EQ(downloaded.value("HangTime", 1), u"50"_s);
    EXPECT_EQ(downloaded.value("CWID1", 1), u"T A R S I S"_s);

    EXPECT_EQ(cli({u"download"_s, u"-o"_s, out}).exitCode, 2); // no port
}

} // namespace
