// The upload and download windows over the built-in emulator: what they show while a transfer
// runs, how one is stopped, and what the database keeps when it goes wrong.
#include "link/command_set.h"
#include "link/download.h"
#include "shell/download_window.h"
#include "shell/window_placement.h"
#include "shell_fixture.h"

#include <QHostAddress>
#include <QTcpServer>

namespace kovo::testing {
namespace {

using UploadWindowTest = ShellTest;

const QString CompleteQuestion =
    u"Are you sure you want to update your complete configuration? It could take some time"_s;
const QString LostText = u"The connection to Built-in Tarsis emulator was lost. Check your "
                         "connections then try again"_s;

// The window names its link, follows a complete upload to 722 of 724 with Interrupt enabled
// exactly while it runs and no other transfer startable, and Close keeps its geometry.
TEST_F(UploadWindowTest, CompleteUploadRunsTheBarTo722WithInterruptEnabledOnlyMeanwhile) {
    KovoMain& main = startOnEmulator();
    UploadWindow& upload = openUploadWindow();
    EXPECT_EQ(upload.windowTitle(), u"Send To Tarsis"_s);
    for (const auto& [name, caption] : {std::pair{"Complete", "&Send Complete Config"},
                                        {"Update", "&Update Changes Only"},
                                        {"Interrupt", "&Interrupt Upload"},
                                        {"Close", "&Close"}})
        EXPECT_EQ(button(QLatin1String(name))->text(), QLatin1String(caption));
    EXPECT_EQ(upload.linkText(), u"Link: Built-in Tarsis emulator (no radio)"_s);
    EXPECT_FALSE(button(u"Interrupt"_s)->isEnabled());
    EXPECT_FALSE(upload.progressBar()->isVisible());
    EXPECT_TRUE(main.linkWorker().portOpen());

    int highest = 0;
    QString percentAtHighest;
    QStringList busyProblems;
    QObject::connect(
        &main.linkWorker().person(), &GuiOperator::progressed, &upload,
        [&](int, int, const QString&) {
            if (upload.progressBar()->value() > highest && upload.progressBar()->isVisible()) {
                highest = upload.progressBar()->value();
                percentAtHighest = upload.percentLabel()->text();
            }
            for (const char* name : {"mnuTarsisUpload", "mnuTarsisDownload", "MnuManualData"}) {
                if (main.menuAction(QLatin1String(name))->isEnabled())
                    busyProblems << QLatin1String(name);
            }
            if (button(u"Complete"_s)->isEnabled() || !button(u"Interrupt"_s)->isEnabled())
                busyProblems << u"buttons"_s;
        });
    messages.answers = {Answer::Yes};
    clickAndWait(u"Complete"_s);

    EXPECT_EQ(highest, 722);
    EXPECT_EQ(percentAtHighest, u"100% Complete"_s);
    EXPECT_TRUE(busyProblems.isEmpty()) << qPrintable(busyProblems.join(u' '));
    EXPECT_EQ(boxes(), (QStringList{u"Send Complete Configuration|"_s + CompleteQuestion,
                                    u"|Complete Upload Is Complete. The "
                                    "Tarsis will now reset."_s}));
    // The window resets its bar, hides the percentage reading 0 and hides itself.
    EXPECT_EQ(upload.progressBar()->value(), 0);
    EXPECT_FALSE(upload.percentLabel()->isVisible());
    EXPECT_EQ(upload.percentLabel()->text(), u"0% Complete"_s);
    EXPECT_FALSE(upload.isVisible());
    EXPECT_FALSE(button(u"Interrupt"_s)->isEnabled());
    EXPECT_TRUE(button(u"Complete"_s)->isEnabled());
    // One count: every line the controller read, the closing reset included.
    const QStringList lines = emulator->receivedLines();
    EXPECT_EQ(lines.constLast(), u"1*21999"_s);
    EXPECT_EQ(upload.lastResult().commandsSent, lines.size());

    upload.setGeometry(QRect(140, 120, 480, 200));
    clickAndWait(u"Close"_s);
    EXPECT_FALSE(main.linkWorker().portOpen());
    EXPECT_EQ(reachablePlacement(settings->placement(u"Update"_s), {}), upload.geometry());
}

// Interrupt, and Exit, stop a running upload after the command under way and close the port.
TEST_F(UploadWindowTest, InterruptOrExitStopsAfterTheCurrentCommand) {
    for (const bool exit : {false, true}) {
        SCOPED_TRACE(exit ? "exit" : "interrupt");
        window.reset();
        KovoMain& main = startOnEmulator();
        UploadWindow& upload = openUploadWindow();
        // Paced, so the upload still runs when the queued progress arrives.
        emulator->setFaults(*EmulatorFaults::parse(u"pace"_s));
        int sentAtStop = -1;
        QObject::connect(&main.linkWorker().person(), &GuiOperator::progressed, &upload,
                         [&](int value, int, const QString&) {
                             if (value < 20 || sentAtStop >= 0)
                                 return;
                             sentAtStop = emulator->exchangeCount();
                             if (exit)
                                 EXPECT_TRUE(main.fileExit());
                             else
                                 button(u"Interrupt"_s)->click();
                         });
        messages.answers = {Answer::Yes, Answer::Yes};
        button(u"Complete"_s)->click();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return sentAtStop >= 0 && !main.linkWorker().busy(); }, 60000));
        QTest::qWait(100);

        // At most the rest of the item under way (a few lines) follows; never the reset.
        EXPECT_LE(emulator->exchangeCount() - sentAtStop, 4);
        EXPECT_FALSE(emulator->receivedLines().contains(u"1*21999"_s));
        EXPECT_FALSE(main.linkWorker().portOpen());
        if (exit) {
            EXPECT_TRUE(main.linkWorker().isShutDown());
            EXPECT_EQ(messages.messageTexts(), QStringList{CompleteQuestion});
            continue;
        }
        EXPECT_EQ(upload.lastResult().outcome, UploadOutcome::Interrupted);
        EXPECT_EQ(boxes(),
                  (QStringList{u"Send Complete Configuration|"_s + CompleteQuestion,
                               u"Interrupt Update|Are you sure you want to interrupt the "
                               "update?"_s,
                               u"Wait|Please wait while I finish the current operation"_s}));
        EXPECT_FALSE(upload.isVisible());
        EXPECT_EQ(upload.progressBar()->value(), 0);
        EXPECT_EQ(upload.percentLabel()->text(), u"0% Complete"_s);
        EXPECT_FALSE(button(u"Interrupt"_s)->isEnabled());
    }
}

// Words the controller cannot take are named before anything is sent or keyed. An upload that
// is refused, or loses its sound, says so and keeps the item under way pending; a transmitter
// that cannot be keyed stops it before a tone. Tones follow the key-up delay, and nothing goes
// over the serial line.
TEST_F(UploadWindowTest, WordsLeftOutAndLostSoundAreTold) {
    const QString leftOut = u"CWID1(2): \".\" is not in the Tarsis's tables and is left out\n"
                            "MessageMacro(3): \"STAND\" is not in the Tarsis's tables and is left "
                            "out\n\nThe rest of each item is sent. Correct these items in their "
                            "editors to send them whole."_s;
    QTcpServer network; // a port whose lines cannot be driven
    ASSERT_TRUE(network.listen(QHostAddress::LocalHost));
    const QString networkPort = u"tcp://127.0.0.1:%1"_s.arg(network.serverPort());
    const QString emulatorPort = ChannelFactory::builtInEmulatorName();
    const QString stopped = u"The recording output fails on purpose. The upload stopped"_s;
    const QString both = u"CWID1Pending(2) MessageMacroPending(3)"_s;
    const QString macro = u"MessageMacroPending(3)"_s;
    enum Sound { Works, None, LostAfterFirst };
    struct Case {
        const char* name;
        const char* fault;
        QString keyingPort; // tones keyed by RTS there; none: over the serial line
        Sound sound;
        QString last;
        QString pendingAfter;
        int accepted;
        bool shown; // the window stays up
    };
    const Case cases[] = {
        {"serial", "", {}, Works, u"Update Complete"_s, {}, 2, false},
        // A refusal ends the upload where it stands; its item keeps its flag.
        {"refused", "nak:2", {}, Works, refusedText(u"-Refused"_s), macro, 1, true},
        {"tones", "", emulatorPort, Works, u"Update Complete"_s, {}, 0, false},
        {"keying fails", "", networkPort, Works, keyingFailureText(networkPort), both, 0, true},
        {"no sound", "", u"0"_s, None, stopped + u" before anything was sent."_s, both, 0, true},
        // The CW ID plays whole; the sound goes in the message macro's unlock part.
        {"sound lost", "", u"0"_s, LostAfterFirst,
         stopped + u": the command being played and those after it were not sent."_s, macro, 0,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        KovoMain& main = startOnEmulator();
        db.setValue(u"CWID1", 2, u"W 1 ."_s);
        db.setPending(u"CWID1Pending", 2);
        db.setValue(u"MessageMacro", 3, u"PLEASE STAND BY"_s);
        db.setPending(u"MessageMacroPending", 3);
        auto output = std::make_shared<ScriptedOutput>();
        output->setFailPlay(c.sound == None);
        if (c.sound == LostAfterFirst) {
            const Command first = buildCommand(db, CommandItem::CWID1, 2);
            output->failFrom =
                int(first.dtmfUnlock.size() + first.dtmfBody.size() + first.dtmfLock.size()) + 2;
        }
        main.linkWorker().setAudioFactory([output] { return output; });
        const bool tones = !c.keyingPort.isEmpty();
        if (tones) {
            settings->setComPort(u"0"_s);
            settings->setDtmfComPort(c.keyingPort);
            settings->setWhichSend(u"2"_s);
            settings->setTxTemp(u"300"_s);
        }
        UploadWindow& upload = openUploadWindow();
        emulator->setFaults(*EmulatorFaults::parse(QLatin1String(c.fault)));
        const int exchangesBefore = emulator->exchangeCount();
        bool toldFirst = false;
        messages.onCall = [&](const RecordingMessageService::Call& call) {
            if (call.title == u"Words Left Out"_s)
                toldFirst = output->tones == 0 && emulator->exchangeCount() == exchangesBefore;
        };
        clickAndWait(u"Update"_s);
        messages.onCall = nullptr;

        EXPECT_EQ(messages.messageTexts(), (QStringList{leftOut, c.last}));
        EXPECT_TRUE(toldFirst);
        EXPECT_EQ(db.pendingNames().join(u' '), c.pendingAfter);
        EXPECT_EQ(emulator->acceptedLines().size(), c.accepted);
        // One exchange a command over the serial line; none at all with tones.
        EXPECT_EQ(emulator->exchangeCount() - exchangesBefore, tones ? 0 : 2);
        // The key-up delay comes before the first tone.
        EXPECT_EQ(output->events().value(0).milliseconds, output->tones ? 300 : 0);
        EXPECT_EQ(upload.isVisible(), c.shown);
        EXPECT_FALSE(upload.progressBar()->isVisible()); // changes only
        EXPECT_FALSE(button(u"Interrupt"_s)->isEnabled());
    }
}

// A port that cannot be opened is named and nothing changes; a line dropped mid-transfer ends
// the upload with what went out cleared, and the next upload sends the rest.
TEST_F(UploadWindowTest, APortThatCannotBeOpenedOrALineDroppedKeepWhatWasNotSent) {
    KovoMain& main = startOnEmulator();
    const QString port = path(u"no-such-adapter"_s);
    settings->setComPort(port);
    for (int n = 1; n <= 3; ++n) { // three changed hang timers
        db.setValue(u"HangTime", n, QString::number(60 + n));
        db.setPending(u"HangTimePending", n);
    }
    const Database before = db;
    const QString unplugged = port + u" cannot be opened: there is no such port. Check the port "
                                     "and your connections, then try again"_s;

    UploadWindow& upload = openUploadWindow();
    EXPECT_EQ(messages.messageTexts(), QStringList{unplugged});
    EXPECT_FALSE(main.linkWorker().portOpen());
    clickAndWait(u"Update"_s);
    EXPECT_EQ(upload.lastResult().outcome, UploadOutcome::NotStarted);
    EXPECT_EQ(messages.messageTexts(), (QStringList{unplugged, unplugged}));
    EXPECT_TRUE(db.sameValues(before));
    EXPECT_EQ(db.pendingNames(), before.pendingNames());
    EXPECT_TRUE(upload.isVisible());

    settings->setComPort(ChannelFactory::builtInEmulatorName());
    messages.clear();
    openUploadWindow();
    emulator->setFaults(*EmulatorFaults::parse(u"drop:2"_s));
    clickAndWait(u"Update"_s);

    EXPECT_EQ(upload.lastResult().outcome, UploadOutcome::Aborted);
    EXPECT_EQ(boxes(), QStringList{u"Error!|"_s + LostText});
    // What went out is clear; the item cut off and the rest wait for the next upload.
    EXPECT_EQ(db.pendingNames(), (QStringList{u"HangTimePending(2)"_s, u"HangTimePending(3)"_s}));
    EXPECT_FALSE(upload.isVisible());
    EXPECT_FALSE(main.linkWorker().portOpen());

    // Plugged in again: the next upload opens the port afresh and sends the rest.
    emulator->setFaults({});
    messages.clear();
    openUploadWindow();
    clickAndWait(u"Update"_s);
    EXPECT_EQ(emulator->acceptedLines(), (QStringList{u"2*100062"_s, u"3*100063"_s}));
    EXPECT_FALSE(db.anyPending());
    EXPECT_EQ(messages.messageTexts(), QStringList{u"Update Complete"_s});
}

using DownloadTest = ShellTest;

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
        KovoMain& main = startOnEmulator();
        main.linkWorker().setDownloadTiming(60, 0);
        controllerHangTime(2, 77);
        // Paced, the download still runs when the queued click is handled.
        emulator->setFaults(*EmulatorFaults::parse(escape ? u"pace"_s : u"drop:300"_s));
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
        EXPECT_EQ(messages.messageTexts(),
                  (escape ? QStringList{DownloadText::Confirm,
                                        u"Download Canceled. Click OK to return to Kovo"_s}
                          : QStringList{DownloadText::Confirm, DownloadText::TimedOut, LostText}));
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
