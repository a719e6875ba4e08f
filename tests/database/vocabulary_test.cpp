#include "database/vocabulary.h"

#include <QSet>
#include <gtest/gtest.h>

namespace kovo {
namespace {

QString L(const char* text) {
    return QString::fromLatin1(text);
}

// The controller's own order has irregular places (A.M. after AVERAGE, the two THEs and USEs, the
// recorder tracks at the end): each word there is coded and decoded at its place.
TEST(Vocabulary, CodesWordsInTheControllersOrder) {
    const QStringList& words = speechVocabulary();
    ASSERT_EQ(words.size(), 256);
    EXPECT_EQ(QSet<QString>(words.begin(), words.end()).size(), 256) << "words must be distinct";
    // Runs of words from a code on.
    const std::pair<int, const char*> runs[] = {{0, "ZERO"},
                                                {22, "FOURTY"},
                                                {29, "THOUSAND A"},
                                                {55, "Z ABOVE"},
                                                {72, "AVERAGE A.M. BAND"},
                                                {150, "MILES_PER_HOUR"},
                                                {183, "PROGRAM P.M. RADIO"},
                                                {204, "THANK_YOU THE(LONG) THE(SHORT) THE_TIME_IS"},
                                                {221, "USE(NOUN) USE(VERB)"},
                                                {233, "ZULU -S(MAKES_PLURAL) SILENCE(PAUSE) DVR1"},
                                                {245, "DVR10"},
                                                {255, "DVR20"}};
    for (const auto& [first, run] : runs) {
        int code = first;
        for (const QString& word : L(run).split(u' ')) {
            EXPECT_EQ(words.at(code), word) << "code " << code;
            EXPECT_EQ(encodeSpeechWords(word, CodeLayout::Serial),
                      QString::number(code).rightJustified(3, u'0'));
            EXPECT_EQ(speechCodeToWord(QString::number(code++)), word);
        }
    }
    for (const char* code : {"256", "", "-1", "1000", "A", "23 "})
        EXPECT_EQ(speechCodeToWord(L(code)), QString()) << code;

    // Words are matched exactly.
    const std::pair<const char*, bool> checks[] = {
        {"THANK_YOU", true},   {"thank_you", false}, {"THANK", false},
        {"NONE STORED", true}, {"NONE", true},       {"STORED", true},
        {"none", false},       {"", false},          {" A", false},
        {"A.M.", true},        {"AM", false},        {"DVR20", true},
        {"DVR21", false},      {"5", false},         {"-S(MAKES_PLURAL)", true}};
    for (const auto& [token, valid] : checks)
        EXPECT_EQ(isVocabularyWord(L(token)), valid) << '"' << token << '"';
}

TEST(Vocabulary, EncodesWordAndCwListsForBothLinks) {
    struct Case {
        bool cw;
        const char* text;
        const char* serial;
        const char* dtmf;
    };
    const Case cases[] = {
        {false, "5", "005", "005 "},
        {false, "FIVE", "005", "005 "},
        {false, "0 9", "000009", "000 009 "},
        {false, "THIS IS A.M.", "208132073", "208 132 073 "},
        // Tokens outside the table and empty tokens are left out; the rest still encodes.
        {false, "HELLO BOGUS WORLD ZULU", "124233", "124 233 "},
        {false, "  A  B ", "030031", "030 031 "},
        {false, "NONE STORED", "", ""},
        {false, "10", "", ""},
        {true, "P Z WORD_SPACE SK ? , AR /", "7090116020141312", "70 90 11 60 20 14 13 12 "},
        {true, "0 5 9", "000509", "00 05 09 "},
        // No sending code for the dash and the period.
        {true, "A - . E", "2132", "21 32 "},
        {true, " A  WORD E", "2132", "21 32 "},
        {true, "", "", ""}};
    for (const Case& c : cases) {
        const auto encode = c.cw ? encodeCwCharacters : encodeSpeechWords;
        EXPECT_EQ(encode(L(c.text), CodeLayout::Serial), L(c.serial)) << c.text;
        EXPECT_EQ(encode(L(c.text), CodeLayout::Dtmf), L(c.dtmf)) << c.text;
    }
}

TEST(CwTable, ChecksDecodesAndRoundTrips) {
    const std::pair<const char*, bool> checks[] = {
        {"X", true},  {"0", true},   {"WORD_SPACE", true}, {"/", true}, {"-", true},
        {".", true},  {",", true},   {"AR", true},         {"?", true}, {"WORD", false},
        {"x", false}, {"10", false}, {"", false},          {"!", false}};
    for (const auto& [token, valid] : checks)
        EXPECT_EQ(checkCwChar(L(token)), valid) << '"' << token << '"';
    const std::pair<const char*, const char*> decodes[] = {
        {"10", "-"}, {"92", "X"}, {"", ""},   {"0", "0"}, {"9", "9"},  {"21", "A"},
        {"90", "Z"}, {"70", "P"}, {"24", ""}, {"99", ""}, {"255", ""}, {"X", ""}};
    for (const auto& [code, token] : decodes)
        EXPECT_EQ(cwCodeToChar(L(code)), L(token)) << code;

    // Every sendable token decodes back from its code; all codes are distinct.
    QSet<QString> codes;
    for (const CwCharacter& c : cwCharacterSet()) {
        ASSERT_TRUE(checkCwChar(L(c.token))) << c.token;
        if (!c.code)
            continue;
        EXPECT_FALSE(codes.contains(L(c.code))) << c.code;
        codes.insert(L(c.code));
        EXPECT_EQ(cwCodeToChar(QString::number(L(c.code).toInt())), L(c.token)) << c.code;
    }
    EXPECT_EQ(codes.size(), 42);
}

TEST(PackedDigits, DecodesAndEncodes) {
    const std::pair<const char*, const char*> decodes[] = {
        {"21CB0000", "12*#"}, {"A9", "90"}, {"DCFE", "#ABC"},          {"10", "1"}, {"02", "2"},
        {"00000000", ""},     {"", ""},     {"2143658721", "12345678"}}; // a fifth byte is ignored
    for (const auto& [hex, digits] : decodes)
        EXPECT_EQ(decodePackedDigits(QByteArray::fromHex(hex)), L(digits)) << hex;

    const std::tuple<const char*, const char*, const char*> encodes[] = {
        {"12*#", "21cb0000", "12*#"}, {"1234567890", "21436587", "12345678"},
        {"0ABC", "dafe0000", "0ABC"}, {"1D 2", "21000000", "12"},
        {"", "00000000", ""},         {"*", "0b000000", "*"}};
    for (const auto& [digits, hex, back] : encodes) {
        const QByteArray packed = encodePackedDigits(L(digits));
        EXPECT_EQ(packed.toHex(), QByteArray(hex)) << digits;
        EXPECT_EQ(decodePackedDigits(packed), L(back)) << digits;
    }
    for (const auto& [in, out] : std::initializer_list<std::pair<const char*, const char*>>{
             {"  HELLO   WORLD  ", "HELLO WORLD"}, {"    ", ""}, {"A     B  C", "A B C"}})
        EXPECT_EQ(normalizeSpaces(L(in)), L(out)) << in;
}

} // namespace
} // namespace kovo
