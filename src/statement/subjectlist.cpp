// The subject list.
#include "subjectlist.h"
#include "database/namedparams.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "database/database.h"
#include "database/reading.h"
#include "subjectlistsql.h"

namespace zest
{

namespace
{

using Row = std::vector<SubjectList::Cell>;

// Up to `count` rows from the cursor; `ended` becomes true when the cursor has no more.
// A cursor that was closed under the list (its transaction ended, the connection was
// closed) would look like the end of the rows: that is an error, not an end.
std::vector<Row> ReadRows(fb::Query& query, int count, bool& ended)
{
    std::vector<Row> rows;
    const int columns = query.FieldCount();
    rows.reserve(static_cast<std::size_t>(count));
    while (static_cast<int>(rows.size()) < count) {
        if (!query.IsOpen())
            throw std::runtime_error("Lista podmiot\xF3w zosta\xB3"
                                     "a zamkni\xEAta przed odczytaniem wszystkich wierszy");
        if (!query.Next()) {
            ended = true;
            break;
        }
        Row& row = rows.emplace_back();
        row.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(query.Text(c));
    }
    return rows;
}

[[noreturn]] void ClosedList()
{
    throw fb::UsageError("Lista podmiot\xF3w jest zamkni\xEAta");
}

} // namespace

SubjectList::SubjectList() = default;

SubjectList::~SubjectList()
{
    observer_ = nullptr;
    Close();
}

void SubjectList::Open(fb::Transaction& tr, std::string_view sql)
{
    Close();
    std::unique_ptr<fb::Query> query = PrepareWithPlanFallback(tr, sql);
    query->Open();
    std::vector<std::string> columns;
    for (int c = 0; c < query->FieldCount(); ++c)
        columns.push_back(query->FieldName(c));
    bool ended = false;
    std::vector<Row> rows = ReadRows(*query, batch_, ended);

    if (observer_)
        observer_->ListAboutToBeReset();
    sql_ = query->sql();
    query_ = std::move(query);
    columns_ = std::move(columns);
    heldColumns_.reset();
    rows_ = std::move(rows);
    ended_ = ended;
    current_ = rows_.empty() ? -1 : 0;
    eof_ = rows_.empty();
    if (observer_) {
        observer_->ListReset();
        observer_->CurrentRowChanged(current_);
    }
}

void SubjectList::Close() noexcept
{
    if (!IsOpen() && rows_.empty() && columns_.empty())
        return;
    if (observer_)
        observer_->ListAboutToBeReset();
    query_.reset();
    sql_.clear();
    columns_.clear();
    heldColumns_.reset();
    rows_.clear();
    ended_ = true;
    eof_ = true;
    current_ = -1;
    if (observer_)
        observer_->ListReset();
}

int SubjectList::ColumnIndex(std::string_view name) const noexcept
{
    return FindColumn(columns_, name);
}

int SubjectList::FetchMore(int count)
{
    if (!IsOpen() || ended_ || count <= 0)
        return 0;
    std::vector<Row> rows;
    try {
        rows = ReadRows(*query_, count, ended_);
    } catch (...) {
        Close();
        throw;
    }
    if (rows.empty())
        return 0;
    const int first = RowCount();
    const int last = first + static_cast<int>(rows.size()) - 1;
    if (observer_)
        observer_->RowsAboutToBeAppended(first, last);
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    if (observer_)
        observer_->RowsAppended();
    return last - first + 1;
}

void SubjectList::FetchAll()
{
    while (FetchMore(batch_) > 0) { }
}

void SubjectList::First()
{
    if (!IsOpen())
        ClosedList();
    if (rows_.empty())
        FetchMore(batch_);
    if (rows_.empty()) {
        eof_ = true;
        return;
    }
    MoveTo(0);
    eof_ = false;
}

void SubjectList::Next()
{
    if (!IsOpen())
        ClosedList();
    if (current_ + 1 >= RowCount())
        FetchMore(batch_);
    if (current_ + 1 < RowCount())
        MoveTo(current_ + 1);
    else
        eof_ = true;
}

bool SubjectList::SetCurrent(int row)
{
    if (row < 0 || !IsOpen())
        return false;
    while (row >= RowCount() && FetchMore(std::max(batch_, row + 1 - RowCount())) > 0) { }
    if (row >= RowCount())
        return false;
    MoveTo(row);
    eof_ = false;
    return true;
}

void SubjectList::MoveTo(int row)
{
    if (row == current_)
        return;
    current_ = row;
    if (observer_)
        observer_->CurrentRowChanged(row);
}

std::optional<SubjectKey> SubjectList::CurrentKey() const
{
    if (!IsOpen() || current_ < 0)
        return std::nullopt;
    return SubjectKey { Integer("id_PDM"), Letter("Typ") };
}

int SubjectList::FindRow(const SubjectKey& key)
{
    if (!IsOpen())
        return -1;
    const int id = ColumnIndex("id_PDM");
    const int kind = ColumnIndex("Typ");
    if (id < 0 || kind < 0)
        throw fb::UsageError("the list has no id_PDM or Typ column");
    for (int row = 0;; ++row) {
        if (row >= RowCount() && FetchMore(batch_) == 0)
            return -1;
        const std::vector<Cell>& cells = rows_[static_cast<std::size_t>(row)];
        if (CellInteger(cells[static_cast<std::size_t>(id)]) == key.Id
            && fb::FirstLetter(fb::ReadText(cells[static_cast<std::size_t>(kind)])) == key.Kind)
            return row;
    }
}

const SubjectList::Cell* SubjectList::CurrentCell(std::string_view column) const
{
    if (!IsOpen())
        ClosedList();
    const int index = ColumnIndex(column);
    if (index < 0)
        throw fb::UsageError("unknown column: " + std::string(column));
    if (current_ < 0)
        return nullptr;
    return &rows_[static_cast<std::size_t>(current_)][static_cast<std::size_t>(index)];
}

std::int32_t SubjectList::Integer(std::string_view column) const
{
    const Cell* cell = CurrentCell(column);
    return cell ? CellInteger(*cell) : fb::ReadInteger(std::nullopt);
}

std::string SubjectList::Text(std::string_view column) const
{
    const Cell* cell = CurrentCell(column);
    return cell ? fb::ReadText(*cell) : std::string();
}

std::unique_ptr<SubjectRow> SubjectList::HoldCurrent() const
{
    if (!IsOpen())
        ClosedList();
    if (!heldColumns_)
        heldColumns_ = std::make_shared<const std::vector<std::string>>(columns_);
    std::vector<Cell> cells;
    if (current_ >= 0)
        cells = rows_[static_cast<std::size_t>(current_)];
    else
        cells.resize(columns_.size()); // an empty list reads as nulls
    return std::make_unique<HeldSubjectRow>(heldColumns_, std::move(cells));
}

char SubjectList::Letter(std::string_view column) const
{
    return fb::FirstLetter(Text(column));
}

} // namespace zest
