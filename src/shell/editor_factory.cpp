#include "editor_factory.h"

#include "editors/alarms_editor.h"
#include "editors/analog_meters_editor.h"
#include "editors/courtesy_editor.h"
#include "editors/dtmf_memories_editor.h"
#include "editors/identification_editor.h"
#include "editors/macros_editor.h"
#include "editors/message_macros_editor.h"
#include "editors/placeholder_editor.h"
#include "editors/port_switches_editor.h"
#include "editors/scheduler_editor.h"
#include "editors/special_codes_editor.h"
#include "editors/timers_editor.h"

namespace kovo {

namespace {

struct TabNames {
    const char* caption; // the tab's caption
    const char* name;    // the editor window's object name
    const char* title;   // the editor window's caption
};

constexpr TabNames Names[EditorTabCount] = {
    {"Timers", "Timers", "Timers"},
    {"Courtesy Tones", "Courtesy", "Courtesy Tones"},
    {"Macros", "Macros", "Macros"},
    {"Scheduler/Clock", "Scheduler", "Scheduler/Clock Configuration"},
    {"Analog", "Analog", "Analog Channels Configuration"},
    {"IDs", "ID", "Identification"},
    {"Messages", "MessageMacros", "Message Macros"},
    {"DTMF", "DTMFMemories", "DTMF Memories"},
    {"Alarms/R. Base/Aux Audio", "Alarms", "Alarms"},
    {"Special Codes/Autopatch", "SpecialCodes", "Special Codes"},
    {"Port Switches", "PortSwitches", "Port Switches"},
};

} // namespace

QString editorTabCaption(int tab) {
    return QString::fromLatin1(Names[tab].caption);
}

QString editorObjectName(int tab) {
    return QString::fromLatin1(Names[tab].name);
}

QString editorTitle(int tab) {
    return QString::fromLatin1(Names[tab].title);
}

EditorWindow* createEditor(int tab, Database& db, MessageService& messages) {
    switch (tab) {
    case TimersTab:
        return new TimersEditor(db, messages);
    case CourtesyTab:
        return new CourtesyEditor(db, messages);
    case MacrosTab:
        return new MacrosEditor(db, messages);
    case SchedulerTab:
        return new SchedulerEditor(db, messages);
    case IdTab:
        return new IdentificationEditor(db, messages);
    case MessagesTab:
        return new MessageMacrosEditor(db, messages);
    case DtmfTab:
        return new DtmfMemoriesEditor(db, messages);
    case AnalogTab:
        return new AnalogMetersEditor(db, messages);
    case AlarmsTab:
        return new AlarmsEditor(db, messages);
    case SpecialCodesTab:
        return new SpecialCodesEditor(db, messages);
    case PortSwitchesTab:
        return new PortSwitchesEditor(db, messages);
    default:
        return new PlaceholderEditor(editorObjectName(tab), editorTitle(tab), db, messages);
    }
}

} // namespace kovo
