// The Windows-1250 table and the conversions over it.
#include "codepage.h"

#include <array>
#include <cstdint>
#include <type_traits>

namespace zest::cp1250
{

namespace
{

// The characters of the bytes 0x80 to 0xFF (0x00 to 0x7F are ASCII).
constexpr std::array<char16_t, 128> High { { 0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088,
    0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4,
    0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB,
    0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE,
    0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC,
    0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119,
    0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159,
    0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9 } };

// The byte of every character below U+2200 (the code page's highest is U+2122), 0 for
// none; NUL is ASCII and handled before the lookup.
constexpr char32_t ReverseSize = 0x2200;
struct Reverse {
    std::array<std::uint8_t, ReverseSize> Bytes {};
    constexpr Reverse()
    {
        for (unsigned b = 0; b < 128; ++b)
            Bytes[High[b]] = static_cast<std::uint8_t>(0x80 + b);
    }
};
constexpr Reverse ReverseTable;

constexpr std::array<char16_t, 256> AllChars()
{
    std::array<char16_t, 256> all {};
    for (unsigned b = 0; b < 256; ++b)
        all[b] = b < 0x80 ? char16_t(b) : High[b - 0x80];
    return all;
}

constexpr char32_t Broken = 0xFFFFFFFF; // a sequence that is no character

// Appends the byte of `c` to `out`; false when the code page has none.
bool Append(std::string& out, char32_t c, bool substitute)
{
    const int b = ByteOf(c);
    if (b >= 0) {
        out.push_back(static_cast<char>(b));
        return true;
    }
    if (!substitute)
        return false;
    out.push_back(SubstituteByte);
    return true;
}

// The next code point of UTF-16 text; a lone surrogate is Broken.
char32_t NextUtf16(std::u16string_view text, std::size_t& i) noexcept
{
    const char16_t u = text[i++];
    if (u < 0xD800 || u > 0xDFFF)
        return u;
    if (u <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
        return 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i++]) - 0xDC00);
    return Broken;
}

// The next code point of UTF-8 text. An invalid sequence is Broken and ends after its
// longest valid beginning (at least one byte), as Unicode recommends for substitutes.
char32_t NextUtf8(std::string_view text, std::size_t& i) noexcept
{
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80)
        return lead;
    int more = 0;
    char32_t c = 0;
    unsigned char lo = 0x80, hi = 0xBF; // the range of the first continuation byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2;
        c = lead & 0x0F;
        lo = lead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        hi = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3;
        c = lead & 0x07;
        lo = lead == 0xF0 ? 0x90 : 0x80;
        hi = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return Broken;
    }
    for (int k = 0; k < more; ++k, lo = 0x80, hi = 0xBF) {
        if (i == text.size())
            return Broken;
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < lo || b > hi)
            return Broken;
        c = (c << 6) | (b & 0x3F);
        ++i;
    }
    return c;
}

// ASCII is copied as it is; anything else goes through `next`.
template <class Text, class Next> std::optional<std::string> Encode(Text text, bool substitute, Next next)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<std::make_unsigned_t<typename Text::value_type>>(text[i]) < 0x80) {
            out.push_back(static_cast<char>(text[i++]));
            continue;
        }
        if (!Append(out, next(text, i), substitute))
            return std::nullopt;
    }
    return out;
}

void AppendUtf8(std::string& out, char16_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace

const std::array<char16_t, 256> Chars = AllChars();

int ByteOf(char32_t character) noexcept
{
    if (character < 0x80)
        return static_cast<int>(character);
    if (character >= ReverseSize)
        return -1;
    const std::uint8_t b = ReverseTable.Bytes[character];
    return b ? b : -1;
}

std::string FromUtf16(std::u16string_view text, SubstitutePolicy)
{
    return *Encode(text, true, NextUtf16);
}

std::optional<std::string> FromUtf16(std::u16string_view text, RefusePolicy)
{
    return Encode(text, false, NextUtf16);
}

std::string FromUtf8(std::string_view text, SubstitutePolicy)
{
    return *Encode(text, true, NextUtf8);
}

std::optional<std::string> FromUtf8(std::string_view text, RefusePolicy)
{
    return Encode(text, false, NextUtf8);
}

std::string ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char b : bytes) {
        if (static_cast<unsigned char>(b) < 0x80)
            out.push_back(b);
        else
            AppendUtf8(out, CharOf(static_cast<unsigned char>(b)));
    }
    return out;
}

std::u16string ToUtf16(std::string_view bytes)
{
    std::u16string out(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[i] = CharOf(static_cast<unsigned char>(bytes[i]));
    return out;
}

} // namespace zest::cp1250
