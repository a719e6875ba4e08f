// kovo-cli as a person runs it: exit statuses and messages, what decode and download write,
// inputs (and a refused command's output) left byte for byte whatever they hold, and what it
// keeps besides a transfer: the trace of the conversation with the controller and backups.
#include "database/backup_store.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "file_bytes.h"
#include "link/cli_runner.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kovo;
using test::CliRun;
using test::fileBytes;
using test::runCli;
using test::writeBytes;

namespace {

void writeImage(const QString& path, int lines, int hangTime2) {
    QByteArray bytes;
    for (int i = 0; i < lines; ++i)
        bytes += QByteArray::number(i) + ',' + QByteArray::number(i == 17 ? hangTime2 : 0) + "\r\n";
    writeBytes(path, bytes);
}

Database load(const QString& path) {
    Database db;
    ErrorLog log;
    EXPECT_TRUE(readDatabase(db, path, log).fileReadable);
    return db;
}

// "~/" in a text stands for the test's folder, which is also kovo-cli's --home.
QString inDir(const char* text, const QString& dir) {
    return QString::fromLatin1(text).replace(u"~/"_s, dir + u'/');
}

// The exit status, the first line on stderr and how stdout begins. A message ": TEXT" stands for
// "kovo-cli VERB: TEXT", SAME for "is the same file as the input"; a message ending in a blank is
// how the line begins. A usage error (status 2) is followed by the verb's usage, unless `usage`
// says otherwise.
TEST(Cli, ExitStatusesAndMessages) {
    QTemporaryDir dir;
    const QString home = dir.path();
    const auto at = [&](const char* name) { return inDir(name, home); };
    Database db;
    ASSERT_TRUE(saveWholeDatabase(db, at("~/good.dat")).ok);
    db.setValue("HangTime", 2, u"30"_s);
    db.setValue("Monthly", 4, u"1"_s);
    ASSERT_TRUE(saveWholeDatabase(db, at("~/other.dat")).ok);
    writeBytes(at("~/bad.dat"),
               fileBytes(at("~/good.dat")).replace("HangTime(2)=50", "HangTime(2)=300"));
    writeBytes(at("~/a-file"), "");
    writeImage(at("~/image.mem"), 4096, 77);
    writeImage(at("~/short.mem"), 4095, 0);
    writeImage(at("~/big.mem"), 4096, 256);
    QDir(home).mkdir(u"folder"_s);
    // Inputs no command may change: one without a pre-access prefix and with LF line ends, one in
    // UTF-16, bytes of any value, and the memory image of the last download.
    writeBytes(at("~/site.dat"), "[Timers]\nHangTime(1)=30\n[ID]\nCWID1(1)=T E S T\n");
    QStringEncoder utf16(QStringConverter::Utf16LE);
    writeBytes(at("~/old.dat"),
               "\xff\xfe" + QByteArray(utf16.encode(u"[Timers]\r\nHangTime(1)=7\r\n")));
    QByteArray noise(20000, '\0');
    QRandomGenerator random(11);
    for (char& c : noise)
        c = static_cast<char>(random.bounded(256));
    writeBytes(at("~/noise.dat"), noise);
    writeBytes(at("~/download.mem"), "the last image\r\n");
    struct Case {
        const char* arguments;
        int exitCode;
        const char* err;
        const char* out = "";
        bool usage = true;
    };
    const Case cases[] = {
        {"", 2, "kovo-cli: give a command"},
        {"--help", 0, "", "usage: kovo-cli COMMAND [ARGS] [--home DIR]\n"},
        {"check --help", 0, "", "usage: kovo-cli check FILE.dat "},
        {"frob", 2, "kovo-cli: unknown command \"frob\""},
        {"check a b", 2, ": give one database file"},
        {"check ~/good.dat --home", 2, ": --home needs a folder"},
        {"check ~/good.dat --home ~/a-file", 1, ": ~/a-file is a file, not a folder"},
        {"check ~/good.dat --home ~/a-file/sub", 1, ": the folder ~/a-file/sub cannot be created"},
        {"check ~/good.dat", 0, "Loaded ~/good.dat: 0 value(s) replaced by defaults"},
        {"check ~/bad.dat", 1, "~/bad.dat: 1 value(s) replaced by defaults", "Ram_HangTime 2\n"},
        {"convert onlyone", 2, ": give the file to read and the file to write"},
        {"convert ~/typo.dat ~/good.dat", 1, ": ~/typo.dat does not exist"},
        {"convert ~/folder ~/good.dat", 1, ": ~/folder could not be read"},
        {"convert ~/good.dat ~/./good.dat", 1,
         ": ~/./good.dat SAME ~/good.dat; nothing was written"},
        {"commands ~/good.dat --bogus", 2, ": unknown option --bogus"},
        {"commands ~/good.dat --dtmf", 0, "912 command(s)",
         "16470D *9020DD\n16470D *100050D #D\n16470D *1001180D #D\n"},
        {"commands ~/good.dat", 0, "963 command(s)", "1*9020D\n1*100050\n1*1001180\n"},
        {"decode -o ~/good.dat", 2, "usage: kovo-cli decode IMAGE.mem "},
        {"decode ~/image.mem -o ~/image.mem", 1,
         ": ~/image.mem SAME ~/image.mem; nothing was written"},
        {"decode ~/short.mem -o ~/good.dat", 1,
         ": The memory image short.mem cannot be decoded: it ends after 4095 lines; line 4096 "
         "is missing (an image has 4096 lines). Nothing was changed."},
        {"decode ~/big.mem -o ~/good.dat", 1,
         ": The memory image big.mem cannot be decoded: line 18 holds \"256\" after its comma, "
         "not a byte from 0 to 255. Nothing was changed."},
        {"decode ~/a-file -o ~/good.dat", 1,
         ": The memory image a-file cannot be decoded: the file is empty. Nothing was "
         "changed."},
        {"decode ~/image.mem --into ~/other.dat -o ~/out.dat", 0,
         "Decoded ~/image.mem -> ~/out.dat in "},
        {"download -o ~/good.dat", 2, ": --port needs a port name"},
        {"diff ~/good.dat ~/good.dat", 0, "0 field(s) differ between ~/good.dat and ~/good.dat"},
        {"diff ~/good.dat ~/other.dat", 1, "2 field(s) differ between ~/good.dat and ~/other.dat",
         "Timers\n  [Timers] HangTime(2): \"50\" -> \"30\"\nScheduler/Clock\n"},
        {"diff ~/good.dat ~/typo.dat", 2, ": ~/typo.dat does not exist", "", false},
        {"diff ~/good.dat", 2, ": give two database files"},
        {"upload ~/good.dat --dtmf --wav", 2, ": --wav needs a file name"},
        {"upload ~/good.dat --dtmf --port COM1", 2, ": give either --port or --dtmf, not both"},
        {"upload --dtmf", 2, "usage: kovo-cli upload FILE.dat "},
        {"upload ~/typo.dat --dtmf", 1, ": ~/typo.dat does not exist"},
        {"upload ~/good.dat --dtmf --wav ~/no/such/a.wav", 1,
         "Cannot write ~/no/such/a.wav: No such file or directory. The upload stopped before "
         "anything was sent."},
        {"upload ~/good.dat --dtmf --wav ~/good.dat", 1,
         ": ~/good.dat SAME ~/good.dat; nothing was written"},
        {"record 21 ~/a.wav --port COM1", 2, ": TRACK is 1 to 20"},
        {"record 0 ~/a.wav --port COM1", 2, ": TRACK is 1 to 20"},
        {"set-code --unlock 0 123 ~/good.dat --port COM1", 2, ": PORT is 1, 2 or 3"},
        {"set-code --unlock 4 123 ~/good.dat --port COM1", 2, ": PORT is 1, 2 or 3"},
        {"download -o ~/x.dat --port COM1 --timeout 0", 2,
         ": --timeout needs a number of milliseconds"},
        {"set-code --lock --terminator C ~/good.dat --port COM1", 2,
         ": give one of --unlock PORT, --lock, --terminator"},
        {"clock --port COM1 --dtmf", 2, ": give either --port or --dtmf, not both"},
        {"dtmf", 2, "usage: kovo-cli dtmf DIGITS "},
        {"dtmf 12 34", 2, "usage: kovo-cli dtmf DIGITS "},
        {"dtmf 1x", 2, ": 'X' is not a DTMF digit"},
        {"dtmf --bogus --wav ~/x.wav", 2, ": unknown option --bogus"},
        {"dtmf 12 --wav ~/no/such/f.wav", 1,
         "kovo-cli: Cannot write ~/no/such/f.wav: No such file or directory"},
        // Lower-case letters are the keypad's letters.
        {"dtmf 1a*#d --wav ~/pad.wav", 0, "Wrote 5 digit(s), 0.500 s, to ~/pad.wav"},
        {"defaults ~/defaults.dat", 0, "Wrote the default configuration to ~/defaults.dat"},
        {"check ~/defaults.dat", 0, "Loaded ~/defaults.dat: 0 value(s) replaced by defaults"},
        {"check ~/site.dat", 1, "~/site.dat: ", "Ram_TimeOut 1\n"},
        {"check ~/noise.dat", 1, "~/noise.dat: "},
        {"check ~/a-file", 1, "~/a-file: "},
        {"commands ~/site.dat --since ~/old.dat", 0, "~/site.dat: ", "1*100030\n1*800281327381\n"},
        {"upload ~/noise.dat --dtmf --since ~/a-file --wav ~/out.wav", 1,
         ": ~/noise.dat is not a configuration: "},
        {"decode ~/image.mem --into ~/site.dat -o ~/site-image.dat", 0, "~/site.dat: "},
        {"diff ~/site.dat ~/old.dat", 1,
         "~/site.dat: ", "Timers\n  [Timers] HangTime(1): \"30\" -> \"7\"\n"},
        // A download whose port cannot be opened keeps the last memory image.
        {"download --port ~/no-such-port -o ~/dl.dat --into ~/site.dat", 1, "~/site.dat: "},
    };
    const auto inputs = [&] {
        QByteArray bytes;
        for (const char* name : {"good.dat", "site.dat", "old.dat", "noise.dat", "a-file",
                                 "download.mem", "image.mem"})
            bytes += fileBytes(at("~/") + QLatin1String(name));
        return bytes;
    };
    const QByteArray before = inputs();
    for (const Case& c : cases) {
        // Split at blanks, with --home the test's folder unless they name one.
        QStringList arguments = at(c.arguments).split(u' ', Qt::SkipEmptyParts);
        if (!arguments.contains(u"--home"_s) && !arguments.isEmpty())
            arguments << u"--home"_s << home;
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        const QString verb = arguments.value(0);
        QString said = at(c.err).replace(u"SAME"_s, u"is the same file as the input"_s);
        if (said.startsWith(u':'))
            said.prepend(u"kovo-cli "_s + verb);
        const QStringList err = run.err.split(u'\n');
        EXPECT_EQ(said.endsWith(u' ') ? err.first().left(said.size()) : err.first(), said)
            << run.err.toStdString();
        EXPECT_EQ(run.out.left(qstrlen(c.out)), QLatin1String(c.out));
        const bool usage = c.exitCode == 2 && c.usage && !said.startsWith(u"usage:"_s);
        const QString usageOf = said.startsWith(u"kovo-cli:"_s) ? u"COMMAND"_s : verb;
        EXPECT_EQ(err.value(1).startsWith(u"usage: kovo-cli "_s + usageOf + u' '), usage)
            << run.err.toStdString();
        EXPECT_EQ(inputs(), before);
    }
    // The defaults are the complete configuration; a decoded image takes what it lacks from the
    // base.
    EXPECT_TRUE(load(at("~/defaults.dat")).sameValues(Database()));
    const Database decoded = load(at("~/out.dat"));
    EXPECT_EQ((QStringList{decoded.value("HangTime", 2), decoded.value("Monthly", 4),
                           decoded.value("Macro", 1)}),
              (QStringList{u"77"_s, u"1"_s, u"NONE STORED"_s}));
}

// An upload is traced line by line and backed up unless asked not to; a download keeps its image.
TEST(CliRecords, UploadTraceBackupsAndDownload) {
    QTemporaryDir dir;
    const QString old = dir.filePath(u"old.dat"_s);
    const QString site = dir.filePath(u"site.dat"_s);
    Database db;
    ASSERT_TRUE(saveWholeDatabase(db, old).ok);
    db.setValue("HangTime", 2, u"30"_s);
    db.setValue("HangTime", 3, u"40"_s);
    ASSERT_TRUE(saveWholeDatabase(db, site).ok);
    const QString trace = dir.filePath(u"trace.txt"_s);
    const QStringList upload{u"upload"_s, site,        u"--since"_s,
                             old,         u"--port"_s, u"Built-in Tarsis emulator"_s};

    ASSERT_EQ(test::runCli(upload + QStringList{u"--trace"_s, trace}, dir.path()).exitCode, 0);
    QStringList exchanges; // "out LINE" / "in ANSWER", in the order they crossed the line
    static const QRegularExpression exchange(u"  (out|in)  (.*)$"_s);
    for (const QString& line : QString::fromUtf8(fileBytes(trace)).split(u'\n')) {
        const QRegularExpressionMatch match = exchange.match(line);
        if (match.hasMatch())
            exchanges << match.captured(1) + u' ' + match.captured(2);
    }
    EXPECT_EQ(exchanges,
              (QStringList{u"out 2*100030<CR>"_s, u"in +"_s, u"out 3*100040<CR>"_s, u"in +"_s}));

    const QString backups = dir.filePath(u"backups"_s);
    const QList<BackupEntry> kept = BackupStore(dir.path()).list();
    ASSERT_EQ(QDir(backups).entryList(QDir::Files).size(), 1);
    EXPECT_EQ(std::tuple(kept.value(0).note, kept.value(0).file),
              std::tuple(u"changes only"_s, site));
    EXPECT_TRUE(fileBytes(kept.value(0).path).endsWith(fileBytes(site)));
    ASSERT_EQ(test::runCli(upload + QStringList{u"--no-backup"_s}, dir.path()).exitCode, 0);
    EXPECT_EQ(QDir(backups).entryList(QDir::Files).size(), 1);

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
    EXPECT_EQ((QStringList{downloaded.value("HangTime", 1), downloaded.value("CWID1", 1)}),
              (QStringList{u"50"_s, u"T A R S I S"_s}));
}

} // namespace
