#include "editor_test_support.h"
#include "editors/port_switches_editor.h"
#include "editors/port_timer_coupling.h"
#include "editors/program_info.h"
#include "editors/timers_editor.h"

namespace kovo::test {

using TimersEditorTest = EditorTest<TimersEditor>;
using PortSwitchesEditorTest = EditorTest<PortSwitchesEditor>;

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

TEST_F(PortSwitchesEditorTest, EachControlStoresItsValueWithItsOwnFlag) {
    expectEdits({
        {"TxEnable(1)", nullptr, "TxEnable(1)=0", "TxEnablePending(1)"},
        {"RxEnable(2)", nullptr, "RxEnable(2)=0", "RxEnablePending(2)"},
        {"FDup(3)", nullptr, "FDup(3)=0", "FDupPending(3)"},
        {"DTMFNeedPL(1)", nullptr, "DTMFNeedPL(1)=1", "DTMFNeedPLPending(1)"},
        {"Kerchunk(2)", nullptr, "Kerchunk(2)=1", "KerchunkPending(2)"},
        {"PLID(3)", nullptr, "CTCSSID(3)=1", "CTCSSIDPending(3)"},
        {"PLCOS(2)", nullptr, "CTCSSCT(2)=0", "CTCSSCTPending(2)"},
        {"PLCloseSet(3)", nullptr, "COSClose(3)=1", "COSClosePending(3)"},
        {"Alarm(4)", nullptr, "Alarm(4)=0", "AlarmPending(4)"},
        {"AllowTerminatorSpeechSet", nullptr, "AllowTerminatorSpeech=1",
         "AllowTerminatorSpeechPending"},
        {"AccessMode(3)=Tone & Carrier", nullptr, "PLAccess(3)=1", "PLAccessPending(3)"},
        {"TailMessageNumSet(1)=3", nullptr, "TailMessageNum(1)=3", "TailMessageNumPending(1)"},
        typed("TailCounterSet(3)=254|~", "TailCounterSet(3)=254"),
        typed("TailCounter(3):=7|TailCounterSet(3)=255|~", "TailCounterSet(3)=7",
              "The Tail Counter value must be between 0 and 254"),
        // An option pair shows "1" as its second button and anything else as its first.
        {"CTCSSCT(1):=1|PLEncodePolarity(1):=7|PLAccess(1):=1",
         "PLCT(1)|PLLow(1)|AccessMode(1)=on|on|Tone & Carrier"},
    });
}

TEST_F(PortSwitchesEditorTest, TailMessagesPickTheMacroListAndNoneClearsCounterAndTimer) {
    store(db, u"TailMessageNum(1)=2|TailCounter(1)=9|AnnounceTime(1)=120|P1MessageNum(2)=17|"
              "P3MessageNum(3)=5"_s);
    open();
    auto* macro1 = get<QComboBox>(u"MessageNumSet(1)"_s);
    auto* macro3 = get<QComboBox>(u"MessageNumSet(3)"_s);
    EXPECT_TRUE(macro1->isVisibleTo(editor.get()));
    EXPECT_EQ(macro1->currentText(), u"17"_s);
    EXPECT_FALSE(macro3->isVisibleTo(editor.get())); // the default tail message is NONE
    EXPECT_FALSE(get(u"TailCounterSet(3)"_s)->isVisibleTo(editor.get()));

    // Tail message 3 on port 3, then macro 45: P3MessageNum(3), shown red until applied.
    edit("TailMessageNumSet(3)=3");
    EXPECT_TRUE(macro3->isVisibleTo(editor.get()));
    EXPECT_EQ(editor->currentTailMessage() * 100 + macro3->currentText().toInt(), 305);
    edit("MessageNumSet(3)=45");
    EXPECT_EQ(macro3->palette().color(QPalette::ButtonText), EditorWindow::changedColour());

    // NONE on port 1 hides its list and counter; Apply zeroes counter and tail-message timer.
    edit("TailMessageNumSet(1)=NONE");
    EXPECT_FALSE(macro1->isVisibleTo(editor.get()));
    EXPECT_FALSE(get<QLabel>(u"TailCounterLabel(1)"_s)->isVisibleTo(editor.get()));
    get<QPushButton>(u"Apply"_s)->click();
    EXPECT_EQ(macro3->palette().color(QPalette::ButtonText), EditorWindow::unchangedColour());
    expectApplied(db,
                  u"AnnounceTimePending(1) TailMessageNumPending(1) TailMessageNumPending(3) "
                  "PortMessageNumPending(3) TailCounterPending(1)"_s,
                  {Group::Timers, Group::PortSwitches});
    EXPECT_EQ(values(db, u"P3MessageNum(3)|TailMessageNum(3)|TailMessageNum(1)|TailCounter(1)|"
                         "AnnounceTime(1)"_s),
              u"45|3|0|0|0"_s);
}

TEST_F(PortSwitchesEditorTest, TimersAndPortSwitchesFollowEachOther) {
    // Each editor is made on first need, as the main window does.
    std::unique_ptr<TimersEditor> timers;
    PortTimerCoupling* coupling = nullptr;
    const auto onNeed = [&]<typename Window>(std::unique_ptr<Window>& made) {
        return [&] {
            if (!made)
                coupling->attach((made = std::make_unique<Window>(db, messages)).get());
            return made.get();
        };
    };
    PortTimerCoupling coupled(onNeed(timers), onNeed(editor));
    coupling = &coupled;
    store(db, u"InActiveTime(2)=30|AnnounceTime(3)=60"_s);
    editor.reset();
    PortSwitchesEditor* switches = coupled.portSwitches();
    ASSERT_EQ(timers, nullptr);
    get<QCheckBox>(u"DisableTimeout(2)"_s)->click();
    switches->apply();
    ASSERT_NE(timers, nullptr);
    // Port 3 has no tail message: its tail-message timer is zeroed too.
    EXPECT_EQ(values(db, u"InActiveTime(2)|AnnounceTime(3)"_s), u"0|0"_s);
    EXPECT_TRUE(db.pending(u"InActiveTimePending", 2));
    EXPECT_EQ(test::shown(*timers, u"InactiveTimer(2)|AnnounceTimer(3)"_s), u"0|0"_s);
    EXPECT_EQ(EditorWindow::textColour(timers->control<QLineEdit>(u"InactiveTimer(2)"_s)),
              EditorWindow::unchangedColour());
    db.setAllPending(false);
    timers->apply();
    EXPECT_EQ(db.pendingNames(), QStringList());
    EXPECT_EQ(db.value(u"DisableTimeout", 2), u"1"_s);

    // Cancel Changes in the timers editor derives again, and a port switches window not yet
    // made is made hidden to follow.
    editor.reset();
    db.setValue(u"InActiveTime", 1, u"0"_s);
    timers->cancelChanges();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(shown("DisableTimeout(1)"), u"on"_s);
    EXPECT_EQ(editor->workingCopy(u"DisableTimeout", 1), u"1"_s);
}

} // namespace kovo::test
