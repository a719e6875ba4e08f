#include "database/database.h"
#include "database/database_file.h"
#include "database/field_table.h"
#include "database/profile_file.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kovo;

namespace {

class DatabaseFileTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

    QString writeFile(const char* name, const QByteArray& bytes) const {
        const QString file = path(name);
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return file;
    }

    // A complete file written from defaults, with `edits` ("Section", "Key", "value") applied.
    QString completeFileWith(std::initializer_list<std::array<const char*, 3>> edits) {
        Database defaults;
        const QString file = path("complete.dat");
        EXPECT_TRUE(saveWholeDatabase(defaults, file).ok);
        ProfileFile doc = ProfileFile::load(file);
        for (const auto& edit : edits)
            doc.write(QLatin1String(edit[0]), QLatin1String(edit[1]), QLatin1String(edit[2]));
        EXPECT_TRUE(doc.save(file));
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

TEST_F(DatabaseFileTest, LoadChecksAndNormalisations) {
    struct Case {
        const char* section;
        const char* key;
        const char* stored; // what the file holds
        const char* field;
        int index;
        const char* loaded;    // the value after the load
        const char* errorLine; // nullptr: no error-log line
    };
    const Case cases[] = {
        {"Timers", "HangTime(1)", "300", "HangTime", 1, "50", "Ram_HangTime 1"},
        {"Timers", "HangTime(2)", "255", "HangTime", 2, "255", nullptr},
        {"Timers", "HangTime(3)", "-3", "HangTime", 3, "-3", nullptr}, // an upper bound only
        {"Timers", "TimeOut(1)", "", "TimeOut", 1, "180", "Ram_TimeOut 1"},
        {"Timers", "TimeOut(2)", "Default", "TimeOut", 2, "180", "Ram_TimeOut 2"},
        {"Timers", "TimeOut(3)", "12abc", "TimeOut", 3, "12abc", nullptr}, // numeric value 12
        {"Timers", "InActivityMacro(2)", "0", "InActivityMacro", 2, "01", "Ram_InActivityMacro 2"},
        {"Timers", "FanTime", "2 56", "FanTime", 0, "1", "Ram_FanTime"}, // blanks anywhere
        {"ID", "CWTone1(1)", "199", "CWTone1", 1, "0500", "Ram_CwTone1 1"},
        {"ID", "CWTone1(2)", "500", "CWTone1", 2, "0500", nullptr},
        {"ID", "CWTone2(1)", "0", "CWTone2", 1, "00", nullptr},
        {"ID", "CWTone2(2)", "50", "CWTone2", 2, "050", nullptr},
        {"ID", "CWTone2(3)", "3501", "CWTone2", 3, "0000", "CWTone2 3"},
        {"ID", "VoiceID1(2)", "hello world", "VoiceID1", 2, "HELLO WORLD", nullptr},
        {"ID", "VoiceID1(3)", "caf\xc3\xa9 \xe0", "VoiceID1", 3, "CAF\xc3\xa9 \xe0", nullptr},
        {"ID", "CWSpeed(3)", "4", "CWSpeed", 3, "20", "Ram_CwSpeed 3"},
        {"ID", "CWSpeed(2)", "5", "CWSpeed", 2, "5", nullptr}, // the lowest speed is allowed
        {"Scheduler", "Hours(1)", "0A", "Hours", 1, "0A", nullptr},
        {"Scheduler", "Hours(2)", "26", "Hours", 2, "25", "Ram_Hours 2"},
        {"Scheduler", "DOW(3)", "", "DOW", 3, "0", "Ram_DOW3"},
        {"Macros", "MacroCode(7)", "123456789", "MacroCode", 7, "10907", "Ram_MacroCode 7"},
        {"Macros", "ShortMacroCode(1)", "", "ShortMacroCode", 1, "109050", "Ram_ShortMacroCode 50"},
        {"Macros", "Macro(3)", "12 34567", "Macro", 3, "123 456 7", nullptr},
        {"Macros", "Macro(4)", "", "Macro", 4, "NONE STORED", "Ram_Macro 4"},
        {"DTMF", "DTMF(2)", "4207", "DTMF", 2, "4 2 0 7", nullptr},
        {"DTMF", "DTMF(3)", "12A#", "DTMF", 3, "1 2 A #", nullptr},
        {"Remote", "RadioMode(3)", "9", "RadioMode", 3, "4", "RadioMode(3) "},
        {"Remote", "FreqString(4)", "", "FreqString", 4, "", nullptr},
        {"PortSwitches", "P2MessageNum(3)", "0", "P2MessageNum", 3, "1", nullptr},
        {"PortSwitches", "P1MessageNum(1)", "91", "P1MessageNum", 1, "1", nullptr},
        {"PortSwitches", "FDup(2)", "2", "FDup", 2, "1", "Ram_FDup2"},
        {"PortSwitches", "CTCSSCT(1)", "", "CTCSSCT", 1, "1", "Ram_PLCT 1"},
        {"Unlock", "CurrentPortUnlock(2)", "123456789", "CurrentPortUnlock", 2, "26470",
         "Ram_CurrentPortUnlock 2"},
        {"MessageMacros", "MessageMacro(5)", "good morning", "MessageMacro", 5, "GOOD MORNING",
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const QString file = completeFileWith({{c.section, c.key, c.stored}});
        Database db;
        ErrorLog log;
        const LoadReport report = readDatabase(db, file, log);
        EXPECT_EQ(db.value(QLatin1String(c.field), c.index), QLatin1String(c.loaded));
        if (c.errorLine) {
            EXPECT_EQ(report.errorLines, QStringList{QLatin1String(c.errorLine)});
            EXPECT_TRUE(db.loadErrors());
        } else {
            EXPECT_TRUE(report.errorLines.isEmpty()) << report.errorLines.join(u',').toStdString();
            EXPECT_FALSE(db.loadErrors());
        }
    }
}

TEST_F(DatabaseFileTest, FileWithOneKeyLogsEveryOtherLabelledFieldInReadingOrder) {
    const QString file = writeFile("one.dat", "[Timers]\r\nHangTime(1)=30\r\n");
    Database db;
    const LoadReport report = readDatabase(db, file, m_log);
    EXPECT_EQ(db.value(u"HangTime", 1), QStringLiteral("30"));
    EXPECT_EQ(report.errorLines.size(), labelledElementCount() - 1);
    ASSERT_GE(report.errorLines.size(), 20);
    EXPECT_EQ(
        report.errorLines.mid(0, 14).join(u','),
        QStringLiteral("Ram_TimeOut 1,Ram_IIDTime 1,Ram_PIDTime 1,Ram_InActiveTime 1,"
                       "Ram_InActivityMacro 1,Ram_DTMFTime 1,Ram_CTCSSTime 1,"
                       "Ram_KerchunkTime 1,Ram_IDSpeakTime 1,Ram_AnnounceTime 1,Ram_AuxTime 1,"
                       "Ram_GeneralTimer 1,Ram_GeneralTimerMacro 1,Ram_HangTime 2"));
    EXPECT_EQ(report.errorLines.last(), QStringLiteral("Ram_AllowTerminatorSpeech"));
    // The port switches' message numbers are never logged.
    const QRegularExpression portMessage(QStringLiteral("^(P|Ram_P[123]Message)"));
    for (const QString& line : report.errorLines)
        EXPECT_FALSE(portMessage.match(line).hasMatch()) << line.toStdString();
    // The pre-access prefix is written into the file during the load, before any save.
    EXPECT_EQ(readIni(u"PreAccess", u"PreAccessPrefix", file), QStringLiteral("0"));
    // The macros, message macros and short macros follow the unlock and autopatch sections.
    const qsizetype unlock = report.errorLines.indexOf(QStringLiteral("Ram_CurrentLock"));
    const qsizetype macro = report.errorLines.indexOf(QStringLiteral("Ram_Macro 1"));
    const qsizetype message = report.errorLines.indexOf(QStringLiteral("Ram_MessageMacro 1"));
    EXPECT_LT(unlock, macro);
    EXPECT_EQ(message, macro + 2); // macro(1), macroCode(1), messageMacro(1)

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
    EXPECT_TRUE(readDatabase(clash, completeFileWith({{"Unlock", "Lock", "D"}}), m_log).clash);
    EXPECT_TRUE(clash.lockTerminatorClash());
    EXPECT_EQ(clash.storedLock(), QStringLiteral("D"));

    Database terminator;
    terminator.setStoredTerminator(QStringLiteral("C"));
    readDatabase(terminator, completeFileWith({{"Unlock", "Terminator", "AB"}}), m_log);
    EXPECT_EQ(terminator.value(u"Terminator"), QStringLiteral("D"));
    EXPECT_EQ(terminator.storedTerminator(), QStringLiteral("C"));
    EXPECT_FALSE(terminator.lockTerminatorClash());

    Database lock;
    lock.setStoredLock(QStringLiteral("9"));
    readDatabase(lock, completeFileWith({{"Unlock", "Lock", "12345"}}), m_log);
    EXPECT_EQ(lock.value(u"Lock"), QStringLiteral("#"));
    EXPECT_EQ(lock.storedLock(), QStringLiteral("#"));
}

TEST_F(DatabaseFileTest, SaveKeepsForeignKeysAndWritesInOrder) {
    const QString file = writeFile("foreign.dat", "[Mine]\r\nNote=hello\r\n"
                                                  "[Timers]\r\nHangTime(1)=30\r\nMyKey=1\r\n");
    Database db;
    readDatabase(db, file, m_log);
    ASSERT_TRUE(saveWholeDatabase(db, file).ok);
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    EXPECT_TRUE(bytes.startsWith("[Mine]\r\nNote=hello\r\n[Timers]\r\nHangTime(1)=30\r\n"
                                 "MyKey=1\r\nTimeOut(1)=180\r\nIIDTime(1)=10\r\n"));
    EXPECT_TRUE(bytes.contains("[Alarms]\r\nGeneralTimer(1)=0\r\nGeneralTimerMacro(1)=1\r\n"
                               "GeneralTimer(2)=0\r\n"));
    EXPECT_FALSE(bytes.contains("\n\n"));
    EXPECT_EQ(readIni(u"Mine", u"Note", file), QStringLiteral("hello"));
}

// Defaults read back without a log line; afterwards only changed groups are written.
TEST_F(DatabaseFileTest, DefaultsRoundTripAndGroupFlagsLimitWhatIsWritten) {
    const QString file = path("groups.dat");
    Database db;
    ASSERT_TRUE(saveWholeDatabase(db, file).ok);
    Database read;
    read.setValue(u"HangTime", 1, QStringLiteral("7"));
    const LoadReport report = readDatabase(read, file, m_log);
    EXPECT_TRUE(report.errorLines.isEmpty()) << report.errorLines.join(u',').toStdString();
    EXPECT_TRUE(read.sameValues(db)) << read.differences(db).join(u'\n').toStdString();
    EXPECT_TRUE(read.settingsSaved());

    db.setValue(u"HangTime", 1, QStringLiteral("77"));
    db.setValue(u"Vref", QStringLiteral("400")); // no group flag: not written
    db.setValue(u"Lock", QStringLiteral("*"));   // working copy: the file gets the stored one
    db.setGroupChanged(Group::Timers);
    db.setSettingsSaved(false);
    ASSERT_TRUE(writeDatabase(db, file).ok);
    EXPECT_EQ(readIni(u"Timers", u"HangTime(1)", file), QStringLiteral("77"));
    EXPECT_EQ(readIni(u"Analog", u"Vref", file), QStringLiteral("500"));
    EXPECT_EQ(readIni(u"Unlock", u"Lock", file), QStringLiteral("#"));
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
            db.setValue(QLatin1String(name), port, polarity ? QString() : QStringLiteral("0"));
            ASSERT_TRUE(saveWholeDatabase(db, file).ok);
            const QString expected = polarity ? QStringLiteral("0") : QStringLiteral("1");
            EXPECT_EQ(db.value(QLatin1String(name), port), expected);
            EXPECT_EQ(readIni(u"PortSwitches",
                              QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(port), file),
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
    QFile in(logPath);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = in.readAll().split('\n');
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
            const int index = key.section(u'(', 1).chopped(1).toInt();
            if (field.startsWith(QStringLiteral("CWTone"))) {
                EXPECT_EQ(numericValue(again.value(field, index)),
                          numericValue(db.value(field, index)));
                continue;
            }
            EXPECT_GT(db.value(field, index).size(), 127)
                << "round " << round << ": " << difference.toStdString();
        }
    }
}

} // namespace
