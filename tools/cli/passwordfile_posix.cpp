// The password file on POSIX systems: read through the descriptor whose mode is checked.
#include "passwordfile.h"

#include <cerrno>
#include <fcntl.h>
#include <iomanip>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "database/scopeexit.h"
#include "statement/errortext.h"

namespace zest::cli
{

namespace
{

[[noreturn]] void FailToRead(const std::string& path, int err)
{
    throw std::runtime_error("Cannot read password file " + PathText(path) + ": " + SystemText(err));
}

} // namespace

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

} // namespace zest::cli
