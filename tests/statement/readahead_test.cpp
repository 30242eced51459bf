// The statement run reading ahead for batches of subjects against the run reading
// subject after subject, over a demo register: the same statement bytes and the same
// outcome per subject, for every kind, name range, threshold, marks, check box and
// paging. ZEST_READAHEAD_SUBJECTS sets the register's size (commune: 20000).

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
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

// What a run that threw left behind.
struct Leftovers {
    std::size_t outcomes = 0; // subjects reported before it stopped
    bool bufferEmpty = false;
};

// The list's cursor that fails on a Next after `failAt` rows, as a list whose fetch meets
// a dropped connection.
class FailingCursor : public SubjectCursor
{
public:
    FailingCursor(SubjectCursor& inner, int failAt)
        : inner_(&inner)
        , failAt_(failAt)
    {
    }
    bool IsOpen() const override { return inner_->IsOpen(); }
    void First() override
    {
        walked_ = 0;
        inner_->First();
    }
    bool Eof() const override { return inner_->Eof(); }
    void Next() override
    {
        if (failAt_ >= 0 && ++walked_ >= failAt_)
            throw std::runtime_error("the list broke");
        inner_->Next();
    }
    const SubjectRow& Current() const override { return inner_->Current(); }
    std::unique_ptr<SubjectRow> HoldCurrent() const override { return inner_->HoldCurrent(); }
    int Count(const std::function<void()>& tick) override { return inner_->Count(tick); }

private:
    SubjectCursor* inner_;
    int failAt_;
    int walked_ = 0;
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
    static Result RunWith(const Case& c, int batchSize, const StatementRun::Progress& progress = {},
        bool overlap = true, Leftovers* left = nullptr, int failAt = -1)
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
        run.SetOverlap(overlap);
        SubjectList list;
        list.Open(session.IBTransaction1, SubjectListSql(c.kind, c.from, c.to));
        if (c.run.wskazany)
            list.SetCurrent(list.RowCount() / 2);
        SubjectListCursor listCursor(list);
        FailingCursor cursor(listCursor, failAt);

        const std::string out = UniqueTempPath("readahead", ".txt");
        Result r;
        try {
            StatementFile file;
            file.Open(out);
            run.Run(cursor, c.run, file, progress, [&](const SubjectOutcome& o) {
                r.outcomes.push_back(
                    std::to_string(o.Id) + " " + std::to_string(o.SelectedArea) + " " + (o.Written ? "1" : "0"));
            });
            file.Close();
        } catch (...) {
            if (left) {
                left->outcomes = r.outcomes.size();
                left->bufferEmpty = lines.empty();
            }
            std::remove(out.c_str());
            throw;
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
    // A batch boundary inside every kind of statement list, and the default batch, read
    // while the batch before is written; the default batch also read and written in turn.
    struct Way {
        int batch;
        bool overlap;
    };
    for (const Way w : { Way { 7, true }, Way { StatementRun::DefaultBatchSize, true },
             Way { StatementRun::DefaultBatchSize, false } }) {
        const Result r = RunWith(c, w.batch, {}, w.overlap);
        const std::string way = "batch " + std::to_string(w.batch) + (w.overlap ? ", overlapped" : ", in turn");
        EXPECT_EQ(r.misses, 0) << way;
        EXPECT_EQ(r.outcomes, reference.outcomes) << way;
        ASSERT_EQ(r.bytes.size(), reference.bytes.size()) << way;
        EXPECT_TRUE(r.bytes == reference.bytes) << way;
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

// A cancel half-way through a run that reads while it writes ends it: the run throws,
// the reader thread stops, no subject after the cancel is reported, the line buffer is
// empty and the caller has a file to discard. The calling thread alone sees the
// progress.
TEST_F(ReadAhead, CancelInTheMiddleOfAnOverlappedRunEndsIt)
{
    const Case c { "persons", 0, "", "", 0, true, {}, {} };
    const std::thread::id caller = std::this_thread::get_id();
    for (int batch : { 7, 300, StatementRun::DefaultBatchSize }) {
        int cancelledAt = -1;
        bool otherThread = false;
        Leftovers left;
        EXPECT_THROW(RunWith(
                         c, batch,
                         [&](int done, int total) {
                             otherThread = otherThread || std::this_thread::get_id() != caller;
                             if (total > 0 && done >= total / 2) {
                                 if (cancelledAt < 0)
                                     cancelledAt = done;
                                 return false;
                             }
                             return true;
                         },
                         true, &left),
            RunCancelled)
            << batch;
        EXPECT_FALSE(otherThread) << batch;
        EXPECT_GT(cancelledAt, 0) << batch;
        EXPECT_EQ(static_cast<int>(left.outcomes), cancelledAt) << batch;
        EXPECT_TRUE(left.bufferEmpty) << batch;
    }
    // The run object's statements and the connection are fine afterwards.
    const Result reference = RunWith(c, 0);
    const Result again = RunWith(c, StatementRun::DefaultBatchSize);
    EXPECT_TRUE(again.bytes == reference.bytes);
}

// An error of the reader thread (a subject list whose fetch fails while it is walked)
// reaches the caller as the error it was, after the batches read before it are written,
// as in the run that reads and writes in turn.
TEST_F(ReadAhead, AnErrorOfTheReaderReachesTheCaller)
{
    // Persons: the smallest register of these tests (400 subjects) lists fewer than 20
    // institutions.
    const Case c { "persons", 0, "", "", 0, true, {}, {} };
    for (bool overlap : { true, false }) {
        Leftovers left;
        try {
            RunWith(c, 7, {}, overlap, &left, 20);
            ADD_FAILURE() << "no error, overlap " << overlap;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "the list broke") << overlap;
        }
        EXPECT_EQ(left.outcomes, 14u) << overlap;
        EXPECT_TRUE(left.bufferEmpty) << overlap;
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
