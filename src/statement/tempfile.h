#pragma once
// Temporary statement files: a new, empty file with a given prefix, made atomically
// in the platform's directory for temporary files (or the current directory when
// there is none), and removed again on every path.

#include <string>

namespace zest
{

// Creates the file (so no other process can take the name) and returns its full path.
// Throws FileError when no file can be made.
std::string MakeTempFileName(const std::string& prefix);

// Owns a file path and removes the file when it goes out of scope.
class TempFileGuard
{
public:
    explicit TempFileGuard(std::string path)
        : path_(std::move(path))
    {
    }
    ~TempFileGuard();
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;

    const std::string& path() const noexcept { return path_; }
    // Removes the file now; a failure throws FileError.
    void Remove();

private:
    std::string path_;
};

} // namespace zest
