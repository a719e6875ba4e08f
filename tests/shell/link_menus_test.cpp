#include "link/pty_emulator.h"
#include "shell/manual_send_window.h"
#include "shell/touch_tone_pad.h"
#include "shell_fixture.h"

namespace kovo::testing {
namespace {

using LinkMenusTest = ShellTest;

// The line goes from the menu's window through the link thread and a real pseudo-terminal to
// the emulated controller, and its answer comes back into the transcript.
TEST_F(LinkMenusTest, ManualSendGoesThroughTheLinkThreadToTheController) {
    test::PtyEmulator pty;
    KovoMain& main = startWithSample();
    settings->setComPort(pty.port());
    main.linkWorker().setAnswerTimeoutMs(5000);
    main.menuAction(u"MnuManualData"_s)->trigger();
    ManualSendWindow* manual = main.manualSendWindow();
    ASSERT_TRUE(manual->isVisible());
    auto* box = manual->findChild<QLineEdit*>(u"ManualSendData"_s);
    ASSERT_NE(box, nullptr);
    for (const char* line : {"1*1000500", "2*100030"}) {
        QTest::keyClicks(box, QString::fromLatin1(line));
        QTest::keyClick(box, Qt::Key_Return);
        // Enter returned at once: the answer can only come through the event queue.
        EXPECT_TRUE(manual->sending());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !manual->sending(); }, 30000));
        ASSERT_TRUE(waitIdle());
    }
    EXPECT_EQ(pty.emulator().receivedLines(), (QStringList{u"1*1000500"_s, u"2*100030"_s}));
    EXPECT_EQ(manual->transcript(), u"1*1000500   -value above 255\n2*100030   +"_s);
    EXPECT_EQ(messages.messageTexts(),
              QStringList{u"There has been an error. The Tarsis returned -value above 255    "_s});
    EXPECT_EQ(box->text(), QString());
    EXPECT_TRUE(main.linkWorker().portOpen());

    // Escape closes the window and the port, and keeps the placement in section Manualsend.
    QTest::keyClick(box, Qt::Key_Escape);
    ASSERT_TRUE(waitIdle());
    EXPECT_FALSE(manual->isVisible());
    EXPECT_FALSE(main.linkWorker().portOpen());
    EXPECT_TRUE(settings->placement(u"Manualsend"_s).present);
}

TEST_F(LinkMenusTest, ThePadPlaysOnTheChosenOutputAndEscapeClosesIt) {
    KovoMain& main = startWithSample();
    auto output = std::make_shared<RecordingAudioOutput>();
    main.setPadAudioOutput(output);
    main.menuAction(u"MnuTestPad"_s)->trigger();
    TouchTonePad* pad = main.touchTonePad();
    ASSERT_TRUE(pad->isVisible());
    EXPECT_EQ(pad->windowTitle(), u"DTMF Dialer"_s);
    pad->findChild<QPushButton*>(u"cmdNum(12)"_s)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pad->playing(); }, 10000));
    EXPECT_EQ(playedDigits(*output), u"#"_s);
    // The pad plays locally: nothing goes over the link.
    EXPECT_FALSE(main.linkWorker().portOpen());
    QTest::keyClick(pad, Qt::Key_Escape);
    EXPECT_FALSE(pad->isVisible());
}

// What was downloaded is in no file yet: the title marks it and Exit asks before it is lost.
TEST_F(LinkMenusTest, ADownloadCountsAsUnsaved) {
    KovoMain& main = startOnEmulator();
    ASSERT_FALSE(main.isWindowModified());
    messages.answers = {Answer::Yes, Answer::No}; // download: yes; Ostrik board: no
    ASSERT_TRUE(runDownload());
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_TRUE(main.isWindowModified());
    messages.clear();
    main.close(); // Cancel (the unscripted answer) keeps the program
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_EQ(messages.calls[0].text, KovoMain::saveQuestion());
    EXPECT_FALSE(main.programEnded());
}

} // namespace
} // namespace kovo::testing
