#include "namedparams.h"

namespace zest::fb
{

namespace
{

bool IsNameStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsNameChar(unsigned char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '$';
}

// Copies a quoted run starting at sql[i] (the opening quote) to out; a doubled
// quote inside stays part of the run. Returns the index after the closing quote.
std::size_t CopyQuoted(std::string_view sql, std::size_t i, std::string& out)
{
    const char quote = sql[i];
    out += sql[i++];
    while (i < sql.size()) {
        out += sql[i];
        if (sql[i] == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote) {
                out += sql[i + 1];
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i; // unterminated: the server will complain about it
}

} // namespace

MappedStatement MapNamedParameters(std::string_view sql)
{
    MappedStatement m;
    m.sql.reserve(sql.size());
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            i = CopyQuoted(sql, i, m.sql);
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            const std::size_t end = sql.find('\n', i);
            const std::size_t stop = end == std::string_view::npos ? sql.size() : end;
            m.sql.append(sql.substr(i, stop - i));
            i = stop;
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            const std::size_t end = sql.find("*/", i + 2);
            const std::size_t stop = end == std::string_view::npos ? sql.size() : end + 2;
            m.sql.append(sql.substr(i, stop - i));
            i = stop;
        } else if (c == ':' && i + 1 < sql.size() && IsNameStart(static_cast<unsigned char>(sql[i + 1]))) {
            std::size_t j = i + 1;
            while (j < sql.size() && IsNameChar(static_cast<unsigned char>(sql[j])))
                ++j;
            m.names.emplace_back(sql.substr(i + 1, j - i - 1));
            m.sql += '?';
            i = j;
        } else if (c == '?') {
            m.names.emplace_back();
            m.sql += '?';
            ++i;
        } else {
            m.sql += c;
            ++i;
        }
    }
    return m;
}

bool NamesEqual(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace zest::fb
