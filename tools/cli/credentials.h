#pragma once
// The tool's user name and password: from the command line, from the environment
// variables ISC_USER and ISC_PASSWORD, or from a password file, so that a password need
// not appear in the process list. They stay UTF-8, as the command line gives them.

#include <functional>
#include <istream>
#include <optional>
#include <ostream>
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

// The user: --user, else ISC_USER. The password: --password, or the first line of
// --password-file (standard input for "-"), else ISC_PASSWORD. The role: --role.
// A database on a server needs both a user and a password: without one, CredentialsError
// names the options and the variables (nothing is tried on the tool's own). The embedded
// engine needs neither; without a user it takes the process's login name.
// A password file that cannot be read throws std::runtime_error; one that other users
// may read is used, with a warning on `warnings`.
fb::Credentials ResolveCredentials(const Options& options, const Environment& environment, std::ostream& warnings);

} // namespace zest::cli
