#include "link/recording_audio_output.h"
#include "link_fixture.h"

#include <QHostAddress>
#include <QTcpServer>

namespace kovo::testing {
namespace {

using LinkErrorsTest = LinkWindowTest;

// Three changed hang timers, sent with "Update Changes Only".
void changeHangTimers(Database& db) {
    for (int port = 1; port <= 3; ++port) {
        db.setValue(u"HangTime", port, QString::number(60 + port));
        db.setPending(u"HangTimePending", port);
    }
}

TEST_F(LinkErrorsTest, APortThatCannotBeOpenedIsNamedAndNothingChanges) {
    KovoMain& main = startOnEmulator();
    const QString port = path(QStringLiteral("no-such-adapter"));
    settings->setComPort(port);
    changeHangTimers(db);
    const Database before = db;
    const QString inUse = port + QStringLiteral(" cannot be opened: there is no such port. Check "
                                                "the port and your connections, then try again");

    UploadWindow& upload = openUploadWindow();
    EXPECT_EQ(messages.messageTexts(), QStringList{inUse});
    EXPECT_FALSE(main.linkWorker().portOpen());
    clickAndWait(QStringLiteral("Update"));
    EXPECT_EQ(upload.lastResult().outcome, UploadOutcome::NotStarted);
    EXPECT_EQ(messages.messageTexts(), (QStringList{inUse, inUse}));
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
    clickAndWait(QStringLiteral("Update"));

    EXPECT_EQ(upload.lastResult().outcome, UploadOutcome::Aborted);
    EXPECT_EQ(messages.messageTexts(),
              QStringList{QStringLiteral("The connection to Built-in Tarsis emulator was lost. "
                                         "Check your connections then try again")});
    EXPECT_EQ(messages.calls[0].title, QStringLiteral("Error!"));
    // What went out is clear; the item cut off and the rest wait for the next upload.
    EXPECT_FALSE(db.pending(u"HangTimePending", 1));
    EXPECT_TRUE(db.pending(u"HangTimePending", 2));
    EXPECT_TRUE(db.pending(u"HangTimePending", 3));
    EXPECT_FALSE(upload.isVisible());
    EXPECT_FALSE(main.linkWorker().portOpen());

    // Plugged in again: the next upload opens the port afresh and sends the rest.
    emulator->setFaults({});
    emulator->clearRecords();
    messages.clear();
    openUploadWindow();
    clickAndWait(QStringLiteral("Update"));
    EXPECT_EQ(emulator->acceptedLines(),
              (QStringList{QStringLiteral("2*100062"), QStringLiteral("3*100063")}));
    EXPECT_FALSE(db.anyPending());
    EXPECT_EQ(messages.messageTexts(), QStringList{QStringLiteral("Update Complete")});
}

TEST_F(LinkErrorsTest, ToneLinkFailuresAreToldAndKeepTheChanges) {
    QTcpServer network;
    ASSERT_TRUE(network.listen(QHostAddress::LocalHost));
    const QString networkPort = QStringLiteral("tcp://127.0.0.1:%1").arg(network.serverPort());
    struct Case {
        const char* name;
        bool soundFails;
        QString keyingPort;
        QString expected; // a part of the one message
    };
    const Case cases[] = {
        {"no sound output", true, QStringLiteral("0"),
         QStringLiteral("The recording output fails on purpose")},
        {"keying line not driven", false, networkPort,
         QStringLiteral("cannot drive DTR. Choose a serial port whose DTR line keys the "
                        "transmitter")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        messages.clear();
        db = Database();
        KovoMain& main = startOnEmulator();
        auto output = std::make_shared<RecordingAudioOutput>();
        output->setFailPlay(c.soundFails);
        main.linkWorker().setAudioFactory([output] { return output; });
        settings->setWhichSend(QStringLiteral("1"));
        settings->setComPort(QStringLiteral("0"));
        settings->setDtmfComPort(c.keyingPort);
        changeHangTimers(db);
        const QStringList pendingBefore = db.pendingNames();

        UploadWindow& upload = openUploadWindow();
        clickAndWait(QStringLiteral("Update"));
        EXPECT_EQ(upload.lastResult().outcome, UploadOutcome::NotStarted);
        const QStringList texts = messages.messageTexts();
        ASSERT_EQ(texts.size(), 1) << qPrintable(texts.join(u'\n'));
        EXPECT_TRUE(texts[0].contains(c.expected)) << qPrintable(texts[0]);
        if (!c.keyingPort.startsWith(u'0')) {
            EXPECT_TRUE(texts[0].contains(QStringLiteral("127.0.0.1"))) << qPrintable(texts[0]);
        }
        EXPECT_EQ(db.pendingNames(), pendingBefore);
        // Nothing was played into an unkeyed or silent transmitter.
        int tones = 0;
        for (const RecordingAudioOutput::Event& event : output->events())
            tones += event.kind == RecordingAudioOutput::Event::Kind::TonePair;
        EXPECT_EQ(tones, 0);
        EXPECT_EQ(emulator->exchangeCount(), 0);
    }
}

TEST_F(LinkErrorsTest, AToneUploadPlaysTheCommandWithTheTransmitterKeyed) {
    KovoMain& main = startOnEmulator();
    auto output = std::make_shared<RecordingAudioOutput>();
    main.linkWorker().setAudioFactory([output] { return output; });
    settings->setComPort(QStringLiteral("0"));
    settings->setDtmfComPort(QStringLiteral("Built-in Tarsis emulator"));
    settings->setWhichSend(QStringLiteral("2"));
    settings->setTxTemp(QStringLiteral("300"));
    db.setValue(u"HangTime", 2, QStringLiteral("30"));
    db.setPending(u"HangTimePending", 2);

    UploadWindow& upload = openUploadWindow();
    clickAndWait(QStringLiteral("Update"));
    EXPECT_EQ(upload.lastResult().outcome, UploadOutcome::Completed);
    EXPECT_EQ(messages.messageTexts(), QStringList{QStringLiteral("Update Complete")});
    EXPECT_FALSE(db.pending(u"HangTimePending", 2));
    // The key-up delay first, then the tones: the body *100030 among them.
    const QList<RecordingAudioOutput::Event> events = output->events();
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events[0].kind, RecordingAudioOutput::Event::Kind::Pause);
    EXPECT_EQ(events[0].milliseconds, 300);
    QString digits;
    const QMap<QPair<int, int>, QChar> keypad = {
        {{941, 1209}, u'*'}, {{697, 1209}, u'1'}, {{941, 1336}, u'0'}, {{697, 1477}, u'3'}};
    for (const RecordingAudioOutput::Event& event : events) {
        if (event.kind == RecordingAudioOutput::Event::Kind::TonePair)
            digits += keypad.value({event.frequency1, event.frequency2}, u'.');
    }
    EXPECT_TRUE(digits.contains(QStringLiteral("*100030"))) << qPrintable(digits);
    EXPECT_EQ(emulator->exchangeCount(), 0); // nothing went over the serial line
}

} // namespace
} // namespace kovo::testing
