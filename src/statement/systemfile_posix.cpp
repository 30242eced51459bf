// The file calls on POSIX systems.
#include "systemfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "codepage.h"

namespace zest::sys
{

struct FileAccess {
    static File Own(int fd) noexcept
    {
        File f;
        f.handle_ = fd;
        return f;
    }
    static int Fd(const File& f) noexcept { return static_cast<int>(f.handle_); }
};

namespace
{

std::error_code LastError() noexcept
{
    return { errno, std::generic_category() };
}

std::error_code Open(const std::string& path, int flags, File& file)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0600);
    if (fd < 0)
        return LastError();
    file = FileAccess::Own(fd);
    return {};
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

const char* const FolderSeparators = "/";

File::~File()
{
    if (handle_ != Closed && owned_)
        ::close(static_cast<int>(handle_));
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        if (handle_ != Closed && owned_)
            ::close(static_cast<int>(handle_));
        handle_ = other.handle_;
        owned_ = other.owned_;
        other.handle_ = Closed;
    }
    return *this;
}

std::error_code File::Write(std::string_view bytes, std::size_t& written) noexcept
{
    written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(static_cast<int>(handle_), bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return LastError();
        }
        written += static_cast<std::size_t>(n);
    }
    return {};
}

std::error_code File::Read(char* buffer, std::size_t size, std::size_t& read) noexcept
{
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle_), buffer, size);
        if (n >= 0) {
            read = static_cast<std::size_t>(n);
            return {};
        }
        if (errno != EINTR)
            return LastError();
    }
}

std::error_code File::Flush() noexcept
{
    return ::fsync(static_cast<int>(handle_)) == 0 ? std::error_code() : LastError();
}

std::error_code File::Close() noexcept
{
    if (handle_ == Closed)
        return {};
    const int fd = static_cast<int>(handle_);
    handle_ = Closed;
    if (!owned_)
        return {};
    return ::close(fd) == 0 ? std::error_code() : LastError();
}

File File::StandardOutput() noexcept
{
    File f = FileAccess::Own(STDOUT_FILENO);
    f.owned_ = false;
    return f;
}

Kind KindOf(const std::string& path) noexcept
{
    struct stat st {
    };
    if (::stat(path.c_str(), &st) != 0)
        return Kind::Missing;
    return S_ISREG(st.st_mode) ? Kind::RegularFile : Kind::Other;
}

std::error_code CreateTruncated(const std::string& path, File& file)
{
    return Open(path, O_WRONLY | O_CREAT | O_TRUNC, file);
}

std::error_code OpenToOverwrite(const std::string& path, File& file)
{
    return Open(path, O_WRONLY | O_TRUNC, file);
}

std::error_code OpenToRead(const std::string& path, File& file)
{
    return Open(path, O_RDONLY, file);
}

std::error_code CreateUnique(const std::string& prefix, std::string& name, File& file)
{
    std::vector<char> buffer(prefix.begin(), prefix.end());
    for (char c : std::string_view("XXXXXX"))
        buffer.push_back(c);
    buffer.push_back('\0');
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0)
        return LastError();
    file = FileAccess::Own(fd);
    name = buffer.data();
    return {};
}

void TakePermissions(File& file, const std::string& target) noexcept
{
    struct stat st {
    };
    const bool replaces = ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    ::fchmod(FileAccess::Fd(file), replaces ? (st.st_mode & 07777) : (0666 & ~CurrentUmask()));
}

std::string LinkTarget(const std::string& path)
{
    struct stat st {
    };
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string target = real;
            std::free(real);
            return target;
        }
    return path;
}

std::error_code MoveOver(const std::string& from, const std::string& to) noexcept
{
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code Remove(const std::string& path) noexcept
{
    return ::unlink(path.c_str()) == 0 || errno == ENOENT ? std::error_code() : LastError();
}

std::string TemporaryFolder()
{
    if (const char* t = std::getenv("TMPDIR"); t && *t)
        return t;
    return "/tmp";
}

std::string ErrorText(const std::error_code& error)
{
    return cp1250::FromUtf8(std::strerror(error.value()), cp1250::Substitute);
}

} // namespace zest::sys
