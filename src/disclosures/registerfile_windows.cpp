// The register's file and folder on Windows. A new file or folder takes the permissions
// of the folder it is made in: the default folder, %LOCALAPPDATA%\zestawienia, is its
// user's only; a folder named by ZESTAWIENIA_DISCLOSURES keeps the permissions its
// administrator gave it.
#include "registerfile.h"

#include <windows.h>

#include <filesystem>

#include "statement/fspath.h"

namespace zest::disclosures::files
{

std::error_code MakePrivateFolders(const std::string& folder)
{
    if (folder.empty())
        return {};
    std::error_code error;
    std::filesystem::create_directories(FsPath(folder), error);
    return error;
}

std::error_code MakePrivateFile(const std::string& path)
{
    const std::filesystem::path name = FsPath(path);
    // A symbolic link (a reparse point) is neither followed nor replaced.
    const HANDLE h = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
            return {};
        return { static_cast<int>(error), std::system_category() };
    }
    ::CloseHandle(h);
    return {};
}

} // namespace zest::disclosures::files
