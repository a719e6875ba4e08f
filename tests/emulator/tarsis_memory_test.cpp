#include "emulator/tarsis_memory.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

using namespace Qt::StringLiterals;
using kovo::TarsisMemory;

namespace {

int byte(const TarsisMemory& memory, int at) {
    return static_cast<unsigned char>(memory.bytes()[at]);
}

constexpr int Serial = -1; // a serial line; otherwise the port a DTMF body came in on

kovo::CommandOutcome apply(TarsisMemory& memory, int port, const char* command) {
    const QString text = QString::fromLatin1(command);
    return port == Serial ? memory.applySerialLine(text) : memory.applyDtmfBody(port, text);
}

// Where a command puts its value: the bytes expected from a position on. A DTMF body names the
// port it came in on; port 0 is a serial line.
struct Stored {
    int port;
    const char* command;
    int at;
    std::vector<int> bytes;
};

void expectStored(TarsisMemory& memory, const Stored& c) {
    const kovo::CommandOutcome outcome = apply(memory, c.port, c.command);
    ASSERT_TRUE(outcome.accepted) << c.command << ": " << outcome.reason.toStdString();
    for (size_t i = 0; i < c.bytes.size(); ++i)
        EXPECT_EQ(byte(memory, c.at + static_cast<int>(i)), c.bytes[i])
            << c.command << " at " << c.at + static_cast<int>(i);
}

TEST(TarsisMemory, CommandsLandWhereTheLayoutHoldsThem) {
    const std::vector<Stored> cases = {
        {Serial, "2*1000200", 17, {200}},           // HangTime(2)
        {Serial, "3*100132767", 170, {0xFF, 0x7F}}, // TimeOut(3) word
        {Serial, "1*10050", 151, {0, 20, 20, 1}},   // InActiveTime(1) 0 -> DisableTimeout(1) 1
        {Serial, "2*1006300", 33, {255, 45}},       // DTMFTime(2): the two bytes add up
        {Serial, "2*10120", 147, {0, 0}},           // auxTime(2), serial numbering
        {Serial, "1*10172500", 2090, {0xF4, 0x01}}, // generalTimer(2)
        {Serial, "1*2092390", 12, {90}},            // GeneralTimerMacro(3)
        {Serial, "1*1022777", 57, {0x09, 0x03}},    // XmtDelay
        {Serial, "3*1021", 61, {255}},              // empty polarity is held as 255
        {Serial,
         "2*3207300*400*1000*2000*",
         750 + 20 * (3 * 9 + 1) + 12,
         {0x2C, 0x01}}, // P2Delay2(7)
        {Serial,
         "2*3207300*400*1000*2000*",
         750 + 20 * (3 * 13 + 1) + 12,
         {0x90, 0x01}}, // P2Dur2(7)
        {Serial,
         "2*3207300*400*1000*2000*",
         750 + 20 * (3 * 2 + 1) + 12,
         {0xE8, 0x03}}, // P2Tone3(7)
        {Serial,
         "2*3207300*400*1000*2000*",
         750 + 20 * (3 * 3 + 1) + 12,
         {0xD0, 0x07}},                                                  // P2Tone4(7)
        {Serial, "3*34101*2*3*4*", 750 + 20 * (3 * 7 + 2) + 18, {4, 0}}, // P3Tone8(10)
        {Serial, "2*8005030031", 540, {30, 31, 0}},                      // VoiceID2(2) codes...
        {Serial, "2*8005030031", 134, {2}},                              // ...and its length
        {Serial, "1*800321921173", 407, {21, 92, 11, 73}},               // CWID2(1)
        {Serial, "1*800321921173", 127, {4}},
        {Serial, "3*800105001000", 113, {0xF4, 0x01}}, // CWTone1(3)
        {Serial, "3*800105001000", 119, {0xE8, 0x03}}, // CWTone2(3)
        {Serial, "3*80010800", 119, {0, 0}},           // no second tone: tone 2 off
        {Serial, "2*8007311", 2499 + 3 + 2, {11}},     // ID3Extras(2)
        {Serial, "1*40010325103045", 652, {25}},       // setpoint 3 monthly: week 2, day 5
        {Serial, "1*40010325103045", 672, {10}},
        {Serial, "1*40010325103045", 692, {30}},
        {Serial, "1*40010325103045", 712, {45}},
        {Serial, "1*40012070A0590", 669, {7}}, // setpoint 20, every hour
        {Serial, "1*40012070A0590", 689, {254}},
        {Serial, "1*5105A5", 3961, {0xFB, 0xFF}}, // negative correction, two's complement
        {Serial, "1*20643*2*100*200*300*400*", 196, {62, 0}},      // meter(3) type 2
        {Serial, "1*20643*2*100*200*300*400*", 212, {100, 0}},     // RealLow(3)
        {Serial, "1*20643*2*100*200*300*400*", 244, {0x2C, 0x01}}, // RealHigh(3)
        {Serial, "1*20643*2*100*200*300*400*", 260, {0x90, 0x01}}, // MeterHigh(3)
        {Serial, "1*2060A1", 3948, {'A', '1', 0, 0, 0, 0}},
        {Serial, "1*400207001045300", 2508 + 96, {1, 45, 255, 45, 0}},    // macro(7), 300 escaped
        {Serial, "1*400241001002003004", 3348, {1, 2, 3, 4, 0}},          // short macro 41
        {Serial, "1*400307", 2508 + 96, {0, 0, 0}},                       // erase macro 7
        {Serial, "1*20500512*#", 3148 + 20, {0x21, 0xCB, 0, 0, 0}},       // macroCode(5)
        {Serial, "1*205090109099", 3598 + 245, {0xA1, 0xA9, 0x99, 0, 0}}, // ShortMacroCode(50)
        {Serial, "1*40059013", 3937, {13}},                               // PortToAllow(90)
        {Serial, "1*210340124000001", 2099 + 390, {124, 0, 1, 0, 0}},     // messageMacro(40)
        {Serial, "1*2105031#A", 1724 + 22, {'1', '#', 'A', 255, 255}},    // DTMF(3)
        {Serial, "2*900024680", 88, {'2', '4', '6', '8', '0', 0}},        // CurrentPortUnlock(2)
        {Serial, "1*9010*#", 3954, {'*', '#', 0}},
        {Serial, "1*9020C", 3959, {'C', 0}},
        {Serial, "1*2108", 0, {0, 0, 0, 0}},  // pre-access prefix empty
        {Serial, "1*21080", 0, {0, 0, 0, 0}}, // "0" is none as well
        {Serial, "1*2108123", 0, {'1', '2', '3', 0}},
        {Serial, "1*4009AB12", 62, {'A', 'B', '1', '2', 0}},
        {Serial, "12801", 3947, {1}},       // MacroSubsetEnable
        {Serial, "12700", 2087, {0}},       // PatchMute
        {Serial, "2*2110345", 3971, {45}},  // P3MessageNum(2)
        {Serial, "22110", 25, {1, 0}},      // TxEnable(2): "2" + "2110"
        {Serial, "33121", 139 + 2, {1}},    // PLAccess(3): "3" + "3121"
        {Serial, "13910", 177, {0}},        // Alarm(3) off
        {Serial, "1160041", 345, {1}},      // meter alarm 4 enabled
        {2, "*101477", 147, {77, 0}},       // over the air the aux timer of port 2 is "*1014"
        {3, "*800769", 2499 + 6 + 1, {9}},  // ID extras: 4-6 is ID2 of ports 1-3
        {1, "1940", 178, {0}},              // alarm 4 off
        {2, "*21102102030", 3973 + 1, {2}}, // tail and message numbers in one command
        {2, "*21102102030", 3964 + 1, {10}},
        {2, "*21102102030", 3970 + 1, {30}},
    };
    for (const Stored& c : cases) {
        TarsisMemory memory;
        expectStored(memory, c);
    }
}

TEST(TarsisMemory, RefusesWhatIsNoCommandOrHasMalformedArguments) {
    const std::pair<int, const char*> refused[] = {
        {Serial, ""},                                       // nothing
        {Serial, "4*1000200"},                              // no such port
        {Serial, "1*9999"},                                 // no such command
        {Serial, "1*1000"},                                 // missing value
        {Serial, "1*1000256"},                              // a byte holds 255 at most
        {Serial, "1*10001x"},                               // not a number
        {Serial, "2*10113"},                                // serial aux timer names its port
        {Serial, "1*1017450"},                              // general timer 4
        {Serial, "1*3507100*1*1*1*"},                       // segment 5
        {Serial, "1*3111100*1*1*"},                         // tone 11, and only three values
        {Serial, "1*3101100*1*1*1"},                        // last value without its "*"
        {Serial, "1*800403"},                               // speech codes come in threes
        {Serial, "1*8004256"},                              // speech code above 255
        {Serial, "1*80029"},                                // CW codes come in pairs
        {Serial, "1*800299"},                               // 99 is no CW character
        {Serial, "1*8007411"},                              // serial ID extras 1-3
        {Serial, "1*8007112345"},                           // extras value too large
        {Serial, "1*400121123"},                            // setpoint 21 / too short
        {Serial, "1*4001011260001"},                        // hours 26
        {Serial, "1*4001011106001"},                        // minutes 60
        {Serial, "1*20649*1*1*1*1*1*"},                     // meter 9
        {Serial, "1*20641*7*1*1*1*1*"},                     // meter type 7
        {Serial, "1*400241300300300"},                      // short macro: six bytes
        {Serial, "1*40020100012"},                          // not whole functions
        {Serial, "1*400201000"},                            // function 000
        {Serial, "1*400201511"},                            // 511 does not fit an escape
        {Serial, "1*205001123D"},                           // D has no packed form
        {Serial, "1*2050011234567890"},                     // nine digits
        {Serial, "1*210301001001001001001001001001001001"}, // ten words
        {Serial, "1*21050112345678901A"},                   // twelve digits
        {Serial, "1*210501E"},                              // not a DTMF digit
        {Serial, "1*9010"},                                 // empty lock code
        {Serial, "1*9010ABCDE"},                            // five characters
        {Serial, "1*9020"},                                 // empty terminator
        {Serial, "1*9020AB"},                               // two characters
        {Serial, "2*9000123456789"},                        // nine characters
        {Serial, "1*2115201555"},                           // autodial slot 201
        {Serial, "1*2062000555"},                           // toll-restrict slot 0
        {Serial, "2*2110455"},                              // message position 4
        {Serial, "211112"},                                 // a switch value is one digit
        {Serial, "21111"},                                  // the switch names the line's port
        {Serial, "16910"},                                  // alarm 6
        {Serial, "1**B11234567890"},                        // frequency of ten digits
        {Serial, "1**C11465203"},                           // prefix does not match (B1)
        {Serial, "1*208611"},                               // remote memory 11
        {Serial, "1*700121"},                               // track 21
        {Serial, "1abc"},                                   // no command
        {2, "*101277"},                                     // serial numbering over the air
        {2, "*800769"},                                     // ID extras of another port
        {1, "*210115"},                                     // alarm macros: serial only
        {1, "*1000x"},                                      // not a number
        {0, "*100010"},                                     // no port
    };
    for (const auto& [port, command] : refused) {
        TarsisMemory memory;
        const QByteArray before = memory.bytes();
        const kovo::CommandOutcome outcome = apply(memory, port, command);
        EXPECT_FALSE(outcome.accepted) << command;
        EXPECT_FALSE(outcome.reason.isEmpty()) << command;
        EXPECT_EQ(memory.bytes(), before) << command << " changed the memory although refused";
    }
}

// Commands whose effect depends on what came before them.
TEST(TarsisMemory, SequencesKeepTheirState) {
    TarsisMemory memory;
    // Fifteen one-byte functions fill bytes 0-14; byte 15 stays the end mark.
    QString fifteen = u"1*400201"_s;
    for (int i = 1; i <= 15; ++i)
        fifteen += QString::number(i).rightJustified(3, u'0');
    ASSERT_TRUE(memory.applySerialLine(fifteen).accepted);
    EXPECT_EQ(memory.bytes().mid(2508 + 13, 3), QByteArray("\x0e\x0f\x00", 3));
    EXPECT_FALSE(memory.applySerialLine(fifteen + u"001"_s).accepted); // sixteen do not fit
    // Fourteen plain functions and one escaped: the escape starts in byte 14 and ends in 15.
    expectStored(
        memory,
        {Serial, "1*400202001001001001001001001001001001001001001001490", 2524 + 14, {255, 235}});
    // Short macro: two escaped functions take four bytes.
    expectStored(memory, {Serial, "1*400290255490", 3348 + 245, {255, 0, 255, 235}});
    // Erase all: every macro empty, the codes stay.
    ASSERT_TRUE(memory.applySerialLine(u"1*400499#"_s).accepted);
    EXPECT_EQ(byte(memory, 2508), 0);
    EXPECT_EQ(byte(memory, 3348 + 245), 0);
    EXPECT_NE(byte(memory, 3148), 0);

    // A remote base memory takes the radio's current setting.
    for (const char* line : {"1*2060C7", "1**C711465203", "1**C72142", "1**C735", "1*208610"})
        ASSERT_TRUE(memory.applySerialLine(QString::fromLatin1(line)).accepted) << line;
    EXPECT_EQ(memory.bytes().mid(3985 + 8 * 9, 8), QByteArray("1465203\0", 8));
    EXPECT_EQ(byte(memory, 4065 + 9), 14);
    EXPECT_EQ(byte(memory, 4075 + 9), 2);
    EXPECT_EQ(byte(memory, 2070 + 9), 5);
    // Over the air the prefix alone addresses the radio.
    ASSERT_TRUE(memory.applyDtmfBody(1, u"C71147000"_s).accepted);
    ASSERT_TRUE(memory.applyDtmfBody(1, u"*20861"_s).accepted);
    EXPECT_EQ(memory.bytes().mid(3985, 8), QByteArray("147000\0\0", 8));

    // COS closure carries its port over the air.
    EXPECT_TRUE(memory.applyDtmfBody(3, u"3221"_s).accepted);
    EXPECT_EQ(memory.keptValue(u"COSClose(3)"_s), u"1"_s);

    // Lock lines are acknowledged with the lock code in force.
    EXPECT_TRUE(memory.applySerialLine(u"1#D"_s).accepted);
    EXPECT_TRUE(memory.applySerialLine(u"1#"_s).accepted);
    EXPECT_TRUE(memory.applySerialLine(u"1*21999"_s).accepted);
    ASSERT_TRUE(memory.applySerialLine(u"1*90104321"_s).accepted);
    EXPECT_FALSE(memory.applySerialLine(u"1#D"_s).accepted);
    EXPECT_TRUE(memory.applySerialLine(u"14321D"_s).accepted);
}

TEST(TarsisMemory, KeepsOstrikDataAndStreamsItsRecords) {
    TarsisMemory memory;
    for (const char* line :
         {"1*21150075551234", "1*2115200911", "1*2062002976", "1*10254", "1*102490", "1*2063123"})
        ASSERT_TRUE(memory.applySerialLine(QString::fromLatin1(line)).accepted) << line;
    EXPECT_EQ(memory.keptValue(u"AnswerCode"_s), u"123"_s);
    EXPECT_EQ(memory.ostrikRecords(),
              QStringList({u"RA0075551234"_s, u"RA200911"_s, u"RT002976"_s, u"RS90"_s, u"RR4"_s,
                           u"RIOstrik autopatch"_s, u"RIComplete"_s}));
    // Clearing an entry takes it out of the records.
    ASSERT_TRUE(memory.applySerialLine(u"1*2115007"_s).accepted);
    EXPECT_FALSE(memory.ostrikRecords().contains(u"RA0075551234"_s));
}

TEST(TarsisMemory, MemoryLinesAndFilesKeepEveryByte) {
    TarsisMemory memory;
    ASSERT_TRUE(memory.applySerialLine(u"1*210305030031"_s).accepted);
    ASSERT_TRUE(memory.applySerialLine(u"1*2063999"_s).accepted);
    const QStringList lines = memory.memoryLines();
    ASSERT_EQ(lines.size(), TarsisMemory::Size);
    EXPECT_EQ(lines[0], u"0,0"_s);
    EXPECT_EQ(lines[16], u"16,50"_s);
    EXPECT_EQ(lines[2139], u"2139,30"_s);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"memory.mem"_s);
    QString error;
    ASSERT_TRUE(memory.save(path, &error)) << error.toStdString();
    TarsisMemory loaded;
    ASSERT_TRUE(loaded.load(path, &error)) << error.toStdString();
    EXPECT_EQ(loaded.bytes(), memory.bytes());
    EXPECT_EQ(loaded.keptValue(u"AnswerCode"_s), u"999"_s);

    // A damaged or missing file is refused and the memory stays as it was.
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("0,1\n1,2\n");
    damaged.close();
    EXPECT_FALSE(loaded.load(path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(loaded.bytes(), memory.bytes());
    EXPECT_FALSE(loaded.load(dir.filePath(u"missing.mem"_s), &error));
}

} // namespace
