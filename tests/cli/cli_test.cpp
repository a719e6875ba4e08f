// kovo-cli as a person runs it: exit statuses and messages, what decode and download write, and
// inputs (and a refused command's output) left byte for byte as they were.
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "link/cli_runner.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kovo;
using test::CliRun;
using test::runCli;

namespace {

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

// The exit status and the first line a person reads; a usage error is followed by the verb's
// usage. "DIR/" in an argument or a text stands for the test's folder, which is also --home.
TEST(Cli, ExitStatusesAndMessages) {
    QTemporaryDir dir;
    const QString home = dir.path();
    const auto at = [&](const QString& name) {
        return QString(name).replace(u"DIR/"_s, home + u'/');
    };
    Database db;
    ASSERT_TRUE(saveWholeDatabase(db, at(u"DIR/good.dat"_s)).ok);
    db.setValue("HangTime", 2, u"30"_s);
    ASSERT_TRUE(saveWholeDatabase(db, at(u"DIR/other.dat"_s)).ok);
    writeFile(at(u"DIR/bad.dat"_s),
              bytesOf(at(u"DIR/good.dat"_s)).replace("HangTime(2)=50", "HangTime(2)=300"));
    writeFile(at(u"DIR/a-file"_s), "");
    writeImage(at(u"DIR/image.mem"_s), 4096, 0);
    QDir(home).mkdir(u"folder"_s);
    struct Case {
        const char* arguments; // split at blanks
        int exitCode;
        const char* err;     // the first line on stderr; ending in a blank: how it begins
        const char* out;     // how stdout begins
        const char* usageOf; // the verb whose usage follows the message
    };
    const Case cases[] = {
        {"", 2, "kovo-cli: give a command", "", "COMMAND"},
        {"--help", 0, "", "usage: kovo-cli COMMAND [ARGS] [--home DIR]\n", ""},
        {"check --help", 0, "", "usage: kovo-cli check FILE.dat ", ""},
        {"frob", 2, "kovo-cli: unknown command \"frob\"", "", "COMMAND"},
        {"check a b", 2, "kovo-cli check: give one database file", "", "check"},
        {"check DIR/good.dat --home", 2, "kovo-cli check: --home needs a folder", "", "check"},
        {"check DIR/good.dat --home DIR/a-file", 1,
         "kovo-cli check: DIR/a-file is a file, not a folder", "", ""},
        {"check DIR/good.dat --home DIR/a-file/sub", 1,
         "kovo-cli check: the folder DIR/a-file/sub cannot be created", "", ""},
        {"check DIR/good.dat", 0, "Loaded DIR/good.dat: 0 value(s) replaced by defaults", "", ""},
        {"check DIR/bad.dat", 1, "DIR/bad.dat: 1 value(s) replaced by defaults", "Ram_HangTime 2\n",
         ""},
        {"convert onlyone", 2, "kovo-cli convert: give the file to read and the file to write", "",
         "convert"},
        {"convert DIR/typo.dat DIR/good.dat", 1, "kovo-cli convert: DIR/typo.dat does not exist",
         "", ""},
        {"convert DIR/folder DIR/good.dat", 1, "kovo-cli convert: DIR/folder could not be read", "",
         ""},
        {"convert DIR/good.dat DIR/./good.dat", 1,
         "kovo-cli convert: DIR/./good.dat is the same file as the input DIR/good.dat; nothing was "
         "written",
         "", ""},
        {"commands DIR/good.dat --bogus", 2, "kovo-cli commands: unknown option --bogus", "",
         "commands"},
        {"decode -o DIR/good.dat", 2, "usage: kovo-cli decode IMAGE.mem ", "", ""},
        {"decode DIR/image.mem -o DIR/image.mem", 1,
         "kovo-cli decode: DIR/image.mem is the same file as the input DIR/image.mem; nothing was "
         "written",
         "", ""},
        {"download -o DIR/good.dat", 2, "kovo-cli download: --port needs a port name", "",
         "download"},
        {"diff DIR/good.dat DIR/good.dat", 0,
         "0 field(s) differ between DIR/good.dat and DIR/good.dat", "", ""},
        {"diff DIR/good.dat DIR/other.dat", 1,
         "1 field(s) differ between DIR/good.dat and DIR/other.dat",
         "Timers\n  [Timers] HangTime(2): \"50\" -> \"30\"\n", ""},
        {"diff DIR/good.dat DIR/typo.dat", 2, "kovo-cli diff: DIR/typo.dat does not exist", "", ""},
        {"diff DIR/good.dat", 2, "kovo-cli diff: give two database files", "", "diff"},
        {"upload DIR/good.dat --dtmf --wav", 2, "kovo-cli upload: --wav needs a file name", "",
         "upload"},
        {"upload DIR/good.dat --dtmf --port COM1", 2,
         "kovo-cli upload: give either --port or --dtmf, not both", "", "upload"},
        {"upload --dtmf", 2, "usage: kovo-cli upload FILE.dat ", "", ""},
        {"upload DIR/typo.dat --dtmf", 1, "kovo-cli upload: DIR/typo.dat does not exist", "", ""},
        {"upload DIR/good.dat --dtmf --wav DIR/no/such/a.wav", 1,
         "Cannot write DIR/no/such/a.wav: No such file or directory. The upload stopped before "
         "anything was sent.",
         "", ""},
        {"upload DIR/good.dat --dtmf --wav DIR/good.dat", 1,
         "kovo-cli upload: DIR/good.dat is the same file as the input DIR/good.dat; nothing was "
         "written",
         "", ""},
        {"record 21 DIR/a.wav --port COM1", 2, "kovo-cli record: TRACK is 1 to 20", "", "record"},
        {"set-code --lock --terminator C DIR/good.dat --port COM1", 2,
         "kovo-cli set-code: give one of --unlock PORT, --lock, --terminator", "", "set-code"},
        {"clock --port COM1 --dtmf", 2, "kovo-cli clock: give either --port or --dtmf, not both",
         "", "clock"},
        {"dtmf", 2, "usage: kovo-cli dtmf DIGITS ", "", ""},
        {"dtmf 12 34", 2, "usage: kovo-cli dtmf DIGITS ", "", ""},
        {"dtmf 1x", 2, "kovo-cli dtmf: 'X' is not a DTMF digit", "", "dtmf"},
        {"dtmf --bogus --wav DIR/x.wav", 2, "kovo-cli dtmf: unknown option --bogus", "", "dtmf"},
        {"dtmf 12 --wav DIR/no/such/f.wav", 1,
         "kovo-cli: Cannot write DIR/no/such/f.wav: No such file or directory", "", ""},
        // Lower-case letters are the keypad's letters.
        {"dtmf 1a*#d --wav DIR/pad.wav", 0, "Wrote 5 digit(s), 0.500 s, to DIR/pad.wav", "", ""},
        {"defaults DIR/defaults.dat", 0, "Wrote the default configuration to DIR/defaults.dat", "",
         ""},
    };
    const QByteArray good = bytesOf(at(u"DIR/good.dat"_s));
    for (const Case& c : cases) {
        QStringList arguments;
        for (const QString& argument :
             QString::fromLatin1(c.arguments).split(u' ', Qt::SkipEmptyParts))
            arguments << at(argument);
        if (!arguments.contains(u"--home"_s) && !arguments.isEmpty())
            arguments << u"--home"_s << home;
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        const QStringList err = run.err.split(u'\n');
        const QString said = at(QString::fromLatin1(c.err));
        if (said.endsWith(u' ')) {
            EXPECT_TRUE(err.first().startsWith(said)) << run.err.toStdString();
        } else {
            EXPECT_EQ(err.first(), said) << run.err.toStdString();
        }
        EXPECT_EQ(run.out.left(qstrlen(c.out)), QLatin1String(c.out));
        if (*c.usageOf) {
            EXPECT_TRUE(
                err.value(1).startsWith(u"usage: kovo-cli "_s + QLatin1String(c.usageOf) + u' '))
                << run.err.toStdString();
        }
        EXPECT_EQ(bytesOf(at(u"DIR/good.dat"_s)), good);
    }
    // The defaults are the complete configuration; the digits were written as the keypad's.
    Database defaults;
    ErrorLog log;
    EXPECT_TRUE(readDatabase(defaults, at(u"DIR/defaults.dat"_s), log).errorLines.isEmpty());
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
        runCli(arguments, dir.path());
    QByteArray after;
    for (const QString& file : files)
        after += bytesOf(file);
    EXPECT_EQ(after, before);
}

// The lines of an upload as `commands` prints them; over the air the unlock, body and lock
// parts, each with its terminator, one blank apart.
TEST(Cli, CommandsPrintsEachUploadLine) {
    QTemporaryDir dir;
    const QString site = dir.filePath(u"site.dat"_s);
    Database defaults;
    ASSERT_TRUE(saveWholeDatabase(defaults, site).ok);
    const CliRun dtmf = runCli({u"commands"_s, site, u"--dtmf"_s}, dir.path());
    ASSERT_EQ(dtmf.exitCode, 0) << dtmf.err.toStdString();
    EXPECT_TRUE(dtmf.out.startsWith(u"16470D *9020DD\n16470D *100050D #D\n16470D *1001180D #D\n"_s))
        << dtmf.out.left(200).toStdString();
    const CliRun serial = runCli({u"commands"_s, site}, dir.path());
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
        const CliRun run = runCli({u"decode"_s, image, u"-o"_s, out}, dir.path());
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
        runCli({u"decode"_s, image, u"--into"_s, basePath, u"-o"_s, out}, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const Database decoded = load(out);
    EXPECT_EQ(decoded.value("HangTime", 2), u"77"_s);
    EXPECT_EQ(decoded.value("Monthly", 4), u"1"_s);
    EXPECT_EQ(decoded.value("Macro", 1), u"NONE STORED"_s);
}

TEST(CliDownload, ReadsTheBuiltInEmulator) {
    QTemporaryDir dir;
    const QString out = dir.filePath(u"out.dat"_s);
    const CliRun run = runCli(
        {u"download"_s, u"--port"_s, u"Built-in Tarsis emulator"_s, u"-o"_s, out, u"--ostrik"_s},
        dir.path());
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
