#include "statementjob.h"

#include "cliargs.h"
#include "querycursor.h"
#include "statement/spouseslots.h"
#include "statement/subjectlistsql.h"

namespace zest::cli
{

std::vector<ListedSubjects::SetAside> RunStatementJob(StatementSession& session, LineBuffer& lines, AreaState& area,
    const StatementJob& job, StatementFile& file, const StatementRun::Progress& progress,
    const StatementRun::OutcomeSink& outcome)
{
    SpouseSlots spouses;
    StatementWriter writer(
        session.IBTransaction1, session.Precincts, session.Classes, lines, area, spouses, job.statement);
    StatementRun run(session.IBTransaction1, writer, lines, area);
    run.SetBatchSize(job.readAhead);
    if (job.listed) {
        ListedSubjects list(session.IBTransaction1, job.kinds.at(0), *job.listed);
        run.Run(list, job.run, file, progress, outcome);
        return list.SetAsideIds();
    }
    for (const int kind : job.kinds) {
        QueryCursor list(
            PrepareWithPlanFallback(session.IBTransaction1, SubjectListSql(kind, job.from, job.to, job.precinct)));
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
