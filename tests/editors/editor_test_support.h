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
}

// A double-click on the list entry whose text is `text`.
inline void pick(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    emit list->itemDoubleClicked(found.front());
}

// A person's edit, step by step: "Name=text" types into a box (replacing its text) or chooses a
// list entry, "Name+=text" types at the end of a box, "Name=on" or "=off" sets a check box or
// option, "Name" alone clicks a button.
inline void edit(QWidget& editor, const QStringList& steps) {
    for (const QString& step : steps) {
        const bool append = step.contains(u"+=");
        const QString name = step.section(u'=', 0, 0).remove(u'+');
        const QString text = step.section(u'=', 1);
        if (auto* box = editor.findChild<QLineEdit*>(name))
            append ? typeAtEnd(box, text) : typeInto(box, text);
        else if (auto* list = editor.findChild<QComboBox*>(name))
            choose(list, text);
        else if (auto* button = editor.findChild<QAbstractButton*>(name)) {
            if (!step.contains(u'=') || button->isChecked() != (text == u"on"))
                button->click();
        } else
            ADD_FAILURE() << "no control " << name.toStdString();
    }
}

// What a control shows: a box's text, a list's entry, "on" or "off" for a button, the entries of
// a list box joined by "|"; for "Name|Name|…" what each shows, joined by "|".
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
inline Database saved(Database& db, bool onlyChanged = false, const Database& base = Database()) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"saved.dat"_s);
    if (onlyChanged) {
        Database written = base;
        EXPECT_TRUE(saveWholeDatabase(written, path).ok);
    }
    EXPECT_TRUE((onlyChanged ? writeDatabase(db, path) : saveWholeDatabase(db, path)).ok);
    Database loaded;
    ErrorLog log;
    EXPECT_EQ(readDatabase(loaded, path, log).errorLines, QStringList());
    return loaded;
}

// The values of the fields "Field(index)|Field|…", joined by "|".
inline QString values(const Database& db, const QString& fields) {
    QStringList each;
    for (const QString& field : fields.split(u'|'))
        each << db.value(field.section(u'(', 0, 0), field.section(u'(', 1).remove(u')').toInt());
    return each.join(u'|');
}

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
    QString shown(const QString& name) const { return test::shown(*editor, name); }

    Database db;
    RecordingMessageService messages;
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
    // The controller's memory and its autopatch board's records downloaded into a fresh
    // database.
    Database download() const {
        Database db;
        const MemoryImageResult result = decodeMemoryImageLines(m_memory.memoryLines(), db);
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        applyOstrikRecords(m_memory.ostrikRecords(), db);
        return db;
    }

    QStringList refused;
    TarsisMemory& memory() { return m_memory; }

private:
    TarsisMemory m_memory;
    LinkFlags m_flags;
};

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

} // namespace kovo::test
