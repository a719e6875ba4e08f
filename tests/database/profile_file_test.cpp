#include "database/profile_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using kovo::ProfileFile;

namespace {

QByteArray bytes(const char* text) {
    return QByteArray(text);
}

TEST(ProfileFile, ReadsWithWindowsProfileRules) {
    const ProfileFile file = ProfileFile::fromBytes(bytes("[Timers]\r\n"
                                                          "HangTime(1) = 30 \r\n"
                                                          "hangtime(1)=99\r\n"
                                                          "Empty=\r\n"
                                                          "Placeholder=Default\r\n"
                                                          "Lower=default\r\n"
                                                          "; Comment=1\r\n"
                                                          "NoEquals\r\n"
                                                          "[ Other ]\n"
                                                          "Key=unix line\n"));
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"Timers", "HangTime(1)", "30"}, // trimmed, first of duplicates wins
        {"TIMERS", "HANGTIME(1)", "30"}, // sections and keys without regard to case
        {"Timers", "Empty", ""},         // empty value
        {"Timers", "Placeholder", ""},   // "Default" reads as empty
        {"Timers", "Lower", "default"},  // only the exact text "Default"
        {"Timers", "; Comment", ""},     // comment lines are not keys
        {"Timers", "NoEquals", ""},      // a line without "=" is not a key
        {"Timers", "Missing", ""},       // missing key
        {"Nowhere", "HangTime(1)", ""},  // missing section
        {"other", "key", "unix line"},   // LF line endings, blanks around the section name
    };
    for (const Case& c : cases) {
        EXPECT_EQ(file.read(QLatin1String(c.section), QLatin1String(c.key)),
                  QLatin1String(c.expected))
            << c.section << "/" << c.key;
    }
}

TEST(ProfileFile, ValueIsCutTo254Characters) {
    const QByteArray longValue(300, 'x');
    const ProfileFile file = ProfileFile::fromBytes("[S]\r\nK=" + longValue + "\r\n");
    EXPECT_EQ(file.read(u"S", u"K").size(), 254);
}

TEST(ProfileFile, WritesInPlaceAndKeepsForeignLinesByteForByte) {
    const QByteArray original = "; written by hand\r\n"
                                "[Timers]\r\n"
                                "HangTime(1)=50\r\n"
                                "Foreign=keep me  \r\n"
                                "\r\n"
                                "[Extra]\r\n"
                                "x=\xe9t\xe9\r\n";
    ProfileFile file = ProfileFile::fromBytes(original);
    file.write(u"timers", u"HANGTIME(1)", QStringLiteral("30")); // replaced in place
    file.write(u"Timers", u"TimeOut(1)", QStringLiteral("180")); // new key, end of section
    file.write(u"New", u"Key", QStringLiteral("v"));             // new section, end of file
    EXPECT_EQ(file.toBytes(), QByteArray("; written by hand\r\n"
                                         "[Timers]\r\n"
                                         "HangTime(1)=30\r\n"
                                         "Foreign=keep me  \r\n"
                                         "TimeOut(1)=180\r\n"
                                         "\r\n"
                                         "[Extra]\r\n"
                                         "x=\xe9t\xe9\r\n"
                                         "[New]\r\n"
                                         "Key=v\r\n"));
    EXPECT_EQ(file.read(u"Extra", u"x"), QString::fromLatin1("\xe9t\xe9"));
}

TEST(ProfileFile, LfFileIsWrittenWithCrLf) {
    ProfileFile file = ProfileFile::fromBytes("[A]\nk=1\n");
    file.write(u"A", u"k", QStringLiteral("2"));
    EXPECT_EQ(file.toBytes(), QByteArray("[A]\r\nk=2\r\n"));
}

TEST(ProfileFile, SaveReplacesTheFileAndFailsCleanly) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    EXPECT_TRUE(kovo::writeIni(u"Main", u"ComPort", QStringLiteral("3"), path));
    EXPECT_TRUE(kovo::writeIni(u"Main", u"TxTemp", QStringLiteral("200"), path));
    EXPECT_EQ(kovo::readIni(u"main", u"comport", path), QStringLiteral("3"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[Main]\r\nComPort=3\r\nTxTemp=200\r\n"));

    QString error;
    const ProfileFile doc = ProfileFile::load(path);
    EXPECT_FALSE(doc.save(dir.filePath(QStringLiteral("missing/folder/a.ini")), &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
