#include "link/command_set.h"
#include "link/recording_audio_output.h"
#include "link_fixture.h"

#include <QAction>

namespace kovo::testing {
namespace {

using UploadWindowTest = LinkWindowTest;

const QString CompleteQuestion = QStringLiteral(
    "Are you sure you want to update your complete configuration? It could take some time");

// The window names its link, follows a complete upload to 722 of 724 with Interrupt enabled
// exactly while it runs and no other transfer startable, and Close keeps its geometry.
TEST_F(UploadWindowTest, CompleteUploadRunsTheBarTo722WithInterruptEnabledOnlyMeanwhile) {
    KovoMain& main = startOnEmulator();
    UploadWindow& upload = openUploadWindow();
    EXPECT_EQ(upload.windowTitle(), QStringLiteral("Send To Tarsis"));
    for (const auto& [name, caption] : {std::pair{"Complete", "&Send Complete Config"},
                                        {"Update", "&Update Changes Only"},
                                        {"Interrupt", "&Interrupt Upload"},
                                        {"Close", "&Close"}})
        EXPECT_EQ(button(QLatin1String(name))->text(), QLatin1String(caption));
    EXPECT_EQ(upload.linkText(), QStringLiteral("Link: Built-in Tarsis emulator (no radio)"));
    EXPECT_FALSE(button(QStringLiteral("Interrupt"))->isEnabled());
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
            if (button(QStringLiteral("Complete"))->isEnabled() ||
                !button(QStringLiteral("Interrupt"))->isEnabled())
                busyProblems << QStringLiteral("buttons");
        });
    messages.answers = {Answer::Yes};
    clickAndWait(QStringLiteral("Complete"));

    EXPECT_EQ(highest, 722);
    EXPECT_EQ(percentAtHighest, QStringLiteral("100% Complete"));
    EXPECT_TRUE(busyProblems.isEmpty()) << qPrintable(busyProblems.join(u' '));
    ASSERT_EQ(messages.calls.size(), 2);
    EXPECT_EQ(messages.calls[0].text, CompleteQuestion);
    EXPECT_EQ(messages.calls[0].title, QStringLiteral("Send Complete Configuration"));
    EXPECT_EQ(messages.calls[1].text,
              QStringLiteral("Complete Upload Is Complete. The Tarsis will now reset."));
    // The window resets its bar, hides the percentage reading 0 and hides itself.
    EXPECT_EQ(upload.progressBar()->value(), 0);
    EXPECT_FALSE(upload.percentLabel()->isVisible());
    EXPECT_EQ(upload.percentLabel()->text(), QStringLiteral("0% Complete"));
    EXPECT_FALSE(upload.isVisible());
    EXPECT_FALSE(button(QStringLiteral("Interrupt"))->isEnabled());
    EXPECT_TRUE(button(QStringLiteral("Complete"))->isEnabled());
    // One count: every line the controller read, the closing reset included.
    const QStringList lines = emulator->receivedLines();
    EXPECT_EQ(lines.constLast(), QStringLiteral("1*21999"));
    EXPECT_EQ(upload.lastResult().commandsSent, lines.size());

    upload.setGeometry(QRect(140, 120, 480, 200));
    clickAndWait(QStringLiteral("Close"));
    EXPECT_FALSE(main.linkWorker().portOpen());
    const WindowPlacement placement = settings->placement(QStringLiteral("Update"));
    EXPECT_EQ(placement.width, 480);
    EXPECT_EQ(placement.left, upload.geometry().left());
}

// Interrupt, and Exit, stop a running upload after the command under way and close the port.
TEST_F(UploadWindowTest, InterruptOrExitStopsAfterTheCurrentCommand) {
    for (const bool exit : {false, true}) {
        SCOPED_TRACE(exit ? "exit" : "interrupt");
        window.reset();
        messages.clear();
        KovoMain& main = startOnEmulator();
        UploadWindow& upload = openUploadWindow();
        EmulatorFaults paced; // so the upload still runs when the queued progress arrives
        paced.paced = true;
        emulator->setFaults(paced);
        int sentAtStop = -1;
        QObject::connect(&main.linkWorker().person(), &GuiOperator::progressed, &upload,
                         [&](int value, int, const QString&) {
                             if (value < 20 || sentAtStop >= 0)
                                 return;
                             sentAtStop = emulator->exchangeCount();
                             if (exit)
                                 EXPECT_TRUE(main.fileExit());
                             else
                                 button(QStringLiteral("Interrupt"))->click();
                         });
        messages.answers = {Answer::Yes, Answer::Yes};
        button(QStringLiteral("Complete"))->click();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return sentAtStop >= 0 && !main.linkWorker().busy(); }, 60000));
        QTest::qWait(100);

        // At most the rest of the item under way (a few lines) follows; never the reset.
        EXPECT_LE(emulator->exchangeCount() - sentAtStop, 4);
        EXPECT_FALSE(emulator->receivedLines().contains(QStringLiteral("1*21999")));
        EXPECT_FALSE(main.linkWorker().portOpen());
        if (exit) {
            EXPECT_TRUE(main.linkWorker().isShutDown());
            EXPECT_EQ(messages.messageTexts(), QStringList{CompleteQuestion});
            continue;
        }
        EXPECT_EQ(upload.lastResult().outcome, UploadOutcome::Interrupted);
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
        EXPECT_FALSE(button(QStringLiteral("Interrupt"))->isEnabled());
    }
}

// An output that fails from its `failFrom`th tone pair on.
class FailingOutput : public RecordingAudioOutput {
public:
    bool playTonePair(int f1, int f2, double seconds) override {
        if (++tones >= failFrom)
            setFailPlay(true);
        return RecordingAudioOutput::playTonePair(f1, f2, seconds);
    }
    int failFrom = 1 << 30;
    int tones = 0;
};

// Words the controller cannot take are named before anything is sent or keyed. An upload that
// is refused, or loses its sound, says so and keeps the item under way pending.
TEST_F(UploadWindowTest, WordsLeftOutAndLostSoundAreTold) {
    const QString leftOut =
        QStringLiteral("CWID1(2): \".\" is not in the Tarsis's tables and is left out\n"
                       "MessageMacro(3): \"STAND\" is not in the Tarsis's tables and is left "
                       "out\n\nThe rest of each item is sent. Correct these items in their "
                       "editors to send them whole.");
    enum Sound { Works, None, LostAfterFirst };
    struct Case {
        const char* name;
        const char* fault;
        bool tones;
        Sound sound;
        QString last;
        QString pendingAfter;
        int accepted;
        bool shown; // the window stays up
    };
    const Case cases[] = {
        {"serial", "", false, Works, QStringLiteral("Update Complete"), {}, 2, false},
        // A refusal ends the upload where it stands; its item keeps its flag.
        {"refused", "nak:2", false, Works,
         QStringLiteral("There has been an error. The Tarsis returned -Refused    "),
         QStringLiteral("MessageMacroPending(3)"), 1, true},
        {"tones", "", true, Works, QStringLiteral("Update Complete"), {}, 0, false},
        {"no sound", "", true, None,
         QStringLiteral("The recording output fails on purpose. The upload stopped before "
                        "anything was sent."),
         QStringLiteral("CWID1Pending(2) MessageMacroPending(3)"), 0, true},
        // The CW ID plays whole; the sound goes in the message macro's unlock part.
        {"sound lost", "", true, LostAfterFirst,
         QStringLiteral("The recording output fails on purpose. The upload stopped: the command "
                        "being played and those after it were not sent."),
         QStringLiteral("MessageMacroPending(3)"), 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        messages.clear();
        KovoMain& main = startOnEmulator();
        db.setValue(u"CWID1", 2, QStringLiteral("W 1 ."));
        db.setPending(u"CWID1Pending", 2);
        db.setValue(u"MessageMacro", 3, QStringLiteral("PLEASE STAND BY"));
        db.setPending(u"MessageMacroPending", 3);
        auto output = std::make_shared<FailingOutput>();
        output->setFailPlay(c.sound == None);
        if (c.sound == LostAfterFirst) {
            const Command first = buildCommand(db, CommandItem::CWID1, 2);
            output->failFrom =
                int(first.dtmfUnlock.size() + first.dtmfBody.size() + first.dtmfLock.size()) + 2;
        }
        main.linkWorker().setAudioFactory([output] { return output; });
        if (c.tones) {
            settings->setComPort(QStringLiteral("0"));
            settings->setDtmfComPort(QStringLiteral("0"));
        }
        UploadWindow& upload = openUploadWindow();
        emulator->setFaults(*EmulatorFaults::parse(QLatin1String(c.fault)));
        const int exchangesBefore = emulator->exchangeCount();
        bool toldFirst = false;
        messages.onCall = [&](const RecordingMessageService::Call& call) {
            if (call.title == QStringLiteral("Words Left Out"))
                toldFirst = output->tones == 0 && emulator->exchangeCount() == exchangesBefore;
        };
        clickAndWait(QStringLiteral("Update"));
        messages.onCall = nullptr;

        EXPECT_EQ(messages.messageTexts(), (QStringList{leftOut, c.last}));
        EXPECT_TRUE(toldFirst);
        EXPECT_EQ(db.pendingNames().join(u' '), c.pendingAfter);
        EXPECT_EQ(emulator->acceptedLines().size(), c.accepted);
        EXPECT_EQ(upload.isVisible(), c.shown);
        EXPECT_FALSE(upload.progressBar()->isVisible()); // changes only
        EXPECT_FALSE(button(QStringLiteral("Interrupt"))->isEnabled());
    }
}

} // namespace
} // namespace kovo::testing
