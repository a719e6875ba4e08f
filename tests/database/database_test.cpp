// The database library beside the configuration file: a configuration's values (defaults, flags,
// the order they are read and written in, numbers, words, CW characters and packed digits as the
// controller codes them), backups, the differences between two configurations, and the program's
// own settings and folder.
#include "database/backup_store.h"
#include "database/configuration_diff.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/field_table.h"
#include "database/profile_file.h"
#include "database/program_folder.h"
#include "database/program_settings.h"
#include "database/vocabulary.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kovo;
using namespace Qt::StringLiterals;

namespace {

QString L(const char* text) {
    return QString::fromLatin1(text);
}

TEST(Database, DefaultsThatDependOnTheIndex) {
    const Database db;
    EXPECT_EQ(
        (QStringList{db.value(u"MacroCode", 1), db.value(u"MacroCode", 40),
                     db.value(u"ShortMacroCode", 50), db.value(u"P3Tone8", 10),
                     db.value(u"P2Dur4", 1), db.storedLock(), db.storedTerminator()}),
        (QStringList{u"10901"_s, u"109040"_s, u"109099"_s, u"0"_s, u"250"_s, u"#"_s, u"D"_s}));
    EXPECT_TRUE(db.settingsSaved());
    EXPECT_FALSE(db.anyPending());
}

TEST(Database, FlagsAreIndependentPerElement) {
    Database db;
    db.setPending(u"HangTimePending", 2);
    db.setPending(u"CourtesyPending", Database::courtesyIndex(3, 4, 10));
    db.setPending(u"FanTimePending");
    EXPECT_FALSE(db.pending(u"HangTimePending", 1));
    EXPECT_TRUE(db.pending(u"HangTimePending", 2));
    EXPECT_EQ(db.pendingNames(), (QStringList{u"HangTimePending(2)"_s, u"FanTimePending"_s,
                                              u"CourtesyPending(120)"_s}));
    db.clearPending(u"HangTimePending", 2);
    EXPECT_FALSE(db.pending(u"HangTimePending", 2));
}

TEST(Database, EveryFieldHasAnOrderPlaceOnceForReadingAndWriting) {
    for (const auto* order : {&readingOrder(), &writingOrder()}) {
        QHash<QString, int> seen;
        for (const OrderBlock& block : *order) {
            for (int i = block.first; i <= block.last; ++i) {
                for (const FieldSpec* field : block.fields)
                    ++seen[fieldKey(*field, i)];
            }
        }
        int elements = 0;
        for (const FieldSpec& field : fieldTable()) {
            for (int i = field.firstIndex(); i <= field.lastIndex(); ++i) {
                ++elements;
                EXPECT_EQ(seen.value(fieldKey(field, i)), 1) << fieldKey(field, i).toStdString();
            }
        }
        EXPECT_EQ(seen.size(), elements);
    }
}

TEST(Database, NumericValue) {
    const std::pair<const char*, double> cases[] = {
        {"12A", 12}, {"ABC", 0}, {"-5", -5}, {"  42", 42},  {"", 0},         {"2.5x", 2.5},
        {"+7", 7},   {"0A", 0},  {"00", 0},  {"2 56", 256}, {"- 1 .5", -1.5}};
    for (const auto& [text, value] : cases)
        EXPECT_DOUBLE_EQ(numericValue(L(text)), value) << text;
    EXPECT_EQ(numericInt(u"99999999999999999999"), std::numeric_limits<int>::max());
}

// The controller's own order has irregular places (A.M. after AVERAGE, the two THEs and USEs, the
// recorder tracks at the end): each word there is coded and decoded at its place.
TEST(Vocabulary, CodesWordsInTheControllersOrder) {
    const QStringList& words = speechVocabulary();
    ASSERT_EQ(words.size(), 256);
    EXPECT_EQ(QSet<QString>(words.begin(), words.end()).size(), 256) << "words must be distinct";
    // Runs of words from a code on.
    const std::pair<int, const char*> runs[] = {{0, "ZERO"},
                                                {22, "FOURTY"},
                                                {29, "THOUSAND A"},
                                                {55, "Z ABOVE"},
                                                {72, "AVERAGE A.M. BAND"},
                                                {150, "MILES_PER_HOUR"},
                                                {183, "PROGRAM P.M. RADIO"},
                                                {204, "THANK_YOU THE(LONG) THE(SHORT) THE_TIME_IS"},
                                                {221, "USE(NOUN) USE(VERB)"},
                                                {233, "ZULU -S(MAKES_PLURAL) SILENCE(PAUSE) DVR1"},
                                                {245, "DVR10"},
                                                {255, "DVR20"}};
    for (const auto& [first, run] : runs) {
        int code = first;
        for (const QString& word : L(run).split(u' ')) {
            EXPECT_EQ(words.at(code), word) << "code " << code;
            EXPECT_EQ(encodeSpeechWords(word, CodeLayout::Serial),
                      QString::number(code).rightJustified(3, u'0'));
            EXPECT_EQ(speechCodeToWord(QString::number(code++)), word);
        }
    }
    for (const char* code : {"256", "", "-1", "1000", "A", "23 "})
        EXPECT_EQ(speechCodeToWord(L(code)), QString()) << code;

    // Words are matched exactly.
    const std::pair<const char*, bool> checks[] = {
        {"THANK_YOU", true},   {"thank_you", false}, {"THANK", false},
        {"NONE STORED", true}, {"NONE", true},       {"STORED", true},
        {"none", false},       {"", false},          {" A", false},
        {"A.M.", true},        {"AM", false},        {"DVR20", true},
        {"DVR21", false},      {"5", false},         {"-S(MAKES_PLURAL)", true}};
    for (const auto& [token, valid] : checks)
        EXPECT_EQ(isVocabularyWord(L(token)), valid) << '"' << token << '"';
}

TEST(Vocabulary, EncodesWordAndCwListsForBothLinks) {
    struct Case {
        bool cw;
        const char* text;
        const char* serial;
        const char* dtmf;
    };
    const Case cases[] = {
        {false, "5", "005", "005 "},
        {false, "FIVE", "005", "005 "},
        {false, "0 9", "000009", "000 009 "},
        {false, "THIS IS A.M.", "208132073", "208 132 073 "},
        // Tokens outside the table and empty tokens are left out; the rest still encodes.
        {false, "HELLO BOGUS WORLD ZULU", "124233", "124 233 "},
        {false, "  A  B ", "030031", "030 031 "},
        {false, "NONE STORED", "", ""},
        {false, "10", "", ""},
        {true, "P Z WORD_SPACE SK ? , AR /", "7090116020141312", "70 90 11 60 20 14 13 12 "},
        {true, "0 5 9", "000509", "00 05 09 "},
        // No sending code for the dash and the period.
        {true, "A - . E", "2132", "21 32 "},
        {true, " A  WORD E", "2132", "21 32 "},
        {true, "", "", ""}};
    for (const Case& c : cases) {
        const auto encode = c.cw ? encodeCwCharacters : encodeSpeechWords;
        EXPECT_EQ(encode(L(c.text), CodeLayout::Serial), L(c.serial)) << c.text;
        EXPECT_EQ(encode(L(c.text), CodeLayout::Dtmf), L(c.dtmf)) << c.text;
    }
}

TEST(CwTable, ChecksDecodesAndRoundTrips) {
    const std::pair<const char*, bool> checks[] = {
        {"X", true},  {"0", true},   {"WORD_SPACE", true}, {"/", true}, {"-", true},
        {".", true},  {",", true},   {"AR", true},         {"?", true}, {"WORD", false},
        {"x", false}, {"10", false}, {"", false},          {"!", false}};
    for (const auto& [token, valid] : checks)
        EXPECT_EQ(checkCwChar(L(token)), valid) << '"' << token << '"';
    const std::pair<const char*, const char*> decodes[] = {
        {"10", "-"}, {"92", "X"}, {"", ""},   {"0", "0"}, {"9", "9"},  {"21", "A"},
        {"90", "Z"}, {"70", "P"}, {"24", ""}, {"99", ""}, {"255", ""}, {"X", ""}};
    for (const auto& [code, token] : decodes)
        EXPECT_EQ(cwCodeToChar(L(code)), L(token)) << code;

    // Every sendable token decodes back from its code; all codes are distinct.
    QSet<QString> codes;
    for (const CwCharacter& c : cwCharacterSet()) {
        ASSERT_TRUE(checkCwChar(L(c.token))) << c.token;
        if (!c.code)
            continue;
        EXPECT_FALSE(codes.contains(L(c.code))) << c.code;
        codes.insert(L(c.code));
        EXPECT_EQ(cwCodeToChar(QString::number(L(c.code).toInt())), L(c.token)) << c.code;
    }
    EXPECT_EQ(codes.size(), 42);
}

TEST(PackedDigits, DecodesAndEncodes) {
    const std::pair<const char*, const char*> decodes[] = {
        {"21CB0000", "12*#"}, {"A9", "90"}, {"DCFE", "#ABC"},          {"10", "1"}, {"02", "2"},
        {"00000000", ""},     {"", ""},     {"2143658721", "12345678"}}; // a fifth byte is ignored
    for (const auto& [hex, digits] : decodes)
        EXPECT_EQ(decodePackedDigits(QByteArray::fromHex(hex)), L(digits)) << hex;

    const std::tuple<const char*, const char*, const char*> encodes[] = {
        {"12*#", "21cb0000", "12*#"}, {"1234567890", "21436587", "12345678"},
        {"0ABC", "dafe0000", "0ABC"}, {"1D 2", "21000000", "12"},
        {"", "00000000", ""},         {"*", "0b000000", "*"}};
    for (const auto& [digits, hex, back] : encodes) {
        const QByteArray packed = encodePackedDigits(L(digits));
        EXPECT_EQ(packed.toHex(), QByteArray(hex)) << digits;
        EXPECT_EQ(decodePackedDigits(packed), L(back)) << digits;
    }
    for (const auto& [in, out] : std::initializer_list<std::pair<const char*, const char*>>{
             {"  HELLO   WORLD  ", "HELLO WORLD"}, {"    ", ""}, {"A     B  C", "A B C"}})
        EXPECT_EQ(normalizeSpaces(L(in)), L(out)) << in;
}

TEST(BackupStore, KeepsTheNewestFiftyOfEachKindAndReadsBackAsTheConfiguration) {
    QTemporaryDir home;
    BackupStore store(home.path());
    QDateTime now(QDate(2026, 12, 5), QTime(22, 0));
    store.setClock([&now] { return now; });

    Database db;
    db.setValue("HangTime", 2, u"30"_s);
    const QString source = home.filePath(u"site.dat"_s);
    const QByteArray sent = wholeDatabaseBytes(db);

    QString first;
    for (int i = 0; i < BackupStore::KeepPerKind + 1; ++i) {
        const BackupResult result = store.save(BackupKind::Upload, sent, u"/dev/ttyUSB0"_s, source);
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        if (i == 0)
            first = result.path;
        now = now.addSecs(60);
    }
    ASSERT_TRUE(store.save(BackupKind::DownloadImage, "0\r\n", u"COM5"_s).ok);

    const QList<BackupEntry> entries = store.list();
    ASSERT_EQ(entries.size(), BackupStore::KeepPerKind + 1);
    EXPECT_FALSE(QFile::exists(first)); // the oldest upload backup went at the 51st
    EXPECT_EQ(entries.first().kind, BackupKind::DownloadImage);
    EXPECT_EQ(entries.first().port, u"COM5"_s);
    const BackupEntry& upload = entries.at(1);
    EXPECT_EQ(upload.kind, BackupKind::Upload);
    EXPECT_EQ(upload.port, u"/dev/ttyUSB0"_s); // as its comment line names it
    EXPECT_EQ(upload.file, source);
    EXPECT_EQ(upload.when, QDateTime(QDate(2026, 12, 5), QTime(22, 50)));

    Database restored;
    ErrorLog log;
    EXPECT_TRUE(readDatabase(restored, upload.path, log).errorLines.isEmpty());
    EXPECT_TRUE(restored.sameValues(db)) << restored.differences(db).join(u'\n').toStdString();
}

TEST(BackupStore, AFolderThatCannotBeMadeIsReportedByName) {
    QTemporaryDir home;
    // A file where the folder should be.
    ASSERT_TRUE(QFile(home.filePath(u"backups"_s)).open(QIODevice::WriteOnly));
    const BackupResult result = BackupStore(home.path()).save(BackupKind::BeforeSave, "x");
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(home.filePath(u"backups"_s))) << result.error.toStdString();
}

TEST(ConfigurationDiff, OneChangePerEditorComesOutInTabOrder) {
    Database a;
    Database b;
    // Set in an order unlike the tabs', so the grouping is what orders them.
    b.setValue("APPrefix", u"9"_s);
    b.setValue("HangTime", 3, u"77"_s);
    b.setValue("MessageMacro", 40, u"HELLO"_s);
    b.setValue("MacroCode", 1, u"1234"_s);
    const QList<FieldDifference> differences = compareConfigurations(a, b);
    QStringList seen;
    for (const FieldDifference& d : differences)
        seen << d.editor + u'|' + d.section + u'|' + d.key + u'|' + d.theirs;
    EXPECT_EQ(seen,
              (QStringList{u"Timers|Timers|HangTime(3)|77"_s, u"Macros|Macros|MacroCode(1)|1234"_s,
                           u"Message Macros|MessageMacros|MessageMacro(40)|HELLO"_s,
                           u"Special Codes/Autopatch|Autopatch|APPrefix|9"_s}));
    EXPECT_TRUE(compareConfigurations(a, a).isEmpty());
}

TEST(ProgramSettings, FirstStartSelectsTheToneLinkAndNoFile) {
    QTemporaryDir dir;
    ProgramSettings settings(dir.path());
    settings.load();
    EXPECT_EQ(std::tuple(settings.fileExisted(), settings.comPort(), settings.serialLink(),
                         settings.dtmfComPort(), settings.dtmfDelay(), settings.serialDelay(),
                         settings.lastRCFile(), settings.placement(u"Main"_s).present),
              std::tuple(false, u"0"_s, false, u"0"_s, u"0"_s, 0, QString(), false));
}

TEST(ProgramSettings, NumericKeysPortNamesAndSettersThatWriteAtOnce) {
    QTemporaryDir dir;
    const QString ini = QDir(dir.path()).filePath(u"kovo.ini"_s);
    const std::pair<const char*, const char*> ports[] = {
        {"3", "3"},
        {" 5abc", "5"},
        {"Default", "0"},
        {"", "0"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"tcp://127.0.0.1:4001", "tcp://127.0.0.1:4001"},
        {"COM3", "COM3"}};
    for (const auto& [stored, comPort] : ports) {
        ASSERT_TRUE(writeIni(u"Main", u"ComPort", QLatin1String(stored), ini));
        ASSERT_TRUE(writeIni(u"Main", u"DTMFDelay", u" 1 20ms"_s, ini));
        ProgramSettings settings(dir.path());
        settings.load();
        EXPECT_EQ(settings.comPort(), QLatin1String(comPort)) << stored;
        EXPECT_EQ(settings.dtmfDelay(), u"120"_s);
    }

    {
        ProgramSettings settings(dir.path());
        settings.load();
        settings.setComPort(u"5"_s);
        settings.setWhichSend(u"2"_s);
        settings.setSerialDelay(1);
        settings.setLastRCFile(u"/home/op/site.dat"_s);
        settings.setPlacement(u"Update"_s, {640, 480, 10, 20, 2, true});
    }
    ProgramSettings settings(dir.path());
    settings.load();
    EXPECT_EQ(std::tuple(settings.comPort(), settings.whichSend(), settings.serialDelay(),
                         settings.lastRCFile()),
              std::tuple(u"5"_s, u"2"_s, 1, u"/home/op/site.dat"_s));
    const WindowPlacement update = settings.placement(u"Update"_s);
    EXPECT_EQ(std::tuple(update.width, update.height, update.top, update.left, update.state,
                         update.present),
              std::tuple(640.0, 480.0, 10.0, 20.0, 2, true));
    EXPECT_FALSE(settings.placement(u"Manualsend"_s).present);
}

TEST(ProgramFolder, HomeOverridePortableAndPerUser) {
    QTemporaryDir home;
    QTemporaryDir exe;
    EXPECT_EQ(resolveProgramFolder(home.path(), exe.path()), QDir(home.path()).absolutePath());
    // Without kovo.ini beside the executable the per-user folder is used ...
    EXPECT_NE(resolveProgramFolder(QString(), exe.path()), QDir(exe.path()).absolutePath());
    // ... with one, the install is portable.
    ASSERT_TRUE(writeIni(u"Main", u"ComPort", u"0"_s, QDir(exe.path()).filePath(u"kovo.ini"_s)));
    EXPECT_EQ(resolveProgramFolder(QString(), exe.path()), QDir(exe.path()).absolutePath());
}

} // namespace
