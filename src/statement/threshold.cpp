// The area threshold's text.
#include "threshold.h"

#include <charconv>
#include <stdexcept>
#include <string>

namespace zest
{

std::int32_t ParseThreshold(std::string_view text)
{
    // from_chars takes a minus but no plus; a plus may stand before digits only.
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    const bool startsWithDigitOrMinus = !digits.empty()
        && ((digits.front() >= '0' && digits.front() <= '9') || (digits.front() == '-' && text.front() != '+'));
    std::int32_t value = 0;
    if (startsWithDigitOrMinus) {
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (ec == std::errc() && end == digits.data() + digits.size())
            return value;
    }
    throw std::invalid_argument("'" + std::string(text) + "' is not a valid integer value");
}

} // namespace zest
