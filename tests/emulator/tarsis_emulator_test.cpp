// The emulated Tarsis: its serial side (fault lists, the timing of a paced line, what a
// host sees over its pseudo-terminal) and its memory as the commands fill it.
#include "emulator/tarsis_emulator.h"
#include "emulator/tarsis_memory.h"
#include "link/pty_emulator.h"

#include <QTemporaryDir>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace kovo {
namespace {

using namespace Qt::StringLiterals;

using test::EmulatorProcess;
using Clock = InProcessDevice::Clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

EmulatorFaults faults(const char* faultList) {
    const auto faults = EmulatorFaults::parse(QString::fromLatin1(faultList));
    EXPECT_TRUE(faults.has_value()) << faultList;
    return faults.value_or(EmulatorFaults{});
}

TEST(EmulatorFaultsTest, Parse) {
    struct Case {
        const char* faultList;
        EmulatorFaults expected;
    };
    const auto fields = [](const EmulatorFaults& f) {
        return std::tuple(f.silenceFrom, f.silenceCount, f.nakAt, f.refuseFrom, f.refuseCount,
                          f.garbageFrom, f.garbageCount, f.dropAt, f.paced, f.answerDelayMs,
                          f.splitGapMs, f.echo, f.lateFrom, f.lateMs, f.boardGarbage);
    };
    const Case cases[] = {
        {"", {}},
        {"silence:4", {.silenceCount = 4}},
        {"silence:2@7", {.silenceFrom = 7, .silenceCount = 2}},
        {"nak:3", {.nakAt = 3}},
        {"garbage", {.garbageCount = -1}},
        {"garbage@5", {.garbageFrom = 5, .garbageCount = -1}},
        {"garbage:2@5", {.garbageFrom = 5, .garbageCount = 2}},
        {"drop:9", {.dropAt = 9}},
        {"refuse:10@2", {.refuseFrom = 2, .refuseCount = 10}},
        {"PACE, delay:15 ,split:3,echo",
         {.paced = true, .answerDelayMs = 15, .splitGapMs = 3, .echo = true}},
        {"late:400@7,board-garbage", {.lateFrom = 7, .lateMs = 400, .boardGarbage = true}},
    };
    for (const Case& c : cases) {
        const auto parsed = EmulatorFaults::parse(QString::fromLatin1(c.faultList));
        ASSERT_TRUE(parsed.has_value()) << c.faultList;
        EXPECT_EQ(fields(*parsed), fields(c.expected)) << c.faultList;
    }
    for (const char* faultList : {"late", "board-garbage@2", "silence", "silence:0", "silence:2@0",
                                  "nak:x", "nak:3@2", "drop", "delay:-1", "pace:1", "thunder"}) {
        QString error;
        EXPECT_FALSE(EmulatorFaults::parse(QString::fromLatin1(faultList), &error).has_value())
            << faultList;
        EXPECT_FALSE(error.isEmpty()) << faultList;
    }
}

// The line's timing is computed, not slept: a synthetic clock shows exactly when each answer
// reaches the host.
TEST(TarsisEmulatorTest, PacedLineTiming) {
    // 9600 baud, a start and a stop bit around each byte.
    const auto byte =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(10.0 / 9600.0));
    const Clock::time_point t0{std::chrono::seconds(1000)};
    struct Case {
        const char* faults;
        QByteArray written; // a "|" stands for 50 ms without a byte
        QList<QByteArray> answers;
        QList<Clock::duration> due; // after t0
    };
    const QByteArray line = "2*100030\r"; // 9 bytes
    const QList<Case> cases = {
        {"", line, {"+"}, {{}}},
        {"delay:7", line, {"+"}, {milliseconds(7)}},
        {"pace", line, {"+"}, {10 * byte}},
        {"pace,delay:5", line, {"+"}, {9 * byte + milliseconds(5) + byte}},
        // Two lines written at once: the second arrives nine byte times after the first.
        {"pace", line + line, {"+", "+"}, {10 * byte, 19 * byte}},
        {"pace", "2*10|0030\r", {"+"}, {milliseconds(50) + 6 * byte}},
        // A long answer holds the line: the next answer leaves after it.
        {"pace,echo,nak:2", line + "2\r", {"+2*100030", "-Refused"}, {18 * byte, 26 * byte}},
        {"split:4", line, {"+"}, {{}}},
        // A split answer: all but its last byte, then the last byte the gap later.
        {"split:4,echo", line, {"+2*10003", "0"}, {{}, milliseconds(4)}},
        {"late:40@2", line + line, {"+", "+"}, {{}, milliseconds(40)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults + (" " + c.written.toStdString()));
        TarsisEmulator emulator(faults(c.faults));
        std::vector<InProcessDevice::Delivery> deliveries;
        Clock::time_point at = t0;
        for (const QByteArray& piece : c.written.split('|')) {
            auto more = emulator.hostWrote(piece, at);
            deliveries.insert(deliveries.end(), more.begin(), more.end());
            at += milliseconds(50);
        }
        ASSERT_EQ(deliveries.size(), static_cast<size_t>(c.answers.size()));
        for (size_t i = 0; i < deliveries.size(); ++i) {
            EXPECT_EQ(deliveries[i].bytes, c.answers.at(static_cast<qsizetype>(i)));
            const auto error = deliveries[i].due - (t0 + c.due.at(static_cast<qsizetype>(i)));
            EXPECT_LE(std::chrono::abs(error), microseconds(2))
                << "answer " << i << " off by "
                << std::chrono::duration_cast<microseconds>(error).count() << " us";
        }
    }
}

// What makes a line an exchange, and how each fault answers it.
TEST(TarsisEmulatorTest, ExchangesAndFaults) {
    const Clock::time_point t0{};
    TarsisEmulator emulator(faults("silence:1@2,nak:3,garbage:1@4,drop:6"));
    TarsisEmulator refusing(faults("refuse:10@2,board-garbage"));
    const auto answerOf = [&](TarsisEmulator& to, const QByteArray& bytes) {
        QByteArray all;
        for (const auto& d : to.hostWrote(bytes, t0))
            all += d.hangUp ? QByteArray("<drop>") : d.bytes;
        return all;
    };
    const auto answer = [&](const QByteArray& bytes) { return answerOf(emulator, bytes); };
    EXPECT_EQ(answer("\r\n"), QByteArray()); // a bare line end is no exchange
    EXPECT_EQ(answer("2*100030\r"), QByteArray("+"));
    EXPECT_EQ(answer("2*100031\r"), QByteArray());           // 2: silence, not applied
    EXPECT_EQ(answer("2*100032\r"), QByteArray("-Refused")); // 3: refused, not applied
    EXPECT_EQ(answer("2*100033\r"), QByteArray(" +~#?"));    // 4: noise, but applied
    EXPECT_EQ(answer("\n" + QByteArray(257, '1') + "\r"), QByteArray("-Line too long")); // 5
    EXPECT_EQ(answer("2*100034\r2*100035\r"), QByteArray("<drop>")); // 6 drops; 7 never heard
    EXPECT_TRUE(emulator.hungUp());
    EXPECT_EQ(emulator.exchangeCount(), 6);
    EXPECT_EQ(emulator.acceptedLines(), (QStringList{u"2*100030"_s, u"2*100033"_s}));
    EXPECT_EQ(emulator.memory().memoryLines().at(17), u"17,33"_s);
    emulator.hostConnected();
    EXPECT_FALSE(emulator.hungUp());

    // The message recorder's marks are single characters between command lines, never answered.
    TarsisEmulator recorder;
    for (const QByteArray& bytes :
         {QByteArray("1*70017\rG"), QByteArray("S"), QByteArray("2*100030\r")})
        recorder.hostWrote(bytes, t0);
    EXPECT_EQ(recorder.receivedLines(), (QStringList{u"1*70017"_s, u"G"_s, u"S"_s, u"2*100030"_s}));

    // Refusing from the second exchange on, a download's "OK" included; the board only chatters.
    const auto refused = [&](const QByteArray& bytes) { return answerOf(refusing, bytes); };
    EXPECT_EQ(refused("1SendAPEram\r"), QByteArray(" +~#?"));
    EXPECT_EQ(refused("o\r"), QByteArray("-Refused"));
    refusing.setFaults(faults("board-garbage"));
    EXPECT_EQ(refused("1SendAPEram\r"), QByteArray(" +~#?"));
    EXPECT_EQ(refused("o\r"), QByteArray(" +~#?"));
}

// `kovo-cli emulate --memory FILE` keeps what it was sent when it ends and serves it next time.
// Its pseudo-terminal is raw: a host that opens it without touching its settings gets every byte
// through unchanged, with no echo of the answers back into the emulator and no waiting for a line
// end.
TEST(EmulatorWireTest, RawPseudoTerminalKeepsTheMemoryBetweenRuns) {
    test::ensureCoreApplication();
    QTemporaryDir dir;
    const QString memoryFile = dir.filePath(u"tarsis.mem"_s);
    // Writes each line and reads what comes back before the next.
    const auto exchange = [](const QString& port, const QList<QByteArray>& lines) {
        const int fd = ::open(port.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QList<QByteArray> answers;
        for (const QByteArray& line : lines) {
            char buffer[64];
            ssize_t n = 0;
            pollfd p{fd, POLLIN, 0};
            if (::write(fd, line.constData(), line.size()) == line.size() &&
                ::poll(&p, 1, 5000) > 0)
                n = ::read(fd, buffer, sizeof buffer);
            answers << QByteArray(buffer, std::max<ssize_t>(n, 0));
        }
        ::close(fd);
        return answers;
    };
    {
        EmulatorProcess emulator({u"--memory"_s, memoryFile});
        EXPECT_EQ(exchange(emulator.port(), {"2*100030\r", "3*1000\r"}),
                  (QList<QByteArray>{"+", "-missing value"}));
        emulator.process().terminate();
        EXPECT_TRUE(emulator.process().waitForFinished(10000));
        EXPECT_EQ(emulator.process().exitCode(), 0);
    }
    TarsisMemory expected;
    ASSERT_TRUE(expected.applySerialLine(u"2*100030").accepted);
    TarsisMemory saved;
    QString error;
    ASSERT_TRUE(saved.load(memoryFile, &error)) << error.toStdString();
    EXPECT_EQ(saved.bytes(), expected.bytes());

    // The memory stream: one line per "OK", line 17 holding the kept hang time.
    EmulatorProcess again({u"--memory"_s, memoryFile});
    QList<QByteArray> lines(18, "OK\r");
    lines.first() = "1SendEram\r";
    EXPECT_EQ(exchange(again.port(), lines).last(), QByteArray("17,30"));
}

int byte(const TarsisMemory& memory, int at) {
    return static_cast<unsigned char>(memory.bytes()[at]);
}

constexpr int Serial = -1; // a serial line; otherwise the port a DTMF body came in on

kovo::CommandOutcome apply(TarsisMemory& memory, int port, const char* command) {
    const QString text = QString::fromLatin1(command);
    return port == Serial ? memory.applySerialLine(text) : memory.applyDtmfBody(port, text);
}

// Where a command puts its values: from each position on, the bytes expected. A DTMF body names
// the port it came in on.
struct Stored {
    const char* command;
    std::vector<std::pair<int, std::vector<int>>> bytesAt;
    int port = Serial;
};

void expectStored(TarsisMemory& memory, const Stored& c) {
    const kovo::CommandOutcome outcome = apply(memory, c.port, c.command);
    ASSERT_TRUE(outcome.accepted) << c.command << ": " << outcome.reason.toStdString();
    for (const auto& [at, bytes] : c.bytesAt) {
        for (size_t i = 0; i < bytes.size(); ++i)
            EXPECT_EQ(byte(memory, at + int(i)), bytes[i]) << c.command << " at " << at + int(i);
    }
}

constexpr int Courtesy = 750; // 20 bytes per segment and port: delay, duration, tones
constexpr int Macros = 2508;  // 16 bytes each

TEST(TarsisMemory, CommandsLandWhereTheLayoutHoldsThem) {
    const std::vector<Stored> cases = {
        {"2*1000200", {{17, {200}}}},           // HangTime(2)
        {"3*100132767", {{170, {0xFF, 0x7F}}}}, // TimeOut(3) word
        {"2*100215", {{20, {15}}}},             // IIDTime(2)
        {"3*100316", {{24, {16}}}},             // PIDTime(3)
        {"1*10050", {{151, {0, 20, 20, 1}}}},   // InActiveTime(1) 0 -> DisableTimeout(1) 1
        {"2*1006300", {{33, {255, 45}}}},       // DTMFTime(2): the two bytes add up
        {"2*10120", {{147, {0, 0}}}},           // auxTime(2), serial numbering
        {"1*10172500", {{2090, {0xF4, 0x01}}}}, // generalTimer(2)
        {"1*2092390", {{12, {90}}}},            // GeneralTimerMacro(3)
        {"1*1022777", {{57, {0x09, 0x03}}}},    // XmtDelay
        {"3*1021", {{61, {255}}}},              // empty polarity is held as 255
        // P2Delay2(7), P2Dur2(7), P2Tone3(7), P2Tone4(7); P3Tone8(10)
        {"2*3207300*400*1000*2000*",
         {{Courtesy + 20 * (3 * 9 + 1) + 12, {0x2C, 0x01}},
          {Courtesy + 20 * (3 * 13 + 1) + 12, {0x90, 0x01}},
          {Courtesy + 20 * (3 * 2 + 1) + 12, {0xE8, 0x03}},
          {Courtesy + 20 * (3 * 3 + 1) + 12, {0xD0, 0x07}}}},
        {"3*34101*2*3*4*", {{Courtesy + 20 * (3 * 7 + 2) + 18, {4, 0}}}},
        {"2*8005030031", {{540, {30, 31, 0}}, {134, {2}}}},             // VoiceID2(2) codes, length
        {"1*800321921173", {{407, {21, 92, 11, 73}}, {127, {4}}}},      // CWID2(1)
        {"3*800105001000", {{113, {0xF4, 0x01}}, {119, {0xE8, 0x03}}}}, // CWTone1(3), CWTone2(3)
        {"3*80010800", {{119, {0, 0}}}},       // no second tone: tone 2 off
        {"2*8007311", {{2499 + 3 + 2, {11}}}}, // ID3Extras(2)
        // setpoint 3 monthly: week 2, day 5; setpoint 20 every hour
        {"1*40010325103045", {{652, {25}}, {672, {10}}, {692, {30}}, {712, {45}}}},
        {"1*40012070A0590", {{669, {7}}, {689, {254}}}},
        {"1*5105A5", {{3961, {0xFB, 0xFF}}}}, // negative correction, two's complement
        // meter(3) type 2, RealLow(3), RealHigh(3), MeterHigh(3)
        {"1*20643*2*100*200*300*400*",
         {{196, {62, 0}}, {212, {100, 0}}, {244, {0x2C, 0x01}}, {260, {0x90, 0x01}}}},
        {"1*2060A1", {{3948, {'A', '1', 0, 0, 0, 0}}}},
        {"1*400207001045300", {{Macros + 96, {1, 45, 255, 45, 0}}}},  // macro(7), 300 escaped
        {"1*400241001002003004", {{3348, {1, 2, 3, 4, 0}}}},          // short macro 41
        {"1*400307", {{Macros + 96, {0, 0, 0}}}},                     // erase macro 7
        {"1*20500512*#", {{3148 + 20, {0x21, 0xCB, 0, 0, 0}}}},       // macroCode(5)
        {"1*205090109099", {{3598 + 245, {0xA1, 0xA9, 0x99, 0, 0}}}}, // ShortMacroCode(50)
        {"1*40059013", {{3937, {13}}}},                               // PortToAllow(90)
        {"1*210340124000001", {{2099 + 390, {124, 0, 1, 0, 0}}}},     // messageMacro(40)
        {"1*2105031#A", {{1724 + 22, {'1', '#', 'A', 255, 255}}}},    // DTMF(3)
        {"2*900024680", {{88, {'2', '4', '6', '8', '0', 0}}}},        // CurrentPortUnlock(2)
        {"1*9010*#", {{3954, {'*', '#', 0}}}},
        {"1*9020C", {{3959, {'C', 0}}}},
        {"1*2108", {{0, {0, 0, 0, 0}}}},  // pre-access prefix empty
        {"1*21080", {{0, {0, 0, 0, 0}}}}, // "0" is none as well
        {"1*2108123", {{0, {'1', '2', '3', 0}}}},
        {"1*4009AB12", {{62, {'A', 'B', '1', '2', 0}}}},
        {"12801", {{3947, {1}}}},              // MacroSubsetEnable
        {"12700", {{2087, {0}}}},              // PatchMute
        {"2*2110345", {{3971, {45}}}},         // P3MessageNum(2)
        {"22110", {{25, {1, 0}}}},             // TxEnable(2): "2" + "2110"
        {"33121", {{139 + 2, {1}}}},           // PLAccess(3): "3" + "3121"
        {"13910", {{177, {0}}}},               // Alarm(3) off
        {"1160041", {{345, {1}}}},             // meter alarm 4 enabled
        {"*101477", {{147, {77, 0}}}, 2},      // over the air the aux timer of port 2 is "*1014"
        {"*800769", {{2499 + 6 + 1, {9}}}, 3}, // ID extras: 4-6 is ID2 of ports 1-3
        {"1940", {{178, {0}}}, 1},             // alarm 4 off
        // tail and message numbers in one command
        {"*21102102030", {{3973 + 1, {2}}, {3964 + 1, {10}}, {3970 + 1, {30}}}, 2},
    };
    for (const Stored& c : cases) {
        TarsisMemory memory;
        expectStored(memory, c);
    }
}

TEST(TarsisMemory, RefusesWhatIsNoCommandOrHasMalformedArguments) {
    const auto expectRefused = [](int port, const char* command) {
        TarsisMemory memory;
        const QByteArray before = memory.bytes();
        const kovo::CommandOutcome outcome = apply(memory, port, command);
        EXPECT_FALSE(outcome.accepted) << command;
        EXPECT_FALSE(outcome.reason.isEmpty()) << command;
        EXPECT_EQ(memory.bytes(), before) << command << " changed the memory although refused";
    };
    for (const char* line :
         {// nothing, no such port or command, missing value, a byte above 255, not a number
          "", "4*1000200", "1*9999", "1*1000", "1*1000256", "1*10001x",
          // the serial aux timer names its port, general timer 4
          "2*10113", "1*1017450",
          // courtesy segment 5; tone 11 and only three values; the last value without its "*"
          "1*3507100*1*1*1*", "1*3111100*1*1*", "1*3101100*1*1*1",
          // speech codes in threes up to 255, CW codes in pairs, 99 is no CW character
          "1*800403", "1*8004256", "1*80029", "1*800299",
          // serial ID extras 1-3, extras value too large
          "1*8007411", "1*8007112345",
          // setpoint 21 / too short, hours 26, minutes 60, meter 9, meter type 7
          "1*400121123", "1*4001011260001", "1*4001011106001", "1*20649*1*1*1*1*1*",
          "1*20641*7*1*1*1*1*",
          // short macro of six bytes, not whole functions, function 000, 511 fits no escape
          "1*400241300300300", "1*40020100012", "1*400201000", "1*400201511",
          // D has no packed form, nine digits, ten words, twelve digits, not a DTMF digit
          "1*205001123D", "1*2050011234567890", "1*210301001001001001001001001001001001",
          "1*21050112345678901A", "1*210501E",
          // lock code empty or of five characters, terminator empty or of two, unlock of nine
          "1*9010", "1*9010ABCDE", "1*9020", "1*9020AB", "2*9000123456789",
          // autodial slot 201, toll-restrict slot 0, message position 4
          "1*2115201555", "1*2062000555", "2*2110455",
          // a switch value is one digit; the switch names the line's port; alarm 6
          "211112", "21111", "16910",
          // frequency of ten digits, prefix not B1, remote memory 11, track 21, no command
          "1**B11234567890", "1**C11465203", "1*208611", "1*700121", "1abc"})
        expectRefused(Serial, line);
    // Over the air: serial numbering, ID extras of another port, serial-only alarm macros, not a
    // number, no port.
    for (const auto& [port, body] :
         {std::pair(2, "*101277"), std::pair(2, "*800769"), std::pair(1, "*210115"),
          std::pair(1, "*1000x"), std::pair(0, "*100010")})
        expectRefused(port, body);
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
    expectStored(memory, {"1*400202001001001001001001001001001001001001001001490",
                          {{2524 + 14, {255, 235}}}});
    // Short macro: two escaped functions take four bytes.
    expectStored(memory, {"1*400290255490", {{3348 + 245, {255, 0, 255, 235}}}});
    // Erase all: every macro empty, the codes stay.
    expectStored(memory, {"1*400499#", {{2508, {0}}, {3348 + 245, {0}}}});
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
    expectStored(memory, {"*20861", {{3985, {'1', '4', '7', '0', '0', '0', 0, 0}}}, 1});

    // COS closure carries its port over the air.
    EXPECT_TRUE(memory.applyDtmfBody(3, u"3221"_s).accepted);
    EXPECT_EQ(memory.keptValue(u"COSClose(3)"_s), u"1"_s);

    // Lock lines are acknowledged with the lock code in force.
    const std::pair<const char*, bool> lockLines[] = {{"1#D", true},     {"1#", true},
                                                      {"1*21999", true}, {"1*90104321", true},
                                                      {"1#D", false},    {"14321D", true}};
    for (const auto& [line, accepted] : lockLines)
        EXPECT_EQ(memory.applySerialLine(QString::fromLatin1(line)).accepted, accepted) << line;
}

// The Ostrik data is kept and streamed as its records; the memory lines and a memory file keep
// every byte and every kept value.
TEST(TarsisMemory, KeepsOstrikDataAndEveryByteInItsLinesAndFiles) {
    TarsisMemory memory;
    for (const char* line : {"1*21150075551234", "1*2115200911", "1*2062002976", "1*10254",
                             "1*102490", "1*2063123", "1*210305030031"})
        ASSERT_TRUE(memory.applySerialLine(QString::fromLatin1(line)).accepted) << line;
    EXPECT_EQ(memory.keptValue(u"AnswerCode"_s), u"123"_s);
    EXPECT_EQ(memory.ostrikRecords(),
              QStringList({u"RA0075551234"_s, u"RA200911"_s, u"RT002976"_s, u"RS90"_s, u"RR4"_s,
                           u"RIOstrik autopatch"_s, u"RIComplete"_s}));
    // Clearing an entry takes it out of the records.
    ASSERT_TRUE(memory.applySerialLine(u"1*2115007"_s).accepted);
    EXPECT_FALSE(memory.ostrikRecords().contains(u"RA0075551234"_s));

    const QStringList lines = memory.memoryLines();
    ASSERT_EQ(lines.size(), TarsisMemory::Size);
    EXPECT_EQ((QStringList{lines[0], lines[16], lines[2139]}),
              (QStringList{u"0,0"_s, u"16,50"_s, u"2139,30"_s}));

    QTemporaryDir dir;
    const QString path = dir.filePath(u"memory.mem"_s);
    QString error;
    ASSERT_TRUE(memory.save(path, &error)) << error.toStdString();
    TarsisMemory loaded;
    ASSERT_TRUE(loaded.load(path, &error)) << error.toStdString();
    EXPECT_EQ(loaded.bytes(), memory.bytes());
    EXPECT_EQ(loaded.keptValue(u"AnswerCode"_s), u"123"_s);

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
} // namespace kovo
