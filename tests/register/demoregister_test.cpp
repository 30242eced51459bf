#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "cli/querycursor.h"
#include "demoregister.h"
#include "register/catalogue.h"
#include "statement/linebuffer.h"
#include "statement/session.h"
#include "statement/statementfile.h"
#include "statement/statementrun.h"
#include "statement/statementwriter.h"
#include "statement/subjectlistsql.h"
#include "testregister.h"

using namespace zest;
using namespace zest::test;
namespace fs = std::filesystem;

namespace
{

// FNV-1a over every column of every row of the statements.
std::uint64_t Checksum(fb::Transaction& tr, const std::vector<std::string>& statements)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const auto& sql : statements) {
        fb::Query q(tr, sql);
        q.Open();
        for (const auto& row : ReadAll(q))
            for (const auto& cell : row) {
                for (const unsigned char c : cell + '\x1F')
                    h = (h ^ c) * 1099511628211ull;
            }
    }
    return h;
}

const std::vector<std::string> EveryTable = {
    "select * from podmioty order by id_pdm",
    "select * from osoby order by id",
    "select * from instytucje order by id",
    "select * from inne_podm order by id",
    "select * from inne_podm_pow order by id_inne, id_podm",
    "select * from malzenstwa order by id",
    "select * from adresy order by id",
    "select * from obreby order by id",
    "select * from jedn_rej order by id",
    "select * from udzialy order by uid",
    "select * from dzialka order by id",
    "select * from uzytki order by id",
};

struct Built {
    demo::DemoCounts counts;
    std::uint64_t checksum;
};

Built BuildDemo(int subjects, std::uint64_t seed)
{
    const std::string path = UniqueTempPath("demo");
    Built built;
    {
        fb::Database db;
        built.counts = demo::CreateDemoRegister(db, path, { subjects, seed });
        fb::Transaction tr(db);
        tr.Start();
        built.checksum = Checksum(tr, EveryTable);
    }
    fs::remove(path);
    return built;
}

TEST(DemoRegister, SameSeedSameRegister)
{
    const Built a = BuildDemo(300, 7);
    const Built b = BuildDemo(300, 7);
    const Built c = BuildDemo(300, 8);
    EXPECT_EQ(a.checksum, b.checksum);
    EXPECT_EQ(a.counts.Total(), b.counts.Total());
    EXPECT_NE(a.checksum, c.checksum);
}

TEST(DemoRegister, TextIsWindows1250)
{
    EXPECT_EQ(demo::Utf8ToWindows1250("Żak Łukasz Wiśniewska Ćwikła źdźbło"),
        "\xAF"
        "ak \xA3ukasz Wi\x9Cniewska \xC6wik\xB3"
        "a \x9F"
        "d\x9F"
        "b\xB3o");
    EXPECT_THROW(demo::Utf8ToWindows1250("\xCE\xA9"), std::invalid_argument); // Ω: not in the code page
    EXPECT_THROW(demo::Utf8ToWindows1250("\xC5"), std::invalid_argument); // cut short
}

// The demo register of 300 subjects: the counts it reports are the rows it holds, in the
// proportions of a commune, and the statements read it.
class DemoRegisterContent : public RegisterTest
{
protected:
    void SetUp() override
    {
        path = UniqueTempPath("demo");
        fb::Database maker;
        counts = demo::CreateDemoRegister(maker, path, { 300, 1 });
        maker.Close();
        db = std::make_unique<fb::Database>();
        db->DatabaseName = path;
        db->SetParamsText("user_name=SYSDBA\r\nlc_ctype=WIN1250\r\npassword=x\r\nsql_role_name=");
        db->Open();
        tr = std::make_unique<fb::Transaction>(*db);
        tr->Start();
    }
    void TearDown() override
    {
        RegisterTest::TearDown();
        fs::remove(path);
    }
    int Count(const std::string& sql) { return std::stoi(Rows(sql).at(0).at(0)); }

    std::string path;
    demo::DemoCounts counts;
};

TEST_F(DemoRegisterContent, CountsMatchRowsAndProportions)
{
    EXPECT_EQ(counts.subjects, 300);
    EXPECT_EQ(Count("select count(*) from podmioty"), 300);
    EXPECT_EQ(Count("select count(*) from podmioty where typ = 'F'"), counts.persons);
    EXPECT_EQ(Count("select count(*) from osoby"), counts.persons);
    EXPECT_EQ(Count("select count(*) from malzenstwa"), counts.couples);
    EXPECT_EQ(Count("select count(*) from uzytki"), counts.landUses);
    EXPECT_EQ(Count("select count(*) from udzialy"), counts.shares);
    EXPECT_EQ(counts.persons, 211); // 300 less 75 couples, 7 institutions and 7 groups
    EXPECT_EQ(counts.couples, 75);
    EXPECT_EQ(counts.units, 180);
    EXPECT_EQ(counts.shares, 450);
    EXPECT_EQ(counts.parcels, 600);
    EXPECT_EQ(counts.landUses, 1500);
    EXPECT_EQ(counts.addresses, 225);
    // Every kind of right, including those never read, and some non-current rows.
    EXPECT_EQ(Count("select count(distinct coalesce(rwd, -1)) from udzialy where rwd < 6 or rwd is null"), 7);
    EXPECT_GT(Count("select count(*) from udzialy where rwd >= 6"), 0);
    EXPECT_GT(Count("select count(*) from uzytki where status = 2"), 0);
    EXPECT_GT(Count("select count(*) from dzialka where idd containing '.'"), 0);
    EXPECT_GT(Count("select count(*) from adresy where tar = 2"), 0);
    // A group with a person, an institution and a couple among its members.
    EXPECT_EQ(Count("select count(distinct p.typ) from inne_podm_pow i join podmioty p on p.id_pdm = i.id_podm "
                    "where i.id_inne = 1"),
        3);
}

TEST_F(DemoRegisterContent, StatementsReadIt)
{
    for (int kind : { PersonKindIndex, InstitutionKindIndex, GroupKindIndex }) {
        auto q = PrepareWithPlanFallback(*tr, SubjectListSql(kind, "", ""));
        q->Open();
        EXPECT_FALSE(ReadAll(*q).empty()) << "kind " << kind;
    }
    fb::Query holdings(*tr, reg::HoldingsQuery);
    int rows = 0;
    for (int subject = 1; subject <= 300; ++subject) {
        holdings.Close();
        holdings.SetInteger("idp", subject);
        holdings.Open();
        while (holdings.Next()) {
            ++rows;
            ASSERT_LT(holdings.AsInteger("rwd"), 6);
        }
    }
    EXPECT_GT(rows, 500);
}

// One statement run over the whole register, every class marked and threshold 0, as
// the benchmark times it: no statement text is prepared twice (the member lists of the
// groups included), and every subject's statement reaches the file.
class PrepareCounter : public fb::QueryObserver
{
public:
    void Prepared(const fb::Query& q) override { ++perText[q.sql()]; }
    void Executed(const fb::Query&) override { ++executions; }
    std::map<std::string, int> perText;
    int executions = 0;
};

// Subject after subject, and read ahead: each statement prepared once in a run; reading
// ahead executes a few statements per batch instead of several per subject.
TEST_F(DemoRegisterContent, ARunPreparesEachStatementOnce)
{
    for (const int batch : { 0, StatementRun::DefaultBatchSize }) {
        StatementSession session;
        session.SetConnectionParams(path, "SYSDBA", "x", "");
        session.Connect();
        session.StartTransactionAndLoad();
        session.Classes.MarkAll();
        PrepareCounter counter;
        session.IBDatabase1.SetObserver(&counter);
        AreaState area;
        area.AreaThreshold = 0;
        LineBuffer lines(area);
        SpouseSlots spouses;
        StatementWriter writer(session.IBTransaction1, session.Precincts, session.Classes, lines, area, spouses);
        StatementRun run(session.IBTransaction1, writer, lines, area);
        run.SetBatchSize(batch);
        const std::string out = UniqueTempPath("run");
        StatementFile file;
        file.Open(out);
        int written = 0;
        for (int kind : { PersonKindIndex, InstitutionKindIndex, GroupKindIndex }) {
            cli::QueryCursor list(PrepareWithPlanFallback(session.IBTransaction1, SubjectListSql(kind, "", "")));
            run.Run(list, RunOptions {}, file, {}, [&](const SubjectOutcome& o) { written += o.Written ? 1 : 0; });
        }
        file.Close();
        session.IBDatabase1.SetObserver(nullptr);
        session.Disconnect();
        fs::remove(out);

        int memberLists = 0;
        for (const auto& [text, n] : counter.perText) {
            EXPECT_EQ(n, 1) << text;
            memberLists += text.find(" IN (") != std::string::npos ? 1 : 0;
        }
        EXPECT_GT(memberLists, 0);
        EXPECT_GT(written, 150) << batch; // of 225 listed subjects; some hold no current land
        if (batch == 0)
            EXPECT_GT(counter.executions, 1000);
        else
            EXPECT_LT(counter.executions, 60);
        EXPECT_EQ(run.ReadAheadMisses(), 0);
    }
}

// The tool itself: exit codes and the file it leaves.
int RunTool(const std::string& args)
{
    // Leak checking is off for the child: under the sanitizers the leak tracer itself
    // faults inside the embedded engine after a register is created; the library code
    // it runs is checked by the in-process tests.
    const std::string command = std::string("ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" '") + ZEST_DEMO_TOOL + "' "
        + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DemoRegisterTool, RefusesToOverwriteUnlessForced)
{
    const std::string path = UniqueTempPath("tool");
    ASSERT_EQ(RunTool("'" + path + "' --subjects 50 --seed 3"), 0);
    const auto size = fs::file_size(path);
    EXPECT_GT(size, 0u);

    EXPECT_EQ(RunTool("'" + path + "' --subjects 50"), 1);
    EXPECT_EQ(RunTool("'" + path + ".d/no-such-dir/x.fdb'"), 1);
    EXPECT_EQ(fs::file_size(path), size);

    EXPECT_EQ(RunTool("'" + path + "' --subjects 60 --force"), 0);
    {
        auto db = std::make_unique<fb::Database>();
        db->DatabaseName = path;
        db->SetParamsText("user_name=SYSDBA\r\nlc_ctype=WIN1250\r\npassword=x");
        db->Open();
        fb::Transaction tr(*db);
        tr.Start();
        fb::Query q(tr, "select count(*) from podmioty");
        q.Open();
        ASSERT_TRUE(q.Next());
        EXPECT_EQ(q.Integer(0).value_or(0), 60);
    }
    fs::remove(path);
}

TEST(DemoRegisterTool, UsageErrors)
{
    const std::string path = "'" + UniqueTempPath("usage") + "'";
    const std::vector<std::string> wrong = {
        "",
        path + " --subjects",
        path + " --subjects 5",
        path + " --subjects 12x",
        path + " --seed -1",
        path + " --colour",
        path + " --force=yes",
        path + " " + path,
    };
    for (const auto& args : wrong)
        EXPECT_EQ(RunTool(args), 2) << args;
    EXPECT_EQ(RunTool("--help"), 0);
}

} // namespace
