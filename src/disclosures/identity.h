#pragma once
// Who runs the program, and where, as the operating system knows it: the register of
// disclosures keeps both beside the register login, which many offices share among all
// their clerks. identity_posix.cpp holds the calls of POSIX systems; another system gets
// a file of its own beside it.

#include <string>

namespace zest::disclosures
{

// The account of the process's user (UTF-8): its login name, or "uid N" when the system
// has no name for it.
std::string AccountName();
// The machine's name on the network (UTF-8); "" when the system does not say.
std::string MachineName();

} // namespace zest::disclosures
