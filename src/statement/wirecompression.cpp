#include "wirecompression.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "codepage.h"

namespace zest
{

std::optional<bool> WireCompressionSetting(const char* value)
{
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    const std::string_view text(value);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const auto is = [&](std::string_view word) {
        return std::equal(
            text.begin(), text.end(), word.begin(), word.end(), [&](char a, char b) { return lower(a) == lower(b); });
    };
    if (is("on"))
        return true;
    if (is("off"))
        return false;
    throw WireCompressionError("Nieprawid\xB3owa warto\x9C\xE6 " + std::string(WireCompressionVariable) + ": '"
        + cp1250::FromUtf8(text, cp1250::Substitute)
        + "' (dozwolone: on, off); po\xB3\xB9"
          "czenie z baz\xB9 nie zosta\xB3o nawi\xB9zane.");
}

std::optional<bool> WireCompressionFromEnvironment()
{
    return WireCompressionSetting(std::getenv(WireCompressionVariable));
}

} // namespace zest
