#pragma once
// The printf-like routine that builds statement lines. Widths are minimum widths
// counted in bytes (the text is single-byte Windows-1250); nothing is ever cut.
//   %s  text, right-aligned in the width       %-13s  left-aligned
//   %d  signed decimal integer, same alignment  %S, %D  the same as %s, %d
//   %%  a percent sign
// An empty text gives as many spaces as the width.

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

namespace zest
{

using FormatArg = std::variant<std::string_view, std::int64_t>;

class FormatError : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
};

// Throws FormatError for a bad format, a missing argument or a text given for %d
// (or an integer for %s); surplus arguments are ignored.
std::string FormatLine(std::string_view format, std::initializer_list<FormatArg> args);

inline FormatArg Arg(std::string_view s)
{
    return FormatArg(s);
}
inline FormatArg Arg(const std::string& s)
{
    return FormatArg(std::string_view(s));
}
inline FormatArg Arg(const char* s)
{
    return FormatArg(std::string_view(s));
}
inline FormatArg Arg(std::int64_t v)
{
    return FormatArg(v);
}
inline FormatArg Arg(std::int32_t v)
{
    return FormatArg(static_cast<std::int64_t>(v));
}

} // namespace zest
