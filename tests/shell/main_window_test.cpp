// The main window's tabs and menus: the editors behind the tabs, the choice of link and its
// delays, and the Tarsis menu's items run through the link thread.
#include "database/profile_file.h"
#include "editors/controller_action_runner.h"
#include "link/memory_image.h"
#include "link/pty_emulator.h"
#include "shell/about_window.h"
#include "shell/built_in_emulator.h"
#include "shell/editor_factory.h"
#include "shell/manual_send_window.h"
#include "shell/touch_tone_pad.h"
#include "shell_fixture.h"

#include <QCheckBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QScrollArea>
#include <QTimer>

namespace kovo::testing {
namespace {

using MainWindowTest = ShellTest;

TEST_F(MainWindowTest, LeavingATabAppliesTheEditorLeftAndTheCoupledEditorsFollow) {
    KovoMain& main = startWithSample();
    auto* hang = main.editor(0)->findChild<QLineEdit*>(u"HangTimer(1)"_s);
    ASSERT_NE(hang, nullptr);
    hang->selectAll();
    QTest::keyClicks(hang, u"42"_s);
    EXPECT_NE(db.value(u"HangTime", 1), u"42"_s);

    main.tabStrip()->setCurrentIndex(7);
    EXPECT_EQ(db.value(u"HangTime", 1), u"42"_s);
    EXPECT_TRUE(db.pending(u"HangTimePending", 1));
    EXPECT_FALSE(db.settingsSaved());

    // Tab 3 to tab 7: the scheduler editor applies, the DTMF editor comes to the front.
    main.tabStrip()->setCurrentIndex(3);
    EXPECT_EQ(main.frontEditor(), main.editor(3));
    QSignalSpy scheduler(main.editor(3), &EditorWindow::applied);
    QSignalSpy dtmf(main.editor(7), &EditorWindow::applied);
    main.tabStrip()->setCurrentIndex(7);
    EXPECT_EQ(scheduler.size(), 1);
    EXPECT_EQ(dtmf.size(), 0);
    EXPECT_EQ(main.frontEditor(), main.editor(7));
    // Closing the editor window in front leaves it there: never an empty area.
    main.findChild<QMdiArea*>()->activeSubWindow()->close();
    EXPECT_EQ(main.frontEditor(), main.editor(7));
    EXPECT_TRUE(main.editor(7)->isVisibleTo(&main));

    // What the timers and port switches editors derive from each other shows in the other at
    // once, so its own Apply keeps it.
    main.tabStrip()->setCurrentIndex(PortSwitchesTab);
    auto* disable = main.editor(PortSwitchesTab)->findChild<QCheckBox*>(u"DisableTimeout(2)"_s);
    ASSERT_NE(disable, nullptr);
    ASSERT_FALSE(disable->isChecked());
    disable->click();
    main.tabStrip()->setCurrentIndex(TimersTab);
    auto* inactive = main.editor(TimersTab)->findChild<QLineEdit*>(u"InactiveTimer(2)"_s);
    ASSERT_NE(inactive, nullptr);
    EXPECT_EQ(inactive->text(), u"0"_s);
    EXPECT_EQ(db.value(u"InActiveTime", 2), u"0"_s);

    inactive->selectAll();
    QTest::keyClicks(inactive, u"12"_s);
    main.tabStrip()->setCurrentIndex(PortSwitchesTab);
    EXPECT_FALSE(disable->isChecked());
    main.tabStrip()->setCurrentIndex(TimersTab);
    EXPECT_EQ(db.value(u"InActiveTime", 2), u"12"_s);
    EXPECT_EQ(db.value(u"DisableTimeout", 2), u"0"_s);

    // The date format goes into the open file at once.
    main.tabStrip()->setCurrentIndex(SchedulerTab);
    auto* international =
        main.editor(SchedulerTab)->findChild<QRadioButton*>(u"InternationalDate"_s);
    ASSERT_NE(international, nullptr);
    international->click();
    EXPECT_TRUE(readFile(u"sample.dat"_s).contains("\r\nDateFormat=True\r\n"));
}

// Each choice of link, one after the other: a serial port clears the PTT port and a PTT port the
// serial one, only the link in force is ticked, and the status bar and kovo.ini follow at once.
TEST_F(MainWindowTest, LinkItemsChooseOneLinkAndTickOnlyIt) {
    KovoMain& main = startWithSample();
    const QString emulatorPort = ChannelFactory::builtInEmulatorName();
    const QString other = u"tcp://127.0.0.1:4001"_s;
    const QString noKeying = u"DTMF tones, no transmitter keying chosen"_s;
    const auto keyedBy = [](const char* line) {
        return u"DTMF tones, transmitter keyed by "_s + QLatin1String(line);
    };
    const auto serial = [](const QString& port) { return u"Serial %1 (9600 8N1)"_s.arg(port); };
    const struct {
        const char* item;
        bool portMissing;
        QString comPort;
        const char* dtmfComPort;
        const char* ticked;
        QString status;
    } steps[] = {
        {"mnuDTMFCom6", false, u"0"_s, "6", "mnuDTMFCom6", noKeying},
        {"mnuBuiltInEmulator", false, emulatorPort, "0", "mnuBuiltInEmulator",
         emulatorPort + u" (no radio)"_s},
        {"mnuDTMFCom3", false, u"0"_s, "3", "mnuDTMFCom3", noKeying},
        {"mnuUseDTMFRTS", false, u"0"_s, "3", "mnuDTMFCom3 mnuUseDTMFRTS", keyedBy("RTS on COM3")},
        {"mnuCom2", false, u"2"_s, "0", "mnuCom2", serial(u"COM2"_s)},
        // A port the machine lacks is reported, and the choice stays.
        {"mnuCom5", true, u"5"_s, "0", "mnuCom5", serial(u"COM5"_s)},
        {"mnuSystemPort(ttyUSB0)", false, u"/dev/ttyUSB0"_s, "0", "mnuSystemPort(ttyUSB0)",
         serial(u"/dev/ttyUSB0"_s)},
        {"mnuOtherPort", false, other, "0", "mnuOtherPort", serial(other)},
        {"mnuDTMFCom2", false, u"0"_s, "2", "mnuDTMFCom2 mnuUseDTMFRTS", keyedBy("RTS on COM2")},
        {"mnuUseDTMFDTR", false, u"0"_s, "2", "mnuDTMFCom2 mnuUseDTMFDTR", keyedBy("DTR on COM2")},
        {"mnuCom3", false, u"3"_s, "0", "mnuCom3", serial(u"COM3"_s)},
        // A tone delay chooses the tone link, even when its prompt is cancelled.
        {"mnuDTMFDelay", false, u"0"_s, "0", "mnuUseDTMFDTR", noKeying},
    };
    // The machine's own ports join the menu when it opens; "Other port…" asks for a path.
    auto* serialMenu = main.findChild<QMenu*>(u"mnuConfigSerialPort"_s);
    emit serialMenu->aboutToShow();
    EXPECT_TRUE(serialMenu->actions().contains(item("mnuBuiltInEmulator")));
    EXPECT_EQ(item("mnuOtherPort")->text(), u"Other port…"_s);
    messages.inputs = {other};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.item);
        portExists = !step.portMissing;
        trigger(step.item);
        EXPECT_EQ(settings->comPort(), step.comPort);
        EXPECT_EQ(settings->dtmfComPort(), QLatin1String(step.dtmfComPort));
        EXPECT_EQ(checkedItems(), QString::fromLatin1(step.ticked));
        EXPECT_EQ(main.findChild<QLabel*>(u"LinkStatus"_s)->text(), step.status);
        const QByteArray ini = readFile(u"kovo.ini"_s);
        EXPECT_TRUE(ini.contains("\r\nComPort=" + step.comPort.toUtf8() + "\r\n"));
        EXPECT_TRUE(ini.contains(QByteArray("\r\nDTMFComPort=") + step.dtmfComPort + "\r\n"));
    }
    EXPECT_TRUE(readFile(u"kovo.ini"_s).contains("\r\nWhichSend=1\r\n"));
    EXPECT_EQ(testedPorts, (QStringList{u"6"_s, emulatorPort, u"3"_s, u"2"_s, u"5"_s,
                                        u"/dev/ttyUSB0"_s, other, u"2"_s, u"3"_s}));
    ASSERT_EQ(
        messages.messageTexts(),
        QStringList{u"Sorry, that Comport does not exist on your system. Please try again"_s});
    EXPECT_EQ(messages.calls[0].buttons, Buttons::Ok);
}

// Each prompt offers the value in use; what is stored is a number, the serial delay at most 1.
TEST_F(MainWindowTest, DelayPromptsStoreNumbersAndLimitTheSerialDelay) {
    startWithSample();
    const struct {
        const char* item;
        std::optional<QString> answer;
        const char* title;
        const char* offered;
        const char* stored; // the line in kovo.ini
        bool limited;
    } cases[] = {
        {"mnuSerialDelay", u"2"_s, "Serial Port Delay", "0", "SerialDelay=1", true},
        {"mnuSerialDelay", u"0"_s, "Serial Port Delay", "1", "SerialDelay=0", false},
        {"mnuSerialDelay", std::nullopt, "Serial Port Delay", "0", "SerialDelay=0", false},
        {"mnuDTMFDelay", u"85"_s, "DTMF Interdigit Delay", "0", "DTMFDelay=85", false},
        {"mnuConfigureTXDelay", u"350ms"_s, "DTMF Interdigit Delay", "0", "TxTemp=350", false},
        {"mnuDTMFDelay", u"fast"_s, "DTMF Interdigit Delay", "85", "DTMFDelay=0", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        trigger("mnuCom1");
        messages.clear();
        messages.inputs.append(c.answer);
        trigger(c.item);
        QStringList shown{QLatin1String(c.title) + u"|Enter the delay time in milliseconds"_s};
        if (c.limited)
            shown << programTitle() + u"|Value may be no greater than 1"_s;
        EXPECT_EQ(boxes(), shown);
        EXPECT_TRUE(messages.calls[0].isInput);
        EXPECT_EQ(messages.calls[0].defaultText, QLatin1String(c.offered));
        const QByteArray ini = readFile(u"kovo.ini"_s);
        EXPECT_TRUE(ini.contains(QByteArray("\r\n") + c.stored + "\r\n"));
        // A tone delay chooses the tone link.
        const bool serial = qstrcmp(c.item, "mnuSerialDelay") == 0;
        EXPECT_TRUE(ini.contains(serial ? "\r\nComPort=1\r\n" : "\r\nComPort=0\r\n"));
    }
}

TEST_F(MainWindowTest, AboutWindowAndSerialTimers) {
    KovoMain& main = startWithSample();
    trigger("mnuAbout");
    auto* about = main.findChild<AboutWindow*>();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), u"About Kovo Programmer"_s);
    QStringList texts;
    for (QLabel* label : about->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_EQ(texts, (QStringList{u"Kovo Tarsis Programmer"_s, u"Version "_s + programVersion()}));
    about->accept();

    // The download's waits count seconds up to five, and stay there.
    auto* timer = main.findChild<QTimer*>(u"SerialTimer2"_s);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 1000);
    for (int i = 0; i < 7; ++i)
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
    EXPECT_EQ(std::pair(main.serialTimerTicks(2), main.serialTimerTicks(1)), std::pair(5, 0));
    main.resetSerialTimer(2);
    EXPECT_EQ(main.serialTimerTicks(2), 0);
}

// 1024x700 is what a 1024x768 screen leaves for the window inside its frame and a task bar. Every
// editor keeps its full width there, and its Apply button can be reached: the tallest editors
// scroll rather than lose their lowest rows.
TEST_F(MainWindowTest, EveryEditorCanBeUsedOnA1024By768Screen) {
    KovoMain& main = startWithSample();
    main.resize(1024, 700);
    main.show();
    EXPECT_LE(main.tabStrip()->sizeHint().width(),
              1024); // no tab behind scroll arrows
    for (int tab = 0; tab < main.tabStrip()->count(); ++tab) {
        SCOPED_TRACE(main.tabStrip()->tabText(tab).toStdString());
        main.tabStrip()->setCurrentIndex(tab);
        QCoreApplication::processEvents(); // lays out the editor just shown
        EditorWindow* editor = main.frontEditor();
        ASSERT_NE(editor, nullptr);
        auto* scroller = qobject_cast<QScrollArea*>(editor->parentWidget()->parentWidget());
        ASSERT_NE(scroller, nullptr);
        EXPECT_LE(editor->minimumSizeHint().width(), scroller->viewport()->width());
        EXPECT_GE(editor->height(), editor->minimumSizeHint().height());
        auto* apply = editor->findChild<QPushButton*>(QStringLiteral("Apply"));
        ASSERT_NE(apply, nullptr);
        apply->setFocus(Qt::OtherFocusReason);
        const QRect shown(apply->mapTo(scroller->viewport(), QPoint(0, 0)), apply->size());
        EXPECT_TRUE(scroller->viewport()->rect().contains(shown))
            << shown.bottom() << " " << scroller->viewport()->height();
    }
}

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
    const std::pair<const char*, QString> cases[] = {
        {"mnuTarsisDownload",
         u"Error!|You may not download from the Tarsis in DTMF Mode. Please change to Serial "
         "Port Mode and try again"_s},
        {"mnuSaveLinkTrace", u"Save Link Trace|"_s + HistoryCommands::noTraceText()},
        {"mnuCompareWith", u"Compare With|"_s + QDir::toNativeSeparators(notAConfiguration) +
                               u" holds no configuration to compare with."_s},
    };
    settings->setComPort(u"0"_s);
    for (const auto& [name, box] : cases) {
        SCOPED_TRACE(name);
        messages.clear();
        dialogs.answers = {notAConfiguration};
        trigger(name);
        EXPECT_FALSE(window->linkWorker().busy());
        EXPECT_EQ(boxes(), QStringList{box});
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
