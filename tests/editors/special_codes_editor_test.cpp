#include "database/profile_file.h"
#include "editor_test_support.h"
#include "editors/program_info.h"
#include "editors/special_codes_editor.h"

namespace kovo::test {

using SpecialCodesEditorTest = EditorTest<SpecialCodesEditor>;

TEST_F(SpecialCodesEditorTest, EachControlStoresItsFieldWithItsFlagAndFileGroup) {
    const QString title = programTitle();
    expectEdits(
        {
            {"CurrentCommandPrefixSet=90418", {}, "CommandPrefix=90418", "UserDTMFPending"},
            {"DTMFPortSet=Ports 1 & 3", {}, "DTMFPort=13", "UserDTMFPending"},
            {"DTMFSpeechSet=12", {}, "DTMFSpeech=12", "UserDTMFPending"},
            {"DTMFSpeech:=12|DTMFSpeechSet=NONE",
             "PreAccessSet|PreProgramSet|MacroRangeSet=NONE|NONE|NONE", "DTMFSpeech=0",
             "UserDTMFPending"},
            {"EnablePatchSet=All Ports", {}, "EnablePatch=123", "EnablePatchPending"},
            {"PatchMuteSet=off", {}, "PatchMute=0", "PatchMutePending"},
            {"DTMFTestPrefixSet=98", {}, "DTMFTestPrefix=98", "DTMFTestPrefixPending"},
            {"PreAccessSet=12A", {}, "PreAccessPrefix=12A", "PreAccessPrefixPending"},
            {"PreAccessSet=1234", "PreAccessSet=", "PreAccessPrefix=0", "",
             "You can have a maximum of 3 digits. Try Again", title},
            {"PreProgramSet=77", {}, "PreProgramPrefix=77", "PreProgramPrefixPending"},
            {"MacroRangeSet=10400", "MacroRangeSet=", "MacroSubset=0", "",
             "You can have a maximum of 4 digits. Try Again", title},
            {"MacroSubsetEnable=on", {}, "MacroSubsetEnable=1", "MacroSubsetEnablePending"},
            // An emptied box whose field a file may not hold empty keeps the stored value.
            {"RingNumberSet=", {}, "RingNumber=2", ""},
        },
        MessageIcon::None);
}

TEST_F(SpecialCodesEditorTest, AnEmptyAutopatchCodeKeepsTheFocus) {
    editor->show();
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
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
    EXPECT_EQ(db.value(u"APPrefix"), u"C3"_s);
}

TEST_F(SpecialCodesEditorTest, AutodialSlotsAndTollNumbersKeepTheirOrder) {
    EXPECT_EQ(get<QComboBox>(u"AutoDialSlotSet"_s)->count(), 200);
    edit("AutoDialSlotSet=150|AutoDialNumberSet=5551234|AutoDialSlotSet=2");
    EXPECT_EQ(shown("AutoDialNumberSet"), QString());
    edit("AutoDialSlotSet=150");
    EXPECT_EQ(shown("AutoDialNumberSet"), u"5551234"_s);

    // Nothing typed adds nothing; each number added empties the box.
    edit("TollAdd|TollRestrictSet=900|TollAdd|TollRestrictSet=976|TollAdd|TollRestrictSet=011|"
         "TollAdd");
    EXPECT_EQ(shown("TollRestrictSet|TollRestrictList"), u"|900|976|011"_s);
    auto* list = get<QListWidget>(u"TollRestrictList"_s);
    list->item(1)->setSelected(true);
    edit("TollDelete");
    EXPECT_EQ(shown("TollRestrictList"), u"900|011"_s);
    editor->apply();
    EXPECT_EQ(flags(db), u"AutoDialPending(150) TollRestrictPending(1) TollRestrictPending(2)"_s);
    EXPECT_EQ(
        values(saved(db, true), u"TollRestrict(1)|TollRestrict(2)|TollRestrict(3)|AutoDial(150)"_s),
        u"900|011||5551234"_s);

    // Deleting the first moves the second up: both numbers change.
    db.setAllPending(false);
    list->item(0)->setSelected(true);
    edit("TollDelete");
    editor->apply();
    EXPECT_EQ(values(db, u"TollRestrict(1)|TollRestrict(2)"_s), u"011|"_s);
    EXPECT_EQ(flags(db), u"TollRestrictPending(1) TollRestrictPending(2)"_s);

    // The list holds the hundred numbers the controller keeps, and no more.
    for (int k = 2; k <= SpecialCodesEditor::TollNumbers; ++k)
        edit({u"TollRestrictSet=%1"_s.arg(k), u"TollAdd"_s});
    edit("TollRestrictSet=101|TollAdd");
    EXPECT_EQ(messages.messageTexts(),
              QStringList{u"The toll restrict list holds at most 100 numbers."_s});
    EXPECT_EQ(list->count(), 100);
}

TEST_F(SpecialCodesEditorTest, NewCodesGoOneAfterTheOtherAndMoveToCurrentWhenTaken) {
    // Without a link nothing is sent and the codes stay where they were typed.
    edit("NewLockSet=1234");
    editor->apply();
    EXPECT_EQ(messages.messageTexts(), QStringList{u"No link to the Tarsis is available."_s});
    EXPECT_EQ(shown("NewLockSet"), u"1234"_s);
    EXPECT_EQ(db.value(u"Lock"), u"#"_s);

    // Each action as "kind port code", the kinds counted from the unlock code change.
    const auto sent = [&] {
        QStringList each;
        for (const ControllerAction& a : runner.actions)
            each << u"%1 %2 %3"_s.arg(int(a.kind) - int(ControllerAction::Kind::ChangeUnlockCode))
                        .arg(a.port)
                        .arg(a.newCode);
        return each.join(u", ");
    };
    editor->setActionRunner(&runner);
    edit("NewTerminatorSet=b");
    EXPECT_EQ(shown("NewTerminatorSet"), u"B"_s);
    edit("NewPortUnlockSet(2)=2a47");
    editor->apply();
    editor->apply(); // a second Apply while they are on their way sends nothing twice
    EXPECT_EQ(sent(), u"0 2 2A47"_s);
    runner.finish(true);
    EXPECT_EQ(shown("CurrentPortUnlock(2)|NewPortUnlockSet(2)"), u"2A47|"_s);
    runner.finish(true);
    EXPECT_EQ(sent(), u"0 2 2A47, 1 1 1234, 2 1 B"_s);
    // A code the controller did not take stays new, to be sent by the next Apply.
    runner.finish(false);
    EXPECT_EQ(shown("NewTerminatorSet|CurrentTerminator"), u"B|"_s + db.value(u"Terminator"));
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
                           db.value(u"Lock"), shown(editor, u"CurrentLock|NewLockSet"_s)}
            .join(u'|');
    };

    edit(editor, {u"NewLockSet=12a4"_s});
    editor.apply();
    EXPECT_EQ(state(), u"12A4|12A4|12A4|12A4|"_s);

    // The controller refuses every line: the code was filed before it was sent and stays new.
    emulator->setFaults(*EmulatorFaults::parse(u"refuse:100"_s));
    edit(editor, {u"NewLockSet=5678"_s});
    editor.apply();
    EXPECT_EQ(state(), u"12A4|5678|5678|5678|5678"_s);
    emulator->setFaults(EmulatorFaults());
    editor.apply();
    EXPECT_EQ(state(), u"5678|5678|5678|5678|"_s);
    EXPECT_EQ(messages.messageTexts(), QStringList());
}

} // namespace kovo::test
