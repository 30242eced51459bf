#include "subjectsfile.h"

#include <cerrno>
#include <fstream>
#include <iostream>

#include "cliargs.h"
#include "database/numbertext.h"
#include "statement/errortext.h"
#include "statement/fspath.h"
#include "statement/statementfile.h"

namespace zest::cli
{

std::vector<std::int32_t> ReadSubjectIds(std::istream& in, const std::string& name)
{
    std::vector<std::int32_t> ids;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos)
            continue;
        const std::size_t last = line.find_last_not_of(" \t\r");
        const std::string text = line.substr(first, last - first + 1);
        const auto id = fb::NumberFromText<std::int32_t>(text);
        if (!id || *id <= 0)
            throw UsageError(
                "--subjects-file: " + name + ":" + std::to_string(number) + ": '" + text + "' is not a subject id");
        ids.push_back(*id);
    }
    return ids;
}

std::vector<std::int32_t> ReadSubjectIdsFile(const std::string& path)
{
    if (path == "-")
        return ReadSubjectIds(std::cin, "standard input");
    std::ifstream in(FsPath(path), std::ios::binary);
    if (!in) {
        const int err = errno;
        throw FileError("Cannot open file " + PathText(path) + ": " + SystemText(err));
    }
    std::vector<std::int32_t> ids = ReadSubjectIds(in, path);
    if (in.bad()) {
        const int err = errno;
        throw FileError("Cannot read file " + PathText(path) + ": " + SystemText(err));
    }
    return ids;
}

} // namespace zest::cli
