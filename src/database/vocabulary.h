#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

namespace kovo {

// How encoded codes are laid out: serial commands carry the codes back to back ("030031"),
// the DTMF senders want each code followed by one blank ("030 031 ").
enum class CodeLayout { Serial, Dtmf };

// The controller's 256 spoken words; a word's code is its position in this table's own order
// (never a sorted order), sent as three digits.
const QStringList& speechVocabulary();

struct CwCharacter {
    const char* token;
    const char* code; // two digits; nullptr for tokens without a sending code ("-", ".")
};
// The CW tokens with their two-digit codes (letters by telephone keypad position).
const QVector<CwCharacter>& cwCharacterSet();

// Exactly (case-sensitively) a vocabulary word, or "NONE STORED", "NONE", "STORED".
bool isVocabularyWord(QStringView token);
// A CW token: 0-9, A-Z, WORD_SPACE, /, -, ., ",", AR, SK, ?.
bool checkCwChar(QStringView token);

// The codes of the blank-separated words of `text` ("0".."9" also give "000".."009"). Tokens not
// in the table, and empty tokens, are skipped.
QString encodeSpeechWords(QStringView text, CodeLayout layout);
// The same for CW tokens with their two-digit codes.
QString encodeCwCharacters(QStringView text, CodeLayout layout);

// The word for a code given as decimal text 0..255 without leading zeros; empty when none.
QString speechCodeToWord(QStringView code);
// The CW token for a code given as decimal text without leading zeros ("0".."9", "21" for A,
// "10" for the dash); empty when none or when `code` is empty.
QString cwCodeToChar(QStringView code);

// The DTMF digits packed two per byte, low nibble first, in up to four bytes: 1-9 -> "1".."9",
// 10 -> "0", 11 -> "*", 12 -> "#", 13 -> "A", 14 -> "B", 15 -> "C", 0 -> no digit. bytes beyond
// the fourth are ignored.
QString decodePackedDigits(const QByteArray& bytes);
// The inverse for the controller's memory: up to eight digits into four bytes (unused nibbles 0).
// Characters without a nibble value (such as "D") are skipped.
QByteArray encodePackedDigits(QStringView digits);

// trimmed, with every run of blanks inside replaced by one blank.
QString normalizeSpaces(QStringView text);

} // namespace kovo
