#pragma once

#include "database/backup_store.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

namespace kovo {

// File > Backups: every backup in the program folder's backups, newest first, with when it was
// made, its kind, the port and the configuration file. A configuration backup opens as a new
// unsaved configuration or is compared with the one in use; the last upload and the last
// download are compared in one click.
class BackupsWindow : public QDialog {
    Q_OBJECT

public:
    explicit BackupsWindow(BackupStore& store, QWidget* parent = nullptr);

    // Lists the backups afresh.
    void refresh();
    QTreeWidget* list() const { return m_list; }

signals:
    void openRequested(const QString& path);
    // `name` says which backup, for the compare window's title.
    void compareRequested(const QString& path, const QString& name);

private:
    void updateButtons();
    void compareNewest(BackupKind kind);
    const BackupEntry* chosen() const;
    static QString describe(const BackupEntry& entry);

    BackupStore& m_store;
    QList<BackupEntry> m_entries;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_compare = nullptr;
    QPushButton* m_lastUpload = nullptr;
    QPushButton* m_lastDownload = nullptr;
};

} // namespace kovo
