#pragma once
// Named parameters (":idp", ":PID") mapped to the positional "?" markers that the
// client API understands. One name may stand at several places; quoted strings,
// quoted identifiers and comments are copied untouched.

#include <string>
#include <string_view>
#include <vector>

namespace zest::fb
{

struct MappedStatement {
    std::string sql; // the text with every ":name" replaced by "?"
    // One entry per "?" of `sql`, in order: the parameter name as written (without
    // the colon), or empty for a "?" that stood in the original text.
    std::vector<std::string> names;
};

MappedStatement MapNamedParameters(std::string_view sql);

// ASCII-only, byte-safe case-insensitive comparison for column and parameter names.
bool NamesEqual(std::string_view a, std::string_view b) noexcept;

} // namespace zest::fb
