#include "tempfile.h"

#include <filesystem>

#include "errortext.h"
#include "fspath.h"
#include "statementfile.h"
#include "systemfile.h"

namespace zest
{

namespace
{

std::string TryMake(const std::string& dir, const std::string& prefix, std::error_code& error)
{
    std::string start = dir;
    if (!start.empty() && std::string_view(sys::FolderSeparators).find(start.back()) == std::string_view::npos)
        start += '/';
    std::string name;
    sys::File file;
    error = sys::CreateUnique(start + prefix, name, file);
    return error ? std::string() : name;
}

} // namespace

std::string MakeTempFileName(const std::string& prefix)
{
    std::string dir = sys::TemporaryFolder();
    std::error_code error;
    std::string path = TryMake(dir, prefix, error);
    if (!path.empty())
        return path;
    std::error_code ec;
    if (!std::filesystem::is_directory(FsPath(dir), ec)) {
        // No temporary directory: the current one, as the platform would do.
        const std::string cwd = Utf8Path(std::filesystem::current_path(ec));
        if (!ec) {
            path = TryMake(cwd, prefix, error);
            if (!path.empty())
                return path;
            dir = cwd;
        }
    }
    throw FileError("Cannot create a temporary file in " + PathText(dir) + ": " + sys::ErrorText(error));
}

TempFileGuard::~TempFileGuard()
{
    if (!path_.empty())
        (void)sys::Remove(path_);
}

void TempFileGuard::Remove()
{
    if (path_.empty())
        return;
    const std::string path = path_;
    path_.clear();
    if (const std::error_code error = sys::Remove(path))
        throw FileError("Cannot delete file " + PathText(path) + ": " + sys::ErrorText(error));
}

} // namespace zest
