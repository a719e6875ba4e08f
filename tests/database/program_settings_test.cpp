#include "database/profile_file.h"
#include "database/program_folder.h"
#include "database/program_settings.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kovo;
using namespace Qt::StringLiterals;

namespace {

TEST(ProgramSettings, FirstStartSelectsTheToneLinkAndNoFile) {
    QTemporaryDir dir;
    ProgramSettings settings(dir.path());
    settings.load();
    EXPECT_FALSE(settings.fileExisted());
    EXPECT_EQ(settings.comPort(), u"0"_s);
    EXPECT_FALSE(settings.serialLink());
    EXPECT_EQ(settings.dtmfComPort(), u"0"_s);
    EXPECT_EQ(settings.dtmfDelay(), u"0"_s);
    EXPECT_EQ(settings.serialDelay(), 0);
    EXPECT_TRUE(settings.lastRCFile().isEmpty());
    EXPECT_FALSE(settings.placement(u"Main"_s).present);
}

TEST(ProgramSettings, NumericKeysPortNamesAndSettersThatWriteAtOnce) {
    QTemporaryDir dir;
    const QString ini = QDir(dir.path()).filePath(u"kovo.ini"_s);
    const std::pair<const char*, const char*> ports[] = {
        {"3", "3"},
        {" 5abc", "5"},
        {"Default", "0"},
        {"", "0"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"tcp://127.0.0.1:4001", "tcp://127.0.0.1:4001"},
        {"COM3", "COM3"}};
    for (const auto& [stored, comPort] : ports) {
        ASSERT_TRUE(writeIni(u"Main", u"ComPort", QLatin1String(stored), ini));
        ASSERT_TRUE(writeIni(u"Main", u"DTMFDelay", u" 1 20ms"_s, ini));
        ProgramSettings settings(dir.path());
        settings.load();
        EXPECT_EQ(settings.comPort(), QLatin1String(comPort)) << stored;
        EXPECT_EQ(settings.dtmfDelay(), u"120"_s);
    }

    {
        ProgramSettings settings(dir.path());
        settings.load();
        settings.setComPort(u"5"_s);
        settings.setWhichSend(u"2"_s);
        settings.setSerialDelay(1);
        settings.setLastRCFile(u"/home/op/site.dat"_s);
        settings.setPlacement(u"Update"_s, {640, 480, 10, 20, 2, true});
    }
    ProgramSettings settings(dir.path());
    settings.load();
    EXPECT_EQ(settings.comPort(), u"5"_s);
    EXPECT_EQ(settings.whichSend(), u"2"_s);
    EXPECT_EQ(settings.serialDelay(), 1);
    EXPECT_EQ(settings.lastRCFile(), u"/home/op/site.dat"_s);
    const WindowPlacement update = settings.placement(u"Update"_s);
    EXPECT_EQ(std::tuple(update.width, update.height, update.top, update.left, update.state),
              std::tuple(640.0, 480.0, 10.0, 20.0, 2));
    EXPECT_TRUE(update.present);
    EXPECT_FALSE(settings.placement(u"Manualsend"_s).present);
}

TEST(ProgramFolder, HomeOverridePortableAndPerUser) {
    QTemporaryDir home;
    QTemporaryDir exe;
    EXPECT_EQ(resolveProgramFolder(home.path(), exe.path()), QDir(home.path()).absolutePath());
    // Without kovo.ini beside the executable the per-user folder is used ...
    EXPECT_NE(resolveProgramFolder(QString(), exe.path()), QDir(exe.path()).absolutePath());
    // ... with one, the install is portable.
    ASSERT_TRUE(writeIni(u"Main", u"ComPort", u"0"_s, QDir(exe.path()).filePath(u"kovo.ini"_s)));
    EXPECT_EQ(resolveProgramFolder(QString(), exe.path()), QDir(exe.path()).absolutePath());
}

} // namespace
