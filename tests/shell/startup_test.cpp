#include "database/database_file.h"
#include "database/field_table.h"
#include "editors/editor_window.h"
#include "editors/program_info.h"
#include "shell/editor_area.h"
#include "shell/title_bar.h"
#include "shell_fixture.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QTabBar>

namespace kovo::testing {
namespace {

using StartUpTest = ShellTest;

TEST_F(StartUpTest, MissingLastRCFileLoadsDefaultsLogsEveryValueAndReportsOnce) {
    writeFile(QStringLiteral("error.log"), "left from an earlier run\r\n");
    const QString missing = path(QStringLiteral("gone.dat"));
    writeIni("LastRCFile=" + missing.toUtf8() + "\r\n");
    db.setValue(u"HangTime", 1, QStringLiteral("77"));

    KovoMain& main = makeWindow();
    ASSERT_TRUE(main.startUp());

    EXPECT_TRUE(dialogs.calls.isEmpty());
    EXPECT_EQ(main.currentDatabaseFile(), missing);
    EXPECT_EQ(db.value(u"HangTime", 1), fieldDefault(*findField(u"HangTime"), 1));
    // The log was created afresh and holds one line per labelled value, in reading order.
    const QByteArray log = readFile(QStringLiteral("error.log"));
    EXPECT_FALSE(log.contains("earlier run"));
    EXPECT_TRUE(log.startsWith("Ram_HangTime 1\r\n")) << log.left(80).toStdString();
    EXPECT_EQ(log.count("\r\n"), errorLog.lines().size());
    EXPECT_GT(errorLog.lines().size(), 100);

    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_EQ(messages.calls[0].text, LoadErrorsMessage);
    EXPECT_EQ(messages.calls[0].title, QStringLiteral("Error!"));
    EXPECT_EQ(messages.calls[0].buttons, Buttons::Ok);
    EXPECT_FALSE(db.loadErrors());
    EXPECT_TRUE(db.settingsSaved());
    EXPECT_EQ(shownTitle(main), titleBarText(missing));
}

TEST_F(StartUpTest, EmptyLastRCFileAndCancelEndsBeforeTheWindowShows) {
    writeIni("LastRCFile=\r\n");
    KovoMain& main = makeWindow();
    EXPECT_FALSE(main.startUp());

    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_FALSE(dialogs.calls[0].save);
    EXPECT_EQ(dialogs.calls[0].title, QStringLiteral("Open Controller Database File"));
    EXPECT_EQ(dialogs.calls[0].filter, QStringLiteral("Tarsis Memory Files (*.dat)"));
    EXPECT_TRUE(main.programEnded());
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(main.editor(0), nullptr);
    EXPECT_TRUE(messages.calls.isEmpty());
}

// Start-up builds only the editor in front; each other editor is built when its tab is first
// shown, or when another editor's Apply needs it (the timers set the port switches).
TEST_F(StartUpTest, FirstRunAsksForAFileAndBuildsEachEditorWhenFirstNeeded) {
    const QString dat = writeSampleDat(QStringLiteral("first.dat"));
    dialogs.answers.append(dat);
    KovoMain& main = makeWindow();
    ASSERT_TRUE(main.startUp());
    EXPECT_EQ(main.currentDatabaseFile(), dat);
    EXPECT_TRUE(messages.calls.isEmpty());
    EXPECT_TRUE(errorLog.lines().isEmpty());
    EXPECT_EQ(shownTitle(main), titleBarText(dat));
    EXPECT_EQ(settings->comPort(), QStringLiteral("0")); // no settings file: the tone link
    const auto built = [&main] {
        QList<int> tabs;
        for (int tab = 0; tab < KovoMain::EditorCount; ++tab) {
            if (main.editorArea().isBuilt(tab))
                tabs << tab;
        }
        return tabs;
    };
    EXPECT_EQ(built(), QList<int>{0});

    const std::pair<const char*, const char*> tabs[] = {
        {"Timers", "Timers"},
        {"Courtesy Tones", "Courtesy Tones"},
        {"Macros", "Macros"},
        {"Scheduler/Clock", "Scheduler/Clock Configuration"},
        {"Analog", "Analog Channels Configuration"},
        {"IDs", "Identification"},
        {"Messages", "Message Macros"},
        {"DTMF", "DTMF Memories"},
        {"Alarms/R. Base/Aux Audio", "Alarms"},
        {"Special Codes/Autopatch", "Special Codes"},
        {"Port Switches", "Port Switches"},
    };
    ASSERT_EQ(main.tabStrip()->count(), KovoMain::EditorCount);
    EXPECT_EQ(main.tabStrip()->objectName(), QStringLiteral("SSTab1"));
    EXPECT_EQ(main.tabStrip()->tabText(0), QStringLiteral("Timers"));
    for (int tab = 1; tab < KovoMain::EditorCount; ++tab) {
        main.tabStrip()->setCurrentIndex(tab);
        EXPECT_EQ(main.tabStrip()->tabText(tab), QString::fromLatin1(tabs[tab].first));
        ASSERT_NE(main.frontEditor(), nullptr) << tab;
        EXPECT_EQ(main.frontEditor()->windowTitle(), QString::fromLatin1(tabs[tab].second));
        if (tab == 1) {
            EXPECT_EQ(built(), (QList<int>{0, 1, 10}));
        }
    }
}

TEST_F(StartUpTest, TitleBarShowsShortPathsWholeAndCutsLongerOnes) {
    const QString sep = QDir::separator();
    struct Case {
        QString path;
        QString title;
    };
    const QString twenty = QStringLiteral("/kovo/configs/ab.dat");     // 20 characters
    const QString twentyOne = QStringLiteral("/kovo/configs/abc.dat"); // 21 characters
    ASSERT_EQ(twenty.size(), 20);
    ASSERT_EQ(twentyOne.size(), 21);
    const Case cases[] = {
        {twenty, QStringLiteral("Veltrane Kovo Programmer    ") + QDir::toNativeSeparators(twenty)},
        {twentyOne, QStringLiteral("Veltrane Kovo Programmer   ") +
                        QDir::toNativeSeparators(twentyOne).left(20) + QStringLiteral("....") +
                        sep + QStringLiteral("abc.dat")},
        {QStringLiteral("/a/much/longer/folder/name/site.dat"),
         QStringLiteral("Veltrane Kovo Programmer   ") +
             QDir::toNativeSeparators(QStringLiteral("/a/much/longer/folde")) +
             QStringLiteral("....") + sep + QStringLiteral("site.dat")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(titleBarText(c.path), c.title) << c.path.toStdString();
}

// A start-up on a file whose lock equals its terminator, with the serial link in kovo.ini.
TEST_F(StartUpTest, ALockEqualToTheTerminatorJumpsToTheSpecialCodesAndTheMarksShowTheLink) {
    Database clashing;
    clashing.setStoredLock(QStringLiteral("D"));
    clashing.setStoredTerminator(QStringLiteral("D"));
    const QString dat = path(QStringLiteral("clash.dat"));
    ASSERT_TRUE(saveWholeDatabase(clashing, dat).ok);
    writeIni("LastRCFile=" + dat.toUtf8() + "\r\nComPort=4\r\nDTMFComPort=0\r\nWhichSend=1\r\n");
    KovoMain& main = makeWindow();
    ASSERT_TRUE(main.startUp());
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_EQ(messages.calls[0].text, LockTerminatorClashMessage);
    EXPECT_EQ(messages.calls[0].buttons, Buttons::Ok);
    EXPECT_EQ(main.tabStrip()->currentIndex(), 9);
    EXPECT_EQ(main.frontEditor(), main.editor(9));
    EXPECT_FALSE(db.lockTerminatorClash());
    for (int n = 1; n <= 8; ++n) {
        EXPECT_EQ(main.menuAction(QStringLiteral("mnuCom%1").arg(n))->isChecked(), n == 4) << n;
        EXPECT_FALSE(main.menuAction(QStringLiteral("mnuDTMFCom%1").arg(n))->isChecked()) << n;
    }
    // The serial link is in force: no PTT line is ticked.
    EXPECT_FALSE(main.menuAction(QStringLiteral("mnuUseDTMFDTR"))->isChecked());
    EXPECT_FALSE(main.menuAction(QStringLiteral("mnuUseDTMFRTS"))->isChecked());
}

TEST_F(StartUpTest, ExitAsksToSaveUnsavedChangesAndActsOnEachAnswer) {
    struct Case {
        const char* name;
        QList<Answer> answers;
        bool saveDialogAnswered;
        bool ends;
        bool written;
    };
    const Case cases[] = {
        {"Cancel", {Answer::Cancel}, false, false, false},
        {"No", {Answer::No}, false, true, false},
        {"Yes", {Answer::Yes}, true, true, true},
        {"Yes, Save As cancelled", {Answer::Yes}, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KovoMain& main = startWithSample();
        const QByteArray iniBefore = readFile(QStringLiteral("kovo.ini"));
        db.setValue(u"HangTime", 1, QStringLiteral("12"));
        db.setSettingsSaved(false);
        const QString target = path(QStringLiteral("exit.dat"));
        QFile::remove(target);
        messages.answers = c.answers;
        dialogs.calls.clear();
        if (c.saveDialogAnswered)
            dialogs.answers.append(target);

        // Closing the window runs Exit.
        main.show();
        main.close();
        ASSERT_GE(messages.calls.size(), 1);
        EXPECT_EQ(messages.calls[0].text, KovoMain::saveQuestion());
        EXPECT_EQ(messages.calls[0].title, QStringLiteral("Save Database"));
        EXPECT_EQ(messages.calls[0].buttons, Buttons::YesNoCancel);
        EXPECT_EQ(main.programEnded(), c.ends);
        EXPECT_EQ(main.isVisible(), !c.ends);
        EXPECT_EQ(QFile::exists(target), c.written);
        if (c.written) {
            EXPECT_TRUE(db.settingsSaved());
            EXPECT_TRUE(readFile(QStringLiteral("exit.dat")).contains("HangTime(1)=12"));
            EXPECT_TRUE(readFile(QStringLiteral("kovo.ini")).contains(target.toUtf8()));
        } else {
            EXPECT_EQ(readFile(QStringLiteral("kovo.ini")), iniBefore);
        }
        window.reset();
    }
}

TEST_F(StartUpTest, ExitWithNothingUnsavedWritesPlacementAndLastFile) {
    KovoMain& main = startWithSample();
    main.fileExit();
    EXPECT_TRUE(main.programEnded());
    EXPECT_TRUE(messages.calls.isEmpty());
    const QByteArray ini = readFile(QStringLiteral("kovo.ini"));
    EXPECT_TRUE(ini.contains("Window Width="));
    EXPECT_TRUE(ini.contains("Window State=0"));
    EXPECT_TRUE(ini.contains("LastRCFile=" + main.currentDatabaseFile().toUtf8()));
    // The next start puts the window where it was.
    const QRect before = main.geometry();
    window.reset();
    KovoMain& again = makeWindow();
    ASSERT_TRUE(again.startUp());
    EXPECT_EQ(again.geometry().size(), before.size());
}

} // namespace
} // namespace kovo::testing
