#include "statementjob.h"

#include "cliargs.h"
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
