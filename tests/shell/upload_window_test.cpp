#include "editors/editor_window.h"
#include "link_fixture.h"

#include <QAction>
#include <QLineEdit>

namespace kovo::testing {
namespace {

using UploadWindowTest = LinkWindowTest;

const QString CompleteQuestion = QStringLiteral(
    "Are you sure you want to update your complete configuration? It could take some time");
const QString CompleteDone =
    QStringLiteral("Complete Upload Is Complete. The Tarsis will now reset.");

TEST_F(UploadWindowTest, WindowCarriesItsControlsAndOpensThePort) {
    startOnEmulator();
    UploadWindow& upload = openUploadWindow();
    EXPECT_EQ(upload.objectName(), QStringLiteral("Update"));
    EXPECT_EQ(upload.windowTitle(), QStringLiteral("Send To Tarsis"));
    EXPECT_EQ(upload.windowModality(), Qt::ApplicationModal);
    const struct {
        const char* name;
        const char* caption;
    } buttons[] = {{"Complete", "&Send Complete Config"},
                   {"Update", "&Update Changes Only"},
                   {"Interrupt", "&Interrupt Upload"},
                   {"Close", "&Close"}};
    for (const auto& b : buttons) {
        QPushButton* found = button(QLatin1String(b.name));
        ASSERT_NE(found, nullptr) << b.name;
        EXPECT_EQ(found->text(), QLatin1String(b.caption));
    }
    auto* label = upload.findChild<QLabel*>(QStringLiteral("ProgressLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("Upload Progress"));
    EXPECT_EQ(upload.progressBar()->objectName(), QStringLiteral("ProgressBar1"));
    EXPECT_EQ(upload.progressBar()->maximum(), 724);
    // The progress controls are hidden until a complete upload runs.
    EXPECT_FALSE(label->isVisible());
    EXPECT_FALSE(upload.progressBar()->isVisible());
    EXPECT_FALSE(upload.percentLabel()->isVisible());
    EXPECT_TRUE(window->linkWorker().portOpen());

    // Close hides the window, keeps its geometry in section Update and closes the port.
    upload.setGeometry(QRect(140, 120, 480, 200));
    clickAndWait(QStringLiteral("Close"));
    EXPECT_FALSE(upload.isVisible());
    EXPECT_FALSE(window->linkWorker().portOpen());
    const WindowPlacement placement = settings->placement(QStringLiteral("Update"));
    EXPECT_TRUE(placement.present);
    EXPECT_EQ(placement.width, upload.geometry().width());
    EXPECT_EQ(placement.left, upload.geometry().left());
    EXPECT_TRUE(messages.calls.isEmpty());
}

TEST_F(UploadWindowTest, AnAppliedTimerGoesOutWithUpdateChangesOnly) {
    KovoMain& main = startOnEmulator();
    EditorWindow* timers = main.editor(0);
    auto* box = timers->control<QLineEdit>(QStringLiteral("HangTimer(2)"));
    ASSERT_NE(box, nullptr);
    box->setText(QStringLiteral("30"));
    timers->control<QPushButton>(QStringLiteral("Apply"))->click();
    ASSERT_TRUE(db.pending(u"HangTimePending", 2));

    openUploadWindow();
    clickAndWait(QStringLiteral("Update"));

    EXPECT_EQ(emulator->receivedLines(), QStringList{QStringLiteral("2*100030")});
    EXPECT_EQ(emulator->acceptedLines(), QStringList{QStringLiteral("2*100030")});
    EXPECT_FALSE(db.pending(u"HangTimePending", 2));
    EXPECT_FALSE(db.anyPending());
    EXPECT_EQ(messages.messageTexts(), QStringList{QStringLiteral("Update Complete")});
    EXPECT_FALSE(window->uploadWindow()->isVisible());
    // The progress controls stay hidden in a changes-only upload.
    EXPECT_FALSE(window->uploadWindow()->progressBar()->isVisible());
    // The port stays open until Close.
    EXPECT_TRUE(window->linkWorker().portOpen());
}

TEST_F(UploadWindowTest, CompleteUploadRunsTheBarTo722AndShows100Percent) {
    KovoMain& main = startOnEmulator();
    UploadWindow& upload = openUploadWindow();
    int highest = 0;
    QString percentAtHighest;
    bool barShown = false;
    int busyChecks = 0;
    QStringList busyProblems;
    // Runs after the window has taken each report.
    QObject::connect(
        &main.linkWorker().person(), &GuiOperator::progressed, &upload,
        [&](int, int, const QString&) {
            barShown = barShown || upload.progressBar()->isVisible();
            if (upload.progressBar()->value() > highest) {
                highest = upload.progressBar()->value();
                percentAtHighest = upload.percentLabel()->text();
            }
            // While the job runs no other transfer can be started.
            if (++busyChecks > 20)
                return;
            for (const char* name :
                 {"mnuTarsisUpload", "mnuTarsisDownload", "Button8", "MnuManualData"}) {
                QAction* action = main.menuAction(QLatin1String(name));
                if (action->isEnabled() || action->statusTip() != LinkWorker::busyText())
                    busyProblems << QLatin1String(name);
            }
            if (button(QStringLiteral("Complete"))->isEnabled() ||
                button(QStringLiteral("Update"))->isEnabled())
                busyProblems << QStringLiteral("buttons");
        });
    messages.answers = {Answer::Yes};
    clickAndWait(QStringLiteral("Complete"));

    EXPECT_EQ(upload.lastResult().outcome, UploadOutcome::Completed);
    EXPECT_TRUE(barShown);
    EXPECT_EQ(highest, 722);
    EXPECT_EQ(percentAtHighest, QStringLiteral("100% Complete"));
    EXPECT_GT(busyChecks, 20);
    EXPECT_TRUE(busyProblems.isEmpty()) << qPrintable(busyProblems.join(u' '));
    ASSERT_EQ(messages.calls.size(), 2);
    EXPECT_EQ(messages.calls[0].text, CompleteQuestion);
    EXPECT_EQ(messages.calls[0].title, QStringLiteral("Send Complete Configuration"));
    EXPECT_EQ(messages.calls[0].buttons, Buttons::YesNo);
    EXPECT_EQ(messages.calls[1].text, CompleteDone);
    // The end: bar back to its minimum, percentage hidden at 0, the reset line, window hidden.
    EXPECT_EQ(upload.progressBar()->value(), 0);
    EXPECT_FALSE(upload.percentLabel()->isVisible());
    EXPECT_EQ(upload.percentLabel()->text(), QStringLiteral("0% Complete"));
    EXPECT_FALSE(upload.isVisible());
    const QStringList lines = emulator->receivedLines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.constLast(), QStringLiteral("1*21999"));
    EXPECT_GT(lines.size(), 700);
    // Afterwards the transfer items work again.
    EXPECT_TRUE(main.menuAction(QStringLiteral("mnuTarsisDownload"))->isEnabled());
    EXPECT_TRUE(main.menuAction(QStringLiteral("mnuTarsisDownload"))->statusTip().isEmpty());
    EXPECT_TRUE(button(QStringLiteral("Complete"))->isEnabled());
    // The emulated controller's memory is kept for the next run.
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("emulator.mem"))));
}

TEST_F(UploadWindowTest, InterruptStopsAfterTheCurrentCommandAndHidesTheWindow) {
    KovoMain& main = startOnEmulator();
    UploadWindow& upload = openUploadWindow();
    // paced, so the upload is still running when the queued progress reaches the window: an
    // unpaced upload can finish before the Interrupt click is handled on a busy machine.
    EmulatorFaults paced;
    paced.paced = true;
    emulator->setFaults(paced);
    int sentAtInterrupt = -1;
    QObject::connect(&main.linkWorker().person(), &GuiOperator::progressed, &upload,
                     [&](int value, int, const QString&) {
                         if (value < 40 || sentAtInterrupt >= 0)
                             return;
                         sentAtInterrupt = emulator->exchangeCount();
                         button(QStringLiteral("Interrupt"))->click();
                     });
    messages.answers = {Answer::Yes, Answer::Yes};
    clickAndWait(QStringLiteral("Complete"));

    ASSERT_GE(sentAtInterrupt, 0);
    EXPECT_EQ(upload.lastResult().outcome, UploadOutcome::Interrupted);
    // The command under way when the flag was set is finished; nothing after the item it
    // belongs to goes out (one item is at most a few lines).
    EXPECT_LE(emulator->exchangeCount() - sentAtInterrupt, 4);
    EXPECT_FALSE(emulator->receivedLines().contains(QStringLiteral("1*21999")));
    ASSERT_EQ(messages.calls.size(), 3);
    EXPECT_EQ(messages.calls[1].text,
              QStringLiteral("Are you sure you want to interrupt the update?"));
    EXPECT_EQ(messages.calls[1].title, QStringLiteral("Interrupt Update"));
    EXPECT_EQ(messages.calls[2].text,
              QStringLiteral("Please wait while I finish the current operation"));
    EXPECT_EQ(messages.calls[2].title, QStringLiteral("Wait"));
    EXPECT_FALSE(upload.isVisible());
    EXPECT_EQ(upload.progressBar()->value(), 0);
    EXPECT_EQ(upload.percentLabel()->text(), QStringLiteral("0% Complete"));
    // An interrupted upload closes the port.
    EXPECT_FALSE(main.linkWorker().portOpen());
}

TEST_F(UploadWindowTest, ExitDuringAnUploadStopsItAndClosesThePort) {
    KovoMain& main = startOnEmulator();
    UploadWindow& upload = openUploadWindow();
    EmulatorFaults paced;
    paced.paced = true; // about 12 ms a command: the upload is still running at Exit
    emulator->setFaults(paced);
    bool exited = false;
    QObject::connect(&main.linkWorker().person(), &GuiOperator::progressed, &upload,
                     [&](int value, int, const QString&) {
                         if (value >= 5 && !exited) {
                             exited = true;
                             EXPECT_TRUE(main.fileExit());
                         }
                     });
    messages.answers = {Answer::Yes};
    button(QStringLiteral("Complete"))->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return exited; }, 60000));

    // Exit waited for the command under way and closed the port; nothing more goes out.
    EXPECT_TRUE(main.programEnded());
    EXPECT_TRUE(main.linkWorker().isShutDown());
    EXPECT_FALSE(main.linkWorker().busy());
    EXPECT_FALSE(main.linkWorker().portOpen());
    const int sent = emulator->exchangeCount();
    QTest::qWait(100);
    EXPECT_EQ(emulator->exchangeCount(), sent);
    EXPECT_LT(sent, 200);
    EXPECT_EQ(messages.messageTexts(), QStringList{CompleteQuestion});
    // A job can no longer start.
    EXPECT_FALSE(main.linkWorker().start([] {}));
}

TEST_F(UploadWindowTest, RefusalAndSilenceAreToldThroughTheWindow) {
    const QString refusalStart = QStringLiteral("There has been an error. The Tarsis returned -");
    const QString silence = QStringLiteral(
        "Kovo is unable to communicate with the Tarsis. Check your connections then try again");
    struct Case {
        const char* fault;
        UploadOutcome outcome;
        int accepted;
        bool firstClear, secondClear, thirdClear;
        bool windowShown;
    };
    const Case cases[] = {
        // The second command is refused: the upload ends there, its item keeps its flag.
        {"nak:2", UploadOutcome::Aborted, 1, true, false, false, true},
        // The second command gets no answer: told, then the upload goes on; its item keeps its
        // flag and is named at the end.
        {"silence:1@2", UploadOutcome::Completed, 2, true, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        window.reset();
        messages.clear();
        KovoMain& main = startOnEmulator();
        for (int port = 1; port <= 3; ++port) {
            db.setValue(u"HangTime", port, QString::number(40 + port));
            db.setPending(u"HangTimePending", port);
        }
        UploadWindow& upload = openUploadWindow();
        emulator->setFaults(*EmulatorFaults::parse(QLatin1String(c.fault)));
        clickAndWait(QStringLiteral("Update"));

        EXPECT_EQ(upload.lastResult().outcome, c.outcome);
        EXPECT_EQ(emulator->acceptedLines().size(), c.accepted);
        EXPECT_EQ(!db.pending(u"HangTimePending", 1), c.firstClear);
        EXPECT_EQ(!db.pending(u"HangTimePending", 2), c.secondClear);
        EXPECT_EQ(!db.pending(u"HangTimePending", 3), c.thirdClear);
        EXPECT_EQ(upload.isVisible(), c.windowShown);
        const QStringList texts = messages.messageTexts();
        ASSERT_FALSE(texts.isEmpty());
        if (c.outcome == UploadOutcome::Aborted) {
            ASSERT_EQ(texts.size(), 1);
            EXPECT_TRUE(texts[0].startsWith(refusalStart)) << qPrintable(texts[0]);
            EXPECT_TRUE(texts[0].endsWith(QStringLiteral("    "))) << qPrintable(texts[0]);
            EXPECT_EQ(messages.calls[0].title, QString());
        } else {
            ASSERT_EQ(texts.size(), 2);
            EXPECT_EQ(texts[0], silence);
            EXPECT_TRUE(texts[1].startsWith(QStringLiteral("Update Complete")));
            EXPECT_TRUE(texts[1].contains(QStringLiteral("HangTime(2)"))) << qPrintable(texts[1]);
        }
        (void)main;
    }
}

} // namespace
} // namespace kovo::testing
