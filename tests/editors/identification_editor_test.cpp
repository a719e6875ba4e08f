#include "editor_test_support.h"
#include "editors/identification_editor.h"

namespace kovo::test {

using IdentificationEditorTest = EditorTest<IdentificationEditor>;

// A refusal without a title has the program's title and no icon.
TEST_F(IdentificationEditorTest, IdentifiersAreCheckedAndLimitedAsTheyAreTyped) {
    const char* notAWord = "That is not a valid vocabulary word. Please try again";
    const char* notCw = "That is not a valid CW character. Please try again";
    const QString words22 = u"A B C D E F G H I J K L M N O P Q R S T U V"_s;
    const QString tokens15 = u"A B C D E F G H I J K L M N O"_s;
    expectEdits({
        typed("VoiceID1(1):=HELLO|VoiceID1Set(1)+= thank_you ", "VoiceID1Set(1)=HELLO THANK_YOU "),
        typed("VoiceID1(1):=HELLO|VoiceID1Set(1)+= thank ", "VoiceID1Set(1)=HELLO ", notAWord, {}),
        typed("VoiceID2(3):=NONE STORED|VoiceID2Set(3)+= ", "VoiceID2Set(3)=NONE STORED "),
        typed("VoiceID3(2):=HELLO|VoiceID3Set(2)+=  all|~", "VoiceID3Set(2)=HELLO ALL"),
        typed(u"VoiceID3(2):=%1|VoiceID3Set(2)+= "_s.arg(words22), u"VoiceID3Set(2)="_s + words22,
              "You can only use 22 words for this message!"),
        typed("CWID1(2):=W 1|CWID1Set(2)+= x ", "CWID1Set(2)=W 1 X "),
        typed("CWID1(2):=W 1|CWID1Set(2)+= ab ", "CWID1Set(2)=W 1 ", notCw, {}),
        typed("CWID2(1):=A|CWID2Set(1)+= - ", "CWID2Set(1)=A ", notCw, {}),
        typed(u"CWID2(1):=%1|CWID2Set(1)+= "_s.arg(tokens15), u"CWID2Set(1)="_s + tokens15,
              "You can only use 15 characters for this message!"),
        typed("CWSpeed(1):=|CWSpeedSet(1)+=54", "CWSpeedSet(1)=54"),
        typed("CWSpeed(1):=|CWSpeedSet(1)+=55",
              "CWSpeedSet(1)=", "CW speed must be less than 55 wpm.", "Invalid Speed"),
        typed("CWTone1(3):=|CWTone1Set(3)+=3499", "CWTone1Set(3)=3499"),
        typed("CWTone2(3):=|CwTone2Set(3)+=3500",
              "CwTone2Set(3)=", "Entry must be less than 3500 Hertz.", "Invalid Tone"),
    });
}

TEST_F(IdentificationEditorTest, ThePickListFollowsTheFocusedIdentifier) {
    db.setValue(u"CWID1", 2, u"W1"_s);
    open();
    auto* vocabulary = get<QListWidget>(u"VocabList"_s);
    auto* cw = get<QListWidget>(u"CwList"_s);

    // Only the list of what the focused box takes is shown.
    const auto lists = [&] {
        return cw->isVisibleTo(editor.get()) * 10 + vocabulary->isVisibleTo(editor.get());
    };
    focus(get(u"CWID1Set(2)"_s));
    EXPECT_EQ(lists(), 10);
    edit("CwList@AR|VocabList@HELLO"); // the hidden list adds nothing
    EXPECT_EQ(shown("CWID1Set(2)|CharCounter"), u"W1 AR|2"_s);

    focus(get(u"VoiceID2Set(2)"_s));
    EXPECT_EQ(lists(), 1);
    get(u"VoiceID2Set(2)"_s)->home(false);
    pick(vocabulary, u"HELLO"_s);
    EXPECT_EQ(shown("VoiceID2Set(2)"), u"HELLO T A R S I S"_s);
}

TEST_F(IdentificationEditorTest, ExtrasFollowTheirCheckBoxesAndAreStoredOneUp) {
    store(db, u"ID2Extras(1)=4|VoiceID1(3)=GOOD   MORNING"_s);
    open();
    EXPECT_EQ(shown("VoiceID1Set(3)|ID2Check(1)|ID2ExtrasSet(1)"),
              u"GOOD MORNING|on|Time After ID"_s);
    EXPECT_TRUE(get<QComboBox>(u"ID1ExtrasSet(2)"_s)->isHidden());

    get<QCheckBox>(u"ID1Check(2)"_s)->setChecked(true);
    EXPECT_FALSE(get<QComboBox>(u"ID1ExtrasSet(2)"_s)->isHidden());
    get<QComboBox>(u"ID1ExtrasSet(2)"_s)->setCurrentIndex(8);
    get<QCheckBox>(u"ID2Check(1)"_s)->setChecked(false);
    editor->apply();
    expectApplied(db, u"ID1ExtrasPending(2) ID2ExtrasPending(1)"_s, {Group::IDExtras});
    EXPECT_EQ(values(db, u"ID1Extras(2)|ID2Extras(1)"_s), u"9|0"_s);
}

} // namespace kovo::test
