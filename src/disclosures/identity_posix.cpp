#include "identity.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace zest::disclosures
{

std::string AccountName()
{
    const uid_t uid = ::getuid();
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry {};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name
        && *found->pw_name)
        return found->pw_name;
    return "uid " + std::to_string(uid);
}

std::string MachineName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) == 0 && name[0])
        return name;
    utsname system {};
    if (::uname(&system) == 0)
        return system.nodename;
    return {};
}

} // namespace zest::disclosures
