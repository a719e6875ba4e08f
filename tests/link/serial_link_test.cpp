#include "link/channel_factory.h"
#include "link/emulator_channel.h"
#include "link/pty_emulator.h"
#include "link/recording_operator.h"
#include "link/serial_channel.h"
#include "link/serial_link.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

using test::PtyEmulator;

constexpr int ShortTimeoutMs = 300;
// Long enough that finishing by time-out instead of noticing a dead line would be a failure of
// the outcome check, not a matter of speed.
constexpr int LongTimeoutMs = 20000;

const QString TimeoutText =
    u"Kovo is unable to communicate with the Tarsis. Check your connections then try again"_s;
const QString ErrorLimitText =
    u"Too Many Errors. Please check your serial connection and try again"_s;

EmulatorFaults faults(const char* faultList) {
    return *EmulatorFaults::parse(QString::fromLatin1(faultList));
}

// Each message shown, as "title: text".
QStringList shownMessages(const RecordingOperator& person) {
    QStringList lines;
    for (const auto& shown : person.messages())
        lines << shown.title + u": "_s + shown.text;
    return lines;
}

// A link to `port` over `channel`, by default a channel to the port or, with no port, to an
// emulated controller in this process; not opened yet.
struct Harness {
    explicit Harness(const QString& port, int timeoutMs = ShortTimeoutMs,
                     const char* faultList = "", std::unique_ptr<Channel> channel = {})
        : emulator(std::make_shared<TarsisEmulator>(faults(faultList))) {
        test::ensureCoreApplication();
        SerialLink::Settings settings;
        settings.comPort = port.isEmpty() ? ChannelFactory::builtInEmulatorName() : port;
        if (timeoutMs > 0)
            settings.answerTimeoutMs = timeoutMs;
        QString error;
        if (!channel)
            channel = port.isEmpty() ? std::make_unique<EmulatorChannel>(settings.comPort, emulator)
                                     : ChannelFactory::create(port, &error);
        EXPECT_TRUE(channel) << error.toStdString();
        link = std::make_unique<SerialLink>(std::move(channel), person, flags, settings);
        link->setLockCode(u"99"_s);
    }
    std::shared_ptr<TarsisEmulator> emulator; // the one in this process
    RecordingOperator person;
    LinkFlags flags;
    std::unique_ptr<SerialLink> link;
};

// Each kind of answer, judged on its first character, over both transports; the controller's
// answer is the same line whatever brought it. A line that goes away while the link waits ends
// the wait with a message naming the port, long before the (long) time-out.
TEST(SerialLinkTest, JudgesEachKindOfAnswer) {
    using O = SerialLink::Outcome;
    using T = PtyEmulator::Transport;
    const QString refused = u"There has been an error. The Tarsis returned -Refused    "_s;
    const QString lost = u"The connection to %1 was lost. Check your connections then try again"_s;
    // The name, the emulator's faults, the transport, the outcome and the message (empty: none).
    const QList<std::tuple<const char*, const char*, T, O, QString>> cases = {
        {"plain plus", "", T::Pty, O::Acknowledged, {}},
        {"plus with trailing text", "echo", T::Pty, O::Acknowledged, {}},
        {"plus in pieces", "echo,split:15", T::Pty, O::Acknowledged, {}},
        {"refused", "nak:1", T::Pty, O::Refused, refused},
        {"refusal in pieces is shown whole", "nak:1,split:15", T::Pty, O::Refused, refused},
        {"answer starting with a space", "garbage", T::Pty, O::TimedOut, TimeoutText},
        {"silence", "silence:1", T::Pty, O::TimedOut, TimeoutText},
        {"paced and delayed", "pace,delay:20", T::Pty, O::Acknowledged, {}},
        {"pty line dropped", "drop:2", T::Pty, O::ChannelLost, lost},
        {"tcp line dropped", "drop:2", T::Tcp, O::ChannelLost, lost},
    };
    for (const auto& [name, faultList, transport, outcome, message] : cases) {
        SCOPED_TRACE(name);
        PtyEmulator emulator(faults(faultList), transport);
        Harness h(emulator.port(), outcome == O::TimedOut ? ShortTimeoutMs : LongTimeoutMs);
        ASSERT_TRUE(h.link->openSerialPort());
        const bool lostLine = outcome == O::ChannelLost;
        if (lostLine) {
            h.link->sendCommand(u"2*100030\r"_s);
            ASSERT_EQ(h.link->lastOutcome(), O::Acknowledged);
        }
        h.link->sendCommand(u"2*100030\r"_s);
        EXPECT_EQ(h.link->lastOutcome(), outcome);
        EXPECT_EQ(h.flags.commandAcknowledged, outcome == O::Acknowledged || lostLine);
        EXPECT_EQ(h.flags.updateAborted, outcome == O::Refused || lostLine);
        EXPECT_EQ(h.flags.updateInterrupted, lostLine);
        EXPECT_EQ(h.link->isOpen(), !lostLine);
        EXPECT_EQ(h.link->errorCount(), outcome == O::TimedOut ? 1 : 0);
        QString text = (lostLine ? u"Error!: "_s : u": "_s) + message;
        EXPECT_EQ(shownMessages(h.person),
                  message.isEmpty() ? QStringList{}
                                    : QStringList{text.replace(u"%1"_s, emulator.port())});
        EXPECT_EQ(emulator.emulator().receivedLines(),
                  QStringList(lostLine ? 2 : 1, u"2*100030"_s));
    }
}

// The answer time-out, and answers later than it: each late "+" is let go before the next
// command, so that late answers count as time-outs. The error-limit test comes after the read,
// so after three time-outs in a row the fourth wait reports the limit on its first pass unless
// an answer is already waiting: the lock command is written, the port closed, the job told to
// stop and the percentage set back to 0. Each other wait shows the percentage of the upload:
// value / 7.24, rounded half to even, of 724.
TEST(SerialLinkTest, TimeOutsLateAnswersAndTheErrorLimit) {
    using O = SerialLink::Outcome;
    // The faults, the time-out (0: the programs' own) and the outcomes of the commands.
    const QList<std::tuple<const char*, int, QList<O>>> cases = {
        {"late:2700", 0, {O::Acknowledged}},
        {"late:3300", 0, {O::TimedOut}},
        {"late:450", ShortTimeoutMs, {O::TimedOut, O::TimedOut, O::TimedOut, O::ErrorLimit}},
        {"silence:100", ShortTimeoutMs, {O::TimedOut, O::TimedOut, O::TimedOut, O::ErrorLimit}},
        {"late:450@2", ShortTimeoutMs, {O::Acknowledged, O::TimedOut}},
        // The in-process line answers at once, so the fourth "+" is waiting on the first pass.
        {"silence:3", ShortTimeoutMs, {O::TimedOut, O::TimedOut, O::TimedOut, O::Acknowledged}},
    };
    for (const auto& [faultList, timeoutMs, expected] : cases) {
        SCOPED_TRACE(faultList);
        Harness h({}, timeoutMs, faultList);
        ASSERT_TRUE(h.link->openSerialPort());
        const QList<std::pair<int, const char*>> percents = {
            {3, "0%"}, {4, "1%"}, {362, "50%"}, {720, "99%"}};
        qsizetype i = 0;
        h.link->setProgressSource([&] { return percents.at(i).first; });
        QList<O> outcomes;
        QStringList sent, messages, labels;
        for (; i < expected.size(); ++i) {
            sent << u"2*10003%1"_s.arg(i);
            h.link->sendCommand(sent.last() + u'\r');
            outcomes << h.link->lastOutcome();
            const bool limit = outcomes.last() == O::ErrorLimit;
            if (outcomes.last() != O::Acknowledged)
                messages << (limit ? u"Error!: "_s + ErrorLimitText : u": "_s + TimeoutText);
            const auto [value, percent] = limit ? std::pair{0, "0%"} : percents.at(i);
            labels << u"%1 of 724: %2 Complete"_s.arg(value).arg(QLatin1String(percent));
        }
        EXPECT_EQ(outcomes, expected);
        const bool limit = expected.last() == O::ErrorLimit;
        QStringList shownLabels;
        for (const auto& report : h.person.progressReports())
            shownLabels
                << u"%1 of %2: %3"_s.arg(report.value).arg(report.maximum).arg(report.label);
        EXPECT_EQ(shownMessages(h.person), messages);
        EXPECT_EQ(shownLabels, labels);
        EXPECT_EQ(h.link->errorCount(),
                  expected.last() == O::TimedOut ? expected.count(O::TimedOut) : 0);
        EXPECT_EQ(h.flags.updateAborted, limit);
        EXPECT_EQ(h.flags.updateInterrupted, limit);
        EXPECT_EQ(h.link->isOpen(), !limit);
        if (limit)
            sent << u"199"_s; // "1" + the lock code
        EXPECT_EQ(h.emulator->receivedLines(), sent);
    }
}

// An answer nobody read before the port was opened (the reset at the end of an earlier upload)
// is not taken for the first answer of the next job.
TEST(SerialLinkTest, BytesFromBeforeTheOpenAreDropped) {
    PtyEmulator emulator;
    {
        const int fd = ::open(emulator.port().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "2*100030\r", 9), 9);
        pollfd p{fd, POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 5000), 1); // the "+" waits unread
        ::close(fd);
    }
    SerialChannel channel(emulator.port(), emulator.port());
    ASSERT_TRUE(channel.open());
    EXPECT_EQ(channel.read(200), QByteArray());
    ASSERT_TRUE(channel.write("2*100031\r"));
    EXPECT_EQ(channel.read(5000), QByteArray("+"));
}

// The message names the port and the system's reason; only a port another program holds is
// "in use". ComPort "0" is the DTMF link: the serial port is never opened and nothing is shown.
TEST(SerialLinkTest, PortThatCannotBeOpened) {
    PtyEmulator emulator;
    SerialChannel holder(emulator.port(), emulator.port());
    ASSERT_TRUE(holder.open());
    const QString check = u". Check the port and your connections, then try again"_s;
    // The port, its device (empty: a TCP port) and the message.
    const QList<std::tuple<QString, QString, QString>> cases = {
        {u"7"_s, u"/dev/kovo-no-such-port"_s,
         u"COM7 cannot be opened: there is no such port"_s + check},
        {emulator.port(), emulator.port(),
         emulator.port() + u" is in use by another program. Close the other "
                           u"program and try again"_s},
        {u"tcp://127.0.0.1:1"_s,
         {},
         u"tcp://127.0.0.1:1 cannot be opened: connection refused"_s + check},
        {u"0"_s, emulator.port(), {}},
    };
    for (const auto& [comPort, device, message] : cases) {
        SCOPED_TRACE(comPort.toStdString());
        Harness h(comPort, ShortTimeoutMs, "",
                  device.isEmpty() ? nullptr : std::make_unique<SerialChannel>(comPort, device));
        EXPECT_FALSE(h.link->openSerialPort());
        EXPECT_FALSE(h.link->isOpen());
        EXPECT_EQ(h.link->portOpenFailed(), !message.isEmpty());
        EXPECT_EQ(shownMessages(h.person),
                  message.isEmpty() ? QStringList{} : QStringList{u": "_s + message});
    }
}

TEST(ChannelFactoryTest, PortNames) {
    using Kind = ChannelFactory::Kind;
    // The name, its kind, the name shown and the device or host:port (empty: none).
    const QList<std::tuple<const char*, Kind, const char*, const char*>> cases = {
#ifndef Q_OS_WIN
        {"3", Kind::Serial, "COM3", "/dev/ttyS2"},
        {"COM12", Kind::Serial, "COM12", "/dev/ttyS11"},
        {"com1", Kind::Serial, "COM1", "/dev/ttyS0"},
#endif
        {"/dev/ttyUSB0", Kind::Serial, "/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"tcp://localhost:4001", Kind::Tcp, "tcp://localhost:4001", "localhost:4001"},
        {"tcp://127.0.0.1:4002", Kind::Tcp, "tcp://127.0.0.1:4002", "127.0.0.1:4002"},
        {"tcp://localhost", Kind::Invalid, "tcp://localhost", ""},
        {"Built-in Tarsis emulator", Kind::BuiltIn, "Built-in Tarsis emulator", ""},
        {"", Kind::Invalid, "", ""},
        {"0", Kind::Invalid, "0", ""},
    };
    for (const auto& [name, kind, display, device] : cases) {
        SCOPED_TRACE(name);
        const auto address = ChannelFactory::resolve(QString::fromLatin1(name));
        EXPECT_EQ(address.kind, kind);
        EXPECT_EQ(address.displayName, QString::fromLatin1(display));
        const QString hostPort = u"%1:%2"_s.arg(address.host).arg(address.port);
        EXPECT_EQ(kind == Kind::Tcp ? hostPort : address.device, QString::fromLatin1(device));
        EXPECT_EQ(address.problem.isEmpty(), kind != Kind::Invalid);
    }

    // The built-in emulator is whatever the application provides (the desktop tests use the
    // desktop's); without one there is none.
    QString error;
    EXPECT_EQ(ChannelFactory::create(ChannelFactory::builtInEmulatorName(), &error), nullptr);
    EXPECT_EQ(error, u"The built-in Tarsis emulator is not available"_s);
}

} // namespace
} // namespace kovo
