#include "tempfile.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <vector>

#include "errortext.h"
#include "statementfile.h"

namespace zest
{

namespace
{

std::string TryMake(const std::string& dir, const std::string& prefix, int& err)
{
    std::string pattern = dir;
    if (!pattern.empty() && pattern.back() != '/')
        pattern += '/';
    pattern += prefix + "XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const int fd = ::mkstemp(buf.data());
    if (fd < 0) {
        err = errno;
        return {};
    }
    ::close(fd);
    return std::string(buf.data());
}

} // namespace

std::string MakeTempFileName(const std::string& prefix)
{
    std::string dir;
    if (const char* t = std::getenv("TMPDIR"); t && *t)
        dir = t;
    else
        dir = "/tmp";
    int err = 0;
    std::string path = TryMake(dir, prefix, err);
    if (!path.empty())
        return path;
    if (!std::filesystem::is_directory(dir)) {
        // No temporary directory: the current one, as the platform would do.
        std::error_code ec;
        const std::string cwd = std::filesystem::current_path(ec).string();
        if (!ec) {
            path = TryMake(cwd, prefix, err);
            if (!path.empty())
                return path;
            dir = cwd;
        }
    }
    throw FileError("Cannot create a temporary file in " + PathText(dir) + ": " + SystemText(err));
}

TempFileGuard::~TempFileGuard()
{
    if (!path_.empty())
        ::unlink(path_.c_str());
}

void TempFileGuard::Remove()
{
    if (path_.empty())
        return;
    const std::string path = path_;
    path_.clear();
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw FileError("Cannot delete file " + PathText(path) + ": " + SystemText(errno));
}

} // namespace zest
