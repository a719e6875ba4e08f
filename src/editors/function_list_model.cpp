#include "function_list_model.h"

#include "database/macro_functions.h"

namespace kovo {

int FunctionListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(MacroFunctions::all().size());
}

int FunctionListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant FunctionListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const MacroFunctions::Function& function = MacroFunctions::all()[index.row()];
    if (role == Qt::UserRole)
        return function.number;
    if (role != Qt::DisplayRole)
        return {};
    return index.column() == 0 ? QStringLiteral("%1").arg(function.number, 3, 10, QLatin1Char('0'))
                               : function.name;
}

QVariant FunctionListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? QStringLiteral("Number") : QStringLiteral("Descriptiion");
}

} // namespace kovo
