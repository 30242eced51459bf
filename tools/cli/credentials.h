#pragma once
// The tool's user name and password: from the command line, from the environment
// variables ISC_USER and ISC_PASSWORD, or from a password file, so that a password need
// not appear in the process list.

#include <functional>
#include <istream>
#include <optional>
#include <string>

#include "cliargs.h"
#include "database/database.h"

namespace zest::cli
{

// The value of an environment variable, or none when it is unset or empty.
using Environment = std::function<std::optional<std::string>(const char* name)>;
Environment ProcessEnvironment();

// The first line of a password file, without its line end (LF or CR LF).
std::string FirstLine(std::istream& in);

// The user: --user, else ISC_USER, else SYSDBA. The password: --password, or the first
// line of --password-file (standard input for "-"), else ISC_PASSWORD, else masterkey.
// The role: --role. A password file that cannot be read throws std::runtime_error.
fb::Credentials ResolveCredentials(const Options& options, const Environment& environment);

} // namespace zest::cli
