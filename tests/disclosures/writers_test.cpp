// Several processes on one register of disclosures: two writing at once lose no row, and
// a writer killed in the middle of its writes leaves a register that opens and reads.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "database/scopeexit.h"
#include "disclosures/register.h"
#include "disclosures/sqlite.h"
#include "testregister.h"

using namespace zest::disclosures;

namespace
{

std::vector<Disclosure> Rows(std::int32_t first, int n)
{
    std::vector<Disclosure> rows;
    for (int i = 0; i < n; ++i)
        rows.push_back(Disclosure { "U", "db", first + i, "Nowak Jan", "kind=fizyczne" });
    return rows;
}

// A child that waits until the pipe `start` is closed, then runs `body`; exit code 0 when
// it ended without an error (the error is written to standard error).
template <class F> pid_t Writer(const int (&start)[2], F body)
{
    const pid_t child = fork();
    if (child != 0)
        return child;
    close(start[1]);
    char c;
    (void)!read(start[0], &c, 1);
    try {
        body();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        _exit(1);
    }
    _exit(0);
}

int ExitCode(pid_t child)
{
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DisclosureWriters, TwoProcessesAtOnceLoseNoRow)
{
    const std::string path = zest::test::UniqueTempPath("disclosures-two", ".sqlite");
    constexpr int PerProcess = 1000, PerOutput = 4;
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    std::vector<pid_t> children;
    for (const std::int32_t base : { 100000, 200000 })
        children.push_back(Writer(start, [&] {
            const DisclosureRegister reg(path);
            for (int i = 0; i < PerProcess; i += PerOutput)
                reg.Begin(Rows(base + i, PerOutput), Output::Cli).Commit();
        }));
    close(start[0]);
    close(start[1]); // both start now
    for (const pid_t child : children)
        EXPECT_EQ(ExitCode(child), 0);

    const std::vector<DisclosureRow> rows = DisclosureRegister(path).Read();
    std::set<std::int32_t> ids;
    for (const DisclosureRow& r : rows)
        ids.insert(r.subjectId);
    EXPECT_EQ(rows.size(), 2u * PerProcess);
    EXPECT_EQ(ids.size(), 2u * PerProcess);
}

TEST(DisclosureWriters, WriterKilledWhileWritingLeavesAReadableRegister)
{
    const std::string path = zest::test::UniqueTempPath("disclosures-killed", ".sqlite");
    constexpr int PerOutput = 25;
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    pid_t child = Writer(start, [&] {
        const DisclosureRegister reg(path);
        for (std::int32_t i = 0;; i += PerOutput)
            reg.Begin(Rows(i, PerOutput), Output::Print).Commit();
    });
    const zest::ScopeExit stop([&] {
        if (child > 0)
            kill(child, SIGKILL), ExitCode(child);
    });
    close(start[0]);
    close(start[1]);
    const DisclosureRegister reg(path);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (reg.Read().size() < 2000 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    kill(child, SIGKILL);
    EXPECT_EQ(ExitCode(std::exchange(child, 0)), -1);

    const std::size_t kept = reg.Read().size();
    EXPECT_GE(kept, 2000u);
    EXPECT_EQ(kept % PerOutput, 0u) << "an output is recorded whole or not at all";
    {
        zest::disclosures::sqlite::Connection db(path, false);
        zest::disclosures::sqlite::Statement check(db, "PRAGMA integrity_check");
        ASSERT_TRUE(check.Step());
        EXPECT_EQ(check.Text(0), "ok");
    }
    reg.Begin(Rows(-1, 1), Output::Print).Commit();
    EXPECT_EQ(reg.Read().size(), kept + 1);
}

} // namespace
