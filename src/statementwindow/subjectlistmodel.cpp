// The subject grid's table model.
#include "subjectlistmodel.h"
#include "database/namedparams.h"

#include <QWidget>
#include <exception>
#include <string_view>

#include "statement/subjectlistsql.h"
#include "widgets/messages.h"
#include "widgets/wintext.h"

namespace zest::ui
{

namespace
{

struct Caption {
    std::string_view column;
    const char* text; // UTF-8
};

constexpr Caption PersonCaptions[] = {
    { "NZW", "Nazwisko" },
    { "PIM", "Pierwsze imię" },
    { "DIM", "Drugie imię" },
    { "OIM", "Imię ojca" },
    { "MIM", "Imię matki" },
};

constexpr Caption NameCaptions[] = {
    { "NSK", "Nazwa skrócona" },
    { "NPE", "Nazwa pełna" },
};

// Hidden for every kind; persons also hide plec.
constexpr std::string_view IdColumns[] = { "id_pdm", "typ", "id_ad", "nrl", "id" };

} // namespace

SubjectListModel::SubjectListModel(zest::SubjectList& list, QWidget* window, QObject* parent)
    : QAbstractTableModel(parent)
    , list_(list)
    , window_(window)
{
    list_.SetObserver(this);
}

SubjectListModel::~SubjectListModel()
{
    list_.SetObserver(nullptr);
}

int SubjectListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : list_.RowCount();
}

int SubjectListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : list_.ColumnCount();
}

QVariant SubjectListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= list_.RowCount()
        || index.column() >= list_.ColumnCount())
        return {};
    const zest::SubjectList::Cell& cell = list_.At(index.row(), index.column());
    return cell ? FromWin1250(*cell) : QString();
}

QVariant SubjectListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= list_.ColumnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const std::string& name = list_.ColumnName(section);
    auto find = [&](const auto& captions) -> QVariant {
        for (const Caption& c : captions) {
            if (zest::fb::NamesEqual(c.column, name))
                return QString::fromUtf8(c.text);
        }
        return {};
    };
    QVariant caption = kind_ == zest::PersonKindIndex ? find(PersonCaptions) : find(NameCaptions);
    return caption.isValid() ? caption : QVariant(FromWin1250(name));
}

Qt::ItemFlags SubjectListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool SubjectListModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !list_.AllFetched();
}

void SubjectListModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid())
        return;
    try {
        list_.FetchMore(list_.FetchBatch());
    } catch (...) {
        QMetaObject::invokeMethod(
            this,
            [this, error = std::current_exception()] {
                RunGuarded(window_.data(), [&error] { std::rethrow_exception(error); });
            },
            Qt::QueuedConnection);
    }
}

bool SubjectListModel::IsColumnHidden(int column) const
{
    if (column < 0 || column >= list_.ColumnCount())
        return false;
    const std::string& name = list_.ColumnName(column);
    for (std::string_view id : IdColumns) {
        if (zest::fb::NamesEqual(id, name))
            return true;
    }
    return kind_ == zest::PersonKindIndex && zest::fb::NamesEqual("plec", name);
}

void SubjectListModel::ListAboutToBeReset()
{
    beginResetModel();
}

void SubjectListModel::ListReset()
{
    endResetModel();
}

void SubjectListModel::RowsAboutToBeAppended(int first, int last)
{
    beginInsertRows({}, first, last);
}

void SubjectListModel::RowsAppended()
{
    endInsertRows();
}

void SubjectListModel::CurrentRowChanged(int row)
{
    emit CurrentSubjectChanged(row);
}

} // namespace zest::ui
