#include "subjectrow.h"
#include "database/namedparams.h"

#include <stdexcept>

#include "database/database.h"
#include "database/numbertext.h"
#include "database/reading.h"

namespace zest
{

MapSubjectRow::MapSubjectRow(std::initializer_list<std::pair<std::string_view, std::string_view>> columns)
{
    for (const auto& [name, value] : columns)
        Set(name, std::string(value));
}

void MapSubjectRow::Set(std::string_view column, std::string value)
{
    for (auto& [name, text] : columns_) {
        if (fb::NamesEqual(name, column)) {
            text = std::move(value);
            return;
        }
    }
    columns_.emplace_back(std::string(column), std::move(value));
}

const std::string& MapSubjectRow::Find(std::string_view column) const
{
    for (const auto& [name, text] : columns_) {
        if (fb::NamesEqual(name, column))
            return text;
    }
    throw std::out_of_range("Unknown column " + std::string(column));
}

std::int32_t MapSubjectRow::Integer(std::string_view column) const
{
    const std::string& text = Find(column);
    if (text.empty())
        return 0;
    const auto value = fb::NumberFromText<std::int32_t>(text);
    if (!value)
        throw std::invalid_argument("'" + text + "' is not a valid integer value");
    return *value;
}

std::string MapSubjectRow::Text(std::string_view column) const
{
    return Find(column);
}

std::int32_t QuerySubjectRow::Integer(std::string_view column) const
{
    return query_->AsInteger(column);
}

std::string QuerySubjectRow::Text(std::string_view column) const
{
    return query_->AsString(column);
}

std::unique_ptr<SubjectRow> HoldQueryRow(const fb::Query& query, HeldSubjectRow::Columns& columns)
{
    const int n = query.FieldCount();
    if (!columns) {
        auto names = std::make_shared<std::vector<std::string>>();
        for (int c = 0; c < n; ++c)
            names->push_back(query.FieldName(c));
        columns = std::move(names);
    }
    std::vector<HeldSubjectRow::Cell> cells;
    cells.reserve(static_cast<std::size_t>(n));
    for (int c = 0; c < n; ++c)
        cells.push_back(query.Text(c));
    return std::make_unique<HeldSubjectRow>(columns, std::move(cells));
}

int FindColumn(const std::vector<std::string>& columns, std::string_view name) noexcept
{
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (fb::NamesEqual(columns[c], name))
            return static_cast<int>(c);
    }
    return -1;
}

std::int32_t CellInteger(const std::optional<std::string>& cell)
{
    if (!cell)
        return fb::ReadInteger(std::nullopt);
    const auto value = fb::NumberFromText<std::int32_t>(fb::WithoutSurroundingSpaces(*cell));
    if (!value)
        throw std::runtime_error("'" + *cell + "' is not a valid integer value");
    return *value;
}

const HeldSubjectRow::Cell& HeldSubjectRow::Find(std::string_view column) const
{
    const int index = FindColumn(*columns_, column);
    if (index < 0)
        throw fb::UsageError("unknown column: " + std::string(column));
    return cells_.at(static_cast<std::size_t>(index));
}

std::int32_t HeldSubjectRow::Integer(std::string_view column) const
{
    return CellInteger(Find(column));
}

std::string HeldSubjectRow::Text(std::string_view column) const
{
    return fb::ReadText(Find(column));
}

} // namespace zest
