#include "link/channel_factory.h"
#include "link/emulator_channel.h"
#include "link/pty_emulator.h"
#include "link/recording_operator.h"
#include "link/serial_channel.h"
#include "link/serial_link.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <thread>
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

// A link to `port`, or with no port to an emulated controller in this process; opened.
struct Harness {
    explicit Harness(const QString& port, int timeoutMs = ShortTimeoutMs,
                     const char* faultList = "")
        : emulator(std::make_shared<TarsisEmulator>(faults(faultList))) {
        test::ensureCoreApplication();
        SerialLink::Settings settings;
        settings.comPort = port.isEmpty() ? ChannelFactory::builtInEmulatorName() : port;
        if (timeoutMs > 0)
            settings.answerTimeoutMs = timeoutMs;
        QString error;
        std::unique_ptr<Channel> channel =
            port.isEmpty() ? std::make_unique<EmulatorChannel>(settings.comPort, emulator)
                           : ChannelFactory::create(port, &error);
        EXPECT_TRUE(channel) << error.toStdString();
        link = std::make_unique<SerialLink>(std::move(channel), person, flags, settings);
        link->setLockCode(u"99"_s);
        EXPECT_TRUE(link->openSerialPort());
    }
    std::shared_ptr<TarsisEmulator> emulator; // the one in this process
    RecordingOperator person;
    LinkFlags flags;
    std::unique_ptr<SerialLink> link;
};

// Each kind of answer, judged on its first character; the controller's answer is the same line
// whatever transport brought it.
TEST(SerialLinkTest, JudgesEachKindOfAnswer) {
    using O = SerialLink::Outcome;
    const QString refused = u"There has been an error. The Tarsis returned -Refused    "_s;
    // The name, the emulator's faults, the outcome and the message (empty: none).
    const QList<std::tuple<const char*, const char*, O, QString>> cases = {
        {"plain plus", "", O::Acknowledged, {}},
        {"plus with trailing text", "echo", O::Acknowledged, {}},
        {"plus in pieces", "echo,split:15", O::Acknowledged, {}},
        {"refused", "nak:1", O::Refused, refused},
        {"refusal in pieces is shown whole", "nak:1,split:15", O::Refused, refused},
        {"answer starting with a space", "garbage", O::TimedOut, TimeoutText},
        {"silence", "silence:1", O::TimedOut, TimeoutText},
        {"paced and delayed", "pace,delay:20", O::Acknowledged, {}},
    };
    for (const auto& [name, faultList, outcome, message] : cases) {
        SCOPED_TRACE(name);
        PtyEmulator emulator(faults(faultList));
        Harness h(emulator.port());
        h.link->sendCommand(u"2*100030\r"_s);
        EXPECT_EQ(h.link->lastOutcome(), outcome);
        EXPECT_EQ(h.flags.commandAcknowledged, outcome == O::Acknowledged);
        EXPECT_EQ(h.flags.updateAborted, outcome == O::Refused);
        EXPECT_FALSE(h.flags.updateInterrupted);
        EXPECT_EQ(h.link->errorCount(), outcome == O::TimedOut ? 1 : 0);
        const QStringList expected = message.isEmpty() ? QStringList{} : QStringList{message};
        EXPECT_EQ(h.person.messageTexts(), expected);
        for (const auto& shown : h.person.messages())
            EXPECT_EQ(shown.title, QString());
        EXPECT_EQ(emulator.emulator().receivedLines(), QStringList{u"2*100030"_s});
    }
}

// The answer time-out, and answers later than it: each late "+" is let go before the next
// command, so that late answers count as time-outs and three in a row reach the error limit. The
// error-limit test comes after the read: an answer already waiting is judged first.
TEST(SerialLinkTest, TimeOutsAndLateAnswers) {
    using Outcome = SerialLink::Outcome;
    // The faults, the time-out (0: the programs' own) and the outcomes of the commands.
    const QList<std::tuple<const char*, int, QList<Outcome>>> cases = {
        {"late:2700", 0, {Outcome::Acknowledged}},
        {"late:3300", 0, {Outcome::TimedOut}},
        {"late:450",
         ShortTimeoutMs,
         {Outcome::TimedOut, Outcome::TimedOut, Outcome::TimedOut, Outcome::ErrorLimit}},
        {"late:450@2", ShortTimeoutMs, {Outcome::Acknowledged, Outcome::TimedOut}},
        // The in-process line answers at once, so the fourth "+" is waiting on the first pass.
        {"silence:3",
         ShortTimeoutMs,
         {Outcome::TimedOut, Outcome::TimedOut, Outcome::TimedOut, Outcome::Acknowledged}},
    };
    for (const auto& [faultList, timeoutMs, expected] : cases) {
        SCOPED_TRACE(faultList);
        Harness h({}, timeoutMs, faultList);
        QList<Outcome> outcomes;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            h.link->sendCommand(u"2*10003%1\r"_s.arg(i));
            outcomes << h.link->lastOutcome();
        }
        EXPECT_EQ(outcomes, expected);
        const qsizetype timeOuts = expected.count(Outcome::TimedOut);
        EXPECT_EQ(h.person.messageTexts().mid(0, timeOuts), QStringList(timeOuts, TimeoutText));
        EXPECT_EQ(h.link->errorCount(), expected.last() == Outcome::TimedOut ? timeOuts : 0);
    }
}

// Three time-outs in a row, then the fourth wait reports the error limit on its first pass:
// the lock command is written, the port closed, and the job told to stop.
TEST(SerialLinkTest, ErrorLimitAtTheStartOfTheFourthWait) {
    PtyEmulator emulator(faults("silence:100"));
    Harness h(emulator.port());
    int progressValue = 181;
    h.link->setProgressSource([&] { return progressValue; });
    for (int i = 0; i < 3; ++i) {
        h.link->sendCommand(u"1*100%1\r"_s.arg(i));
        EXPECT_EQ(h.link->lastOutcome(), SerialLink::Outcome::TimedOut);
        EXPECT_EQ(h.link->errorCount(), i + 1);
        EXPECT_FALSE(h.flags.updateAborted);
        EXPECT_TRUE(h.link->isOpen());
    }
    h.link->sendCommand(u"1*1003\r"_s);
    EXPECT_EQ(h.link->lastOutcome(), SerialLink::Outcome::ErrorLimit);
    EXPECT_EQ(h.person.messageTexts(), QStringList(3, TimeoutText) << ErrorLimitText);
    EXPECT_EQ(h.person.messages().last().title, u"Error!"_s);
    EXPECT_TRUE(h.flags.updateAborted);
    EXPECT_TRUE(h.flags.updateInterrupted);
    EXPECT_EQ(h.link->errorCount(), 0);
    EXPECT_FALSE(h.link->isOpen());
    // The three timed-out waits each showed the percentage; the error limit set it back to 0.
    const auto reports = h.person.progressReports();
    ASSERT_EQ(reports.size(), 4);
    EXPECT_EQ(reports.at(0).label, u"25% Complete"_s);
    EXPECT_EQ(reports.at(3).label, u"0% Complete"_s);
    EXPECT_EQ(reports.at(3).value, 0);

    // The lock line went out just before the port closed: wait (a hang guard only) until the
    // controller has read it.
    for (int i = 0; i < 2000 && emulator.emulator().receivedLines().size() < 5; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    emulator.stop();
    const QStringList received = emulator.emulator().receivedLines();
    ASSERT_EQ(received.size(), 5);
    EXPECT_EQ(received.at(3), u"1*1003"_s);
    EXPECT_EQ(received.at(4), u"199"_s); // "1" + the lock code
}

// A line that goes away while the link waits ends the wait with a message naming the port
// instead of counting time-outs.
TEST(SerialLinkTest, LineDroppedDuringTheWait) {
    for (const auto transport : {PtyEmulator::Transport::Pty, PtyEmulator::Transport::Tcp}) {
        SCOPED_TRACE(transport == PtyEmulator::Transport::Pty ? "pty" : "tcp");
        test::ensureCoreApplication();
        PtyEmulator emulator(faults("drop:2"), transport);
        Harness h(emulator.port(), LongTimeoutMs);
        h.link->sendCommand(u"2*100030\r"_s);
        EXPECT_EQ(h.link->lastOutcome(), SerialLink::Outcome::Acknowledged);
        h.link->sendCommand(u"2*100031\r"_s);
        EXPECT_EQ(h.link->lastOutcome(), SerialLink::Outcome::ChannelLost);
        ASSERT_EQ(h.person.messages().size(), 1);
        EXPECT_EQ(h.person.messages().first().text,
                  u"The connection to %1 was lost. Check your connections then try "
                  u"again"_s.arg(emulator.port()));
        EXPECT_EQ(h.person.messages().first().title, u"Error!"_s);
        EXPECT_TRUE(h.flags.updateAborted);
        EXPECT_TRUE(h.flags.updateInterrupted);
        EXPECT_FALSE(h.link->isOpen());
    }
}

// An answer nobody read before the port was opened (the reset at the end of an earlier upload)
// is not taken for the first answer of the next job.
TEST(SerialLinkTest, BytesFromBeforeTheOpenAreDropped) {
    test::ensureCoreApplication();
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
    test::ensureCoreApplication();
    PtyEmulator emulator;
    SerialChannel holder(emulator.port(), emulator.port());
    ASSERT_TRUE(holder.open());
    const QString missing = u"/dev/kovo-no-such-port"_s;
    const QString check = u". Check the port and your connections, then try again"_s;
    // The port, its device (empty: a TCP port) and the message.
    const QList<std::tuple<QString, QString, QString>> cases = {
        {u"7"_s, missing, u"COM7 cannot be opened: there is no such port"_s + check},
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
        RecordingOperator person;
        LinkFlags flags;
        SerialLink::Settings settings;
        settings.comPort = comPort;
        QString error;
        std::unique_ptr<Channel> channel = device.isEmpty()
                                               ? ChannelFactory::create(comPort, &error)
                                               : std::make_unique<SerialChannel>(comPort, device);
        ASSERT_TRUE(channel) << error.toStdString();
        SerialLink link(std::move(channel), person, flags, settings);
        EXPECT_FALSE(link.openSerialPort());
        EXPECT_FALSE(link.isOpen());
        EXPECT_EQ(link.portOpenFailed(), !message.isEmpty());
        EXPECT_EQ(person.messageTexts(), message.isEmpty() ? QStringList{} : QStringList{message});
    }
}

// The percentage shown after each answer: value / 7.24, rounded half to even.
TEST(SerialLinkTest, PercentOfTheUploadAfterEachAnswer) {
    Harness h({});
    for (const auto& [value, label] : {std::pair{0, "0% Complete"},
                                       {3, "0% Complete"},
                                       {4, "1% Complete"},
                                       {362, "50% Complete"},
                                       {722, "100% Complete"}}) {
        h.link->setProgressSource([value = value] { return value; });
        h.link->sendCommand(u"2*100030\r"_s);
        ASSERT_FALSE(h.person.progressReports().isEmpty());
        EXPECT_EQ(h.person.progressReports().last().label, QString::fromLatin1(label));
        EXPECT_EQ(h.person.progressReports().last().maximum, 724);
    }
}

TEST(ChannelFactoryTest, PortNames) {
    using Kind = ChannelFactory::Kind;
    // The name, its kind, the name shown and the device.
    const QList<std::tuple<const char*, Kind, const char*, const char*>> cases = {
#ifndef Q_OS_WIN
        {"3", Kind::Serial, "COM3", "/dev/ttyS2"},
        {"COM12", Kind::Serial, "COM12", "/dev/ttyS11"},
        {"com1", Kind::Serial, "COM1", "/dev/ttyS0"},
#endif
        {"/dev/ttyUSB0", Kind::Serial, "/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"tcp://localhost:4001", Kind::Tcp, "tcp://localhost:4001", ""},
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
        if (kind == Kind::Serial) {
            EXPECT_EQ(address.device, QString::fromLatin1(device));
        }
        if (kind == Kind::Invalid) {
            EXPECT_FALSE(address.problem.isEmpty());
        }
    }
    const auto tcp = ChannelFactory::resolve(u"tcp://127.0.0.1:4001"_s);
    EXPECT_EQ(tcp.host, u"127.0.0.1"_s);
    EXPECT_EQ(tcp.port, 4001);

    // The built-in emulator is whatever the application provides.
    QString error;
    ChannelFactory::setBuiltInEmulatorProvider({});
    EXPECT_EQ(ChannelFactory::create(ChannelFactory::builtInEmulatorName(), &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
    auto device = std::make_shared<TarsisEmulator>();
    ChannelFactory::setBuiltInEmulatorProvider([device] { return device; });
    auto channel = ChannelFactory::create(ChannelFactory::builtInEmulatorName(), &error);
    ASSERT_NE(channel, nullptr);
    ASSERT_TRUE(channel->open());
    ASSERT_TRUE(channel->write("2*100030\r"));
    EXPECT_EQ(channel->read(1000), QByteArray("+"));
    EXPECT_EQ(device->acceptedLines(), QStringList{u"2*100030"_s});
    ChannelFactory::setBuiltInEmulatorProvider({});
}

} // namespace
} // namespace kovo
