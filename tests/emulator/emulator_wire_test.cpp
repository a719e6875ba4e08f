// The emulated Tarsis on its serial side: fault specifications, the timing of a paced line, and
// what a host sees over a real pseudo-terminal or TCP connection (raw bytes, answers, the memory
// and Ostrik streams, a dropped line, the memory kept between runs).
#include "emulator/tarsis_emulator.h"
#include "link/pty_emulator.h"
#include "link/serial_channel.h"

#include <QTemporaryDir>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <tuple>
#include <unistd.h>

namespace kovo {
namespace {

using namespace Qt::StringLiterals;

using test::EmulatorProcess;
using test::PtyEmulator;
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

// A host that opens the slave side without touching its settings still gets every byte through
// unchanged: no echo of the answers back into the emulator, no waiting for a line end.
TEST(EmulatorWireTest, PseudoTerminalIsRaw) {
    PtyEmulator emulator;
    const int fd = ::open(emulator.port().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    const auto readAnswer = [fd] {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0)
            return QByteArray();
        char buffer[64];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        return n > 0 ? QByteArray(buffer, n) : QByteArray();
    };
    for (const QByteArray& line : {QByteArray("2*100030\r"), QByteArray("3*100031\r")}) {
        ASSERT_EQ(::write(fd, line.constData(), line.size()), line.size());
        EXPECT_EQ(readAnswer(), QByteArray("+"));
    }
    ::close(fd);
    EXPECT_EQ(emulator.emulator().receivedLines(), (QStringList{u"2*100030"_s, u"3*100031"_s}));
}

// `kovo-cli emulate --memory FILE` keeps what it was sent when it ends and serves it next time.
TEST(EmulatorWireTest, MemoryKeptBetweenRuns) {
    test::ensureCoreApplication();
    QTemporaryDir dir;
    const QString memoryFile = dir.filePath(u"tarsis.mem"_s);
    {
        EmulatorProcess emulator({u"--memory"_s, memoryFile});
        SerialChannel host(emulator.port(), emulator.port());
        ASSERT_TRUE(host.open());
        ASSERT_TRUE(host.write("2*100030\r"));
        EXPECT_EQ(host.read(5000), QByteArray("+"));
        ASSERT_TRUE(host.write("2*1000\r"));
        EXPECT_TRUE(host.read(5000).startsWith('-'));
        host.close();
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

    EmulatorProcess again({u"--memory"_s, memoryFile});
    SerialChannel host(again.port(), again.port());
    ASSERT_TRUE(host.open());
    ASSERT_TRUE(host.write("1SendEram\r"));
    QByteArray chunk;
    for (int i = 0; i < 18; ++i) {
        chunk = host.read(5000);
        ASSERT_TRUE(host.write("OK\r"));
    }
    EXPECT_EQ(chunk, QByteArray("17,30"));
}

} // namespace
} // namespace kovo
