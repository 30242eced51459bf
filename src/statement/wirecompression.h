#pragma once
// ZESTAWIENIA_WIRE_COMPRESSION: whether the connection to a server is compressed, for the
// plug-in and the tool alike (the tool's --wire-compression wins over it). "on" asks the
// server for a compressed wire (zlib on both sides; the server follows the client), "off"
// for a plain one; unset, the library's default (fb::Database::WireCompressionByDefault:
// off, the client's own setting).
// A connection to a register file of the embedded engine has no wire and ignores it.

#include <optional>

#include "wirecrypt.h"

namespace zest
{

inline constexpr const char* WireCompressionVariable = "ZESTAWIENIA_WIRE_COMPRESSION";

// A value of the variable that is neither on nor off.
class WireCompressionError : public WireSettingError
{
public:
    using WireSettingError::WireSettingError;
};

// true for "on", false for "off", in any case; none for no value or an empty one. Throws
// WireCompressionError for any other value.
std::optional<bool> WireCompressionSetting(const char* value);
// The same for the variable in the process's environment.
std::optional<bool> WireCompressionFromEnvironment();

} // namespace zest
