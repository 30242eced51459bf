#include "statementfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "errortext.h"

namespace zest
{

namespace
{
[[noreturn]] void Fail(const char* what, const std::string& path, int err)
{
    throw FileError(std::string(what) + " " + PathText(path) + ": " + SystemText(err));
}
} // namespace

StatementFile::~StatementFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void StatementFile::Open(const std::string& path)
{
    if (fd_ >= 0)
        Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        Fail("Cannot create file", path, errno);
    fd_ = fd;
    path_ = path;
}

void StatementFile::Close()
{
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        Fail("Cannot close file", path_, errno);
}

void StatementFile::WriteLines(const std::vector<std::string>& lines, std::size_t& written)
{
    written = 0;
    if (fd_ < 0)
        throw FileError("File not open: " + PathText(path_));
    // One write per statement, from buffers kept for the next one.
    std::string& block = block_;
    std::vector<std::size_t>& ends = ends_; // byte offset after each line
    block.clear();
    ends.clear();
    for (const std::string& l : lines) {
        block += l;
        block += "\r\n";
        ends.push_back(block.size());
    }
    std::size_t done = 0;
    while (done < block.size()) {
        const ssize_t n = ::write(fd_, block.data() + done, block.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            while (written < ends.size() && ends[written] <= done)
                ++written;
            Fail("Cannot write to file", path_, err);
        }
        done += static_cast<std::size_t>(n);
    }
    written = lines.size();
}

} // namespace zest
