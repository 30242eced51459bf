// The register of disclosures while the tool's output is slow to leave: a reader that
// does not read holds nobody up, and a tool killed in the middle of its output leaves
// its rows unconfirmed, counted as disclosed.

#include <gtest/gtest.h>

#include <atomic>
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

    // The second run alone, for the time it takes on this machine now.
    const auto timed = [&](const std::string& output) {
        const auto start = std::chrono::steady_clock::now();
        const CliResult r = RunCli({ "--database", other.path(), "--output", dir / output }, env);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    const double alone = timed("alone.txt");
    const std::size_t handed = Count(reg.Read(), other.path(), disclosures::StatusDelivered);
    ASSERT_GT(handed, 0u);

    // The first run writes into a pipe that nobody reads.
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    CliEnv first = env;
    first.standardOutput = pipe[1];
    std::atomic<pid_t> firstPid = 0;
    first.started = [&](pid_t pid) {
        firstPid = pid;
        ::close(pipe[1]);
    };
    CliResult firstResult;
    std::atomic<bool> firstEnded = false;
    std::thread firstRun([&] {
        firstResult = RunCli({ "--database", paused.path() }, first);
        firstEnded = true;
    });
    // Killed in the middle of its output, at the end or on the way out of a failure.
    const auto kill = [&] {
        if (!firstRun.joinable())
            return;
        if (firstPid > 0)
            ::kill(firstPid, SIGKILL);
        ::close(pipe[0]); // a run not started yet ends on its first write
        firstRun.join();
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

    // Meanwhile a second run records, writes and confirms without waiting for it: it
    // could not, as the first one cannot end before the test reads its output. Its time
    // is compared with its time alone, which the machine's load and a sanitizer stretch.
    const double beside = timed("beside.txt");
    EXPECT_LT(beside, alone + 3.0);
    std::fprintf(
        stderr, "the second run took %.3f s alone, %.3f s while the first one's output was paused\n", alone, beside);
    EXPECT_EQ(Count(reg.Read(), other.path(), disclosures::StatusDelivered), 2 * handed);
    EXPECT_FALSE(firstEnded) << "the first run waits for its reader: " << firstResult.err;

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
