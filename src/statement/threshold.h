#pragma once
// The area threshold as the user types it into sPowUZ.

#include <cstdint>
#include <string_view>

namespace zest
{

// The whole text as a signed 32-bit decimal number: an optional sign and digits, no
// blanks, nothing else. Anything else (the empty text, letters, a number out of range)
// throws std::invalid_argument "'<text>' is not a valid integer value", with the text
// as typed (Windows-1250 bytes).
std::int32_t ParseThreshold(std::string_view text);

} // namespace zest
