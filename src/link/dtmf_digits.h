#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace kovo {

// The two frequencies of one DTMF digit: the low (row) group 697, 770, 852, 941 Hz and the high
// (column) group 1209, 1336, 1477, 1633 Hz.
struct DtmfTonePair {
    int low = 0;
    int high = 0;
    friend bool operator==(const DtmfTonePair&, const DtmfTonePair&) = default;
};

// The sixteen digits in keypad order, row by row: "123A456B789C*0#D".
inline constexpr char DtmfKeypad[] = "123A456B789C*0#D";
inline constexpr int DtmfLowGroup[4] = {697, 770, 852, 941};
inline constexpr int DtmfHighGroup[4] = {1209, 1336, 1477, 1633};

// The tone pair of a `DigitCode`: "0"-"9"; "*" or "11"; "#" or "12"; "A"-"D" or "13"-"16".
// Anything else (lower-case letters, "10", blanks around a code) is not a digit.
std::optional<DtmfTonePair> digitCodeTones(const QString& code);

// Whether every code is one key; a code that is none would play no tone at all.
bool dtmfCarries(const QStringList& codes);

// The keypad character of a `DigitCode` ('*' for "11", 'A' for "13"), or '\0' when the code is
// not a digit.
char digitCodeCharacter(const QString& code);

// The keypad character whose row and column are `low` and `high` (Hz), or '\0'.
char dtmfCharacterForTones(int low, int high);

} // namespace kovo
