#include "credentials.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iomanip>
#include <iostream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "database/scopeexit.h"
#include "statement/errortext.h"
#include "statement/session.h"

namespace zest::cli
{

namespace
{

[[noreturn]] void FailToRead(const std::string& path, int err)
{
    throw std::runtime_error("Cannot read password file " + PathText(path) + ": " + SystemText(err));
}

// The first line of the file, read through the descriptor whose permissions were checked.
std::string ReadPasswordFile(const std::string& path, std::ostream& warnings)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        FailToRead(path, errno);
    const ScopeExit closeFile([fd] { ::close(fd); });
    struct stat st {
    };
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & (S_IRGRP | S_IROTH)) != 0)
        warnings << "zestawienia-cli: warning: password file " << path << " can be read by other users (mode "
                 << std::oct << std::setw(4) << std::setfill('0') << (st.st_mode & 07777) << std::dec
                 << "); keep it to yourself: chmod 600 " << path << "\n";
    std::string text;
    char chunk[512];
    while (text.find('\n') == std::string::npos) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            FailToRead(path, errno);
        if (n == 0)
            break;
        text.append(chunk, static_cast<std::size_t>(n));
    }
    text.erase(std::min(text.find('\n'), text.size()));
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}

} // namespace

Environment ProcessEnvironment()
{
    return [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (!value || !*value)
            return std::nullopt;
        return std::string(value);
    };
}

std::string FirstLine(std::istream& in)
{
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

fb::Credentials ResolveCredentials(const Options& o, const Environment& environment, std::ostream& warnings)
{
    fb::Credentials c;
    c.user = o.user ? *o.user : environment("ISC_USER").value_or("");
    if (o.password)
        c.password = *o.password;
    else if (o.passwordFile == "-")
        c.password = FirstLine(std::cin);
    else if (!o.passwordFile.empty())
        c.password = ReadPasswordFile(o.passwordFile, warnings);
    else
        c.password = environment("ISC_PASSWORD").value_or("");
    c.role = o.role;
    if (fb::Database::IsRemote(o.database) && (c.user.empty() || c.password.empty()))
        throw CredentialsError("a database on a server needs a user name and a password: give --user and --password "
                               "or --password-file, or set ISC_USER and ISC_PASSWORD");
    return c;
}

} // namespace zest::cli
