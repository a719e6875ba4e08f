#include "database/profile_file.h"
#include "editor_test_support.h"
#include "editors/program_info.h"
#include "editors/special_codes_editor.h"

namespace kovo::test {

using SpecialCodesEditorTest = EditorTest<SpecialCodesEditor>;

TEST_F(SpecialCodesEditorTest, EachControlStoresItsFieldWithItsFlagAndFileGroup) {
    using enum Group;
    const auto row = [](const char* step, const char* stored, const char* flag, Group group) {
        return EditRow{step, {}, stored, flag, {}, {}, {group}};
    };
    const auto refused = [](const char* step, const char* stored, const char* message) {
        return EditRow{step,    QString::fromLatin1(step).section(u'=', 0, 0) + u'=',
                       stored,  "",
                       message, programTitle()};
    };
    expectEdits(
        {row("CurrentCommandPrefixSet=90418", "CommandPrefix=90418", "UserDTMFPending", Unlock),
         row("DTMFPortSet=Ports 1 & 3", "DTMFPort=13", "UserDTMFPending", Unlock),
         row("DTMFSpeechSet=12", "DTMFSpeech=12", "UserDTMFPending", Unlock),
         row("APPrefixSet=A2", "APPrefix=A2", "APPrefixPending", Autopatch),
         row("AnswerCodeSet=1234", "AnswerCode=1234", "AnswerCodePending", Autopatch),
         row("RingNumberSet=4", "RingNumber=4", "RingNumberPending", Autopatch),
         row("APTimeOutSet=60", "APTimeOut=60", "APTimeOutPending", Autopatch),
         row("EnablePatchSet=All Ports", "EnablePatch=123", "EnablePatchPending", Autopatch),
         row("PatchMuteSet=off", "PatchMute=0", "PatchMutePending", Autopatch),
         row("DTMFTestPrefixSet=98", "DTMFTestPrefix=98", "DTMFTestPrefixPending", Autopatch),
         row("PreAccessSet=12A", "PreAccessPrefix=12A", "PreAccessPrefixPending", Autopatch),
         refused("PreAccessSet=1234", "PreAccessPrefix=0",
                 "You can have a maximum of 3 digits. Try Again"),
         row("PreProgramSet=77", "PreProgramPrefix=77", "PreProgramPrefixPending", Autopatch),
         row("MacroRangeSet=1040", "MacroSubset=1040", "MacroSubsetPending", MacroSubset),
         refused("MacroRangeSet=10400", "MacroSubset=0",
                 "You can have a maximum of 4 digits. Try Again"),
         row("MacroSubsetEnable=on", "MacroSubsetEnable=1", "MacroSubsetEnablePending",
             MacroSubset),
         row("SecondDigitSet", "DTMFMuteDigitSelect=2", "DTMFMuteDigitSelectPending",
             DTMFMuteDigitSelect),
         // An emptied box whose field a file may not hold empty keeps the stored value.
         {"RingNumberSet=", {}, "RingNumber=2", ""}},
        MessageIcon::None);
}

TEST_F(SpecialCodesEditorTest, NoneShowsZeroAndAnEmptyAutopatchCodeKeepsTheFocus) {
    db.setValue(u"DTMFSpeech", u"12"_s);
    open();
    editor->show();
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    for (const QString& box : {u"PreAccessSet"_s, u"PreProgramSet"_s, u"MacroRangeSet"_s})
        EXPECT_EQ(shown(box), u"NONE"_s) << box.toStdString();
    edit({u"DTMFSpeechSet=NONE"_s});
    EXPECT_EQ(editor->ownWorkingCopy(u"DTMFSpeech"_s), u"0"_s);

    for (const auto& [name, text] :
         {std::pair{"APPrefixSet",
                    "The Autopatch Prefix MUST be at least one digit long. Please try again"},
          {"AnswerCodeSet", "The Answer Code MUST be at least one digit long. Please try again"}}) {
        messages.clear();
        QLineEdit* box = get(QString::fromLatin1(name));
        box->setFocus();
        typeInto(box, QString());
        leave(box);
        expectBoxes(messages, text, programTitle(), MessageIcon::None);
        EXPECT_TRUE(box->hasFocus());
        typeInto(box, u"C3"_s);
    }
    editor->apply();
    EXPECT_EQ(values(db, u"APPrefix|DTMFSpeech"_s), u"C3|0"_s);
}

TEST_F(SpecialCodesEditorTest, AutodialSlotsAndTollNumbersKeepTheirOrder) {
    EXPECT_EQ(get<QComboBox>(u"AutoDialSlotSet"_s)->count(), SpecialCodesEditor::AutoDialSlots);
    edit({u"AutoDialSlotSet=150"_s, u"AutoDialNumberSet=5551234"_s, u"AutoDialSlotSet=2"_s});
    EXPECT_EQ(shown(u"AutoDialNumberSet"_s), QString());
    edit({u"AutoDialSlotSet=150"_s});
    EXPECT_EQ(shown(u"AutoDialNumberSet"_s), u"5551234"_s);

    edit({u"TollAdd"_s}); // nothing typed: nothing added
    for (const char* typed : {"900", "976", "011"}) {
        edit({u"TollRestrictSet="_s + QLatin1String(typed), u"TollAdd"_s});
        EXPECT_EQ(shown(u"TollRestrictSet"_s), QString());
    }
    auto* list = get<QListWidget>(u"TollRestrictList"_s);
    list->item(1)->setSelected(true);
    edit({u"TollDelete"_s});
    EXPECT_EQ(shown(u"TollRestrictList"_s), u"900|011"_s);
    editor->apply();
    EXPECT_EQ(flags(db), u"AutoDialPending(150) TollRestrictPending(1) TollRestrictPending(2)"_s);
    EXPECT_EQ(
        values(saved(db, true), u"TollRestrict(1)|TollRestrict(2)|TollRestrict(3)|AutoDial(150)"_s),
        u"900|011||5551234"_s);

    // Deleting the first moves the second up: both numbers change.
    db.setAllPending(false);
    list->item(0)->setSelected(true);
    edit({u"TollDelete"_s});
    editor->apply();
    EXPECT_EQ(values(db, u"TollRestrict(1)|TollRestrict(2)"_s), u"011|"_s);
    EXPECT_EQ(flags(db), u"TollRestrictPending(1) TollRestrictPending(2)"_s);

    // The list holds the hundred numbers the controller keeps, and no more.
    for (int k = 2; k <= SpecialCodesEditor::TollNumbers; ++k)
        edit({u"TollRestrictSet=%1"_s.arg(k), u"TollAdd"_s});
    EXPECT_EQ(messages.messageTexts(), QStringList());
    edit({u"TollRestrictSet=101"_s, u"TollAdd"_s});
    EXPECT_EQ(messages.messageTexts(),
              QStringList{u"The toll restrict list holds at most 100 numbers."_s});
    EXPECT_EQ(list->count(), SpecialCodesEditor::TollNumbers);
}

TEST_F(SpecialCodesEditorTest, NewCodesGoOneAfterTheOtherAndMoveToCurrentWhenTaken) {
    // Without a link nothing is sent and the codes stay where they were typed.
    edit({u"NewLockSet=1234"_s});
    editor->apply();
    EXPECT_EQ(messages.messageTexts(), QStringList{u"No link to the Tarsis is available."_s});
    EXPECT_EQ(shown(u"NewLockSet"_s), u"1234"_s);
    EXPECT_EQ(db.value(u"Lock"), u"#"_s);

    // Each action as "kind port code", the kinds counted from the unlock code change.
    FakeActionRunner runner;
    const auto sent = [&] {
        QStringList each;
        for (const ControllerAction& a : runner.actions)
            each << u"%1 %2 %3"_s.arg(int(a.kind) - int(ControllerAction::Kind::ChangeUnlockCode))
                        .arg(a.port)
                        .arg(a.newCode);
        return each.join(u", ");
    };
    editor->setActionRunner(&runner);
    edit({u"NewTerminatorSet=b"_s});
    EXPECT_EQ(shown(u"NewTerminatorSet"_s), u"B"_s);
    edit({u"NewPortUnlockSet(2)=2a47"_s});
    editor->apply();
    editor->apply(); // a second Apply while they are on their way sends nothing twice
    EXPECT_EQ(sent(), u"0 2 2A47"_s);
    runner.finish(true);
    EXPECT_EQ(shown(u"CurrentPortUnlock(2)|NewPortUnlockSet(2)"_s), u"2A47|"_s);
    runner.finish(true);
    EXPECT_EQ(sent(), u"0 2 2A47, 1 1 1234, 2 1 B"_s);
    // A code the controller did not take stays new, to be sent by the next Apply.
    runner.finish(false);
    EXPECT_EQ(shown(u"NewTerminatorSet|CurrentTerminator"_s), u"B|"_s + db.value(u"Terminator"));
    editor->apply();
    EXPECT_EQ(sent(), u"0 2 2A47, 1 1 1234, 2 1 B, 2 1 B"_s);
    // Code changes set no send-pending flag: they are already in the controller.
    EXPECT_EQ(flags(db), QString());
}

// A new lock code applied in the special codes editor goes through the controller action to the
// built-in emulator; the editor shows what was filed and sent.
TEST(SpecialCodesAction, ANewLockCodeIsFiledSentAndMovedToCurrentOrKeptForTheNextApply) {
    QTemporaryDir dir;
    const QString file = dir.filePath(u"codes.dat"_s);
    Database db;
    db.setValue(u"HangTime", 2, u"42"_s);
    ASSERT_TRUE(saveWholeDatabase(db, file).ok);
    RecordingMessageService messages;
    RecordingOperator person;
    DirectActionRunner runner(db, person);
    auto emulator = std::make_shared<TarsisEmulator>();
    runner.useSerial(std::make_unique<EmulatorChannel>(u"Built-in"_s, emulator));
    runner.setDatabaseFile(file);
    SpecialCodesEditor editor(db, messages);
    editor.setActionRunner(&runner);
    // The controller's lock code as a download reads it, and what the editor shows.
    const auto state = [&] {
        Database downloaded;
        EXPECT_TRUE(decodeMemoryImageLines(emulator->memory().memoryLines(), downloaded).ok);
        return QStringList{downloaded.value(u"Lock"), readIni(u"Unlock", u"Lock", file),
                           db.value(u"Lock"), shown(editor, u"CurrentLock"_s),
                           shown(editor, u"NewLockSet"_s)};
    };

    edit(editor, {u"NewLockSet=12a4"_s});
    editor.apply();
    EXPECT_EQ(person.messageTexts(),
              QStringList{u"New Lock Code Has Been Successfully Sent To The Tarsis"_s});
    EXPECT_EQ(state(), (QStringList{u"12A4"_s, u"12A4"_s, u"12A4"_s, u"12A4"_s, QString()}));
    EXPECT_EQ(db.storedLock(), u"12A4"_s);
    // The open file keeps every other key it had.
    EXPECT_EQ(readIni(u"Timers", u"HangTime(2)", file), u"42"_s);

    // The controller refuses every line: the code was filed before it was sent and stays new.
    EmulatorFaults faults;
    faults.refuseCount = 100;
    emulator->setFaults(faults);
    edit(editor, {u"NewLockSet=5678"_s});
    editor.apply();
    EXPECT_EQ(state(), (QStringList{u"12A4"_s, u"5678"_s, u"5678"_s, u"5678"_s, u"5678"_s}));
    emulator->setFaults(EmulatorFaults());
    editor.apply();
    EXPECT_EQ(state(), (QStringList{u"5678"_s, u"5678"_s, u"5678"_s, u"5678"_s, QString()}));

    // A file that cannot be written: nothing is sent and nothing changes.
    runner.setDatabaseFile(dir.filePath(u"missing/codes.dat"_s));
    edit(editor, {u"NewLockSet=9999"_s});
    editor.apply();
    EXPECT_EQ(state(), (QStringList{u"5678"_s, u"5678"_s, u"5678"_s, u"5678"_s, u"9999"_s}));
    EXPECT_EQ(messages.messageTexts(), QStringList());
}

} // namespace kovo::test
