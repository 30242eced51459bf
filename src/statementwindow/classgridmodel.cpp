// The class grid's table model.
#include "classgridmodel.h"

#include "widgets/wintext.h"

namespace zest::ui
{

ClassGridModel::ClassGridModel(zest::ClassGrid& grid, QObject* parent)
    : QAbstractTableModel(parent)
    , grid_(grid)
{
}

int ClassGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : grid_.DataRowCount();
}

int ClassGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : zest::ClassGrid::ColumnCount;
}

QVariant ClassGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() + 1 >= grid_.RowCount()
        || index.column() >= zest::ClassGrid::ColumnCount)
        return {};
    return FromWin1250(grid_.Text(index.row() + 1, index.column()));
}

QVariant ClassGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= zest::ClassGrid::ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return FromWin1250(grid_.Text(0, section));
}

Qt::ItemFlags ClassGridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ClassGridModel::Reload()
{
    beginResetModel();
    endResetModel();
}

void ClassGridModel::MarksChanged()
{
    if (grid_.DataRowCount() > 0)
        emit dataChanged(index(0, zest::ClassGrid::ColMark), index(rowCount() - 1, zest::ClassGrid::ColMark));
}

} // namespace zest::ui
