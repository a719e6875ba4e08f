#include "editor_test_support.h"
#include "editors/identification_editor.h"

namespace kovo::test {

using IdentificationEditorTest = EditorTest<IdentificationEditor>;

TEST_F(IdentificationEditorTest, IdentifiersAreCheckedAndLimitedAsTheyAreTyped) {
    const char* notAWord = "That is not a valid vocabulary word. Please try again";
    const char* notCw = "That is not a valid CW character. Please try again";
    const char* words22 = "A B C D E F G H I J K L M N O P Q R S T U V";
    const char* tokens15 = "A B C D E F G H I J K L M N O";
    const struct {
        const char* control;
        const char* field;
        const char* stored;
        const char* typed; // at the end of the box; "…|" then leaves it
        const char* shown;
        const char* message;
        const char* title; // nullptr: the program's title, no icon
    } cases[] = {
        {"VoiceID1Set(1)", "VoiceID1", "HELLO", " thank_you ", "HELLO THANK_YOU ", nullptr,
         nullptr},
        {"VoiceID1Set(1)", "VoiceID1", "HELLO", " thank ", "HELLO ", notAWord, nullptr},
        {"VoiceID2Set(3)", "VoiceID2", "NONE STORED", " ", "NONE STORED ", nullptr, nullptr},
        {"VoiceID3Set(2)", "VoiceID3", "HELLO", "  all|", "HELLO ALL", nullptr, nullptr},
        {"VoiceID3Set(2)", "VoiceID3", words22, " ", words22,
         "You can only use 22 words for this message!", "Try Again!"},
        {"CWID1Set(2)", "CWID1", "W 1", " x ", "W 1 X ", nullptr, nullptr},
        {"CWID1Set(2)", "CWID1", "W 1", " ab ", "W 1 ", notCw, nullptr},
        {"CWID2Set(1)", "CWID2", "A", " - ", "A ", notCw, nullptr},
        {"CWID2Set(1)", "CWID2", tokens15, " ", tokens15,
         "You can only use 15 characters for this message!", "Try Again!"},
        {"CWSpeedSet(1)", "CWSpeed", "", "54", "54", nullptr, nullptr},
        {"CWSpeedSet(1)", "CWSpeed", "", "55", "", "CW speed must be less than 55 wpm.",
         "Invalid Speed"},
        {"CWTone1Set(3)", "CWTone1", "", "3499", "3499", nullptr, nullptr},
        {"CwTone2Set(3)", "CWTone2", "", "3500", "", "Entry must be less than 3500 Hertz.",
         "Invalid Tone"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.control) + ": " + c.stored + " + " + c.typed);
        for (int port = 1; port <= 3; ++port)
            db.setValue(QLatin1String(c.field), port, QString::fromLatin1(c.stored));
        open();
        QLineEdit* box = get(QString::fromLatin1(c.control));
        QString typed = QString::fromLatin1(c.typed);
        const bool leaves = typed.endsWith(u'|');
        typeAtEnd(box, leaves ? typed.chopped(1) : typed);
        if (leaves)
            leave(box);
        EXPECT_EQ(box->text(), QString::fromLatin1(c.shown));
        expectBoxes(messages, c.message, QString::fromLatin1(c.title));
    }
}

TEST_F(IdentificationEditorTest, ThePickListFollowsTheFocusedIdentifier) {
    db.setValue(u"CWID1", 2, u"W1"_s);
    open();
    auto* vocabulary = get<QListWidget>(u"VocabList"_s);
    auto* cw = get<QListWidget>(u"CwList"_s);

    // Only the list of what the focused box takes is shown.
    const auto lists = [&] {
        return u"%1 %2"_s.arg(cw->isVisibleTo(editor.get()))
            .arg(vocabulary->isVisibleTo(editor.get()));
    };
    focus(get(u"CWID1Set(2)"_s));
    EXPECT_EQ(lists(), u"1 0"_s);
    pick(cw, u"AR"_s);
    pick(vocabulary, u"HELLO"_s); // hidden: nothing
    EXPECT_EQ(shown(u"CWID1Set(2)|CharCounter"_s), u"W1 AR|2"_s);

    focus(get(u"VoiceID2Set(2)"_s));
    EXPECT_EQ(lists(), u"0 1"_s);
    get(u"VoiceID2Set(2)"_s)->home(false);
    pick(vocabulary, u"HELLO"_s);
    EXPECT_EQ(shown(u"VoiceID2Set(2)"_s), u"HELLO T A R S I S"_s);
}

TEST_F(IdentificationEditorTest, ApplySetsTheIdentifierAndExtrasFlagsAndSavesThem) {
    db.setValue(u"ID2Extras", 1, u"4"_s);
    db.setValue(u"VoiceID1", 3, u"GOOD   MORNING"_s);
    open();
    EXPECT_EQ(shown(u"VoiceID1Set(3)|ID2Check(1)|ID2ExtrasSet(1)"_s),
              u"GOOD MORNING|on|Time After ID"_s);
    EXPECT_TRUE(get<QComboBox>(u"ID1ExtrasSet(2)"_s)->isHidden());

    typeAtEnd(get(u"VoiceID2Set(3)"_s), u" hello"_s);
    get<QCheckBox>(u"ID1Check(2)"_s)->setChecked(true);
    EXPECT_FALSE(get<QComboBox>(u"ID1ExtrasSet(2)"_s)->isHidden());
    get<QComboBox>(u"ID1ExtrasSet(2)"_s)->setCurrentIndex(8);
    get<QCheckBox>(u"ID2Check(1)"_s)->setChecked(false);
    get<QCheckBox>(u"SpeechEnabled(1)"_s)->setChecked(false);
    editor->apply();
    EXPECT_EQ(db.pendingNames(), (QStringList{u"VoiceID2Pending(3)"_s, u"SpeechEnablePending(1)"_s,
                                              u"ID1ExtrasPending(2)"_s, u"ID2ExtrasPending(1)"_s}));
    EXPECT_TRUE(db.groupChanged(Group::ID));
    EXPECT_TRUE(db.groupChanged(Group::IDExtras));
    EXPECT_FALSE(db.settingsSaved());
    const Database loaded = saved(db);
    EXPECT_EQ(values(loaded, u"VoiceID2(3)|ID1Extras(2)|ID2Extras(1)|SpeechEnable(1)"_s),
              u"T A R S I S HELLO|9|0|0"_s);
}

} // namespace kovo::test
