#include "shell_fixture.h"

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

} // namespace
} // namespace kovo::testing
