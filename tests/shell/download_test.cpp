#include "link/download.h"
#include "shell/download_window.h"
#include "shell_fixture.h"

namespace kovo::testing {
namespace {

class DownloadTest : public ShellTest {
protected:
    // Puts `value` into the emulated controller's hang timer of `port`.
    void controllerHangTime(int port, int value) {
        TarsisMemory memory = emulator->memory();
        ASSERT_TRUE(memory.applySerialLine(u"%1*1000%2"_s.arg(port).arg(value)).accepted);
        emulator->setMemory(memory);
    }
};

TEST_F(DownloadTest, ADownloadChangesTheTimersEditorsBoxes) {
    KovoMain& main = startOnEmulator();
    controllerHangTime(2, 77);
    ASSERT_NE(db.value(u"HangTime", 2), u"77"_s);
    DownloadWindow* progress = main.downloadWindow();
    int highest = 0;
    QString shown; // caption, maximum and link while receiving
    QObject::connect(&main.linkWorker().person(), &GuiOperator::progressed, progress,
                     [&](int, int, const QString&) {
                         if (!progress->isVisible())
                             return;
                         highest = qMax(highest, progress->progressBar()->value());
                         shown = u"%1 %2 %3"_s.arg(progress->caption())
                                     .arg(progress->progressBar()->maximum())
                                     .arg(progress->linkText());
                     });
    bool shownAtQuestion = true; // the window hides before the questions that follow
    messages.onCall = [&](const RecordingMessageService::Call& call) {
        if (call.title == u"Download from Ostrik"_s)
            shownAtQuestion = progress->isVisible();
    };
    messages.answers = {Answer::Yes, Answer::No}; // download: yes; Ostrik board: no
    ASSERT_TRUE(runDownload());
    EXPECT_FALSE(shownAtQuestion);

    EXPECT_EQ(main.lastDownload().chunks, 4096);
    EXPECT_EQ(shown, u"Downloading From Tarsis 4700 Link: Built-in Tarsis emulator "
                     "(no radio)"_s);
    EXPECT_GE(highest, 4000);
    EXPECT_FALSE(progress->isVisible());
    EXPECT_EQ(boxes(),
              (QStringList{u"Confirm Download|"_s + DownloadText::Confirm,
                           u"Download from Ostrik|Download Complete! Do you have the Ostrik "
                           "(Autopatch Option) installed?"_s,
                           u"|You should save this download to a dat "
                           "file before proceeding further"_s}));
    // The editors were opened again and show the controller's values.
    EXPECT_EQ(main.editor(0)->control<QLineEdit>(u"HangTimer(2)"_s)->text(), u"77"_s);
    EXPECT_TRUE(item("mnuTarsisUpload")->isEnabled());
    // What was downloaded is in no file yet: the title marks it.
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_TRUE(main.isWindowModified());
}

// Escape, or a line lost on the way, ends the download and leaves the database as it was; the
// next download goes through.
TEST_F(DownloadTest, EscapeOrALostLineLeavesTheDatabaseAlone) {
    for (const bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "escape" : "line lost");
        window.reset();
        messages.clear();
        KovoMain& main = startOnEmulator();
        main.linkWorker().setDownloadTiming(60, 0);
        controllerHangTime(2, 77);
        EmulatorFaults faults;
        faults.paced = escape; // still running when the queued click is handled
        faults.dropAt = escape ? 0 : 300;
        emulator->setFaults(faults);
        db.setPending(u"HangTimePending", 1);
        const Database before = db;
        DownloadWindow* progress = main.downloadWindow();
        auto* cancel = progress->findChild<QPushButton*>(u"Cancel"_s);
        EXPECT_EQ(cancel->text(), u"&Escape"_s);
        bool armed = escape;
        QObject::connect(&main.linkWorker().person(), &GuiOperator::progressed, progress,
                         [&](int value, int, const QString&) {
                             if (armed && value > 200)
                                 cancel->click();
                         });
        messages.answers = {Answer::Yes};
        ASSERT_TRUE(runDownload());

        EXPECT_EQ(main.lastDownload().outcome,
                  escape ? DownloadOutcome::Cancelled : DownloadOutcome::TimedOut);
        const QString ended =
            escape ? u"Download Canceled. Click OK to return to Kovo"_s : DownloadText::TimedOut;
        QStringList told{DownloadText::Confirm, ended};
        if (!escape)
            told << u"The connection to Built-in Tarsis emulator was lost. Check "
                    "your connections then try again"_s;
        EXPECT_EQ(messages.messageTexts(), told);
        EXPECT_TRUE(db.sameValues(before)) << qPrintable(db.differences(before).join(u'\n'));
        EXPECT_EQ(db.pendingNames(), before.pendingNames());
        EXPECT_FALSE(progress->isVisible());

        armed = false;
        emulator->setFaults({});
        messages.answers = {Answer::Yes, Answer::No};
        ASSERT_TRUE(runDownload());
        EXPECT_EQ(db.value(u"HangTime", 2), u"77"_s);
    }
}

} // namespace
} // namespace kovo::testing
