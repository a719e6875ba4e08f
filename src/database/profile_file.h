#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

namespace kovo {

// An INI document with the rules of Windows profile files, held in memory.
//
// Reading follows the Windows profile API: a UTF-8 byte-order mark and UTF-16 LE/BE files with
// their mark are read, other files are Latin-1 byte for byte; CR, LF and CRLF each end a line;
// blanks, tabs, 0x0B, 0x0C and 0x1A around a line, a key or a value are trimmed; a value stops at
// NUL; matching single or double quotes around a value are stripped; a key line without "=" is
// that key with an empty value. Sections and keys match without regard to letter case; the first
// of duplicate keys wins; a value read back is cut to 254 characters; a missing key and the value
// "Default" both read as empty text.
//
// Writing a key replaces its value in place, adds a missing key at the end of its section and a
// missing section at the end of the document; every line the program does not write stays as it
// was. The document is written with CRLF in the encoding it was read in; one that could not be
// decoded exactly, or a value the encoding cannot hold, makes save() refuse.
class ProfileFile {
public:
    enum class Encoding { Latin1, Utf8, Utf16LittleEndian, Utf16BigEndian };

    ProfileFile() = default;

    // Reads `path`; a missing or unreadable file gives an empty document (ok() tells which).
    static ProfileFile load(const QString& path);
    static ProfileFile fromBytes(const QByteArray& bytes);

    // False when the file existed but could not be read; a missing file is ok and empty.
    bool ok() const { return m_ok; }
    bool existed() const { return m_existed; }
    // False when the bytes are not exactly what their encoding makes of them (a broken UTF-8 or
    // UTF-16 sequence): such a document is read, but never written back.
    bool clean() const { return m_clean; }
    Encoding encoding() const { return m_encoding; }

    QString read(QAnyStringView section, QAnyStringView key) const;
    // Fast paths for callers that read or write many keys: the section's position (or -1) and
    // keys already in Latin-1, the folded form lower-cased.
    int sectionIndex(QAnyStringView section) const;
    QString read(int sectionIndex, const QByteArray& keyFold) const;
    bool contains(QAnyStringView section, QAnyStringView key) const;
    void write(QAnyStringView section, QAnyStringView key, const QString& value);

    QByteArray toBytes() const;
    // Writes the whole document at once through a temporary file and checks every byte of it:
    // the file on disk is either the old one or the new one. On failure returns false and sets
    // *error (when given) to the reason.
    bool save(const QString& path, QString* error = nullptr) const;

private:
    struct Line {
        QByteArray raw;      // the line as read (Latin-1 or UTF-8), without its line ending
        QByteArray keyFold;  // lower-cased key for key lines, empty otherwise
        int valueStart = -1; // just after "="; -1 for a key line without one
    };
    struct Section {
        QByteArray nameFold;             // lower-cased; empty for lines before the first header
        QVector<Line> lines;             // the header line first (absent for the leading block)
        QHash<QByteArray, int> firstKey; // lower-cased key -> its first line
        bool hasHeader = false;
    };

    const Section* findSection(QAnyStringView section) const;
    Section* findSection(QAnyStringView section);
    static void addLine(Section& section, const QByteArray& raw);
    QByteArray encodeText(const QString& text);
    QString decodeText(const QByteArray& text) const;

    QVector<Section> m_sections;
    Encoding m_encoding = Encoding::Latin1;
    bool m_ok = true;
    bool m_existed = false;
    bool m_clean = true;
    bool m_unencodable = false; // a value written that the file's encoding cannot hold
};

// One key operation on a file, as the profile-string calls do: read the file, then read or
// write the one key. writeIni rewrites the whole file atomically and returns false on failure.
QString readIni(QAnyStringView section, QAnyStringView key, const QString& file);
bool writeIni(QAnyStringView section, QAnyStringView key, const QString& value,
              const QString& file);

} // namespace kovo
