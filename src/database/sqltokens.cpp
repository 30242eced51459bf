#include "sqltokens.h"

namespace zest::fb
{

namespace
{

bool StartsQuoted(std::string_view sql, std::size_t pos) noexcept
{
    return sql[pos] == '\'' || sql[pos] == '"';
}

bool StartsComment(std::string_view sql, std::size_t pos) noexcept
{
    const std::string_view two = sql.substr(pos, 2);
    return two == "--" || two == "/*";
}

std::size_t QuotedEnd(std::string_view sql, std::size_t pos) noexcept
{
    const char quote = sql[pos];
    std::size_t i = pos + 1;
    while (i < sql.size()) {
        if (sql[i] == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

std::size_t CommentEnd(std::string_view sql, std::size_t pos) noexcept
{
    if (sql[pos] == '-') {
        const std::size_t end = sql.find('\n', pos);
        return end == std::string_view::npos ? sql.size() : end;
    }
    const std::size_t end = sql.find("*/", pos + 2);
    return end == std::string_view::npos ? sql.size() : end + 2;
}

} // namespace

SqlSpan SqlSpanAt(std::string_view sql, std::size_t pos) noexcept
{
    if (StartsQuoted(sql, pos))
        return { SqlSpanKind::Quoted, sql.substr(pos, QuotedEnd(sql, pos) - pos) };
    if (StartsComment(sql, pos))
        return { SqlSpanKind::Comment, sql.substr(pos, CommentEnd(sql, pos) - pos) };
    std::size_t end = pos + 1;
    while (end < sql.size() && !StartsQuoted(sql, end) && !StartsComment(sql, end))
        ++end;
    return { SqlSpanKind::Text, sql.substr(pos, end - pos) };
}

} // namespace zest::fb
