#include "profile_file.h"

#include <QFile>
#include <QSaveFile>

namespace kovo {
namespace {

// The longest value the profile-string calls hand back (a 255-character buffer with its NUL).
constexpr int MaxValueLength = 254;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray trimBlanks(const QByteArray& bytes) {
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes.at(begin)))
        ++begin;
    while (end > begin && isBlank(bytes.at(end - 1)))
        --end;
    return bytes.mid(begin, end - begin);
}

QByteArray foldKey(QAnyStringView text) {
    return trimBlanks(text.toString().toLatin1()).toLower();
}

// "[Name]" -> "Name"; empty (and *isHeader false) for other lines.
QByteArray sectionName(const QByteArray& line, bool* isHeader) {
    const QByteArray trimmed = trimBlanks(line);
    *isHeader = trimmed.startsWith('[');
    if (!*isHeader)
        return {};
    qsizetype close = trimmed.indexOf(']');
    if (close < 0)
        close = trimmed.size();
    return trimBlanks(trimmed.mid(1, close - 1));
}

} // namespace

void ProfileFile::addLine(Section& section, const QByteArray& raw) {
    Line line;
    line.raw = raw;
    const qsizetype equals = raw.indexOf('=');
    const QByteArray trimmed = trimBlanks(raw);
    if (equals > 0 && !trimmed.startsWith(';')) {
        line.keyFold = trimBlanks(raw.left(equals)).toLower();
        line.valueStart = static_cast<int>(equals + 1);
        if (!line.keyFold.isEmpty() && !section.firstKey.contains(line.keyFold))
            section.firstKey.insert(line.keyFold, static_cast<int>(section.lines.size()));
    }
    section.lines.append(line);
}

ProfileFile ProfileFile::fromBytes(const QByteArray& bytes) {
    ProfileFile document;
    document.m_sections.append(Section{}); // the lines before the first header
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        qsizetype lineEnd = end;
        if (lineEnd > start && bytes.at(lineEnd - 1) == '\r')
            --lineEnd;
        const QByteArray raw = bytes.mid(start, lineEnd - start);
        bool isHeader = false;
        const QByteArray name = sectionName(raw, &isHeader);
        if (isHeader) {
            Section section;
            section.nameFold = name.toLower();
            section.hasHeader = true;
            Line header;
            header.raw = raw;
            section.lines.append(header);
            document.m_sections.append(section);
        } else {
            addLine(document.m_sections.last(), raw);
        }
        start = end + 1;
    }
    return document;
}

ProfileFile ProfileFile::load(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return fromBytes({});
    if (!file.open(QIODevice::ReadOnly)) {
        ProfileFile document = fromBytes({});
        document.m_ok = false;
        document.m_existed = true;
        return document;
    }
    ProfileFile document = fromBytes(file.readAll());
    document.m_existed = true;
    return document;
}

const ProfileFile::Section* ProfileFile::findSection(QAnyStringView section) const {
    const QByteArray fold = foldKey(section);
    for (const Section& candidate : m_sections) {
        if (candidate.hasHeader && candidate.nameFold == fold)
            return &candidate;
    }
    return nullptr;
}

ProfileFile::Section* ProfileFile::findSection(QAnyStringView section) {
    return const_cast<Section*>(std::as_const(*this).findSection(section));
}

bool ProfileFile::contains(QAnyStringView section, QAnyStringView key) const {
    const Section* found = findSection(section);
    return found && found->firstKey.contains(foldKey(key));
}

int ProfileFile::sectionIndex(QAnyStringView section) const {
    const Section* found = findSection(section);
    return found ? static_cast<int>(found - m_sections.constData()) : -1;
}

QString ProfileFile::read(QAnyStringView section, QAnyStringView key) const {
    return read(sectionIndex(section), foldKey(key));
}

QString ProfileFile::read(int sectionIndex, const QByteArray& keyFold) const {
    if (sectionIndex < 0)
        return {};
    const Section& found = m_sections.at(sectionIndex);
    const auto at = found.firstKey.constFind(keyFold);
    if (at == found.firstKey.cend())
        return {};
    const Line& line = found.lines.at(at.value());
    const QByteArray value = trimBlanks(line.raw.mid(line.valueStart)).left(MaxValueLength);
    if (value == "Default")
        return {};
    return QString::fromLatin1(value);
}

void ProfileFile::write(QAnyStringView section, QAnyStringView key, const QString& value) {
    const QByteArray keyText = trimBlanks(key.toString().toLatin1());
    const QByteArray raw = keyText + '=' + value.toLatin1();
    Section* found = findSection(section);
    if (!found) {
        Section added;
        added.nameFold = foldKey(section);
        added.hasHeader = true;
        Line header;
        header.raw = '[' + trimBlanks(section.toString().toLatin1()) + ']';
        added.lines.append(header);
        m_sections.append(added);
        found = &m_sections.last();
    }
    const QByteArray keyFold = keyText.toLower();
    const auto at = found->firstKey.constFind(keyFold);
    if (at != found->firstKey.cend()) {
        // The key keeps its spelling in the file; only the value changes.
        Line& line = found->lines[at.value()];
        line.raw = line.raw.left(line.valueStart) + value.toLatin1();
        return;
    }
    // A new key goes after the last key line of its section, before trailing blanks/comments.
    qsizetype insertAt = found->hasHeader ? 1 : 0;
    for (qsizetype i = found->lines.size() - 1; i >= insertAt; --i) {
        if (!found->lines.at(i).keyFold.isEmpty()) {
            insertAt = i + 1;
            break;
        }
    }
    Line line;
    line.raw = raw;
    line.keyFold = keyFold;
    line.valueStart = static_cast<int>(keyText.size() + 1);
    if (insertAt == found->lines.size()) {
        found->firstKey.insert(keyFold, static_cast<int>(insertAt));
        found->lines.append(line);
        return;
    }
    found->lines.insert(insertAt, line);
    for (auto it = found->firstKey.begin(); it != found->firstKey.end(); ++it) {
        if (it.value() >= insertAt)
            ++it.value();
    }
    found->firstKey.insert(keyFold, static_cast<int>(insertAt));
}

QByteArray ProfileFile::toBytes() const {
    QByteArray bytes;
    for (const Section& section : m_sections) {
        for (const Line& line : section.lines) {
            bytes += line.raw;
            bytes += "\r\n";
        }
    }
    return bytes;
}

bool ProfileFile::save(const QString& path, QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.write(toBytes());
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QString readIni(QAnyStringView section, QAnyStringView key, const QString& file) {
    return ProfileFile::load(file).read(section, key);
}

bool writeIni(QAnyStringView section, QAnyStringView key, const QString& value,
              const QString& file) {
    ProfileFile document = ProfileFile::load(file);
    if (!document.ok())
        return false;
    document.write(section, key, value);
    return document.save(file);
}

} // namespace kovo
