#include "link/recording_audio_output.h"
#include "link_fixture.h"
#include "shell/manual_send_window.h"
#include "shell/touch_tone_pad.h"

#include <QAction>
#include <QLineEdit>

namespace kovo::testing {
namespace {

using LinkMenusTest = LinkWindowTest;

TEST_F(LinkMenusTest, ManualSendGoesThroughTheLinkThreadToTheController) {
    KovoMain& main = startOnEmulator();
    main.menuAction(QStringLiteral("MnuManualData"))->trigger();
    ManualSendWindow* manual = main.manualSendWindow();
    ASSERT_TRUE(manual->isVisible());
    EXPECT_EQ(manual->windowTitle(), QStringLiteral("Manual Send Data To Tarsis"));
    auto* box = manual->findChild<QLineEdit*>(QStringLiteral("ManualSendData"));
    ASSERT_NE(box, nullptr);
    QTest::keyClicks(box, QStringLiteral("1*1000500"));
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manual->sending(); }, 30000));
    ASSERT_TRUE(waitIdle());

    // Received exactly as typed; the controller refuses a hang time of 500 (0 to 255), and the
    // answer is judged and told.
    EXPECT_EQ(emulator->receivedLines(), QStringList{QStringLiteral("1*1000500")});
    EXPECT_TRUE(emulator->acceptedLines().isEmpty());
    ASSERT_EQ(messages.messageTexts().size(), 1);
    EXPECT_TRUE(messages.messageTexts()[0].startsWith(
        QStringLiteral("There has been an error. The Tarsis returned -")));
    EXPECT_EQ(box->text(), QString());
    EXPECT_TRUE(main.linkWorker().portOpen());

    // An acceptable line is acknowledged without a word.
    messages.clear();
    QTest::keyClicks(box, QStringLiteral("1*100050"));
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manual->sending(); }, 30000));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(emulator->acceptedLines(), QStringList{QStringLiteral("1*100050")});
    EXPECT_TRUE(messages.calls.isEmpty()) << qPrintable(messages.messageTexts().join(u'|'));

    // Close closes the port and keeps the placement in section Manualsend.
    manual->findChild<QPushButton*>(QStringLiteral("Close"))->click();
    ASSERT_TRUE(waitIdle());
    EXPECT_FALSE(main.linkWorker().portOpen());
    EXPECT_TRUE(settings->placement(QStringLiteral("Manualsend")).present);
}

TEST_F(LinkMenusTest, ThePadPlaysItsKeysOnTheChosenOutput) {
    KovoMain& main = startWithSample();
    auto output = std::make_shared<RecordingAudioOutput>();
    main.setPadAudioOutput(output);
    main.menuAction(QStringLiteral("MnuTestPad"))->trigger();
    TouchTonePad* pad = main.touchTonePad();
    ASSERT_TRUE(pad->isVisible());
    EXPECT_EQ(pad->windowTitle(), QStringLiteral("DTMF Dialer"));

    pad->findChild<QPushButton*>(QStringLiteral("cmdNum(12)"))->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pad->playing(); }, 10000));
    QList<QPair<int, int>> tones;
    for (const RecordingAudioOutput::Event& event : output->events()) {
        if (event.kind == RecordingAudioOutput::Event::Kind::TonePair)
            tones.append({event.frequency1, event.frequency2});
    }
    EXPECT_EQ(tones, (QList<QPair<int, int>>{{941, 1477}}));
    EXPECT_EQ(pad->display(), QStringLiteral("#"));

    output->clear();
    QTest::keyClick(pad, Qt::Key_X);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pad->playing(); }, 10000));
    for (const RecordingAudioOutput::Event& event : output->events())
        EXPECT_NE(event.kind, RecordingAudioOutput::Event::Kind::TonePair);
    // The pad plays locally: nothing goes over the link.
    EXPECT_FALSE(main.linkWorker().portOpen());
}

} // namespace
} // namespace kovo::testing
