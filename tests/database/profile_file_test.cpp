// Profile files as the Windows profile calls read them, and what a load and a save leave on disk.
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "database/profile_file.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace kovo;
using namespace Qt::StringLiterals;

namespace {

// The text in UTF-16 after its byte-order mark.
QByteArray utf16(const QByteArray& text, bool bigEndian = false) {
    QStringEncoder encoder(bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE);
    return (bigEndian ? "\xFE\xFF" : "\xFF\xFE") +
           QByteArray(encoder.encode(QString::fromUtf8(text)));
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

const QByteArray PreAccess = "[PreAccess]\r\nPreAccessPrefix=0\r\n";
// Expected bytes that stand for something else.
const QByteArray Unchanged = "(unchanged)";
const QByteArray PlusPreAccess = "(the file, then the pre-access prefix)";
const QByteArray NotChecked = "(not checked)";
const QByteArray Refused = "(the save is refused)";

// Each file is read (key of [Timers] -> value), loaded as the desktop program opens it (the
// bytes after the load) and saved with HangTime(1)=9 (the bytes after the save).
TEST(ProfileFile, ReadsLoadsAndSavesCraftedFiles) {
    const QByteArray x300(300, 'x');
    const char nul[] = "[Timers]\r\nK=\x1a\x0b\x0c 12\0 34\x1a\r\n";
    struct Case {
        const char* what;
        QByteArray in;
        const char* key;
        QString value;
        QByteArray afterLoad = PlusPreAccess;
        QByteArray afterSave = NotChecked;
    };
    const Case cases[] = {
        {"trimmed, first of duplicates, any letter case, foreign lines kept",
         "[timers]\r\nHANGTIME(1) = 30 \r\nHangTime(1)=99\r\nx=\xe9t\xe9 \r\n", "hangtime(1)",
         u"30"_s, PlusPreAccess,
         "[timers]\r\nHANGTIME(1) =9\r\nHangTime(1)=99\r\nx=\xe9t\xe9 \r\n" + PreAccess},
        {"a new key after the last key, before blank lines; Default reads empty",
         "[Timers]\r\nTimeOut(1)=Default\r\n\r\n[Extra]\r\nK=1\r\n", "TimeOut(1)", u""_s,
         PlusPreAccess,
         "[Timers]\r\nTimeOut(1)=Default\r\nHangTime(1)=9\r\n\r\n[Extra]\r\nK=1\r\n" + PreAccess},
        {"value cut to 254 characters", "[Timers]\r\nK=" + x300 + "\r\n", "K", QString(254, u'x')},
        {"CR-only line ends", "[Timers]\rHangTime(1)=30\rTimeOut(1)=5\r", "TimeOut(1)", u"5"_s,
         "[Timers]\r\nHangTime(1)=30\r\nTimeOut(1)=5\r\n" + PreAccess,
         "[Timers]\r\nHangTime(1)=9\r\nTimeOut(1)=5\r\n" + PreAccess},
        {"a lone CR ends a line", "[Timers]\r\nHangTime(1)=30\rTimeOut(1)=5\n", "HangTime(1)",
         u"30"_s, "[Timers]\r\nHangTime(1)=30\r\nTimeOut(1)=5\r\n" + PreAccess, NotChecked},
        {"matching quotes stripped", "[Timers]\r\nHangTime(1)=\"146940\"\r\n", "HangTime(1)",
         u"146940"_s, PlusPreAccess, "[Timers]\r\nHangTime(1)=9\r\n" + PreAccess},
        {"single quotes", "[Timers]\r\nK='12'\r\n", "K", u"12"_s},
        {"unmatched quotes stay", "[Timers]\r\nK='12\"\r\n", "K", u"'12\""_s},
        {"0x0B, 0x0C and 0x1A trimmed; NUL ends a value", QByteArray(nul, sizeof nul - 1), "K",
         u"12"_s},
        {"a bare key line is the key, empty; a save fills that line",
         "[Timers]\r\nHangTime(1)\r\nHangTime(1)=30\r\n", "HangTime(1)", u""_s, PlusPreAccess,
         "[Timers]\r\nHangTime(1)=9\r\nHangTime(1)=30\r\n" + PreAccess},
        {"UTF-8 without a mark is kept byte for byte", "[Timers]\r\nK=caf\xc3\xa9\r\n", "K",
         QString::fromLatin1("caf\xc3\xa9"), PlusPreAccess,
         "[Timers]\r\nK=caf\xc3\xa9\r\nHangTime(1)=9\r\n" + PreAccess},
        {"UTF-8 mark right before the first header", "\xef\xbb\xbf[Timers]\r\nK=caf\xc3\xa9\r\n",
         "K", QString::fromUtf8("caf\xc3\xa9"), PlusPreAccess,
         "\xef\xbb\xbf[Timers]\r\nK=caf\xc3\xa9\r\nHangTime(1)=9\r\n" + PreAccess},
        {"UTF-16 LE", utf16("[Timers]\r\nHangTime(1)=30\r\n"), "HangTime(1)", u"30"_s,
         utf16("[Timers]\r\nHangTime(1)=30\r\n" + PreAccess),
         utf16("[Timers]\r\nHangTime(1)=9\r\n" + PreAccess)},
        {"UTF-16 BE", utf16("[Timers]\rHangTime(1)=30\r", true), "HangTime(1)", u"30"_s,
         utf16("[Timers]\r\nHangTime(1)=30\r\n" + PreAccess, true),
         utf16("[Timers]\r\nHangTime(1)=9\r\n" + PreAccess, true)},
        {"broken UTF-16 is read but never written", utf16("[Timers]\r\nK=1\r\n") + 'x', "K", u"1"_s,
         Unchanged, Refused},
        {"not a configuration: no section the program knows", "\x01\x02 noise\n[Other]\nK=1", "K",
         u""_s, Unchanged, "\x01\x02 noise\r\n[Other]\r\nK=1\r\n[Timers]\r\nHangTime(1)=9\r\n"},
        {"an empty file", "", "HangTime(1)", u""_s, Unchanged, "[Timers]\r\nHangTime(1)=9\r\n"},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(u"crafted.dat"_s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(path, c.in);
        EXPECT_EQ(ProfileFile::load(path).read(u"Timers", QLatin1String(c.key)), c.value);

        Database db;
        ErrorLog log;
        readDatabase(db, path, log);
        const QByteArray loaded = c.afterLoad == Unchanged       ? c.in
                                  : c.afterLoad == PlusPreAccess ? c.in + PreAccess
                                                                 : c.afterLoad;
        EXPECT_EQ(fileBytes(path), loaded);

        ProfileFile document = ProfileFile::load(path);
        document.write(u"Timers", u"HangTime(1)", u"9"_s);
        QString error;
        const bool saved = document.save(path, &error);
        if (c.afterSave == Refused) {
            EXPECT_FALSE(saved);
            EXPECT_TRUE(error.contains(u"UTF-16 LE"_s)) << error.toStdString();
            EXPECT_EQ(fileBytes(path), loaded);
        } else if (c.afterSave != NotChecked) {
            EXPECT_TRUE(saved) << error.toStdString();
            EXPECT_EQ(fileBytes(path), c.afterSave);
        }
    }
}

// A disk that fills up during a save: the old file stays whole and the save reports it.
TEST(ProfileFile, AFullDiskKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"site.dat"_s);
    Database db;
    ASSERT_TRUE(saveWholeDatabase(db, path).ok);
    const QByteArray before = fileBytes(path);
    db.setValue(u"HangTime", 1, u"77"_s);
    db.setSettingsSaved(false);

    // Files of this process may not grow past 4 kB while the save runs.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveResult result = saveWholeDatabase(db, path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(u"site.dat"_s)) << result.error.toStdString();
    EXPECT_TRUE(result.error.contains(u"could be written"_s)) << result.error.toStdString();
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"site.dat"_s});
}

} // namespace
