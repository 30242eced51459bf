#pragma once
// The statement run over a link that adds a round-trip time: the server's register
// reached through our forwarder on 127.0.0.1, against its floor, one pass that reads
// every row the run reads through the same link, one statement per table.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "runbench.h"
#include "stats.h"

namespace zest::bench
{

struct NetResult {
    int subjects = 0;
    double rttMs = 0;
    Stats run, floor, ratio; // seconds, seconds, run ÷ floor of each repetition
    std::size_t statements = 0; // statements executed by one run
    std::uint64_t roundTrips = 0; // client turns of one run, counted by the link
    std::uint64_t floorRoundTrips = 0; // and of one floor pass
    // One more run of the persons as the window sees it: the longest wait between two
    // progress calls (each lets the window answer "Anuluj"), and the time from a cancel
    // asked half-way to the end of the run.
    double progressMaxGap = 0;
    double cancelLatency = 0;
    // The link's width (0: none), the bytes through it of one run and of one floor pass
    // (both directions; from the server alone in `...FromServer`), and whether the
    // connection reads its wire as compressed (rdb$get_context WIRE_COMPRESSED).
    double mbit = 0;
    std::uint64_t bytesPerRun = 0, bytesFromServerPerRun = 0;
    std::uint64_t floorBytes = 0, floorBytesFromServer = 0;
    bool compressed = false;
    // Where the time of the last timed run went, and one more run reading and writing
    // in turn (no reader thread); round trips of walking the three lists alone.
    RunDetail detail, inTurnDetail;
    double inTurn = 0;
    std::uint64_t inTurnRoundTrips = 0;
    std::uint64_t listRoundTrips = 0;
};

// One pass that reads every row a run over every subject reads, one statement per table
// (the three lists, holdings, marriages, group members, addresses). Returns seconds.
double TimedFloor(fb::Transaction& tr);

// `server` names the register on the loopback server ("127.0.0.1:path", its access);
// the runs go through a forwarder to port 3050 that adds `rttMs` to every round trip.
// `reps` timed runs, each followed by its floor pass; the statements go to
// `statementFile`. With `mbit`, the link is that many Mbit/s wide in each direction;
// `compression` sets the connection's wire compression (none: the environment's, else
// the library's default).
NetResult MeasureNet(const RunTarget& server, int subjects, double rttMs, int reps,
    const std::filesystem::path& statementFile, double mbit = 0, std::optional<bool> compression = std::nullopt);

} // namespace zest::bench
