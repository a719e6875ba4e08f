#include "editor_test_support.h"
#include "editors/alarms_editor.h"
#include "editors/analog_meters_editor.h"
#include "editors/courtesy_editor.h"
#include "editors/dtmf_memories_editor.h"
#include "editors/identification_editor.h"
#include "editors/macros_editor.h"
#include "editors/message_macros_editor.h"
#include "editors/port_switches_editor.h"
#include "editors/scheduler_editor.h"
#include "editors/special_codes_editor.h"
#include "editors/timers_editor.h"

#include <QAbstractItemView>

namespace kovo::test {

struct EditorCase {
    std::unique_ptr<EditorWindow> (*open)(Database&, MessageService&);
    const char* title;
    // "Name=value" steps of an edit, each shown again by the reopened editor; ">Name=entry"
    // chooses the alarm, memory, slot, tone or set point the boxes after it show, "!Name=…" is
    // sent but not read back from the memory image, "?Name=value" is only looked at.
    const char* steps;
    const char* flags; // the send-pending flags Apply sets
    const char* saved; // "Field(i)|…=value|…" in the file saved with the changed groups
};

template <typename Editor> std::unique_ptr<EditorWindow> opener(Database& db, MessageService& m) {
    return std::make_unique<Editor>(db, m);
}

// One edit per editor that changes fields of several kinds.
static const std::vector<EditorCase>& everyEditor() {
    static const std::vector<EditorCase> cases = {
        // A general timer's macro alone sends the timer with it; the fan switch is stored inverted.
        {opener<TimersEditor>, "Timers",
         "HangTimer(2)=30|InactiveTimer(3)=0|GeneralTimerSet(1)=120|GeneralTimerMacroSet(1)=42|"
         "GeneralTimerMacroSet(3)=42|FanSelect=on|TimeoutLinkSet=on",
         "HangTimePending(2) InActiveTimePending(3) GeneralTimerPending(1) GeneralTimerPending(3) "
         "TimeoutLinkPending",
         "FanSelect|TimeoutLink|GeneralTimerMacro(3)=0|1|42"},
        {opener<PortSwitchesEditor>, "Port Switches",
         "SpeechIDOverride(1)=off|AccessMode(2)=Tone Only|TailMessageNumSet(3)=2|"
         "MessageNumSet(3)=45|TailCounterSet(3)=7|PLHigh(1)=on",
         "PLAccessPending(2) SpeechIDOverridePending(1) TailMessageNumPending(3) "
         "PortMessageNumPending(2) TailCounterPending(3) PLEncodePolarityPending(1)",
         "P3MessageNum(2)|PLEncodePolarity(1)|SpeechIDOverride(1)|PLAccess(2)=45|1|0|2"},
        {opener<SchedulerEditor>, "Scheduler/Clock Configuration",
         ">SetPointNumSet=7|DOWSet=Sunday|HoursSet=Every Hour|MinutesSet=30|MacroSet=42|"
         ">SetPointNumSet=9|!DOMEnable=on|WeekSet=2nd|DOWSet=Monday|TwentyFourSet=on|"
         "ClockCorrectionSet=-5",
         "SetPointPending(7) SetPointPending(9) TwentyFourPending ClockCorrectionPending",
         "MacroToRun(7)|Monthly(9)|TwentyFour|DOW(7)|Hours(7)|Week(9)|ClockCorrection="
         "42|1|1|7|0A|2|A5"},
        {opener<CourtesyEditor>, "Courtesy Tones",
         ">CTSet=4|Tone2Set(3)=1209|Delay1Set(3)=100|>CTSet=10|Dur4Set(1)=9000",
         "CourtesyPending(40) CourtesyPending(84)", "P3Tone2(4)|P1Dur4(10)=1209|9000"},
        {opener<MacrosEditor>, "Macros",
         "MacroSet(5)=001 087 401|ShortMacroSet(2)=013|ShortMacroCodeSet(1)=77|>MacroNum=52|"
         "PortToAllow=Ports 1 & 3",
         "MacroPending(5) ShortMacroPending(2) ShortMacroCodePending(1) PortToAllowPending(52)",
         "ShortMacro(2)|PortToAllow(52)=013|13"},
        {opener<AnalogMetersEditor>, "Analog Channels Configuration",
         "MeterType(3)=Percent|RealHighSetting(3)=100|MeterHighSetting(3)=200|VrefSetting=480|"
         "!MeterAlarmNumSet=4|!MeterAlarmTypeSet=High",
         "MeterPending(3) MeterPending(9) MeterAlarmPending(4)", "Meter(3)|MeterAlarmType(4)=6|2"},
        {opener<IdentificationEditor>, "Identification",
         "VoiceID1Set(2)=T A R S I S REPEATER|CWID2Set(1)=T A R S I S / R|ID3Check(3)=on|"
         "ID3ExtrasSet(3)=Random Rotation|SpeechEnabled(1)=off",
         "VoiceID1Pending(2) CWID2Pending(1) SpeechEnablePending(1) ID3ExtrasPending(3)",
         "SpeechEnable(1)=0"},
        {opener<MessageMacrosEditor>, "Message Macros", "MessageSet(12)=THE_TIME_IS THANK_YOU DVR7",
         "MessageMacroPending(12)", "MessageMacro(12)=THE_TIME_IS THANK_YOU DVR7"},
        {opener<DtmfMemoriesEditor>, "DTMF Memories", "DTMFSet(2)=9 * 1|DTMFDelaySet=7",
         "DTMFPending(2) DTMFDelayPending", "DTMF(2)|DTMFDelay=9 * 1|7"},
        {opener<AlarmsEditor>, "Alarms",
         ">AlarmNumSet=2|UseLowMacroSet=05|RadioType=Orbisk|RemoteBasePrefixSet=C7|"
         ">OtherMemoryNum=3|OtherFreqStringSet=146520|OtherPlus=on|OtherCTCSSSet=12|"
         "OtherDecode=on|USBSet=on",
         "RadioTypePending RemoteBasePrefixPending RemoteMemoriesPending "
         "AlarmLowMacroNumPending(2)",
         "FreqString(3)|CTCSSMode(3)|CTCSS(3)|AlarmLowMacroNum(2)|RadioType|RemoteBasePrefix="
         "1465203|2|12|05|5|C7"},
        {opener<SpecialCodesEditor>, "Special Codes",
         ">AutoDialSlotSet=7|AutoDialNumberSet=5551234|RingNumberSet=4|APTimeOutSet=60|"
         "APPrefixSet=A7|!AnswerCodeSet=4321|!TollRestrictSet=900|!TollAdd|?TollRestrictList=900|"
         "EnablePatchSet=Ports 2 & 3|DTMFPortSet=Port 3|"
         "MacroRangeSet=2030|!SecondDigitSet=on",
         "UserDTMFPending APPrefixPending AnswerCodePending AutoDialPending(7) "
         "TollRestrictPending(1) RingNumberPending APTimeOutPending EnablePatchPending "
         "MacroSubsetPending DTMFMuteDigitSelectPending",
         "AnswerCode|DTMFMuteDigitSelect|RingNumber|APTimeOut|APPrefix|MacroSubset="
         "4321|2|4|60|A7|2030"},
    };
    return cases;
}

// Edits as a person makes them (">" and "!" are not typed); each box typed into shows red.
static void editAs(EditorWindow& editor, const QStringList& steps) {
    for (const QString& step : steps) {
        if (step.startsWith(u'?'))
            continue;
        edit(editor, {step.startsWith(u'>') || step.startsWith(u'!') ? step.mid(1) : step});
        if (auto* box = editor.findChild<QLineEdit*>(step.section(u'=', 0, 0))) {
            EXPECT_EQ(EditorWindow::textColour(box), EditorWindow::changedColour())
                << step.toStdString();
        }
    }
}

// What `editor` shows for each step that is read back, the choosers chosen again on the way.
static QStringList shownAgain(EditorWindow& editor, const QStringList& steps) {
    QStringList each;
    for (const QString& step : steps) {
        if (step.startsWith(u'>'))
            edit(editor, {step.mid(1)});
        else if (!step.startsWith(u'!')) {
            const QString name = step.section(u'=', 0, 0).remove(u'?');
            auto* control = editor.findChild<QWidget*>(name);
            each << name + u'=' +
                        (control && !control->isHidden() ? shown(editor, name) : u"hidden"_s);
        }
    }
    return each;
}

// Each editor's changes go the whole road: applied, saved with the groups marked changed and
// read back, sent by "Update Changes Only" to the emulated Tarsis, downloaded from its memory
// with the autopatch board's records, and shown by the editor reopened on what came back. The
// same edit cancelled instead shows what the database holds, as an editor just opened does, and
// leaves nothing to apply.
TEST(EveryEditor, ChangesComeBackFromTheSavedFileAndTheEmulatedTarsisOrAreCancelled) {
    for (const EditorCase& c : everyEditor()) {
        SCOPED_TRACE(c.title);
        const QStringList steps = QString::fromLatin1(c.steps).split(u'|');
        QStringList expected = steps.filter(QRegularExpression(u"^[^>!]"_s));
        expected.replaceInStrings(u"?"_s, QString());
        Database db, untouched;
        RecordingMessageService messages;
        EmulatedTarsis tarsis;
        std::unique_ptr<EditorWindow> editor = c.open(db, messages),
                                      cancelled = c.open(untouched, messages);
        EXPECT_EQ(editor->windowTitle(), QString::fromLatin1(c.title));
        const QStringList before = shownAgain(*c.open(untouched, messages), steps);
        editAs(*cancelled, steps);
        cancelled->cancelChanges();
        EXPECT_EQ(shownAgain(*cancelled, steps), before);
        cancelled->apply();
        expectApplied(untouched, QString());

        editAs(*editor, steps);
        editor->apply();
        expectApplied(db, QString::fromLatin1(c.flags));
        Database fromFile = saved(db, true);
        expectPairs(c.saved, [&](const QString& fields) { return values(fromFile, fields); });
        ASSERT_TRUE(tarsis.updateChangesOnly(db)) << tarsis.refused.join(u' ').toStdString();
        EXPECT_FALSE(db.anyPending());
        Database downloaded = tarsis.download();
        EXPECT_EQ(shownAgain(*c.open(fromFile, messages), steps), expected);
        EXPECT_EQ(shownAgain(*c.open(downloaded, messages), steps), expected);
        EXPECT_EQ(messages.messageTexts(), QStringList());
    }
}

// A screen reader names every box and list by a label of its own (its buddy) or a name given to
// it, never by the value it shows, nor by its frame's caption when the frame holds others too;
// and every editor leaves room for the main window's frame, menus, tool bar and tabs.
TEST(EveryEditor, FitsTheScreenAndNamesEveryBoxForScreenReaders) {
    Database db;
    RecordingMessageService messages;
    for (const EditorCase& c : everyEditor()) {
        SCOPED_TRACE(c.title);
        std::unique_ptr<EditorWindow> editor = c.open(db, messages);
        // The port switches editor's three port frames stand side by side above its alarms.
        EXPECT_LE(editor->sizeHint().width(), 1000);
        EXPECT_LE(editor->sizeHint().height(), editor->objectName() == u"PortSwitches" ? 658 : 640);
        QSet<QWidget*> buddies;
        for (QLabel* label : editor->findChildren<QLabel*>())
            buddies.insert(label->buddy());
        for (QWidget* control : editor->findChildren<QWidget*>()) {
            // Boxes and lists; one without a name is a part of another control.
            if (control->objectName().isEmpty() ||
                !(qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control) ||
                  qobject_cast<QAbstractItemView*>(control)))
                continue;
            const std::string id = control->objectName().toStdString();
            const QString name = accessibleName(control);
            EXPECT_FALSE(name.isEmpty()) << id;
            EXPECT_TRUE(buddies.contains(control) || !control->accessibleName().isEmpty()) << id;
            EXPECT_NE(name, shown(*editor, control->objectName())) << id;
            auto* frame = qobject_cast<QGroupBox*>(control->parentWidget());
            if (frame && name == frame->title()) {
                EXPECT_EQ(frame->findChildren<QLineEdit*>().size() +
                              frame->findChildren<QComboBox*>().size(),
                          1)
                    << id << " is named after a frame it shares";
            }
        }
    }
}

} // namespace kovo::test
