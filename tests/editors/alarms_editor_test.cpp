#include "editor_test_support.h"
#include "editors/alarms_editor.h"

namespace kovo::test {

using AlarmsEditorTest = EditorTest<AlarmsEditor>;

TEST_F(AlarmsEditorTest, MemoryFrequenciesAreStoredAsSixDigitsAndTheOffset) {
    const char* const notDigits =
        "The frequency may hold only digits and one decimal point, for example 146.520";
    const char* const tooMany = "The frequency has too many digits: type at most three before "
                                "the decimal point and three after it, for example 146.520";
    const char* const digitCount = "Type the frequency as six digits (146520) or in megahertz "
                                   "with its decimal point (146.520)";
    const char* const none = "OtherFreqStringSet=";
    const char* const memories = "RemoteMemoriesPending";
    expectEdits({
        {">OtherMemoryNum=3|OtherFreqStringSet=146.52|~|OtherPlus",
         "OtherFreqStringSet|OtherPlus=146520|on", "FreqString(3)=1465203", memories},
        {">OtherMemoryNum=3|OtherFreqStringSet=146.520|~|OtherMinus",
         "OtherFreqStringSet|OtherMinus=146520|on", "FreqString(3)=1465201", memories},
        {">OtherMemoryNum=5|OtherFreqStringSet=146520|~|OtherSimplex",
         "OtherFreqStringSet|OtherSimplex=146520|on", "FreqString(5)=1465202", memories},
        {">OtherMemoryNum=1|OtherFreqStringSet= 52.525 |~", "OtherFreqStringSet=052525",
         "FreqString(1)=0525252", memories},
        {">OtherMemoryNum=10|OtherFreqStringSet=440|~|OtherPlus",
         "OtherFreqStringSet|OtherPlus=440000|on", "FreqString(10)=4400003", memories},
        {"OtherMemoryNum=2|OtherFreqStringSet=146.5x|~", none, "FreqString(2)=", "", notDigits},
        {"OtherMemoryNum=2|OtherFreqStringSet=146..5|~", none, "FreqString(2)=", "", notDigits},
        {"OtherMemoryNum=2|OtherFreqStringSet=1465200|~", none, "FreqString(2)=", "", tooMany},
        {"OtherMemoryNum=2|OtherFreqStringSet=146.5200|~", none, "FreqString(2)=", "", tooMany},
        {"OtherMemoryNum=2|OtherFreqStringSet=1465.2|~", none, "FreqString(2)=", "", tooMany},
        {"OtherMemoryNum=2|OtherFreqStringSet=14652|~", none, "FreqString(2)=", "", digitCount},
    });
}

TEST_F(AlarmsEditorTest, ListsAndOptionsStoreTheirNumbers) {
    expectEdits({
        {"AlarmNumSet=5|UseHighMacroSet=90", nullptr, "AlarmHighMacroNum(5)=90"},
        {"RadioType=Kenwood TM-271/471", nullptr, "RadioType=8"},
        {"RemoteBasePrefixSet=No Prefix", nullptr, "RemoteBasePrefix=0"},
        {"OtherMemoryNum=8|OtherDecode", nullptr, "CTCSSMode(8)=2"},
        {"OtherMemoryNum=4|OtherNoPL", nullptr, "CTCSSMode(4)=0"},
        {"OtherMemoryNum=6|AMSet", nullptr, "RadioMode(6)=5"},
        {"OtherMemoryNum=6|LSBSet", nullptr, "RadioMode(6)=1"},
    });

    // The Yaesu model only for a Yaesu; a stored "7" shows as "07" and stays "7" until chosen.
    store(db, u"RemoteBasePrefix=0|RadioType=3|AlarmLowMacroNum(1)=7"_s);
    db.setAllPending(false);
    open();
    EXPECT_EQ(shown("RemoteBasePrefixSet|UseLowMacroSet"), u"No Prefix|07"_s);
    auto* yaesu = get<QComboBox>(u"YaesuType"_s);
    EXPECT_TRUE(yaesu->isVisibleTo(editor.get()));
    edit("RadioType=Icom");
    EXPECT_FALSE(yaesu->isVisibleTo(editor.get()));
    edit("RadioType=Yaesu|YaesuType=FT-857");
    EXPECT_TRUE(yaesu->isVisibleTo(editor.get()));
    editor->apply();
    EXPECT_EQ(db.value(u"YaesuType"), u"4"_s);
    EXPECT_EQ(flags(db), u"RadioTypePending"_s);
    EXPECT_FALSE(get<QGroupBox>(u"V7MemoryFrame"_s)->isVisibleTo(editor.get()));
}

TEST_F(AlarmsEditorTest, ApplySetsTheOneFlagOfAllMemoriesAndCancelShowsTheFirstAgain) {
    store(db, u"FreqString(8)=1465203|CTCSSMode(8)=1"_s);
    open();
    get<QPushButton>(u"Apply"_s)->click();
    expectApplied(db, QString());

    // Only the tone mode of memory 8: the one flag of all memories.
    edit("OtherMemoryNum=8");
    EXPECT_EQ(shown("OtherFreqStringSet|OtherPlus"), u"146520|on"_s);
    edit("OtherDecode|AlarmNumSet=3|UseHighMacroSet=42");
    editor->apply();
    expectApplied(db, u"RemoteMemoriesPending AlarmHighMacroNumPending(3)"_s,
                  {Group::Remote, Group::Alarms});
    EXPECT_EQ(values(db, u"FreqString(8)|CTCSSMode(8)"_s), u"1465203|2"_s);
    edit("OtherMemoryNum=8|AlarmNumSet=3|CancelChanges");
    EXPECT_EQ(shown("OtherMemoryNum|AlarmNumSet"), u"1|1"_s);
}

} // namespace kovo::test
