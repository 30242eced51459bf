#include "atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "errortext.h"
#include "statementfile.h"

namespace zest
{

namespace
{

[[noreturn]] void Fail(const char* what, const std::string& path, int err)
{
    throw FileError(std::string(what) + " " + PathText(path) + ": " + SystemText(err));
}

// The process's umask, read without setting it: umask() is process-wide, and another
// thread could create a file in the moment it is changed.
mode_t CurrentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

} // namespace

AtomicFile::AtomicFile(std::string path)
    : path_(std::move(path))
    , target_(path_)
{
    struct stat st {
    };
    if (::stat(path_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd_ < 0)
            Fail("Cannot create file", path_, errno);
        inPlace_ = true;
        return;
    }
    // A link to a file: the file is replaced, not the link.
    if (::lstat(path_.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        if (char* real = ::realpath(path_.c_str(), nullptr)) {
            target_ = real;
            std::free(real);
        }
    const std::size_t slash = target_.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    const std::string pattern = target_.substr(0, base) + "." + target_.substr(base) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0)
        Fail("Cannot create file", path_, errno);
    temp_ = name.data();
    // mkstemp makes the file private to its owner.
    const bool replaces = ::stat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    ::fchmod(fd_, replaces ? (st.st_mode & 07777) : (0666 & ~CurrentUmask()));
}

AtomicFile::~AtomicFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!temp_.empty())
        ::unlink(temp_.c_str());
}

void AtomicFile::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail("Cannot write to", path_, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void AtomicFile::Close()
{
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    // A pipe or a device has nothing to flush.
    const bool synced = inPlace_ || ::fsync(fd) == 0;
    const int err = errno;
    if (::close(fd) != 0 || !synced)
        Fail("Cannot write to", path_, synced ? errno : err);
}

void AtomicFile::Commit()
{
    Close();
    if (temp_.empty())
        return;
    if (std::rename(temp_.c_str(), target_.c_str()) != 0)
        Fail("Cannot create file", path_, errno);
    temp_.clear();
}

} // namespace zest
