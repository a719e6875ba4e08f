#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

namespace kovo {

// What a backup holds: the configuration as an upload sent it, the memory image and the decoded
// configuration of a download, or a database file as it was before Save overwrote it.
enum class BackupKind { Upload, DownloadImage, DownloadConfiguration, BeforeSave };

struct BackupEntry {
    QDateTime when;
    BackupKind kind = BackupKind::Upload;
    QString port; // the port of the transfer; empty for a save
    QString file; // the configuration file it came from or went to; may be empty
    QString note; // what else the comment line says ("complete", "changes only"); may be empty
    QString path; // the backup itself
};

struct BackupResult {
    bool ok = false;
    QString path;  // the backup written
    QString error; // why not, naming the file
};

// The program folder's "backups" folder: a copy of what the controller held, or what a file
// held, before it was overwritten. Each backup is one file named by local date and time and
// kind, written atomically; the newest KeepPerKind of each kind are kept. A configuration backup
// starts with a comment line naming the kind, port and file, which the database reader ignores
// because it stands before the first section.
class BackupStore {
public:
    static constexpr int KeepPerKind = 50;

    explicit BackupStore(QString programFolder);

    QString folder() const { return m_folder; }

    BackupResult save(BackupKind kind, const QByteArray& content, const QString& port = {},
                      const QString& file = {}, const QString& note = {});
    // A copy of the file at `source`; `file` names it in the comment line (`source` when empty).
    BackupResult saveFile(BackupKind kind, const QString& source, const QString& port = {},
                          const QString& file = {}, const QString& note = {});
    // Every backup, newest first.
    QList<BackupEntry> list() const;

    // The clock that names backups (tests fix it).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    static QString kindName(BackupKind kind);

private:
    void rotate(BackupKind kind) const;

    QString m_folder;
    std::function<QDateTime()> m_clock;
};

} // namespace kovo
