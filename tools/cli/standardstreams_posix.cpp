#include "standardstreams.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "statement/errortext.h"
#include "statement/statementfile.h"

namespace zest::cli
{

namespace
{

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err)
{
    throw FileError(what + " " + PathText(path) + ": " + SystemText(err));
}

} // namespace

void UseBinaryStandardStreams() { }

void CloseStandardOutput()
{
    if (::fsync(STDOUT_FILENO) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP)
        Fail("Cannot write to", "standard output", errno);
    // The descriptor points at /dev/null, so that no file opened later takes its number.
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0)
        Fail("Cannot open file", "/dev/null", errno);
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
}

} // namespace zest::cli
