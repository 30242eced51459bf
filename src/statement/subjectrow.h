#pragma once
// The current row of the subject list (dsPODMIOTY), as the header block reads it:
// columns by name without regard to case, a null read as 0 or as the empty text.

#include <cstdint>
#include <initializer_list>
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

} // namespace zest
