#include "database/profile_file.h"
#include "editors/controller_action_runner.h"
#include "link/memory_image.h"
#include "link/pty_emulator.h"
#include "shell/built_in_emulator.h"
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
    trigger("MnuManualData");
    ManualSendWindow* manual = main.manualSendWindow();
    ASSERT_TRUE(manual->isVisible());
    auto* box = manual->findChild<QLineEdit*>(u"ManualSendData"_s);
    ASSERT_NE(box, nullptr);
    // The command lines the controller's programming commands are shown with, typed by hand:
    // each goes out exactly as typed and its answer lands in the transcript.
    const std::pair<const char*, const char*> cases[] = {
        {"2*100030", "+"},                 // port 2 hang time 30
        {"1*1000500", "-value above 255"}, // a hang time is one byte in the controller
        {"1*1000255", "+"},
        {"3*341005*10*12*34*", "+"}, // courtesy tone 10 of port 3, segment 4
        {"1*21150075551234", "+"},   // auto-dial slot 7
        {"1*21151205551234", "+"},   // auto-dial slot 120
        {"1*400205123", "+"},        // macro 5 holding 1 2 3
        {"1*205041109050", "+"},     // short macro 1 and its code
        {"1*40010325123005", "+"},   // setpoint 3: monthly, week 2, day 5
        {"1*80010800", "+"},         // a CW tone pair whose second tone is 0
        {"1*21999", "+"},            // the end of an upload
        {"1*9020D", "+"},            // the terminator
    };
    QStringList lines;
    QStringList transcript;
    for (const auto& [line, answer] : cases) {
        QTest::keyClicks(box, QLatin1String(line));
        QTest::keyClick(box, Qt::Key_Return);
        // Enter returned at once: the answer can only come through the event queue.
        EXPECT_TRUE(manual->sending());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !manual->sending(); }, 30000));
        ASSERT_TRUE(waitIdle());
        lines << QLatin1String(line);
        transcript << QLatin1String(line) + u"   "_s + QLatin1String(answer);
    }
    EXPECT_EQ(pty.emulator().receivedLines(), lines);
    EXPECT_EQ(manual->transcript(), transcript.join(u'\n'));
    EXPECT_EQ(messages.messageTexts(), QStringList{refusedText(u"-value above 255"_s)});
    EXPECT_EQ(box->text(), QString());
    EXPECT_TRUE(main.linkWorker().portOpen());

    // Escape closes the window and the port, and keeps the placement in section Manualsend.
    QTest::keyClick(box, Qt::Key_Escape);
    ASSERT_TRUE(waitIdle());
    EXPECT_FALSE(manual->isVisible());
    EXPECT_FALSE(main.linkWorker().portOpen());
    EXPECT_TRUE(settings->placement(u"Manualsend"_s).present);
}

TEST_F(LinkMenusTest, ThePadPlaysOnTheChosenOutput) {
    KovoMain& main = startWithSample();
    auto output = std::make_shared<RecordingAudioOutput>();
    main.setPadAudioOutput(output);
    trigger("MnuTestPad");
    TouchTonePad* pad = main.touchTonePad();
    ASSERT_TRUE(pad->isVisible());
    pad->findChild<QPushButton*>(u"cmdNum(12)"_s)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pad->playing(); }, 10000));
    EXPECT_EQ(playedDigits(*output), u"#"_s);
    // The pad plays locally: nothing goes over the link.
    EXPECT_FALSE(main.linkWorker().portOpen());
}

// Items that cannot act in the state they meet say why, and do nothing.
TEST_F(LinkMenusTest, ItemsThatCannotActSaySoAndDoNothing) {
    startOnEmulator();
    const QString notAConfiguration = path(u"notes.dat"_s);
    writeFile(u"notes.dat"_s, "[Notes]\r\nText=nothing for the controller\r\n");
    const struct {
        const char* item;
        QString text;
        const char* title;
    } cases[] = {
        {"mnuTarsisDownload",
         u"You may not download from the Tarsis in DTMF Mode. Please change to Serial Port Mode "
         "and try again"_s,
         "Error!"},
        {"mnuSaveLinkTrace", HistoryCommands::noTraceText(), "Save Link Trace"},
        {"mnuCompareWith",
         QDir::toNativeSeparators(notAConfiguration) +
             u" holds no configuration to compare with."_s,
         "Compare With"},
    };
    settings->setComPort(u"0"_s);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        messages.clear();
        dialogs.answers = {notAConfiguration};
        trigger(c.item);
        EXPECT_FALSE(window->linkWorker().busy());
        EXPECT_EQ(messages.messageTexts(), QStringList{c.text});
        EXPECT_EQ(messages.calls.value(0).title, QLatin1String(c.title));
    }
    EXPECT_EQ(emulator->exchangeCount(), 0);
    EXPECT_EQ(window->history().compareWindow(), nullptr);
    EXPECT_EQ(dialogs.calls.size(), 1); // only Compare With asked for a file
}

TEST_F(LinkMenusTest, AFirstStartChoosesTheEmulatorWhenTheProgramAsks) {
    const QString emulatorPort = u"Built-in Tarsis emulator"_s;
    const struct {
        const char* name;
        bool ask;
        bool iniExists;
        QString comPort;
        const char* ticked;
    } cases[] = {
        {"first start", true, false, emulatorPort, "mnuBuiltInEmulator"},
        {"settings file present", true, true, u"3"_s, "mnuCom3"},
        {"not asked", false, false, u"0"_s, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        QFile::remove(path(u"kovo.ini"_s));
        const QString dat = writeSampleDat(u"first.dat"_s);
        if (c.iniExists)
            writeIni("ComPort=3\r\n");
        dialogs.answers = {dat};
        KovoMain& main = makeWindow();
        main.setBuiltInEmulatorOnFirstStart(c.ask);
        ASSERT_TRUE(main.startUp());
        EXPECT_EQ(settings->comPort(), c.comPort);
        EXPECT_EQ(item("mnuBuiltInEmulator")->text(), emulatorPort);
        EXPECT_EQ(checkedItems(), QLatin1String(c.ticked));
    }
}

TEST_F(LinkMenusTest, ItsMemoryOutlivesTheProgram) {
    startOnEmulator();
    db.setValue(u"HangTime", 3, u"123"_s);
    db.setPending(u"HangTimePending", 3);
    openUploadWindow();
    clickAndWait(u"Update"_s);
    ASSERT_EQ(emulator->acceptedLines(), QStringList{u"3*1000123"_s});
    const QByteArray memory = emulator->memory().bytes();
    emulator.reset();
    window.reset();
    ASSERT_TRUE(QFile::exists(path(u"emulator.mem"_s)));

    KovoMain& again = makeWindow();
    EXPECT_EQ(again.builtInEmulator()->memory().bytes(), memory);
    EXPECT_NE(TarsisMemory().bytes(), memory);
}

// The editors' actions run as jobs on the link thread, one at a time, write the open database
// file first and report through the program's message boxes.
TEST_F(LinkMenusTest, EditorsSendActionsThroughTheLinkThread) {
    KovoMain& main = startOnEmulator();
    ControllerActionRunner* runner = main.editor(SpecialCodesTab)->actionRunner();
    ASSERT_NE(runner, nullptr);
    EXPECT_EQ(main.editor(TimersTab)->actionRunner(), runner);

    ControllerAction lock;
    lock.kind = ControllerAction::Kind::ChangeLockCode;
    lock.newCode = u"C"_s;
    std::optional<bool> result;
    ASSERT_TRUE(runner->run(lock, [&](bool succeeded) { result = succeeded; }));
    EXPECT_FALSE(runner->run(lock)) << "a second action while the first runs";
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 60000));
    EXPECT_TRUE(*result);
    EXPECT_EQ(messages.messageTexts(),
              QStringList{u"New Lock Code Has Been Successfully Sent To The Tarsis"_s});
    EXPECT_EQ(readIni(u"Unlock", u"Lock", main.currentDatabaseFile()), u"C"_s);
    Database controller;
    applyMemoryImage(emulator->memory().bytes(), controller);
    EXPECT_EQ(controller.value(u"Lock"), u"C"_s);
}

} // namespace
} // namespace kovo::testing
