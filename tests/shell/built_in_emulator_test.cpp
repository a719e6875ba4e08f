#include "shell/built_in_emulator.h"
#include "shell_fixture.h"

namespace kovo::testing {
namespace {

using BuiltInEmulatorTest = ShellTest;

TEST_F(BuiltInEmulatorTest, AFirstStartChoosesTheEmulatorWhenTheProgramAsks) {
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
