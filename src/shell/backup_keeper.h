#pragma once

#include "database/backup_store.h"

#include <QObject>
#include <QString>

namespace kovo {

class Database;
class MessageService;

// The desktop program's backups: the file Save is about to overwrite, the configuration an
// upload is about to send and what a download brought. A backup never stops the work it
// belongs to: one that cannot be written is reported once (not again until a backup succeeds),
// after the work has been started, and the work goes on without it.
class BackupKeeper : public QObject {
    Q_OBJECT

public:
    BackupKeeper(const QString& programFolder, MessageService& messages, QObject* parent = nullptr);

    BackupStore& store() { return m_store; }

    void backUpBeforeSave(const QString& path);
    // `comPort` as the settings hold it ("0": over the air); `file` is the database file in use.
    void backUpUpload(const Database& db, bool complete, const QString& comPort,
                      const QString& file);
    void backUpDownload(const Database& db, const QString& comPort, const QString& imagePath);

    static QString failureTitle() { return QStringLiteral("Backups"); }

private:
    void check(const BackupResult& result);

    BackupStore m_store;
    MessageService& m_messages;
    bool m_reported = false;
};

} // namespace kovo
