#pragma once

#include "database/database.h"
#include "editors/controller_action_runner.h"
#include "editors/direct_action_runner.h"
#include "emulator/dtmf_command_listener.h"
#include "emulator/tarsis_emulator.h"
#include "emulator/tarsis_memory.h"
#include "link/emulator_channel.h"
#include "link/line_sink.h"
#include "link/link_flags.h"
#include "link/memory_image.h"
#include "link/recording_operator.h"
#include "link/tone_synthesizer.h"
#include "link/upload.h"
#include "link/wav_file_output.h"

#include <QApplication>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
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
    TarsisMemory& memory() { return m_memory; }

private:
    TarsisMemory m_memory;
    LinkFlags m_flags;
};

// The editors' controller actions run against the emulated Tarsis's memory: over the serial link
// to the built-in emulator, or over the air as tones a listener hears afterwards.
class ActionRig {
public:
    ActionRig(Database& db, TarsisMemory& memory, bool overTheAir)
        : m_memory(memory), m_overTheAir(overTheAir), m_runner(db, person),
          m_sound(m_dir.filePath(QStringLiteral("sound.wav"))) {
        // The codes a factory-fresh controller answers to.
        for (int port = 1; port <= 3; ++port)
            db.setValue(u"CurrentPortUnlock", port, QString::number(port) + QStringLiteral("6470"));
        m_runner.setAudioOutput(&m_sound);
        if (overTheAir) {
            m_runner.useDtmf();
        } else {
            m_emulator->setMemory(memory);
            m_runner.useSerial(
                std::make_unique<EmulatorChannel>(QStringLiteral("Built-in"), m_emulator));
        }
    }

    ControllerActionRunner& runner() { return m_runner; }
    // A short silent WAV file to record.
    QString silentWav() {
        QFile file(m_dir.filePath(QStringLiteral("message.wav")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(buildSilenceWav(300));
        return file.fileName();
    }
    // What the controller made of the action: its memory afterwards.
    void hear() {
        if (!m_overTheAir) {
            m_memory = m_emulator->memory();
            return;
        }
        DtmfCommandListener listener(m_memory);
        QString error;
        EXPECT_TRUE(listener.hearWavFile(m_sound.path(), &error)) << error.toStdString();
        EXPECT_TRUE(listener.problems().isEmpty());
        EXPECT_EQ(listener.unlockedPort(), 0) << "the controller was left unlocked";
    }

    RecordingOperator person;

private:
    TarsisMemory& m_memory;
    bool m_overTheAir;
    QTemporaryDir m_dir;
    DirectActionRunner m_runner;
    WavFileOutput m_sound;
    std::shared_ptr<TarsisEmulator> m_emulator = std::make_shared<TarsisEmulator>();
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
