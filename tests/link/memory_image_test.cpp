#include "database/database.h"
#include "emulator/tarsis_memory.h"
#include "link/memory_image.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace kovo;

namespace {

QStringList linesOf(const QByteArray& bytes) {
    QStringList lines;
    for (int i = 0; i < bytes.size(); ++i)
        lines << QString::number(i) + u',' + QString::number(static_cast<unsigned char>(bytes[i]));
    return lines;
}

struct Poke {
    int at;
    std::vector<int> bytes;
};

// One decoding case: bytes put into an image of zeros, the field read back.
struct Decoded {
    const char* what;
    std::vector<Poke> pokes;
    const char* field;
    int index;
    QString expected;
};

TEST(MemoryImage, EveryEncodingReadsItsBytes) {
    const QString none = u"NONE STORED"_s;
    const std::vector<Decoded> cases = {
        {"T 5 full length gives four characters",
         {{62, {'A', 'B', 'C', 'D', 'E'}}},
         "MacroSubset",
         0,
         u"ABCD"_s},
        {"T ends at the first 0", {{4, {'9', '8', 0, '7', '6', 0}}}, "DTMFTestPrefix", 0, u"98"_s},
        {"empty pre-access prefix is 0", {}, "PreAccessPrefix", 0, u"0"_s},
        {"pre-access prefix", {{0, {'1', '2', '3', '4'}}}, "PreAccessPrefix", 0, u"123"_s},
        {"SayHour other than 0/1 is 0", {{15, {2}}}, "SayHour", 0, u"0"_s},
        {"SayHour 1", {{15, {1}}}, "SayHour", 0, u"1"_s},
        {"B", {{17, {200}}}, "HangTime", 2, u"200"_s},
        {"DTMFTime adds its two bytes", {{35, {200, 55}}}, "DTMFTime", 3, u"255"_s},
        {"W low then high", {{42, {0x10, 0x27}}}, "KerchunkTime", 2, u"10000"_s},
        {"Be 255 is empty", {{60, {255}}}, "PLEncodePolarity", 2, QString()},
        {"Be", {{60, {1}}}, "PLEncodePolarity", 2, u"1"_s},
        {"B0 255 is 0", {{108, {255}}}, "SpeechIDOverride", 3, u"0"_s},
        {"CWTone2 0 is 0000", {}, "CWTone2", 1, u"0000"_s},
        {"CWTone1 0 is 0", {}, "CWTone1", 1, u"0"_s},
        {"CWTone2 other values plain", {{117, {0xE8, 0x03}}}, "CWTone2", 2, u"1000"_s},
        {"port unlock T 9",
         {{97, {'3', '1', '2', 'A', 'B', 'C', 'D', '#', '*'}}},
         "CurrentPortUnlock",
         3,
         u"312ABCD#"_s},
        {"meter type 62 is Amps", {{196, {62, 0}}}, "Meter", 3, u"2"_s},
        {"meter type 176 is Percent", {{206, {176, 0}}}, "Meter", 8, u"6"_s},
        {"unknown meter word keeps the field", {{192, {63, 0}}}, "Meter", 1, u"5"_s},
        {"Wg high 255 keeps the field", {{208, {12, 255}}}, "RealLow", 1, u"77"_s},
        {"Wg low 255 is a value", {{226, {255, 0}}}, "MeterLow", 2, u"255"_s},
        {"Wg", {{270, {0xFF, 0x7F}}}, "MeterHigh", 8, u"32767"_s},
        {"CW ID length 0 is empty", {{362, {21, 22}}}, "CWID1", 1, QString()},
        {"CW ID takes its length",
         {{124, {2}}, {362, {21, 11, 23}}},
         "CWID1",
         1,
         u"A WORD_SPACE"_s},
        {"CW ID of 15",
         {{129, {15}}, {437, std::vector<int>(15, 10)}},
         "CWID2",
         3,
         u"- - - - - - - - - - - - - - -"_s},
        {"CW ID length above 15 reads 15",
         {{125, {99}}, {377, std::vector<int>(15, 0)}},
         "CWID1",
         2,
         u"0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"_s},
        {"an unknown CW code repeats the token before it",
         {{126, {4}}, {392, {21, 99, 22, 24}}},
         "CWID1",
         3,
         u"A A B B"_s},
        {"voice ID length 0 is empty", {{452, {30}}}, "VoiceID1", 1, QString()},
        {"voice ID 3 of port 3",
         {{138, {3}}, {628, {207, 235, 255}}},
         "VoiceID3",
         3,
         u"THE_TIME_IS SILENCE(PAUSE) DVR20"_s},
        {"week and day", {{652, {25}}}, "Week", 3, u"2"_s},
        {"day of a two-digit value", {{652, {25}}}, "DOW", 3, u"5"_s},
        {"one-digit day keeps the week", {{652, {7}}}, "Week", 3, u"4"_s},
        {"one-digit day", {{652, {7}}}, "DOW", 3, u"7"_s},
        {"Hours 254 is 0A", {{670, {254}}}, "Hours", 1, u"0A"_s},
        {"Hours 255 is 0", {{670, {255}}}, "Hours", 1, u"0"_s},
        {"Hours padded", {{670, {7}}}, "Hours", 1, u"07"_s},
        {"Minutes padded", {{709, {7}}}, "Minutes", 20, u"07"_s},
        {"Minutes 255 is 0", {{709, {255}}}, "Minutes", 20, u"0"_s},
        {"MacroToRun 0 is 01", {}, "MacroToRun", 4, u"01"_s},
        {"MacroToRun 255 is 0", {{713, {255}}}, "MacroToRun", 4, u"0"_s},
        {"MacroToRun padded", {{713, {9}}}, "MacroToRun", 4, u"09"_s},
        {"courtesy P2Delay3(7)",
         {{750 + 20 * (3 * 10 + 1) + 12, {0x10, 0x27}}},
         "P2Delay3",
         7,
         u"10000"_s},
        {"courtesy P1Tone1(1)", {{750, {0xAC, 0x0D}}}, "P1Tone1", 1, u"3500"_s},
        {"courtesy P3Dur4(10)", {{1708, {1, 1}}}, "P3Dur4", 10, u"257"_s},
        {"DTMFDur 255 is empty", {{1722, {255}}}, "DTMFDur", 0, QString()},
        {"DTMF memory", {{1724, {'1', '2', '#', 255, '5'}}}, "DTMF", 1, u"1 2 #"_s},
        {"DTMF memory of 11",
         {{1735, {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 'A'}}},
         "DTMF",
         2,
         u"1 2 3 4 5 6 7 8 9 0 A"_s},
        {"DTMF memory starting 255", {{1724, {255, '1'}}}, "DTMF", 1, none},
        {"DTMF memory starting NUL", {}, "DTMF", 20, none},
        {"DTMF memory starting blank", {{1724, {' ', '1', 255}}}, "DTMF", 1, none},
        {"message of zeros is NONE STORED", {}, "MessageMacro", 1, none},
        {"message of 255s is empty",
         {{2099, std::vector<int>(10, 255)}},
         "MessageMacro",
         1,
         QString()},
        {"message ends before ZERO", {{2109, {124, 1, 0, 2}}}, "MessageMacro", 2, u"HELLO ONE"_s},
        {"message of nine words",
         {{2119, {30, 31, 32, 33, 34, 35, 36, 37, 38, 39}}},
         "MessageMacro",
         3,
         u"A B C D E F G H I"_s},
        {"message skipping 255",
         {{2119, {30, 255, 31, 255, 255, 255, 255, 255, 255, 255}}},
         "MessageMacro",
         3,
         u"A B"_s},
        {"message starting ZERO", {{2129, {0, 1, 2, 0}}}, "MessageMacro", 4, none},
        {"ID extras 255 keeps the field", {{2501, {255}}}, "ID3Extras", 1, u"9"_s},
        {"ID extras order", {{2505, {11}}}, "ID1Extras", 3, u"11"_s},
        {"macro steps", {{2508, {5, 45, 123, 0, 7}}}, "Macro", 1, u"005 045 123"_s},
        {"macro escape", {{2508, {255, 45, 1}}}, "Macro", 1, u"300 001"_s},
        {"macro escape of 0 is 255", {{2508, {255, 0}}}, "Macro", 1, u"255"_s},
        {"empty macro", {}, "Macro", 40, none},
        {"macro holds 15 steps",
         {{2524, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}}},
         "Macro",
         2,
         u"001 002 003 004 005 006 007 008 009 010 011 012 013 014 015"_s},
        {"macro escape in bytes 14 and 15",
         {{2524, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 255, 235}}},
         "Macro",
         2,
         u"001 001 001 001 001 001 001 001 001 001 001 001 001 001 490"_s},
        {"macro 255 in the last byte adds nothing",
         {{2524, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 255}}},
         "Macro",
         2,
         u"001 001 001 001 001 001 001 001 001 001 001 001 001 001 001"_s},
        {"the next macro keeps its place",
         {{2524, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 255}}, {2540, {9}}},
         "Macro",
         3,
         u"009"_s},
        {"short macro holds 4", {{3348, {1, 2, 3, 4, 5}}}, "ShortMacro", 1, u"001 002 003 004"_s},
        {"short macro two escapes", {{3353, {255, 0, 255, 235, 7}}}, "ShortMacro", 2, u"255 490"_s},
        {"packed macro code", {{3148, {0x21, 0xCB, 0, 0x55}}}, "MacroCode", 1, u"12*#"_s},
        {"macro code of eight digits",
         {{3193, {0xA1, 0xBC, 0xDE, 0xF9, 0x33}}},
         "MacroCode",
         10,
         u"10#*BA9C"_s},
        {"short macro code", {{3843, {0xA1, 0xA9, 0x99}}}, "ShortMacroCode", 50, u"109099"_s},
        {"port to allow", {{3937, {13}}}, "PortToAllow", 90, u"13"_s},
        {"Tq skips 0 and 255",
         {{3948, {'A', 255, 0, '1', 'B', 'C'}}},
         "RemoteBasePrefix",
         0,
         u"A1B"_s},
        {"lock", {{3954, {'1', '2', '3', '4', '5'}}}, "Lock", 0, u"1234"_s},
        {"terminator T 2", {{3959, {'B', 'C'}}}, "Terminator", 0, u"B"_s},
        {"frequency",
         {{3985, {'1', '4', '6', '5', '2', '0', '3', '9'}}},
         "FreqString",
         1,
         u"1465203"_s},
        {"frequency skips 255", {{3993, {'1', 255, '2', 0, '3'}}}, "FreqString", 2, u"12"_s},
        {"empty frequency", {}, "FreqString", 10, none},
        {"CTCSS", {{4074, {33}}}, "CTCSS", 10, u"33"_s},
        {"APPrefix T 6", {{4090, {'C', '9', '9', '9', '9', '9'}}}, "APPrefix", 0, u"C9999"_s},
        {"inactivity 0 disables the timeout",
         {{151, {0}}, {154, {0}}},
         "DisableTimeout",
         1,
         u"1"_s},
        {"inactivity time enables it", {{152, {5}}, {155, {1}}}, "DisableTimeout", 2, u"0"_s},
        {"fields the image lacks keep their values", {}, "Monthly", 6, u"2"_s},
        {"toll restrict kept", {}, "TollRestrict", 3, u"5551234"_s},
    };
    for (const Decoded& c : cases) {
        QByteArray bytes(MemoryImageSize, '\0');
        for (const Poke& poke : c.pokes)
            for (size_t i = 0; i < poke.bytes.size(); ++i)
                bytes[poke.at + static_cast<int>(i)] = static_cast<char>(poke.bytes[i]);
        Database db;
        db.setValue("Meter", 1, u"5"_s);
        db.setValue("RealLow", 1, u"77"_s);
        db.setValue("Week", 3, u"4"_s);
        db.setValue("ID3Extras", 1, u"9"_s);
        db.setValue("Monthly", 6, u"2"_s);
        db.setValue("TollRestrict", 3, u"5551234"_s);
        const MemoryImageResult result = decodeMemoryImageLines(linesOf(bytes), db);
        ASSERT_TRUE(result.ok) << c.what << ": " << result.error.toStdString();
        EXPECT_EQ(db.value(c.field, c.index), c.expected) << c.what;
    }
}

TEST(MemoryImage, DownloadSetsBothCopiesOfLockAndTerminatorButNoFlags) {
    QByteArray bytes(MemoryImageSize, '\0');
    bytes[3954] = '7';
    bytes[3959] = 'C';
    Database db;
    db.setSettingsSaved(false);
    ASSERT_TRUE(decodeMemoryImageLines(linesOf(bytes), db).ok);
    EXPECT_EQ(db.storedLock(), u"7"_s);
    EXPECT_EQ(db.storedTerminator(), u"C"_s);
    EXPECT_FALSE(db.anyPending());
    EXPECT_FALSE(db.settingsSaved());
}

// A bad image: how it is made, the line the message must name.
struct BadImage {
    const char* what;
    std::function<QByteArray()> file;
    int line;
};

QByteArray goodFile() {
    return linesOf(TarsisMemory().bytes()).join(u"\r\n"_s).toLatin1() + "\r\n";
}

QByteArray replaceLine(int number, const QByteArray& text) {
    QList<QByteArray> lines = goodFile().split('\n');
    lines[number - 1] = text + '\r';
    return lines.join('\n');
}

TEST(MemoryImage, BadImagesAreRefusedWholeAndNameTheLine) {
    const std::vector<BadImage> cases = {
        {"empty file", [] { return QByteArray(); }, 1},
        {"only line breaks", [] { return QByteArray("\r\n\r\n\n"); }, 1},
        {"4095 lines",
         [] {
             QList<QByteArray> lines = goodFile().split('\n');
             return lines.mid(0, 4095).join('\n');
         },
         4096},
        {"4097 lines", [] { return goodFile() + "4096,0\r\n"; }, 4097},
        {"a line without a comma", [] { return replaceLine(100, "99 17"); }, 100},
        {"a value of 256", [] { return replaceLine(4096, "4095,256"); }, 4096},
        {"a value abc", [] { return replaceLine(2, "1,abc"); }, 2},
        {"a negative value", [] { return replaceLine(3000, "2999,-1"); }, 3000},
        {"an empty value", [] { return replaceLine(17, "16,"); }, 17},
        {"a value with a fraction", [] { return replaceLine(18, "17,1.5"); }, 18},
        {"a blank line in the middle", [] { return replaceLine(50, ""); }, 50},
        {"random bytes",
         [] {
             QRandomGenerator random(4711);
             QByteArray noise(20000, '\0');
             for (char& c : noise)
                 c = static_cast<char>(random.bounded(256));
             noise[0] = 'x'; // no comma on the first line, whatever the noise holds
             noise[1] = '\n';
             return noise;
         },
         1},
    };
    QTemporaryDir dir;
    for (const BadImage& c : cases) {
        const QString path = dir.filePath(u"download.mem"_s);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.file());
        file.close();

        Database db;
        db.setValue("HangTime", 1, u"123"_s);
        db.setPending("HangTimePending", 1);
        const Database before = db;
        const MemoryImageResult result = decodeMemoryImage(path, db);
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_EQ(result.line, c.line) << c.what << ": " << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(u"line "_s + QString::number(c.line)) ||
                    (c.line == 1 && result.error.contains(u"empty"_s)))
            << c.what << ": " << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(u"download.mem"_s)) << result.error.toStdString();
        EXPECT_TRUE(db.sameValues(before)) << c.what;
        EXPECT_EQ(db.pendingNames(), before.pendingNames()) << c.what;
        EXPECT_EQ(db.storedLock(), before.storedLock()) << c.what;
    }
    Database db;
    EXPECT_FALSE(decodeMemoryImage(dir.filePath(u"missing.mem"_s), db).ok);
}

TEST(MemoryImage, GoodFilesAcceptEitherLineEndingAndPositionsAreNotRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"download.mem"_s);
    QByteArray bytes(MemoryImageSize, '\0');
    bytes[16] = 42;
    QStringList lines = linesOf(bytes);
    lines[16] = u"anything,  42 "_s; // the text before the comma is not read
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(lines.join(u'\n').toLatin1()); // LF only, no line break after the last line
    file.close();
    Database db;
    const MemoryImageResult result = decodeMemoryImage(path, db);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(db.value("HangTime", 1), u"42"_s);
}

// The factory-fresh controller decodes to the program's defaults, except where the image holds
// a number rather than its text or cannot hold an empty value.
TEST(MemoryImage, FactoryFreshMemoryDecodesToTheDefaults) {
    Database db;
    ASSERT_TRUE(decodeMemoryImageLines(TarsisMemory().memoryLines(), db).ok);
    QStringList expected;
    for (int p = 1; p <= 3; ++p) {
        expected << u"InActivityMacro(%1): \"1\" != \"01\""_s.arg(p)
                 << u"CWTone1(%1): \"500\" != \"0500\""_s.arg(p);
    }
    for (int i = 1; i <= 10; ++i) {
        expected << u"FreqString(%1): \"NONE STORED\" != \"\""_s.arg(i)
                 << u"CTCSS(%1): \"0\" != \"\""_s.arg(i)
                 << u"CTCSSMode(%1): \"0\" != \"\""_s.arg(i);
    }
    QStringList differences = db.differences(Database());
    differences.sort();
    expected.sort();
    EXPECT_EQ(differences, expected);
}

} // namespace
