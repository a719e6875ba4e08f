#include "shell/about_window.h"
#include "shell/editor_factory.h"
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
    ASSERT_NE(main.frontEditor(), nullptr);
    EXPECT_EQ(main.frontEditor(), main.editor(7));
    EXPECT_EQ(main.frontEditor()->windowTitle(), u"DTMF Memories"_s);

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
    const struct {
        const char* item;
        bool portMissing;
        QString comPort;
        const char* dtmfComPort;
        const char* ticked;
        QString status;
    } steps[] = {
        {"mnuDTMFCom6", false, u"0"_s, "6", "mnuDTMFCom6",
         u"DTMF tones, no transmitter keying chosen"_s},
        {"mnuBuiltInEmulator", false, emulatorPort, "0", "mnuBuiltInEmulator",
         emulatorPort + u" (no radio)"_s},
        {"mnuDTMFCom3", false, u"0"_s, "3", "mnuDTMFCom3",
         u"DTMF tones, no transmitter keying chosen"_s},
        {"mnuUseDTMFRTS", false, u"0"_s, "3", "mnuDTMFCom3 mnuUseDTMFRTS",
         u"DTMF tones, transmitter keyed by RTS on COM3"_s},
        {"mnuCom2", false, u"2"_s, "0", "mnuCom2", u"Serial COM2 (9600 8N1)"_s},
        // A port the machine lacks is reported, and the choice stays.
        {"mnuCom5", true, u"5"_s, "0", "mnuCom5", u"Serial COM5 (9600 8N1)"_s},
        {"mnuSystemPort(ttyUSB0)", false, u"/dev/ttyUSB0"_s, "0", "mnuSystemPort(ttyUSB0)",
         u"Serial /dev/ttyUSB0 (9600 8N1)"_s},
        {"mnuOtherPort", false, u"tcp://127.0.0.1:4001"_s, "0", "mnuOtherPort",
         u"Serial tcp://127.0.0.1:4001 (9600 8N1)"_s},
        {"mnuDTMFCom2", false, u"0"_s, "2", "mnuDTMFCom2 mnuUseDTMFRTS",
         u"DTMF tones, transmitter keyed by RTS on COM2"_s},
        {"mnuUseDTMFDTR", false, u"0"_s, "2", "mnuDTMFCom2 mnuUseDTMFDTR",
         u"DTMF tones, transmitter keyed by DTR on COM2"_s},
        {"mnuCom3", false, u"3"_s, "0", "mnuCom3", u"Serial COM3 (9600 8N1)"_s},
        // A tone delay chooses the tone link, even when its prompt is cancelled.
        {"mnuDTMFDelay", false, u"0"_s, "0", "mnuUseDTMFDTR",
         u"DTMF tones, no transmitter keying chosen"_s},
    };
    // The machine's own ports join the menu when it opens; "Other port…" asks for a path.
    auto* serialMenu = main.findChild<QMenu*>(u"mnuConfigSerialPort"_s);
    emit serialMenu->aboutToShow();
    EXPECT_TRUE(serialMenu->actions().contains(item("mnuBuiltInEmulator")));
    EXPECT_EQ(item("mnuOtherPort")->text(), u"Other port…"_s);
    messages.inputs = {u"tcp://127.0.0.1:4001"_s};
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
    EXPECT_EQ(testedPorts,
              (QStringList{u"6"_s, emulatorPort, u"3"_s, u"2"_s, u"5"_s, u"/dev/ttyUSB0"_s,
                           u"tcp://127.0.0.1:4001"_s, u"2"_s, u"3"_s}));
    ASSERT_EQ(
        messages.messageTexts(),
        QStringList{u"Sorry, that Comport does not exist on your system. Please try again"_s});
    EXPECT_EQ(messages.calls[0].buttons, Buttons::Ok);
}

TEST_F(MainWindowTest, DelayPromptsStoreNumbersAndLimitTheSerialDelay) {
    startWithSample();
    const struct {
        const char* item;
        std::optional<QString> answer;
        const char* title;
        QString stored;
        bool limited;
    } cases[] = {
        {"mnuSerialDelay", u"2"_s, "Serial Port Delay", u"1"_s, true},
        {"mnuSerialDelay", u"0"_s, "Serial Port Delay", u"0"_s, false},
        {"mnuSerialDelay", std::nullopt, "Serial Port Delay", u"0"_s, false},
        {"mnuDTMFDelay", u"85"_s, "DTMF Interdigit Delay", u"85"_s, false},
        {"mnuDTMFDelay", u"fast"_s, "DTMF Interdigit Delay", u"0"_s, false},
        {"mnuConfigureTXDelay", u"350ms"_s, "DTMF Interdigit Delay", u"350"_s, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        trigger("mnuCom1");
        messages.clear();
        messages.inputs.append(c.answer);
        trigger(c.item);
        ASSERT_EQ(messages.calls.size(), c.limited ? 2 : 1);
        EXPECT_TRUE(messages.calls[0].isInput);
        EXPECT_EQ(messages.calls[0].text, u"Enter the delay time in milliseconds"_s);
        EXPECT_EQ(messages.calls[0].title, QLatin1String(c.title));
        if (c.limited) {
            EXPECT_EQ(messages.calls[1].text, u"Value may be no greater than 1"_s);
            EXPECT_EQ(messages.calls[1].buttons, Buttons::Ok);
        }
        const QString item = QLatin1String(c.item);
        const bool serial = item == u"mnuSerialDelay"_s;
        const QString stored = serial ? QString::number(settings->serialDelay())
                               : item == u"mnuDTMFDelay"_s ? settings->dtmfDelay()
                                                           : settings->txTemp();
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(settings->comPort(), serial ? u"1"_s : u"0"_s);
        if (serial) {
            EXPECT_TRUE(
                readFile(u"kovo.ini"_s).contains("SerialDelay=" + c.stored.toUtf8() + "\r\n"));
        }
    }
    // The prompt offers the value in use.
    for (const auto& [name, offered] :
         {std::pair{"mnuDTMFDelay", "0"}, {"mnuConfigureTXDelay", "350"}}) {
        messages.clear();
        trigger(name);
        EXPECT_EQ(messages.calls[0].defaultText, QLatin1String(offered));
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
    EXPECT_TRUE(texts.contains(u"Kovo Tarsis Programmer"_s));
    EXPECT_TRUE(texts.contains(u"Version "_s + programVersion()));
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
    EXPECT_LE(main.tabStrip()->sizeHint().width(), 1024); // no tab behind scroll arrows
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

} // namespace
} // namespace kovo::testing
