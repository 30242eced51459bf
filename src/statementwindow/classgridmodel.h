#pragma once
// The class grid "ozu" as a Qt table: data rows 1..n of the ClassGrid appear as view
// rows 0..n-1, and its row 0 supplies the horizontal header. Read-only in place.

#include <QAbstractTableModel>

#include "statement/classmarks.h"

namespace zest::ui
{

class ClassGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    ClassGridModel(zest::ClassGrid& grid, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The grid was reloaded or reset.
    void Reload();
    // Marks changed in place.
    void MarksChanged();

private:
    zest::ClassGrid& grid_;
};

} // namespace zest::ui
