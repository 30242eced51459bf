#pragma once
// The one reading rule of the data layer: a null read as an integer is 0, a null
// read as text is the empty text; texts are delivered as they are, untrimmed.

#include <cstdint>
#include <optional>
#include <string>

namespace zest::fb
{

inline std::int32_t ReadInteger(const std::optional<std::int32_t>& v) noexcept
{
    return v.value_or(0);
}
inline std::string ReadText(const std::optional<std::string>& v)
{
    return v.value_or(std::string());
}
inline double ReadFloat(const std::optional<double>& v) noexcept
{
    return v.value_or(0.0);
}

// The kind letter of a subject: the first byte of the text, 0 when empty.
inline char FirstLetter(const std::string& text) noexcept
{
    return text.empty() ? '\0' : text.front();
}

} // namespace zest::fb
