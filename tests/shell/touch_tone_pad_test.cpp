#include "shell/touch_tone_pad.h"
#include "shell_fixture.h"

#include <functional>

namespace kovo::testing {
namespace {

using Kind = RecordingAudioOutput::Event::Kind;

// An output that lets the person press keys while its first tone sounds, as the sound card's
// waits run window events.
class EventRunningOutput : public RecordingAudioOutput {
public:
    bool playTonePair(int frequency1, int frequency2, double seconds) override {
        const bool ok = RecordingAudioOutput::playTonePair(frequency1, frequency2, seconds);
        if (duringFirstTone)
            std::exchange(duringFirstTone, nullptr)();
        return ok;
    }
    std::function<void()> duringFirstTone;
};

// The pad over a temporary program folder, its DTMFDelay 0.
class TouchTonePadTest : public ::testing::Test {
protected:
    void SetUp() override { pad->open(); }

    QPushButton* button(const QString& name) const { return pad->findChild<QPushButton*>(name); }
    void press(int code) { QTest::mouseClick(button(u"cmdNum(%1)"_s.arg(code)), Qt::LeftButton); }

    QTemporaryDir home;
    ProgramSettings settings{home.path()};
    EventRunningOutput audio;
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
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_EQ(messages.calls[0].text, u"The recording output fails on purpose"_s);
    EXPECT_EQ(messages.calls[0].title, QString());
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::Warning);
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
