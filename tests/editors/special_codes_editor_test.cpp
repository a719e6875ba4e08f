#include "editor_test_support.h"
#include "editors/editor_window.h"
#include "editors/program_info.h"
#include "editors/recording_message_service.h"
#include "editors/special_codes_editor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kovo {
namespace {

using namespace kovo::test;
using kovo::testing::FakeActionRunner;

class SpecialCodesEditorTest : public ::testing::Test {
protected:
    void SetUp() override { editor = std::make_unique<SpecialCodesEditor>(db, messages); }

    template <typename T> T* widget(const char* name) const {
        auto* found = editor->control<T>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QStringList tollEntries() const {
        QStringList entries;
        auto* list = widget<QListWidget>("TollRestrictList");
        for (int row = 0; row < list->count(); ++row)
            entries << list->item(row)->text();
        return entries;
    }

    Database db;
    RecordingMessageService messages;
    std::unique_ptr<SpecialCodesEditor> editor;
};

TEST_F(SpecialCodesEditorTest, EachControlStoresItsFieldWithItsFlagAndFileGroup) {
    struct Case {
        const char* control;
        const char* entry; // list entry, typed text, "check"/"clear", or "click"
        const char* field;
        int index;
        const char* stored;
        const char* flag;
        Group group;
        const char* refusal = nullptr;
    };
    const Case cases[] = {
        {"CurrentCommandPrefixSet", "90418", "CommandPrefix", 0, "90418", "UserDTMFPending",
         Group::Unlock},
        {"DTMFPortSet", "Ports 1 & 3", "DTMFPort", 0, "13", "UserDTMFPending", Group::Unlock},
        {"DTMFSpeechSet", "12", "DTMFSpeech", 0, "12", "UserDTMFPending", Group::Unlock},
        {"APPrefixSet", "A2", "APPrefix", 0, "A2", "APPrefixPending", Group::Autopatch},
        {"AnswerCodeSet", "1234", "AnswerCode", 0, "1234", "AnswerCodePending", Group::Autopatch},
        {"RingNumberSet", "4", "RingNumber", 0, "4", "RingNumberPending", Group::Autopatch},
        {"APTimeOutSet", "60", "APTimeOut", 0, "60", "APTimeOutPending", Group::Autopatch},
        {"EnablePatchSet", "All Ports", "EnablePatch", 0, "123", "EnablePatchPending",
         Group::Autopatch},
        {"PatchMuteSet", "clear", "PatchMute", 0, "0", "PatchMutePending", Group::Autopatch},
        {"DTMFTestPrefixSet", "98", "DTMFTestPrefix", 0, "98", "DTMFTestPrefixPending",
         Group::Autopatch},
        {"PreAccessSet", "12A", "PreAccessPrefix", 0, "12A", "PreAccessPrefixPending",
         Group::Autopatch},
        {"PreAccessSet", "1234", "PreAccessPrefix", 0, "0", nullptr, Group::Autopatch,
         "You can have a maximum of 3 digits. Try Again"},
        {"PreProgramSet", "77", "PreProgramPrefix", 0, "77", "PreProgramPrefixPending",
         Group::Autopatch},
        {"MacroRangeSet", "1040", "MacroSubset", 0, "1040", "MacroSubsetPending",
         Group::MacroSubset},
        {"MacroRangeSet", "10400", "MacroSubset", 0, "0", nullptr, Group::MacroSubset,
         "You can have a maximum of 4 digits. Try Again"},
        {"MacroSubsetEnable", "check", "MacroSubsetEnable", 0, "1", "MacroSubsetEnablePending",
         Group::MacroSubset},
        {"SecondDigitSet", "click", "DTMFMuteDigitSelect", 0, "2", "DTMFMuteDigitSelectPending",
         Group::DTMFMuteDigitSelect},
        // An emptied box whose field a file may not hold empty keeps the stored value.
        {"RingNumberSet", "", "RingNumber", 0, "2", nullptr, Group::Autopatch},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.control) + " <- " + c.entry);
        db = Database();
        editor = std::make_unique<SpecialCodesEditor>(db, messages);
        messages.clear();
        const QString entry = QString::fromLatin1(c.entry);
        if (entry == u"click")
            widget<QRadioButton>(c.control)->click();
        else if (entry == u"check" || entry == u"clear")
            widget<QCheckBox>(c.control)->setChecked(entry == u"check");
        else if (auto* box = editor->control<QLineEdit>(QString::fromLatin1(c.control)))
            typeInto(box, entry);
        else
            choose(widget<QComboBox>(c.control), entry);
        if (c.refusal) {
            ASSERT_EQ(messages.calls.size(), 1);
            EXPECT_EQ(messages.calls[0].text, QString::fromLatin1(c.refusal));
            EXPECT_EQ(messages.calls[0].title, programTitle());
            EXPECT_EQ(messages.calls[0].icon, MessageIcon::None);
            EXPECT_EQ(widget<QLineEdit>(c.control)->text(), QString());
        } else {
            EXPECT_TRUE(messages.calls.isEmpty());
        }
        editor->apply();
        const QString field = QString::fromLatin1(c.field);
        EXPECT_EQ(db.value(field, c.index), QString::fromLatin1(c.stored));
        EXPECT_EQ(db.pendingNames(),
                  c.flag ? QStringList{QString::fromLatin1(c.flag)} : QStringList());
        EXPECT_EQ(db.groupChanged(c.group), c.flag != nullptr);
        EXPECT_EQ(db.settingsSaved(), c.flag == nullptr);
    }
}

TEST_F(SpecialCodesEditorTest, NoneShowsZeroAndAnEmptyAutopatchCodeKeepsTheFocus) {
    db.setValue(u"DTMFSpeech", QStringLiteral("12"));
    editor = std::make_unique<SpecialCodesEditor>(db, messages);
    editor->show();
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    for (const char* box : {"PreAccessSet", "PreProgramSet", "MacroRangeSet"})
        EXPECT_EQ(widget<QLineEdit>(box)->text(), QStringLiteral("NONE")) << box;
    choose(widget<QComboBox>("DTMFSpeechSet"), QStringLiteral("NONE"));
    EXPECT_EQ(editor->ownWorkingCopy(QStringLiteral("DTMFSpeech")), QStringLiteral("0"));

    const std::pair<const char*, const char*> codes[] = {
        {"APPrefixSet", "The Autopatch Prefix MUST be at least one digit long. Please try again"},
        {"AnswerCodeSet", "The Answer Code MUST be at least one digit long. Please try again"}};
    for (const auto& [name, text] : codes) {
        messages.clear();
        QLineEdit* box = widget<QLineEdit>(name);
        box->setFocus();
        typeInto(box, QString());
        leaveBox(box);
        ASSERT_EQ(messages.messageTexts(), QStringList{QString::fromLatin1(text)});
        EXPECT_EQ(messages.calls[0].title, programTitle());
        EXPECT_TRUE(box->hasFocus());
        typeInto(box, QStringLiteral("C3"));
    }
    editor->apply();
    EXPECT_EQ(db.value(u"APPrefix"), QStringLiteral("C3"));
    EXPECT_EQ(db.value(u"DTMFSpeech"), QStringLiteral("0"));
}

TEST_F(SpecialCodesEditorTest, AutodialSlotsAndTollNumbersKeepTheirOrder) {
    auto* slot = widget<QComboBox>("AutoDialSlotSet");
    auto* number = widget<QLineEdit>("AutoDialNumberSet");
    EXPECT_EQ(slot->count(), SpecialCodesEditor::AutoDialSlots);
    choose(slot, QStringLiteral("150"));
    typeInto(number, QStringLiteral("5551234"));
    choose(slot, QStringLiteral("2"));
    EXPECT_EQ(number->text(), QString());
    choose(slot, QStringLiteral("150"));
    EXPECT_EQ(number->text(), QStringLiteral("5551234"));

    QLineEdit* toll = widget<QLineEdit>("TollRestrictSet");
    auto* add = widget<QPushButton>("TollAdd");
    add->click(); // nothing typed: nothing added
    for (const char* typed : {"900", "976", "011"}) {
        typeInto(toll, QString::fromLatin1(typed));
        add->click();
        EXPECT_EQ(toll->text(), QString());
    }
    auto* list = widget<QListWidget>("TollRestrictList");
    list->item(1)->setSelected(true);
    widget<QPushButton>("TollDelete")->click();
    EXPECT_EQ(tollEntries(), (QStringList{QStringLiteral("900"), QStringLiteral("011")}));
    editor->apply();
    EXPECT_EQ(db.value(u"TollRestrict", 1), QStringLiteral("900"));
    EXPECT_EQ(db.value(u"TollRestrict", 2), QStringLiteral("011"));
    EXPECT_EQ(db.value(u"TollRestrict", 3), QString());
    EXPECT_EQ(db.value(u"AutoDial", 150), QStringLiteral("5551234"));
    EXPECT_EQ(db.pendingNames(), (QStringList{QStringLiteral("AutoDialPending(150)"),
                                              QStringLiteral("TollRestrictPending(1)"),
                                              QStringLiteral("TollRestrictPending(2)")}));

    // Deleting the first moves the second up: both numbers change.
    db.setAllPending(false);
    list->item(0)->setSelected(true);
    widget<QPushButton>("TollDelete")->click();
    editor->apply();
    EXPECT_EQ(db.value(u"TollRestrict", 1), QStringLiteral("011"));
    EXPECT_EQ(db.value(u"TollRestrict", 2), QString());
    EXPECT_EQ(db.pendingNames(), (QStringList{QStringLiteral("TollRestrictPending(1)"),
                                              QStringLiteral("TollRestrictPending(2)")}));

    // The list holds the hundred numbers the controller keeps, and no more.
    for (int k = 2; k <= SpecialCodesEditor::TollNumbers; ++k) {
        typeInto(toll, QString::number(k));
        add->click();
    }
    EXPECT_TRUE(messages.calls.isEmpty());
    typeInto(toll, QStringLiteral("101"));
    add->click();
    EXPECT_EQ(messages.messageTexts(),
              QStringList{QStringLiteral("The toll restrict list holds at most 100 numbers.")});
    EXPECT_EQ(list->count(), SpecialCodesEditor::TollNumbers);
}

TEST_F(SpecialCodesEditorTest, NewCodesGoOneAfterTheOtherAndMoveToCurrentWhenTaken) {
    // Without a link nothing is sent and the codes stay where they were typed.
    typeInto(widget<QLineEdit>("NewLockSet"), QStringLiteral("1234"));
    editor->apply();
    EXPECT_EQ(messages.messageTexts(),
              QStringList{QStringLiteral("No link to the Tarsis is available.")});
    EXPECT_EQ(widget<QLineEdit>("NewLockSet")->text(), QStringLiteral("1234"));
    EXPECT_EQ(db.value(u"Lock"), QStringLiteral("#"));

    FakeActionRunner runner;
    editor->setActionRunner(&runner);
    typeInto(widget<QLineEdit>("NewTerminatorSet"), QStringLiteral("b"));
    EXPECT_EQ(widget<QLineEdit>("NewTerminatorSet")->text(), QStringLiteral("B"));
    typeInto(widget<QLineEdit>("NewPortUnlockSet(2)"), QStringLiteral("2a47"));
    editor->apply();
    editor->apply(); // a second Apply while they are on their way sends nothing twice
    ASSERT_EQ(runner.actions.size(), 1u);
    EXPECT_EQ(runner.actions[0].kind, ControllerAction::Kind::ChangeUnlockCode);
    EXPECT_EQ(runner.actions[0].port, 2);
    EXPECT_EQ(runner.actions[0].newCode, QStringLiteral("2A47"));
    runner.finish(true);
    EXPECT_EQ(widget<QLineEdit>("CurrentPortUnlock(2)")->text(), QStringLiteral("2A47"));
    EXPECT_EQ(widget<QLineEdit>("NewPortUnlockSet(2)")->text(), QString());
    ASSERT_EQ(runner.actions.size(), 2u);
    EXPECT_EQ(runner.actions[1].kind, ControllerAction::Kind::ChangeLockCode);
    runner.finish(true);
    ASSERT_EQ(runner.actions.size(), 3u);
    EXPECT_EQ(runner.actions[2].kind, ControllerAction::Kind::ChangeTerminator);
    EXPECT_EQ(runner.actions[2].newCode, QStringLiteral("B"));
    // A code the controller did not take stays new, to be sent by the next Apply.
    runner.finish(false);
    EXPECT_EQ(widget<QLineEdit>("NewTerminatorSet")->text(), QStringLiteral("B"));
    EXPECT_EQ(widget<QLineEdit>("CurrentTerminator")->text(), db.value(u"Terminator"));
    editor->apply();
    ASSERT_EQ(runner.actions.size(), 4u);
    EXPECT_EQ(runner.actions[3].newCode, QStringLiteral("B"));
    // Code changes set no send-pending flag: they are already in the controller.
    EXPECT_TRUE(db.pendingNames().isEmpty());
}

TEST_F(SpecialCodesEditorTest, SaveWritesEveryGroupTheEditorChanged) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("codes.dat"));
    ASSERT_TRUE(saveWholeDatabase(db, path).ok);

    typeInto(widget<QLineEdit>("CurrentCommandPrefixSet"), QStringLiteral("90419"));
    typeInto(widget<QLineEdit>("APPrefixSet"), QStringLiteral("A7"));
    typeInto(widget<QLineEdit>("PreProgramSet"), QStringLiteral("55"));
    typeInto(widget<QLineEdit>("MacroRangeSet"), QStringLiteral("2030"));
    widget<QRadioButton>("SecondDigitSet")->click();
    choose(widget<QComboBox>("AutoDialSlotSet"), QStringLiteral("200"));
    typeInto(widget<QLineEdit>("AutoDialNumberSet"), QStringLiteral("18005551212"));
    typeInto(widget<QLineEdit>("TollRestrictSet"), QStringLiteral("1900"));
    widget<QPushButton>("TollAdd")->click();
    widget<QPushButton>("Apply")->click();

    // Save writes only the groups whose flags are set.
    ASSERT_TRUE(writeDatabase(db, path).ok);
    const Database saved = reloaded(path);
    EXPECT_EQ(saved.value(u"CommandPrefix"), QStringLiteral("90419"));
    EXPECT_EQ(saved.value(u"APPrefix"), QStringLiteral("A7"));
    EXPECT_EQ(saved.value(u"PreProgramPrefix"), QStringLiteral("55"));
    EXPECT_EQ(saved.value(u"MacroSubset"), QStringLiteral("2030"));
    EXPECT_EQ(saved.value(u"DTMFMuteDigitSelect"), QStringLiteral("2"));
    EXPECT_EQ(saved.value(u"AutoDial", 200), QStringLiteral("18005551212"));
    EXPECT_EQ(saved.value(u"TollRestrict", 1), QStringLiteral("1900"));

    SpecialCodesEditor reopened(db, messages);
    EXPECT_EQ(reopened.control<QLineEdit>(QStringLiteral("PreProgramSet"))->text(),
              QStringLiteral("55"));
    EXPECT_EQ(reopened.control<QListWidget>(QStringLiteral("TollRestrictList"))->count(), 1);
    EXPECT_TRUE(reopened.control<QRadioButton>(QStringLiteral("SecondDigitSet"))->isChecked());
}

} // namespace
} // namespace kovo
