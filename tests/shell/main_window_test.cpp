#include "database/database_file.h"
#include "editors/editor_window.h"
#include "editors/program_info.h"
#include "shell/about_window.h"
#include "shell/saving_window.h"
#include "shell/title_bar.h"
#include "shell_fixture.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTimer>

namespace kovo::testing {
namespace {

using MainWindowTest = ShellTest;

TEST_F(MainWindowTest, MenusCarryTheirShortcutsAndOrder) {
    KovoMain& main = makeWindow();
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Veltrane Kovo Programmer"));
    const std::pair<const char*, const char*> shortcuts[] = {
        {"mnuFileNew", "Ctrl+N"},    {"mnuFileOpen", "Ctrl+O"}, {"mnuFileSave", "Ctrl+S"},
        {"mnuFileSaveAs", "Ctrl+A"}, {"mnuFileExit", "Ctrl+X"},
    };
    for (const auto& [name, shortcut] : shortcuts)
        EXPECT_EQ(main.menuAction(QString::fromLatin1(name))->shortcut().toString(),
                  QString::fromLatin1(shortcut));
    // The machine's own ports follow Com1 to Com8 when the menu opens, then "Other port…".
    emit main.findChild<QMenu*>(QStringLiteral("mnuConfigSerialPort"))->aboutToShow();
    EXPECT_NE(main.menuAction(QStringLiteral("mnuSystemPort(ttyUSB0)")), nullptr);
    EXPECT_EQ(main.menuAction(QStringLiteral("mnuOtherPort"))->text(),
              QStringLiteral("Other port…"));
}

TEST_F(MainWindowTest, LeavingATabAppliesTheEditorLeftAndFrontsTheNewOne) {
    KovoMain& main = startWithSample();
    auto* hang = main.editor(0)->findChild<QLineEdit*>(QStringLiteral("HangTimer(1)"));
    ASSERT_NE(hang, nullptr);
    hang->selectAll();
    QTest::keyClicks(hang, QStringLiteral("42"));
    EXPECT_NE(db.value(u"HangTime", 1), QStringLiteral("42"));

    main.tabStrip()->setCurrentIndex(7);
    EXPECT_EQ(db.value(u"HangTime", 1), QStringLiteral("42"));
    EXPECT_TRUE(db.pending(u"HangTimePending", 1));
    EXPECT_FALSE(db.settingsSaved());
    ASSERT_NE(main.frontEditor(), nullptr);
    EXPECT_EQ(main.frontEditor(), main.editor(7));
    EXPECT_EQ(main.frontEditor()->windowTitle(), QStringLiteral("DTMF Memories"));

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
}

TEST_F(MainWindowTest, SerialPortItemsCheckOnlyTheChosenPort) {
    KovoMain& main = startWithSample();
    const auto status = [&main] {
        return main.findChild<QLabel*>(QStringLiteral("LinkStatus"))->text();
    };
    main.menuAction(QStringLiteral("mnuBuiltInEmulator"))->trigger();
    EXPECT_EQ(status(), QStringLiteral("Built-in Tarsis emulator (no radio)"));
    main.menuAction(QStringLiteral("mnuDTMFCom3"))->trigger();
    main.menuAction(QStringLiteral("mnuUseDTMFDTR"))->trigger();
    main.menuAction(QStringLiteral("mnuCom2"))->trigger();
    portExists = false;
    main.menuAction(QStringLiteral("mnuCom5"))->trigger();

    // The serial port clears the PTT port, and no PTT mark stays.
    EXPECT_EQ(settings->comPort(), QStringLiteral("5"));
    EXPECT_EQ(settings->dtmfComPort(), QStringLiteral("0"));
    for (int n = 1; n <= 8; ++n) {
        EXPECT_EQ(main.menuAction(QStringLiteral("mnuCom%1").arg(n))->isChecked(), n == 5) << n;
        EXPECT_FALSE(main.menuAction(QStringLiteral("mnuDTMFCom%1").arg(n))->isChecked()) << n;
    }
    EXPECT_FALSE(main.menuAction(QStringLiteral("mnuUseDTMFDTR"))->isChecked());
    EXPECT_FALSE(main.menuAction(QStringLiteral("mnuUseDTMFRTS"))->isChecked());
    EXPECT_EQ(status(), QStringLiteral("Serial COM5 (9600 8N1)"));
    EXPECT_EQ(testedPorts.last(), QStringLiteral("5"));
    // A port the machine lacks is reported, and the choice stays.
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_EQ(
        messages.calls[0].text,
        QStringLiteral("Sorry, that Comport does not exist on your system. Please try again"));
    EXPECT_EQ(messages.calls[0].buttons, Buttons::Ok);
    const QByteArray ini = readFile(QStringLiteral("kovo.ini"));
    EXPECT_TRUE(ini.contains("ComPort=5\r\n"));

    // The machine's own port by its system name.
    portExists = true;
    emit main.findChild<QMenu*>(QStringLiteral("mnuConfigSerialPort"))->aboutToShow();
    main.menuAction(QStringLiteral("mnuSystemPort(ttyUSB0)"))->trigger();
    EXPECT_EQ(settings->comPort(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_FALSE(main.menuAction(QStringLiteral("mnuCom5"))->isChecked());
    EXPECT_TRUE(main.menuAction(QStringLiteral("mnuSystemPort(ttyUSB0)"))->isChecked());

    // "Other port…" takes a device path or tcp://host:port.
    messages.inputs.append(QStringLiteral("tcp://127.0.0.1:4001"));
    main.menuAction(QStringLiteral("mnuOtherPort"))->trigger();
    EXPECT_EQ(settings->comPort(), QStringLiteral("tcp://127.0.0.1:4001"));
    EXPECT_EQ(testedPorts.last(), QStringLiteral("tcp://127.0.0.1:4001"));
    EXPECT_TRUE(main.menuAction(QStringLiteral("mnuOtherPort"))->isChecked());
    EXPECT_FALSE(main.menuAction(QStringLiteral("mnuSystemPort(ttyUSB0)"))->isChecked());
}

TEST_F(MainWindowTest, PttItemsChooseTheToneLink) {
    KovoMain& main = startWithSample();
    main.menuAction(QStringLiteral("mnuCom3"))->trigger();
    main.menuAction(QStringLiteral("mnuDTMFCom6"))->trigger();
    main.menuAction(QStringLiteral("mnuDTMFCom2"))->trigger();
    EXPECT_EQ(settings->dtmfComPort(), QStringLiteral("2"));
    EXPECT_EQ(settings->comPort(), QStringLiteral("0"));
    EXPECT_EQ(testedPorts.last(), QStringLiteral("2"));
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(main.menuAction(QStringLiteral("mnuDTMFCom%1").arg(n))->isChecked(), n == 2);

    main.menuAction(QStringLiteral("mnuUseDTMFRTS"))->trigger();
    EXPECT_EQ(settings->whichSend(), QStringLiteral("2"));
    EXPECT_TRUE(main.menuAction(QStringLiteral("mnuUseDTMFRTS"))->isChecked());
    EXPECT_FALSE(main.menuAction(QStringLiteral("mnuUseDTMFDTR"))->isChecked());
    EXPECT_FALSE(main.menuAction(QStringLiteral("mnuCom3"))->isChecked());
    EXPECT_EQ(main.findChild<QLabel*>(QStringLiteral("LinkStatus"))->text(),
              QStringLiteral("DTMF tones, transmitter keyed by RTS on COM2"));
    main.menuAction(QStringLiteral("mnuUseDTMFDTR"))->trigger();
    EXPECT_EQ(settings->whichSend(), QStringLiteral("1"));
    EXPECT_FALSE(main.menuAction(QStringLiteral("mnuUseDTMFRTS"))->isChecked());
    const QByteArray ini = readFile(QStringLiteral("kovo.ini"));
    EXPECT_TRUE(ini.contains("WhichSend=1\r\n"));
    EXPECT_TRUE(ini.contains("DTMFComPort=2\r\n"));
    EXPECT_TRUE(ini.contains("ComPort=0\r\n"));
    EXPECT_TRUE(messages.calls.isEmpty());
    // A tone delay chooses the tone link: the marks follow at once.
    main.menuAction(QStringLiteral("mnuCom3"))->trigger();
    main.menuAction(QStringLiteral("mnuDTMFDelay"))->trigger();
    EXPECT_FALSE(main.menuAction(QStringLiteral("mnuCom3"))->isChecked());
    EXPECT_TRUE(main.menuAction(QStringLiteral("mnuUseDTMFDTR"))->isChecked());
}

TEST_F(MainWindowTest, DelayPromptsStoreNumbersAndLimitTheSerialDelay) {
    KovoMain& main = startWithSample();
    struct Case {
        const char* item;
        std::optional<QString> answer;
        const char* title;
        QString expected;
        bool limited;
    };
    const Case cases[] = {
        {"mnuSerialDelay", QStringLiteral("2"), "Serial Port Delay", QStringLiteral("1"), true},
        {"mnuSerialDelay", QStringLiteral("0"), "Serial Port Delay", QStringLiteral("0"), false},
        {"mnuSerialDelay", std::nullopt, "Serial Port Delay", QStringLiteral("0"), false},
        {"mnuDTMFDelay", QStringLiteral("85"), "DTMF Interdigit Delay", QStringLiteral("85"),
         false},
        {"mnuDTMFDelay", QStringLiteral("fast"), "DTMF Interdigit Delay", QStringLiteral("0"),
         false},
        {"mnuConfigureTXDelay", QStringLiteral("350ms"), "DTMF Interdigit Delay",
         QStringLiteral("350"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        main.menuAction(QStringLiteral("mnuCom1"))->trigger();
        messages.clear();
        messages.inputs.append(c.answer);
        main.menuAction(QString::fromLatin1(c.item))->trigger();
        ASSERT_GE(messages.calls.size(), 1);
        EXPECT_TRUE(messages.calls[0].isInput);
        EXPECT_EQ(messages.calls[0].text, QStringLiteral("Enter the delay time in milliseconds"));
        EXPECT_EQ(messages.calls[0].title, QString::fromLatin1(c.title));
        ASSERT_EQ(messages.calls.size(), c.limited ? 2 : 1);
        if (c.limited) {
            EXPECT_EQ(messages.calls[1].text, QStringLiteral("Value may be no greater than 1"));
            EXPECT_EQ(messages.calls[1].buttons, Buttons::Ok);
        }
        const QString item = QString::fromLatin1(c.item);
        if (item == QLatin1String("mnuSerialDelay")) {
            EXPECT_EQ(QString::number(settings->serialDelay()), c.expected);
            EXPECT_EQ(settings->comPort(), QStringLiteral("1"));
            EXPECT_TRUE(readFile(QStringLiteral("kovo.ini"))
                            .contains("SerialDelay=" + c.expected.toUtf8() + "\r\n"));
        } else {
            const QString stored =
                item == QLatin1String("mnuDTMFDelay") ? settings->dtmfDelay() : settings->txTemp();
            EXPECT_EQ(stored, c.expected);
            EXPECT_EQ(settings->comPort(), QStringLiteral("0"));
        }
    }
    // The prompt offers the value in use.
    messages.clear();
    main.menuAction(QStringLiteral("mnuDTMFDelay"))->trigger();
    EXPECT_EQ(messages.calls[0].defaultText, QStringLiteral("0"));
    messages.clear();
    main.menuAction(QStringLiteral("mnuConfigureTXDelay"))->trigger();
    EXPECT_EQ(messages.calls[0].defaultText, QStringLiteral("350"));
}

TEST_F(MainWindowTest, AboutWindowShowsVersionAndTitle) {
    KovoMain& main = startWithSample();
    main.menuAction(QStringLiteral("mnuAbout"))->trigger();
    auto* about = main.findChild<AboutWindow*>();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Kovo Programmer"));
    QStringList texts;
    for (QLabel* label : about->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Kovo Tarsis Programmer")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Version ") + programVersion()));
    about->accept();
}

TEST_F(MainWindowTest, SerialTimersCountToFiveAndStay) {
    KovoMain& main = makeWindow();
    auto* timer = main.findChild<QTimer*>(QStringLiteral("SerialTimer2"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 1000);
    for (int i = 0; i < 7; ++i)
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
    EXPECT_EQ(main.serialTimerTicks(2), 5);
    EXPECT_EQ(main.serialTimerTicks(1), 0);
    main.resetSerialTimer(2);
    EXPECT_EQ(main.serialTimerTicks(2), 0);
}

} // namespace
} // namespace kovo::testing
