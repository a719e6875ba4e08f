// The manual send window: a typed line sent to the emulated Tarsis with its answer judged, the
// same line as DTMF tones with the transmitter keyed, the window's placement in kovo.ini, and the
// exchange run off the GUI thread.
#include "database/profile_file.h"
#include "database/program_settings.h"
#include "editors/recording_message_service.h"
#include "emulator/tarsis_emulator.h"
#include "link/channel_factory.h"
#include "link/dtmf_digits.h"
#include "link/emulator_channel.h"
#include "link/pty_emulator.h"
#include "link/recording_audio_output.h"
#include "link/recording_operator.h"
#include "shell/manual_send_window.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

namespace kovo::testing {
namespace {

using Status = ManualSendResult::Status;

constexpr int ShortTimeoutMs = 200;

const QString TimeoutText = QStringLiteral(
    "Kovo is unable to communicate with the Tarsis. Check your connections then try again");
const QString ErrorLimitText =
    QStringLiteral("Too Many Errors. Please check your serial connection and try again");

EmulatorFaults faults(const char* faultList) {
    QString error;
    const auto faults = EmulatorFaults::parse(QString::fromLatin1(faultList), &error);
    EXPECT_TRUE(faults.has_value()) << error.toStdString();
    return faults.value_or(EmulatorFaults{});
}

// A port for keying the transmitter that writes down what is done to it, with the number of
// sounds played by then ("DTR on @0").
class KeyingLog {
public:
    explicit KeyingLog(const RecordingAudioOutput& audio) : m_audio(audio) {}
    void add(const QString& what) {
        entries << QStringLiteral("%1 @%2").arg(what).arg(m_audio.events().size());
    }
    QStringList entries;
    bool canDrive = true;

private:
    const RecordingAudioOutput& m_audio;
};

class LoggedKeyingChannel : public Channel {
public:
    LoggedKeyingChannel(QString name, KeyingLog& log) : m_name(std::move(name)), m_log(log) {}
    QString portName() const override { return m_name; }
    bool isOpen() const override { return m_open; }
    bool open(QString*) override {
        m_open = true;
        m_log.add(QStringLiteral("open ") + m_name);
        return true;
    }
    void close() override {
        if (m_open)
            m_log.add(QStringLiteral("close"));
        m_open = false;
    }
    bool write(const QByteArray&) override { return true; }
    QByteArray read(int) override { return {}; }
    bool setDtr(bool on) override { return line(QStringLiteral("DTR"), on); }
    bool setRts(bool on) override { return line(QStringLiteral("RTS"), on); }

private:
    bool line(const QString& name, bool on) {
        if (!m_log.canDrive)
            return false;
        m_log.add(name + (on ? QStringLiteral(" on") : QStringLiteral(" off")));
        return true;
    }
    QString m_name;
    KeyingLog& m_log;
    bool m_open = false;
};

// A serial port that another program holds.
class TakenChannel : public Channel {
public:
    QString portName() const override { return QStringLiteral("COM7"); }
    bool isOpen() const override { return false; }
    bool open(QString* reason) override {
        if (reason)
            *reason = OpenFailure::InUse;
        return false;
    }
    void close() override {}
    bool write(const QByteArray&) override { return false; }
    QByteArray read(int) override { return {}; }
    bool setDtr(bool) override { return false; }
    bool setRts(bool) override { return false; }
};

class ManualSendTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(home.isValid()); }

    void writeIni(const QByteArray& text) {
        QFile ini(home.filePath(QStringLiteral("kovo.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(text);
        ini.close();
        settings = std::make_unique<ProgramSettings>(home.path());
        settings->load();
    }

    // The window in serial mode over the in-process emulator.
    ManualSendWindow& makeSerialWindow(const EmulatorFaults& faults = {},
                                       std::unique_ptr<Channel> channel = nullptr) {
        writeIni("[Main]\r\nComPort=" + ChannelFactory::builtInEmulatorName().toUtf8() + "\r\n");
        emulator = std::make_shared<TarsisEmulator>(faults);
        SerialLink::Settings linkSettings;
        linkSettings.comPort = settings->comPort();
        linkSettings.answerTimeoutMs = ShortTimeoutMs;
        if (!channel)
            channel = std::make_unique<EmulatorChannel>(linkSettings.comPort, emulator);
        link = std::make_unique<SerialLink>(std::move(channel), person, flags, linkSettings);
        link->setLockCode(QStringLiteral("99"));
        return makeWindow(ManualSendWindow::synchronousRunner(link.get(), &audio, person));
    }

    // The window in DTMF mode, keying through a logged port.
    ManualSendWindow& makeDtmfWindow(const QByteArray& main) {
        writeIni("[Main]\r\nComPort=0\r\n" + main);
        auto maker = [this](const QString& port, QString*) -> std::unique_ptr<Channel> {
            return std::make_unique<LoggedKeyingChannel>(port, keying);
        };
        return makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person, maker));
    }

    ManualSendWindow& makeWindow(ManualSendRunner runner) {
        window = std::make_unique<ManualSendWindow>(*settings, std::move(runner), [this] {
            ++portCloses;
            if (link)
                link->close();
        });
        QObject::connect(window.get(), &ManualSendWindow::lineSent,
                         [this](const ManualSendRequest&, const ManualSendResult& result) {
                             results.append(result);
                         });
        window->open();
        return *window;
    }

    QLineEdit* box() const {
        return window->findChild<QLineEdit*>(QStringLiteral("ManualSendData"));
    }

    // Types `text` into the box and presses Enter.
    void typeLine(const QString& text) {
        QTest::keyClicks(box(), text);
        QTest::keyClick(box(), Qt::Key_Return);
    }

    QStringList tones() const {
        QStringList out;
        for (const auto& event : audio.events()) {
            if (event.kind == RecordingAudioOutput::Event::Kind::TonePair)
                out << QString(
                    QLatin1Char(dtmfCharacterForTones(event.frequency1, event.frequency2)));
        }
        return out;
    }

    QTemporaryDir home;
    std::unique_ptr<ProgramSettings> settings;
    std::shared_ptr<TarsisEmulator> emulator;
    RecordingMessageService messages;
    MessageServiceOperator person{messages};
    LinkFlags flags;
    std::unique_ptr<SerialLink> link;
    RecordingAudioOutput audio;
    KeyingLog keying{audio};
    std::unique_ptr<ManualSendWindow> window;
    QList<ManualSendResult> results;
    int portCloses = 0;
};

TEST_F(ManualSendTest, TypedLineGoesToTheControllerExactlyAndItsAnswerIsJudged) {
    ManualSendWindow& w = makeSerialWindow();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Manual Send Data To Tarsis"));
    EXPECT_EQ(w.findChild<QPushButton*>(QStringLiteral("Close"))->text(), QStringLiteral("&Close"));
    // Enter on an empty box sends nothing and does not even open the port.
    QTest::keyClick(box(), Qt::Key_Return);
    QTest::keyClick(box(), Qt::Key_Enter);
    EXPECT_TRUE(results.isEmpty());
    EXPECT_FALSE(link->isOpen());

    // A hang time of 500 does not fit the controller's one-byte timer: it says so.
    typeLine(QStringLiteral("1*1000500"));
    EXPECT_EQ(emulator->receivedLines(), QStringList{QStringLiteral("1*1000500")});
    EXPECT_TRUE(emulator->acceptedLines().isEmpty());
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0].status, Status::Refused);
    EXPECT_TRUE(results[0].answer.startsWith('-'));
    EXPECT_GT(results[0].answer.size(), 1); // the whole answer, its reason included
    EXPECT_EQ(messages.messageTexts(),
              QStringList{QStringLiteral("There has been an error. The Tarsis returned ") +
                          QString::fromLatin1(results[0].answer) + QStringLiteral("    ")});
    EXPECT_EQ(messages.calls.value(0).title, QString()); // the program's own title
    // The box is emptied for the next line, and Enter never got into it.
    EXPECT_EQ(box()->text(), QString());
    EXPECT_EQ(window->pending(), QString());
    EXPECT_FALSE(box()->isReadOnly());

    // The port stays open for the next line, which the controller takes.
    EXPECT_TRUE(link->isOpen());
    messages.clear();
    typeLine(QStringLiteral("1*1000200"));
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results[1].status, Status::Acknowledged);
    EXPECT_TRUE(results[1].answer.startsWith('+'));
    EXPECT_EQ(emulator->acceptedLines(), QStringList{QStringLiteral("1*1000200")});
    EXPECT_TRUE(messages.calls.isEmpty());
}

TEST_F(ManualSendTest, AnswersAreJudgedWithTheLinkMessages) {
    struct Case {
        const char* name;
        const char* faults;
        int lines; // lines typed, one after the other
        Status last;
        QStringList texts;
        QStringList titles;
    };
    const Case cases[] = {
        {"refused", "nak:1", 1, Status::Refused, {}, {QString()}},
        {"silent", "silence:1", 1, Status::TimedOut, {TimeoutText}, {QString()}},
        {"garbage is no answer", "garbage:1", 1, Status::TimedOut, {TimeoutText}, {QString()}},
        {"error limit",
         "silence:4",
         4,
         Status::ErrorLimit,
         {TimeoutText, TimeoutText, TimeoutText, ErrorLimitText},
         {QString(), QString(), QString(), QStringLiteral("Error!")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        results.clear();
        makeSerialWindow(faults(c.faults));
        for (int i = 0; i < c.lines; ++i)
            typeLine(QStringLiteral("1*1000500"));
        ASSERT_EQ(results.size(), c.lines);
        EXPECT_EQ(results.last().status, c.last);
        QStringList texts = c.texts;
        if (c.last == Status::Refused) {
            // The whole answer, then four spaces.
            ASSERT_TRUE(results.last().answer.startsWith('-'));
            texts = {QStringLiteral("There has been an error. The Tarsis returned ") +
                     QString::fromLatin1(results.last().answer) + QStringLiteral("    ")};
        }
        EXPECT_EQ(messages.messageTexts(), texts);
        QStringList titles;
        for (const auto& call : messages.calls)
            titles << call.title;
        EXPECT_EQ(titles, c.titles);
        EXPECT_EQ(box()->text(), QString());
        if (c.last == Status::ErrorLimit) {
            // The lock code went out after the fourth line and the port was closed.
            EXPECT_EQ(emulator->receivedLines().last(), QStringLiteral("199"));
            EXPECT_FALSE(link->isOpen());
        }
    }
}

TEST_F(ManualSendTest, PortThatCannotBeOpenedIsToldAndNothingIsWritten) {
    // Told with the port as the settings name it.
    writeIni("[Main]\r\nComPort=7\r\n");
    link = std::make_unique<SerialLink>(std::make_unique<TakenChannel>(), person, flags,
                                        SerialLink::Settings{QStringLiteral("7"), 0, 200});
    makeWindow(ManualSendWindow::synchronousRunner(link.get(), &audio, person));
    typeLine(QStringLiteral("1*1000500"));
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0].status, Status::PortNotOpen);
    EXPECT_EQ(messages.messageTexts(),
              QStringList{QStringLiteral(
                  "COM7 is in use by another program. Close the other program and try again")});
    EXPECT_EQ(box()->text(), QString());

    // No link at all for the port named: told the same way.
    messages.clear();
    results.clear();
    window.reset();
    makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person));
    typeLine(QStringLiteral("1*1000500"));
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0].status, Status::PortNotOpen);
    EXPECT_EQ(messages.messageTexts(),
              QStringList{QStringLiteral(
                  "COM7 is in use by another program. Close the other program and try again")});
}

TEST_F(ManualSendTest, DtmfModeKeysPlaysTheDigitsAndUnkeys) {
    makeDtmfWindow("DTMFComPort=3\r\nWhichSend=1\r\nDTMFDelay=25\r\nTxTemp=900\r\n");
    typeLine(QStringLiteral(" 1*1000500 "));
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0].status, Status::Played);
    EXPECT_EQ(tones(), QString(QStringLiteral("1*1000500")).split(QString(), Qt::SkipEmptyParts));
    // Keyed before the first sound, unkeyed after the last; DTR keys, RTS stays down.
    const int sounds = int(audio.events().size());
    EXPECT_EQ(keying.entries, (QStringList{QStringLiteral("open 3 @0"), QStringLiteral("DTR on @0"),
                                           QStringLiteral("RTS off @0"),
                                           QStringLiteral("DTR off @%1").arg(sounds - 1),
                                           QStringLiteral("close @%1").arg(sounds - 1)}));
    // No key-up delay: the silence before the first tone is that digit's own delay.
    int silenceBeforeFirstTone = 0;
    for (const auto& event : audio.events()) {
        if (event.kind == RecordingAudioOutput::Event::Kind::TonePair)
            break;
        silenceBeforeFirstTone += event.milliseconds;
    }
    EXPECT_EQ(silenceBeforeFirstTone, 25);
    EXPECT_TRUE(messages.calls.isEmpty());
    EXPECT_EQ(box()->text(), QString());

    // What is not a keypad character is skipped.
    audio.clear();
    typeLine(QStringLiteral("12x#"));
    EXPECT_EQ(tones(),
              (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("#")}));
}

TEST_F(ManualSendTest, DtmfModeFailuresAreTold) {
    // A keying line that cannot be driven: nothing is played.
    makeDtmfWindow("DTMFComPort=3\r\nWhichSend=2\r\n");
    keying.canDrive = false;
    typeLine(QStringLiteral("1*1000500"));
    EXPECT_EQ(results.value(0).status, Status::KeyingFailed);
    EXPECT_TRUE(tones().isEmpty());
    EXPECT_EQ(messages.messageTexts(),
              QStringList{QStringLiteral(
                  "The transmitter cannot be keyed: 3 cannot drive RTS. Choose a serial port "
                  "whose RTS line keys the transmitter (DTMFComPort and WhichSend in kovo.ini), "
                  "or set DTMFComPort to 0 and key the transmitter by hand.")});

    // No sound output: the transmitter is never keyed.
    messages.clear();
    results.clear();
    keying.entries.clear();
    keying.canDrive = true;
    audio.setFailPlay(true);
    typeLine(QStringLiteral("1*1000500"));
    EXPECT_EQ(results.value(0).status, Status::SoundFailed);
    EXPECT_TRUE(keying.entries.isEmpty());
    EXPECT_EQ(messages.messageTexts(),
              QStringList{QStringLiteral("The recording output fails on purpose")});
    EXPECT_EQ(box()->text(), QString());
}

TEST_F(ManualSendTest, PlacementIsReadOnOpenAndWrittenOnClose) {
    writeIni("[Main]\r\nComPort=0\r\n[Manualsend]\r\nWindow Width=520\r\nWindow Height=70\r\n"
             "Window Top=140\r\nWindow Left=60\r\nWindow State=0\r\n");
    makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person));
    EXPECT_EQ(window->geometry(), QRect(60, 140, 520, 70));

    window->setGeometry(QRect(30, 50, 440, 80));
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Close")), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(portCloses, 1);
    const ProfileFile ini = ProfileFile::load(home.filePath(QStringLiteral("kovo.ini")));
    const QString section = QStringLiteral("Manualsend");
    EXPECT_EQ(ini.read(section, QStringLiteral("Window Width")), QStringLiteral("440"));
    EXPECT_EQ(ini.read(section, QStringLiteral("Window Height")), QStringLiteral("80"));
    EXPECT_EQ(ini.read(section, QStringLiteral("Window Top")), QStringLiteral("50"));
    EXPECT_EQ(ini.read(section, QStringLiteral("Window Left")), QStringLiteral("30"));
    EXPECT_EQ(ini.read(section, QStringLiteral("Window State")), QStringLiteral("0"));
    // The main window's placement is not touched.
    EXPECT_EQ(ini.read(QStringLiteral("Main"), QStringLiteral("Window Width")), QString());

    // Reopened where it was left; closing the window itself does what Close does.
    window->open();
    EXPECT_EQ(window->geometry(), QRect(30, 50, 440, 80));
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(portCloses, 2);
}

TEST_F(ManualSendTest, PlacementThatCannotBeUsedGivesAWindowOnScreen) {
    writeIni("[Main]\r\nComPort=0\r\n[Manualsend]\r\nWindow Width=junk\r\nWindow Height=-5\r\n"
             "Window Top=99999\r\nWindow Left=99999\r\n");
    makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.intersects(window->geometry()));
    EXPECT_GE(window->width(), 120);
}

TEST_F(ManualSendTest, BoxIsReadOnlyWhileALineIsOut) {
    writeIni("[Main]\r\nComPort=5\r\nDTMFComPort=2\r\nWhichSend=2\r\nDTMFDelay=70\r\n"
             "SerialDelay=1\r\n");
    QList<ManualSendRequest> requests;
    ManualSendDone pendingDone;
    makeWindow([&](const ManualSendRequest& request, ManualSendDone done) {
        requests.append(request);
        pendingDone = std::move(done);
    });
    typeLine(QStringLiteral("1*1000500"));
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].line, QStringLiteral("1*1000500"));
    EXPECT_EQ(requests[0].comPort, QStringLiteral("5"));
    EXPECT_TRUE(requests[0].serial());
    EXPECT_EQ(requests[0].dtmfComPort, QStringLiteral("2"));
    EXPECT_EQ(requests[0].whichSend, QStringLiteral("2"));
    EXPECT_EQ(requests[0].dtmfDelay, 70);
    EXPECT_EQ(requests[0].serialDelayMs, 1);
    EXPECT_TRUE(window->sending());
    EXPECT_TRUE(box()->isReadOnly());
    // A second Enter while the first line is out sends nothing.
    QTest::keyClicks(box(), QStringLiteral("9"));
    QTest::keyClick(box(), Qt::Key_Return);
    EXPECT_EQ(requests.size(), 1);
    EXPECT_EQ(box()->text(), QStringLiteral("1*1000500"));

    pendingDone(ManualSendResult{Status::Acknowledged, "+", {}});
    EXPECT_FALSE(window->sending());
    EXPECT_EQ(box()->text(), QString());
    EXPECT_FALSE(box()->isReadOnly());
    ASSERT_EQ(results.size(), 1);
    pendingDone(ManualSendResult{Status::Acknowledged, "+", {}}); // told twice: no effect
    EXPECT_EQ(results.size(), 1);
    // A line the runner could not take stays in the box.
    typeLine(QStringLiteral("1*1001"));
    pendingDone(ManualSendResult{Status::NotStarted, {}, {}});
    EXPECT_EQ(box()->text(), QStringLiteral("1*1001"));
    EXPECT_FALSE(box()->isReadOnly());
    EXPECT_FALSE(window->sending());
    // The window may go away while a line is out.
    QTest::keyClick(box(), Qt::Key_Return);
    EXPECT_EQ(requests.size(), 3);
    window.reset();
    pendingDone(ManualSendResult{Status::TimedOut, {}, {}});
}

// The exchange runs on a link thread over a real pseudo-terminal while the GUI thread goes on;
// the answer comes back to the window through its event queue.
TEST_F(ManualSendTest, ExchangeRunsOnALinkThread) {
    test::PtyEmulator pty;
    writeIni("[Main]\r\nComPort=" + pty.port().toUtf8() + "\r\n");
    QThread linkThread;
    QObject linkContext;
    linkContext.moveToThread(&linkThread);
    linkThread.start();
    RecordingOperator linkPerson;
    SerialLink::Settings linkSettings;
    linkSettings.comPort = pty.port();
    linkSettings.answerTimeoutMs = 5000;
    link = std::make_unique<SerialLink>(ChannelFactory::create(pty.port()), linkPerson, flags,
                                        linkSettings);
    Qt::HANDLE exchangeThread = nullptr;

    makeWindow([&](const ManualSendRequest& request, ManualSendDone done) {
        QMetaObject::invokeMethod(
            &linkContext,
            [&, request, done = std::move(done)] {
                exchangeThread = QThread::currentThreadId();
                const ManualSendResult result =
                    sendManualLine(request, link.get(), nullptr, linkPerson);
                QMetaObject::invokeMethod(
                    window.get(), [done, result] { done(result); }, Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    });
    typeLine(QStringLiteral("2*100030"));
    // Enter returned at once: the answer can only come through the GUI thread's event queue.
    EXPECT_TRUE(window->sending());
    EXPECT_TRUE(box()->isReadOnly());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->sending(); }, 20000));
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0].status, Status::Acknowledged);
    EXPECT_NE(exchangeThread, QThread::currentThreadId());
    EXPECT_EQ(pty.emulator().receivedLines(), QStringList{QStringLiteral("2*100030")});
    EXPECT_TRUE(linkPerson.messageTexts().isEmpty());
    EXPECT_EQ(box()->text(), QString());

    // The port is closed and let go on the thread that opened it.
    QMetaObject::invokeMethod(
        &linkContext, [&] { link.reset(); }, Qt::BlockingQueuedConnection);
    linkThread.quit();
    linkThread.wait();
}

} // namespace
} // namespace kovo::testing
