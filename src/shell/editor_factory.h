#pragma once

#include <QString>

namespace kovo {

class Database;
class EditorWindow;
class MessageService;

// The eleven tabs of the main window's tab strip, in their order on the strip.
enum EditorTab : int {
    TimersTab,
    CourtesyTab,
    MacrosTab,
    SchedulerTab,
    AnalogTab,
    IdTab,
    MessagesTab,
    DtmfTab,
    AlarmsTab,
    SpecialCodesTab,
    PortSwitchesTab,
    EditorTabCount
};

// The caption on the tab strip, the editor window's object name and its caption.
QString editorTabCaption(int tab);
QString editorObjectName(int tab);
QString editorTitle(int tab);

// A new editor for tab `tab`, without a parent; the main window places it.
EditorWindow* createEditor(int tab, Database& db, MessageService& messages);

} // namespace kovo
