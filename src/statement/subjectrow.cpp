#include "statement/connection/namedparams.h"
#include "subjectrow.h"

#include <charconv>
#include <stdexcept>

#include "statement/connection/database.h"

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
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        throw std::invalid_argument("'" + text + "' is not a valid integer value");
    return value;
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

} // namespace zest
