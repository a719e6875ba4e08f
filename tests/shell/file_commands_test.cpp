#include "shell/saving_window.h"
#include "shell_fixture.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>

namespace kovo::testing {
namespace {

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
    EXPECT_TRUE(messages.calls[0].text.contains(QDir::toNativeSeparators(unreachable)));
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
