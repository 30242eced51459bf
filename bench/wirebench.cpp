#include "wirebench.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "database/database.h"
#include "disclosures/register.h"
#include "statement/session.h"

extern char** environ;

namespace fs = std::filesystem;

namespace zest::bench
{

namespace
{

std::string Bytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A session straight to the server, loaded, every class marked.
void Open(StatementSession& session, const RunTarget& server, std::optional<bool> compression)
{
    session.SetConnectionParams(server.database, server.access.user, server.access.password, "");
    session.SetWireCompression(compression);
    session.Connect();
    session.StartTransactionAndLoad();
    session.Classes.MarkAll();
}

// Starts this program as one clerk; the process id, or -1.
pid_t StartClerk(const RunTarget& server, const fs::path& out, const fs::path& registerFile)
{
    const std::vector<std::string> args { "/proc/self/exe", "--clerk", server.database, server.access.user,
        server.access.password, out.string(), registerFile.string() };
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

bool Ended(pid_t pid)
{
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void RemoveRegister(const fs::path& file)
{
    std::error_code ignored;
    for (const char* suffix : { "", "-wal", "-shm", "-journal" })
        fs::remove(file.string() + suffix, ignored);
}

} // namespace

bool WireCompressed(StatementSession& session)
{
    fb::Query q(session.IBTransaction1, "select rdb$get_context('SYSTEM', 'WIRE_COMPRESSED') as c from rdb$database");
    q.Open();
    return q.Next() && q.AsString("c") == "TRUE";
}

CompressionResult MeasureCompression(const RunTarget& server, int subjects, int reps, const fs::path& dir)
{
    CompressionResult r;
    r.subjects = subjects;
    StatementSession plain, compressed;
    Open(plain, server, false);
    Open(compressed, server, true);
    r.offReadsCompressed = WireCompressed(plain);
    r.onReadsCompressed = WireCompressed(compressed);
    const fs::path offFile = dir / "statements-uncompressed.txt", onFile = dir / "statements-compressed.txt";
    // Untimed: the server's page cache warmed for both.
    TimedRun(plain, offFile.string());
    TimedRun(compressed, onFile.string());
    const std::string reference = Bytes(offFile);
    r.identical = !reference.empty() && Bytes(onFile) == reference;
    std::vector<double> offs, ons, ratios;
    for (int i = 0; i < reps; ++i) {
        const double off = TimedRun(plain, offFile.string());
        const double on = TimedRun(compressed, onFile.string());
        r.identical = r.identical && Bytes(offFile) == reference && Bytes(onFile) == reference;
        std::printf("  server %d, rep %d: uncompressed %.3f s, compressed %.3f s, ratio %.3f\n", subjects, i + 1, off,
            on, on / off);
        std::fflush(stdout);
        offs.push_back(off);
        ons.push_back(on);
        ratios.push_back(on / off);
    }
    plain.Disconnect();
    compressed.Disconnect();
    fs::remove(offFile);
    fs::remove(onFile);
    r.off = Summarise(offs);
    r.on = Summarise(ons);
    r.ratio = Summarise(ratios);
    std::printf("  server %d: compressed ÷ uncompressed %.3f, wire compressed %s / %s, statements %s\n", subjects,
        r.ratio.median, r.offReadsCompressed ? "TRUE" : "FALSE", r.onReadsCompressed ? "TRUE" : "FALSE",
        r.identical ? "identical" : "DIFFERENT");
    std::fflush(stdout);
    return r;
}

ClerksResult MeasureClerks(const RunTarget& server, int subjects, int clerks, const fs::path& dir)
{
    ClerksResult r;
    r.clerks = clerks;
    // One alone: the reference bytes and rows.
    const fs::path oneFile = dir / "clerk-alone.txt", oneRegister = dir / "clerk-alone.sqlite";
    RemoveRegister(oneRegister);
    auto start = std::chrono::steady_clock::now();
    const bool oneEnded = Ended(StartClerk(server, oneFile, oneRegister));
    r.oneWall = Since(start);
    const std::string reference = Bytes(oneFile);
    r.rowsOfOne = oneEnded ? disclosures::DisclosureRegister(oneRegister.string()).Read().size() : 0;
    std::printf("  %d subjects, one clerk alone: %.3f s, %zu rows of disclosures%s\n", subjects, r.oneWall, r.rowsOfOne,
        oneEnded ? "" : ", FAILED");
    std::fflush(stdout);

    const fs::path shared = dir / "clerks.sqlite";
    RemoveRegister(shared);
    std::vector<pid_t> pids;
    std::vector<fs::path> files;
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < clerks; ++i) {
        files.push_back(dir / ("clerk-" + std::to_string(i + 1) + ".txt"));
        pids.push_back(StartClerk(server, files.back(), shared));
    }
    r.allEnded = oneEnded;
    for (const pid_t pid : pids)
        r.allEnded = Ended(pid) && r.allEnded;
    r.wall = Since(start);
    r.identical = r.allEnded && !reference.empty();
    for (const fs::path& f : files) {
        r.identical = r.identical && Bytes(f) == reference;
        fs::remove(f);
    }
    if (r.allEnded) {
        const std::vector<disclosures::DisclosureRow> rows = disclosures::DisclosureRegister(shared.string()).Read();
        r.rows = rows.size();
        for (const disclosures::DisclosureRow& row : rows)
            r.delivered += row.status == disclosures::StatusDelivered;
    }
    std::printf("  %d clerks at once: %.3f s (%.2f× one alone), statements %s, %zu rows of disclosures (%zu "
                "delivered) for %d × %zu\n",
        clerks, r.wall, r.wall / r.oneWall, r.identical ? "identical" : "DIFFERENT", r.rows, r.delivered, clerks,
        r.rowsOfOne);
    std::fflush(stdout);
    fs::remove(oneFile);
    RemoveRegister(oneRegister);
    RemoveRegister(shared);
    return r;
}

int ClerkMain(const std::vector<std::string>& args)
{
    if (args.size() != 5) {
        std::fprintf(stderr, "zestawienia-bench --clerk DB USER PASSWORD OUT REGISTER\n");
        return 2;
    }
    int status = 0;
    try {
        RunTarget server;
        server.database = args[0];
        server.access.user = args[1];
        server.access.password = args[2];
        StatementSession session;
        Open(session, server, std::nullopt);
        const disclosures::DisclosureRegister record(args[4]);
        TimedRun(session, args[3], &record);
        session.Disconnect();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zestawienia-bench --clerk: %s\n", e.what());
        status = 1;
    }
    fb::ShutdownClient();
    return status;
}

} // namespace zest::bench
