#pragma once
// Where a test's register lives: a database file of the embedded engine under the test
// directory (registerplace_posix.cpp); on Windows, which has no embedded engine here, a
// database on the loopback server named by ZEST_FB_SERVER_HOST and ZEST_FB_SERVER_DIR
// (registerplace_windows.cpp).

#include <string>
#include <string_view>

#include "register/ddl.h"

namespace zest::test
{

// The name of a new register that nothing else uses: a path, or "host:path".
std::string NewRegisterName(std::string_view stem);

// Whether registers are files of the embedded engine, which opens them with any password
// and under any name of the file (a link); not so on a server.
bool RegistersAreLocalFiles();

// The user and password that make and open it.
reg::RegisterOptions RegisterAccess();

// Removes the register (the file deleted, the database dropped), quietly.
void RemoveRegister(const std::string& name) noexcept;

} // namespace zest::test
