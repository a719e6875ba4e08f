// What a person sends by hand. The manual send window: typed lines sent to the emulated Tarsis
// with the answers in the transcript, the same lines as DTMF tones with the transmitter keyed, and
// the window's placement in kovo.ini. The touch-tone pad: each key played as its tone pair.
#include "shell/manual_send_window.h"
#include "shell/touch_tone_pad.h"
#include "shell_fixture.h"

#include <QAccessible>

namespace kovo::testing {
namespace {

using Status = ManualSendResult::Status;

const QString TimeoutBox =
    u"|Kovo is unable to communicate with the Tarsis. Check your connections then try again"_s;

// A port for keying the transmitter that writes down what is done to it, with the number of
// sounds played by then ("DTR on @0").
class LoggedKeyingChannel : public Channel {
public:
    LoggedKeyingChannel(QString name, QStringList& log, const RecordingAudioOutput& audio,
                        bool canDrive)
        : m_name(std::move(name)), m_log(log), m_audio(audio), m_canDrive(canDrive) {}
    QString portName() const override { return m_name; }
    bool isOpen() const override { return m_open; }
    bool open(QString*) override { return m_open = add(u"open "_s + m_name); }
    void close() override {
        if (std::exchange(m_open, false))
            add(u"close"_s);
    }
    bool write(const QByteArray&) override { return true; }
    QByteArray read(int) override { return {}; }
    bool setDtr(bool on) override { return m_canDrive && add(u"DTR "_s + onOff(on)); }
    bool setRts(bool on) override { return m_canDrive && add(u"RTS "_s + onOff(on)); }

private:
    static QString onOff(bool on) { return on ? u"on"_s : u"off"_s; }
    bool add(const QString& what) {
        m_log << u"%1 @%2"_s.arg(what).arg(m_audio.events().size());
        return true;
    }
    QString m_name;
    QStringList& m_log;
    const RecordingAudioOutput& m_audio;
    bool m_open = false;
    bool m_canDrive;
};

// The window alone, over the program folder of the shell tests.
class ManualSendTest : public ShellTest {
protected:
    void writeSettings(const QByteArray& text) {
        writeFile(u"kovo.ini"_s, text);
        settings = std::make_unique<ProgramSettings>(folder);
        settings->load();
    }

    // The window in DTMF mode, keying through a logged port.
    void makeDtmfWindow(const QByteArray& main) {
        writeSettings("[Main]\r\nComPort=0\r\n" + main);
        auto maker = [this](const QString& port, QString*) -> std::unique_ptr<Channel> {
            return std::make_unique<LoggedKeyingChannel>(port, keying, audio, canKey);
        };
        makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person, maker));
    }

    void makeWindow(ManualSendRunner runner) {
        sendWindow = std::make_unique<ManualSendWindow>(*settings, std::move(runner),
                                                        [this] { ++portCloses; });
        QObject::connect(sendWindow.get(), &ManualSendWindow::lineSent,
                         [this](const ManualSendRequest&, const ManualSendResult& result) {
                             results.append(result);
                         });
        sendWindow->open();
    }

    QLineEdit* box() const { return sendWindow->findChild<QLineEdit*>(u"ManualSendData"_s); }

    // Types `text` into the box and presses Enter.
    void typeLine(const QString& text) {
        QTest::keyClicks(box(), text);
        QTest::keyClick(box(), Qt::Key_Return);
    }

    MessageServiceOperator person{messages};
    RecordingAudioOutput audio;
    QStringList keying;
    bool canKey = true;
    std::unique_ptr<ManualSendWindow> sendWindow;
    QList<ManualSendResult> results;
    int portCloses = 0;
};

// Through the link thread to the built-in emulator: a refusal, silence, and silence four times
// over, which closes the port; a port the runner has no link for is told as one in use.
TEST_F(ManualSendTest, SilenceGarbageAndAPortThatCannotBeOpenedAreNoAnswer) {
    const struct {
        const char* faults;
        int lines;         // typed one after the other
        QStringList shown; // the boxes
        QString lastOutcome;
    } cases[] = {
        {"nak:1", 1, {u"|"_s + refusedText(u"-Refused"_s)}, u"-Refused"_s},
        {"silence:1", 1, {TimeoutBox}, u"no answer within the time-out"_s},
        {"silence:4",
         4,
         {TimeoutBox, TimeoutBox, TimeoutBox,
          u"Error!|Too Many Errors. Please check your serial connection and try again"_s},
         u"no answer within the time-out; too many errors, port closed"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults);
        window.reset();
        startOnEmulator();
        emulator->setFaults(*EmulatorFaults::parse(QLatin1String(c.faults)));
        trigger("MnuManualData");
        ManualSendWindow* manual = window->manualSendWindow();
        for (int i = 0; i < c.lines; ++i) {
            QTest::keyClicks(manual->findChild<QLineEdit*>(u"ManualSendData"_s), u"1*100050"_s);
            QTest::keyClick(manual->findChild<QLineEdit*>(u"ManualSendData"_s), Qt::Key_Return);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !manual->sending(); }, 30000));
        }
        ASSERT_TRUE(waitIdle());
        EXPECT_EQ(boxes(), c.shown);
        EXPECT_EQ(manual->transcript().split(u'\n').last(), u"1*100050   "_s + c.lastOutcome);
    }
    // After the fourth silent wait the lock code went out and the port was closed.
    ASSERT_FALSE(db.storedLock().isEmpty());
    EXPECT_EQ(emulator->receivedLines().last(), u"1"_s + db.storedLock());
    EXPECT_FALSE(window->linkWorker().portOpen());

    messages.clear();
    writeSettings("[Main]\r\nComPort=9\r\n");
    makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person));
    typeLine(u"1*100050"_s);
    EXPECT_EQ(
        messages.messageTexts(),
        QStringList{u"COM9 is in use by another program. Close the other program and try again"_s});
    EXPECT_EQ(sendWindow->transcript(), u"1*100050   not sent: the port cannot be opened"_s);
}

TEST_F(ManualSendTest, DtmfModeKeysPlaysTheDigitsAndUnkeys) {
    makeDtmfWindow("DTMFComPort=3\r\nWhichSend=1\r\nDTMFDelay=25\r\nTxTemp=900\r\n");
    typeLine(u" 1*1000500 "_s);
    EXPECT_EQ(playedDigits(audio), u"1*1000500"_s);
    // Keyed before the first sound, unkeyed after the last; DTR keys, RTS stays down.
    const int sounds = int(audio.events().size());
    EXPECT_EQ(keying,
              (QStringList{u"open 3 @0"_s, u"DTR on @0"_s, u"RTS off @0"_s,
                           u"DTR off @%1"_s.arg(sounds - 1), u"close @%1"_s.arg(sounds - 1)}));
    // No key-up delay: the silence before the first tone is that digit's own delay.
    int silence = 0;
    for (auto e = audio.events().cbegin(); e->kind != RecordingAudioOutput::Event::Kind::TonePair;
         ++e)
        silence += e->milliseconds;
    EXPECT_EQ(silence, 25);
    EXPECT_TRUE(messages.calls.isEmpty());
    EXPECT_EQ(sendWindow->transcript(), u" 1*1000500    played as DTMF tones"_s);

    // What is not a keypad character is skipped.
    audio.clear();
    typeLine(u"12x#"_s);
    EXPECT_EQ(playedDigits(audio), u"12#"_s);
}

TEST_F(ManualSendTest, DtmfModeFailuresAreTold) {
    // A keying line that cannot be driven: nothing is played.
    makeDtmfWindow("DTMFComPort=3\r\nWhichSend=2\r\n");
    canKey = false;
    typeLine(u"1*1000500"_s);
    EXPECT_EQ(results.value(0).status, Status::KeyingFailed);
    EXPECT_TRUE(playedDigits(audio).isEmpty());
    const QString keyingText = keyingFailureText(u"3"_s);
    EXPECT_EQ(messages.messageTexts(), QStringList{keyingText});

    // No sound output: the transmitter is never keyed.
    messages.clear();
    keying.clear();
    canKey = true;
    audio.setFailPlay(true);
    typeLine(u"2"_s);
    EXPECT_EQ(results.value(1).status, Status::SoundFailed);
    EXPECT_TRUE(keying.isEmpty());
    const QString soundText = u"The recording output fails on purpose"_s;
    EXPECT_EQ(messages.messageTexts(), QStringList{soundText});
    EXPECT_EQ(sendWindow->transcript(),
              u"1*1000500   not played: "_s + keyingText + u"\n2   not played: "_s + soundText);
}

TEST_F(ManualSendTest, WindowIsPlacedFromKovoIniAndCloseOrEscapeWritesThePlacement) {
    writeSettings("[Main]\r\nComPort=0\r\n[Manualsend]\r\nWindow Width=520\r\nWindow Height=270\r\n"
                  "Window Top=140\r\nWindow Left=60\r\nWindow State=0\r\n");
    makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person));
    EXPECT_EQ(sendWindow->windowTitle(), u"Manual Send Data To Tarsis"_s);
    EXPECT_EQ(sendWindow->geometry(), QRect(60, 140, 520, 270));
    // The label says what to type and names the box; the transcript is named too.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(box())->text(QAccessible::Name),
              u"Type the port digit and the command (for example 2*100030), then press Enter:"_s);
    QWidget* transcript = sendWindow->findChild<QWidget*>(u"Transcript"_s);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(transcript)->text(QAccessible::Name),
              u"Lines sent and the controller's answers:"_s);
    // Enter on an empty box sends nothing.
    QTest::keyClick(box(), Qt::Key_Return);
    QTest::keyClick(box(), Qt::Key_Enter);
    EXPECT_TRUE(results.isEmpty());

    sendWindow->setGeometry(QRect(30, 50, 440, 280));
    auto* close = sendWindow->findChild<QPushButton*>(u"Close"_s);
    EXPECT_EQ(close->text(), u"&Close"_s);
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_FALSE(sendWindow->isVisible());
    EXPECT_EQ(portCloses, 1);
    const WindowPlacement placed = settings->placement(u"Manualsend"_s);
    EXPECT_EQ(std::tuple(placed.width, placed.height, placed.top, placed.left, placed.state),
              std::tuple(440.0, 280.0, 50.0, 30.0, 0));
    EXPECT_FALSE(settings->placement(u"Main"_s).present);

    // Reopened where it was left; Escape in the box does what Close does.
    sendWindow->open();
    EXPECT_EQ(sendWindow->geometry(), QRect(30, 50, 440, 280));
    QTest::keyClick(box(), Qt::Key_Escape);
    EXPECT_FALSE(sendWindow->isVisible());
    EXPECT_EQ(portCloses, 2);

    // A placement that cannot be used gives a window on the screen.
    writeSettings("[Main]\r\nComPort=0\r\n[Manualsend]\r\nWindow Width=junk\r\nWindow Height=-5\r\n"
                  "Window Top=99999\r\nWindow Left=99999\r\n");
    makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person));
    EXPECT_TRUE(
        QGuiApplication::primaryScreen()->availableGeometry().intersects(sendWindow->geometry()));
    EXPECT_GE(sendWindow->width(), 120);
    EXPECT_FALSE(sendWindow->isMaximized());
    writeSettings("[Manualsend]\r\nWindow Width=400\r\nWindow Height=300\r\nWindow Top=10\r\n"
                  "Window Left=10\r\nWindow State=2\r\n");
    makeWindow(ManualSendWindow::synchronousRunner(nullptr, &audio, person));
    EXPECT_TRUE(sendWindow->isMaximized());
}

TEST_F(ManualSendTest, BoxIsReadOnlyWhileALineIsOut) {
    writeSettings("[Main]\r\nComPort=5\r\nDTMFComPort=2\r\nWhichSend=2\r\nDTMFDelay=70\r\n"
                  "SerialDelay=1\r\n");
    QList<ManualSendRequest> requests;
    ManualSendDone pendingDone;
    makeWindow([&](const ManualSendRequest& request, ManualSendDone done) {
        requests.append(request);
        pendingDone = std::move(done);
    });
    typeLine(u"1*1000500"_s);
    ASSERT_EQ(requests.size(), 1);
    const ManualSendRequest& r = requests[0];
    EXPECT_EQ((QStringList{r.line, r.comPort, r.dtmfComPort, r.whichSend}),
              (QStringList{u"1*1000500"_s, u"5"_s, u"2"_s, u"2"_s}));
    EXPECT_EQ(std::pair(r.dtmfDelay, r.serialDelayMs), std::pair(70, 1));
    EXPECT_TRUE(box()->isReadOnly());
    // A second Enter while the first line is out sends nothing.
    typeLine(u"9"_s);
    EXPECT_EQ(requests.size(), 1);
    EXPECT_EQ(box()->text(), u"1*1000500"_s);

    pendingDone(ManualSendResult{Status::Acknowledged, "+", {}});
    EXPECT_FALSE(sendWindow->sending());
    EXPECT_EQ(box()->text(), QString());
    EXPECT_FALSE(box()->isReadOnly());
    pendingDone(ManualSendResult{Status::Acknowledged, "+", {}}); // told twice: no effect
    EXPECT_EQ(results.size(), 1);
    // A line the runner could not take stays in the box, and out of the transcript.
    typeLine(u"1*1001"_s);
    pendingDone(ManualSendResult{Status::NotStarted, {}, {}});
    EXPECT_EQ(box()->text(), u"1*1001"_s);
    EXPECT_FALSE(box()->isReadOnly());
    EXPECT_EQ(sendWindow->transcript(), u"1*1000500   +"_s);
    // The window may go away while a line is out.
    QTest::keyClick(box(), Qt::Key_Return);
    EXPECT_EQ(requests.size(), 3);
    sendWindow.reset();
    pendingDone(ManualSendResult{Status::TimedOut, {}, {}});
}

using Kind = RecordingAudioOutput::Event::Kind;

// The pad over a temporary program folder, its DTMFDelay 0.
class TouchTonePadTest : public ::testing::Test {
protected:
    void SetUp() override { pad->open(); }

    QPushButton* button(const QString& name) const { return pad->findChild<QPushButton*>(name); }
    void press(int code) { QTest::mouseClick(button(u"cmdNum(%1)"_s.arg(code)), Qt::LeftButton); }

    QTemporaryDir home;
    ProgramSettings settings{home.path()};
    ScriptedOutput audio;
    RecordingMessageService messages;
    std::unique_ptr<TouchTonePad> pad = std::make_unique<TouchTonePad>(audio, settings, messages);
};

TEST_F(TouchTonePadTest, EveryButtonPlaysItsPairInKeypadOrderAndShowsItsCaption) {
    EXPECT_EQ(pad->windowTitle(), u"DTMF Dialer"_s);
    // Row by row: the row gives the low tone, the column the high one.
    const QString captions = u"123A456B789C*0#D"_s;
    const int codes[] = {1, 2, 3, 13, 4, 5, 6, 14, 7, 8, 9, 15, 11, 0, 12, 16};
    const int low[] = {697, 770, 852, 941};
    const int high[] = {1209, 1336, 1477, 1633};
    QPoint previous;
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        QPushButton* b = button(u"cmdNum(%1)"_s.arg(codes[i]));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), captions.at(i));
        EXPECT_TRUE(i % 4 ? b->y() == previous.y() && b->x() > previous.x()
                          : b->y() > previous.y());
        previous = b->pos();
        audio.clear();
        press(codes[i]);
        ASSERT_EQ(audio.events().size(), 4); // delay, tone, pause, finish
        EXPECT_EQ(audio.events()[1].frequency1, low[i / 4]);
        EXPECT_EQ(audio.events()[1].frequency2, high[i % 4]);
        EXPECT_DOUBLE_EQ(audio.events()[1].seconds, 0.06);
        EXPECT_EQ(pad->display(), captions.left(i + 1));
    }
    EXPECT_EQ(pad->findChildren<QPushButton*>().size(), 18); // the keypad, Clear and Exit
    EXPECT_TRUE(messages.calls.isEmpty());
}

TEST_F(TouchTonePadTest, TypedCharactersPlayTheirDigitOrNothingAfterTheInterdigitDelay) {
    // "d" is no digit (the digit is the upper-case letter); Return and Backspace show nothing.
    QTest::keyClicks(pad.get(), u"x5#*Dd "_s);
    QTest::keyClick(pad.get(), Qt::Key_Return);
    QTest::keyClick(pad.get(), Qt::Key_Backspace);
    // A key typed while a keypad button has the focus reaches the pad as well.
    button(u"cmdNum(1)"_s)->setFocus();
    QTest::keyClicks(button(u"cmdNum(1)"_s), u"9"_s);
    EXPECT_EQ(playedDigits(audio), u"5#*D9"_s);
    EXPECT_EQ(pad->display(), u"x5#*Dd 9"_s);
    EXPECT_EQ(pad->findChild<QLineEdit*>(u"txtNum"_s)->focusPolicy(), Qt::NoFocus);

    // Clear empties the display, Exit hides the pad; neither plays.
    audio.clear();
    QTest::mouseClick(button(u"Clear"_s), Qt::LeftButton);
    EXPECT_EQ(pad->display(), QString());
    QTest::mouseClick(button(u"Exit"_s), Qt::LeftButton);
    EXPECT_FALSE(pad->isVisible());
    pad->open();
    QTest::keyClick(pad.get(), Qt::Key_Escape);
    EXPECT_FALSE(pad->isVisible());
    EXPECT_TRUE(audio.events().isEmpty());

    // Each digit waits the interdigit delay first, read at every digit.
    settings.setDtmfDelay(u"150"_s);
    pad->open();
    QTest::keyClicks(pad.get(), u"x7"_s);
    // "x": its delay only; "7": delay, tone, the pause that keeps equal digits apart.
    QStringList heard;
    for (const auto& event : audio.events()) {
        heard << (event.kind == Kind::Pause      ? QString::number(event.milliseconds)
                  : event.kind == Kind::TonePair ? u"tone"_s
                                                 : u"finish"_s);
    }
    EXPECT_EQ(heard, (QStringList{u"150"_s, u"finish"_s, u"150"_s, u"tone"_s,
                                  QString::number(DtmfPlayer::MinimumPauseMs), u"finish"_s}));
}

// Keys pressed while a digit sounds follow in order. When the sound fails the person is told
// once while the pad stays open, not at every key, and what was queued is dropped.
TEST_F(TouchTonePadTest, KeysPressedWhileADigitSoundsFollowInOrderOrAreDroppedOnFailure) {
    audio.duringFirstTone = [&] {
        EXPECT_TRUE(pad->playing());
        press(2);
        QTest::keyClicks(pad.get(), u"3"_s);
        EXPECT_EQ(playedDigits(audio), u"1"_s); // the first digit still sounds
    };
    press(1);
    EXPECT_FALSE(pad->playing());
    EXPECT_EQ(playedDigits(audio), u"123"_s);
    EXPECT_EQ(pad->display(), u"123"_s);
    // The output is finished once, at the end.
    EXPECT_EQ(std::count_if(audio.events().begin(), audio.events().end(),
                            [](const auto& e) { return e.kind == Kind::Finish; }),
              1);
    EXPECT_EQ(audio.events().last().kind, Kind::Finish);

    audio.clear();
    audio.duringFirstTone = [&] {
        press(2);
        press(3);
        audio.setFailPlay(true);
    };
    press(1);
    press(5);
    press(6);
    EXPECT_EQ(messages.messageTexts(), QStringList{u"The recording output fails on purpose"_s});
    EXPECT_EQ(messages.calls.value(0).title, QString());
    EXPECT_EQ(messages.calls.value(0).icon, MessageIcon::Warning);
    EXPECT_FALSE(pad->playing());
    // Opened again, the pad tells again; a digit that plays ends the silence too.
    pad->exitPad();
    pad->open();
    press(8);
    audio.setFailPlay(false);
    press(7);
    // Tried: 2, 5, 6 and 8 failed; 3, queued behind the failure, was dropped.
    EXPECT_EQ(playedDigits(audio), u"125687"_s);
    audio.setFailPlay(true);
    press(9);
    EXPECT_EQ(messages.calls.size(), 3);
}

} // namespace
} // namespace kovo::testing
