#include "editor_test_support.h"
#include "editors/dtmf_memories_editor.h"

namespace kovo::test {

using DtmfMemoriesEditorTest = EditorTest<DtmfMemoriesEditor>;

TEST_F(DtmfMemoriesEditorTest, DigitsAreCheckedCountedAndLimitedAsTheyAreTypedOrPicked) {
    const char* invalid = "That is not a valid DTMF Digit. Try again";
    const char* terminator = "The entered digit is the same as your presently defined DTMF "
                             "Terminator Digit and therefore may not be used";
    const char* limit = "You can only use 10  digits for this memory!";
    const char* ten = "1 2 3 4 5 6 7 8 9 0";
    const struct {
        const char* stored;
        const char* typed;  // typed at the end of the box
        const char* picked; // then double-clicked in the digit list
        const char* shown;
        const char* count;
        const char* message;
    } cases[] = {
        {"1 2", " 5", nullptr, "1 2 5", "3", nullptr},
        {"NONE STORED", "#", nullptr, "", "1", terminator},
        {"1", " e", nullptr, "1", "1", invalid},
        {"1 2 3 4 5 6 7 8 9", " 0", nullptr, ten, "10", nullptr},
        {ten, " ", nullptr, ten, "10", limit},
        {"NONE STORED", "", "A", "A", "1", nullptr},
        {"1 2", "", "*", "1 2 *", "3", nullptr},
        {"1 2", "", "#", "1 2", "2", terminator},
        {ten, "", "B", ten, "10", limit},
    };
    db.setValue(u"Terminator", u"#"_s);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.stored) + " + " + c.typed);
        db.setValue(u"DTMF", 4, QString::fromLatin1(c.stored));
        open();
        QLineEdit* memory = get(u"DTMFSet(4)"_s);
        typeAtEnd(memory, QString::fromLatin1(c.typed));
        if (c.picked)
            pick(get<QListWidget>(u"DTMFList"_s), QString::fromLatin1(c.picked));
        EXPECT_EQ(memory->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(editor->workingCopy(u"DTMF", 4), QString::fromLatin1(c.shown));
        EXPECT_EQ(shown(u"DigitCounter"_s), QString::fromLatin1(c.count));
        expectBoxes(messages, c.message, c.message == limit ? u"Try Again!"_s : QString());
    }

    // The tone duration takes up to 255.
    open();
    edit({u"DTMFDurSet=255"_s});
    EXPECT_EQ(shown(u"DTMFDurSet"_s), u"255"_s);
    edit({u"DTMFDurSet=256"_s});
    EXPECT_EQ(shown(u"DTMFDurSet"_s), QString());
    expectBoxes(messages, "Value must be between 0 and 255. Try again.");
}

TEST_F(DtmfMemoriesEditorTest, ApplySetsTheChangedMemoriesFlagsAndSavesThem) {
    db.setValue(u"DTMF", 5, u"4 5"_s);
    open();
    QLineEdit* third = get(u"DTMFSet(3)"_s);
    typeAtEnd(third, u"1 2"_s);
    leave(third);
    get(u"DTMFSet(5)"_s)->clear();
    get(u"DTMFDelaySet"_s)->clear();
    typeAtEnd(get(u"DTMFDelaySet"_s), u"7"_s);
    EXPECT_EQ(EditorWindow::textColour(third), EditorWindow::changedColour());
    // A box focused and left untouched shows its placeholder again and changes nothing.
    focus(get(u"DTMFSet(6)"_s));
    leave(get(u"DTMFSet(6)"_s));
    EXPECT_EQ(shown(u"DTMFSet(6)"_s), u"NONE STORED"_s);

    editor->apply();
    EXPECT_EQ(db.pendingNames(),
              (QStringList{u"DTMFPending(3)"_s, u"DTMFPending(5)"_s, u"DTMFDelayPending"_s}));
    EXPECT_TRUE(db.groupChanged(Group::DTMF));
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_EQ(shown(u"DTMFSet(5)"_s), u"NONE STORED"_s);
    const Database loaded = saved(db);
    EXPECT_EQ(values(loaded, u"DTMF(3)|DTMF(5)|DTMFDelay"_s), u"1 2|NONE STORED|7"_s);
}

} // namespace kovo::test
