#include "clirunner.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "database/database.h"
#include "register/ddl.h"
#include "registerplace.h"
#include "statement/fspath.h"
#include "testregister.h"

namespace fs = std::filesystem;

namespace zest::test
{

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(FsPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(FsPath(path), ec));
}

std::vector<std::string> DirectoryNames(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(FsPath(dir)))
        names.push_back(Utf8Path(e.path().filename()));
    return names;
}

ScratchDir::ScratchDir()
    : path_(UniqueTempPath("cli", ".d"))
{
    fs::create_directories(path_);
}

ScratchDir::~ScratchDir()
{
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

CliRegister::CliRegister(const std::vector<std::string>& statements)
    : path_(NewRegisterName("cli"))
{
    fb::Database db;
    reg::CreateRegister(db, path_, RegisterAccess());
    reg::ExecuteAll(db, statements);
    db.Close();
}

CliRegister::~CliRegister()
{
    RemoveRegister(path_);
}

namespace
{

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace

testing::AssertionResult MatchesRunGolden(std::string_view name, const std::string& bytes)
{
    const std::string base = std::string(ZEST_GOLDEN_RUN_DIR) + "/" + std::string(name);
    const std::string expectedPath = base + ".txt";
    const std::string receivedPath = base + ".received";

    if (const char* update = std::getenv("ZEST_GOLDEN_UPDATE"); update && std::string_view(update) == "1") {
        WriteBytes(expectedPath, bytes);
        std::remove(receivedPath.c_str());
        return testing::AssertionSuccess() << "rewrote " << expectedPath;
    }
    if (FileExists(expectedPath) && ReadBytes(expectedPath) == bytes) {
        std::remove(receivedPath.c_str());
        return testing::AssertionSuccess();
    }
    WriteBytes(receivedPath, bytes);
    if (!FileExists(expectedPath))
        return testing::AssertionFailure() << "no expected file " << expectedPath << "; output in " << receivedPath;
    return testing::AssertionFailure() << "output differs from " << expectedPath << ":\n"
                                       << DescribeDifference(expectedPath, receivedPath);
}

} // namespace zest::test
