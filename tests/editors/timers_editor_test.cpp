#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "editor_test_support.h"
#include "editors/editor_window.h"
#include "editors/program_info.h"
#include "editors/recording_message_service.h"
#include "editors/timers_editor.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace kovo {
namespace {

// Types as a person does: the old text selected and replaced key by key, so the digits-only
// style applies.
void type(QLineEdit* box, const QString& text) {
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClicks(box, text);
}

void leave(QLineEdit* box) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &out);
}

class TimersEditorTest : public ::testing::Test {
protected:
    void SetUp() override { editor = std::make_unique<TimersEditor>(db, messages); }

    QLineEdit* box(const char* name) const {
        auto* found = editor->control<QLineEdit>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    template <typename T> T* widget(const char* name) const {
        auto* found = editor->control<T>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    Database db;
    RecordingMessageService messages;
    std::unique_ptr<TimersEditor> editor;
};

TEST_F(TimersEditorTest, LeavingABoxRefusesOutOfRangeValuesWithTheFieldsMessage) {
    struct Case {
        const char* control;
        const char* field;
        int index;
        const char* typed;
        const char* refusal; // nullptr: accepted
    };
    const Case cases[] = {
        {"HangTimer(1)", "HangTime", 1, "255", nullptr},
        {"HangTimer(1)", "HangTime", 1, "256", "The value must be between 0 and 255"},
        {"TimeOutTimer(2)", "TimeOut", 2, "32767", nullptr},
        {"TimeOutTimer(2)", "TimeOut", 2, "32768", "The value must be between 0 and 32767"},
        {"IIDTimer(3)", "IIDTime", 3, "300", "The value must be between 0 and 255"},
        {"PIDTimer(1)", "PIDTime", 1, "256", "The value must be between 0 and 255"},
        {"InactiveTimer(2)", "InActiveTime", 2, "999", "The value must be between 0 and 255"},
        {"DTMFTimer(1)", "DTMFTime", 1, "0", nullptr},
        {"DTMFTimer(1)", "DTMFTime", 1, "9999", nullptr},
        {"DTMFTimer(1)", "DTMFTime", 1, "10000", "The value must be between 1 and 9999"},
        {"CTCSSTimer(3)", "CTCSSTime", 3, "256", "The value must be between 0 and 255"},
        {"KerchunkTimer(2)", "KerchunkTime", 2, "32000", nullptr},
        {"KerchunkTimer(2)", "KerchunkTime", 2, "32001", "The value must be between 0 and 32000"},
        {"IDSpeakTimer(1)", "IDSpeakTime", 1, "32001", "The value must be between 0 and 32000"},
        {"AnnounceTimer(3)", "AnnounceTime", 3, "3600", nullptr},
        {"AnnounceTimer(3)", "AnnounceTime", 3, "3601", "The value must be between 0 and 3600"},
        {"AuxTimer(2)", "AuxTime", 2, "0", nullptr},
        {"AuxTimer(2)", "AuxTime", 2, "32768", "The value must be between 1 and 32767"},
        {"FanTimer", "FanTime", 0, "0", nullptr},
        {"FanTimer", "FanTime", 0, "1", nullptr},
        {"FanTimer", "FanTime", 0, "32767", nullptr},
        {"FanTimer", "FanTime", 0, "32768", "The value must be greater than 1 and less than 32767"},
        {"GeneralTimerSet(1)", "GeneralTimer", 1, "32767", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.control) + " = " + c.typed);
        editor = std::make_unique<TimersEditor>(db, messages);
        messages.clear();
        QLineEdit* edit = box(c.control);
        const QString before = db.value(QString::fromLatin1(c.field), c.index);
        type(edit, QString::fromLatin1(c.typed));
        ASSERT_EQ(edit->text(), QString::fromLatin1(c.typed));
        leave(edit);
        if (c.refusal == nullptr) {
            EXPECT_TRUE(messages.calls.isEmpty());
            EXPECT_EQ(edit->text(), QString::fromLatin1(c.typed));
            EXPECT_EQ(editor->workingCopy(QString::fromLatin1(c.field), c.index),
                      QString::fromLatin1(c.typed));
            continue;
        }
        ASSERT_EQ(messages.calls.size(), 1);
        EXPECT_EQ(messages.calls[0].text, QString::fromLatin1(c.refusal));
        EXPECT_EQ(messages.calls[0].title, QStringLiteral("Try Again!"));
        EXPECT_EQ(messages.calls[0].icon, MessageIcon::Critical);
        EXPECT_EQ(messages.calls[0].buttons, Buttons::Ok);
        // The box shows the database value again, black, and nothing reached the database.
        EXPECT_EQ(edit->text(), before);
        EXPECT_EQ(editor->workingCopy(QString::fromLatin1(c.field), c.index), before);
        EXPECT_EQ(EditorWindow::textColour(edit), EditorWindow::unchangedColour());
        EXPECT_EQ(db.value(QString::fromLatin1(c.field), c.index), before);
    }
    EXPECT_TRUE(db.pendingNames().isEmpty());
}

// A screen reader names every box and list by its own label, never by its frame alone or by
// the entry a list shows; the labels reach their boxes as buddies.
TEST_F(TimersEditorTest, ScreenReadersNameEveryBoxAndListOnItsOwn) {
    const auto nameOf = [](QWidget* control) { return test::accessibleName(control); };
    const struct {
        const char* control;
        const char* name;
        const char* unit;
    } expected[] = {
        {"HangTimer(1)", "Hang Timer", "1/10 seconds"},
        {"AnnounceTimer(3)", "TailMessage Timer", "seconds"},
        {"InActivityMacroSet(2)", "Inactivity Timer Macro Select", ""},
        {"AuxTimer(2)", "Port 2", "seconds"},
        {"FanTimer", "Timer", "minutes"},
        {"XmtDelaySet", "Before Transmit", "ms"},
        {"GeneralTimerSet(3)", "Timer 3", "seconds"},
        {"GeneralTimerMacroSet(1)", "Timer 1 Macro To Use", ""},
    };
    for (const auto& row : expected) {
        auto* control = widget<QWidget>(row.control);
        EXPECT_EQ(nameOf(control), QString::fromLatin1(row.name)) << row.control;
        EXPECT_EQ(control->accessibleDescription(), QString::fromLatin1(row.unit)) << row.control;
    }

    QHash<QWidget*, QLabel*> buddies;
    for (QLabel* label : editor->findChildren<QLabel*>()) {
        if (label->buddy())
            buddies.insert(label->buddy(), label);
    }
    QStringList frames;
    for (const QGroupBox* frame : editor->findChildren<QGroupBox*>())
        frames << frame->title();
    for (int page = 0; page < editor->tabs()->count(); ++page) {
        QSet<QString> names;
        QList<QWidget*> controls;
        for (QLineEdit* box : editor->tabs()->widget(page)->findChildren<QLineEdit*>())
            controls << box;
        for (QComboBox* list : editor->tabs()->widget(page)->findChildren<QComboBox*>())
            controls << list;
        for (QWidget* control : controls) {
            const QString name = nameOf(control);
            const std::string id = control->objectName().toStdString();
            EXPECT_FALSE(name.isEmpty()) << id;
            EXPECT_FALSE(names.contains(name)) << id << " shares " << name.toStdString();
            names.insert(name);
            if (auto* list = qobject_cast<QComboBox*>(control)) {
                EXPECT_NE(name, list->currentText()) << id;
            } else {
                EXPECT_FALSE(frames.contains(name)) << id;
            }
            // The inactivity macro list is alone in its frame, which names it.
            const bool aloneInFrame =
                control->objectName().startsWith(QLatin1String("InActivityMacroSet"));
            EXPECT_TRUE(aloneInFrame || buddies.contains(control)) << id;
        }
    }
}

TEST_F(TimersEditorTest, NumericBoxesKeepDigitsOnlyAndColourChangedValuesRed) {
    QLineEdit* hang = box("HangTimer(2)");
    EXPECT_TRUE(EditorWindow::isDigitsOnly(hang));
    type(hang, QStringLiteral("3a-0"));
    EXPECT_EQ(hang->text(), QStringLiteral("30"));
    EXPECT_EQ(editor->workingCopy(u"HangTime", 2), QStringLiteral("30"));
    EXPECT_EQ(EditorWindow::textColour(hang), EditorWindow::changedColour());

    // Leading zeros are dropped from the working copy; typing the database value turns it black.
    type(hang, QStringLiteral("007"));
    EXPECT_EQ(editor->workingCopy(u"HangTime", 2), QStringLiteral("7"));
    type(hang, db.value(u"HangTime", 2));
    EXPECT_EQ(EditorWindow::textColour(hang), EditorWindow::unchangedColour());

    // An emptied box means 0: red unless the database holds "0".
    type(hang, QString());
    EXPECT_EQ(editor->workingCopy(u"HangTime", 2), QStringLiteral("0"));
    EXPECT_EQ(EditorWindow::textColour(hang), EditorWindow::changedColour());
    db.setValue(u"GeneralTimer", 1, QStringLiteral("0"));
    db.setValue(u"FanTime", QStringLiteral("0"));
    editor = std::make_unique<TimersEditor>(db, messages);
    QLineEdit* fan = box("FanTimer");
    type(fan, QString());
    EXPECT_EQ(editor->workingCopy(u"FanTime"), QStringLiteral("0"));
    EXPECT_EQ(EditorWindow::textColour(fan), EditorWindow::unchangedColour());

    // A database value written with leading zeros: "007" typed is "7", which differs.
    db.setValue(u"HangTime", 3, QStringLiteral("007"));
    editor = std::make_unique<TimersEditor>(db, messages);
    QLineEdit* hang3 = box("HangTimer(3)");
    EXPECT_EQ(hang3->text(), QStringLiteral("007"));
    EXPECT_EQ(EditorWindow::textColour(hang3), EditorWindow::unchangedColour());
    type(hang3, QStringLiteral("007"));
    EXPECT_EQ(EditorWindow::textColour(hang3), EditorWindow::changedColour());
}

TEST_F(TimersEditorTest, FreeTextBoxesAndCheckBoxesStoreWhatTheyShow) {
    QLineEdit* delay = box("XmtDelaySet");
    EXPECT_FALSE(EditorWindow::isDigitsOnly(delay));
    type(delay, QStringLiteral(" 12a "));
    EXPECT_EQ(editor->workingCopy(u"XmtDelay"), QStringLiteral(" 12a "));

    // FanSelect is inverted: checked stores "0", clear "1".
    db.setValue(u"FanSelect", QStringLiteral("1"));
    db.setValue(u"TimeoutLink", QStringLiteral("1"));
    editor = std::make_unique<TimersEditor>(db, messages);
    auto* fanSelect = widget<QCheckBox>("FanSelect");
    auto* link = widget<QCheckBox>("TimeoutLinkSet");
    EXPECT_FALSE(fanSelect->isChecked());
    EXPECT_TRUE(link->isChecked());
    fanSelect->click();
    link->click();
    EXPECT_EQ(editor->workingCopy(u"FanSelect"), QStringLiteral("0"));
    EXPECT_EQ(editor->workingCopy(u"TimeoutLink"), QStringLiteral("0"));
    editor->apply();
    EXPECT_EQ(db.value(u"FanSelect"), QStringLiteral("0"));
    EXPECT_EQ(db.value(u"TimeoutLink"), QStringLiteral("0"));
    EXPECT_TRUE(db.pending(u"FanSelectPending"));
    EXPECT_TRUE(db.pending(u"TimeoutLinkPending"));

    // Every macro list offers "1" to "90".
    auto* list = widget<QComboBox>("GeneralTimerMacroSet(2)");
    ASSERT_EQ(list->count(), 90);
    EXPECT_EQ(list->itemText(0), QStringLiteral("1"));
    EXPECT_EQ(list->itemText(89), QStringLiteral("90"));
}

TEST_F(TimersEditorTest, GeneralTimersRefuseMoreThan32767WhileTyping) {
    QLineEdit* general = box("GeneralTimerSet(2)");
    type(general, QStringLiteral("32767"));
    EXPECT_TRUE(messages.calls.isEmpty());
    EXPECT_EQ(editor->workingCopy(u"GeneralTimer", 2), QStringLiteral("32767"));

    type(general, QStringLiteral("32768"));
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_EQ(messages.calls[0].text, QStringLiteral("Value must be less than 32767"));
    EXPECT_EQ(messages.calls[0].title, programTitle());
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::None);
    EXPECT_EQ(general->text(), QString());
    EXPECT_EQ(editor->workingCopy(u"GeneralTimer", 2), QString());
    leave(general);
    EXPECT_EQ(messages.calls.size(), 1);
}

TEST_F(TimersEditorTest, InactivityTimerZeroDisablesTheMacroListAndDisablesTimeoutOnApply) {
    auto* frame = widget<QGroupBox>("InactivityFrame(2)");
    auto* list = widget<QComboBox>("InActivityMacroSet(2)");
    QLineEdit* inactive = box("InactiveTimer(2)");
    type(inactive, QStringLiteral("5"));
    EXPECT_TRUE(frame->isEnabled());
    EXPECT_TRUE(list->isEnabled());
    type(inactive, QStringLiteral("0"));
    EXPECT_FALSE(frame->isEnabled());
    EXPECT_FALSE(list->isEnabled());
    EXPECT_TRUE(widget<QComboBox>("InActivityMacroSet(1)")->isEnabled() ==
                (db.value(u"InActiveTime", 1) != QLatin1String("0")));

    QSignalSpy derived(editor.get(), &TimersEditor::disableTimeoutDerived);
    editor->apply();
    EXPECT_EQ(db.value(u"InActiveTime", 2), QStringLiteral("0"));
    EXPECT_EQ(db.value(u"DisableTimeout", 2), QStringLiteral("1"));
    EXPECT_EQ(db.pendingNames(), QStringList{QStringLiteral("InActiveTimePending(2)")});
    EXPECT_FALSE(db.groupChanged(Group::PortSwitches));
    ASSERT_EQ(derived.size(), 3);
    EXPECT_EQ(derived[1][0].toInt(), 2);
    EXPECT_TRUE(derived[1][1].toBool());

    type(inactive, QStringLiteral("7"));
    EXPECT_TRUE(list->isEnabled());
    editor->apply();
    EXPECT_EQ(db.value(u"DisableTimeout", 2), QStringLiteral("0"));
}

TEST_F(TimersEditorTest, ApplySetsOnlyTheFlagsOfChangedElements) {
    // Apply without a change sets nothing and leaves SettingsSaved as it was.
    ASSERT_TRUE(db.settingsSaved());
    editor->apply();
    EXPECT_TRUE(db.pendingNames().isEmpty());
    EXPECT_FALSE(db.groupChanged(Group::Timers));
    EXPECT_TRUE(db.settingsSaved());

    // The general timer's macro alone sends the timer with it.
    auto* macro = widget<QComboBox>("GeneralTimerMacroSet(3)");
    macro->setCurrentIndex(macro->findText(QStringLiteral("42")));
    EXPECT_EQ(editor->workingCopy(u"GeneralTimerMacro", 3), QStringLiteral("42"));
    widget<QPushButton>("Apply")->click();
    EXPECT_EQ(db.pendingNames(), QStringList{QStringLiteral("GeneralTimerPending(3)")});
    EXPECT_EQ(db.value(u"GeneralTimerMacro", 3), QStringLiteral("42"));
    EXPECT_TRUE(db.groupChanged(Group::Timers));
    EXPECT_FALSE(db.settingsSaved());

    // A second Apply with nothing new sets nothing more.
    db.setAllPending(false);
    db.setGroupChanged(Group::Timers, false);
    db.setSettingsSaved(true);
    editor->apply();
    EXPECT_TRUE(db.pendingNames().isEmpty());
    EXPECT_TRUE(db.settingsSaved());
}

TEST_F(TimersEditorTest, CancelChangesPutsTheDatabaseValuesBack) {
    const QString hangBefore = db.value(u"HangTime", 1);
    QLineEdit* hang = box("HangTimer(1)");
    type(hang, QStringLiteral("99"));
    widget<QCheckBox>("FanSelect")->click();
    auto* list = widget<QComboBox>("InActivityMacroSet(1)");
    const QString listBefore = list->currentText();
    list->setCurrentIndex(list->findText(QStringLiteral("77")));
    type(box("InactiveTimer(3)"), QStringLiteral("0"));

    widget<QPushButton>("CancelChanges")->click();
    EXPECT_EQ(hang->text(), hangBefore);
    EXPECT_EQ(editor->workingCopy(u"HangTime", 1), hangBefore);
    EXPECT_EQ(EditorWindow::textColour(hang), EditorWindow::unchangedColour());
    EXPECT_EQ(list->currentText(), listBefore);
    EXPECT_EQ(editor->workingCopy(u"FanSelect"), db.value(u"FanSelect"));
    EXPECT_EQ(widget<QComboBox>("InActivityMacroSet(3)")->isEnabled(),
              db.value(u"InActiveTime", 3) != QLatin1String("0"));
    editor->apply();
    EXPECT_TRUE(db.pendingNames().isEmpty());
    EXPECT_TRUE(db.settingsSaved());
    // Cancel Changes repeats the port switch derivation from the database.
    EXPECT_EQ(db.value(u"DisableTimeout", 3), db.value(u"InActiveTime", 3) == QLatin1String("0")
                                                  ? QStringLiteral("1")
                                                  : QStringLiteral("0"));
}

TEST_F(TimersEditorTest, AValueTypedCheckedAppliedAndSavedComesBackFromTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("timers.dat"));

    QLineEdit* hang = box("HangTimer(2)");
    type(hang, QStringLiteral("300"));
    leave(hang);
    ASSERT_EQ(messages.calls.size(), 1); // refused: above 255
    type(hang, QStringLiteral("30"));
    leave(hang);
    EXPECT_EQ(messages.calls.size(), 1);
    type(box("GeneralTimerSet(1)"), QStringLiteral("120"));
    editor->apply();
    EXPECT_TRUE(db.pending(u"HangTimePending", 2));
    EXPECT_TRUE(db.pending(u"GeneralTimerPending", 1));
    EXPECT_FALSE(db.settingsSaved());

    const SaveResult saved = saveWholeDatabase(db, path);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_TRUE(db.settingsSaved());

    Database loaded;
    ErrorLog log;
    const LoadReport report = readDatabase(loaded, path, log);
    EXPECT_TRUE(report.errorLines.isEmpty()) << report.errorLines.join(u'\n').toStdString();
    EXPECT_EQ(loaded.value(u"HangTime", 2), QStringLiteral("30"));
    EXPECT_EQ(loaded.value(u"GeneralTimer", 1), QStringLiteral("120"));
    TimersEditor reopened(loaded, messages);
    EXPECT_EQ(reopened.control<QLineEdit>(QStringLiteral("HangTimer(2)"))->text(),
              QStringLiteral("30"));
}

} // namespace
} // namespace kovo
