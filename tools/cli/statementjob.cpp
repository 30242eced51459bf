#include "statementjob.h"

#include "cliargs.h"
#include "database/scopeexit.h"
#include "querycursor.h"
#include "statement/runsnapshot.h"
#include "statement/spouseslots.h"
#include "statement/subjectlistsql.h"

namespace zest::cli
{

std::vector<ListedSubjects::SetAside> RunStatementJob(StatementSession& session, LineBuffer& lines, AreaState& area,
    const StatementJob& job, StatementFile& file, const StatementRun::Progress& progress,
    const StatementRun::OutcomeSink& outcome)
{
    // Every list and statement of the job in one snapshot of the register.
    RunSnapshot snapshot(session.IBDatabase1);
    fb::Transaction& tr = snapshot.Transaction();
    SpouseSlots spouses;
    StatementWriter writer(tr, snapshot.Precincts(), session.Classes, lines, area, spouses, job.statement);
    StatementRun run(tr, writer, lines, area);
    run.SetBatchSize(job.readAhead);
    run.SetOverlap(job.overlap);
    const ScopeExit report([&] {
        const StatementRun::Times& t = run.SpentTimes();
        if (job.spent) {
            job.spent->Reading += t.Reading;
            job.spent->Formatting += t.Formatting;
            job.spent->Writing += t.Writing;
            job.spent->Waiting += t.Waiting;
        }
        if (const BatchReads* reads = run.ReadAhead()) {
            if (job.executionsByKind)
                for (std::size_t k = 0; k < BatchReads::KindCount; ++k)
                    (*job.executionsByKind)[k] += reads->ExecutionsByKind()[k];
            if (job.readAheadPrepares)
                *job.readAheadPrepares += reads->PreparedStatements();
        }
    });
    if (job.listed) {
        ListedSubjects list(tr, job.kinds.at(0), *job.listed);
        run.Run(list, job.run, file, progress, outcome);
        return list.SetAsideIds();
    }
    for (const int kind : job.kinds) {
        QueryCursor list(PrepareWithPlanFallback(tr, SubjectListSql(kind, job.from, job.to, job.precinct)));
        RunOptions options = job.run;
        if (job.subject) {
            list.First();
            while (!list.Eof() && list.Current().Integer("id_pdm") != *job.subject)
                list.Next();
            if (list.Eof())
                throw UsageError("--subject: " + std::to_string(*job.subject) + " is not in the list");
            options.wskazany = true;
        }
        run.Run(list, options, file, progress, outcome);
    }
    return {};
}

} // namespace zest::cli
