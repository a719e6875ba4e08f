#include "editor_test_support.h"
#include "editors/program_info.h"
#include "editors/timers_editor.h"

namespace kovo::test {

using TimersEditorTest = EditorTest<TimersEditor>;

// A refused value is taken back: the box shows the database value and Apply changes nothing.
TEST_F(TimersEditorTest, LeavingABoxRefusesOutOfRangeValuesWithTheFieldsMessage) {
    const char* byte = "The value must be between 0 and 255";
    const char* word = "The value must be between 0 and 32000";
    const auto refused = [](const char* box, const char* field, const char* typed,
                            const char* message) {
        const QString name = QString::fromLatin1(box), stored = QString::fromLatin1(field);
        return EditRow{u"%1:=7|%2=%3|~"_s.arg(stored, name, QString::fromLatin1(typed)),
                       name + u"=7"_s, stored + u"=7"_s, "", message};
    };
    expectEdits({
        typed("HangTimer(1)=255|~", "HangTimer(1)=255"),
        refused("HangTimer(1)", "HangTime(1)", "256", byte),
        typed("TimeOutTimer(2)=32767|~", "TimeOutTimer(2)=32767"),
        refused("TimeOutTimer(2)", "TimeOut(2)", "32768", "The value must be between 0 and 32767"),
        refused("IIDTimer(3)", "IIDTime(3)", "256", byte),
        refused("PIDTimer(1)", "PIDTime(1)", "256", byte),
        refused("InactiveTimer(2)", "InActiveTime(2)", "256", byte),
        typed("DTMFTimer(1)=0|~", "DTMFTimer(1)=0"),
        typed("DTMFTimer(1)=9999|~", "DTMFTimer(1)=9999"),
        refused("DTMFTimer(1)", "DTMFTime(1)", "10000", "The value must be between 1 and 9999"),
        refused("CTCSSTimer(3)", "CTCSSTime(3)", "256", byte),
        typed("KerchunkTimer(2)=32000|~", "KerchunkTimer(2)=32000"),
        refused("KerchunkTimer(2)", "KerchunkTime(2)", "32001", word),
        refused("IDSpeakTimer(1)", "IDSpeakTime(1)", "32001", word),
        typed("AnnounceTimer(3)=3600|~", "AnnounceTimer(3)=3600"),
        refused("AnnounceTimer(3)", "AnnounceTime(3)", "3601",
                "The value must be between 0 and 3600"),
        typed("AuxTimer(2)=0|~", "AuxTimer(2)=0"),
        refused("AuxTimer(2)", "AuxTime(2)", "32768", "The value must be between 1 and 32767"),
        typed("FanTimer=0|~", "FanTimer=0"),
        typed("FanTimer=32767|~", "FanTimer=32767"),
        refused("FanTimer", "FanTime", "32768",
                "The value must be greater than 1 and less than 32767"),
        typed("GeneralTimerSet(1)=32767|~", "GeneralTimerSet(1)=32767"),
    });
}

// A number box keeps digits only, free text is kept as typed, a general timer refuses more than
// 32767 while it is typed, and the fan switch is shown inverted.
TEST_F(TimersEditorTest, BoxesKeepWhatTheyMayHold) {
    expectEdits({typed("HangTimer(2)=3a-0", "HangTimer(2)=30"),
                 {"FanSelect:=1", "FanSelect=off", "FanSelect=1", ""},
                 typed("XmtDelaySet= 12a ", "XmtDelaySet= 12a "),
                 typed("GeneralTimerSet(2)=32768|~",
                       "GeneralTimerSet(2)=", "Value must be less than 32767", programTitle())},
                MessageIcon::None);
    typeInto(get(u"HangTimer(2)"_s), db.value(u"HangTime", 2)); // the stored value again: black
    EXPECT_EQ(EditorWindow::textColour(get(u"HangTimer(2)"_s)), EditorWindow::unchangedColour());
    auto* list = get<QComboBox>(u"GeneralTimerMacroSet(2)"_s);
    ASSERT_EQ(list->count(), 90);
    EXPECT_EQ(list->itemText(0) + list->itemText(89), u"190"_s);
}

TEST_F(TimersEditorTest, InactivityTimerZeroDisablesTheMacroListAndDisablesTimeoutOnApply) {
    auto* list = get<QComboBox>(u"InActivityMacroSet(2)"_s);
    QLineEdit* inactive = get(u"InactiveTimer(2)"_s);
    typeInto(inactive, u"5"_s);
    EXPECT_TRUE(list->isEnabled());
    typeInto(inactive, u"0"_s);
    EXPECT_FALSE(get<QGroupBox>(u"InactivityFrame(2)"_s)->isEnabled());
    EXPECT_FALSE(list->isEnabled());
    EXPECT_TRUE(get<QComboBox>(u"InActivityMacroSet(1)"_s)->isEnabled());

    editor->apply();
    EXPECT_EQ(db.value(u"DisableTimeout", 2), u"1"_s);
    expectApplied(db, u"InActiveTimePending(2)"_s, {Group::Timers});
    EXPECT_FALSE(db.groupChanged(Group::PortSwitches));
    typeInto(inactive, u"7"_s);
    EXPECT_TRUE(list->isEnabled());
    editor->apply();
    EXPECT_EQ(db.value(u"DisableTimeout", 2), u"0"_s);

    // Cancel Changes derives the list and the time-out again.
    edit("InactiveTimer(3)=0|CancelChanges");
    EXPECT_TRUE(get<QComboBox>(u"InActivityMacroSet(3)"_s)->isEnabled());
    editor->apply();
    EXPECT_EQ(db.value(u"DisableTimeout", 3), u"0"_s);
}

} // namespace kovo::test
