#pragma once

#include "database.h"

#include <QAnyStringView>
#include <QString>
#include <QStringView>
#include <QVector>

namespace kovo {

// How a value read from a database file is accepted. Every check but None also refuses an
// empty value.
enum class LoadCheck {
    None,          // taken as read, empty or not
    NotEmpty,      // any non-empty text
    AtMost,        // numeric value <= high
    Between,       // low <= numeric value <= high
    LengthAtMost,  // at most `high` characters
    HoursOrAtMost, // the text "0A" unchanged, otherwise numeric value <= high
    MessageNumber, // numeric value <= high and not the text "0"; refused silently as "1"
};

// What a value read from a file goes through before its check.
enum class LoadNormalisation {
    None,
    MacroGrouping, // blanks removed, digits regrouped in threes joined by one blank
    DtmfSpacing,   // blanks removed, one blank between each pair of characters
    Capitals,      // converted to capital letters
    CwTone,        // after the check: fewer than four characters gain one leading "0"
};

// Defaults that depend on the index.
enum class DefaultRule {
    Fixed,          // defaultText for every element
    MacroCode,      // "1090" + index
    ShortMacroCode, // "1090" + (index + 49)
    PortUnlock,     // port digit + "6470"
};

// How the error-log line is built from the label and the index.
enum class LabelRule {
    Plain,        // label followed directly by the index ("Ram_HangTime 2", "Ram_DOW3")
    IndexPlus49,  // label followed by index + 49 (short macro codes)
    Parenthesised // label "(" index ") " (radio modes)
};

struct FieldSpec {
    const char* name;
    const char* section;
    int count; // 0: a single value stored under its bare name
    const char* defaultText;
    DefaultRule defaultRule;
    LoadCheck check;
    int low;
    int high;
    const char* label; // nullptr: a refused value writes no error-log line
    LabelRule labelRule;
    LoadNormalisation normalisation;
    Group group;

    bool isSingle() const { return count == 0; }
    int firstIndex() const { return count == 0 ? 0 : 1; }
    int lastIndex() const { return count; }
};

struct FlagSpec {
    const char* name;
    int count; // 0: a single flag
};

// Every field of the configuration, once.
const QVector<FieldSpec>& fieldTable();
// nullptr for a name that is not a field (case-sensitive).
const FieldSpec* findField(QAnyStringView name);
// The position of a field in fieldTable(), or -1.
int fieldNumber(QAnyStringView name);

// Every send-pending flag, once.
const QVector<FlagSpec>& flagTable();
int flagNumber(QAnyStringView name);

// The file key of one element: "FanTime", "HangTime(2)".
QString fieldKey(const FieldSpec& field, int index);
QString fieldDefault(const FieldSpec& field, int index);
// The file key of one element in Latin-1, and lower-cased for profile-file lookups (cached).
const QByteArray& fieldKeyLatin1(const FieldSpec& field, int index);
const QByteArray& fieldKeyFolded(const FieldSpec& field, int index);
// The position of `field` in fieldTable().
inline int fieldNumber(const FieldSpec& field) {
    return static_cast<int>(&field - fieldTable().constData());
}
// The error-log line for a refused element; empty when the field writes none.
QString fieldErrorLine(const FieldSpec& field, int index);

// One step of a reading or writing order: for every index of the range, every listed field in
// turn (fields interleaved by index). A block of single fields has first == last == 0.
struct OrderBlock {
    QVector<const FieldSpec*> fields;
    int first;
    int last;
    Group group; // the write flag that covers the block
};

// The order in which the reader visits the keys; it is also the order of the error-log lines.
const QVector<OrderBlock>& readingOrder();
// The order in which a save writes the keys.
const QVector<OrderBlock>& writingOrder();

} // namespace kovo
