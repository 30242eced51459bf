#pragma once
// The program's arguments as UTF-8 bytes: on POSIX systems the bytes of argv as they are;
// on Windows the wide-character command line converted, so that a file name with Polish
// letters arrives intact whatever the system's code page (programargs_posix.cpp,
// programargs_windows.cpp).

#include <string>
#include <vector>

namespace zest::tools
{

// The arguments after the program's name.
std::vector<std::string> ProgramArguments(int argc, char** argv);

} // namespace zest::tools
