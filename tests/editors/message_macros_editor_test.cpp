#include "editor_test_support.h"
#include "editors/message_macros_editor.h"

namespace kovo::test {

using MessageMacrosEditorTest = EditorTest<MessageMacrosEditor>;

const char* const NotAWord = "That is not a valid vocabulary word. Please try again";

// The counter counts the words while the box is being typed into; a word the controller cannot
// say is refused.
TEST_F(MessageMacrosEditorTest, WordsAreCheckedCountedAndLimitedAsTheyAreTypedOrPicked) {
    EXPECT_FALSE(get<QListWidget>(u"VocabList"_s)->isEnabled());
    typeAtEnd(get(u"MessageSet(3)"_s), QString());
    EXPECT_TRUE(get<QListWidget>(u"VocabList"_s)->isEnabled());
    const QString nine = u"ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE"_s;
    const char* limit = "You can only use 9 words for this message!";
    expectEdits({
        typed("MessageSet(3)+=thank_you ", "MessageSet(3)|CharCounter=THANK_YOU |2"),
        typed("MessageSet(3)+=thank ", "MessageSet(3)|CharCounter=|1", NotAWord, {}),
        typed("MessageMacro(3):=HELLO|MessageSet(3)+= stand|~", "MessageSet(3)=HELLO", NotAWord,
              {}),
        typed("MessageMacro(3):=HELLO|MessageSet(3)+=  all",
              "MessageSet(3)|CharCounter=HELLO  ALL|3"),
        typed("MessageMacro(3):=HELLO|MessageSet(3)+=  all|~", "MessageSet(3)=HELLO ALL"),
        typed("MessageMacro(3):=HELLO|MessageSet(3)+= none |~", "MessageSet(3)=HELLO", NotAWord,
              {}),
        typed(u"MessageMacro(3):=%1|MessageSet(3)+= "_s.arg(nine),
              u"MessageSet(3)|CharCounter=%1|9"_s.arg(nine), limit),
        typed("MessageSet(3)+=|VocabList@SILENCE(PAUSE)",
              "MessageSet(3)|CharCounter=SILENCE(PAUSE)|1"),
        typed("MessageMacro(3):=HELLO|MessageSet(3)+=|VocabList@DVR20",
              "MessageSet(3)|CharCounter=HELLO DVR20|2"),
        typed(u"MessageMacro(3):=%1|MessageSet(3)+=|VocabList@TEN"_s.arg(nine),
              u"MessageSet(3)|CharCounter=%1|9"_s.arg(nine), limit),
        typed("MessageSet(3)+=|~", "MessageSet(3)=NONE STORED"),
    });
}

TEST_F(MessageMacrosEditorTest, ApplySetsTheChangedMessagesFlagsAndSavesThem) {
    db.setValue(u"MessageMacro", 4, u"GOOD  MORNING"_s);
    open();
    EXPECT_EQ(shown("MessageSet(4)"), u"GOOD MORNING"_s);
    typeAtEnd(get(u"MessageSet(3)"_s), u"weather alert stand"_s);
    get(u"MessageSet(4)"_s)->clear();
    editor->apply(); // with message 3 still focused
    expectBoxes(messages, NotAWord);
    expectApplied(db, u"MessageMacroPending(3) MessageMacroPending(4)"_s, {Group::MessageMacros});
    EXPECT_EQ(shown("MessageSet(4)"), u"NONE STORED"_s);
    EXPECT_EQ(values(db, u"MessageMacro(3)|MessageMacro(4)"_s), u"WEATHER ALERT|NONE STORED"_s);
}

TEST_F(MessageMacrosEditorTest, RecordingSendsTheChosenFileToTheChosenTrack) {
    QStringList asked;
    editor->setFileChooser([&](const QString& title, const QString& filter) {
        asked << title << filter;
        return std::optional<QString>(u"/sounds/net.wav"_s);
    });
    edit("GetFile|DVRTrackSet=7");
    expectAction(u"SendToTarsis"_s, ControllerAction::Kind::RecordTrack);
    EXPECT_EQ(asked, (QStringList{u"Open Wav File"_s, u"Wav Files (*.wav)"_s}));
    EXPECT_EQ(runner.actions.at(0).track, 7);
    EXPECT_EQ(runner.actions.at(0).wavFile, u"/sounds/net.wav"_s);
}

} // namespace kovo::test
