#include "backup_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringList>

namespace kovo {
namespace {

const QString Header = QStringLiteral("; Kovo backup: ");
const QString TimeFormat = QStringLiteral("yyyyMMdd-HHmmss-zzz");

struct KindInfo {
    BackupKind kind;
    const char* tag;       // in the file name
    const char* extension; // of the file
    const char* name;      // for people
};

const KindInfo Kinds[] = {
    {BackupKind::Upload, "upload", "dat", "upload"},
    {BackupKind::DownloadImage, "download", "mem", "download (memory image)"},
    {BackupKind::DownloadConfiguration, "download", "dat", "download"},
    {BackupKind::BeforeSave, "save", "dat", "before save"},
};

const KindInfo& infoOf(BackupKind kind) {
    for (const KindInfo& info : Kinds) {
        if (info.kind == kind)
            return info;
    }
    return Kinds[0];
}

// A port name as a part of a file name: "/dev/ttyUSB0" -> "dev-ttyUSB0".
QString fileNamePart(const QString& text) {
    QString part;
    for (const QChar c : text) {
        if (c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u'.')
            part += c;
        else if (!part.isEmpty() && !part.endsWith(u'-'))
            part += u'-';
    }
    while (part.endsWith(u'-'))
        part.chop(1);
    return part;
}

// "<time>_<tag>[_<port>].<extension>"
QString fileName(const QDateTime& when, const KindInfo& info, const QString& port) {
    QString name = when.toString(TimeFormat) + u'_' + QLatin1String(info.tag);
    const QString portPart = fileNamePart(port);
    if (!portPart.isEmpty())
        name += u'_' + portPart;
    return name + u'.' + QLatin1String(info.extension);
}

bool parseName(const QFileInfo& info, BackupEntry* entry) {
    const QStringList parts = info.completeBaseName().split(u'_');
    if (parts.size() < 2)
        return false;
    entry->when = QDateTime::fromString(parts.at(0), TimeFormat);
    if (!entry->when.isValid())
        return false;
    bool known = false;
    for (const KindInfo& kind : Kinds) {
        if (parts.at(1) == QLatin1String(kind.tag) &&
            info.suffix() == QLatin1String(kind.extension)) {
            entry->kind = kind.kind;
            known = true;
        }
    }
    entry->port = parts.size() > 2 ? parts.mid(2).join(u'_') : QString();
    entry->path = info.absoluteFilePath();
    return known;
}

QString headerFor(BackupKind kind, const QString& port, const QString& file, const QString& note) {
    QString line = Header + QLatin1String(infoOf(kind).name);
    if (!note.isEmpty())
        line += QStringLiteral(" (") + note + u')';
    if (!port.isEmpty())
        line += QStringLiteral(" on ") + port;
    if (!file.isEmpty())
        line += QStringLiteral(" of ") + file;
    return line;
}

// The note, port and file of a configuration backup, from its comment line
// "; Kovo backup: <kind>[ (<note>)][ on <port>][ of <file>]".
void readHeader(BackupEntry* entry) {
    QFile file(entry->path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString line = QString::fromLatin1(file.readLine(1024)).trimmed();
    const QString kind = Header + QLatin1String(infoOf(entry->kind).name);
    if (!line.startsWith(kind))
        return;
    QString rest = line.mid(kind.size());
    if (rest.startsWith(QStringLiteral(" ("))) {
        const qsizetype close = rest.indexOf(u')');
        if (close > 0) {
            entry->note = rest.mid(2, close - 2);
            rest = rest.mid(close + 1);
        }
    }
    const qsizetype of = rest.indexOf(QStringLiteral(" of "));
    if (of >= 0) {
        entry->file = rest.mid(of + 4);
        rest.truncate(of);
    }
    if (rest.startsWith(QStringLiteral(" on ")))
        entry->port = rest.mid(4);
}

} // namespace

BackupStore::BackupStore(QString programFolder)
    : m_folder(QDir(programFolder).filePath(QStringLiteral("backups"))),
      m_clock([] { return QDateTime::currentDateTime(); }) {}

QString BackupStore::kindName(BackupKind kind) {
    return QLatin1String(infoOf(kind).name);
}

BackupResult BackupStore::save(BackupKind kind, const QByteArray& content, const QString& port,
                               const QString& file, const QString& note) {
    BackupResult result;
    if (!QDir().mkpath(m_folder)) {
        result.error = QStringLiteral("The backup folder %1 cannot be created").arg(m_folder);
        return result;
    }
    const KindInfo& info = infoOf(kind);
    QDateTime when = m_clock();
    QString path = QDir(m_folder).filePath(fileName(when, info, port));
    // Two backups in one millisecond (or a fixed clock) must not overwrite each other.
    for (int step = 1; QFileInfo::exists(path) && step < 1000; ++step)
        path = QDir(m_folder).filePath(fileName(when.addMSecs(step), info, port));

    QByteArray bytes;
    if (QLatin1String(info.extension) == QLatin1String("dat"))
        bytes = headerFor(kind, port, file, note).toLatin1() + "\r\n";
    bytes += content;

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        result.error = QStringLiteral("The backup %1 could not be written: %2")
                           .arg(QDir::toNativeSeparators(path), out.errorString());
        return result;
    }
    rotate(kind);
    result.ok = true;
    result.path = path;
    return result;
}

QList<BackupEntry> BackupStore::list() const {
    QList<BackupEntry> entries;
    const QFileInfoList files =
        QDir(m_folder).entryInfoList(QDir::Files, QDir::Name | QDir::Reversed);
    // A memory image has no comment line; its port is named as the configurations of the same
    // port name it, rather than in its file-name form.
    QHash<QString, QString> portNames;
    for (const QFileInfo& info : files) {
        BackupEntry entry;
        if (!parseName(info, &entry))
            continue;
        if (info.suffix() == QLatin1String("dat")) {
            const QString namePart = entry.port;
            readHeader(&entry);
            if (!namePart.isEmpty())
                portNames.insert(namePart, entry.port);
        }
        entries.append(entry);
    }
    for (BackupEntry& entry : entries) {
        if (entry.kind == BackupKind::DownloadImage)
            entry.port = portNames.value(entry.port, entry.port);
    }
    return entries;
}

BackupResult BackupStore::saveFile(BackupKind kind, const QString& source, const QString& port,
                                   const QString& file, const QString& note) {
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly)) {
        BackupResult result;
        result.error = QStringLiteral("%1 could not be read for its backup: %2")
                           .arg(QDir::toNativeSeparators(source), input.errorString());
        return result;
    }
    return save(kind, input.readAll(), port, file.isEmpty() ? source : file, note);
}

void BackupStore::rotate(BackupKind kind) const {
    int kept = 0;
    for (const BackupEntry& entry : list()) {
        if (entry.kind != kind)
            continue;
        if (++kept > KeepPerKind)
            QFile::remove(entry.path);
    }
}

} // namespace kovo
