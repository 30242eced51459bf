#include "statementfile.h"

#include "errortext.h"

namespace zest
{

namespace
{
[[noreturn]] void Fail(const char* what, const std::string& path, const std::error_code& error)
{
    throw FileError(std::string(what) + " " + PathText(path) + ": " + sys::ErrorText(error));
}
} // namespace

StatementFile::~StatementFile() = default;

void StatementFile::Open(const std::string& path)
{
    if (file_.IsOpen())
        Close();
    if (const std::error_code error = sys::CreateTruncated(path, file_))
        Fail("Cannot create file", path, error);
    path_ = path;
}

void StatementFile::Close()
{
    if (const std::error_code error = file_.Close())
        Fail("Cannot close file", path_, error);
}

void StatementFile::WriteLines(const std::vector<std::string>& lines, std::size_t& written)
{
    written = 0;
    if (!file_.IsOpen())
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
    if (const std::error_code error = file_.Write(block, done)) {
        while (written < ends.size() && ends[written] <= done)
            ++written;
        Fail("Cannot write to file", path_, error);
    }
    written = lines.size();
}

} // namespace zest
