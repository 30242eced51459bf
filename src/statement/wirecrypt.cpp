#include "wirecrypt.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "codepage.h"

namespace zest
{

std::optional<std::string> WireCryptSetting(const char* value)
{
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    const std::string_view text(value);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const auto sameLetters = [&](char a, char b) { return lower(a) == lower(b); };
    for (std::string_view known : { "Required", "Enabled", "Disabled" })
        if (std::equal(text.begin(), text.end(), known.begin(), known.end(), sameLetters))
            return std::string(known);
    throw WireCryptError("Nieprawid\xB3owa warto\x9C\xE6 " + std::string(WireCryptVariable) + ": '"
        + cp1250::FromUtf8(text, cp1250::Substitute)
        + "' (dozwolone: Required, Enabled, Disabled); po\xB3\xB9"
          "czenie z baz\xB9 nie zosta\xB3o nawi\xB9zane.");
}

std::optional<std::string> WireCryptFromEnvironment()
{
    return WireCryptSetting(std::getenv(WireCryptVariable));
}

} // namespace zest
