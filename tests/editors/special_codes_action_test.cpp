#include "database/profile_file.h"
#include "editor_test_support.h"
#include "editors/direct_action_runner.h"
#include "editors/recording_message_service.h"
#include "editors/special_codes_editor.h"
#include "emulator/dtmf_command_listener.h"
#include "emulator/tarsis_emulator.h"
#include "link/emulator_channel.h"
#include "link/memory_image.h"
#include "link/recording_operator.h"
#include "link/wav_file_output.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kovo {
namespace {

using namespace kovo::test;

// The controller's lock code as a download would read it from the emulated Tarsis.
QString lockIn(const TarsisMemory& memory) {
    Database downloaded;
    EXPECT_TRUE(decodeMemoryImageLines(memory.memoryLines(), downloaded).ok);
    return downloaded.value(u"Lock");
}

// A new lock code applied in the special codes editor goes through the controller action to the
// emulated Tarsis: over the serial link to the built-in emulator, or over the air as tones.
class SpecialCodesActionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        file = dir.filePath(QStringLiteral("codes.dat"));
        db.setValue(u"HangTime", 2, QStringLiteral("42"));
        ASSERT_TRUE(saveWholeDatabase(db, file).ok);
    }

    // Types `code` as the new lock code and applies it through a runner over `transport`.
    void applyLock(const QString& code, bool overTheAir, const QString& databaseFile) {
        runner = std::make_unique<DirectActionRunner>(db, person);
        runner->setDatabaseFile(databaseFile);
        runner->setAudioOutput(&sound);
        if (overTheAir) {
            runner->useDtmf();
        } else {
            runner->useSerial(
                std::make_unique<EmulatorChannel>(QStringLiteral("Built-in"), emulator));
        }
        editor = std::make_unique<SpecialCodesEditor>(db, messages);
        editor->setActionRunner(runner.get());
        typeInto(editor->control<QLineEdit>(QStringLiteral("NewLockSet")), code);
        editor->apply();
    }
    QString shown(const char* box) const {
        return editor->control<QLineEdit>(QString::fromLatin1(box))->text();
    }

    QTemporaryDir dir;
    QString file;
    Database db;
    RecordingMessageService messages;
    RecordingOperator person;
    WavFileOutput sound{dir.filePath(QStringLiteral("sound.wav"))};
    std::shared_ptr<TarsisEmulator> emulator = std::make_shared<TarsisEmulator>();
    std::unique_ptr<DirectActionRunner> runner;
    std::unique_ptr<SpecialCodesEditor> editor;
};

TEST_F(SpecialCodesActionTest, ANewLockCodeIsFiledSentAndMovedToCurrent) {
    for (const bool overTheAir : {false, true}) {
        SCOPED_TRACE(overTheAir ? "over the air" : "serial");
        db = reloaded(file);
        person.clear();
        applyLock(QStringLiteral("12a4"), overTheAir, file);
        EXPECT_EQ(
            person.messageTexts(),
            QStringList{QStringLiteral("New Lock Code Has Been Successfully Sent To The Tarsis")});
        EXPECT_TRUE(messages.calls.isEmpty());
        EXPECT_EQ(shown("CurrentLock"), QStringLiteral("12A4"));
        EXPECT_EQ(shown("NewLockSet"), QString());
        EXPECT_EQ(db.value(u"Lock"), QStringLiteral("12A4"));
        EXPECT_EQ(db.storedLock(), QStringLiteral("12A4"));
        // The open file has the new key and every other one it had.
        EXPECT_EQ(readIni(u"Unlock", u"Lock", file), QStringLiteral("12A4"));
        EXPECT_EQ(readIni(u"Timers", u"HangTime(2)", file), QStringLiteral("42"));

        TarsisMemory heard = emulator->memory();
        if (overTheAir) {
            heard = TarsisMemory();
            DtmfCommandListener listener(heard);
            QString error;
            ASSERT_TRUE(listener.hearWavFile(sound.path(), &error)) << error.toStdString();
            EXPECT_TRUE(listener.problems().isEmpty());
        }
        EXPECT_EQ(lockIn(heard), QStringLiteral("12A4"));
        // Back to the factory code for the next transport.
        ASSERT_TRUE(writeIni(u"Unlock", u"Lock", QStringLiteral("#"), file));
    }
}

TEST_F(SpecialCodesActionTest, AFailedSendLeavesFileAndDatabaseAgreeing) {
    // The controller refuses every line: the code was filed before it was sent.
    EmulatorFaults faults;
    faults.refuseCount = 100;
    emulator->setFaults(faults);
    applyLock(QStringLiteral("5678"), false, file);
    EXPECT_EQ(lockIn(emulator->memory()), QStringLiteral("#"));
    EXPECT_EQ(readIni(u"Unlock", u"Lock", file), QStringLiteral("5678"));
    EXPECT_EQ(db.value(u"Lock"), QStringLiteral("5678"));
    EXPECT_EQ(shown("CurrentLock"), QStringLiteral("5678"));
    // Still new: the next Apply sends it again.
    EXPECT_EQ(shown("NewLockSet"), QStringLiteral("5678"));
    emulator->setFaults(EmulatorFaults());
    editor->apply();
    EXPECT_EQ(lockIn(emulator->memory()), QStringLiteral("5678"));
    EXPECT_EQ(shown("NewLockSet"), QString());

    // A file that cannot be written: nothing is sent and nothing changes.
    db = reloaded(file);
    applyLock(QStringLiteral("9999"), false, dir.filePath(QStringLiteral("missing/codes.dat")));
    EXPECT_EQ(lockIn(emulator->memory()), QStringLiteral("5678"));
    EXPECT_EQ(db.value(u"Lock"), QStringLiteral("5678"));
    EXPECT_EQ(shown("CurrentLock"), QStringLiteral("5678"));
    EXPECT_EQ(shown("NewLockSet"), QStringLiteral("9999"));
    EXPECT_EQ(readIni(u"Unlock", u"Lock", file), QStringLiteral("5678"));
}

} // namespace
} // namespace kovo
