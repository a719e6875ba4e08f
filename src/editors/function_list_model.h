#pragma once

#include <QAbstractTableModel>

namespace kovo {

// The macro functions as a two-column list ("Number", "Descriptiion"), read straight from the
// function table; each row carries its function number under Qt::UserRole.
class FunctionListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
};

} // namespace kovo
