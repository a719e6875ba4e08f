// The manual send window: typed lines sent to the emulated Tarsis with the answers in the
// transcript, the same lines as DTMF tones with the transmitter keyed, and the window's
// placement in kovo.ini.
#include "database/profile_file.h"
#include "database/program_settings.h"
#include "editors/recording_message_service.h"
#include "emulator/tarsis_emulator.h"
#include "link/channel_factory.h"
#include "link/dtmf_digits.h"
#include "link/emulator_channel.h"
#include "link/recording_audio_output.h"
#include "shell/manual_send_window.h"

#include <QAccessible>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace kovo::testing {
namespace {

using Status = ManualSendResult::Status;

const QString TimeoutText = QStringLiteral(
    "Kovo is unable to communicate with the Tarsis. Check your connections then try again");
const QString ErrorLimitText =
    QStringLiteral("Too Many Errors. Please check your serial connection and try again");

QString refusedText(const QString& answer) {
    return QStringLiteral("There has been an error. The Tarsis returned ") + answer +
           QStringLiteral("    ");
}

// A port for keying the transmitter that writes down what is done to it, with the number of
// sounds played by then ("DTR on @0").
class LoggedKeyingChannel : public Channel {
public:
    LoggedKeyingChannel(QString name, QStringList& log, const RecordingAudioOutput& audio,
                        bool canDrive)
        : m_name(std::move(name)), m_log(log), m_audio(audio), m_canDrive(canDrive) {}
    QString portName() const override { return m_name; }
    bool isOpen() const override { return m_open; }
    bool open(QString*) override { return m_open = add(QStringLiteral("open ") + m_name); }
    void close() override {
        if (std::exchange(m_open, false))
            add(QStringLiteral("close"));
    }
    bool write(const QByteArray&) override { return true; }
    QByteArray read(int) override { return {}; }
    bool setDtr(bool on) override { return m_canDrive && add(QStringLiteral("DTR ") + onOff(on)); }
    bool setRts(bool on) override { return m_canDrive && add(QStringLiteral("RTS ") + onOff(on)); }

private:
    static QString onOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }
    bool add(const QString& what) {
        m_log << QStringLiteral("%1 @%2").arg(what).arg(m_audio.events().size());
        return true;
    }
    QString m_name;
    QStringList& m_log;
    const RecordingAudioOutput& m_audio;
    bool m_open = false;
    bool m_canDrive;
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
    void makeSerialWindow(const char* faultList = "") {
        writeIni("[Main]\r\nComPort=" + ChannelFactory::builtInEmulatorName().toUtf8() + "\r\n");
        QString error;
        emulator = std::make_shared<TarsisEmulator>(
            EmulatorFaults::parse(QString::fromLatin1(faultList), &error).value());
        const SerialLink::Settings linkSettings{settings->comPort(), 0, 200};
        link = std::make_unique<SerialLink>(
            std::make_unique<EmulatorChannel>(linkSettings.comPort, emulator), person, flags,
            linkSettings);
        link->setLockCode(QStringLiteral("99"));
        makeWindow(ManualSendWindow::synchronousRunner(link.get(), &audio, person));
    }

    // The window in DTMF mode, keying through a logged port.
    void makeDtmfWindow(const QByteArray& main) {
        writeIni("[Main]\r\nComPort=0\r\n" + main);
        auto maker = [this](const QString& port, QString*) -> std::unique_ptr<Channel> {
            return std::make_unique<LoggedKeyingChannel>(port, keying, audio, canKey);
        };
        makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person, maker));
    }

    void makeWindow(ManualSendRunner runner) {
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
    QStringList keying;
    bool canKey = true;
    std::unique_ptr<ManualSendWindow> window;
    QList<ManualSendResult> results;
    int portCloses = 0;
};

// The command lines the controller's programming commands are shown with, typed by hand: each
// goes out exactly as typed and its answer lands in the transcript.
TEST_F(ManualSendTest, EveryExampleLineGetsTheControllersAnswerInTheTranscript) {
    struct Case {
        const char* line;
        const char* answer;
    };
    const Case cases[] = {
        {"2*100030", "+"},                 // port 2 hang time 30
        {"1*1000500", "-value above 255"}, // a hang time is one byte in the controller
        {"2*1000500", "-value above 255"},
        {"1*1000255", "+"},
        {"3*341005*10*12*34*", "+"}, // courtesy tone 10 of port 3, segment 4
        {"1*21150075551234", "+"},   // auto-dial slot 7
        {"1*21151205551234", "+"},   // auto-dial slot 120
        {"1*400205123", "+"},        // macro 5 holding 1 2 3
        {"1*205041109050", "+"},     // short macro 1 and its code
        {"1*40010325123005", "+"},   // setpoint 3: monthly, week 2, day 5
        {"1*80010800", "+"},         // a CW tone pair whose second tone is 0
        {"1*21999", "+"},            // the end of an upload
        {"1*9020D", "+"},            // the terminator
    };
    makeSerialWindow();
    QStringList transcript;
    QStringList told;
    for (const Case& c : cases) {
        typeLine(QString::fromLatin1(c.line));
        transcript << QString::fromLatin1(c.line) + QStringLiteral("   ") +
                          QString::fromLatin1(c.answer);
        if (c.answer[0] == '-')
            told << refusedText(QString::fromLatin1(c.answer));
    }
    EXPECT_EQ(window->transcript(), transcript.join(u'\n'));
    EXPECT_EQ(messages.messageTexts(), told);
    EXPECT_EQ(emulator->receivedLines().size(), std::size(cases));
    EXPECT_EQ(box()->text(), QString());
    EXPECT_FALSE(box()->isReadOnly());
    EXPECT_TRUE(link->isOpen()); // the port stays open for the next line
}

TEST_F(ManualSendTest, SilenceAndGarbageAreNoAnswer) {
    struct Case {
        const char* faults;
        int lines; // typed one after the other
        QStringList texts;
        QString lastOutcome;
    };
    const Case cases[] = {
        {"nak:1", 1, {refusedText(QStringLiteral("-Refused"))}, QStringLiteral("-Refused")},
        {"silence:1", 1, {TimeoutText}, QStringLiteral("no answer within the time-out")},
        {"silence:4",
         4,
         {TimeoutText, TimeoutText, TimeoutText, ErrorLimitText},
         QStringLiteral("no answer within the time-out; too many errors, port closed")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        messages.clear();
        makeSerialWindow(c.faults);
        for (int i = 0; i < c.lines; ++i)
            typeLine(QStringLiteral("1*100050"));
        EXPECT_EQ(messages.messageTexts(), c.texts);
        EXPECT_EQ(window->transcript().split(u'\n').last(),
                  QStringLiteral("1*100050   ") + c.lastOutcome);
        EXPECT_EQ(messages.calls.last().title, c.lines == 4 ? QStringLiteral("Error!") : QString());
    }
    // After the fourth silent wait the lock code went out and the port was closed.
    EXPECT_EQ(emulator->receivedLines().last(), QStringLiteral("199"));
    EXPECT_FALSE(link->isOpen());
}

TEST_F(ManualSendTest, PortThatCannotBeUsedIsToldAndNothingIsWritten) {
    writeIni("[Main]\r\nComPort=7\r\n");
    makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person));
    typeLine(QStringLiteral("1*1000500"));
    EXPECT_EQ(messages.messageTexts(),
              QStringList{QStringLiteral(
                  "COM7 is in use by another program. Close the other program and try again")});
    EXPECT_EQ(window->transcript(),
              QStringLiteral("1*1000500   not sent: the port cannot be opened"));
}

TEST_F(ManualSendTest, DtmfModeKeysPlaysTheDigitsAndUnkeys) {
    makeDtmfWindow("DTMFComPort=3\r\nWhichSend=1\r\nDTMFDelay=25\r\nTxTemp=900\r\n");
    typeLine(QStringLiteral(" 1*1000500 "));
    EXPECT_EQ(tones(), QString(QStringLiteral("1*1000500")).split(QString(), Qt::SkipEmptyParts));
    // Keyed before the first sound, unkeyed after the last; DTR keys, RTS stays down.
    const int sounds = int(audio.events().size());
    EXPECT_EQ(keying, (QStringList{QStringLiteral("open 3 @0"), QStringLiteral("DTR on @0"),
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
    EXPECT_EQ(window->transcript(), QStringLiteral(" 1*1000500    played as DTMF tones"));

    // What is not a keypad character is skipped.
    audio.clear();
    typeLine(QStringLiteral("12x#"));
    EXPECT_EQ(tones(),
              (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("#")}));
}

TEST_F(ManualSendTest, DtmfModeFailuresAreTold) {
    // A keying line that cannot be driven: nothing is played.
    makeDtmfWindow("DTMFComPort=3\r\nWhichSend=2\r\n");
    canKey = false;
    typeLine(QStringLiteral("1*1000500"));
    EXPECT_EQ(results.value(0).status, Status::KeyingFailed);
    EXPECT_TRUE(tones().isEmpty());
    const QString keyingText = QStringLiteral(
        "The transmitter cannot be keyed: 3 cannot drive RTS. Choose a serial port whose RTS line "
        "keys the transmitter (DTMFComPort and WhichSend in kovo.ini), or set DTMFComPort to 0 "
        "and key the transmitter by hand.");
    EXPECT_EQ(messages.messageTexts(), QStringList{keyingText});

    // No sound output: the transmitter is never keyed.
    messages.clear();
    keying.clear();
    canKey = true;
    audio.setFailPlay(true);
    typeLine(QStringLiteral("2"));
    EXPECT_EQ(results.value(1).status, Status::SoundFailed);
    EXPECT_TRUE(keying.isEmpty());
    const QString soundText = QStringLiteral("The recording output fails on purpose");
    EXPECT_EQ(messages.messageTexts(), QStringList{soundText});
    EXPECT_EQ(window->transcript(), QStringLiteral("1*1000500   not played: ") + keyingText +
                                        QStringLiteral("\n2   not played: ") + soundText);
}

TEST_F(ManualSendTest, WindowIsPlacedFromKovoIniAndCloseOrEscapeWritesThePlacement) {
    writeIni("[Main]\r\nComPort=0\r\n[Manualsend]\r\nWindow Width=520\r\nWindow Height=270\r\n"
             "Window Top=140\r\nWindow Left=60\r\nWindow State=0\r\n");
    makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Manual Send Data To Tarsis"));
    EXPECT_EQ(window->geometry(), QRect(60, 140, 520, 270));
    // The label says what to type and names the box; the transcript is named too.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(box())->text(QAccessible::Name),
              QStringLiteral("Type the port digit and the command (for example 2*100030), then "
                             "press Enter:"));
    QWidget* transcript = window->findChild<QWidget*>(QStringLiteral("Transcript"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(transcript)->text(QAccessible::Name),
              QStringLiteral("Lines sent and the controller's answers:"));
    // Enter on an empty box sends nothing.
    QTest::keyClick(box(), Qt::Key_Return);
    QTest::keyClick(box(), Qt::Key_Enter);
    EXPECT_TRUE(results.isEmpty());

    window->setGeometry(QRect(30, 50, 440, 280));
    auto* close = window->findChild<QPushButton*>(QStringLiteral("Close"));
    EXPECT_EQ(close->text(), QStringLiteral("&Close"));
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(portCloses, 1);
    const ProfileFile ini = ProfileFile::load(home.filePath(QStringLiteral("kovo.ini")));
    const QString section = QStringLiteral("Manualsend");
    QStringList placement;
    for (const char* key :
         {"Window Width", "Window Height", "Window Top", "Window Left", "Window State"})
        placement << ini.read(section, QString::fromLatin1(key));
    EXPECT_EQ(placement,
              (QStringList{QStringLiteral("440"), QStringLiteral("280"), QStringLiteral("50"),
                           QStringLiteral("30"), QStringLiteral("0")}));
    EXPECT_EQ(ini.read(QStringLiteral("Main"), QStringLiteral("Window Width")), QString());

    // Reopened where it was left; Escape in the box does what Close does.
    window->open();
    EXPECT_EQ(window->geometry(), QRect(30, 50, 440, 280));
    QTest::keyClick(box(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(portCloses, 2);

    // A placement that cannot be used gives a window on the screen.
    writeIni("[Main]\r\nComPort=0\r\n[Manualsend]\r\nWindow Width=junk\r\nWindow Height=-5\r\n"
             "Window Top=99999\r\nWindow Left=99999\r\n");
    makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person));
    EXPECT_TRUE(
        QGuiApplication::primaryScreen()->availableGeometry().intersects(window->geometry()));
    EXPECT_GE(window->width(), 120);
    EXPECT_FALSE(window->isMaximized());
    writeIni("[Manualsend]\r\nWindow Width=400\r\nWindow Height=300\r\nWindow Top=10\r\n"
             "Window Left=10\r\nWindow State=2\r\n");
    makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person));
    EXPECT_TRUE(window->isMaximized());
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
    const ManualSendRequest& r = requests[0];
    EXPECT_EQ((QStringList{r.line, r.comPort, r.dtmfComPort, r.whichSend}),
              (QStringList{QStringLiteral("1*1000500"), QStringLiteral("5"), QStringLiteral("2"),
                           QStringLiteral("2")}));
    EXPECT_EQ(std::pair(r.dtmfDelay, r.serialDelayMs), std::pair(70, 1));
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
    pendingDone(ManualSendResult{Status::Acknowledged, "+", {}}); // told twice: no effect
    EXPECT_EQ(results.size(), 1);
    // A line the runner could not take stays in the box, and out of the transcript.
    typeLine(QStringLiteral("1*1001"));
    pendingDone(ManualSendResult{Status::NotStarted, {}, {}});
    EXPECT_EQ(box()->text(), QStringLiteral("1*1001"));
    EXPECT_FALSE(box()->isReadOnly());
    EXPECT_EQ(window->transcript(), QStringLiteral("1*1000500   +"));
    // The window may go away while a line is out.
    QTest::keyClick(box(), Qt::Key_Return);
    EXPECT_EQ(requests.size(), 3);
    window.reset();
    pendingDone(ManualSendResult{Status::TimedOut, {}, {}});
}

} // namespace
} // namespace kovo::testing
