// Words and CW characters the controller cannot take are left out of their command, and each is
// named with its item so the upload can report it.
#include "database/database.h"
#include "link/command_set.h"

#include <gtest/gtest.h>

namespace kovo {
namespace {

TEST(SkippedWords, EachWordOrCharacterWithoutACodeIsNamedWithItsItem) {
    Database db;
    db.setValue(u"MessageMacro", 3, QStringLiteral("WEATHER ALERT PLEASE STAND BY"));
    db.setValue(u"MessageMacro", 4, QStringLiteral("NONE STORED"));
    db.setValue(u"VoiceID2", 1, QStringLiteral("THIS IS 5 NONE"));
    db.setValue(u"CWID1", 2, QStringLiteral("W 1 . X -"));
    struct Case {
        CommandItem item;
        int index;
        QStringList report;
    };
    const Case cases[] = {
        {CommandItem::MessageMacro,
         3,
         {QStringLiteral(
             "MessageMacro(3): \"STAND\" is not in the Tarsis's tables and is left out")}},
        {CommandItem::MessageMacro, 4, {}},
        {CommandItem::VoiceID2,
         1,
         {QStringLiteral("VoiceID2(1): \"NONE\" is not in the Tarsis's tables and is left out")}},
        {CommandItem::CWID1,
         2,
         {QStringLiteral("CWID1(2): \".\" is not in the Tarsis's tables and is left out"),
          QStringLiteral("CWID1(2): \"-\" is not in the Tarsis's tables and is left out")}},
        {CommandItem::CWID1, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(skippedReport(buildCommand(db, c.item, c.index)), c.report);
    }
}

} // namespace
} // namespace kovo
