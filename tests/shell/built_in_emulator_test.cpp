#include "shell/built_in_emulator.h"
#include "shell_fixture.h"

namespace kovo::testing {
namespace {

using BuiltInEmulatorTest = ShellTest;

TEST_F(BuiltInEmulatorTest, AFirstStartChoosesTheEmulatorWhenTheProgramAsks) {
    const QString emulatorPort = u"Built-in Tarsis emulator"_s;
    struct Case {
        const char* name;
        bool ask;
        bool iniExists;
        QString comPort;
    };
    const Case cases[] = {
        {"first start", true, false, emulatorPort},
        {"settings file present", true, true, u"3"_s},
        {"not asked", false, false, u"0"_s},
    };
    for (const Case& c : cases) {
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
        QAction* item = main.menuAction(u"mnuBuiltInEmulator"_s);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(), emulatorPort);
        EXPECT_EQ(item->isChecked(), c.comPort == emulatorPort);
        EXPECT_FALSE(main.menuAction(u"mnuOtherPort"_s)->isChecked());
    }
}

TEST_F(BuiltInEmulatorTest, ItsMemoryOutlivesTheProgram) {
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

} // namespace
} // namespace kovo::testing
