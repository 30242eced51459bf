// The register of disclosures while the tool's output is slow to leave: a reader that
// does not read holds nobody up, and a tool killed in the middle of its output leaves
// its rows unconfirmed, counted as disclosed.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <thread>
#include <unistd.h>

#include "clirunner.h"
#include "database/database.h"
#include "database/scopeexit.h"
#include "demoregister.h"
#include "disclosures/register.h"
#include "testregister.h"

namespace zest::test
{
namespace
{

// A demo register of its own, closed so that the tool can open it.
class Demo
{
public:
    explicit Demo(int subjects)
        : path_(UniqueTempPath("cli-disclosures"))
    {
        fb::Database db;
        demo::CreateDemoRegister(db, path_, { .subjects = subjects });
        db.Close();
    }
    ~Demo() { std::remove(path_.c_str()); }
    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;
    const std::string& path() const noexcept { return path_; }

private:
    std::string path_;
};

std::size_t Count(const std::vector<disclosures::DisclosureRow>& rows, const std::string& database, const char* status)
{
    std::size_t n = 0;
    for (const auto& r : rows)
        n += r.database == database && r.status == status;
    return n;
}

TEST(CliDisclosures, PausedReaderHoldsNobodyUpAndAKilledRunLeavesUnconfirmedRows)
{
    const Demo paused(60), other(10); // 60 subjects: more statement than a pipe holds
    ScratchDir dir;
    CliEnv env;
    env.set["ZESTAWIENIA_DISCLOSURES"] = dir / "d.sqlite";
    const disclosures::DisclosureRegister reg(dir / "d.sqlite");

    // The first run writes into a pipe that nobody reads.
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    CliEnv first = env;
    first.standardOutput = pipe[1];
    pid_t firstPid = 0;
    first.started = [&](pid_t pid) {
        firstPid = pid;
        ::close(pipe[1]);
    };
    CliResult firstResult;
    std::thread firstRun([&] { firstResult = RunCli({ "--database", paused.path() }, first); });
    // Killed in the middle of its output, at the end or on the way out of a failure.
    const auto kill = [&] {
        if (!firstRun.joinable())
            return;
        ::kill(firstPid, SIGKILL);
        firstRun.join();
        ::close(pipe[0]);
    };
    const ScopeExit killed(kill);
    // Its rows are in the register before its first byte leaves.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    std::size_t recorded = 0;
    while ((recorded = Count(reg.Read(), paused.path(), disclosures::StatusPending)) == 0
        && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_GT(recorded, 0u) << "the first run recorded nothing";
    char byte;
    EXPECT_EQ(::read(pipe[0], &byte, 1), 1) << "its output began";

    // Meanwhile a second run records, writes and confirms without waiting for it.
    const auto start = std::chrono::steady_clock::now();
    const CliResult second = RunCli({ "--database", other.path(), "--output", dir / "o.txt" }, env);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_LT(seconds, 3.0);
    std::fprintf(stderr, "the second run took %.3f s while the first one's output was paused\n", seconds);
    EXPECT_GT(Count(reg.Read(), other.path(), disclosures::StatusDelivered), 0u);

    kill();
    EXPECT_EQ(firstResult.signal, SIGKILL);
    const std::vector<disclosures::DisclosureRow> rows = reg.Read();
    EXPECT_EQ(Count(rows, paused.path(), disclosures::StatusPending), recorded);
    const CliResult listing = RunCli({ "disclosures" }, env);
    EXPECT_NE(listing.out.find(";" + paused.path() + ";"), std::string::npos);
    EXPECT_NE(listing.out.find(";cli;unconfirmed;"), std::string::npos) << listing.out;
}

} // namespace
} // namespace zest::test
