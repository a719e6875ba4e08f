#pragma once

#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "editors/controller_action_runner.h"
#include "editors/direct_action_runner.h"
#include "editors/editor_window.h"
#include "editors/recording_message_service.h"
#include "emulator/tarsis_emulator.h"
#include "link/download.h"
#include "link/emulator_channel.h"
#include "link/line_sink.h"
#include "link/link_flags.h"
#include "link/memory_image.h"
#include "link/recording_operator.h"
#include "link/upload.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Test failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kovo::test {

inline void focus(QWidget* box) {
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(box, &in);
}

inline void leave(QWidget* box) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &out);
}

// Types as a person does: the old text selected and replaced key by key.
inline void typeInto(QLineEdit* box, const QString& text) {
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClicks(box, text);
}

// Focuses the box, puts the caret at the end and types key by key.
inline void typeAtEnd(QLineEdit* box, const QString& keys) {
    focus(box);
    box->end(false);
    QTest::keyClicks(box, keys);
}

inline void choose(QComboBox* list, const QString& entry) {
    ASSERT_NE(list, nullptr) << entry.toStdString();
    const int index = list->findText(entry);
    ASSERT_GE(index, 0) << entry.toStdString();
    list->setCurrentIndex(index);
    emit list->activated(index);
}

// A double-click on the list entry whose first column shows `text`.
inline void pick(QAbstractItemView* list, const QString& text) {
    ASSERT_NE(list, nullptr) << text.toStdString();
    const QAbstractItemModel* model = list->model();
    const auto found =
        model->match(model->index(0, 0), Qt::DisplayRole, text, -1, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    emit list->doubleClicked(found.front());
}

// A person's edit, step by step: "Name=text" types into a box (replacing its text) or chooses a
// list entry, "Name+=text" types at the end of a box, "Name=on" or "=off" sets a check box or
// option, "Name@entry" double-clicks a list's entry, "~" leaves the box typed into last, "Name"
// alone clicks a button.
inline void edit(QWidget& editor, const QStringList& steps) {
    QLineEdit* typed = nullptr;
    for (const QString& step : steps) {
        const bool append = step.contains(u"+=");
        const QString name = step.section(u'=', 0, 0).remove(u'+');
        const QString text = step.section(u'=', 1);
        if (!step.contains(u'=') && step.contains(u'@'))
            pick(editor.findChild<QAbstractItemView*>(step.section(u'@', 0, 0)),
                 step.section(u'@', 1));
        else if (step == u'~')
            typed ? leave(typed) : ADD_FAILURE() << "no box typed into";
        else if (auto* box = editor.findChild<QLineEdit*>(name))
            append ? typeAtEnd(typed = box, text) : typeInto(typed = box, text);
        else if (auto* list = editor.findChild<QComboBox*>(name))
            choose(list, text);
        else if (auto* button = editor.findChild<QAbstractButton*>(name)) {
            if (!step.contains(u'=') || button->isChecked() != (text == u"on"))
                button->click();
        } else
            ADD_FAILURE() << "no control " << name.toStdString();
    }
}

// What a control shows: a box's or label's text, a list's entry, "on" or "off" for a button, the
// entries of a list box joined by "|"; for "Name|Name|…" what each shows, joined by "|".
inline QString shown(QWidget& editor, const QString& name) {
    if (name.contains(u'|')) {
        QStringList each;
        for (const QString& one : name.split(u'|'))
            each << shown(editor, one);
        return each.join(u'|');
    }
    if (auto* box = editor.findChild<QLineEdit*>(name))
        return box->text();
    if (auto* list = editor.findChild<QComboBox*>(name))
        return list->currentText();
    if (auto* list = editor.findChild<QListWidget*>(name)) {
        QStringList entries;
        for (int row = 0; row < list->count(); ++row)
            entries << list->item(row)->text();
        return entries.join(u'|');
    }
    if (auto* button = editor.findChild<QAbstractButton*>(name))
        return button->isChecked() ? u"on"_s : u"off"_s;
    if (auto* label = editor.findChild<QLabel*>(name))
        return label->text();
    return u"no control"_s;
}

// What a screen reader calls the control. A list's accessible name on Linux is its current
// entry; it is named through the label whose buddy it is, or through its own accessible name.
inline QString accessibleName(QWidget* control) {
    if (qobject_cast<QComboBox*>(control)) {
        if (!control->accessibleName().isEmpty())
            return control->accessibleName();
        for (const QLabel* label : control->window()->findChildren<QLabel*>()) {
            if (label->buddy() == control)
                return label->text();
        }
        return QString();
    }
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
    return face ? face->text(QAccessible::Name) : QString();
}

// The boxes shown: none without `text`, else that one; with a `title`, its title and icon too.
inline void expectBoxes(const RecordingMessageService& messages, const char* text,
                        const QString& title = {}, MessageIcon icon = MessageIcon::Critical) {
    EXPECT_EQ(messages.messageTexts(), text ? QStringList{QString::fromUtf8(text)} : QStringList());
    if (text && !title.isEmpty() && !messages.calls.isEmpty()) {
        EXPECT_EQ(messages.calls[0].title, title);
        EXPECT_EQ(messages.calls[0].icon, icon);
    }
}

// The database as Save writes it (the whole file, or with `onlyChanged` the groups whose flags
// are set into a file holding `base`) and as it is read back, without an error line.
inline Database saved(Database& db, bool onlyChanged = false, Database base = {}) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"saved.dat"_s);
    EXPECT_TRUE(saveWholeDatabase(onlyChanged ? base : db, path).ok);
    EXPECT_TRUE(!onlyChanged || writeDatabase(db, path).ok);
    Database loaded;
    ErrorLog log;
    EXPECT_EQ(readDatabase(loaded, path, log).errorLines, QStringList());
    return loaded;
}

// "Field(index)" or "Field" as field and index.
inline std::pair<QString, int> fieldOf(const QString& name) {
    return {name.section(u'(', 0, 0), name.section(u'(', 1).remove(u')').toInt()};
}

// Stores "Field(index)=value|Field=value|…".
inline void store(Database& db, const QString& values) {
    for (const QString& each : values.split(u'|')) {
        const auto [field, index] = fieldOf(each.section(u'=', 0, 0));
        db.setValue(field, index, each.section(u'=', 1));
    }
}

// The values of the fields "Field(index)|Field|…", joined by "|".
inline QString values(const Database& db, const QString& fields) {
    QStringList each;
    for (const QString& field : fields.split(u'|'))
        each << db.value(fieldOf(field).first, fieldOf(field).second);
    return each.join(u'|');
}

// The send-pending flags set, joined by blanks.
inline QString flags(const Database& db) {
    return db.pendingNames().join(u' ');
}

// After Apply: the flags set, the file groups marked changed, and SettingsSaved cleared only when
// something changed; with no flag set, no group is marked either.
inline void expectApplied(const Database& db, const QString& flagNames,
                          const std::vector<Group>& groups = {}) {
    EXPECT_EQ(flags(db), flagNames);
    EXPECT_EQ(db.settingsSaved(), flagNames.isEmpty());
    for (int g = 0; g < GroupCount; ++g) {
        const bool listed = std::find(groups.begin(), groups.end(), Group(g)) != groups.end();
        if (listed || flagNames.isEmpty()) {
            EXPECT_EQ(db.groupChanged(Group(g)), listed) << "group " << g;
        }
    }
}

// A literal or a built text; a null pointer leaves it out.
struct Text {
    Text(const char* literal = nullptr) : given(literal), text(QString::fromUtf8(literal)) {}
    Text(const QString& built) : given(true), text(built) {}
    bool given;
    QString text;
};

// Checks "Name|Name=text|text" against `actual(names)`.
template <typename Actual> void expectPairs(const Text& pairs, Actual actual) {
    if (pairs.given) {
        EXPECT_EQ(actual(pairs.text.section(u'=', 0, 0)), pairs.text.section(u'=', 1));
    }
}

// One person's edit on a fresh database and editor: "Field(i):=text" steps are stored before
// the editor opens, the others go to edit(); '|' between steps. Without a message, the editor
// reopened on what Apply stored, with the ">Name=entry" steps chosen again, shows `shown` again.
struct EditRow {
    Text steps;
    Text shown = {};   // "Name|Name=text|text" after the steps
    Text stored = {};  // "Field(i)|Field=value|value" saved after Apply; none: no Apply
    Text flags = {};   // the flags Apply set
    Text message = {}; // the one box shown, if any, and its title
    Text title = "Try Again!";
};

// A row that only types and looks, without Apply.
inline EditRow typed(const Text& steps, const Text& shown, const Text& message = {},
                     const Text& title = "Try Again!") {
    return EditRow{steps, shown, {}, {}, message, title};
}

// Records the actions an editor starts; each ends when the test calls finish() or cancels it.
class FakeActionRunner : public ControllerActionRunner {
public:
    bool run(const ControllerAction& action, std::function<void(bool)> done) override {
        if (busy())
            return false;
        actions.push_back(action);
        m_done = std::move(done);
        return true;
    }
    void cancel() override {
        ++cancels;
        finish(false);
    }
    bool busy() const override { return static_cast<bool>(m_done); }
    void finish(bool succeeded = true) {
        if (auto done = std::exchange(m_done, {}))
            done(succeeded);
    }

    std::vector<ControllerAction> actions;
    int cancels = 0;

private:
    std::function<void(bool)> m_done;
};

// The fixture of one editor's tests: its database, message service and window.
template <typename Editor> class EditorTest : public ::testing::Test {
protected:
    void SetUp() override { open(); }
    void open() {
        editor.reset();
        editor = std::make_unique<Editor>(db, messages);
        messages.clear();
    }
    template <typename T = QLineEdit> T* get(const QString& name) const {
        auto* found = editor->template control<T>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    void edit(const QStringList& steps) { test::edit(*editor, steps); }
    void edit(const char* steps) { edit(QString::fromUtf8(steps).split(u'|')); }
    QString shown(const QString& name) const { return test::shown(*editor, name); }
    QString shown(const char* name) const { return shown(QString::fromUtf8(name)); }

    // Each row in turn; a box shown has `icon`.
    void expectEdits(const std::vector<EditRow>& rows, MessageIcon icon = MessageIcon::Critical) {
        for (const EditRow& row : rows) {
            SCOPED_TRACE(row.steps.text.toStdString());
            db = Database();
            QStringList steps, chosen;
            for (QString step : row.steps.text.split(u'|')) {
                if (step.contains(u":="))
                    store(db, step.replace(u":="_s, u"="_s));
                else
                    steps << (step.startsWith(u'>') ? (chosen << step.mid(1)).last() : step);
            }
            const Database before = db;
            open();
            edit(steps);
            expectBoxes(messages,
                        row.message.given ? row.message.text.toUtf8().constData() : nullptr,
                        row.title.text, icon);
            const auto onScreen = [&](const QString& names) { return shown(names); };
            expectPairs(row.shown, onScreen);
            if (!row.stored.given)
                continue;
            editor->apply();
            if (row.flags.given)
                expectApplied(db, row.flags.text);
            // Saved with the groups marked changed only: a change outside them is lost.
            const Database loaded = saved(db, true, before);
            expectPairs(row.stored, [&](const QString& fields) { return values(loaded, fields); });
            if (!row.message.given) {
                open();
                edit(chosen);
                expectPairs(row.shown, onScreen);
            }
        }
    }

    // `button` without a link says so; with one it starts a `kind` action and waits disabled.
    void expectAction(const QString& button, ControllerAction::Kind kind) {
        edit({button});
        EXPECT_EQ(messages.messageTexts(), QStringList{u"No link to the Tarsis is available."_s});
        editor->setActionRunner(&runner);
        edit({button});
        ASSERT_EQ(runner.actions.size(), 1u);
        EXPECT_EQ(runner.actions[0].kind, kind);
        EXPECT_FALSE(get<QPushButton>(button)->isEnabled());
        runner.finish();
        EXPECT_TRUE(get<QPushButton>(button)->isEnabled());
    }

    Database db;
    RecordingMessageService messages;
    FakeActionRunner runner; // outlives the editor, which cancels what it started
    std::unique_ptr<Editor> editor;
};

// The emulated controller's memory fed line by line, as the serial link would.
class EmulatedTarsis : public LineSink {
public:
    bool open() override { return true; }
    void close() override {}
    void sendCommand(const QString& line) override {
        if (m_memory.applySerialLine(line).accepted) {
            m_flags.commandAcknowledged = true;
        } else {
            m_flags.updateAborted = true;
            refused << line.trimmed();
        }
    }
    void writeLine(const QString& line) override { m_memory.applySerialLine(line); }
    void setLockCode(const QString&) override {}

    // "Update Changes Only" from `db`; false when the controller refused a command.
    bool updateChangesOnly(Database& db) {
        RecordingOperator person;
        Upload upload(db, m_flags, person, *this);
        return upload.sendChangesOnly().outcome == UploadOutcome::Completed && refused.isEmpty();
    }
    // The controller's memory and its autopatch board's records, downloaded into a database.
    Database download() const {
        Database db;
        const MemoryImageResult result = decodeMemoryImageLines(m_memory.memoryLines(), db);
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        applyOstrikRecords(m_memory.ostrikRecords(), db);
        return db;
    }

    QStringList refused;

private:
    TarsisMemory m_memory;
    LinkFlags m_flags;
};

} // namespace kovo::test
