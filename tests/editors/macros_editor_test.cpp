#include "editor_test_support.h"
#include "editors/macros_editor.h"
#include "editors/token_entry.h"

#include <QHelpEvent>
#include <QTreeView>

namespace kovo::test {

using MacrosEditorTest = EditorTest<MacrosEditor>;

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

} // namespace kovo::test
