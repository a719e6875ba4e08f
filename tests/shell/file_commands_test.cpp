// Start-up, the title bar, Exit and the File menu.
#include "database/field_table.h"
#include "shell/saving_window.h"
#include "shell_fixture.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>

namespace kovo::testing {
namespace {

using StartUpTest = ShellTest;

TEST_F(StartUpTest, MissingLastRCFileLoadsDefaultsLogsEveryValueAndReportsOnce) {
    writeFile(u"error.log"_s, "left from an earlier run\r\n");
    const QString missing = path(u"gone.dat"_s);
    writeIni("LastRCFile=" + missing.toUtf8() + "\r\n");
    db.setValue(u"HangTime", 1, u"77"_s);

    KovoMain& main = makeWindow();
    ASSERT_TRUE(main.startUp());

    EXPECT_TRUE(dialogs.calls.isEmpty());
    EXPECT_EQ(main.currentDatabaseFile(), missing);
    EXPECT_EQ(db.value(u"HangTime", 1), fieldDefault(*findField(u"HangTime"), 1));
    // The log was created afresh and holds one line per labelled value, in reading order.
    const QByteArray log = readFile(u"error.log"_s);
    EXPECT_FALSE(log.contains("earlier run"));
    EXPECT_TRUE(log.startsWith("Ram_HangTime 1\r\n")) << log.left(80).toStdString();
    EXPECT_EQ(log.count("\r\n"), errorLog.lines().size());
    EXPECT_GT(errorLog.lines().size(), 100);

    ASSERT_EQ(boxes(), QStringList{u"Error!|"_s + LoadErrorsMessage});
    EXPECT_EQ(messages.calls[0].buttons, Buttons::Ok);
    EXPECT_FALSE(db.loadErrors());
    EXPECT_TRUE(db.settingsSaved());
    EXPECT_EQ(shownTitle(main), titleBarText(missing));
}

// With no file named, start-up asks for one: Cancel ends the program before the window shows.
// Start-up builds only the editor in front; each other editor is built when its tab is first
// shown, or when another editor's Apply needs it (the timers set the port switches).
TEST_F(StartUpTest, FirstRunAsksForAFileAndBuildsEachEditorWhenFirstNeeded) {
    KovoMain& cancelled = makeWindow();
    EXPECT_FALSE(cancelled.startUp());
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_FALSE(dialogs.calls[0].save);
    EXPECT_EQ(dialogs.calls[0].title, u"Open Controller Database File"_s);
    EXPECT_EQ(dialogs.calls[0].filter, u"Tarsis Memory Files (*.dat)"_s);
    EXPECT_TRUE(cancelled.programEnded());
    EXPECT_FALSE(cancelled.isVisible());
    EXPECT_EQ(cancelled.editor(0), nullptr);

    const QString dat = writeSampleDat(u"first.dat"_s);
    dialogs.answers.append(dat);
    KovoMain& main = makeWindow();
    ASSERT_TRUE(main.startUp());
    EXPECT_EQ(main.currentDatabaseFile(), dat);
    EXPECT_TRUE(messages.calls.isEmpty());
    EXPECT_TRUE(errorLog.lines().isEmpty());
    EXPECT_EQ(shownTitle(main), titleBarText(dat));
    EXPECT_EQ(settings->comPort(), u"0"_s); // no settings file: the tone link
    const auto built = [&main] {
        QList<int> tabs;
        for (int tab = 0; tab < KovoMain::EditorCount; ++tab) {
            if (main.editorArea().isBuilt(tab))
                tabs << tab;
        }
        return tabs;
    };
    EXPECT_EQ(built(), QList<int>{0});

    const QStringList tabs =
        u"Timers|Courtesy Tones|Macros|Scheduler/Clock|Analog|IDs|Messages|DTMF|Alarms/R. Base/Aux "
        "Audio|Special Codes/Autopatch|Port Switches"_s.split(u'|');
    const QStringList titles =
        u"Timers|Courtesy Tones|Macros|Scheduler/Clock Configuration|Analog Channels "
        "Configuration|Identification|Message Macros|DTMF Memories|Alarms|Special Codes|Port "
        "Switches"_s.split(u'|');
    ASSERT_EQ(main.tabStrip()->count(), KovoMain::EditorCount);
    EXPECT_EQ(main.tabStrip()->objectName(), u"SSTab1"_s);
    for (int tab = 0; tab < KovoMain::EditorCount; ++tab) {
        main.tabStrip()->setCurrentIndex(tab);
        EXPECT_EQ(main.tabStrip()->tabText(tab), tabs.value(tab));
        ASSERT_NE(main.frontEditor(), nullptr) << tab;
        EXPECT_EQ(main.frontEditor()->windowTitle(), titles.value(tab));
        if (tab == 1) {
            EXPECT_EQ(built(), (QList<int>{0, 1, 10}));
        }
    }
}

// A path of up to 20 characters shows whole; a longer one, its first 20 and the file name.
TEST_F(StartUpTest, TitleBarShowsShortPathsWholeAndCutsLongerOnes) {
    const std::pair<QString, QString> cases[] = {
        {u"/kovo/configs/ab.dat"_s, u"Veltrane Kovo Programmer    /kovo/configs/ab.dat"_s},
        {u"/kovo/configs/abc.dat"_s,
         u"Veltrane Kovo Programmer   /kovo/configs/abc.da..../abc.dat"_s},
        {u"/a/much/longer/folder/name/site.dat"_s,
         u"Veltrane Kovo Programmer   /a/much/longer/folde..../site.dat"_s},
    };
    for (const auto& [file, title] : cases)
        EXPECT_EQ(titleBarText(file), QDir::toNativeSeparators(title)) << file.toStdString();
}

// A start-up on a file whose lock equals its terminator, with the serial link in kovo.ini.
TEST_F(StartUpTest, ALockEqualToTheTerminatorJumpsToTheSpecialCodesAndTheMarksShowTheLink) {
    Database clashing;
    clashing.setStoredLock(u"D"_s);
    clashing.setStoredTerminator(u"D"_s);
    const QString dat = writeSampleDat(u"clash.dat"_s, clashing);
    writeIni("LastRCFile=" + dat.toUtf8() + "\r\nComPort=4\r\nDTMFComPort=0\r\nWhichSend=1\r\n");
    KovoMain& main = makeWindow();
    ASSERT_TRUE(main.startUp());
    ASSERT_EQ(boxes(), QStringList{programTitle() + u'|' + LockTerminatorClashMessage});
    EXPECT_EQ(messages.calls[0].buttons, Buttons::Ok);
    EXPECT_EQ(main.tabStrip()->currentIndex(), 9);
    EXPECT_EQ(main.frontEditor(), main.editor(9));
    EXPECT_FALSE(db.lockTerminatorClash());
    // The serial link is in force: no PTT line is ticked.
    EXPECT_EQ(checkedItems(), u"mnuCom4"_s);
}

// With nothing unsaved, Exit asks nothing and keeps the placement and the file for the next start;
// with unsaved changes it asks, and acts on each answer.
TEST_F(StartUpTest, ExitAsksToSaveUnsavedChangesAndActsOnEachAnswer) {
    KovoMain& first = startWithSample();
    first.fileExit();
    EXPECT_TRUE(first.programEnded());
    EXPECT_TRUE(messages.calls.isEmpty());
    const WindowPlacement stored = settings->placement(u"Main"_s);
    EXPECT_TRUE(stored.present && stored.state == 0);
    const QRect placed = first.geometry();
    window.reset();
    KovoMain& again = makeWindow();
    ASSERT_TRUE(again.startUp());
    EXPECT_EQ(again.geometry(), placed);
    EXPECT_EQ(again.currentDatabaseFile(), path(u"sample.dat"_s));
    window.reset();

    const struct {
        const char* name;
        QList<Answer> answers;
        bool ends;
        bool written; // the Save As dialog is answered
    } cases[] = {
        {"Cancel", {Answer::Cancel}, false, false},
        {"No", {Answer::No}, true, false},
        {"Yes", {Answer::Yes}, true, true},
        {"Yes, Save As cancelled", {Answer::Yes}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KovoMain& main = startWithSample();
        const QByteArray iniBefore = readFile(u"kovo.ini"_s);
        db.setValue(u"HangTime", 1, u"12"_s);
        db.setSettingsSaved(false);
        const QString target = path(u"exit.dat"_s);
        QFile::remove(target);
        messages.answers = c.answers;
        dialogs.calls.clear();
        if (c.written)
            dialogs.answers.append(target);

        // Closing the window runs Exit.
        main.show();
        main.close();
        ASSERT_EQ(boxes().value(0), u"Save Database|"_s + KovoMain::saveQuestion());
        EXPECT_EQ(messages.calls[0].buttons, Buttons::YesNoCancel);
        EXPECT_EQ(main.programEnded(), c.ends);
        EXPECT_EQ(main.isVisible(), !c.ends);
        EXPECT_EQ(QFile::exists(target), c.written);
        if (c.written) {
            EXPECT_TRUE(db.settingsSaved());
            EXPECT_TRUE(readFile(u"exit.dat"_s).contains("HangTime(1)=12"));
            EXPECT_TRUE(readFile(u"kovo.ini"_s).contains(target.toUtf8()));
        } else {
            EXPECT_EQ(readFile(u"kovo.ini"_s), iniBefore);
        }
        window.reset();
    }
}

using FileCommandsTest = ShellTest;

// Counts how often a window was shown.
class ShowCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

TEST_F(FileCommandsTest, SaveWritesTheWholeFileBehindTheSavingWindowOrNamesAFailure) {
    KovoMain& main = startWithSample();
    db.setValue(u"HangTime", 2, u"30"_s);
    db.setSettingsSaved(false);
    ShowCounter shows;
    main.savingWindow()->installEventFilter(&shows);
    trigger("mnuFileSave");
    EXPECT_EQ(shows.count, 1);
    EXPECT_FALSE(main.savingWindow()->isVisible());
    EXPECT_EQ(main.savingWindow()->windowTitle(), u"Saving Database"_s);
    EXPECT_EQ(main.savingWindow()->text(), u"Please wait while your database is saved"_s);
    EXPECT_TRUE(db.settingsSaved());
    EXPECT_TRUE(readFile(u"sample.dat"_s).contains("HangTime(2)=30\r\n"));
    EXPECT_TRUE(
        readFile(u"kovo.ini"_s).contains("LastRCFile=" + main.currentDatabaseFile().toUtf8()));
    EXPECT_TRUE(messages.calls.isEmpty());

    // A failed save names the file, and the configuration stays unsaved: Exit still asks.
    const QString unreachable = path(u"no/such/folder/x.dat"_s);
    db.setValue(u"FanTime", u"15"_s);
    dialogs.answers.append(unreachable);
    main.fileSaveAs();
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_TRUE(boxes()[0].startsWith(u"Save Database|The database file "_s +
                                      QDir::toNativeSeparators(unreachable) +
                                      u" could not be saved.\n\n"_s));
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::Critical);
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_FALSE(main.savingWindow()->isVisible());
    messages.clear();
    EXPECT_FALSE(main.fileExit());
    EXPECT_EQ(messages.calls.size(), 1);
}

TEST_F(FileCommandsTest, SaveAsAsksBeforeOverwritingAndKeepsTheOldNameOnNo) {
    KovoMain& main = startWithSample();
    const QString original = main.currentDatabaseFile();
    const QString other = path(u"other.dat"_s);
    writeFile(u"other.dat"_s, "[Foreign]\r\nKeep=1\r\n");
    // A field no open editor shows, so leaving a tab does not put the editor's copy back.
    db.setValue(u"ControlPort", u"2"_s);
    db.setSettingsSaved(false);

    dialogs.answers.append(other);
    messages.answers.append(Answer::No);
    main.fileSaveAs();
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_TRUE(dialogs.calls[0].save);
    EXPECT_EQ(dialogs.calls[0].title, u"Save Controller Database File"_s);
    EXPECT_EQ(dialogs.calls[0].filter, u"Tarsis Database Files (*.dat)"_s);
    EXPECT_EQ(dialogs.calls[0].presetPath, original);
    EXPECT_EQ(dialogs.calls[0].folder, QFileInfo(original).absolutePath());
    ASSERT_EQ(boxes(), QStringList{u"Save Database|File Already Exists! Are you sure you want to "
                                   "overwrite?"_s});
    EXPECT_EQ(messages.calls[0].buttons, Buttons::YesNo);
    EXPECT_TRUE(messages.calls[0].defaultNo); // Enter keeps the file
    EXPECT_EQ(readFile(u"other.dat"_s), "[Foreign]\r\nKeep=1\r\n");
    EXPECT_EQ(main.currentDatabaseFile(), original);
    EXPECT_FALSE(db.settingsSaved());

    dialogs.answers.append(other);
    messages.answers.append(Answer::Yes);
    main.tabStrip()->setCurrentIndex(4);
    main.fileSaveAs();
    EXPECT_EQ(main.currentDatabaseFile(), other);
    EXPECT_EQ(shownTitle(main), titleBarText(other));
    EXPECT_TRUE(db.settingsSaved());
    const QByteArray written = readFile(u"other.dat"_s);
    EXPECT_TRUE(written.contains("ControlPort=2\r\n"));
    EXPECT_TRUE(written.contains("[Foreign]\r\nKeep=1\r\n"));
    EXPECT_EQ(main.tabStrip()->currentIndex(), 0);
    EXPECT_TRUE(readFile(u"kovo.ini"_s).contains("LastRCFile=" + other.toUtf8()));
}

// Open and New ask about unsaved changes first; Cancel there, or in the file dialog, leaves
// everything as it was (only the start-up dialog ends the program when cancelled).
TEST_F(FileCommandsTest, OpenAndNewAskAboutUnsavedChangesThenReloadTheEditors) {
    KovoMain& main = startWithSample();
    Database other;
    other.setValue(u"HangTime", 3, u"99"_s);
    const QString otherPath = writeSampleDat(u"second.dat"_s, other);
    for (const char* name : {"mnuFileOpen", "mnuFileNew"}) {
        SCOPED_TRACE(name);
        const QString before = main.currentDatabaseFile();
        EditorWindow* timers = main.editor(0);
        main.tabStrip()->setCurrentIndex(5);
        db.setSettingsSaved(false);
        messages.clear();
        dialogs.calls.clear();
        messages.answers.append(Answer::Cancel);
        trigger(name);
        EXPECT_TRUE(dialogs.calls.isEmpty());
        EXPECT_EQ(messages.calls.size(), 1);
        EXPECT_EQ(main.currentDatabaseFile(), before);
        EXPECT_EQ(main.editor(0), timers);

        // A cancelled dialog keeps the configuration, its editors and the program.
        messages.answers.append(Answer::No);
        trigger(name);
        EXPECT_EQ(main.currentDatabaseFile(), before);
        EXPECT_FALSE(db.settingsSaved());
        EXPECT_EQ(main.editor(0), timers);
        EXPECT_FALSE(main.programEnded());

        dialogs.calls.clear();
        messages.answers.append(Answer::No);
        dialogs.answers.append(otherPath);
        trigger(name);
        ASSERT_EQ(dialogs.calls.size(), 1);
        EXPECT_EQ(dialogs.calls[0].title, u"Open Controller Database File"_s);
        EXPECT_EQ(dialogs.calls[0].filter, u"Tarsis Database Files (*.dat)"_s);
        EXPECT_EQ(main.currentDatabaseFile(), otherPath);
        EXPECT_EQ(db.value(u"HangTime", 3), u"99"_s);
        EXPECT_TRUE(db.settingsSaved());
        // The editors were closed and opened again on the new values, the timers in front.
        EXPECT_EQ(main.tabStrip()->currentIndex(), 0);
        ASSERT_EQ(main.frontEditor(), main.editor(0));
        EXPECT_NE(main.editor(0), timers);
        EXPECT_EQ(main.editor(0)->findChild<QLineEdit*>(u"HangTimer(3)"_s)->text(), u"99"_s);
        EXPECT_FALSE(main.programEnded());
    }
}

TEST_F(FileCommandsTest, ClosingTheEditorsIsNotLeavingTheirBoxes) {
    KovoMain& main = startWithSample();
    main.show();
    QApplication::setActiveWindow(&main);
    auto* hang = main.editor(0)->findChild<QLineEdit*>(u"HangTimer(1)"_s);
    hang->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(hang->hasFocus());
    hang->selectAll();
    QTest::keyClicks(hang, u"999"_s);

    dialogs.answers.append(main.currentDatabaseFile());
    main.fileOpen();
    EXPECT_FALSE(main.programEnded());
    EXPECT_TRUE(messages.calls.isEmpty());
    EXPECT_NE(db.value(u"HangTime", 1), u"999"_s);

    // Nor is the end of the program.
    hang = main.editor(0)->findChild<QLineEdit*>(u"HangTimer(1)"_s);
    hang->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(hang, u"9"_s);
    window.reset();
    EXPECT_TRUE(messages.calls.isEmpty());
}

} // namespace
} // namespace kovo::testing
