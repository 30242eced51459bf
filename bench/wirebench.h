#pragma once
// The wire to the loopback server: the statement run with Firebird's wire compression
// off and on, and many clerks' runs at once, each a process of its own.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "runbench.h"
#include "stats.h"

namespace zest
{
class StatementSession;
}

namespace zest::bench
{

// Whether the session's connection reads its own wire as compressed
// (rdb$get_context('SYSTEM', 'WIRE_COMPRESSED') is TRUE); its transaction must be started.
bool WireCompressed(StatementSession& session);

struct CompressionResult {
    int subjects = 0;
    Stats off, on; // seconds of the run straight to the server, uncompressed and compressed
    Stats ratio; // compressed ÷ uncompressed of each pair of runs
    bool identical = false; // every statement file of both the same bytes
    bool offReadsCompressed = true, onReadsCompressed = false; // as each connection reports it
};

// The run straight to the loopback server over a connection without compression and one
// with it: one untimed run of each, then `reps` pairs, taken in turn (off, on).
CompressionResult MeasureCompression(const RunTarget& server, int subjects, int reps, const std::filesystem::path& dir);

struct ClerksResult {
    int clerks = 0;
    double oneWall = 0; // seconds of one clerk's process alone
    double wall = 0; // seconds of N clerks at once, from the first start to the last end
    bool identical = false; // every statement file the bytes of the one alone
    bool allEnded = false; // every clerk's process ended with status 0
    std::size_t rowsOfOne = 0; // rows that one run recorded in the register of disclosures
    std::size_t rows = 0, delivered = 0; // rows of the N runs in their register, and those delivered
};

// `clerks` runs at once against the loopback server's register, each a process of its own
// (this program with --clerk), after one run alone: the statement run over every person,
// institution and group, all classes marked, threshold 0, recorded in one register of
// disclosures shared by the N (another for the one alone).
ClerksResult MeasureClerks(const RunTarget& server, int subjects, int clerks, const std::filesystem::path& dir);

// One clerk's process: `--clerk DB USER PASSWORD OUT REGISTER`. Returns its exit status.
int ClerkMain(const std::vector<std::string>& args);

} // namespace zest::bench
