#include "editor_test_support.h"
#include "editors/message_macros_editor.h"

namespace kovo::test {

using MessageMacrosEditorTest = EditorTest<MessageMacrosEditor>;

const char* const NotAWord = "That is not a valid vocabulary word. Please try again";

TEST_F(MessageMacrosEditorTest, WordsAreCheckedCountedAndLimitedAsTheyAreTypedOrPicked) {
    const char* nine = "ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE";
    const struct {
        const char* stored;
        const char* typed;  // typed at the end of the box
        const char* picked; // then double-clicked in the vocabulary
        bool left;          // then the box is left
        const char* shown;
        const char* count;
        bool refused; // a word the controller cannot say
    } cases[] = {
        {"NONE STORED", "thank_you ", nullptr, false, "THANK_YOU ", "2", false},
        {"NONE STORED", "thank ", nullptr, false, "", "1", true},
        {"HELLO", " stand", nullptr, true, "HELLO", "2", true},
        {"HELLO", "  all", nullptr, false, "HELLO  ALL", "3", false},
        {"HELLO", "  all", nullptr, true, "HELLO ALL", "3", false},
        {"HELLO", " none ", nullptr, true, "HELLO", "3", true},
        {nine, " ", nullptr, false, nine, "9", false},
        {"NONE STORED", "", "SILENCE(PAUSE)", false, "SILENCE(PAUSE)", "1", false},
        {"HELLO", "", "DVR20", false, "HELLO DVR20", "2", false},
        {nine, "", "TEN", false, nine, "9", false},
        {"NONE STORED", "", nullptr, true, "NONE STORED", "1", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.stored) + " + " + c.typed);
        db.setValue(u"MessageMacro", 3, QString::fromLatin1(c.stored));
        open();
        auto* vocabulary = get<QListWidget>(u"VocabList"_s);
        EXPECT_FALSE(vocabulary->isEnabled());
        QLineEdit* box = get(u"MessageSet(3)"_s);
        typeAtEnd(box, QString::fromLatin1(c.typed));
        EXPECT_TRUE(vocabulary->isEnabled());
        if (c.picked)
            pick(vocabulary, QString::fromLatin1(c.picked));
        const QString count = shown(u"CharCounter"_s);
        if (c.left)
            leave(box);
        EXPECT_EQ(box->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(count, QString::fromLatin1(c.count));
        if (c.refused)
            expectBoxes(messages, NotAWord);
        else
            expectBoxes(messages,
                        c.stored == nine ? "You can only use 9 words for this message!" : nullptr,
                        u"Try Again!"_s);
    }
}

TEST_F(MessageMacrosEditorTest, ApplySetsTheChangedMessagesFlagsAndSavesThem) {
    db.setValue(u"MessageMacro", 4, u"GOOD  MORNING"_s);
    open();
    EXPECT_EQ(shown(u"MessageSet(4)"_s), u"GOOD MORNING"_s);
    typeAtEnd(get(u"MessageSet(3)"_s), u"weather alert stand"_s);
    get(u"MessageSet(4)"_s)->clear();
    editor->apply(); // with message 3 still focused
    expectBoxes(messages, NotAWord);
    EXPECT_EQ(db.pendingNames(),
              (QStringList{u"MessageMacroPending(3)"_s, u"MessageMacroPending(4)"_s}));
    EXPECT_TRUE(db.groupChanged(Group::MessageMacros));
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_EQ(shown(u"MessageSet(4)"_s), u"NONE STORED"_s);
    const Database loaded = saved(db);
    EXPECT_EQ(values(loaded, u"MessageMacro(3)|MessageMacro(4)"_s), u"WEATHER ALERT|NONE STORED"_s);
}

TEST_F(MessageMacrosEditorTest, RecordingSendsTheChosenFileToTheChosenTrack) {
    edit({u"SendToTarsis"_s});
    EXPECT_EQ(messages.messageTexts(), QStringList{u"No link to the Tarsis is available."_s});
    FakeActionRunner runner;
    editor->setActionRunner(&runner);
    QStringList asked;
    editor->setFileChooser([&](const QString& title, const QString& filter) {
        asked << title << filter;
        return std::optional<QString>(u"/sounds/net.wav"_s);
    });
    edit({u"GetFile"_s, u"DVRTrackSet=7"_s, u"SendToTarsis"_s});
    EXPECT_EQ(asked, (QStringList{u"Open Wav File"_s, u"Wav Files (*.wav)"_s}));
    ASSERT_EQ(runner.actions.size(), 1u);
    EXPECT_EQ(runner.actions[0].kind, ControllerAction::Kind::RecordTrack);
    EXPECT_EQ(runner.actions[0].track, 7);
    EXPECT_EQ(runner.actions[0].wavFile, u"/sounds/net.wav"_s);
    EXPECT_FALSE(get<QPushButton>(u"SendToTarsis"_s)->isEnabled());
    runner.finish();
    EXPECT_TRUE(get<QPushButton>(u"SendToTarsis"_s)->isEnabled());
}

} // namespace kovo::test
