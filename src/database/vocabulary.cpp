#include "database/vocabulary.h"

#include <QHash>
#include <array>
#include <iterator>

using namespace Qt::StringLiterals;

namespace kovo {

namespace {

// The controller's words in code order: an entry's code is its index. The order is the
// controller's own (A.M. after AVERAGE, P.M. after PROGRAM) and must never be sorted.
// clang-format off
constexpr const char* kSpeechWords[] = {
    // 0-29: numbers
    /*   0 */ "ZERO", "ONE", "TWO", "THREE", "FOUR", "FIVE", "SIX", "SEVEN", "EIGHT", "NINE", "TEN",
    /*  11 */ "ELEVEN", "TWELVE", "THIRTEEN", "FOURTEEN", "FIFTEEN", "SIXTEEN", "SEVENTEEN",
    /*  18 */ "EIGHTEEN", "NINETEEN", "TWENTY", "THIRTY", "FOURTY", "FIFTY", "SIXTY", "SEVENTY",
    /*  26 */ "EIGHTY", "NINETY", "HUNDRED", "THOUSAND",
    // 30-55: letters
    /*  30 */ "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q",
    /*  47 */ "R", "S", "T", "U", "V", "W", "X", "Y", "Z",
    // 56-233: words
    /*  56 */ "ABOVE", "ACTIVE", "AFTERNOON", "ALERT", "ALL", "AMATEUR", "AMPS", "AND", "ANSWER",
    /*  65 */ "APRIL", "ASSOCIATION", "AT", "AUGUST", "AUTO", "AUTOMATIC", "AUXILIARY", "AVERAGE",
    /*  73 */ "A.M.", "BAND", "BASE", "BATTERY", "BELOW", "BUSY", "BY", "CALIBRATE", "CALL",
    /*  82 */ "CANCEL", "CARRIER", "CAUTION", "CHANGE", "CHECK", "CLEAR", "CLOCK", "CODE",
    /*  90 */ "COMPLETE", "COMPUTER", "CONNECT", "CONNECTED", "CONTROL", "CONTROLLER", "CURRENT",
    /*  97 */ "DANGER", "DATE", "DAY", "DECEMBER", "DEGREES", "DEVIATION", "DIRECTION",
    /* 104 */ "DISCONNECTED", "DOWN", "EAST", "ECHO", "EMERGENCY", "ENTER", "EQUAL", "ERROR",
    /* 112 */ "EVENING", "FAILURE", "FEBRUARY", "FEET", "FREQUENCY", "FRIDAY", "FROM", "FULL",
    /* 120 */ "GET", "GO", "GOOD", "HAM", "HELLO", "HELP", "HERTZ", "HIGH", "HOLD", "HOUR",
    /* 130 */ "INTERNET", "INTRUDER", "IS", "JANUARY", "JULY", "JUNE", "LEFT", "LIGHT", "LINE",
    /* 139 */ "LINK", "LOCK", "LOW", "MANUAL", "MARCH", "MAXIMUM", "MAY", "MEETING", "MEGA",
    /* 148 */ "MESSAGES", "METER", "MILES_PER_HOUR", "MINIMUM", "MINUS", "MINUTES", "MIX", "MONDAY",
    /* 156 */ "MONITOR", "MORNING", "MUTE", "NEGATIVE", "NET", "NIGHT", "NO", "NORTH", "NOT",
    /* 165 */ "NOVEMBER", "NUMBER", "OCLOCK", "OCTOBER", "OF", "OFF", "ON", "OPERATOR", "OUT",
    /* 174 */ "OVER", "PATCH", "PERCENT", "PHONE", "PLEASE", "PLUS", "POINT", "PORT", "POWER",
    /* 183 */ "PROGRAM", "P.M.", "RADIO", "READY", "RECEIVE", "REMOTE", "REPEAT", "REPEATER",
    /* 191 */ "SATURDAY", "SECONDS", "SELECT", "SEPTEMBER", "SET", "SKYWARN", "SOUTH", "SQUELCH",
    /* 199 */ "START", "STOP", "SUNDAY", "SYSTEM", "TEMPERATURE", "THANK_YOU", "THE(LONG)",
    /* 206 */ "THE(SHORT)", "THE_TIME_IS", "THIS", "THURSDAY", "TIME", "TIMEOUT", "TIMER", "TODAY",
    /* 214 */ "TOMORROW", "TONE", "TONIGHT", "TRANSMIT", "TUESDAY", "UNDER", "UP", "USE(NOUN)",
    /* 222 */ "USE(VERB)", "VOLTAGE", "VOLTS", "WAIT", "WARNING", "WATTS", "WEATHER", "WEDNESDAY",
    /* 230 */ "WELCOME", "WEST", "YESTERDAY", "ZULU",
    // 234-235: suffix and pause
    /* 234 */ "-S(MAKES_PLURAL)", "SILENCE(PAUSE)",
    // 236-255: recorded tracks
    /* 236 */ "DVR1", "DVR2", "DVR3", "DVR4", "DVR5", "DVR6", "DVR7", "DVR8", "DVR9", "DVR10",
    /* 246 */ "DVR11", "DVR12", "DVR13", "DVR14", "DVR15", "DVR16", "DVR17", "DVR18", "DVR19",
    /* 255 */ "DVR20",
};
// clang-format on
static_assert(std::size(kSpeechWords) == 256, "the controller speaks exactly 256 words");

// The code the controller's memory uses for the dash; the dash itself cannot be sent.
constexpr int kDashCode = 10;

const QHash<QString, int>& speechCodes() {
    static const QHash<QString, int> codes = [] {
        QHash<QString, int> h;
        const QStringList& words = speechVocabulary();
        h.reserve(words.size());
        for (int i = 0; i < words.size(); ++i)
            h.insert(words.at(i), i);
        return h;
    }();
    return codes;
}

// The word's three-digit code, or an empty text when it has none.
QString speechCode(QStringView token) {
    if (token.size() == 1 && token.at(0) >= u'0' && token.at(0) <= u'9')
        return u"00"_s.append(token);
    const auto& codes = speechCodes();
    const auto it = codes.constFind(token.toString());
    if (it == codes.constEnd())
        return {};
    return QStringLiteral("%1").arg(it.value(), 3, 10, QLatin1Char('0'));
}

// The CW token's two-digit sending code, or nullptr when it has none or is no CW token.
const char* cwCode(QStringView token) {
    for (const CwCharacter& c : cwCharacterSet()) {
        if (token == QLatin1String(c.token))
            return c.code;
    }
    return nullptr;
}

// A code text of decimal digits only (at most three, so it cannot overflow) as a number; -1
// for anything else.
int parseCode(QStringView code) {
    if (code.isEmpty() || code.size() > 3)
        return -1;
    int value = 0;
    for (QChar ch : code) {
        if (ch < u'0' || ch > u'9')
            return -1;
        value = value * 10 + (ch.unicode() - u'0');
    }
    return value;
}

// Runs `codeOf` over the blank-separated tokens of `text` and lays the codes out; tokens
// without a code (unknown words, empty tokens from doubled blanks) are left out.
template <typename CodeOf>
QString encodeTokens(QStringView text, CodeLayout layout, CodeOf codeOf) {
    QString out;
    for (QStringView token : text.split(u' ', Qt::SkipEmptyParts)) {
        const QString code = codeOf(token);
        if (code.isEmpty())
            continue;
        out += code;
        if (layout == CodeLayout::Dtmf)
            out += u' ';
    }
    return out;
}

// The DTMF digit of a nibble of a packed macro code; 0 is no digit.
QChar nibbleDigit(int nibble) {
    static constexpr std::array<char, 16> kDigits = {'\0', '1', '2', '3', '4', '5', '6', '7',
                                                     '8',  '9', '0', '*', '#', 'A', 'B', 'C'};
    return nibble > 0 && nibble < 16 ? QChar(QLatin1Char(kDigits[nibble])) : QChar();
}

// The nibble value of a DTMF digit; 0 when the digit cannot be packed (such as "D").
int digitNibble(QChar digit) {
    const char16_t c = digit.unicode();
    if (c >= u'1' && c <= u'9')
        return c - u'0';
    switch (c) {
    case u'0':
        return 10;
    case u'*':
        return 11;
    case u'#':
        return 12;
    case u'A':
        return 13;
    case u'B':
        return 14;
    case u'C':
        return 15;
    default:
        return 0;
    }
}

} // namespace

const QStringList& speechVocabulary() {
    static const QStringList words = [] {
        QStringList list;
        list.reserve(std::size(kSpeechWords));
        for (const char* w : kSpeechWords)
            list.append(QString::fromLatin1(w));
        return list;
    }();
    return words;
}

const QVector<CwCharacter>& cwCharacterSet() {
    // Letters by telephone keypad position: key, then the letter's place on the key.
    static const QVector<CwCharacter> set = {
        {"0", "00"},          {"1", "01"},    {"2", "02"},  {"3", "03"}, {"4", "04"}, {"5", "05"},
        {"6", "06"},          {"7", "07"},    {"8", "08"},  {"9", "09"}, {"A", "21"}, {"B", "22"},
        {"C", "23"},          {"D", "31"},    {"E", "32"},  {"F", "33"}, {"G", "41"}, {"H", "42"},
        {"I", "43"},          {"J", "51"},    {"K", "52"},  {"L", "53"}, {"M", "61"}, {"N", "62"},
        {"O", "63"},          {"P", "70"},    {"Q", "71"},  {"R", "72"}, {"S", "73"}, {"T", "81"},
        {"U", "82"},          {"V", "83"},    {"W", "91"},  {"X", "92"}, {"Y", "93"}, {"Z", "90"},
        {"WORD_SPACE", "11"}, {"/", "12"},    {"AR", "13"}, {",", "14"}, {"?", "20"}, {"SK", "60"},
        {"-", nullptr},       {".", nullptr},
    };
    return set;
}

bool isVocabularyWord(QStringView token) {
    if (token == u"NONE STORED" || token == u"NONE" || token == u"STORED")
        return true;
    return speechCodes().contains(token.toString());
}

bool checkCwChar(QStringView token) {
    for (const CwCharacter& c : cwCharacterSet()) {
        if (token == QLatin1String(c.token))
            return true;
    }
    return false;
}

QString encodeSpeechWords(QStringView text, CodeLayout layout) {
    return encodeTokens(text, layout, speechCode);
}

QString encodeCwCharacters(QStringView text, CodeLayout layout) {
    return encodeTokens(text, layout, [](QStringView token) {
        const char* code = cwCode(token);
        return code ? QString::fromLatin1(code) : QString();
    });
}

QString speechCodeToWord(QStringView code) {
    const int value = parseCode(code);
    const QStringList& words = speechVocabulary();
    return value >= 0 && value < words.size() ? words.at(value) : QString();
}

QString cwCodeToChar(QStringView code) {
    const int value = parseCode(code);
    if (value < 0)
        return {};
    if (value == kDashCode)
        return u"-"_s;
    for (const CwCharacter& c : cwCharacterSet()) {
        if (c.code && (c.code[0] - '0') * 10 + (c.code[1] - '0') == value)
            return QString::fromLatin1(c.token);
    }
    return {};
}

QString decodePackedDigits(const QByteArray& bytes) {
    QString digits;
    for (qsizetype i = 0; i < qMin<qsizetype>(bytes.size(), 4); ++i) {
        const auto byte = static_cast<unsigned char>(bytes.at(i));
        for (int nibble : {byte & 0x0F, byte >> 4}) {
            const QChar digit = nibbleDigit(nibble);
            if (!digit.isNull())
                digits += digit;
        }
    }
    return digits;
}

QByteArray encodePackedDigits(QStringView digits) {
    std::array<unsigned char, 4> packed{};
    std::size_t count = 0;
    for (QChar ch : digits) {
        if (count == 2 * packed.size())
            break;
        const int nibble = digitNibble(ch);
        if (nibble == 0)
            continue;
        packed[count / 2] |= static_cast<unsigned char>(count % 2 == 0 ? nibble : nibble << 4);
        ++count;
    }
    return QByteArray(reinterpret_cast<const char*>(packed.data()),
                      static_cast<qsizetype>(packed.size()));
}

QString normalizeSpaces(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QStringView token : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!out.isEmpty())
            out += u' ';
        out += token;
    }
    return out;
}

} // namespace kovo
