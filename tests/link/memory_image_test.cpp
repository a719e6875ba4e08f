#include "database/database.h"
#include "emulator/tarsis_memory.h"
#include "link/memory_image.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
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
std::vector<int> text(const char* characters) {
    return std::vector<int>(characters, characters + qstrlen(characters));
}
// `count` bytes of `value`, then `tail`.
std::vector<int> run(int count, int value, std::vector<int> tail = {}) {
    tail.insert(tail.begin(), size_t(count), value);
    return tail;
}

// The encodings at their edges (the round trip proves the ordinary values of every field): bytes
// put into an image of zeros, the field read back into a database that held the values below.
TEST(MemoryImage, EveryEncodingReadsItsBytes) {
    const QString none = u"NONE STORED"_s;
    struct Decoded {
        std::vector<Poke> pokes;
        const char* field;
        int index;
        QString expected;
    };
    const std::vector<Decoded> cases = {
        {{{62, text("ABCDE")}}, "MacroSubset", 0, u"ABCD"_s}, // the 5th never adds
        {{{4, {'9', '8', 0, '7', '6', 0}}}, "DTMFTestPrefix", 0, u"98"_s},
        {{}, "PreAccessPrefix", 0, u"0"_s},
        {{{0, text("1234")}}, "PreAccessPrefix", 0, u"123"_s},
        {{{15, {2}}}, "SayHour", 0, u"0"_s},
        {{{15, {1}}}, "SayHour", 0, u"1"_s},
        {{{35, {200, 55}}}, "DTMFTime", 3, u"255"_s}, // the two bytes are added
        {{{42, {0x10, 0x27}}}, "KerchunkTime", 2, u"10000"_s},
        {{{60, {255}}}, "PLEncodePolarity", 2, QString()},
        {{{108, {255}}}, "SpeechIDOverride", 3, u"0"_s},
        {{}, "CWTone2", 1, u"0000"_s},
        {{}, "CWTone1", 1, u"0"_s},
        {{{97, text("312ABCD#*")}}, "CurrentPortUnlock", 3, u"312ABCD#"_s},
        {{{196, {62, 0}}}, "Meter", 3, u"2"_s},
        {{{206, {176, 0}}}, "Meter", 8, u"6"_s},
        {{{192, {63, 0}}}, "Meter", 1, u"5"_s},      // an unknown meter word keeps the field
        {{{208, {12, 255}}}, "RealLow", 1, u"77"_s}, // a high byte of 255 keeps the field
        {{{226, {255, 0}}}, "MeterLow", 2, u"255"_s},
        {{{362, {21, 22}}}, "CWID1", 1, QString()},
        {{{124, {2}}, {362, {21, 11, 23}}}, "CWID1", 1, u"A WORD_SPACE"_s},
        {{{129, {15}}, {437, run(15, 10)}}, "CWID2", 3, u"- "_s.repeated(14) + u"-"_s},
        {{{125, {99}}, {377, run(15, 0)}}, "CWID1", 2, u"0 "_s.repeated(14) + u"0"_s},
        // An unknown CW code repeats the token before it.
        {{{126, {4}}, {392, {21, 99, 22, 24}}}, "CWID1", 3, u"A A B B"_s},
        {{{452, {30}}}, "VoiceID1", 1, QString()},
        {{{138, {3}}, {628, {207, 235, 255}}},
         "VoiceID3",
         3,
         u"THE_TIME_IS SILENCE(PAUSE) DVR20"_s},
        {{{652, {25}}}, "Week", 3, u"2"_s},
        {{{652, {25}}}, "DOW", 3, u"5"_s},
        {{{652, {7}}}, "Week", 3, u"4"_s}, // one digit is the day alone
        {{{652, {7}}}, "DOW", 3, u"7"_s},
        {{{670, {254}}}, "Hours", 1, u"0A"_s},
        {{{670, {255}}}, "Hours", 1, u"0"_s},
        {{{670, {7}}}, "Hours", 1, u"07"_s},
        {{{709, {255}}}, "Minutes", 20, u"0"_s},
        {{}, "MacroToRun", 4, u"01"_s},
        {{{713, {255}}}, "MacroToRun", 4, u"0"_s},
        {{{1708, {1, 1}}}, "P3Dur4", 10, u"257"_s},
        {{{1722, {255}}}, "DTMFDur", 0, QString()},
        {{{1724, {'1', '2', '#', 255, '5'}}}, "DTMF", 1, u"1 2 #"_s},
        {{{1735, text("1234567890A")}}, "DTMF", 2, u"1 2 3 4 5 6 7 8 9 0 A"_s},
        {{{1724, {255, '1'}}}, "DTMF", 1, none},
        {{}, "DTMF", 20, none},
        {{{1724, {' ', '1', 255}}}, "DTMF", 1, none},
        {{}, "MessageMacro", 1, none},
        {{{2099, run(10, 255)}}, "MessageMacro", 1, QString()},
        {{{2109, {124, 1, 0, 2}}}, "MessageMacro", 2, u"HELLO ONE"_s}, // ends before ZERO
        {{{2119, {30, 31, 32, 33, 34, 35, 36, 37, 38, 39}}},
         "MessageMacro",
         3,
         u"A B C D E F G H I"_s},
        {{{2119, {30, 255, 31, 255, 255, 255, 255, 255, 255, 255}}}, "MessageMacro", 3, u"A B"_s},
        {{{2129, {0, 1, 2, 0}}}, "MessageMacro", 4, none},
        {{{2501, {255}}}, "ID3Extras", 1, u"9"_s},
        {{{2505, {11}}}, "ID1Extras", 3, u"11"_s},
        {{{2508, {255, 45, 1}}}, "Macro", 1, u"300 001"_s},
        {{{2508, {255, 0}}}, "Macro", 1, u"255"_s},
        {{}, "Macro", 40, none},
        {{{2524, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}}},
         "Macro",
         2,
         u"001 002 003 004 005 006 007 008 009 010 011 012 013 014 015"_s},
        {{{2524, run(14, 1, {255, 235})}}, "Macro", 2, u"001 "_s.repeated(14) + u"490"_s},
        {{{2524, run(15, 1, {255})}}, "Macro", 2, u"001 "_s.repeated(14) + u"001"_s},
        {{{2524, run(15, 1, {255})}, {2540, {9}}}, "Macro", 3, u"009"_s},
        {{{3348, {1, 2, 3, 4, 5}}}, "ShortMacro", 1, u"001 002 003 004"_s},
        {{{3353, {255, 0, 255, 235, 7}}}, "ShortMacro", 2, u"255 490"_s},
        {{{3148, {0x21, 0xCB, 0, 0x55}}}, "MacroCode", 1, u"12*#"_s},
        {{{3193, {0xA1, 0xBC, 0xDE, 0xF9, 0x33}}}, "MacroCode", 10, u"10#*BA9C"_s},
        {{{3843, {0xA1, 0xA9, 0x99}}}, "ShortMacroCode", 50, u"109099"_s},
        {{{3948, {'A', 255, 0, '1', 'B', 'C'}}}, "RemoteBasePrefix", 0, u"A1B"_s},
        {{{3954, text("12345")}}, "Lock", 0, u"1234"_s},
        {{{3959, text("BC")}}, "Terminator", 0, u"B"_s},
        {{{3985, text("14652039")}}, "FreqString", 1, u"1465203"_s},
        {{{3993, {'1', 255, '2', 0, '3'}}}, "FreqString", 2, u"12"_s},
        {{}, "FreqString", 10, none},
        {{{4090, text("C99999")}}, "APPrefix", 0, u"C9999"_s},
        {{{151, {0}}, {154, {0}}}, "DisableTimeout", 1, u"1"_s},
        {{{152, {5}}, {155, {1}}}, "DisableTimeout", 2, u"0"_s},
        {{}, "Monthly", 6, u"2"_s}, // fields the image lacks keep their values
        {{}, "TollRestrict", 3, u"5551234"_s},
    };
    for (const Decoded& c : cases) {
        SCOPED_TRACE(testing::Message() << c.field << '(' << c.index << ')');
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
        db.setSettingsSaved(false);
        const MemoryImageResult result = decodeMemoryImageLines(linesOf(bytes), db);
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(db.value(c.field, c.index), c.expected);
        // A download sets both copies of lock and terminator, and no flags.
        EXPECT_EQ(db.storedLock(), db.value("Lock"));
        EXPECT_EQ(db.storedTerminator(), db.value("Terminator"));
        EXPECT_FALSE(db.anyPending());
        EXPECT_FALSE(db.settingsSaved());
    }
}

QByteArray goodFile() {
    return linesOf(TarsisMemory().bytes()).join(u"\r\n"_s).toLatin1() + "\r\n";
}

QByteArray replaceLine(int number, const QByteArray& text) {
    QList<QByteArray> lines = goodFile().split('\n');
    lines[number - 1] = text + '\r';
    return lines.join('\n');
}

// A bad image is refused whole, naming the first bad or missing line.
TEST(MemoryImage, BadImagesAreRefusedWholeAndNameTheLine) {
    QRandomGenerator random(4711);
    QByteArray noise(20000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random.bounded(256));
    // The file, and the line it is refused at.
    const std::vector<std::tuple<QByteArray, int>> cases = {
        {QByteArray(), 1},
        {QByteArray("\r\n\r\n\n"), 1},
        {goodFile().split('\n').mid(0, 4095).join('\n'), 4096},
        {goodFile() + "4096,0\r\n", 4097},
        {replaceLine(100, "99 17"), 100},
        {replaceLine(4096, "4095,256"), 4096},
        {replaceLine(2, "1,abc"), 2},
        {replaceLine(3000, "2999,-1"), 3000},
        {replaceLine(17, "16,"), 17},
        {replaceLine(18, "17,1.5"), 18},
        {replaceLine(50, ""), 50},
        {"x\n" + noise, 1}, // no comma on the first line, whatever the noise holds
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(u"download.mem"_s);
    for (const auto& [bytes, line] : cases) {
        SCOPED_TRACE(line);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();

        Database db;
        db.setValue("HangTime", 1, u"123"_s);
        db.setPending("HangTimePending", 1);
        const Database before = db;
        const MemoryImageResult result = decodeMemoryImage(path, db);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.line, line) << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(u"line "_s + QString::number(line)) ||
                    (line == 1 && result.error.contains(u"empty"_s)))
            << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(u"download.mem"_s)) << result.error.toStdString();
        EXPECT_TRUE(db.sameValues(before));
        EXPECT_EQ(db.pendingNames(), before.pendingNames());
        EXPECT_EQ(db.storedLock(), before.storedLock());
    }
    Database db;
    EXPECT_FALSE(decodeMemoryImage(dir.filePath(u"missing.mem"_s), db).ok);

    // LF line ends, no line break after the last line; the text before the comma is not read.
    QByteArray bytes(MemoryImageSize, '\0');
    bytes[16] = 42;
    QStringList lines = linesOf(bytes);
    lines[16] = u"anything,  42 "_s;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(lines.join(u'\n').toLatin1());
    file.close();
    const MemoryImageResult result = decodeMemoryImage(path, db);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(db.value("HangTime", 1), u"42"_s);
}

// Where the image holds a number rather than its text, or cannot hold an empty value.
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
