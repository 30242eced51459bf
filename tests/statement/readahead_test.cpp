// The statement run reading ahead for batches of subjects against the run reading
// subject after subject, over a demo register: the same statement bytes and the same
// outcome per subject, for every kind, name range, threshold, marks, check box and
// paging. ZEST_READAHEAD_SUBJECTS sets the register's size (commune: 20000).

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "demoregister.h"
#include "registerplace.h"
#include "statement/librarystate.h"
#include "statement/session.h"
#include "statement/statementfile.h"
#include "statement/statementrun.h"
#include "statement/statementwriter.h"
#include "statement/subjectlist.h"
#include "statement/subjectlistcursor.h"
#include "statement/subjectlistsql.h"
#include "testregister.h"

namespace zest::test
{
namespace
{

int RegisterSubjects()
{
    if (const char* n = std::getenv("ZEST_READAHEAD_SUBJECTS"))
        return std::atoi(n);
#ifdef ZEST_SANITIZED
    return 1500;
#else
    return 5000;
#endif
}

struct Case {
    const char* name;
    int kind; // 0 persons, 1 institutions, 2 groups
    const char* from;
    const char* to;
    std::int32_t threshold;
    bool allMarks;
    RunOptions run;
    StatementOptions text;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

struct Result {
    std::string bytes;
    std::vector<std::string> outcomes;
    long misses = 0;
};

class ReadAhead : public testing::TestWithParam<Case>
{
protected:
    static void SetUpTestSuite()
    {
        path_ = new std::string(NewRegisterName("readahead"));
        fb::Database db;
        demo::CreateDemoRegister(db, *path_, { .subjects = RegisterSubjects(), .seed = 7 }, RegisterAccess());
    }
    static void TearDownTestSuite()
    {
        RemoveRegister(*path_);
        delete path_;
        path_ = nullptr;
    }

    // One run over the subject list of the case, as the statement window makes it.
    static Result RunWith(const Case& c, int batchSize, const StatementRun::Progress& progress = {})
    {
        StatementSession session;
        session.SetConnectionParams(*path_, "SYSDBA", RegisterPassword(), "");
        session.Connect();
        session.StartTransactionAndLoad();
        if (c.allMarks)
            session.Classes.MarkAll();
        AreaState area;
        area.AreaThreshold = c.threshold;
        LineBuffer lines(area);
        SpouseSlots spouses;
        StatementWriter writer(
            session.IBTransaction1, session.Precincts, session.Classes, lines, area, spouses, c.text);
        StatementRun run(session.IBTransaction1, writer, lines, area);
        run.SetBatchSize(batchSize);
        SubjectList list;
        list.Open(session.IBTransaction1, SubjectListSql(c.kind, c.from, c.to));
        if (c.run.wskazany)
            list.SetCurrent(list.RowCount() / 2);
        SubjectListCursor cursor(list);

        const std::string out = UniqueTempPath("readahead", ".txt");
        Result r;
        {
            StatementFile file;
            file.Open(out);
            run.Run(cursor, c.run, file, progress, [&](const SubjectOutcome& o) {
                r.outcomes.push_back(
                    std::to_string(o.Id) + " " + std::to_string(o.SelectedArea) + " " + (o.Written ? "1" : "0"));
            });
            file.Close();
        }
        std::ifstream in(out, std::ios::binary);
        r.bytes.assign(std::istreambuf_iterator<char>(in), {});
        std::remove(out.c_str());
        r.misses = run.ReadAheadMisses();
        return r;
    }

    static std::string* path_;
};

std::string* ReadAhead::path_ = nullptr;

TEST_P(ReadAhead, GivesTheBytesOfTheRunSubjectAfterSubject)
{
    const Case& c = GetParam();
    const Result reference = RunWith(c, 0);
    ASSERT_FALSE(reference.outcomes.empty());
    // A batch boundary inside every kind of statement list, and the default batch.
    for (int batch : { 7, StatementRun::DefaultBatchSize }) {
        const Result r = RunWith(c, batch);
        EXPECT_EQ(r.misses, 0) << "batch " << batch;
        EXPECT_EQ(r.outcomes, reference.outcomes) << "batch " << batch;
        ASSERT_EQ(r.bytes.size(), reference.bytes.size()) << "batch " << batch;
        EXPECT_TRUE(r.bytes == reference.bytes) << "batch " << batch;
    }
}

// A cancel seen on the last progress step keeps the run, whose every statement is
// written; one seen before it ends the run, reading ahead or not.
TEST_F(ReadAhead, CancelOnTheLastStepKeepsTheRun)
{
    const Case c { "institutions", 1, "", "", 0, true, {}, {} };
    const Result reference = RunWith(c, 0);
    for (int batch : { 0, 7 }) {
        int steps = 0;
        const Result r = RunWith(c, batch, [&](int done, int total) {
            ++steps;
            return done < total;
        });
        EXPECT_EQ(r.outcomes, reference.outcomes) << batch;
        EXPECT_TRUE(r.bytes == reference.bytes) << batch;
        EXPECT_GE(steps, static_cast<int>(reference.outcomes.size())) << batch;
        EXPECT_THROW(RunWith(c, batch, [](int done, int) { return done < 3; }), RunCancelled) << batch;
    }
}

RunOptions Boxes(bool onlyHusband, bool onlyWomen, bool one = false)
{
    RunOptions o;
    o.TylkoPrzyMezu = onlyHusband;
    o.TylkoKobiety = onlyWomen;
    o.wskazany = one;
    return o;
}

const StatementOptions Paged { true, false };
const StatementOptions Unpaged { false, true };

const Case Cases[] = {
    { "persons_all_marks", 0, "", "", 0, true, Boxes(false, false), Paged },
    { "persons_defaults", 0, "", "", 10000, false, Boxes(false, false), Paged },
    { "persons_only_husband", 0, "", "", 0, true, Boxes(true, false), Paged },
    { "persons_only_women", 0, "", "", 0, true, Boxes(false, true), Unpaged },
    { "persons_both_boxes_range", 0, "D", "M", 5000, true, Boxes(true, true), Paged },
    { "persons_range_unpaged", 0, "K", "", 20000, false, Boxes(true, false), Unpaged },
    { "person_at_the_cursor", 0, "", "", 0, true, Boxes(true, false, true), Paged },
    { "institutions", 1, "", "", 0, true, Boxes(false, false), Paged },
    { "institutions_range", 1, "F", "S", 10000, false, Boxes(true, true), Unpaged },
    { "groups", 2, "", "", 0, true, Boxes(false, false), Unpaged },
    { "groups_defaults", 2, "", "", 10000, false, Boxes(true, false), Paged },
};

INSTANTIATE_TEST_SUITE_P(DemoRegister, ReadAhead, testing::ValuesIn(Cases),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace
} // namespace zest::test
