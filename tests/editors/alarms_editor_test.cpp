#include "editor_test_support.h"
#include "editors/alarms_editor.h"
#include "editors/editor_window.h"
#include "editors/recording_message_service.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kovo {
namespace {

using namespace kovo::test;

class AlarmsEditorTest : public ::testing::Test {
protected:
    void SetUp() override { editor = std::make_unique<AlarmsEditor>(db, messages); }

    template <typename T> T* widget(const char* name) const {
        auto* found = editor->control<T>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    Database db;
    RecordingMessageService messages;
    std::unique_ptr<AlarmsEditor> editor;
};

TEST_F(AlarmsEditorTest, MemoryFrequenciesAreStoredAsSixDigitsAndTheOffset) {
    struct Case {
        int memory;
        const char* typed;
        const char* offset; // option clicked, or nullptr
        const char* stored; // FreqString(memory) after Apply; nullptr: unchanged
        const char* refusal;
    };
    const char* const notDigits =
        "The frequency may hold only digits and one decimal point, for example 146.520";
    const char* const tooMany = "The frequency has too many digits: type at most three before "
                                "the decimal point and three after it, for example 146.520";
    const char* const digitCount = "Type the frequency as six digits (146520) or in megahertz "
                                   "with its decimal point (146.520)";
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed));
        db = Database();
        editor = std::make_unique<AlarmsEditor>(db, messages);
        messages.clear();
        choose(widget<QComboBox>("OtherMemoryNum"), QString::number(c.memory));
        QLineEdit* frequency = widget<QLineEdit>("OtherFreqStringSet");
        typeInto(frequency, QString::fromLatin1(c.typed));
        leaveBox(frequency);
        if (c.offset)
            widget<QRadioButton>(c.offset)->click();
        if (c.refusal) {
            ASSERT_EQ(messages.calls.size(), 1);
            EXPECT_EQ(messages.calls[0].text, QString::fromLatin1(c.refusal));
            EXPECT_EQ(messages.calls[0].title, QStringLiteral("Try Again!"));
            EXPECT_EQ(messages.calls[0].icon, MessageIcon::Critical);
            EXPECT_EQ(frequency->text(), QString());
        } else {
            EXPECT_TRUE(messages.calls.isEmpty());
            EXPECT_EQ(frequency->text(), QString::fromLatin1(c.stored).left(6));
        }
        editor->apply();
        EXPECT_EQ(db.value(u"FreqString", c.memory),
                  c.stored ? QString::fromLatin1(c.stored) : QString());
        EXPECT_EQ(db.pending(u"RemoteMemoriesPending"), c.stored != nullptr);
        EXPECT_EQ(frequency->text(), QString::fromLatin1(c.stored).left(6));
    }
}

TEST_F(AlarmsEditorTest, ListsAndOptionsStoreTheirNumbers) {
    struct Case {
        const char* control;
        const char* entry; // list entry, box text, or "click" for an option button
        const char* chooser;
        int shown; // alarm or memory shown first
        const char* field;
        int index;
        const char* stored;
    };
    const Case cases[] = {
        {"UseLowMacroSet", "05", "AlarmNumSet", 2, "AlarmLowMacroNum", 2, "05"},
        {"UseHighMacroSet", "90", "AlarmNumSet", 5, "AlarmHighMacroNum", 5, "90"},
        {"RadioType", "Orbisk", nullptr, 0, "RadioType", 0, "5"},
        {"RadioType", "Kenwood TM-271/471", nullptr, 0, "RadioType", 0, "8"},
        {"RemoteBasePrefixSet", "No Prefix", nullptr, 0, "RemoteBasePrefix", 0, "0"},
        {"RemoteBasePrefixSet", "C7", nullptr, 0, "RemoteBasePrefix", 0, "C7"},
        {"OtherDecode", "click", "OtherMemoryNum", 8, "CTCSSMode", 8, "2"},
        {"OtherNoPL", "click", "OtherMemoryNum", 4, "CTCSSMode", 4, "0"},
        {"AMSet", "click", "OtherMemoryNum", 6, "RadioMode", 6, "5"},
        {"LSBSet", "click", "OtherMemoryNum", 6, "RadioMode", 6, "1"},
        {"OtherCTCSSSet", "12", "OtherMemoryNum", 9, "CTCSS", 9, "12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.control) + " <- " + c.entry);
        editor = std::make_unique<AlarmsEditor>(db, messages);
        if (c.chooser)
            choose(widget<QComboBox>(c.chooser), QString::number(c.shown));
        const QString entry = QString::fromLatin1(c.entry);
        if (entry == u"click")
            widget<QRadioButton>(c.control)->click();
        else if (auto* box = editor->control<QLineEdit>(QString::fromLatin1(c.control)))
            typeInto(box, entry);
        else
            choose(widget<QComboBox>(c.control), entry);
        editor->apply();
        EXPECT_EQ(db.value(QString::fromLatin1(c.field), c.index), QString::fromLatin1(c.stored));
    }
    EXPECT_TRUE(messages.calls.isEmpty());
}

TEST_F(AlarmsEditorTest, YaesuTypeOnlyForAYaesuAndNoPrefixForZero) {
    db.setValue(u"RemoteBasePrefix", QStringLiteral("0"));
    db.setValue(u"RadioType", QStringLiteral("3"));
    db.setValue(u"AlarmLowMacroNum", 1, QStringLiteral("7"));
    editor = std::make_unique<AlarmsEditor>(db, messages);
    EXPECT_EQ(widget<QLineEdit>("RemoteBasePrefixSet")->text(), QStringLiteral("No Prefix"));
    // A stored "7" shows as "07" and stays "7" until the person chooses.
    EXPECT_EQ(widget<QComboBox>("UseLowMacroSet")->currentText(), QStringLiteral("07"));
    EXPECT_EQ(editor->ownWorkingCopy(QStringLiteral("AlarmLowMacroNum"), 1), QStringLiteral("7"));
    auto* yaesu = widget<QComboBox>("YaesuType");
    auto* label = widget<QLabel>("YaesuTypeLabel");
    EXPECT_TRUE(yaesu->isVisibleTo(editor.get()));
    EXPECT_TRUE(label->isVisibleTo(editor.get()));
    choose(widget<QComboBox>("RadioType"), QStringLiteral("Icom"));
    EXPECT_FALSE(yaesu->isVisibleTo(editor.get()));
    EXPECT_FALSE(label->isVisibleTo(editor.get()));
    choose(widget<QComboBox>("RadioType"), QStringLiteral("Yaesu"));
    EXPECT_TRUE(yaesu->isVisibleTo(editor.get()));
    choose(yaesu, QStringLiteral("FT-857"));
    editor->apply();
    EXPECT_EQ(db.value(u"YaesuType"), QStringLiteral("4"));
    EXPECT_EQ(db.pendingNames(), QStringList{QStringLiteral("RadioTypePending")});
    EXPECT_FALSE(widget<QGroupBox>("V7MemoryFrame")->isVisibleTo(editor.get()));
    EXPECT_EQ(widget<QGroupBox>("V7MemoryFrame")->title(),
              QStringLiteral("V7/G707 Remote Base Memories"));
}

TEST_F(AlarmsEditorTest, ApplySetsSharedFlagsAndSaveWritesBothGroups) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("alarms.dat"));
    db.setValue(u"FreqString", 8, QStringLiteral("1465203"));
    db.setValue(u"CTCSSMode", 8, QStringLiteral("1"));
    ASSERT_TRUE(saveWholeDatabase(db, path).ok);
    editor = std::make_unique<AlarmsEditor>(db, messages);

    widget<QPushButton>("Apply")->click();
    EXPECT_TRUE(db.pendingNames().isEmpty());
    EXPECT_TRUE(db.settingsSaved());

    // Only the tone mode of memory 8: the one flag of all memories.
    choose(widget<QComboBox>("OtherMemoryNum"), QStringLiteral("8"));
    EXPECT_EQ(widget<QLineEdit>("OtherFreqStringSet")->text(), QStringLiteral("146520"));
    EXPECT_TRUE(widget<QRadioButton>("OtherPlus")->isChecked());
    widget<QRadioButton>("OtherDecode")->click();
    choose(widget<QComboBox>("AlarmNumSet"), QStringLiteral("3"));
    choose(widget<QComboBox>("UseHighMacroSet"), QStringLiteral("42"));
    editor->apply();
    EXPECT_EQ(db.pendingNames(), (QStringList{QStringLiteral("RemoteMemoriesPending"),
                                              QStringLiteral("AlarmHighMacroNumPending(3)")}));
    EXPECT_TRUE(db.groupChanged(Group::Remote));
    EXPECT_TRUE(db.groupChanged(Group::Alarms));
    EXPECT_FALSE(db.settingsSaved());
    EXPECT_EQ(db.value(u"FreqString", 8), QStringLiteral("1465203"));

    ASSERT_TRUE(writeDatabase(db, path).ok);
    const Database saved = reloaded(path);
    EXPECT_EQ(saved.value(u"CTCSSMode", 8), QStringLiteral("2"));
    EXPECT_EQ(saved.value(u"AlarmHighMacroNum", 3), QStringLiteral("42"));

    // Cancel Changes brings back what the database holds, alarm 1 and memory 1 shown.
    choose(widget<QComboBox>("OtherMemoryNum"), QStringLiteral("8"));
    widget<QRadioButton>("OtherNoPL")->click();
    typeInto(widget<QLineEdit>("OtherFreqStringSet"), QStringLiteral("147"));
    widget<QPushButton>("CancelChanges")->click();
    EXPECT_EQ(widget<QPushButton>("CancelChanges")->text(), QStringLiteral("&Cancel Changes"));
    EXPECT_EQ(widget<QComboBox>("OtherMemoryNum")->currentText(), QStringLiteral("1"));
    choose(widget<QComboBox>("OtherMemoryNum"), QStringLiteral("8"));
    EXPECT_TRUE(widget<QRadioButton>("OtherDecode")->isChecked());
    EXPECT_EQ(widget<QLineEdit>("OtherFreqStringSet")->text(), QStringLiteral("146520"));
    editor->apply();
    EXPECT_EQ(db.value(u"FreqString", 8), QStringLiteral("1465203"));
    EXPECT_TRUE(messages.calls.isEmpty());
}

} // namespace
} // namespace kovo
