#include "database/vocabulary.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

QString L(const char* text) {
    return QString::fromLatin1(text);
}

TEST(Vocabulary, HoldsTheControllersWordsInItsOwnOrder) {
    const QStringList& words = speechVocabulary();
    ASSERT_EQ(words.size(), 256);
    EXPECT_EQ(QSet<QString>(words.begin(), words.end()).size(), 256) << "words must be distinct";

    struct Case {
        int code;
        const char* word;
    };
    const Case cases[] = {{0, "ZERO"},
                          {22, "FOURTY"},
                          {29, "THOUSAND"},
                          {30, "A"},
                          {55, "Z"},
                          {56, "ABOVE"},
                          {72, "AVERAGE"},
                          {73, "A.M."},
                          {74, "BAND"},
                          {150, "MILES_PER_HOUR"},
                          {183, "PROGRAM"},
                          {184, "P.M."},
                          {185, "RADIO"},
                          {204, "THANK_YOU"},
                          {205, "THE(LONG)"},
                          {206, "THE(SHORT)"},
                          {207, "THE_TIME_IS"},
                          {221, "USE(NOUN)"},
                          {222, "USE(VERB)"},
                          {233, "ZULU"},
                          {234, "-S(MAKES_PLURAL)"},
                          {235, "SILENCE(PAUSE)"},
                          {236, "DVR1"},
                          {245, "DVR10"},
                          {255, "DVR20"}};
    for (const Case& c : cases) {
        EXPECT_EQ(words.at(c.code), L(c.word)) << "code " << c.code;
        const QString code = QString::number(c.code).rightJustified(3, u'0');
        EXPECT_EQ(encodeSpeechWords(L(c.word), CodeLayout::Serial), code) << c.word;
        EXPECT_EQ(speechCodeToWord(QString::number(c.code)), L(c.word));
    }
    for (const char* code : {"256", "", "-1", "1000", "A", "23 "})
        EXPECT_EQ(speechCodeToWord(L(code)), QString()) << code;
}

TEST(Vocabulary, ChecksWordsExactly) {
    struct Case {
        const char* token;
        bool valid;
    };
    const Case cases[] = {
        {"THANK_YOU", true},    {"THE_TIME_IS", true}, {"thank_you", false},
        {"the_time_is", false}, {"THANK", false},      {"YOU", false},
        {"NONE STORED", true},  {"NONE", true},        {"STORED", true},
        {"none", false},        {"", false},           {" A", false},
        {"A.M.", true},         {"AM", false},         {"DVR20", true},
        {"DVR21", false},       {"5", false},          {"-S(MAKES_PLURAL)", true}};
    for (const Case& c : cases)
        EXPECT_EQ(isVocabularyWord(L(c.token)), c.valid) << '"' << c.token << '"';
}

TEST(Vocabulary, EncodesWordLists) {
    struct Case {
        const char* text;
        const char* serial;
        const char* dtmf;
    };
    const Case cases[] = {
        {"5", "005", "005 "},
        {"FIVE", "005", "005 "},
        {"0 9", "000009", "000 009 "},
        {"A B", "030031", "030 031 "},
        {"DVR20 SILENCE(PAUSE)", "255235", "255 235 "},
        {"THIS IS A.M.", "208132073", "208 132 073 "},
        // Tokens outside the table and empty tokens are left out; the rest still encodes.
        {"HELLO BOGUS WORLD ZULU", "124233", "124 233 "},
        {"  A  B ", "030031", "030 031 "},
        {"hello", "", ""},
        {"NONE STORED", "", ""},
        {"10", "", ""},
        {"", "", ""}};
    for (const Case& c : cases) {
        const QString text = L(c.text);
        EXPECT_EQ(encodeSpeechWords(text, CodeLayout::Serial), L(c.serial)) << c.text;
        EXPECT_EQ(encodeSpeechWords(text, CodeLayout::Dtmf), L(c.dtmf)) << c.text;
    }
}

TEST(CwTable, ChecksAndEncodesCharacters) {
    struct Case {
        const char* token;
        bool valid;
    };
    const Case checks[] = {{"X", true},  {"0", true},   {"9", true}, {"WORD_SPACE", true},
                           {"/", true},  {"-", true},   {".", true}, {",", true},
                           {"AR", true}, {"SK", true},  {"?", true}, {"WORD", false},
                           {"x", false}, {"10", false}, {"", false}, {"!", false}};
    for (const Case& c : checks)
        EXPECT_EQ(checkCwChar(L(c.token)), c.valid) << '"' << c.token << '"';

    struct Encode {
        const char* text;
        const char* serial;
        const char* dtmf;
    };
    const Encode encodes[] = {
        {"A E", "2132", "21 32 "},
        {"P Z WORD_SPACE SK ? , AR /", "7090116020141312", "70 90 11 60 20 14 13 12 "},
        {"0 5 9", "000509", "00 05 09 "},
        // No sending code for the dash and the period; unknown and empty tokens are left out.
        {"A - . E", "2132", "21 32 "},
        {" A  WORD E", "2132", "21 32 "},
        {"", "", ""}};
    for (const Encode& c : encodes) {
        const QString text = L(c.text);
        EXPECT_EQ(encodeCwCharacters(text, CodeLayout::Serial), L(c.serial)) << c.text;
        EXPECT_EQ(encodeCwCharacters(text, CodeLayout::Dtmf), L(c.dtmf)) << c.text;
    }
}

TEST(CwTable, DecodesCodesAndRoundTrips) {
    const struct {
        const char* code;
        const char* token;
    } cases[] = {{"10", "-"}, {"92", "X"}, {"", ""},    {"0", "0"},           {"9", "9"},
                 {"21", "A"}, {"90", "Z"}, {"70", "P"}, {"11", "WORD_SPACE"}, {"60", "SK"},
                 {"20", "?"}, {"24", ""},  {"99", ""},  {"255", ""},          {"X", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(cwCodeToChar(L(c.code)), L(c.token)) << c.code;

    // Every sendable token decodes back from its code; all codes are distinct.
    QSet<QString> codes;
    for (const CwCharacter& c : cwCharacterSet()) {
        ASSERT_TRUE(checkCwChar(L(c.token))) << c.token;
        if (!c.code)
            continue;
        const QString code = L(c.code);
        EXPECT_TRUE(!codes.contains(code)) << c.code;
        codes.insert(code);
        EXPECT_EQ(cwCodeToChar(QString::number(code.toInt())), L(c.token)) << c.code;
    }
    EXPECT_EQ(codes.size(), 42);
}

TEST(PackedDigits, DecodesAndEncodes) {
    struct Case {
        QByteArray bytes;
        const char* digits;
    };
    const Case cases[] = {
        {QByteArray::fromHex("21CB0000"), "12*#"},
        {QByteArray::fromHex("A9"), "90"},
        {QByteArray::fromHex("DCFE"), "#ABC"},
        {QByteArray::fromHex("10"), "1"},
        {QByteArray::fromHex("02"), "2"},
        {QByteArray::fromHex("00000000"), ""},
        {QByteArray::fromHex("2143658721"), "12345678"}, // a fifth byte is ignored
        {QByteArray(), ""}};
    for (const Case& c : cases)
        EXPECT_EQ(decodePackedDigits(c.bytes), L(c.digits)) << c.bytes.toHex().data();

    const struct {
        const char* digits;
        const char* hex;
        const char* back;
    } encodes[] = {{"12*#", "21cb0000", "12*#"}, {"1234567890", "21436587", "12345678"},
                   {"0ABC", "dafe0000", "0ABC"}, {"1D 2", "21000000", "12"},
                   {"", "00000000", ""},         {"*", "0b000000", "*"}};
    for (const auto& c : encodes) {
        const QByteArray packed = encodePackedDigits(L(c.digits));
        EXPECT_EQ(packed.toHex(), QByteArray(c.hex)) << c.digits;
        EXPECT_EQ(decodePackedDigits(packed), L(c.back)) << c.digits;
    }
}

TEST(NormalizeSpaces, TrimsAndFoldsBlanks) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"  HELLO   WORLD  ", "HELLO WORLD"},
                 {"A B", "A B"},
                 {"    ", ""},
                 {"", ""},
                 {"A     B  C", "A B C"}};
    for (const auto& c : cases)
        EXPECT_EQ(normalizeSpaces(L(c.in)), L(c.out)) << c.in;
}

} // namespace
} // namespace kovo
