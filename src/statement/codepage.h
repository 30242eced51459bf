#pragma once
// The one Windows-1250 codec of the program, in plain C++: the register's text and the
// statement file are Windows-1250 bytes, and whatever comes from elsewhere (typed text,
// UTF-8 paths and arguments, system messages) passes through here. Every call that
// writes the code page names what happens to a character the code page lacks: it becomes
// the substitute '?', or the whole conversion is refused.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace zest::cp1250
{

struct SubstitutePolicy {
};
struct RefusePolicy {
};
// A character without a byte (and a broken sequence: a lone surrogate, invalid UTF-8)
// becomes one '?'.
inline constexpr SubstitutePolicy Substitute {};
// A character without a byte fails the conversion: the result is empty.
inline constexpr RefusePolicy Refuse {};

inline constexpr char SubstituteByte = '?';

// The character of every byte.
extern const std::array<char16_t, 256> Chars;

// The character of a byte. Every byte has one: the five bytes the code page leaves
// unassigned stand for the control characters of the same value, so that any bytes
// come back unchanged.
inline char16_t CharOf(unsigned char byte) noexcept
{
    return Chars[byte];
}
// The byte of a character, or -1 when the code page has none.
int ByteOf(char32_t character) noexcept;

// UTF-16 text (a QString's code units) as Windows-1250.
std::string FromUtf16(std::u16string_view text, SubstitutePolicy);
std::optional<std::string> FromUtf16(std::u16string_view text, RefusePolicy);

// UTF-8 text as Windows-1250.
std::string FromUtf8(std::string_view text, SubstitutePolicy);
std::optional<std::string> FromUtf8(std::string_view text, RefusePolicy);

// Windows-1250 bytes as UTF-8 and as UTF-16; never fails.
std::string ToUtf8(std::string_view bytes);
std::u16string ToUtf16(std::string_view bytes);

} // namespace zest::cp1250
