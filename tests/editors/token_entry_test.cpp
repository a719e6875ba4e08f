#include "editor_test_support.h"
#include "editors/token_entry.h"

namespace kovo::test {

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

} // namespace kovo::test
