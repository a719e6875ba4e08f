// The serial link and its channels, and the controller actions run over it or over the air.

#include "cli_runner.h"
#include "database/database.h"
#include "database/profile_file.h"
#include "emulator/dtmf_command_listener.h"
#include "link/channel_factory.h"
#include "link/controller_action_job.h"
#include "link/controller_commands.h"
#include "link/emulator_channel.h"
#include "link/link_flags.h"
#include "link/memory_image.h"
#include "link/pty_emulator.h"
#include "link/recording_audio_output.h"
#include "link/recording_operator.h"
#include "link/serial_channel.h"
#include "link/serial_link.h"
#include "link/tone_synthesizer.h"
#include "link/wav_file_output.h"
#include "round_trip_support.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
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
const QString RefusedText = u"There has been an error. The Tarsis returned -Refused    "_s;
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
    const QString lost = u"The connection to %1 was lost. Check your connections then try again"_s;
    // The name, the emulator's faults, the transport, the outcome and the message (empty: none).
    const QList<std::tuple<const char*, const char*, T, O, QString>> cases = {
        {"plain plus", "", T::Pty, O::Acknowledged, {}},
        {"plus with trailing text", "echo", T::Pty, O::Acknowledged, {}},
        {"plus in pieces", "echo,split:15", T::Pty, O::Acknowledged, {}},
        {"refused", "nak:1", T::Pty, O::Refused, RefusedText},
        {"refusal in pieces is shown whole", "nak:1,split:15", T::Pty, O::Refused, RefusedText},
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
        {"tcp://localhost", Kind::Invalid, "tcp://localhost", ""},
        {"tcp://localhost:0", Kind::Invalid, "tcp://localhost:0", ""},
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

    // The built-in emulator is the application's: with none provided there is none.
    QString error;
    EXPECT_EQ(ChannelFactory::create(ChannelFactory::builtInEmulatorName(), &error), nullptr);
    EXPECT_EQ(error, u"The built-in Tarsis emulator is not available"_s);
}

using Kind = ControllerAction::Kind;

const QDateTime OneOhFive(QDate(2026, 1, 5), QTime(13, 5, 9));

struct Rig {
    Database db;
    RecordingOperator person;
    LinkFlags flags;
    QTemporaryDir dir;

    Rig() {
        test::ensureCoreApplication();
        // The codes a factory-fresh controller answers to.
        for (int p = 1; p <= 3; ++p)
            db.setValue(u"CurrentPortUnlock", p, QString::number(p) + u"6470"_s);
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    bool runSerial(const QString& port, const ControllerAction& action, int timeoutMs = 1000) {
        SerialLink link(ChannelFactory::create(port), person, flags, {port, 0, timeoutMs});
        ControllerActionJob job(db, flags, person);
        job.setSerialLink(&link);
        WavFileOutput sound(path(u"played.wav"_s));
        job.setAudioOutput(&sound);
        job.setClock([] { return OneOhFive; });
        return job.run(action);
    }
    // Over the air into a WAV file that the emulated controller then hears.
    bool runDtmf(const ControllerAction& action, TarsisMemory& memory) {
        WavFileOutput air(path(u"air.wav"_s));
        ControllerActionJob job(db, flags, person);
        job.setAudioOutput(&air);
        job.setClock([] { return OneOhFive; });
        const bool done = job.run(action);
        DtmfCommandListener listener(memory);
        QString error;
        EXPECT_TRUE(listener.hearWavFile(path(u"air.wav"_s), &error)) << error.toStdString();
        EXPECT_TRUE(listener.problems().isEmpty()) << listener.problems().join(u'\n').toStdString();
        EXPECT_EQ(listener.unlockedPort(), 0) << "the controller was left unlocked";
        return done;
    }
    QString silentWav() {
        QFile file(path(u"message.wav"_s));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(buildSilenceWav(300));
        return file.fileName();
    }
};

Database decoded(const TarsisMemory& memory) {
    Database db;
    applyMemoryImage(memory.bytes(), db);
    return db;
}

ControllerAction action(Kind kind, const QString& code = {}, int port = 1) {
    ControllerAction a;
    a.kind = kind;
    a.newCode = code;
    a.port = port;
    a.track = 12;
    return a;
}

TEST(ControllerActionTest, ClockTextsOfBothDateFormats) {
    const std::tuple<QTime, bool, const char*, const char*, const char*, const char*> cases[] = {
        {QTime(0, 0, 0), false, "1/5/2026", "12:00:00 AM", "010526", "0000"},
        {QTime(12, 0, 0), false, "1/5/2026", "12:00:00 PM", "010526", "1200"},
        {QTime(13, 5, 9), false, "1/5/2026", "1:05:09 PM", "010526", "1305"},
        {QTime(0, 0, 0), true, "05/01/2026", "00:00:00", "010526", "000000"},
        {QTime(12, 0, 0), true, "05/01/2026", "12:00:00", "010526", "120000"},
        {QTime(13, 5, 9), true, "05/01/2026", "13:05:09", "010526", "130509"},
    };
    Database db;
    for (const auto& [time, international, dateText, timeText, date, clock] : cases) {
        const ClockTexts texts = clockTexts(QDateTime(QDate(2026, 1, 5), time), international);
        EXPECT_EQ(texts.dateText, QLatin1String(dateText));
        EXPECT_EQ(texts.timeText, QLatin1String(timeText));
        const QList<Command> commands = clockSetCommands(db, texts);
        EXPECT_EQ(commands[0].serialLines, QStringList{u"1*5101"_s + QLatin1String(date)});
        EXPECT_EQ(commands[1].serialLines, QStringList{u"1*5100"_s + QLatin1String(clock)});
    }
}

TEST(ControllerActionTest, EachActionReachesTheControllerOverBothTransports) {
    // The action, its message, what the controller's memory and the database then hold, and
    // what the controller keeps outside its memory ("key=value;...").
    using Text = const char*;
    const std::tuple<Text, ControllerAction, Text, Text, Text> cases[] = {
        {"erase", action(Kind::EraseAllMacros),
         "All Macros have been erased, both in Kovo and in the Tarsis. You should resave your "
         "dat file now to reflect these changes.",
         "Macro(5)=NONE STORED;ShortMacro(1)=NONE STORED", ""},
        {"clock", action(Kind::SetClock), "Clock and Calendar have been successfully set", "",
         "ClockDate=010526;ClockTime=1305"},
        {"record", action(Kind::RecordTrack), "Wav File Upload Complete.", "", "DVRTrack(12)=1"},
        {"unlock", action(Kind::ChangeUnlockCode, u"2580"_s, 2),
         "New Unlock Code For Port 2 Has Been Successfully Sent To The Tarsis",
         "CurrentPortUnlock(2)=2580", ""},
        {"lock", action(Kind::ChangeLockCode, u"c"_s),
         "New Lock Code Has Been Successfully Sent To The Tarsis", "Lock=C", ""},
        {"terminator", action(Kind::ChangeTerminator, u"b"_s),
         "New Terminator Digit Has Been Successfully Sent To The Tarsis", "Terminator=B", ""},
    };
    for (const auto& [name, actionSent, message, values, kept] : cases) {
        for (const bool overTheAir : {false, true}) {
            SCOPED_TRACE(std::string(name) + (overTheAir ? " over the air" : " serial"));
            Rig rig;
            ControllerAction a = actionSent;
            a.wavFile = rig.silentWav();
            a.databaseFile = rig.path(u"site.dat"_s);
            TarsisMemory memory;
            memory.applySerialLine(u"1*400205001002"_s);
            memory.applySerialLine(u"1*400241001"_s);
            bool done = false;
            if (overTheAir) {
                done = rig.runDtmf(a, memory);
            } else {
                PtyEmulator emulator;
                emulator.emulator().setMemory(memory);
                done = rig.runSerial(emulator.port(), a);
                memory = emulator.emulator().memory();
                if (a.kind == Kind::RecordTrack) {
                    EXPECT_EQ(
                        emulator.emulator().receivedLines(),
                        (QStringList{u"1*700212"_s, u"1*700112"_s, u"G"_s, u"S"_s, u"1#D"_s}));
                }
            }
            EXPECT_TRUE(done);
            EXPECT_EQ(rig.person.messageTexts().value(rig.person.messageTexts().size() - 1),
                      QLatin1String(message));
            const Database controller = decoded(memory);
            expectValues(controller, QString::fromLatin1(values));
            expectValues(rig.db, QString::fromLatin1(values));
            for (const QString& pair : QString::fromLatin1(kept).split(u';', Qt::SkipEmptyParts))
                EXPECT_EQ(memory.keptValue(pair.section(u'=', 0, 0)), pair.section(u'=', 1));
            // The database answers with the codes the controller now takes.
            EXPECT_EQ(rig.db.storedLock(), controller.value(u"Lock"));
            EXPECT_EQ(rig.db.storedTerminator(), controller.value(u"Terminator"));
        }
    }
}

// A code or track the controller cannot take is refused before anything is sent or written. Over
// the air the lock code is one key, so an action that could not lock the controller again sends
// nothing either.
TEST(ControllerActionTest, RefusedBeforeAnythingIsSent) {
    const QString tryAgain = u"Try Again!"_s, error = u"Error!"_s;
    const QString notOneKey = u"The lock code \"1234\" cannot be played as DTMF tones: over the "
                              u"air the lock code is one key. Nothing was sent."_s;
    // The action, its new code, its port or track, the stored lock code; the message and title.
    const std::tuple<Kind, const char*, int, const char*, QString, QString> cases[] = {
        {Kind::EraseAllMacros, "", 1, "1234", notOneKey, error},
        {Kind::ChangeLockCode, "1234", 1, "#", notOneKey, tryAgain},
        {Kind::ChangeLockCode, "12345", 1, "#", u"The lock code has at most 4 digits."_s, tryAgain},
        {Kind::ChangeLockCode, "d", 1, "#", u"The lock code cannot be the terminator digit."_s,
         tryAgain},
        {Kind::ChangeUnlockCode, "123456789", 2, "#", u"An unlock code has at most 8 digits."_s,
         tryAgain},
        {Kind::ChangeUnlockCode, "12E", 2, "#",
         u"The new code \"12E\" holds a character that is no DTMF digit."_s, tryAgain},
        {Kind::ChangeUnlockCode, "123", 4, "#", u"A port is 1 to 3."_s, error},
        {Kind::ChangeTerminator, "12", 1, "#", u"The terminator is one digit."_s, tryAgain},
        {Kind::ChangeTerminator, "#", 1, "#", u"The terminator cannot be the lock code."_s,
         tryAgain},
        {Kind::RecordTrack, "", 21, "#", u"A DVR track is 1 to 20."_s, error},
        {Kind::RecordTrack, "", 0, "#", u"A DVR track is 1 to 20."_s, error},
    };
    for (const auto& [kind, code, number, lock, text, title] : cases) {
        SCOPED_TRACE(text.toStdString() + " " + code);
        Rig rig;
        rig.db.setValue(u"Lock", 0, QLatin1String(lock));
        rig.db.setStoredLock(QLatin1String(lock));
        rig.db.setStoredTerminator(u"D"_s);
        ControllerAction a = action(kind, QLatin1String(code), number);
        a.track = number;
        a.wavFile = rig.silentWav();
        a.databaseFile = rig.path(u"site.dat"_s);
        WavFileOutput air(rig.path(u"air.wav"_s));
        ControllerActionJob job(rig.db, rig.flags, rig.person);
        job.setAudioOutput(&air);
        EXPECT_FALSE(job.run(a));
        EXPECT_EQ(shownMessages(rig.person), QStringList{title + u": "_s + text});
        EXPECT_FALSE(QFile::exists(a.databaseFile));
        air.finish();
        EXPECT_LE(QFileInfo(rig.path(u"air.wav"_s)).size(), 44);
    }
}

// The lock line after a recording goes again after a refusal, and gives up after a bound.
TEST(ControllerActionTest, LockAfterRecordingIsRetriedWithinABound) {
    // Exchanges 1 and 2 ready and start the recording; the lock lines follow.
    const std::tuple<const char*, bool, int> cases[] = {{"refuse:2@3", true, 3},
                                                        {"refuse:50@3", false, 5}};
    for (const auto& [faultList, done, lockLines] : cases) {
        SCOPED_TRACE(faultList);
        Rig rig;
        PtyEmulator emulator(faults(faultList));
        ControllerAction a = action(Kind::RecordTrack);
        a.wavFile = rig.silentWav();
        EXPECT_EQ(rig.runSerial(emulator.port(), a), done);
        EXPECT_EQ(emulator.emulator().receivedLines().count(u"1#D"_s), lockLines);
        const QStringList texts = rig.person.messageTexts();
        EXPECT_EQ(texts.count(RefusedText), qMin(lockLines, 2) + (done ? 0 : lockLines - 2));
        EXPECT_EQ(texts.last(),
                  done ? u"Wav File Upload Complete."_s
                       : ControllerActionJob::lockNotAcknowledgedText(emulator.port(), lockLines));
    }
}

// A code change writes the file first; a refused send leaves file and database holding the new
// code.
TEST(ControllerActionTest, FailedCodeChangeLeavesFileAndDatabaseAgreeing) {
    for (const bool writable : {true, false}) {
        SCOPED_TRACE(writable ? "refused by the controller" : "file cannot be written");
        Rig rig;
        const QString file =
            writable ? rig.path(u"site.dat"_s) : rig.path(u"missing/folder/site.dat"_s);
        if (writable) {
            ASSERT_TRUE(writeIni(u"Timers", u"HangTime(1)", u"30"_s, file));
        }
        PtyEmulator emulator(faults("nak:1"));
        ControllerAction a = action(Kind::ChangeLockCode, u"C"_s);
        a.databaseFile = file;
        EXPECT_FALSE(rig.runSerial(emulator.port(), a));
        const QString expected = writable ? u"C"_s : u"#"_s;
        EXPECT_EQ(rig.db.value(u"Lock"), expected);
        EXPECT_EQ(rig.db.storedLock(), expected);
        EXPECT_EQ(emulator.emulator().receivedLines().size(), writable ? 1 : 0);
        if (writable) {
            EXPECT_EQ(readIni(u"Unlock", u"Lock", file), u"C"_s);
            EXPECT_EQ(readIni(u"Timers", u"HangTime(1)", file), u"30"_s);
        }
        EXPECT_EQ(decoded(emulator.emulator().memory()).value(u"Lock"), u"#"_s);
    }
}

TEST(ControllerActionTest, CliVerbsSendTheActions) {
    // The arguments, where PORT, DAT and WAV stand for the test's own; the exit status, a kept
    // value the controller must hold afterwards (or null) and the lock code afterwards.
    const std::tuple<QString, int, const char*, const char*> cases[] = {
        {u"clock --port PORT"_s, 0, "ClockDate", "#"},
        {u"erase-macros --port PORT --dat DAT"_s, 0, nullptr, "#"},
        {u"set-code --lock c DAT --port PORT"_s, 0, nullptr, "C"},
        // No sound device here: the file cannot play, and the controller is locked again.
        {u"record 3 WAV --port PORT"_s, 1, nullptr, "#"},
        // A file that cannot be played records nothing over the track.
        {u"record 3 missing.wav --port PORT"_s, 1, nullptr, "#"},
    };
    for (const auto& [pattern, exitCode, keptKey, lockAfter] : cases) {
        SCOPED_TRACE(pattern.toStdString());
        Rig rig;
        PtyEmulator emulator;
        const QString dat = rig.path(u"site.dat"_s);
        ASSERT_TRUE(writeIni(u"Timers", u"HangTime(1)", u"30"_s, dat));
        const QString arguments = QString(pattern)
                                      .replace(u"PORT"_s, emulator.port())
                                      .replace(u"DAT"_s, dat)
                                      .replace(u"WAV"_s, rig.silentWav());
        const test::CliRun run = test::runCli(arguments.split(u' '), rig.path(QString()));
        EXPECT_EQ(run.exitCode, exitCode) << run.err.toStdString();
        const TarsisMemory memory = emulator.emulator().memory();
        if (keptKey) {
            EXPECT_FALSE(memory.keptValue(QLatin1String(keptKey)).isEmpty());
        }
        const QString lock = QLatin1String(lockAfter);
        EXPECT_EQ(decoded(memory).value(u"Lock"), lock);
        EXPECT_EQ(readIni(u"Unlock", u"Lock", dat), lock == u"C"_s ? lock : QString());
        EXPECT_EQ(readIni(u"Timers", u"HangTime(1)", dat), u"30"_s);
        if (pattern.startsWith(u"record"_s)) {
            const QStringList lines = emulator.emulator().receivedLines();
            EXPECT_EQ(lines.last(), u"1#D"_s);
            EXPECT_EQ(lines.contains(u"G"_s), !pattern.contains(u"missing"_s));
        }
    }
}

// Tones above 3500 Hz play at 3500 Hz.
TEST(ControllerActionTest, CourtesyPreviewPlaysPausesThenTonePairs) {
    ControllerAction preview = action(Kind::PreviewCourtesyTone);
    preview.courtesyValues =
        QStringList{u"100"_s, u"0"_s,   u"20"_s, u"0"_s, u"300"_s,  u"0"_s,    u"100"_s, u"50"_s,
                    u"440"_s, u"880"_s, u"0"_s,  u"0"_s, u"1000"_s, u"4000"_s, u"697"_s, u"1209"_s};
    const auto data = [](int f1, int f2, double seconds) {
        return buildTonePairWav(f1, f2, seconds).mid(WavHeaderSize);
    };
    for (const bool stopped : {false, true}) {
        Rig rig;
        rig.person.setInterrupted(stopped);
        RecordingAudioOutput sound;
        ControllerActionJob job(rig.db, rig.flags, rig.person);
        job.setAudioOutput(&sound);
        EXPECT_EQ(job.run(preview), !stopped);
        int paused = 0;
        QByteArray played;
        for (const auto& event : sound.events()) {
            paused += event.milliseconds;
            if (event.kind == RecordingAudioOutput::Event::Kind::Image)
                played += event.image.mid(WavHeaderSize);
        }
        EXPECT_EQ(paused, stopped ? 0 : 120);
        EXPECT_EQ(played,
                  stopped ? QByteArray()
                          : data(440, 880, 0.3) + data(1000, 3500, 0.1) + data(697, 1209, 0.05));
    }
}

} // namespace
} // namespace kovo
