#include "backups_window.h"

#include "editors/control_names.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace kovo {

namespace {

const QString WhenFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QPushButton* makeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

bool isConfiguration(const BackupEntry& entry) {
    return entry.kind != BackupKind::DownloadImage;
}

} // namespace

BackupsWindow::BackupsWindow(BackupStore& store, QWidget* parent)
    : QDialog(parent), m_store(store) {
    setObjectName(QStringLiteral("frmBackups"));
    setWindowTitle(QStringLiteral("Backups"));

    auto* caption = new QLabel(QStringLiteral("&Backups, newest first:"), this);
    caption->setObjectName(QStringLiteral("lblBackups"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstBackups"));
    m_list->setHeaderLabels({QStringLiteral("When"), QStringLiteral("Kind"), QStringLiteral("Port"),
                             QStringLiteral("File")});
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setStretchLastSection(true);
    caption->setBuddy(m_list);
    // A list is otherwise read by the entry it shows.
    m_list->setAccessibleName(QStringLiteral("Backups, newest first"));
    auto* folder =
        new QLabel(QStringLiteral("Folder: ") + QDir::toNativeSeparators(store.folder()), this);
    folder->setObjectName(QStringLiteral("lblFolder"));
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_open = makeButton("cmdOpen", QStringLiteral("Open"), this);
    m_compare = makeButton("cmdCompare", QStringLiteral("Compare With Current"), this);
    m_lastUpload =
        makeButton("cmdCompareLastUpload", QStringLiteral("Compare with the last upload"), this);
    m_lastDownload = makeButton("cmdCompareLastDownload",
                                QStringLiteral("Compare with the last download"), this);
    QPushButton* close = makeButton("cmdClose", QStringLiteral("Close"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_open);
    buttons->addWidget(m_compare);
    buttons->addWidget(m_lastUpload);
    buttons->addWidget(m_lastDownload);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_list);
    layout->addWidget(folder);
    layout->addLayout(buttons);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &BackupsWindow::updateButtons);
    connect(m_list, &QTreeWidget::itemDoubleClicked, m_open, &QPushButton::click);
    connect(m_open, &QPushButton::clicked, this, [this] {
        if (const BackupEntry* entry = chosen())
            emit openRequested(entry->path);
    });
    connect(m_compare, &QPushButton::clicked, this, [this] {
        if (const BackupEntry* entry = chosen())
            emit compareRequested(entry->path, describe(*entry));
    });
    connect(m_lastUpload, &QPushButton::clicked, this,
            [this] { compareNewest(BackupKind::Upload); });
    connect(m_lastDownload, &QPushButton::clicked, this,
            [this] { compareNewest(BackupKind::DownloadConfiguration); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    resize(820, 460);
    nameControls(this);
    refresh();
}

QString BackupsWindow::describe(const BackupEntry& entry) {
    QString kind = BackupStore::kindName(entry.kind);
    if (!entry.note.isEmpty())
        kind += QStringLiteral(" (") + entry.note + u')';
    return QStringLiteral("the %1 backup of %2").arg(kind, entry.when.toString(WhenFormat));
}

void BackupsWindow::refresh() {
    m_entries = m_store.list();
    m_list->clear();
    for (const BackupEntry& entry : std::as_const(m_entries)) {
        QString kind = BackupStore::kindName(entry.kind);
        if (!entry.note.isEmpty())
            kind += QStringLiteral(" (") + entry.note + u')';
        auto* item = new QTreeWidgetItem(m_list, {entry.when.toString(WhenFormat), kind, entry.port,
                                                  QDir::toNativeSeparators(entry.file)});
        item->setToolTip(3, QDir::toNativeSeparators(entry.path));
    }
    for (int column = 0; column < 3; ++column)
        m_list->resizeColumnToContents(column);
    if (!m_entries.isEmpty())
        m_list->setCurrentItem(m_list->topLevelItem(0));
    updateButtons();
}

const BackupEntry* BackupsWindow::chosen() const {
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    return row >= 0 && row < m_entries.size() ? &m_entries.at(row) : nullptr;
}

// A memory image is kept for support; its decoded configuration is the backup beside it.
void BackupsWindow::updateButtons() {
    const BackupEntry* entry = chosen();
    const bool configuration = entry && isConfiguration(*entry);
    m_open->setEnabled(configuration);
    m_compare->setEnabled(configuration);
    const auto hasKind = [this](BackupKind kind) {
        return std::any_of(m_entries.cbegin(), m_entries.cend(),
                           [kind](const BackupEntry& other) { return other.kind == kind; });
    };
    m_lastUpload->setEnabled(hasKind(BackupKind::Upload));
    m_lastDownload->setEnabled(hasKind(BackupKind::DownloadConfiguration));
}

void BackupsWindow::compareNewest(BackupKind kind) {
    for (const BackupEntry& entry : std::as_const(m_entries)) {
        if (entry.kind == kind) {
            emit compareRequested(entry.path, describe(entry));
            return;
        }
    }
}

} // namespace kovo
