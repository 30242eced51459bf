#include "namedparams.h"

#include "sqltokens.h"

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

} // namespace

MappedStatement MapNamedParameters(std::string_view sql)
{
    MappedStatement m;
    m.sql.reserve(sql.size());
    std::size_t pos = 0;
    while (pos < sql.size()) {
        const SqlSpan span = SqlSpanAt(sql, pos);
        pos += span.text.size();
        if (span.kind != SqlSpanKind::Text) {
            m.sql += span.text;
            continue;
        }
        const std::string_view text = span.text;
        std::size_t i = 0;
        while (i < text.size()) {
            const char c = text[i];
            if (c == ':' && i + 1 < text.size() && IsNameStart(static_cast<unsigned char>(text[i + 1]))) {
                std::size_t j = i + 1;
                while (j < text.size() && IsNameChar(static_cast<unsigned char>(text[j])))
                    ++j;
                m.names.emplace_back(text.substr(i + 1, j - i - 1));
                m.sql += '?';
                i = j;
            } else {
                if (c == '?')
                    m.names.emplace_back();
                m.sql += c;
                ++i;
            }
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
