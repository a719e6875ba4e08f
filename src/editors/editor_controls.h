#pragma once

#include <QString>
#include <initializer_list>

class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace kovo {

// Small builders and list helpers shared by the site editors (analog meters, alarms and remote
// base, special codes).

// "Name(3)": the control name of element 3 of a control array.
QString indexedName(const char* name, int index);

QLineEdit* newBox(const QString& name, QWidget* parent, int maximumWidth = 90);
QComboBox* newList(const QString& name, QWidget* parent);
// A caption that names `buddy`: screen readers read it as the control's name.
QLabel* newBuddyLabel(const QString& text, QWidget* buddy, QWidget* parent);

struct ListEntry {
    const char* text;
    int number;
};
// Entries shown by their text, each carrying its number as the entry's data.
void addNumberedEntries(QComboBox* list, std::initializer_list<ListEntry> entries);
// Entries "first" to "last"; `width` pads with leading zeros ("01").
void addNumberEntries(QComboBox* list, int first, int last, int width = 0);
// The number the current entry carries, as text; empty when nothing is chosen.
QString currentNumber(const QComboBox* list);
// Chooses the entry carrying the numeric value of `value`; none when no entry does.
void selectByNumber(QComboBox* list, const QString& value);
// Chooses the entry whose text is `value`, or failing that the entry whose text has the same
// numeric value ("1" shows as "01"); none when neither matches.
void selectByText(QComboBox* list, const QString& value);

// The numeric value of a text written back as plain decimal: leading zeros dropped, empty or
// non-numeric text "0".
QString plainNumber(const QString& text);

// Red text when the working copy differs from the database value, black when not.
void colourControl(QWidget* control, bool changed);

} // namespace kovo
