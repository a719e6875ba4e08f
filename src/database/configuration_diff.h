#pragma once

#include "database.h"

#include <QList>
#include <QString>

namespace kovo {

// One field element whose value differs between two configurations.
struct FieldDifference {
    QString editor;  // the editor window that shows the field ("Timers", "Macros", ...)
    QString section; // its section in the database file
    QString key;     // its file key ("HangTime(2)")
    QString ours;
    QString theirs;
    int editorIndex = -1; // the editor's place in the main window's tab order
    QString field;        // the field's name in the database ("HangTime")
    int index = 0;        // the element (1-based; 0 for a single field)
};

// The editor window that edits the fields of a write group, by its caption.
QString editorForGroup(Group group);

// Every differing field element, grouped by editor in the main window's tab order and, within an
// editor, in the order of the field table. Values are compared as the file stores them.
QList<FieldDifference> compareConfigurations(const Database& ours, const Database& theirs);

} // namespace kovo
