// kovo-cli as a person runs it: exit statuses and messages, what decode and download write, and
// inputs (and a refused command's output) left byte for byte as they were.
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kovo;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun cli(const QStringList& arguments) {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "cli-tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication* app = new QCoreApplication(argc, argv);
        (void)app;
    }
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
    run.out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(cli.readAllStandardError());
    return run;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

void writeImage(const QString& path, int lines, int hangTime2) {
    QByteArray bytes;
    for (int i = 0; i < lines; ++i)
        bytes += QByteArray::number(i) + ',' + QByteArray::number(i == 17 ? hangTime2 : 0) + "\r\n";
    writeFile(path, bytes);
}

Database load(const QString& path) {
    Database db;
    ErrorLog log;
    EXPECT_TRUE(readDatabase(db, path, log).fileReadable);
    return db;
}

// Exit statuses and the first words a person reads; the output file of every refusal untouched.
TEST(Cli, ExitStatusesAndMessages) {
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return dir.filePath(QLatin1String(name)); };
    writeFile(at("good.dat"), "[Timers]\r\nHangTime(1)=9\r\n");
    writeFile(at("a-file"), "");
    writeImage(at("image.mem"), 4096, 0);
    QDir(dir.path()).mkdir(u"folder"_s);
    const QString home = dir.path();
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* text; // in stdout or stderr
    };
    const Case cases[] = {
        {{u"--help"_s}, 0, "usage: kovo-cli COMMAND"},
        {{u"check"_s, u"--help"_s}, 0, "usage: kovo-cli check FILE.dat"},
        {{}, 2, "kovo-cli: give a command\nusage: kovo-cli COMMAND"},
        {{u"frob"_s}, 2, "kovo-cli: unknown command \"frob\""},
        {{u"check"_s, u"a"_s, u"b"_s}, 2, "kovo-cli check: give one database file\nusage: "},
        {{u"convert"_s, u"onlyone"_s}, 2, "usage: kovo-cli convert IN.dat OUT.dat"},
        {{u"commands"_s, at("good.dat"), u"--bogus"_s}, 2, "unknown option --bogus\nusage: "},
        {{u"decode"_s, u"-o"_s, at("good.dat")}, 2, "usage: kovo-cli decode"},
        {{u"download"_s, u"-o"_s, at("good.dat")}, 2, "--port needs a port name"},
        {{u"check"_s, at("good.dat"), u"--home"_s}, 2, "--home needs a folder"},
        {{u"check"_s, at("good.dat"), u"--home"_s, at("a-file")}, 1, "is a file, not a folder"},
        {{u"check"_s, at("good.dat"), u"--home"_s, at("a-file") + u"/sub"_s},
         1,
         "cannot be created"},
        {{u"convert"_s, at("typo.dat"), at("good.dat")}, 1, "typo.dat does not exist"},
        {{u"convert"_s, at("folder"), at("good.dat")}, 1, "folder could not be read"},
        {{u"convert"_s, at("good.dat"), home + u"/./good.dat"_s}, 1, "is the same file as"},
        {{u"decode"_s, at("image.mem"), u"--into"_s, at("good.dat"), u"-o"_s, at("good.dat")},
         1,
         "is the same file as"},
        {{u"decode"_s, at("image.mem"), u"-o"_s, at("image.mem")}, 1, "is the same file as"},
        {{u"upload"_s, at("good.dat"), u"--dtmf"_s, u"--wav"_s, at("good.dat")},
         1,
         "is the same file as"},
        {{u"dtmf"_s, u"1x"_s}, 2, "'X' is not a DTMF digit"},
        {{u"dtmf"_s, u"1a*#d"_s, u"--wav"_s, at("pad.wav")}, 0, "Wrote 5 digit(s)"},
        {{u"defaults"_s, at("defaults.dat")}, 0, "Wrote the default configuration"},
    };
    const QByteArray good = bytesOf(at("good.dat"));
    for (const Case& c : cases) {
        const QStringList arguments = c.arguments.contains(u"--home"_s) || c.arguments.isEmpty()
                                          ? c.arguments
                                          : c.arguments + QStringList{u"--home"_s, home};
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const CliRun run = cli(arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE((run.out + run.err).contains(QLatin1String(c.text)))
            << (run.out + run.err).toStdString();
        EXPECT_EQ(bytesOf(at("good.dat")), good);
    }
    // The defaults are the complete configuration: they load without a replaced value.
    Database defaults;
    ErrorLog log;
    EXPECT_TRUE(readDatabase(defaults, at("defaults.dat"), log).errorLines.isEmpty());
    EXPECT_TRUE(defaults.sameValues(Database()));
}

// Commands that read never write what they read, whatever it holds; a download whose port
// cannot be opened keeps the last memory image.
TEST(Cli, ReadingLeavesInputsByteForByte) {
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return dir.filePath(QLatin1String(name)); };
    QByteArray noise(20000, '\0');
    QRandomGenerator random(11);
    for (char& c : noise)
        c = static_cast<char>(random.bounded(256));
    // A configuration without a pre-access prefix, with LF line ends, and one in UTF-16.
    writeFile(at("site.dat"), "[Timers]\nHangTime(1)=30\n[ID]\nCWID1(1)=T E S T\n");
    QStringEncoder utf16(QStringConverter::Utf16LE);
    writeFile(at("old.dat"),
              "\xff\xfe" + QByteArray(utf16.encode(u"[Timers]\r\nHangTime(1)=7\r\n")));
    writeFile(at("noise.dat"), noise);
    writeFile(at("empty.dat"), "");
    writeFile(at("download.mem"), "the last image\r\n");
    writeImage(at("image.mem"), 4096, 0);
    const QStringList files = {at("site.dat"),  at("old.dat"),      at("noise.dat"),
                               at("empty.dat"), at("download.mem"), at("image.mem")};
    QByteArray before;
    for (const QString& file : files)
        before += bytesOf(file);
    const QString home = dir.path();
    const QList<QStringList> runs = {
        {u"check"_s, at("site.dat")},
        {u"check"_s, at("noise.dat")},
        {u"check"_s, at("empty.dat")},
        {u"commands"_s, at("site.dat"), u"--since"_s, at("old.dat")},
        {u"upload"_s, at("noise.dat"), u"--dtmf"_s, u"--since"_s, at("empty.dat"), u"--wav"_s,
         at("out.wav")},
        {u"decode"_s, at("image.mem"), u"--into"_s, at("site.dat"), u"-o"_s, at("out.dat")},
        {u"diff"_s, at("site.dat"), at("old.dat")},
        {u"download"_s, u"--port"_s, at("no-such-port"), u"-o"_s, at("out.dat"), u"--into"_s,
         at("site.dat")},
    };
    for (const QStringList& arguments : runs)
        cli(arguments + QStringList{u"--home"_s, home});
    QByteArray after;
    for (const QString& file : files)
        after += bytesOf(file);
    EXPECT_EQ(after, before);
}

// The lines of an over-the-air upload as `commands --dtmf` prints them: unlock, body and lock,
// each with its terminator.
TEST(Cli, CommandsPrintsEachUploadLine) {
    QTemporaryDir dir;
    const QString site = dir.filePath(u"site.dat"_s);
    Database defaults;
    ASSERT_TRUE(saveWholeDatabase(defaults, site).ok);
    const CliRun dtmf = cli({u"commands"_s, site, u"--dtmf"_s, u"--home"_s, dir.path()});
    ASSERT_EQ(dtmf.exitCode, 0) << dtmf.err.toStdString();
    EXPECT_TRUE(dtmf.out.startsWith(u"16470D *9020DD\n16470D *100050D #D\n16470D *1001180D #D\n"_s))
        << dtmf.out.left(200).toStdString();
    const CliRun serial = cli({u"commands"_s, site, u"--home"_s, dir.path()});
    EXPECT_TRUE(serial.out.startsWith(u"1*9020D\n1*100050\n1*1001180\n"_s))
        << serial.out.left(200).toStdString();
}

// A decoded image takes what it lacks from the base; a refused one leaves the output alone.
TEST(CliDecode, WritesTheImageOrNothing) {
    QTemporaryDir dir;
    const QString image = dir.filePath(u"download.mem"_s);
    const QString out = dir.filePath(u"out.dat"_s);
    writeFile(out, "[Timers]\r\nHangTime(1)=9\r\n");
    struct Case {
        int lines;
        int value;
        const char* message;
    };
    const Case refused[] = {{4095, 0, "line 4096"}, {4096, 256, "line 18"}, {0, 0, "empty"}};
    for (const Case& c : refused) {
        writeImage(image, c.lines, c.value);
        const CliRun run = cli({u"decode"_s, image, u"-o"_s, out, u"--home"_s, dir.path()});
        EXPECT_EQ(run.exitCode, 1) << c.message;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
        EXPECT_EQ(bytesOf(out), QByteArray("[Timers]\r\nHangTime(1)=9\r\n")) << c.message;
    }

    writeImage(image, 4096, 77);
    Database base;
    base.setValue("Monthly", 4, u"1"_s);
    const QString basePath = dir.filePath(u"base.dat"_s);
    ASSERT_TRUE(saveWholeDatabase(base, basePath).ok);
    const CliRun run =
        cli({u"decode"_s, image, u"--into"_s, basePath, u"-o"_s, out, u"--home"_s, dir.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const Database decoded = load(out);
    EXPECT_EQ(decoded.value("HangTime", 2), u"77"_s);
    EXPECT_EQ(decoded.value("Monthly", 4), u"1"_s);
    EXPECT_EQ(decoded.value("Macro", 1), u"NONE STORED"_s);
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
}

} // namespace
