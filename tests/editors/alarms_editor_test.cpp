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
    const struct {
        int memory;
        const char* typed;
        const char* offset; // option clicked, or nullptr
        const char* stored; // FreqString(memory) after Apply; nullptr: unchanged
        const char* refusal;
    } cases[] = {
        {3, "146.52", "OtherPlus", "1465203", nullptr},
        {3, "146.520", "OtherMinus", "1465201", nullptr},
        {5, "146520", "OtherSimplex", "1465202", nullptr},
        {1, " 52.525 ", nullptr, "0525252", nullptr},
        {10, "440", "OtherPlus", "4400003", nullptr},
        {2, "146.5x", nullptr, nullptr, notDigits},
        {2, "146..5", nullptr, nullptr, notDigits},
        {2, "1465200", nullptr, nullptr, tooMany},
        {2, "146.5200", nullptr, nullptr, tooMany},
        {2, "1465.2", nullptr, nullptr, tooMany},
        {2, "14652", nullptr, nullptr, digitCount},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed));
        db = Database();
        open();
        edit({u"OtherMemoryNum=%1"_s.arg(c.memory),
              u"OtherFreqStringSet="_s + QLatin1String(c.typed)});
        leave(get(u"OtherFreqStringSet"_s));
        if (c.offset)
            edit({QString::fromLatin1(c.offset)});
        expectBoxes(messages, c.refusal, u"Try Again!"_s);
        const QString stored = c.stored ? QString::fromLatin1(c.stored) : QString();
        EXPECT_EQ(shown(u"OtherFreqStringSet"_s), stored.left(6));
        editor->apply();
        EXPECT_EQ(db.value(u"FreqString", c.memory), stored);
        EXPECT_EQ(db.pending(u"RemoteMemoriesPending"), c.stored != nullptr);
        EXPECT_EQ(shown(u"OtherFreqStringSet"_s), stored.left(6));
    }
}

TEST_F(AlarmsEditorTest, ListsAndOptionsStoreTheirNumbers) {
    const struct {
        const char* steps; // "Chooser=n|Control=entry", or a button clicked
        const char* field;
        int index;
        const char* stored;
    } cases[] = {
        {"AlarmNumSet=2|UseLowMacroSet=05", "AlarmLowMacroNum", 2, "05"},
        {"AlarmNumSet=5|UseHighMacroSet=90", "AlarmHighMacroNum", 5, "90"},
        {"RadioType=Orbisk", "RadioType", 0, "5"},
        {"RadioType=Kenwood TM-271/471", "RadioType", 0, "8"},
        {"RemoteBasePrefixSet=No Prefix", "RemoteBasePrefix", 0, "0"},
        {"RemoteBasePrefixSet=C7", "RemoteBasePrefix", 0, "C7"},
        {"OtherMemoryNum=8|OtherDecode", "CTCSSMode", 8, "2"},
        {"OtherMemoryNum=4|OtherNoPL", "CTCSSMode", 4, "0"},
        {"OtherMemoryNum=6|AMSet", "RadioMode", 6, "5"},
        {"OtherMemoryNum=6|LSBSet", "RadioMode", 6, "1"},
        {"OtherMemoryNum=9|OtherCTCSSSet=12", "CTCSS", 9, "12"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        open();
        edit(QString::fromLatin1(c.steps).split(u'|'));
        editor->apply();
        EXPECT_EQ(db.value(QString::fromLatin1(c.field), c.index), QString::fromLatin1(c.stored));
    }
    EXPECT_EQ(messages.messageTexts(), QStringList());

    // The Yaesu model only for a Yaesu; a stored "7" shows as "07" and stays "7" until chosen.
    db.setValue(u"RemoteBasePrefix", u"0"_s);
    db.setValue(u"RadioType", u"3"_s);
    db.setValue(u"AlarmLowMacroNum", 1, u"7"_s);
    db.setAllPending(false);
    open();
    EXPECT_EQ(shown(u"RemoteBasePrefixSet|UseLowMacroSet"_s), u"No Prefix|07"_s);
    EXPECT_EQ(editor->ownWorkingCopy(u"AlarmLowMacroNum"_s, 1), u"7"_s);
    auto* yaesu = get<QComboBox>(u"YaesuType"_s);
    EXPECT_TRUE(yaesu->isVisibleTo(editor.get()));
    EXPECT_TRUE(get<QLabel>(u"YaesuTypeLabel"_s)->isVisibleTo(editor.get()));
    edit({u"RadioType=Icom"_s});
    EXPECT_FALSE(yaesu->isVisibleTo(editor.get()));
    EXPECT_FALSE(get<QLabel>(u"YaesuTypeLabel"_s)->isVisibleTo(editor.get()));
    edit({u"RadioType=Yaesu"_s, u"YaesuType=FT-857"_s});
    EXPECT_TRUE(yaesu->isVisibleTo(editor.get()));
    editor->apply();
    EXPECT_EQ(db.value(u"YaesuType"), u"4"_s);
    EXPECT_EQ(db.pendingNames(), QStringList{u"RadioTypePending"_s});
    EXPECT_FALSE(get<QGroupBox>(u"V7MemoryFrame"_s)->isVisibleTo(editor.get()));
}

TEST_F(AlarmsEditorTest, ApplySetsSharedFlagsAndSaveWritesBothGroups) {
    db.setValue(u"FreqString", 8, u"1465203"_s);
    db.setValue(u"CTCSSMode", 8, u"1"_s);
    const Database base = db;
    open();
    get<QPushButton>(u"Apply"_s)->click();
    EXPECT_EQ(db.pendingNames(), QStringList());
    EXPECT_TRUE(db.settingsSaved());

    // Only the tone mode of memory 8: the one flag of all memories.
    edit({u"OtherMemoryNum=8"_s});
    EXPECT_EQ(shown(u"OtherFreqStringSet|OtherPlus"_s), u"146520|on"_s);
    edit({u"OtherDecode"_s, u"AlarmNumSet=3"_s, u"UseHighMacroSet=42"_s});
    editor->apply();
    EXPECT_EQ(db.pendingNames(),
              (QStringList{u"RemoteMemoriesPending"_s, u"AlarmHighMacroNumPending(3)"_s}));
    EXPECT_TRUE(db.groupChanged(Group::Remote));
    EXPECT_TRUE(db.groupChanged(Group::Alarms));
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_EQ(db.value(u"FreqString", 8), u"1465203"_s);
    const Database loaded = saved(db, true, base);
    EXPECT_EQ(values(loaded, u"CTCSSMode(8)|AlarmHighMacroNum(3)"_s), u"2|42"_s);

    // Cancel Changes brings back what the database holds, alarm 1 and memory 1 shown.
    edit({u"OtherMemoryNum=8"_s, u"OtherNoPL"_s, u"OtherFreqStringSet=147"_s, u"CancelChanges"_s});
    EXPECT_EQ(shown(u"OtherMemoryNum"_s), u"1"_s);
    edit({u"OtherMemoryNum=8"_s});
    EXPECT_EQ(shown(u"OtherDecode|OtherFreqStringSet"_s), u"on|146520"_s);
    editor->apply();
    EXPECT_EQ(db.value(u"FreqString", 8), u"1465203"_s);
    EXPECT_EQ(messages.messageTexts(), QStringList());
}

} // namespace kovo::test
