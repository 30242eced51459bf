// Named parameters in statement text: arbitrary bytes must map without a fault, and
// the mapping must account for every byte of the input.

#include "database/namedparams.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

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

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view sql(reinterpret_cast<const char*>(data), size);
    const zest::fb::MappedStatement m = zest::fb::MapNamedParameters(sql);

    // Each ":name" shrinks to one "?", everything else is copied byte for byte.
    std::size_t named = 0;
    for (const std::string& name : m.names) {
        if (name.empty())
            continue;
        Check(IsNameStart(static_cast<unsigned char>(name[0])));
        for (const char c : name)
            Check(IsNameChar(static_cast<unsigned char>(c)));
        named += name.size();
    }
    Check(m.sql.size() + named == sql.size());

    std::size_t marks = 0;
    for (const char c : m.sql)
        marks += c == '?' ? 1 : 0;
    Check(marks >= m.names.size());

    // The result has no names left: mapping it again changes nothing and finds the
    // same markers, all of them positional.
    const zest::fb::MappedStatement again = zest::fb::MapNamedParameters(m.sql);
    Check(again.sql == m.sql);
    Check(again.names.size() == m.names.size());
    for (const std::string& name : again.names)
        Check(name.empty());
    return 0;
}
