#pragma once
// The list of subject ids a clerk hands the tool (--subjects-file): one id per line,
// blank lines and comments from '#' to the end of a line allowed, CRLF line ends and a
// UTF-8 byte order mark too.

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace zest::cli
{

// Throws UsageError naming the file and line of a line that holds no id, or more.
std::vector<std::int32_t> ReadSubjectIds(std::istream& in, const std::string& name);
// "-" reads standard input; a file that cannot be read throws FileError.
std::vector<std::int32_t> ReadSubjectIdsFile(const std::string& path);

} // namespace zest::cli
