#include "registerfile.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace zest::disclosures::files
{

namespace
{

std::error_code LastError()
{
    return { errno, std::generic_category() };
}

} // namespace

std::error_code MakePrivateFolders(const std::string& folder)
{
    const std::filesystem::path path(folder);
    if (path.empty())
        return {};
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return {};
    if (path.has_parent_path() && path.parent_path() != path)
        if (const std::error_code parent = MakePrivateFolders(path.parent_path().string()))
            return parent;
    if (::mkdir(folder.c_str(), 0700) != 0) {
        if (errno == EEXIST && std::filesystem::is_directory(path, error))
            return {}; // made by another process meanwhile
        return LastError();
    }
    // The umask may take more away; the folder is its owner's all the same.
    ::chmod(folder.c_str(), 0700);
    return {};
}

std::error_code MakePrivateFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST ? std::error_code() : LastError();
    const bool moded = ::fchmod(fd, 0600) == 0;
    const int err = errno;
    ::close(fd);
    if (!moded)
        return { err, std::generic_category() };
    return {};
}

} // namespace zest::disclosures::files
