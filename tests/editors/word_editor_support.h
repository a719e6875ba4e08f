#pragma once

#include "database/database.h"
#include "editors/controller_action_runner.h"
#include "emulator/tarsis_memory.h"
#include "link/line_sink.h"
#include "link/link_flags.h"
#include "link/memory_image.h"
#include "link/recording_operator.h"
#include "link/upload.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

// Test failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kovo::testing {

inline void focus(QWidget* box) {
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(box, &in);
}

inline void leave(QWidget* box) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &out);
}

// Focuses the box, puts the caret at the end and types key by key.
inline void typeAtEnd(QLineEdit* box, const QString& keys) {
    focus(box);
    box->end(false);
    QTest::keyClicks(box, keys);
}

// A double-click on the list entry whose text is `text`.
inline void pick(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    emit list->itemDoubleClicked(found.front());
}

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
    // The controller's memory downloaded and decoded into a copy of `base`.
    Database download(const Database& base) const {
        Database db = base;
        const MemoryImageResult result = decodeMemoryImageLines(m_memory.memoryLines(), db);
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        return db;
    }

    QStringList refused;

private:
    TarsisMemory m_memory;
    LinkFlags m_flags;
};

// Records the actions an editor starts; each ends when the test calls finish().
class FakeActionRunner : public ControllerActionRunner {
public:
    bool run(const ControllerAction& action, std::function<void(bool)> done) override {
        if (busy())
            return false;
        actions.push_back(action);
        m_done = std::move(done);
        return true;
    }
    void cancel() override {}
    bool busy() const override { return static_cast<bool>(m_done); }
    void finish(bool succeeded = true) {
        auto done = std::exchange(m_done, {});
        if (done)
            done(succeeded);
    }

    std::vector<ControllerAction> actions;

private:
    std::function<void(bool)> m_done;
};

} // namespace kovo::testing
