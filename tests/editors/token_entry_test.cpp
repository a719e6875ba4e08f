#include "editors/dtmf_memories_editor.h"
#include "editors/identification_editor.h"
#include "editors/macros_editor.h"
#include "editors/message_macros_editor.h"
#include "editors/recording_message_service.h"
#include "editors/token_entry.h"
#include "word_editor_support.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>

namespace kovo {
namespace {

TEST(TokenEntry, InsertionKeepsTokensApartWhereverTheCaretIs) {
    struct Case {
        const char* text;
        int caret;
        int selected; // characters selected from the caret on
        const char* result;
        int caretAfter;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " at " + std::to_string(c.caret));
        QLineEdit box;
        box.setText(QString::fromLatin1(c.text));
        box.setCursorPosition(c.caret);
        if (c.selected)
            box.setSelection(c.caret, c.selected);
        TokenEntry::insertAtCaret(&box, QStringLiteral("087"));
        EXPECT_EQ(box.text(), QString::fromLatin1(c.result));
        EXPECT_EQ(box.cursorPosition(), c.caretAfter);
    }
}

TEST(TokenEntry, MacroUnitsCountFunctionsFrom255Twice) {
    EXPECT_EQ(TokenEntry::countMacroUnits(u""), 1);
    EXPECT_EQ(TokenEntry::countMacroUnits(u"001 254"), 2);
    EXPECT_EQ(TokenEntry::countMacroUnits(u"255 401 001"), 5);
}

TEST(TokenEntry, EveryWordEditorFitsTheScreenAndNamesEachBox) {
    Database db;
    RecordingMessageService messages;
    std::vector<std::unique_ptr<EditorWindow>> editors;
    editors.emplace_back(std::make_unique<MacrosEditor>(db, messages));
    editors.emplace_back(std::make_unique<IdentificationEditor>(db, messages));
    editors.emplace_back(std::make_unique<MessageMacrosEditor>(db, messages));
    editors.emplace_back(std::make_unique<DtmfMemoriesEditor>(db, messages));
    for (const auto& editor : editors) {
        SCOPED_TRACE(editor->objectName().toStdString());
        // Room left for the main window's frame, menus, tool bar and tabs.
        EXPECT_LE(editor->sizeHint().width(), 1000);
        EXPECT_LE(editor->sizeHint().height(), 640);
        QSet<QWidget*> buddies;
        for (QLabel* label : editor->findChildren<QLabel*>())
            buddies.insert(label->buddy());
        QList<QWidget*> boxes;
        for (auto* box : editor->findChildren<QLineEdit*>())
            boxes << box;
        for (auto* list : editor->findChildren<QAbstractItemView*>())
            boxes << list;
        for (auto* list : editor->findChildren<QComboBox*>())
            boxes << list;
        for (QWidget* box : boxes) {
            if (box->objectName().isEmpty()) // a part of another control
                continue;
            EXPECT_TRUE(buddies.contains(box) || !box->accessibleName().isEmpty())
                << box->objectName().toStdString();
            EXPECT_FALSE(
                QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name).isEmpty())
                << box->objectName().toStdString();
        }
    }
}

} // namespace
} // namespace kovo
