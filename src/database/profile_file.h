#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

namespace kovo {

// An INI document with the rules of Windows profile files, held in memory.
//
// Sections and keys match without regard to letter case; the first of duplicate keys wins; a
// value read back is trimmed and cut to 254 characters; a missing key and the value "Default"
// both read as empty text. Writing a key replaces its value in place, adds a missing key at the
// end of its section and a missing section at the end of the document; every line the program
// does not write stays byte for byte. Files are read as Latin-1 with either line ending and
// written with CRLF.
class ProfileFile {
public:
    ProfileFile() = default;

    // Reads `path`; a missing or unreadable file gives an empty document (ok() tells which).
    static ProfileFile load(const QString& path);
    static ProfileFile fromBytes(const QByteArray& bytes);

    // False when the file existed but could not be read; a missing file is ok and empty.
    bool ok() const { return m_ok; }
    bool existed() const { return m_existed; }

    QString read(QAnyStringView section, QAnyStringView key) const;
    // Fast paths for callers that read or write many keys: the section's position (or -1) and
    // keys already in Latin-1, the folded form lower-cased.
    int sectionIndex(QAnyStringView section) const;
    QString read(int sectionIndex, const QByteArray& keyFold) const;
    bool contains(QAnyStringView section, QAnyStringView key) const;
    void write(QAnyStringView section, QAnyStringView key, const QString& value);

    QByteArray toBytes() const;
    // Writes the whole document at once through a temporary file: the file on disk is either
    // the old one or the new one. On failure returns false and sets *error (when given).
    bool save(const QString& path, QString* error = nullptr) const;

private:
    struct Line {
        QByteArray raw;     // the line as read, without its line ending
        QByteArray keyFold; // lower-cased key for key lines, empty otherwise
        int valueStart = -1;
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

    QVector<Section> m_sections;
    bool m_ok = true;
    bool m_existed = false;
};

// One key operation on a file, as the profile-string calls do: read the file, then read or
// write the one key. writeIni rewrites the whole file atomically and returns false on failure.
QString readIni(QAnyStringView section, QAnyStringView key, const QString& file);
bool writeIni(QAnyStringView section, QAnyStringView key, const QString& value,
              const QString& file);

} // namespace kovo
