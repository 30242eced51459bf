#pragma once
// The register's file and folder as the library makes them: private to the account that
// makes them, and never made through a symbolic link. registerfile_posix.cpp holds the
// calls of POSIX systems; another system gets a file of its own beside it. Failures come
// back as the system's error.

#include <string>
#include <system_error>

namespace zest::disclosures::files
{

// Makes the folders of `folder` that are missing, each open to its owner only (0700);
// the folders that are there are left as they are.
std::error_code MakePrivateFolders(const std::string& folder);

// Makes `path` an empty file that only its owner may read and write (0600), unless
// something is there already: a file is left as it is (its mode as the administrator
// set it), and a symbolic link is neither followed nor replaced.
std::error_code MakePrivateFile(const std::string& path);

} // namespace zest::disclosures::files
