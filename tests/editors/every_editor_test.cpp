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
    std::function<std::unique_ptr<EditorWindow>(Database&, MessageService&)> open;
    const char* title;
    // "Name=value" steps of an edit, each shown again by the reopened editor; ">Name=entry"
    // chooses the alarm, memory, slot, tone or set point the boxes after it show, "!Name=…" is
    // sent but not read back from the memory image, "?Name=value" is only looked at.
    const char* steps;
};

template <typename Editor> auto opener() {
    return [](Database& db, MessageService& m) -> std::unique_ptr<EditorWindow> {
        return std::make_unique<Editor>(db, m);
    };
}

// One edit per editor that changes fields of several kinds. A slow clock correction ("-5") would
// come back from the memory image as its 16-bit word: the image does not carry its sign.
static const std::vector<EditorCase>& everyEditor() {
    static const std::vector<EditorCase> cases = {
        {opener<TimersEditor>(), "Timers",
         "HangTimer(2)=30|InactiveTimer(3)=0|GeneralTimerSet(1)=120|GeneralTimerMacroSet(1)=42|"
         "FanSelect=on"},
        {opener<PortSwitchesEditor>(), "Port Switches",
         "SpeechIDOverride(1)=off|AccessMode(2)=Tone Only|TailMessageNumSet(3)=2|"
         "MessageNumSet(3)=45|TailCounterSet(3)=7|PLHigh(1)=on"},
        {opener<SchedulerEditor>(), "Scheduler/Clock Configuration",
         ">SetPointNumSet=7|DOWSet=Sunday|HoursSet=Every Hour|MinutesSet=30|MacroSet=42|"
         "ClockCorrectionSet=12"},
        {opener<CourtesyEditor>(), "Courtesy Tones",
         ">CTSet=4|Tone2Set(3)=1209|Delay1Set(3)=100|>CTSet=10|Dur4Set(1)=32767"},
        {opener<MacrosEditor>(), "Macros", "MacroSet(5)=001 087 401|ShortMacroSet(2)=013"},
        {opener<AnalogMetersEditor>(), "Analog Channels Configuration",
         "MeterType(3)=Percent|RealHighSetting(3)=100|MeterHighSetting(3)=200|VrefSetting=480|"
         "!MeterAlarmNumSet=4|!MeterAlarmTypeSet=High"},
        {opener<IdentificationEditor>(), "Identification",
         "VoiceID1Set(2)=T A R S I S REPEATER|CWID2Set(1)=T A R S I S / R|ID3Check(3)=on|"
         "ID3ExtrasSet(3)=Random Rotation"},
        {opener<MessageMacrosEditor>(), "Message Macros",
         "MessageSet(12)=THE_TIME_IS THANK_YOU DVR7"},
        {opener<DtmfMemoriesEditor>(), "DTMF Memories", "DTMFSet(2)=9 * 1"},
        {opener<AlarmsEditor>(), "Alarms",
         ">AlarmNumSet=2|UseLowMacroSet=05|RadioType=Orbisk|RemoteBasePrefixSet=C7|"
         ">OtherMemoryNum=3|OtherFreqStringSet=146520|OtherPlus=on|OtherCTCSSSet=12|"
         "OtherDecode=on|USBSet=on"},
        {opener<SpecialCodesEditor>(), "Special Codes",
         ">AutoDialSlotSet=7|AutoDialNumberSet=5551234|RingNumberSet=4|APTimeOutSet=60|"
         "APPrefixSet=A7|!AnswerCodeSet=4321|!TollRestrictSet=900|!TollAdd|?TollRestrictList=900|"
         "EnablePatchSet=Ports 2 & 3|DTMFPortSet=Port 3|"
         "MacroRangeSet=2030|!SecondDigitSet=on"},
    };
    return cases;
}

// Each editor's changes go the whole road: edited, applied, sent by "Update Changes Only" to the
// emulated Tarsis, downloaded from its memory with the autopatch board's records, and shown by
// the editor reopened on what came back.
TEST(EveryEditor, ChangesComeBackFromTheEmulatedTarsis) {
    for (const EditorCase& c : everyEditor()) {
        SCOPED_TRACE(c.title);
        const QStringList steps = QString::fromLatin1(c.steps).split(u'|');
        Database db;
        RecordingMessageService messages;
        EmulatedTarsis tarsis;
        std::unique_ptr<EditorWindow> editor = c.open(db, messages);
        EXPECT_EQ(editor->windowTitle(), QString::fromLatin1(c.title));
        for (const QString& step : steps) {
            if (!step.startsWith(u'?'))
                edit(*editor,
                     {step.startsWith(u'>') || step.startsWith(u'!') ? step.mid(1) : step});
        }
        editor->apply();
        ASSERT_TRUE(db.anyPending());
        ASSERT_TRUE(tarsis.updateChangesOnly(db)) << tarsis.refused.join(u' ').toStdString();
        EXPECT_FALSE(db.anyPending());
        Database downloaded = tarsis.download();
        std::unique_ptr<EditorWindow> reopened = c.open(downloaded, messages);
        for (const QString& step : steps) {
            if (step.startsWith(u'>'))
                edit(*reopened, {step.mid(1)});
            else if (!step.startsWith(u'!')) {
                EXPECT_EQ(shown(*reopened, step.section(u'=', 0, 0).remove(u'?')),
                          step.section(u'=', 1));
            }
        }
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
        // The port switches editor needs 658 pixels: its three port frames stand side by side
        // above the alarms.
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
            auto* box = qobject_cast<QLineEdit*>(control);
            auto* list = qobject_cast<QComboBox*>(control);
            EXPECT_NE(name, box ? box->text() : list ? list->currentText() : QString()) << id;
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
