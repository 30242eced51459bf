// The area threshold's text.
#include "threshold.h"

#include <stdexcept>
#include <string>

#include "database/numbertext.h"

namespace zest
{

std::int32_t ParseThreshold(std::string_view text)
{
    if (const auto value = fb::NumberFromText<std::int32_t>(text))
        return *value;
    throw std::invalid_argument("'" + std::string(text) + "' is not a valid integer value");
}

} // namespace zest
