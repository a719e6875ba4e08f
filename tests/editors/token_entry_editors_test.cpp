// The editors whose boxes take tokens typed or picked from a list, counted against a limit.
#include "editor_test_support.h"
#include "editors/dtmf_memories_editor.h"
#include "editors/identification_editor.h"
#include "editors/macros_editor.h"
#include "editors/message_macros_editor.h"
#include "editors/token_entry.h"

#include <QHelpEvent>
#include <QTreeView>

namespace kovo::test {

using MacrosEditorTest = EditorTest<MacrosEditor>;
using IdentificationEditorTest = EditorTest<IdentificationEditor>;
using MessageMacrosEditorTest = EditorTest<MessageMacrosEditor>;
using DtmfMemoriesEditorTest = EditorTest<DtmfMemoriesEditor>;

const char* const NotAWord = "That is not a valid vocabulary word. Please try again";

TEST(TokenEntry, InsertionKeepsTokensApartWhereverTheCaretIs) {
    const struct {
        const char* text;
        int caret;
        int selected; // characters selected from the caret on
        const char* result;
        int caretAfter;
    } cases[] = {
        {"", 0, 0, "087", 3},
        {"001 002", 7, 0, "001 002 087", 11},
        {"001 002 003", 4, 4, "001 087 003", 7}, // a selection ending in a blank keeps it
        {"001 002 003", 4, 3, "001 087 003", 7},
        {"001 002", 3, 0, "001 087 002", 7},  // blank only after the caret
        {"001 002", 4, 0, "001 087 002", 8},  // blank only before
        {"001  002", 4, 0, "001 087 002", 7}, // blanks on both sides
        {"001 002", 0, 0, "087 001 002", 4},  // the very start
        {"001 002", 5, 0, "001 002 087", 11}, // inside a token: after it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " at " + std::to_string(c.caret));
        QLineEdit box;
        box.setText(QString::fromLatin1(c.text));
        box.setCursorPosition(c.caret);
        if (c.selected)
            box.setSelection(c.caret, c.selected);
        TokenEntry::insertAtCaret(&box, u"087"_s);
        EXPECT_EQ(box.text(), QString::fromLatin1(c.result));
        EXPECT_EQ(box.cursorPosition(), c.caretAfter);
    }
}

TEST_F(MacrosEditorTest, FunctionsAreInsertedAndCountedAgainstTheMacrosCapacity) {
    const QString why =
        u" functions in this macro! (remember that functions greater than 255 count as 2)"_s;
    const QString long15 = u"You can only use 15"_s + why, short4 = u"You can only use 4"_s + why;
    const QString fifteen = u"001 002 003 004 005 006 007 008 009 010 011 012 013 014 015"_s;
    const char* calls = "Macro(3):=401 402 403 404 405 406 407|MacroSet(3)+=|FunctionList@408";
    expectEdits({
        typed("Macro(3):=001 002|MacroSet(3)+=|FunctionList@087",
              "MacroSet(3)|CharCounter=001 002 087|3"),
        typed("Macro(3):=NONE STORED|MacroSet(3)+=|FunctionList@087",
              "MacroSet(3)|CharCounter=087|1"),
        typed(u"Macro(3):=%1|MacroSet(3)+=|FunctionList@016"_s.arg(fifteen),
              u"MacroSet(3)|CharCounter=%1|15"_s.arg(fifteen), long15),
        typed(calls, "MacroSet(3)|CharCounter=401 402 403 404 405 406 407|14", long15),
        typed(u"Macro(3):=%1|MacroSet(3)+= "_s.arg(fifteen),
              u"MacroSet(3)|CharCounter=%1 |16"_s.arg(fifteen), long15),
        typed("ShortMacro(9):=001 002 003 004|ShortMacroSet(9)+=|FunctionList@005",
              "ShortMacroSet(9)|CharCounter=001 002 003 004|4", short4),
        typed("ShortMacro(9):=255 256|ShortMacroSet(9)+=|FunctionList@001",
              "ShortMacroSet(9)|CharCounter=255 256|4", short4),
        typed("ShortMacro(9):=254 001|ShortMacroSet(9)+=|FunctionList@002",
              "ShortMacroSet(9)|CharCounter=254 001 002|3"),
        typed("ShortMacro(9):=NONE STORED|ShortMacroSet(9)+=013 401",
              "ShortMacroSet(9)|CharCounter=013 401|3"),
    });
    QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), QPoint(2, 2));
    QApplication::sendEvent(get(u"ShortMacroSet(9)"_s), &hover);
    EXPECT_EQ(get(u"ShortMacroSet(9)"_s)->toolTip(), u"Port 1 Xmtr Enable | Call Macro 1"_s);
}

TEST_F(MacrosEditorTest, TheFunctionListHoldsEveryFunctionInTheControllersOrder) {
    const QAbstractItemModel* list = get<QTreeView>(u"FunctionList"_s)->model();
    ASSERT_EQ(list->rowCount(), 483);
    QList<int> numbers;
    for (int row = 0; row < list->rowCount(); ++row)
        numbers << list->index(row, 0).data(Qt::UserRole).toInt();
    for (int missing : {255, 350, 394, 395, 396, 399, 400})
        EXPECT_FALSE(numbers.contains(missing)) << missing;
    EXPECT_EQ(numbers.mid(numbers.indexOf(349), 7),
              (QList<int>{349, 391, 392, 393, 397, 398, 351}));
    EXPECT_EQ(numbers.last(), 490);
    EXPECT_EQ(list->index(482, 1).data().toString(), u"Call Macro 90"_s);
}

// An emptied code is the macro's own default.
TEST_F(MacrosEditorTest, CodesAndApplyWithItsFlags) {
    expectEdits({typed("MacroCodeSet(12)=12345678", "MacroCodeSet(12)=12345678"),
                 typed("MacroCodeSet(12)=12345678|MacroCodeSet(12)+=9", "MacroCodeSet(12)=",
                       "This code must be 8 characters long or less. Please try again.", {}),
                 typed("MacroCodeSet(12)=|~", "MacroCodeSet(12)=109012"),
                 typed("ShortMacroCodeSet(1)=|~", "ShortMacroCodeSet(1)=109041")});
    db.setValue(u"Macro", 7, u"001 002"_s);
    get(u"MacroSet(7)"_s)->clear();
    get(u"ShortMacroSet(3)"_s)->setText(u"001  002"_s);
    editor->apply();
    expectApplied(db, u"MacroPending(7) ShortMacroPending(3) ShortMacroCodePending(1)"_s,
                  {Group::Macros});
    EXPECT_EQ(shown("MacroSet(7)|ShortMacroSet(3)"), u"NONE STORED|001 002"_s);
    EXPECT_EQ(values(saved(db), u"Macro(7)|ShortMacro(3)"_s), u"NONE STORED|001 002"_s);
}

TEST_F(MacrosEditorTest, EraseAllMacrosAsksThenEmptiesEveryBoxWhenTheControllerErasedThem) {
    editor->setActionRunner(&runner);
    db.setValue(u"Macro", 1, u"001"_s);
    auto* erase = get<QPushButton>(u"Erase"_s);
    erase->click(); // answered No
    ASSERT_EQ(messages.calls.size(), 1);
    EXPECT_EQ(messages.calls[0].text, u"Are you sure you want to erase all macros (this will "
                                      "cause an immediate update to be sent)?"_s);
    EXPECT_EQ(messages.calls[0].title, u"Erase All Macros"_s);
    EXPECT_EQ(messages.calls[0].buttons, Buttons::YesNo);
    EXPECT_TRUE(runner.actions.empty());
    for (const bool erased : {false, true}) {
        edit("MacroSet(1)=001");
        messages.answers = {Answer::Yes};
        erase->click();
        ASSERT_EQ(runner.actions.back().kind, ControllerAction::Kind::EraseAllMacros);
        EXPECT_FALSE(erase->isEnabled());
        runner.finish(erased);
        EXPECT_TRUE(erase->isEnabled());
        EXPECT_EQ(editor->workingCopy(u"Macro", 1), erased ? u"NONE STORED"_s : u"001"_s);
    }
    EXPECT_EQ(db.value(u"Macro", 1), u"001"_s); // the database waits for Apply
}

// A refusal without a title has the program's title and no icon.
TEST_F(IdentificationEditorTest, IdentifiersAreCheckedAndLimitedAsTheyAreTyped) {
    const char* notCw = "That is not a valid CW character. Please try again";
    const QString words22 = u"A B C D E F G H I J K L M N O P Q R S T U V"_s;
    const QString tokens15 = u"A B C D E F G H I J K L M N O"_s;
    expectEdits({
        typed("VoiceID1(1):=HELLO|VoiceID1Set(1)+= thank_you ", "VoiceID1Set(1)=HELLO THANK_YOU "),
        typed("VoiceID1(1):=HELLO|VoiceID1Set(1)+= thank ", "VoiceID1Set(1)=HELLO ", NotAWord, {}),
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

TEST_F(DtmfMemoriesEditorTest, DigitsAreCheckedCountedAndLimitedAsTheyAreTypedOrPicked) {
    const char* invalid = "That is not a valid DTMF Digit. Try again";
    const char* terminator = "The entered digit is the same as your presently defined DTMF "
                             "Terminator Digit and therefore may not be used";
    const char* limit = "You can only use 10  digits for this memory!";
    const QString ten = u"1 2 3 4 5 6 7 8 9 0"_s;
    expectEdits({
        typed("DTMF(4):=1 2|DTMFSet(4)+= 5", "DTMFSet(4)|DigitCounter=1 2 5|3"),
        typed("Terminator:=#|DTMFSet(4)+=#", "DTMFSet(4)|DigitCounter=|1", terminator, {}),
        typed("DTMF(4):=1|DTMFSet(4)+= e", "DTMFSet(4)|DigitCounter=1|1", invalid, {}),
        typed("DTMF(4):=1 2 3 4 5 6 7 8 9|DTMFSet(4)+= 0",
              u"DTMFSet(4)|DigitCounter=%1|10"_s.arg(ten)),
        typed(u"DTMF(4):=%1|DTMFSet(4)+= "_s.arg(ten), u"DTMFSet(4)|DigitCounter=%1|10"_s.arg(ten),
              limit),
        typed("DTMFSet(4)+=|DTMFList@A", "DTMFSet(4)|DigitCounter=A|1"),
        typed("DTMF(4):=1 2|DTMFSet(4)+=|DTMFList@*", "DTMFSet(4)|DigitCounter=1 2 *|3"),
        typed("Terminator:=#|DTMF(4):=1 2|DTMFSet(4)+=|DTMFList@#", "DTMFSet(4)|DigitCounter=1 2|2",
              terminator, {}),
        typed(u"DTMF(4):=%1|DTMFSet(4)+=|DTMFList@B"_s.arg(ten),
              u"DTMFSet(4)|DigitCounter=%1|10"_s.arg(ten), limit),
        typed("DTMFDurSet=255", "DTMFDurSet=255"),
        typed("DTMFDurSet=256", "DTMFDurSet=", "Value must be between 0 and 255. Try again.", {}),
    });
}

// An emptied memory is stored as none; a memory focused and left untouched changes nothing.
TEST_F(DtmfMemoriesEditorTest, EmptiedMemoriesAreStoredAsNoneAndUntouchedOnesStayAsTheyWere) {
    db.setValue(u"DTMF", 5, u"4 5"_s);
    open();
    get(u"DTMFSet(5)"_s)->clear();
    edit("DTMFSet(6)+=|~");
    EXPECT_EQ(shown("DTMFSet(6)"), u"NONE STORED"_s);
    editor->apply();
    expectApplied(db, u"DTMFPending(5)"_s, {Group::DTMF});
    EXPECT_EQ(shown("DTMFSet(5)"), u"NONE STORED"_s);
    EXPECT_EQ(values(saved(db), u"DTMF(5)"_s), u"NONE STORED"_s);
}

} // namespace kovo::test
