#include "compare_window.h"

#include "editors/control_names.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace kovo {

namespace {

// Where a row's field lives, kept on its first cell.
enum Role { EditorRole = Qt::UserRole + 1, FieldRole, IndexRole };

} // namespace

CompareWindow::CompareWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCompare"));

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    m_summary->setWordWrap(true);

    auto* filterLabel = new QLabel(QStringLiteral("&Filter:"), this);
    filterLabel->setObjectName(QStringLiteral("lblFilter"));
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("txtFilter"));
    m_filter->setClearButtonEnabled(true);
    filterLabel->setBuddy(m_filter);

    auto* tableLabel = new QLabel(QStringLiteral("&Differences (double-click to edit):"), this);
    tableLabel->setObjectName(QStringLiteral("lblDifferences"));
    m_model = new QStandardItemModel(0, 4, this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("Editor"), QStringLiteral("Field"),
                                        QStringLiteral("This configuration"),
                                        QStringLiteral("Other")});
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->setFilterKeyColumn(-1);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("tblDifferences"));
    m_table->setModel(m_proxy);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // Unsorted until a heading is clicked: the rows stand by editor, in the tab order.
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_table->setSortingEnabled(true);
    tableLabel->setBuddy(m_table);
    // A table is otherwise read by the cell it shows.
    m_table->setAccessibleName(QStringLiteral("Differences"));

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setAutoDefault(false);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(m_filter, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addLayout(filterRow);
    layout->addWidget(tableLabel);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);

    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_proxy->setFilterFixedString(text);
        showSummary();
    });
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        const QModelIndex first = m_proxy->mapToSource(index).siblingAtColumn(0);
        const int editor = first.data(EditorRole).toInt();
        if (editor >= 0)
            emit fieldChosen(editor, first.data(FieldRole).toString(),
                             first.data(IndexRole).toInt());
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(800, 520);
    nameControls(this);
}

void CompareWindow::compare(const Database& ours, const Database& theirs,
                            const QString& otherName) {
    m_otherName = otherName;
    setWindowTitle(QStringLiteral("Compare With ") + otherName);
    m_model->removeRows(0, m_model->rowCount());
    for (const FieldDifference& difference : compareConfigurations(ours, theirs)) {
        auto* editor = new QStandardItem(difference.editor);
        editor->setData(difference.editorIndex, EditorRole);
        editor->setData(difference.field, FieldRole);
        editor->setData(difference.index, IndexRole);
        auto* key = new QStandardItem(difference.key);
        key->setToolTip(QStringLiteral("[%1] %2").arg(difference.section, difference.key));
        m_model->appendRow({editor, key, new QStandardItem(difference.ours),
                            new QStandardItem(difference.theirs)});
    }
    m_table->resizeColumnsToContents();
    for (int column = 0; column < 3; ++column)
        m_table->setColumnWidth(column, qMin(m_table->columnWidth(column), 240));
    showSummary();
}

void CompareWindow::showSummary() {
    const int total = m_model->rowCount();
    QString text = total == 0
                       ? QStringLiteral("No field differs from %1.").arg(m_otherName)
                       : QStringLiteral("%1 field(s) differ from %2.").arg(total).arg(m_otherName);
    if (m_proxy->rowCount() != total)
        text += QStringLiteral(" %1 shown.").arg(m_proxy->rowCount());
    m_summary->setText(text);
}

} // namespace kovo
