#include "editors/editor_window.h"
#include "link/download.h"
#include "link_fixture.h"
#include "shell/download_window.h"

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>

namespace kovo::testing {
namespace {

class DownloadTest : public LinkWindowTest {
protected:
    // Puts `value` into the emulated controller's hang timer of `port`.
    void controllerHangTime(int port, int value) {
        TarsisMemory memory = emulator->memory();
        ASSERT_TRUE(
            memory.applySerialLine(QStringLiteral("%1*1000%2").arg(port).arg(value)).accepted);
        emulator->setMemory(memory);
    }

    bool runDownload() {
        QSignalSpy finished(window.get(), &KovoMain::downloadFinished);
        window->menuAction(QStringLiteral("mnuTarsisDownload"))->trigger();
        return finished.wait(60000) || finished.count() > 0;
    }
};

TEST_F(DownloadTest, ADownloadChangesTheTimersEditorsBoxes) {
    KovoMain& main = startOnEmulator();
    controllerHangTime(2, 77);
    ASSERT_EQ(main.editor(0)->control<QLineEdit>(QStringLiteral("HangTimer(2)"))->text(),
              db.value(u"HangTime", 2));
    ASSERT_NE(db.value(u"HangTime", 2), QStringLiteral("77"));

    DownloadWindow* progress = main.downloadWindow();
    int highest = 0;
    int maximum = 0;
    QString caption;
    bool shown = false;
    QObject::connect(&main.linkWorker().person(), &GuiOperator::progressed, progress,
                     [&](int, int, const QString&) {
                         shown = shown || progress->isVisible();
                         if (progress->caption() == DownloadText::Receiving) {
                             highest = qMax(highest, progress->progressBar()->value());
                             maximum = progress->progressBar()->maximum();
                             caption = progress->caption();
                         }
                     });
    messages.answers = {Answer::Yes, Answer::No}; // download: yes; Ostrik board: no
    ASSERT_TRUE(runDownload());

    EXPECT_EQ(main.lastDownload().outcome, DownloadOutcome::Done);
    EXPECT_EQ(main.lastDownload().chunks, 4096);
    EXPECT_TRUE(shown);
    EXPECT_EQ(caption, QStringLiteral("Downloading From Tarsis"));
    EXPECT_EQ(maximum, 4700);
    EXPECT_GE(highest, 4000);
    EXPECT_EQ(progress->windowTitle(), QStringLiteral("Downloading From Tarsis"));
    EXPECT_FALSE(progress->isVisible());
    ASSERT_EQ(messages.calls.size(), 3);
    EXPECT_EQ(messages.calls[0].text, DownloadText::Confirm);
    EXPECT_EQ(messages.calls[0].title, QStringLiteral("Confirm Download"));
    EXPECT_EQ(messages.calls[1].text, QStringLiteral("Download Complete! Do you have the Ostrik "
                                                     "(Autopatch Option) installed?"));
    EXPECT_EQ(messages.calls[1].title, QStringLiteral("Download from Ostrik"));
    EXPECT_EQ(messages.calls[2].text, QStringLiteral("You should save this download to a dat "
                                                     "file before proceeding further"));

    EXPECT_EQ(db.value(u"HangTime", 2), QStringLiteral("77"));
    // The editors were opened again and show the controller's values.
    EditorWindow* timers = main.editor(0);
    ASSERT_NE(timers, nullptr);
    EXPECT_EQ(timers->control<QLineEdit>(QStringLiteral("HangTimer(2)"))->text(),
              QStringLiteral("77"));
    EXPECT_TRUE(main.editor(0)->isEnabled());
    EXPECT_TRUE(main.menuAction(QStringLiteral("mnuTarsisUpload"))->isEnabled());
}

TEST_F(DownloadTest, EscapeCancelsAndLeavesTheDatabaseAlone) {
    KovoMain& main = startOnEmulator();
    controllerHangTime(2, 77);
    // Paced, so the download is still running when the queued Cancel click is handled: an
    // unpaced download can end first on a busy machine.
    EmulatorFaults paced;
    paced.paced = true;
    emulator->setFaults(paced);
    db.setPending(u"HangTimePending", 1);
    const Database before = db;
    const QStringList pendingBefore = db.pendingNames();

    DownloadWindow* progress = main.downloadWindow();
    QObject::connect(&main.linkWorker().person(), &GuiOperator::progressed, progress,
                     [&](int value, int, const QString&) {
                         if (value > 200)
                             progress->findChild<QPushButton*>(QStringLiteral("Cancel"))->click();
                     });
    messages.answers = {Answer::Yes};
    ASSERT_TRUE(runDownload());

    EXPECT_EQ(main.lastDownload().outcome, DownloadOutcome::Cancelled);
    EXPECT_LT(main.lastDownload().chunks, 4096);
    EXPECT_EQ(messages.messageTexts(),
              (QStringList{DownloadText::Confirm,
                           QStringLiteral("Download Canceled. Click OK to return to Kovo")}));
    EXPECT_TRUE(db.sameValues(before)) << qPrintable(db.differences(before).join(u'\n'));
    EXPECT_EQ(db.pendingNames(), pendingBefore);
    EXPECT_FALSE(progress->isVisible());
    EXPECT_NE(main.editor(0)->control<QLineEdit>(QStringLiteral("HangTimer(2)"))->text(),
              QStringLiteral("77"));
    auto* escape = progress->findChild<QPushButton*>(QStringLiteral("Cancel"));
    EXPECT_EQ(escape->text(), QStringLiteral("&Escape"));
}

TEST_F(DownloadTest, ALineLostMidDownloadIsNamedAndTheDatabaseKept) {
    KovoMain& main = startOnEmulator();
    main.linkWorker().setDownloadTiming(60, 0);
    controllerHangTime(2, 77);
    const Database before = db;
    EmulatorFaults drop;
    drop.dropAt = 300;
    emulator->setFaults(drop);
    messages.answers = {Answer::Yes};
    ASSERT_TRUE(runDownload());

    EXPECT_EQ(main.lastDownload().outcome, DownloadOutcome::TimedOut);
    EXPECT_EQ(messages.messageTexts(),
              (QStringList{DownloadText::Confirm, DownloadText::TimedOut,
                           QStringLiteral("The connection to Built-in Tarsis emulator was lost. "
                                          "Check your connections then try again")}));
    EXPECT_TRUE(db.sameValues(before));
    EXPECT_FALSE(main.downloadWindow()->isVisible());

    // Plugged in again, the next download goes through.
    emulator->setFaults({});
    messages.clear();
    messages.answers = {Answer::Yes, Answer::No};
    ASSERT_TRUE(runDownload());
    EXPECT_EQ(main.lastDownload().outcome, DownloadOutcome::Done);
    EXPECT_EQ(db.value(u"HangTime", 2), QStringLiteral("77"));
}

TEST_F(DownloadTest, DtmfModeIsRefusedBeforeAnythingIsSent) {
    KovoMain& main = startOnEmulator();
    settings->setComPort(QStringLiteral("0"));
    main.menuAction(QStringLiteral("mnuTarsisDownload"))->trigger();
    EXPECT_FALSE(main.linkWorker().busy());
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_EQ(messages.calls[0].text,
              QStringLiteral("You may not download from the Tarsis in DTMF Mode. Please change to "
                             "Serial Port Mode and try again"));
    EXPECT_EQ(messages.calls[0].title, QStringLiteral("Error!"));
    EXPECT_EQ(emulator->exchangeCount(), 0);
}

} // namespace
} // namespace kovo::testing
