// A configuration in memory and in its file: profile files as the Windows profile calls read them,
// what a load checks and normalises, what a save writes and leaves on disk.
#include "database/database.h"
#include "database/database_file.h"
#include "database/field_table.h"
#include "database/profile_file.h"
#include "file_bytes.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace kovo;
using namespace Qt::StringLiterals;

namespace {

using test::fileBytes;
using test::writeBytes;

class DatabaseFileTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

    QString writeFile(const char* name, const QByteArray& bytes) const {
        writeBytes(path(name), bytes);
        return path(name);
    }

    // A complete file written from defaults, with one key set.
    QString completeFileWith(const char* section, const char* key, const char* value) {
        Database defaults;
        const QString file = path("complete.dat");
        EXPECT_TRUE(saveWholeDatabase(defaults, file).ok);
        EXPECT_TRUE(writeIni(section, key, QLatin1String(value), file));
        return file;
    }

    QTemporaryDir m_dir;
    ErrorLog m_log;
};

int labelledElementCount() {
    int count = 0;
    for (const FieldSpec& field : fieldTable()) {
        if (field.label)
            count += field.isSingle() ? 1 : field.count;
    }
    return count;
}

// A key, what the file holds, the value after the load and the error-log line, if any.
TEST_F(DatabaseFileTest, LoadChecksAndNormalisations) {
    struct Case {
        const char* key;
        const char* stored;
        const char* loaded;
        const char* errorLine = nullptr;
    };
    const Case cases[] = {
        {"HangTime(1)", "300", "50", "Ram_HangTime 1"},
        {"HangTime(2)", "255", "255"},
        {"HangTime(3)", "-3", "-3"}, // an upper bound only
        {"TimeOut(1)", "", "180", "Ram_TimeOut 1"},
        {"TimeOut(2)", "Default", "180", "Ram_TimeOut 2"},
        {"TimeOut(3)", "12abc", "12abc"}, // numeric value 12
        {"InActivityMacro(2)", "0", "01", "Ram_InActivityMacro 2"},
        {"FanTime", "2 56", "1", "Ram_FanTime"}, // blanks anywhere
        {"CWTone1(1)", "199", "0500", "Ram_CwTone1 1"},
        {"CWTone1(2)", "500", "0500"},
        {"CWTone2(1)", "0", "00"},
        {"CWTone2(2)", "50", "050"},
        {"CWTone2(3)", "3501", "0000", "CWTone2 3"},
        {"VoiceID1(2)", "hello world", "HELLO WORLD"},
        {"VoiceID1(3)", "caf\xc3\xa9 \xe0", "CAF\xc3\xa9 \xe0"},
        {"CWSpeed(3)", "4", "20", "Ram_CwSpeed 3"},
        {"CWSpeed(2)", "5", "5"}, // the lowest speed is allowed
        {"Hours(1)", "0A", "0A"},
        {"Hours(2)", "26", "25", "Ram_Hours 2"},
        {"DOW(3)", "", "0", "Ram_DOW3"},
        {"MacroCode(7)", "123456789", "10907", "Ram_MacroCode 7"},
        {"ShortMacroCode(1)", "", "109050", "Ram_ShortMacroCode 50"},
        {"Macro(3)", "12 34567", "123 456 7"},
        {"Macro(4)", "", "NONE STORED", "Ram_Macro 4"},
        {"DTMF(2)", "4207", "4 2 0 7"},
        {"DTMF(3)", "12A#", "1 2 A #"},
        {"RadioMode(3)", "9", "4", "RadioMode(3) "},
        {"FreqString(4)", "", ""},
        {"P2MessageNum(3)", "0", "1"},
        {"P1MessageNum(1)", "91", "1"},
        {"FDup(2)", "2", "1", "Ram_FDup2"},
        {"CTCSSCT(1)", "", "1", "Ram_PLCT 1"},
        {"CurrentPortUnlock(2)", "123456789", "26470", "Ram_CurrentPortUnlock 2"},
        {"MessageMacro(5)", "good morning", "GOOD MORNING"},
    };
    for (const auto& [key, stored, loaded, errorLine] : cases) {
        SCOPED_TRACE(key);
        const QString field = QString::fromLatin1(key).section(u'(', 0, 0);
        const int index = QString::fromLatin1(key).section(u'(', 1).remove(u')').toInt();
        const QString file = completeFileWith(findField(field)->section, key, stored);
        Database db;
        const LoadReport report = readDatabase(db, file, m_log);
        EXPECT_EQ(db.value(field, index), QLatin1String(loaded));
        EXPECT_EQ(report.errorLines,
                  errorLine ? QStringList{QLatin1String(errorLine)} : QStringList());
        EXPECT_EQ(db.loadErrors(), errorLine != nullptr);
    }
}

TEST_F(DatabaseFileTest, FileWithOneKeyLogsEveryOtherLabelledFieldInReadingOrder) {
    const QString file = writeFile("one.dat", "[Timers]\r\nHangTime(1)=30\r\n");
    Database db;
    const LoadReport report = readDatabase(db, file, m_log);
    EXPECT_EQ(db.value(u"HangTime", 1), u"30"_s);
    ASSERT_EQ(report.errorLines.size(), labelledElementCount() - 1);
    EXPECT_EQ(
        report.errorLines.mid(0, 14).join(u','),
        QStringLiteral("Ram_TimeOut 1,Ram_IIDTime 1,Ram_PIDTime 1,Ram_InActiveTime 1,"
                       "Ram_InActivityMacro 1,Ram_DTMFTime 1,Ram_CTCSSTime 1,"
                       "Ram_KerchunkTime 1,Ram_IDSpeakTime 1,Ram_AnnounceTime 1,Ram_AuxTime 1,"
                       "Ram_GeneralTimer 1,Ram_GeneralTimerMacro 1,Ram_HangTime 2"));
    EXPECT_EQ(report.errorLines.last(), u"Ram_AllowTerminatorSpeech"_s);
    // The port switches' message numbers are never logged.
    const QRegularExpression portMessage(u"^(P|Ram_P[123]Message)"_s);
    EXPECT_EQ(report.errorLines.filter(portMessage), QStringList());
    // The pre-access prefix is written into the file during the load, before any save.
    EXPECT_EQ(readIni(u"PreAccess", u"PreAccessPrefix", file), u"0"_s);
    // The macros, message macros and short macros follow the unlock and autopatch sections.
    const qsizetype macro = report.errorLines.indexOf(u"Ram_Macro 1"_s);
    EXPECT_LT(report.errorLines.indexOf(u"Ram_CurrentLock"_s), macro);
    EXPECT_EQ(report.errorLines.mid(macro, 3),
              (QStringList{u"Ram_Macro 1"_s, u"Ram_MacroCode 1"_s, u"Ram_MessageMacro 1"_s}));

    // A missing file: every field at its default, every labelled one logged, no file made.
    Database missing;
    const QString none = path("missing.dat");
    EXPECT_EQ(readDatabase(missing, none, m_log).errorLines.size(), labelledElementCount());
    EXPECT_TRUE(missing.sameValues(Database()));
    EXPECT_FALSE(QFile::exists(none));
}

// A lock equal to the terminator is a clash; a refused terminator sets only the working copy, a
// refused lock both.
TEST_F(DatabaseFileTest, LockAndTerminatorCopiesAndClash) {
    Database clash;
    EXPECT_TRUE(readDatabase(clash, completeFileWith("Unlock", "Lock", "D"), m_log).clash);
    EXPECT_TRUE(clash.lockTerminatorClash());
    EXPECT_EQ(clash.storedLock(), u"D"_s);

    Database terminator;
    terminator.setStoredTerminator(u"C"_s);
    readDatabase(terminator, completeFileWith("Unlock", "Terminator", "AB"), m_log);
    EXPECT_EQ(terminator.value(u"Terminator"), u"D"_s);
    EXPECT_EQ(terminator.storedTerminator(), u"C"_s);
    EXPECT_FALSE(terminator.lockTerminatorClash());

    Database lock;
    lock.setStoredLock(u"9"_s);
    readDatabase(lock, completeFileWith("Unlock", "Lock", "12345"), m_log);
    EXPECT_EQ(lock.value(u"Lock"), u"#"_s);
    EXPECT_EQ(lock.storedLock(), u"#"_s);
}

TEST_F(DatabaseFileTest, SaveKeepsForeignKeysAndWritesInOrder) {
    const QString file = writeFile("foreign.dat", "[Mine]\r\nNote=hello\r\n"
                                                  "[Timers]\r\nHangTime(1)=30\r\nMyKey=1\r\n");
    Database db;
    readDatabase(db, file, m_log);
    ASSERT_TRUE(saveWholeDatabase(db, file).ok);
    const QByteArray bytes = fileBytes(file);
    EXPECT_TRUE(bytes.startsWith("[Mine]\r\nNote=hello\r\n[Timers]\r\nHangTime(1)=30\r\n"
                                 "MyKey=1\r\nTimeOut(1)=180\r\nIIDTime(1)=10\r\n"));
    EXPECT_TRUE(bytes.contains("[Alarms]\r\nGeneralTimer(1)=0\r\nGeneralTimerMacro(1)=1\r\n"
                               "GeneralTimer(2)=0\r\n"));
    EXPECT_FALSE(bytes.contains("\n\n"));
}

// Defaults read back without a log line; afterwards only changed groups are written.
TEST_F(DatabaseFileTest, DefaultsRoundTripAndGroupFlagsLimitWhatIsWritten) {
    const QString file = path("groups.dat");
    Database db;
    ASSERT_TRUE(saveWholeDatabase(db, file).ok);
    Database read;
    read.setValue(u"HangTime", 1, u"7"_s);
    const LoadReport report = readDatabase(read, file, m_log);
    EXPECT_TRUE(report.errorLines.isEmpty()) << report.errorLines.join(u',').toStdString();
    EXPECT_TRUE(read.sameValues(db)) << read.differences(db).join(u'\n').toStdString();
    EXPECT_TRUE(read.settingsSaved());

    db.setValue(u"HangTime", 1, u"77"_s);
    db.setValue(u"Vref", u"400"_s); // no group flag: not written
    db.setValue(u"Lock", u"*"_s);   // working copy: the file gets the stored one
    db.setGroupChanged(Group::Timers);
    db.setSettingsSaved(false);
    ASSERT_TRUE(writeDatabase(db, file).ok);
    EXPECT_EQ(readIni(u"Timers", u"HangTime(1)", file), u"77"_s);
    EXPECT_EQ(readIni(u"Analog", u"Vref", file), u"500"_s);
    EXPECT_EQ(readIni(u"Unlock", u"Lock", file), u"#"_s);
    EXPECT_FALSE(db.groupChanged(Group::Timers));
    EXPECT_TRUE(db.settingsSaved());
}

// Before a save of the port switches, message number 0 becomes 1 and an empty polarity 0, on
// every port, in memory and in the file.
TEST_F(DatabaseFileTest, WriteNormalisesMessageNumbersAndPolarity) {
    const QString file = path("norm.dat");
    for (const char* name : {"P1MessageNum", "P2MessageNum", "P3MessageNum", "PLEncodePolarity"}) {
        const bool polarity = name == std::string_view("PLEncodePolarity");
        for (int port = 1; port <= 3; ++port) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(port));
            Database db;
            db.setValue(QLatin1String(name), port, polarity ? QString() : u"0"_s);
            ASSERT_TRUE(saveWholeDatabase(db, file).ok);
            const QString expected = polarity ? u"0"_s : u"1"_s;
            EXPECT_EQ(db.value(QLatin1String(name), port), expected);
            EXPECT_EQ(
                readIni(u"PortSwitches", u"%1(%2)"_s.arg(QLatin1String(name)).arg(port), file),
                expected);
        }
    }
}

TEST_F(DatabaseFileTest, ErrorLogCollectsEveryLoadOfARun) {
    ErrorLog log;
    const QString logPath = path("error.log");
    ASSERT_TRUE(log.create(logPath));
    const QString file = writeFile("bad.dat", "[Timers]\r\nHangTime(1)=999\r\n");
    Database db;
    readDatabase(db, file, log);
    const int once = static_cast<int>(log.lines().size());
    // The first load wrote the missing pre-access prefix into the file: one line fewer.
    EXPECT_EQ(readDatabase(db, file, log).errorLines.size(), once - 1);
    const QList<QByteArray> lines = fileBytes(logPath).split('\n');
    EXPECT_EQ(lines.size() - 1, 2 * once - 1); // every line ends in CRLF
    EXPECT_EQ(lines.first(), QByteArray("Ram_HangTime 1\r"));
}

// Garbage of every kind loads completely; what the load kept saves and reloads unchanged.
TEST_F(DatabaseFileTest, GarbageLoadsWithDefaultsAndRoundTrips) {
    QRandomGenerator random(20261205);
    QStringList keys;
    for (const FieldSpec& field : fieldTable()) {
        for (int i = field.firstIndex(); i <= field.lastIndex(); ++i)
            keys << QLatin1String(field.section) + QLatin1Char('|') + fieldKey(field, i);
    }
    for (int round = 0; round < 60; ++round) {
        QByteArray bytes;
        for (int line = 0; line < (round % 3 == 0 ? 0 : 400); ++line) {
            const QStringList parts = keys.at(random.bounded(keys.size())).split(u'|');
            if (random.bounded(8) == 0)
                bytes += '[' + parts[0].toLatin1() + "]\r\n";
            QByteArray value(random.bounded(8) == 0 ? 10000 : random.bounded(12), '7');
            for (char& c : value)
                c = "0123456789 ABCD*#-.x\xe9"[random.bounded(21)];
            bytes += parts[1].toLatin1() + (random.bounded(10) ? "=" : "") + value + "\r\n";
        }
        if (round % 3 == 0) { // bytes of any value
            bytes.resize(random.bounded(1, 20000));
            for (char& c : bytes)
                c = static_cast<char>(random.bounded(256));
        }
        const QString file = writeFile("garbage.dat", bytes);
        Database db;
        readDatabase(db, file, m_log);
        const QString saved = path("saved.dat");
        QFile::remove(saved);
        ASSERT_TRUE(saveWholeDatabase(db, saved).ok);
        Database again;
        const LoadReport report = readDatabase(again, saved, m_log);
        EXPECT_TRUE(report.errorLines.isEmpty())
            << "round " << round << ": " << report.errorLines.join(u',').toStdString();
        // Two changes are forced by the file format: a CW tone of fewer than four characters
        // gains one "0" at every load (its number stays), and a value cut to 254 characters at
        // reading can be regrouped longer than that (macros, DTMF memories).
        for (const QString& difference : again.differences(db)) {
            const QString key = difference.section(u':', 0, 0);
            const QString field = key.section(u'(', 0, 0);
            const int index = key.section(u'(', 1).remove(u')').toInt();
            if (field.startsWith(u"CWTone"_s)) {
                EXPECT_EQ(numericValue(again.value(field, index)),
                          numericValue(db.value(field, index)));
                continue;
            }
            EXPECT_GT(db.value(field, index).size(), 127)
                << "round " << round << ": " << difference.toStdString();
        }
    }
}

// The text in UTF-16 after its byte-order mark.
QByteArray utf16(const QByteArray& text, bool bigEndian = false) {
    QStringEncoder encoder(bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE);
    return (bigEndian ? "\xFE\xFF" : "\xFF\xFE") +
           QByteArray(encoder.encode(QString::fromUtf8(text)));
}

const QByteArray PreAccess = "[PreAccess]\r\nPreAccessPrefix=0\r\n";
// Expected bytes that stand for something else.
const QByteArray Unchanged = "(unchanged)";
const QByteArray PlusPreAccess = "(the file, then the pre-access prefix)";
const QByteArray NotChecked = "(not checked)";
const QByteArray Refused = "(the save is refused)";

// Each file is read (key of [Timers] -> value), loaded as the desktop program opens it (the
// bytes after the load) and saved with HangTime(1)=9 (the bytes after the save).
using ProfileFileTest = DatabaseFileTest;

TEST_F(ProfileFileTest, ReadsLoadsAndSavesCraftedFiles) {
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
    const QString file = path("crafted.dat");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(file, c.in);
        EXPECT_EQ(ProfileFile::load(file).read(u"Timers", QLatin1String(c.key)), c.value);

        Database db;
        readDatabase(db, file, m_log);
        const QByteArray loaded = c.afterLoad == Unchanged       ? c.in
                                  : c.afterLoad == PlusPreAccess ? c.in + PreAccess
                                                                 : c.afterLoad;
        EXPECT_EQ(fileBytes(file), loaded);

        ProfileFile document = ProfileFile::load(file);
        document.write(u"Timers", u"HangTime(1)", u"9"_s);
        QString error;
        const bool saved = document.save(file, &error);
        if (c.afterSave == Refused) {
            EXPECT_FALSE(saved);
            EXPECT_EQ(error, u"its text is not valid UTF-16 LE, so it cannot be written back "
                             u"without changing it"_s);
            EXPECT_EQ(fileBytes(file), loaded);
        } else if (c.afterSave != NotChecked) {
            EXPECT_TRUE(saved) << error.toStdString();
            EXPECT_EQ(fileBytes(file), c.afterSave);
        }
    }
}

// A disk that fills up during a save: the old file stays whole and the save reports it.
TEST_F(ProfileFileTest, AFullDiskKeepsTheOldFile) {
    const QString site = path("site.dat");
    Database db;
    ASSERT_TRUE(saveWholeDatabase(db, site).ok);
    const QByteArray before = fileBytes(site);
    db.setValue(u"HangTime", 1, u"77"_s);
    db.setSettingsSaved(false);

    // Files of this process may not grow past 4 kB while the save runs.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveResult result = saveWholeDatabase(db, site);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(u"site.dat"_s)) << result.error.toStdString();
    EXPECT_TRUE(result.error.contains(u"could be written"_s)) << result.error.toStdString();
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_EQ(fileBytes(site), before);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"site.dat"_s});
}

} // namespace
