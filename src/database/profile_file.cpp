#include "profile_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace kovo {
namespace {

// The longest value the profile-string calls hand back (a 255-character buffer with its NUL).
constexpr int MaxValueLength = 254;
constexpr int BufferLength = MaxValueLength + 1;

const QByteArray Utf8Mark = QByteArrayLiteral("\xEF\xBB\xBF");
const QByteArray Utf16LittleEndianMark = QByteArrayLiteral("\xFF\xFE");
const QByteArray Utf16BigEndianMark = QByteArrayLiteral("\xFE\xFF");

// What the profile calls trim around lines, keys and values: tab to carriage return, blank,
// and the DOS end-of-file mark.
bool isBlank(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0x1A;
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

QByteArray untilNul(const QByteArray& bytes) {
    const qsizetype nul = bytes.indexOf('\0');
    return nul < 0 ? bytes : bytes.left(nul);
}

// Letter case is folded for ASCII only: bytes of other text stay what they are.
QByteArray foldAscii(const QByteArray& bytes) {
    QByteArray folded = bytes;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

QByteArray foldKey(QAnyStringView text) {
    return foldAscii(trimBlanks(text.toString().toLatin1()));
}

QStringConverter::Encoding utf16Of(ProfileFile::Encoding encoding) {
    return encoding == ProfileFile::Encoding::Utf16BigEndian ? QStringConverter::Utf16BE
                                                             : QStringConverter::Utf16LE;
}

const char* encodingName(ProfileFile::Encoding encoding) {
    switch (encoding) {
    case ProfileFile::Encoding::Latin1:
        return "Latin-1";
    case ProfileFile::Encoding::Utf8:
        return "UTF-8";
    case ProfileFile::Encoding::Utf16LittleEndian:
        return "UTF-16 LE";
    case ProfileFile::Encoding::Utf16BigEndian:
        return "UTF-16 BE";
    }
    return "";
}

} // namespace

void ProfileFile::addLine(Section& section, const QByteArray& raw) {
    Line line;
    line.raw = raw;
    const qsizetype equals = raw.indexOf('=');
    const QByteArray key = untilNul(trimBlanks(equals < 0 ? raw : raw.left(equals)));
    if (!key.isEmpty()) {
        line.keyFold = foldAscii(key);
        line.valueStart = equals < 0 ? -1 : static_cast<int>(equals + 1);
        if (!section.firstKey.contains(line.keyFold))
            section.firstKey.insert(line.keyFold, static_cast<int>(section.lines.size()));
    }
    section.lines.append(line);
}

ProfileFile ProfileFile::fromBytes(const QByteArray& bytes) {
    ProfileFile document;
    // Lines are held as Latin-1 bytes for plain files and as UTF-8 for the others.
    QByteArray text = bytes;
    if (bytes.startsWith(Utf8Mark)) {
        document.m_encoding = Encoding::Utf8;
        text = bytes.mid(Utf8Mark.size());
        document.m_clean = QString::fromUtf8(text).toUtf8() == text;
    } else if (bytes.startsWith(Utf16LittleEndianMark) || bytes.startsWith(Utf16BigEndianMark)) {
        document.m_encoding = bytes.startsWith(Utf16LittleEndianMark) ? Encoding::Utf16LittleEndian
                                                                      : Encoding::Utf16BigEndian;
        const QByteArray body = bytes.mid(2);
        QStringDecoder decoder(utf16Of(document.m_encoding),
                               QStringConverter::Flag::ConvertInitialBom);
        const QString decoded = decoder.decode(body);
        QStringEncoder encoder(utf16Of(document.m_encoding));
        const QByteArray again = encoder.encode(decoded);
        document.m_clean = !decoder.hasError() && again == body;
        text = decoded.toUtf8();
    }

    document.m_sections.append(Section{}); // the lines before the first header
    const qsizetype size = text.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        while (end < size && text.at(end) != '\n' && text.at(end) != '\r')
            ++end;
        const QByteArray raw = text.mid(start, end - start);
        start = end + (text.mid(end, 2) == "\r\n" ? 2 : 1);

        const QByteArray trimmed = trimBlanks(raw);
        const qsizetype close = trimmed.startsWith('[') ? trimmed.lastIndexOf(']') : -1;
        if (close > 0) {
            Section section;
            section.nameFold = foldAscii(trimmed.mid(1, close - 1));
            section.hasHeader = true;
            Line header;
            header.raw = raw;
            section.lines.append(header);
            document.m_sections.append(section);
        } else {
            addLine(document.m_sections.last(), raw);
        }
    }
    return document;
}

ProfileFile ProfileFile::load(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return fromBytes({});
    QFile file(path);
    QByteArray bytes;
    const bool read = !info.isDir() && file.open(QIODevice::ReadOnly) &&
                      (bytes = file.readAll(), file.error() == QFileDevice::NoError);
    ProfileFile document = fromBytes(read ? bytes : QByteArray());
    document.m_ok = read;
    document.m_existed = true;
    return document;
}

QString ProfileFile::decodeText(const QByteArray& text) const {
    return m_encoding == Encoding::Latin1 ? QString::fromLatin1(text) : QString::fromUtf8(text);
}

QByteArray ProfileFile::encodeText(const QString& text) {
    for (const QChar c : text) {
        // A line end or NUL inside a value would change what the file says on the next read.
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.isNull() ||
            (m_encoding == Encoding::Latin1 && c.unicode() > 0xFF))
            m_unencodable = true;
    }
    return m_encoding == Encoding::Latin1 ? text.toLatin1() : text.toUtf8();
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
    if (line.valueStart < 0)
        return {};
    QString value = decodeText(untilNul(trimBlanks(line.raw.mid(line.valueStart))));
    // Quotes are stripped as the profile calls do it: the closing one is the last character
    // that fits the 255-character buffer.
    bool quoted = false;
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        quoted = true;
        value.remove(0, 1);
    }
    const bool closingQuoteFits = value.size() <= BufferLength;
    value.truncate(MaxValueLength);
    if (quoted && closingQuoteFits)
        value.chop(1);
    if (value == QLatin1String("Default"))
        return {};
    return value;
}

void ProfileFile::write(QAnyStringView section, QAnyStringView key, const QString& value) {
    const QByteArray keyText = trimBlanks(key.toString().toLatin1());
    const QByteArray valueText = encodeText(value);
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
    const QByteArray keyFold = foldAscii(keyText);
    const auto at = found->firstKey.constFind(keyFold);
    if (at != found->firstKey.cend()) {
        // The key keeps its spelling in the file; only the value changes. A key line without
        // "=" gains one.
        Line& line = found->lines[at.value()];
        if (line.valueStart < 0) {
            line.raw = trimBlanks(line.raw) + '=';
            line.valueStart = static_cast<int>(line.raw.size());
        }
        line.raw = line.raw.left(line.valueStart) + valueText;
        return;
    }
    // A new key goes after the last key line of its section, before trailing blank lines.
    qsizetype insertAt = found->hasHeader ? 1 : 0;
    for (qsizetype i = found->lines.size() - 1; i >= insertAt; --i) {
        if (!found->lines.at(i).keyFold.isEmpty()) {
            insertAt = i + 1;
            break;
        }
    }
    Line line;
    line.raw = keyText + '=' + valueText;
    line.keyFold = keyFold;
    line.valueStart = static_cast<int>(keyText.size() + 1);
    found->lines.insert(insertAt, line);
    for (auto it = found->firstKey.begin(); it != found->firstKey.end(); ++it) {
        if (it.value() >= insertAt)
            ++it.value();
    }
    found->firstKey.insert(keyFold, static_cast<int>(insertAt));
}

QByteArray ProfileFile::toBytes() const {
    QByteArray text;
    for (const Section& section : m_sections) {
        for (const Line& line : section.lines) {
            text += line.raw;
            text += "\r\n";
        }
    }
    switch (m_encoding) {
    case Encoding::Latin1:
        break;
    case Encoding::Utf8:
        return Utf8Mark + text;
    case Encoding::Utf16LittleEndian:
    case Encoding::Utf16BigEndian: {
        QStringEncoder encoder(utf16Of(m_encoding));
        const QByteArray body = encoder.encode(QString::fromUtf8(text));
        return (m_encoding == Encoding::Utf16LittleEndian ? Utf16LittleEndianMark
                                                          : Utf16BigEndianMark) +
               body;
    }
    }
    return text;
}

bool ProfileFile::save(const QString& path, QString* error) const {
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!m_clean) {
        return fail(QStringLiteral("its text is not valid %1, so it cannot be written back "
                                   "without changing it")
                        .arg(QLatin1String(encodingName(m_encoding))));
    }
    if (m_unencodable) {
        return fail(QStringLiteral("a value holds a line end, a NUL or a character that its "
                                   "%1 text cannot hold")
                        .arg(QLatin1String(encodingName(m_encoding))));
    }
    // Unbuffered, so that a disk that fills up shows in the count that write returns.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file.errorString());
    const QByteArray bytes = toBytes();
    const qint64 written = file.write(bytes);
    if (written != bytes.size() || file.error() != QFileDevice::NoError) {
        const QString reason = QStringLiteral("only %1 of %2 bytes could be written (%3)")
                                   .arg(qMax<qint64>(written, 0))
                                   .arg(bytes.size())
                                   .arg(file.errorString());
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
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
