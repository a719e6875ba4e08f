#include "emulator/tarsis_emulator.h"
#include "link_fixture.h"
#include "shell/built_in_emulator.h"

#include <QAction>
#include <QMenu>

namespace kovo::testing {
namespace {

using BuiltInEmulatorTest = LinkWindowTest;

TEST_F(BuiltInEmulatorTest, AFirstStartChoosesTheEmulatorWhenTheProgramAsks) {
    const QString emulatorPort = QStringLiteral("Built-in Tarsis emulator");
    struct Case {
        const char* name;
        bool ask;
        bool iniExists;
        QString comPort;
    };
    const Case cases[] = {
        {"first start", true, false, emulatorPort},
        {"settings file present", true, true, QStringLiteral("3")},
        {"not asked", false, false, QStringLiteral("0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        QFile::remove(path(QStringLiteral("kovo.ini")));
        const QString dat = writeSampleDat(QStringLiteral("first.dat"));
        if (c.iniExists)
            writeIni("ComPort=3\r\n");
        dialogs.answers = {dat};
        KovoMain& main = makeWindow();
        main.setBuiltInEmulatorOnFirstStart(c.ask);
        ASSERT_TRUE(main.startUp());
        EXPECT_EQ(settings->comPort(), c.comPort);
        QAction* item = main.menuAction(QStringLiteral("mnuBuiltInEmulator"));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(), emulatorPort);
        EXPECT_EQ(item->isChecked(), c.comPort == emulatorPort);
        EXPECT_FALSE(main.menuAction(QStringLiteral("mnuOtherPort"))->isChecked());
    }
}

TEST_F(BuiltInEmulatorTest, TheConfigureItemSelectsItBesideTheRealPorts) {
    KovoMain& main = startWithSample();
    main.menuAction(QStringLiteral("mnuDTMFCom6"))->trigger(); // the tone link, keyed on Com6
    QAction* item = main.menuAction(QStringLiteral("mnuBuiltInEmulator"));
    // It sits in the serial port menu with Com1 to Com8.
    auto* serial = main.findChild<QMenu*>(QStringLiteral("mnuConfigSerialPort"));
    ASSERT_TRUE(serial->actions().contains(item));
    item->trigger();
    EXPECT_EQ(settings->comPort(), QStringLiteral("Built-in Tarsis emulator"));
    EXPECT_EQ(settings->dtmfComPort(), QStringLiteral("0"));
    EXPECT_TRUE(item->isChecked());
    EXPECT_FALSE(main.menuAction(QStringLiteral("mnuDTMFCom6"))->isChecked());
    EXPECT_EQ(testedPorts.constLast(), QStringLiteral("Built-in Tarsis emulator"));
    EXPECT_TRUE(readFile(QStringLiteral("kovo.ini")).contains("ComPort=Built-in Tarsis emulator"));
    main.menuAction(QStringLiteral("mnuUseDTMFDTR"))->trigger();
    EXPECT_FALSE(item->isChecked());
}

TEST_F(BuiltInEmulatorTest, ItsMemoryOutlivesTheProgram) {
    startOnEmulator();
    db.setValue(u"HangTime", 3, QStringLiteral("123"));
    db.setPending(u"HangTimePending", 3);
    openUploadWindow();
    clickAndWait(QStringLiteral("Update"));
    ASSERT_EQ(emulator->acceptedLines(), QStringList{QStringLiteral("3*1000123")});
    const QByteArray memory = emulator->memory().bytes();
    emulator.reset();
    window.reset();
    ASSERT_TRUE(QFile::exists(path(QStringLiteral("emulator.mem"))));

    KovoMain& again = makeWindow();
    EXPECT_EQ(again.builtInEmulator()->memory().bytes(), memory);
    EXPECT_NE(TarsisMemory().bytes(), memory);
}

} // namespace
} // namespace kovo::testing
