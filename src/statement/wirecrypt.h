#pragma once
// ZESTAWIENIA_WIRE_CRYPT: how an administrator asks for the encryption of the connection
// to a server, for the plug-in and the tool alike. "Required" refuses a server that does
// not encrypt, "Disabled" asks for a plain wire, "Enabled" encrypts when the server can;
// unset, the client's own setting (firebird.conf's WireCrypt) holds.

#include <optional>
#include <stdexcept>
#include <string>

namespace zest
{

inline constexpr const char* WireCryptVariable = "ZESTAWIENIA_WIRE_CRYPT";

// A value of a variable of the wire (this one, ZESTAWIENIA_WIRE_COMPRESSION) that is no
// setting: nothing is sent. The message is Windows-1250 text.
class WireSettingError : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
};

// A value of this variable that is none of the three.
class WireCryptError : public WireSettingError
{
public:
    using WireSettingError::WireSettingError;
};

// "Required", "Enabled" or "Disabled" for a value in any case; none for no value or an
// empty one. Throws WireCryptError for any other value.
std::optional<std::string> WireCryptSetting(const char* value);
// The same for the variable in the process's environment.
std::optional<std::string> WireCryptFromEnvironment();

} // namespace zest
