#pragma once
// The current row of the subject list (dsPODMIOTY), as the header block reads it:
// columns by name without regard to case, a null read as 0 or as the empty text.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zest
{

namespace fb
{
class Query;
}

class SubjectRow
{
public:
    virtual ~SubjectRow() = default;
    virtual std::int32_t Integer(std::string_view column) const = 0;
    virtual std::string Text(std::string_view column) const = 0;
};

// A row held as texts, for tests and tools. An empty text is a null; Integer() reads
// the text as a decimal number. A column that the row does not have throws, as it
// does on a query.
class MapSubjectRow : public SubjectRow
{
public:
    MapSubjectRow() = default;
    MapSubjectRow(std::initializer_list<std::pair<std::string_view, std::string_view>> columns);

    void Set(std::string_view column, std::string value);
    std::int32_t Integer(std::string_view column) const override;
    std::string Text(std::string_view column) const override;

private:
    const std::string& Find(std::string_view column) const;

    std::vector<std::pair<std::string, std::string>> columns_;
};

// The row on which an open query stands; the query must outlive this view.
class QuerySubjectRow : public SubjectRow
{
public:
    explicit QuerySubjectRow(const fb::Query& query)
        : query_(&query)
    {
    }

    std::int32_t Integer(std::string_view column) const override;
    std::string Text(std::string_view column) const override;

private:
    const fb::Query* query_;
};

// A row kept apart from its list, for a run that reads ahead: the cells as the subject
// list holds them (null, or the value as text, numbers in decimal), read by its rule.
class HeldSubjectRow : public SubjectRow
{
public:
    using Cell = std::optional<std::string>;
    using Columns = std::shared_ptr<const std::vector<std::string>>;
    HeldSubjectRow(Columns columns, std::vector<Cell> cells)
        : columns_(std::move(columns))
        , cells_(std::move(cells))
    {
    }

    std::int32_t Integer(std::string_view column) const override;
    std::string Text(std::string_view column) const override;

private:
    const Cell& Find(std::string_view column) const;

    Columns columns_;
    std::vector<Cell> cells_;
};

// A copy of the row on which the query stands; `columns` holds the query's column
// names, made on the first call and shared by the rows.
std::unique_ptr<SubjectRow> HoldQueryRow(const fb::Query& query, HeldSubjectRow::Columns& columns);

// The index of a column by name without regard to case, or -1.
int FindColumn(const std::vector<std::string>& columns, std::string_view name) noexcept;
// A cell of the subject list read as an integer: null reads 0; the decimal text, blanks
// around it allowed; anything else throws "'...' is not a valid integer value".
std::int32_t CellInteger(const std::optional<std::string>& cell);

} // namespace zest
