#include "editor_test_support.h"
#include "editors/alarms_editor.h"
#include "editors/analog_meters_editor.h"
#include "editors/recording_message_service.h"
#include "editors/special_codes_editor.h"
#include "link/download.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <gtest/gtest.h>

namespace kovo {
namespace {

using namespace kovo::test;
using kovo::testing::EmulatedTarsis;

// One step of a person's edit: "Name=text" types into a box or chooses a list entry, "Name"
// alone clicks a button.
void edit(QWidget& editor, const QStringList& steps) {
    for (const QString& step : steps) {
        const QString name = step.section(u'=', 0, 0);
        const QString text = step.section(u'=', 1);
        if (auto* box = editor.findChild<QLineEdit*>(name))
            typeInto(box, text);
        else if (auto* list = editor.findChild<QComboBox*>(name))
            choose(list, text);
        else if (auto* button = editor.findChild<QAbstractButton*>(name))
            button->click();
        else
            ADD_FAILURE() << "no control " << name.toStdString();
    }
}

// What a control shows: a box's text, a list's entry, "on" for a checked button.
QString shown(QWidget& editor, const QString& name) {
    if (auto* box = editor.findChild<QLineEdit*>(name))
        return box->text();
    if (auto* list = editor.findChild<QComboBox*>(name))
        return list->currentText();
    if (auto* button = editor.findChild<QAbstractButton*>(name))
        return button->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
    return QStringLiteral("no control");
}

// Each site editor's changes travel the whole road: edited, applied, sent by "Update Changes
// Only" to the emulated Tarsis, downloaded into a fresh database with the Ostrik board's
// records, and shown again by a reopened editor. The memory image does not carry the meter
// alarms, the autopatch answer code or the mute digit: they are sent and not read back.
TEST(SiteEditorsTest, ChangesComeBackFromTheEmulatedTarsis) {
    using Make = std::function<std::unique_ptr<EditorWindow>(Database&, MessageService&)>;
    struct Case {
        Make make;
        QStringList steps;
        QStringList shownAfter; // "Name=text" after the same choosers
    };
    const Case cases[] = {
        {[](Database& db, MessageService& m) {
             return std::make_unique<AnalogMetersEditor>(db, m);
         },
         {u"MeterType(3)=Percent"_qs, u"RealHighSetting(3)=100"_qs, u"MeterHighSetting(3)=200"_qs,
          u"VrefSetting=480"_qs, u"MeterAlarmNumSet=4"_qs, u"MeterAlarmTypeSet=High"_qs},
         {u"MeterType(3)=Percent"_qs, u"RealHighSetting(3)=100"_qs, u"MeterHighSetting(3)=200"_qs,
          u"VrefSetting=480"_qs}},
        {[](Database& db, MessageService& m) { return std::make_unique<AlarmsEditor>(db, m); },
         {u"AlarmNumSet=2"_qs, u"UseLowMacroSet=05"_qs, u"RadioType=Orbisk"_qs,
          u"RemoteBasePrefixSet=C7"_qs, u"OtherMemoryNum=3"_qs, u"OtherFreqStringSet=146.52"_qs,
          u"OtherPlus"_qs, u"OtherCTCSSSet=12"_qs, u"OtherDecode"_qs, u"USBSet"_qs},
         {u"AlarmNumSet=2"_qs, u"UseLowMacroSet=05"_qs, u"RadioType=Orbisk"_qs,
          u"RemoteBasePrefixSet=C7"_qs, u"OtherMemoryNum=3"_qs, u"OtherFreqStringSet=146520"_qs,
          u"OtherPlus=on"_qs, u"OtherCTCSSSet=12"_qs, u"OtherDecode=on"_qs, u"USBSet=on"_qs}},
        {[](Database& db, MessageService& m) {
             return std::make_unique<SpecialCodesEditor>(db, m);
         },
         {u"AutoDialSlotSet=7"_qs, u"AutoDialNumberSet=5551234"_qs, u"TollRestrictSet=900"_qs,
          u"TollAdd"_qs, u"RingNumberSet=4"_qs, u"APTimeOutSet=60"_qs, u"APPrefixSet=A7"_qs,
          u"EnablePatchSet=Ports 2 & 3"_qs, u"DTMFPortSet=Port 3"_qs, u"MacroRangeSet=2030"_qs,
          u"SecondDigitSet"_qs},
         {u"AutoDialSlotSet=7"_qs, u"AutoDialNumberSet=5551234"_qs, u"RingNumberSet=4"_qs,
          u"APTimeOutSet=60"_qs, u"APPrefixSet=A7"_qs, u"EnablePatchSet=Ports 2 & 3"_qs,
          u"DTMFPortSet=Port 3"_qs, u"MacroRangeSet=2030"_qs}},
    };
    for (const Case& c : cases) {
        Database db;
        RecordingMessageService messages;
        EmulatedTarsis tarsis;
        std::unique_ptr<EditorWindow> editor = c.make(db, messages);
        SCOPED_TRACE(editor->objectName().toStdString());
        edit(*editor, c.steps);
        editor->apply();
        ASSERT_TRUE(tarsis.updateChangesOnly(db)) << tarsis.refused.join(u' ').toStdString();
        EXPECT_FALSE(db.anyPending());
        Database downloaded = tarsis.download(Database());
        applyOstrikRecords(tarsis.memory().ostrikRecords(), downloaded);

        std::unique_ptr<EditorWindow> reopened = c.make(downloaded, messages);
        for (const QString& expected : c.shownAfter) {
            const QString name = expected.section(u'=', 0, 0);
            // An alarm, memory or slot number chooses what the boxes after it show.
            if (QStringList{u"AlarmNumSet"_qs, u"OtherMemoryNum"_qs, u"AutoDialSlotSet"_qs}
                    .contains(name))
                choose(reopened->findChild<QComboBox*>(name), expected.section(u'=', 1));
            EXPECT_EQ(shown(*reopened, name), expected.section(u'=', 1)) << name.toStdString();
        }
        if (auto* toll = reopened->findChild<QListWidget*>(u"TollRestrictList"_qs)) {
            ASSERT_EQ(toll->count(), 1);
            EXPECT_EQ(toll->item(0)->text(), u"900");
        }
        EXPECT_TRUE(messages.calls.isEmpty());
    }
}

TEST(SiteEditorsTest, CaptionsListsAndScreenReaderNames) {
    Database db;
    RecordingMessageService messages;
    AnalogMetersEditor analog(db, messages);
    AlarmsEditor alarms(db, messages);
    SpecialCodesEditor codes(db, messages);
    EXPECT_EQ(analog.windowTitle(), u"Analog Channels Configuration");
    EXPECT_EQ(alarms.windowTitle(), u"Alarms");
    EXPECT_EQ(codes.windowTitle(), u"Special Codes");
    const auto entries = [](QWidget& editor, const char* name) {
        QStringList texts;
        auto* list = editor.findChild<QComboBox*>(QString::fromLatin1(name));
        for (int i = 0; list && i < list->count(); ++i)
            texts << list->itemText(i) + u'=' + list->itemData(i).toString();
        return texts.join(u',');
    };
    EXPECT_EQ(entries(analog, "MeterType(8)"),
              u"None=0,Volts=1,Amps=2,Watts=3,Degrees=4,MPH=5,Percent=6");
    EXPECT_EQ(entries(alarms, "RadioType"), u"Kenwood Serial=1,Icom=2,Yaesu=3,Kenwood V7A=4,"
                                            "Orbisk=5,Kenwood G707=7,Kenwood TM-271/471=8");
    EXPECT_EQ(entries(codes, "EnablePatchSet"), u"NONE=0,Port 1=1,Port 2=2,Port 3=3,Ports 1 & "
                                                "2=12,Ports 1 & 3=13,Ports 2 & 3=23,All Ports=123");
    const std::tuple<QWidget*, const char*, const char*> names[] = {
        {&analog, "RealLowSetting(3)", "Meter 3 Actual Low Value"},
        {&analog, "MeterHighSetting(1)", "Meter 1 Meter High Value"},
        {&analog, "MeterType(5)", "Meter 5 Meter Type"},
        {&analog, "VrefSetting", "Reference Voltage"},
        {&analog, "MeterAlarmTypeSet", "Alarm Type"},
        {&analog, "MeterSetPointSet", "Trip Value"},
        {&analog, "MeterMacroSet", "Macro To Call"},
        {&alarms, "UseLowMacroSet", "Low-to-High Macro To Use"},
        {&alarms, "UseHighMacroSet", "High-to-Low Macro To Use"},
        {&alarms, "RemoteBasePrefixSet", "Remote Base Prefix"},
        {&alarms, "OtherFreqStringSet", "Frequency"},
        {&alarms, "OtherCTCSSSet", "CTCSS Code"},
        {&alarms, "OtherMinus", " -"},
        {&alarms, "OtherDecode", "Dec"},
        {&codes, "NewPortUnlockSet(1)", "New Port 1 Unlock"},
        {&codes, "CurrentPortUnlock(3)", "Current Port 3 Unlock"},
        {&codes, "NewTerminatorSet", "New Terminator"},
        {&codes, "CurrentCommandPrefixSet", "User DTMF Prefix"},
        {&codes, "DTMFSpeechSet", "Macro To Use"},
        {&codes, "RingNumberSet", "Number of Rings to Answer"},
        {&codes, "AutoDialSlotSet", "AutoDial Slot"},
        {&codes, "DTMFTestPrefixSet", "DTMF Pad Test Prefix"},
        {&codes, "PreAccessSet", "Pre Access Code"},
        {&codes, "MacroRangeSet", "Macro SubSet Range"},
        {&codes, "SecondDigitSet", "2nd Digit"},
    };
    for (const auto& [editor, control, name] : names) {
        auto* widget = editor->findChild<QWidget*>(QString::fromLatin1(control));
        ASSERT_NE(widget, nullptr) << control;
        EXPECT_EQ(accessibleName(widget), QString::fromLatin1(name)) << control;
    }
    const std::tuple<QWidget*, const char*, const char*> buttons[] = {
        {&analog, "CancelChanges", "Cancel Changes"},
        {&alarms, "CancelChanges", "&Cancel Changes"},
        {&codes, "Cancel", "C&ancel Changes"},
        {&codes, "TollAdd", "&Add"},
        {&codes, "TollDelete", "&Delete"}};
    for (const auto& [editor, control, caption] : buttons)
        EXPECT_EQ(editor->findChild<QAbstractButton*>(QString::fromLatin1(control))->text(),
                  QString::fromLatin1(caption));
}

} // namespace
} // namespace kovo
