#pragma once
// The statement run over a demo register against the bare cost of its statements: the
// sequence the run executed, recorded by a query observer on the connection and replayed
// with every text prepared once, the same parameters and every column of every row read
// as text.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "register/ddl.h"
#include "statement/batchreads.h"
#include "statement/statementrun.h"
#include "stats.h"

namespace zest
{
class StatementSession;
}

namespace zest::disclosures
{
class DisclosureRegister;
}

namespace zest::bench
{

struct RunTarget {
    std::string label; // "embedded" or "server"
    std::string database; // path, or host:path
    reg::RegisterOptions access;
};

// How a timed run is made, and where its time went.
struct RunDetail {
    bool overlap = true; // reading the next batch while writing the one in hand
    StatementRun::Times spent; // summed over the three kinds
    std::array<long, BatchReads::KindCount> byKind {}; // read-ahead statements executed
    int prepares = 0; // read-ahead statements prepared
};

struct RunResult {
    std::string label;
    int subjects = 0;
    Stats run, bare, ratio; // seconds, seconds, run ÷ bare of each repetition
    int prepares = 0; // statements prepared by one run
    std::size_t distinct = 0; // distinct texts among them
    int mostOfOne = 0; // the most prepares of one text
    int memberLists = 0; // prepares of member lists "... IN (...)"
    std::size_t executions = 0;
    std::uintmax_t fileBytes = 0; // the statement file of one run
    Stats record; // seconds of recording the run in a register of disclosures
    Stats recordShare; // that time ÷ the run's own time
    Stats wait; // seconds of recording it again while another process's output is paused
    Stats floor, overFloor; // the one-pass floor after each timed run, and run ÷ floor
    RunDetail detail, inTurnDetail; // the last timed run, and the last one in turn
    double inTurn = 0; // median seconds of the runs in turn, one beside each timed run
};

// Creates the demo register unless `marker` names a kept register of that size.
void EnsureRegister(const RunTarget& t, int subjects, const std::optional<std::filesystem::path>& marker);
void DropRegister(const RunTarget& t) noexcept;

// One traced run (not timed), then `reps` timed runs each followed by its bare replay.
// Every person, institution and group, all classes marked, threshold 0; the statement
// file of the last run stays at `statementFile`.
RunResult MeasureRun(const RunTarget& t, int subjects, int reps, const std::filesystem::path& statementFile);

// Every person, institution and group, all classes marked (as the session has them),
// threshold 0, into one statement file: the tool's own statement run once per kind.
// Returns seconds.
// With a register of disclosures, the run records its subjects there as the tool does
// (one row per written statement, pending and then delivered once the file is whole) and
// `recordSeconds` gets the time of that recording, collecting the rows included;
// `waitSeconds`, after the run, the time of recording and confirming the same rows
// while another process has begun its output of them and stands paused (-1 when it
// failed).
double TimedRun(StatementSession& session, const std::string& outPath,
    const disclosures::DisclosureRegister* record = nullptr, double* recordSeconds = nullptr,
    double* waitSeconds = nullptr, RunDetail* detail = nullptr);

// Whether anything listens on the loopback server's port.
bool ServerReachable();

} // namespace zest::bench
