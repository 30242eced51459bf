#pragma once
// The process's environment variables as the program reads them: UTF-8 (on Windows read
// through the wide-character call, so that a folder with Polish letters arrives intact);
// environment_posix.cpp and environment_windows.cpp hold one implementation each.

#include <optional>
#include <string>

namespace zest
{

// The variable's value; nothing when it is not set.
std::optional<std::string> EnvironmentValue(const char* name);

} // namespace zest
