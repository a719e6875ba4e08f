#include "shell_fixture.h"

#include <QHostAddress>
#include <QTcpServer>

namespace kovo::testing {
namespace {

using LinkErrorsTest = ShellTest;

// Three changed hang timers, sent with "Update Changes Only".
void changeHangTimers(Database& db) {
    for (int port = 1; port <= 3; ++port) {
        db.setValue(u"HangTime", port, QString::number(60 + port));
        db.setPending(u"HangTimePending", port);
    }
}

TEST_F(LinkErrorsTest, APortThatCannotBeOpenedIsNamedAndNothingChanges) {
    KovoMain& main = startOnEmulator();
    const QString port = path(u"no-such-adapter"_s);
    settings->setComPort(port);
    changeHangTimers(db);
    const Database before = db;
    const QString unplugged = port + u" cannot be opened: there is no such port. "
                                     "Check the port and your connections, then "
                                     "try again"_s;

    UploadWindow& upload = openUploadWindow();
    EXPECT_EQ(messages.messageTexts(), QStringList{unplugged});
    EXPECT_FALSE(main.linkWorker().portOpen());
    clickAndWait(u"Update"_s);
    EXPECT_EQ(upload.lastResult().outcome, UploadOutcome::NotStarted);
    EXPECT_EQ(messages.messageTexts(), (QStringList{unplugged, unplugged}));
    EXPECT_TRUE(db.sameValues(before));
    EXPECT_EQ(db.pendingNames(), before.pendingNames());
    EXPECT_TRUE(upload.isVisible());
}

TEST_F(LinkErrorsTest, ALineDroppedMidTransferEndsTheUploadAndTheNextOneWorks) {
    KovoMain& main = startOnEmulator();
    changeHangTimers(db);
    UploadWindow& upload = openUploadWindow();
    EmulatorFaults drop;
    drop.dropAt = 2;
    emulator->setFaults(drop);
    clickAndWait(u"Update"_s);

    EXPECT_EQ(upload.lastResult().outcome, UploadOutcome::Aborted);
    EXPECT_EQ(messages.messageTexts(),
              QStringList{u"The connection to Built-in Tarsis emulator was lost. "
                          "Check your connections then try again"_s});
    EXPECT_EQ(messages.calls[0].title, u"Error!"_s);
    // What went out is clear; the item cut off and the rest wait for the next upload.
    EXPECT_FALSE(db.pending(u"HangTimePending", 1));
    EXPECT_TRUE(db.pending(u"HangTimePending", 2));
    EXPECT_TRUE(db.pending(u"HangTimePending", 3));
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

// The tone link: a transmitter keyed on a line that cannot be driven or a silent sound output
// stop the upload before a tone is played and keep the changes; a working one plays the command
// after the key-up delay and sends nothing over the serial line.
TEST_F(LinkErrorsTest, ToneLinkUploadsAndTheirFailures) {
    QTcpServer network;
    ASSERT_TRUE(network.listen(QHostAddress::LocalHost));
    const QString networkPort = u"tcp://127.0.0.1:%1"_s.arg(network.serverPort());
    struct Case {
        bool soundFails;
        QString keyingPort;
        const char* whichSend; // 1 keys with DTR, 2 with RTS
        QString message;
    };
    const Case cases[] = {
        {true, u"0"_s, "1",
         u"The recording output fails on purpose. The upload stopped before "
         "anything was sent."_s},
        {false, networkPort, "1",
         u"The transmitter cannot be keyed: %1 cannot drive DTR. Choose a serial "
         "port whose DTR line keys the transmitter (DTMFComPort and WhichSend in kovo.ini), or "
         "set DTMFComPort to 0 and key the transmitter by hand."_s.arg(networkPort)},
        {false, u"Built-in Tarsis emulator"_s, "2", u"Update Complete"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyingPort.toStdString());
        window.reset();
        messages.clear();
        db = Database();
        KovoMain& main = startOnEmulator();
        auto output = std::make_shared<RecordingAudioOutput>();
        output->setFailPlay(c.soundFails);
        main.linkWorker().setAudioFactory([output] { return output; });
        settings->setWhichSend(QLatin1String(c.whichSend));
        settings->setComPort(u"0"_s);
        settings->setDtmfComPort(c.keyingPort);
        settings->setTxTemp(u"300"_s);
        changeHangTimers(db);
        const bool works = c.message == u"Update Complete"_s;
        const QStringList pendingBefore = db.pendingNames();

        UploadWindow& upload = openUploadWindow();
        clickAndWait(u"Update"_s);
        EXPECT_EQ(upload.lastResult().outcome,
                  works ? UploadOutcome::Completed : UploadOutcome::NotStarted);
        EXPECT_EQ(messages.messageTexts(), QStringList{c.message});
        EXPECT_EQ(db.pendingNames(), works ? QStringList() : pendingBefore);
        EXPECT_EQ(emulator->exchangeCount(), 0);
        // The key-up delay first, then the tones: the body *100062 among them.
        const QList<RecordingAudioOutput::Event> events = output->events();
        const QString digits = playedDigits(*output);
        if (!works) {
            EXPECT_EQ(digits, QString());
            continue;
        }
        ASSERT_FALSE(events.isEmpty());
        EXPECT_EQ(events[0].kind, RecordingAudioOutput::Event::Kind::Pause);
        EXPECT_EQ(events[0].milliseconds, 300);
        EXPECT_TRUE(digits.contains(u"*100062"_s)) << qPrintable(digits);
    }
}

} // namespace
} // namespace kovo::testing
