#pragma once
// zestawienia-cli run as a child process, its standard output and error captured byte
// for byte (clirunner_posix.cpp, clirunner_windows.cpp); a register of a test's own that
// the tool can open; golden output files.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace zest::test
{

struct CliResult {
    int exitCode = -1; // -1 when the tool ended by a signal
    int signal = 0;
    std::string out;
    std::string err;
};

struct CliEnv {
    std::map<std::string, std::string> set; // added to (or replacing in) the environment
    long fileSizeLimit = -1; // RLIMIT_FSIZE in bytes for the child; -1 leaves it
    std::function<void(pid_t)> started; // called with the child's id once it runs
    int standardOutput = -1; // the child's standard output when given (then not captured)
};

CliResult RunCli(const std::vector<std::string>& args, const CliEnv& env = {});

std::string ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
// The names in a directory (no "." and "..").
std::vector<std::string> DirectoryNames(const std::string& dir);
// A new empty directory of this test; removed with its content by the destructor.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const noexcept { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

// A register made for one test and closed again, so the tool (another process using
// the embedded engine, which holds a database exclusively) can open it. Removed at the end.
class CliRegister
{
public:
    explicit CliRegister(const std::vector<std::string>& statements);
    ~CliRegister();
    CliRegister(const CliRegister&) = delete;
    CliRegister& operator=(const CliRegister&) = delete;
    const std::string& path() const noexcept { return path_; }

private:
    std::string path_;
};

// How two files differ, for a failure message: the unified diff on POSIX systems.
std::string DescribeDifference(const std::string& expectedPath, const std::string& receivedPath);

// Compares with tests/golden/run/<name>.txt byte for byte. On a difference writes
// <name>.received next to it and returns the unified diff; ZEST_GOLDEN_UPDATE=1
// rewrites the expected file.
testing::AssertionResult MatchesRunGolden(std::string_view name, const std::string& bytes);

} // namespace zest::test
