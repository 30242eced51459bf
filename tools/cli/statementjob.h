#pragma once
// The statement run of the command-line tool over an open session: the subject list of
// one kind and name range, every subject on it (or the one asked for) into a statement
// file. The benchmark times this same call, so that it measures what the tool does.

#include <cstdint>
#include <optional>
#include <string>

#include "statement/linebuffer.h"
#include "statement/session.h"
#include "statement/statementrun.h"
#include "statement/statementwriter.h"

namespace zest::cli
{

class UsageError;

struct StatementJob {
    int kind = 0; // 0 persons, 1 institutions, 2 group subjects
    std::string from, to; // the name range, Windows-1250
    std::optional<std::int32_t> subject; // only this listed subject (UsageError when absent)
    RunOptions run;
    StatementOptions statement;
};

// Writes the statements into `file` (open for writing) with the session's classes and
// precincts, the area threshold of `area` and the lines through `lines`. Throws as
// StatementRun::Run does; the caller discards the file then.
void RunStatementJob(StatementSession& session, LineBuffer& lines, AreaState& area, const StatementJob& job,
    StatementFile& file, const StatementRun::Progress& progress = {}, const StatementRun::OutcomeSink& outcome = {});

} // namespace zest::cli
