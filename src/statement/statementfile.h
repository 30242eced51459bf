#pragma once
// The text file of one statement run: lines are written as their bytes followed by
// CR LF, nothing converted. Errors name the file. The file is new or emptied, readable by
// its owner only, and not inherited by programs the process starts.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "systemfile.h"

namespace zest
{

class FileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class StatementFile
{
public:
    StatementFile() = default;
    ~StatementFile();
    StatementFile(const StatementFile&) = delete;
    StatementFile& operator=(const StatementFile&) = delete;

    // Opens for writing, creating the file or emptying it.
    void Open(const std::string& path);
    // Closes; a failure to close (a delayed write error) throws.
    void Close();
    bool IsOpen() const noexcept { return file_.IsOpen(); }
    const std::string& path() const noexcept { return path_; }

    // Writes lines[0..n) with CR LF each. Returns how many lines were written whole;
    // throws FileError when not all were, after reporting the count through `written`.
    void WriteLines(const std::vector<std::string>& lines, std::size_t& written);

private:
    sys::File file_;
    std::string path_;
    std::string block_;
    std::vector<std::size_t> ends_;
};

} // namespace zest
