#pragma once
// The first line of a password file, without its line end (LF or CR LF); on POSIX systems
// a file that other users may read is used with a warning on `warnings`, on Windows (no
// mode bits; the folder's ACL decides) without one (passwordfile_posix.cpp,
// passwordfile_windows.cpp). A file that cannot be read throws std::runtime_error.

#include <ostream>
#include <string>

namespace zest::cli
{

std::string ReadPasswordFile(const std::string& path, std::ostream& warnings);

} // namespace zest::cli
