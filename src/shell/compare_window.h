#pragma once

#include "database/configuration_diff.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

namespace kovo {

// File > Compare With: the fields in which the configuration in use differs from another one,
// one row each (editor, field, this configuration, other), sortable by any column and narrowed by
// a filter that matches any column. A double-click asks for that field's editor and control.
class CompareWindow : public QDialog {
    Q_OBJECT

public:
    explicit CompareWindow(QWidget* parent = nullptr);

    // Shows the differences of `ours` from `theirs`; `otherName` says what `theirs` is.
    void compare(const Database& ours, const Database& theirs, const QString& otherName);

    QTableView* table() const { return m_table; }
    QLineEdit* filterBox() const { return m_filter; }
    QLabel* summary() const { return m_summary; }

signals:
    // `editorIndex` is the editor's tab; `index` the field element (0 for a single field).
    void fieldChosen(int editorIndex, const QString& field, int index);

private:
    void showSummary();

    QStandardItemModel* m_model = nullptr;
    QSortFilterProxyModel* m_proxy = nullptr;
    QTableView* m_table = nullptr;
    QLineEdit* m_filter = nullptr;
    QLabel* m_summary = nullptr;
    QString m_otherName;
};

} // namespace kovo
