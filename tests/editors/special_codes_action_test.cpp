#include "database/profile_file.h"
#include "editor_test_support.h"
#include "editors/special_codes_editor.h"

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
class SpecialCodesActionTest : public EditorTest<SpecialCodesEditor> {
protected:
    void SetUp() override {
        db.setValue(u"HangTime", 2, u"42"_s);
        ASSERT_TRUE(saveWholeDatabase(db, file).ok);
    }
    // Types `code` as the new lock code and applies it, with `databaseFile` the open file.
    void applyLock(ActionRig& rig, const QString& code, const QString& databaseFile) {
        rig.runner().setDatabaseFile(databaseFile);
        open();
        editor->setActionRunner(&rig.runner());
        edit({u"NewLockSet="_s + code});
        editor->apply();
    }

    QTemporaryDir dir;
    const QString file = dir.filePath(u"codes.dat"_s);
};

TEST_F(SpecialCodesActionTest, ANewLockCodeIsFiledSentAndMovedToCurrent) {
    for (const bool overTheAir : {false, true}) {
        SCOPED_TRACE(overTheAir ? "over the air" : "serial");
        db = reloaded(file);
        TarsisMemory memory;
        ActionRig rig(db, memory, overTheAir);
        applyLock(rig, u"12a4"_s, file);
        EXPECT_EQ(rig.person.messageTexts(),
                  QStringList{u"New Lock Code Has Been Successfully Sent To The Tarsis"_s});
        EXPECT_EQ(messages.messageTexts(), QStringList());
        EXPECT_EQ(shown(u"CurrentLock"_s), u"12A4"_s);
        EXPECT_EQ(shown(u"NewLockSet"_s), QString());
        EXPECT_EQ(db.value(u"Lock"), u"12A4"_s);
        EXPECT_EQ(db.storedLock(), u"12A4"_s);
        // The open file has the new key and every other one it had.
        EXPECT_EQ(readIni(u"Unlock", u"Lock", file), u"12A4"_s);
        EXPECT_EQ(readIni(u"Timers", u"HangTime(2)", file), u"42"_s);
        rig.hear(false);
        EXPECT_EQ(lockIn(memory), u"12A4"_s);
        // Back to the factory code for the next transport.
        ASSERT_TRUE(writeIni(u"Unlock", u"Lock", u"#"_s, file));
    }
}

TEST_F(SpecialCodesActionTest, AFailedSendLeavesFileAndDatabaseAgreeing) {
    // The controller refuses every line: the code was filed before it was sent.
    TarsisMemory memory;
    ActionRig rig(db, memory, false);
    EmulatorFaults faults;
    faults.refuseCount = 100;
    rig.emulator().setFaults(faults);
    applyLock(rig, u"5678"_s, file);
    rig.hear();
    EXPECT_EQ(lockIn(memory), u"#"_s);
    EXPECT_EQ(readIni(u"Unlock", u"Lock", file), u"5678"_s);
    EXPECT_EQ(db.value(u"Lock"), u"5678"_s);
    EXPECT_EQ(shown(u"CurrentLock"_s), u"5678"_s);
    // Still new: the next Apply sends it again.
    EXPECT_EQ(shown(u"NewLockSet"_s), u"5678"_s);
    rig.emulator().setFaults(EmulatorFaults());
    editor->apply();
    rig.hear();
    EXPECT_EQ(lockIn(memory), u"5678"_s);
    EXPECT_EQ(shown(u"NewLockSet"_s), QString());

    // A file that cannot be written: nothing is sent and nothing changes.
    db = reloaded(file);
    applyLock(rig, u"9999"_s, dir.filePath(u"missing/codes.dat"_s));
    rig.hear();
    EXPECT_EQ(lockIn(memory), u"5678"_s);
    EXPECT_EQ(db.value(u"Lock"), u"5678"_s);
    EXPECT_EQ(shown(u"CurrentLock"_s), u"5678"_s);
    EXPECT_EQ(shown(u"NewLockSet"_s), u"9999"_s);
    EXPECT_EQ(readIni(u"Unlock", u"Lock", file), u"5678"_s);
}

} // namespace
} // namespace kovo
