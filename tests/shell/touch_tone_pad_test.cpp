#include "database/program_settings.h"
#include "editors/recording_message_service.h"
#include "link/dtmf_digits.h"
#include "link/recording_audio_output.h"
#include "shell/touch_tone_pad.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace kovo::testing {
namespace {

using Kind = RecordingAudioOutput::Event::Kind;

class TouchTonePadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        setDtmfDelay("0");
    }

    void setDtmfDelay(const QByteArray& ms) {
        QFile ini(home.filePath(QStringLiteral("kovo.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[Main]\r\nDTMFDelay=" + ms + "\r\n");
        ini.close();
        settings = std::make_unique<ProgramSettings>(home.path());
        settings->load();
    }

    TouchTonePad& makePad() {
        pad = std::make_unique<TouchTonePad>(audio, *settings, messages);
        pad->open();
        return *pad;
    }

    QPushButton* button(const QString& name) const { return pad->findChild<QPushButton*>(name); }

    // The tone pairs played, as "low+high".
    QStringList tones() const {
        QStringList out;
        for (const auto& event : audio.events()) {
            if (event.kind == Kind::TonePair)
                out << QStringLiteral("%1+%2").arg(event.frequency1).arg(event.frequency2);
        }
        return out;
    }

    QTemporaryDir home;
    std::unique_ptr<ProgramSettings> settings;
    RecordingAudioOutput audio;
    RecordingMessageService messages;
    std::unique_ptr<TouchTonePad> pad;
};

TEST_F(TouchTonePadTest, HashButtonPlaysItsPairAndShowsItsCaption) {
    TouchTonePad& p = makePad();
    EXPECT_EQ(p.windowTitle(), QStringLiteral("DTMF Dialer"));
    QTest::mouseClick(button(QStringLiteral("cmdNum(12)")), Qt::LeftButton);
    EXPECT_EQ(tones(), QStringList{QStringLiteral("941+1477")});
    EXPECT_EQ(p.display(), QStringLiteral("#"));
    ASSERT_FALSE(audio.events().isEmpty());
    EXPECT_DOUBLE_EQ(audio.events().at(1).seconds, 0.06);
    EXPECT_TRUE(messages.calls.isEmpty());
}

TEST_F(TouchTonePadTest, EveryButtonPlaysItsDigitInKeypadOrder) {
    TouchTonePad& p = makePad();
    struct Key {
        const char* name;
        const char* caption;
        int low;
        int high;
    };
    // Row by row, as the pad lays them out.
    const Key keys[] = {
        {"cmdNum(1)", "1", 697, 1209},  {"cmdNum(2)", "2", 697, 1336},
        {"cmdNum(3)", "3", 697, 1477},  {"cmdNum(13)", "A", 697, 1633},
        {"cmdNum(4)", "4", 770, 1209},  {"cmdNum(5)", "5", 770, 1336},
        {"cmdNum(6)", "6", 770, 1477},  {"cmdNum(14)", "B", 770, 1633},
        {"cmdNum(7)", "7", 852, 1209},  {"cmdNum(8)", "8", 852, 1336},
        {"cmdNum(9)", "9", 852, 1477},  {"cmdNum(15)", "C", 852, 1633},
        {"cmdNum(11)", "*", 941, 1209}, {"cmdNum(0)", "0", 941, 1336},
        {"cmdNum(12)", "#", 941, 1477}, {"cmdNum(16)", "D", 941, 1633},
    };
    QString shown;
    int previousRow = -1;
    int previousX = 0;
    for (int i = 0; i < 16; ++i) {
        const Key& key = keys[i];
        QPushButton* b = button(QString::fromLatin1(key.name));
        ASSERT_NE(b, nullptr) << key.name;
        EXPECT_EQ(b->text(), QString::fromLatin1(key.caption)) << key.name;
        // Four to a row, left to right.
        if (i % 4 == 0) {
            EXPECT_GT(b->y(), previousRow) << key.name;
            previousRow = b->y();
        } else {
            EXPECT_EQ(b->y(), previousRow) << key.name;
            EXPECT_GT(b->x(), previousX) << key.name;
        }
        previousX = b->x();

        audio.clear();
        QTest::mouseClick(b, Qt::LeftButton);
        EXPECT_EQ(tones(), QStringList{QStringLiteral("%1+%2").arg(key.low).arg(key.high)})
            << key.name;
        shown += QString::fromLatin1(key.caption);
        EXPECT_EQ(p.display(), shown);
    }
    EXPECT_EQ(p.findChildren<QPushButton*>().size(), 18); // the keypad, Clear and Exit
}

TEST_F(TouchTonePadTest, TypedCharactersPlayTheirDigitOrNothing) {
    TouchTonePad& p = makePad();
    struct Typed {
        char key;
        const char* tones; // empty: nothing played
    };
    const Typed cases[] = {
        {'x', ""},         {'5', "770+1336"}, {'#', "941+1477"},
        {'*', "941+1209"}, {'D', "941+1633"}, {'d', ""}, // the digit is the upper-case letter
        {' ', ""},
    };
    QString shown;
    for (const Typed& typed : cases) {
        audio.clear();
        QTest::keyClicks(&p, QString(QLatin1Char(typed.key)));
        const QStringList expected =
            *typed.tones ? QStringList{QString::fromLatin1(typed.tones)} : QStringList{};
        EXPECT_EQ(tones(), expected) << typed.key;
        shown += QLatin1Char(typed.key);
        EXPECT_EQ(p.display(), shown) << typed.key;
    }
    // keys that are not characters neither play nor show anything.
    audio.clear();
    QTest::keyClick(&p, Qt::Key_Return);
    QTest::keyClick(&p, Qt::Key_Backspace);
    EXPECT_TRUE(audio.events().isEmpty());
    EXPECT_EQ(p.display(), shown);
    // A key typed while a keypad button has the focus reaches the pad as well.
    audio.clear();
    QPushButton* one = button(QStringLiteral("cmdNum(1)"));
    one->setFocus();
    QTest::keyClicks(one, QStringLiteral("9"));
    EXPECT_EQ(tones(), QStringList{QStringLiteral("852+1477")});
    shown += QLatin1Char('9');
    EXPECT_EQ(p.display(), shown);
    // The display cannot be typed into: keys go to the pad.
    EXPECT_EQ(p.findChild<QLineEdit*>(QStringLiteral("txtNum"))->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(messages.calls.isEmpty());
}

TEST_F(TouchTonePadTest, EachDigitWaitsTheInterdigitDelayFirst) {
    setDtmfDelay("150");
    makePad();
    QTest::keyClicks(pad.get(), QStringLiteral("x7"));
    const QList<RecordingAudioOutput::Event>& events = audio.events();
    // "x": its delay only; "7": delay, tone, the pause that keeps equal digits apart. The sound
    // is let finish after each key.
    ASSERT_EQ(events.size(), 6);
    EXPECT_EQ(events[0].kind, Kind::Pause);
    EXPECT_EQ(events[0].milliseconds, 150);
    EXPECT_EQ(events[1].kind, Kind::Finish);
    EXPECT_EQ(events[2].kind, Kind::Pause);
    EXPECT_EQ(events[2].milliseconds, 150);
    EXPECT_EQ(events[3].kind, Kind::TonePair);
    EXPECT_EQ(events[4].kind, Kind::Pause);
    EXPECT_EQ(events[4].milliseconds, DtmfPlayer::MinimumPauseMs);
    EXPECT_EQ(events[5].kind, Kind::Finish);
}

TEST_F(TouchTonePadTest, ClearEmptiesTheDisplayAndExitHidesThePad) {
    TouchTonePad& p = makePad();
    QTest::keyClicks(&p, QStringLiteral("12#"));
    EXPECT_EQ(p.display(), QStringLiteral("12#"));
    QTest::mouseClick(button(QStringLiteral("Clear")), Qt::LeftButton);
    EXPECT_EQ(p.display(), QString());
    EXPECT_TRUE(p.isVisible());
    audio.clear();
    QTest::mouseClick(button(QStringLiteral("Exit")), Qt::LeftButton);
    EXPECT_FALSE(p.isVisible());
    EXPECT_EQ(tones(), QStringList{}); // Clear and Exit play nothing
    p.open();
    EXPECT_TRUE(p.isVisible());
}

TEST_F(TouchTonePadTest, SoundThatCannotPlayIsToldOncePerKey) {
    TouchTonePad& p = makePad();
    audio.setFailPlay(true);
    QTest::mouseClick(button(QStringLiteral("cmdNum(5)")), Qt::LeftButton);
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_EQ(messages.calls[0].text, QStringLiteral("The recording output fails on purpose"));
    EXPECT_EQ(messages.calls[0].title, QString());
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(p.playing());
    // The pad is still usable once the sound is back.
    audio.setFailPlay(false);
    audio.clear();
    QTest::mouseClick(button(QStringLiteral("cmdNum(5)")), Qt::LeftButton);
    EXPECT_EQ(tones(), QStringList{QStringLiteral("770+1336")});
    EXPECT_EQ(messages.calls.size(), 1);
}

// An output whose first tone lets window events run, as the sound card's waits do.
class EventRunningOutput : public RecordingAudioOutput {
public:
    bool playTonePair(int frequency1, int frequency2, double seconds) override {
        const bool ok = RecordingAudioOutput::playTonePair(frequency1, frequency2, seconds);
        if (duringFirstTone) {
            auto run = std::move(duringFirstTone);
            duringFirstTone = nullptr;
            run();
        }
        return ok;
    }
    std::function<void()> duringFirstTone;
};

TEST_F(TouchTonePadTest, KeysPressedWhileADigitSoundsFollowInOrder) {
    EventRunningOutput output;
    TouchTonePad p(output, *settings, messages);
    p.open();
    output.duringFirstTone = [&] {
        EXPECT_TRUE(p.playing());
        QTest::mouseClick(p.findChild<QPushButton*>(QStringLiteral("cmdNum(2)")), Qt::LeftButton);
        QTest::keyClicks(&p, QStringLiteral("3"));
        // Nothing of them sounds yet: the first digit is still playing.
        EXPECT_EQ(output.events().size(), 2);
    };
    QTest::mouseClick(p.findChild<QPushButton*>(QStringLiteral("cmdNum(1)")), Qt::LeftButton);
    EXPECT_FALSE(p.playing());
    QStringList played;
    for (const auto& event : output.events()) {
        if (event.kind == Kind::TonePair)
            played << QString(
                QLatin1Char(dtmfCharacterForTones(event.frequency1, event.frequency2)));
    }
    EXPECT_EQ(played, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    EXPECT_EQ(p.display(), QStringLiteral("123"));
    // Each digit is whole: delay, tone, pause; the output is finished once, at the end.
    EXPECT_EQ(output.events().last().kind, Kind::Finish);
    int finishes = 0;
    for (const auto& event : output.events())
        finishes += event.kind == Kind::Finish ? 1 : 0;
    EXPECT_EQ(finishes, 1);
}

} // namespace
} // namespace kovo::testing
