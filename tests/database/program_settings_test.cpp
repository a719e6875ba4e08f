#include "database/profile_file.h"
#include "database/program_folder.h"
#include "database/program_settings.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kovo;

namespace {

TEST(ProgramSettings, FirstStartSelectsTheToneLinkAndNoFile) {
    QTemporaryDir dir;
    ProgramSettings settings(dir.path());
    settings.load();
    EXPECT_FALSE(settings.fileExisted());
    EXPECT_EQ(settings.comPort(), QStringLiteral("0"));
    EXPECT_FALSE(settings.serialLink());
    EXPECT_EQ(settings.dtmfComPort(), QStringLiteral("0"));
    EXPECT_EQ(settings.dtmfDelay(), QStringLiteral("0"));
    EXPECT_EQ(settings.serialDelay(), 0);
    EXPECT_TRUE(settings.lastRCFile().isEmpty());
    EXPECT_FALSE(settings.placement(QStringLiteral("Main")).present);
}

TEST(ProgramSettings, NumericKeysPortNamesAndSettersThatWriteAtOnce) {
    QTemporaryDir dir;
    const QString ini = QDir(dir.path()).filePath(QStringLiteral("kovo.ini"));
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
        ASSERT_TRUE(writeIni(u"Main", u"DTMFDelay", QStringLiteral(" 1 20ms"), ini));
        ProgramSettings settings(dir.path());
        settings.load();
        EXPECT_EQ(settings.comPort(), QLatin1String(comPort)) << stored;
        EXPECT_EQ(settings.dtmfDelay(), QStringLiteral("120"));
    }

    {
        ProgramSettings settings(dir.path());
        settings.load();
        settings.setComPort(QStringLiteral("5"));
        settings.setWhichSend(QStringLiteral("2"));
        settings.setSerialDelay(1);
        settings.setLastRCFile(QStringLiteral("/home/op/site.dat"));
        settings.setPlacement(QStringLiteral("Update"), {640, 480, 10, 20, 2, true});
    }
    ProgramSettings settings(dir.path());
    settings.load();
    EXPECT_EQ(settings.comPort(), QStringLiteral("5"));
    EXPECT_EQ(settings.whichSend(), QStringLiteral("2"));
    EXPECT_EQ(settings.serialDelay(), 1);
    EXPECT_EQ(settings.lastRCFile(), QStringLiteral("/home/op/site.dat"));
    const WindowPlacement update = settings.placement(QStringLiteral("Update"));
    EXPECT_TRUE(update.present);
    EXPECT_EQ(update.width, 640);
    EXPECT_EQ(update.left, 20);
    EXPECT_EQ(update.state, 2);
    EXPECT_FALSE(settings.placement(QStringLiteral("Manualsend")).present);
}

TEST(ProgramFolder, HomeOverridePortableAndPerUser) {
    QTemporaryDir home;
    QTemporaryDir exe;
    EXPECT_EQ(resolveProgramFolder(home.path(), exe.path()), QDir(home.path()).absolutePath());
    // Without kovo.ini beside the executable the per-user folder is used ...
    EXPECT_NE(resolveProgramFolder(QString(), exe.path()), QDir(exe.path()).absolutePath());
    // ... with one, the install is portable.
    ASSERT_TRUE(writeIni(u"Main", u"ComPort", QStringLiteral("0"),
                         QDir(exe.path()).filePath(QStringLiteral("kovo.ini"))));
    EXPECT_EQ(resolveProgramFolder(QString(), exe.path()), QDir(exe.path()).absolutePath());
}

} // namespace
