#pragma once
// The statement run of the command-line tool over an open session: the subject list of
// each kind in turn with the name range, every subject on it (or the one asked for) into
// one statement file, every statement prepared once. The benchmark times this same call
// (all three kinds), so that it measures what the tool does.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "statement/batchreads.h"
#include "statement/linebuffer.h"
#include "statement/listedsubjects.h"
#include "statement/session.h"
#include "statement/statementrun.h"
#include "statement/statementwriter.h"

namespace zest::cli
{

class UsageError;

struct StatementJob {
    std::vector<int> kinds { 0 }; // in this order; 0 persons, 1 institutions, 2 group subjects
    std::string from, to; // the name range, Windows-1250
    std::optional<std::int32_t> subject; // only this subject of each list (UsageError when absent)
    std::optional<std::int32_t> precinct; // only subjects with a current share in this precinct
    // Instead of the lists: these subjects of the first kind, in this order.
    std::optional<std::vector<std::int32_t>> listed;
    RunOptions run;
    StatementOptions statement;
    int readAhead = StatementRun::DefaultBatchSize; // subjects read ahead at a time; 0: one by one
    bool overlap = true; // the next batch read while the one in hand is written
    // When set, the job's run adds where its time went, and its read-ahead statements by
    // kind (BatchReads::KindNames) and prepares (benchmarks).
    StatementRun::Times* spent = nullptr;
    std::array<long, BatchReads::KindCount>* executionsByKind = nullptr;
    int* readAheadPrepares = nullptr;
};

// Writes the statements into `file` (open for writing) with the session's classes, in
// one read-only snapshot of the register that ends with the job (its precinct names read
// there too), the area threshold of `area` and the lines through `lines`. Throws as
// StatementRun::Run does; the caller discards the file then.
// Returns the listed ids that got no statement, with the reason.
std::vector<ListedSubjects::SetAside> RunStatementJob(StatementSession& session, LineBuffer& lines, AreaState& area,
    const StatementJob& job, StatementFile& file, const StatementRun::Progress& progress = {},
    const StatementRun::OutcomeSink& outcome = {});

} // namespace zest::cli
