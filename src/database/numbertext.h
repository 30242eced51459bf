#pragma once
// The one rule for a number written as text, wherever one is read: the threshold edit,
// the tools' options, text columns and subject list cells.

#include <charconv>
#include <optional>
#include <string_view>

namespace zest::fb
{

// The whole text as a number of type T: one optional sign and what from_chars reads for T
// (decimal digits; for floating point also a point and an exponent, whatever the locale).
// A plus is taken as well as a minus ("+5" is 5; "+", "+-5" and "++5" are no number);
// a minus only for signed types. No blanks, nothing else; a value out of T's range is no
// number either.
template <typename T> std::optional<T> NumberFromText(std::string_view text) noexcept
{
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    T value {};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The text without the spaces around it: CHAR columns come padded with them.
inline std::string_view WithoutSurroundingSpaces(std::string_view text) noexcept
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace zest::fb
