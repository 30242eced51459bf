#pragma once
// The text a front end shows for an error of a statement action (Windows-1250).

#include <exception>
#include <string>

namespace zest
{

// The first line of the text for a lost connection.
inline constexpr const char* ConnectionLostText = "Po\xB3\xB9"
                                                  "czenie z baz\xB9 zosta\xB3o przerwane.";

// A lost connection (server restart, network cut) is said so first, with the server's
// text below; any other error is its own message.
std::string ErrorText(const std::exception& error);

} // namespace zest
