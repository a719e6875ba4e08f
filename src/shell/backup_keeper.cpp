#include "backup_keeper.h"

#include "database/database_file.h"
#include "editors/message_service.h"

#include <QTimer>

namespace kovo {

namespace {

QString portOf(const QString& comPort) {
    return comPort == QLatin1String("0") ? QStringLiteral("DTMF") : comPort;
}

} // namespace

BackupKeeper::BackupKeeper(const QString& programFolder, MessageService& messages, QObject* parent)
    : QObject(parent), m_store(programFolder), m_messages(messages) {}

void BackupKeeper::backUpBeforeSave(const QString& path) {
    check(m_store.saveFile(BackupKind::BeforeSave, path));
}

void BackupKeeper::backUpUpload(const Database& db, bool complete, const QString& comPort,
                                const QString& file) {
    check(m_store.save(BackupKind::Upload, wholeDatabaseBytes(db), portOf(comPort), file,
                       complete ? QStringLiteral("complete") : QStringLiteral("changes only")));
}

void BackupKeeper::backUpDownload(const Database& db, const QString& comPort,
                                  const QString& imagePath) {
    const QString port = portOf(comPort);
    check(m_store.saveFile(BackupKind::DownloadImage, imagePath, port));
    check(m_store.save(BackupKind::DownloadConfiguration, wholeDatabaseBytes(db), port));
}

void BackupKeeper::check(const BackupResult& result) {
    if (result.ok) {
        m_reported = false;
        return;
    }
    if (m_reported)
        return;
    m_reported = true;
    // Shown once the work this backup belongs to is under way, so the box never holds it up.
    QTimer::singleShot(0, this, [this, error = result.error] {
        m_messages.message(error + QStringLiteral(".\n\nThe work goes on without this backup."),
                           failureTitle(), MessageIcon::Warning);
    });
}

} // namespace kovo
