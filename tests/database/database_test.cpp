#include "database/database.h"
#include "database/field_table.h"

#include <gtest/gtest.h>

using namespace kovo;

namespace {

TEST(Database, DefaultsThatDependOnTheIndex) {
    const Database db;
    EXPECT_EQ(db.value(u"MacroCode", 1), QStringLiteral("10901"));
    EXPECT_EQ(db.value(u"MacroCode", 40), QStringLiteral("109040"));
    EXPECT_EQ(db.value(u"ShortMacroCode", 1), QStringLiteral("109050"));
    EXPECT_EQ(db.value(u"ShortMacroCode", 50), QStringLiteral("109099"));
    EXPECT_EQ(db.value(u"CurrentPortUnlock", 3), QStringLiteral("36470"));
    EXPECT_EQ(db.value(u"P3Tone8", 10), QStringLiteral("0"));
    EXPECT_EQ(db.value(u"P2Dur4", 1), QStringLiteral("250"));
    EXPECT_EQ(db.storedLock(), QStringLiteral("#"));
    EXPECT_EQ(db.storedTerminator(), QStringLiteral("D"));
    EXPECT_TRUE(db.settingsSaved());
    EXPECT_FALSE(db.anyPending());
}

TEST(Database, FlagsAreIndependentPerElement) {
    Database db;
    db.setPending(u"HangTimePending", 2);
    db.setPending(u"CourtesyPending", Database::courtesyIndex(3, 4, 10));
    db.setPending(u"FanTimePending");
    EXPECT_FALSE(db.pending(u"HangTimePending", 1));
    EXPECT_TRUE(db.pending(u"HangTimePending", 2));
    EXPECT_EQ(db.pendingNames(),
              (QStringList{QStringLiteral("HangTimePending(2)"), QStringLiteral("FanTimePending"),
                           QStringLiteral("CourtesyPending(120)")}));
    db.clearPending(u"HangTimePending", 2);
    EXPECT_FALSE(db.pending(u"HangTimePending", 2));
}

TEST(Database, EveryFieldHasAnOrderPlaceOnceForReadingAndWriting) {
    for (const auto* order : {&readingOrder(), &writingOrder()}) {
        QHash<QString, int> seen;
        for (const OrderBlock& block : *order) {
            for (int i = block.first; i <= block.last; ++i) {
                for (const FieldSpec* field : block.fields)
                    ++seen[fieldKey(*field, i)];
            }
        }
        int elements = 0;
        for (const FieldSpec& field : fieldTable()) {
            for (int i = field.firstIndex(); i <= field.lastIndex(); ++i) {
                ++elements;
                EXPECT_EQ(seen.value(fieldKey(field, i)), 1) << fieldKey(field, i).toStdString();
            }
        }
        EXPECT_EQ(seen.size(), elements);
    }
}

TEST(Database, NumericValue) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {{"12A", 12}, {"ABC", 0},    {"-5", -5},      {"  42", 42},
                          {"", 0},     {"2.5x", 2.5}, {"+7", 7},       {"0A", 0},
                          {"00", 0},   {"2 56", 256}, {"- 1 .5", -1.5}};
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(numericValue(QString::fromLatin1(c.text)), c.value) << c.text;
    EXPECT_EQ(numericInt(u"99999999999999999999"), std::numeric_limits<int>::max());
}

} // namespace
