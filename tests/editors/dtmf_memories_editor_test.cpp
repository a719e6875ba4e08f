#include "editor_test_support.h"
#include "editors/dtmf_memories_editor.h"

namespace kovo::test {

using DtmfMemoriesEditorTest = EditorTest<DtmfMemoriesEditor>;

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
