#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ibase.h>
#include <unistd.h>

#include "database/database.h"
#include "database/reading.h"

using namespace zest::fb;
namespace fs = std::filesystem;

namespace
{

std::string TempDbPath(const std::string& stem)
{
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    fs::path p = fs::path(ZEST_TEST_TMP) / (stem + "-" + info->name() + "-" + std::to_string(getpid()) + ".fdb");
    fs::remove(p);
    return p.string();
}

// A scratch database with a few typed columns, removed after the test.
class ScratchDatabase : public testing::Test
{
protected:
    void SetUp() override
    {
        path = TempDbPath("conn");
        Database maker;
        maker.CreateDatabase(
            "CREATE DATABASE '" + path + "' USER 'SYSDBA' PASSWORD 'x' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1250");
        maker.ExecuteImmediate("create table t (id integer, naz varchar(40), kod char(6), ud_nr double precision, "
                               "big bigint, cena numeric(9,2))");
        maker.ExecuteImmediate("insert into t values (1, 'Kowalski', 'AB', 0.5, 5000000000, 12.34)");
        maker.ExecuteImmediate("insert into t values (2, '\xA3\xF3"
                               "d\x9F', null, null, null, -0.05)");
        maker.ExecuteImmediate("insert into t values (null, null, null, null, null, null)");
        maker.ExecuteImmediate("grant select on t to public");
        maker.Close();

        db.DatabaseName = path;
        db.SetParamsText("user_name=SYSDBA\r\nlc_ctype=WIN1250\r\npassword=x\r\nsql_role_name=");
        db.Open();
    }
    void TearDown() override
    {
        db.Close();
        fs::remove(path);
    }

    std::string path;
    Database db;
};

TEST(ConnectionParams, ParsesLinesAndLooksUpValuesByName)
{
    Database db;
    db.SetParamsText("user_name=ANNA\r\nlc_ctype=WIN1250\r\npassword=\r\nsql_role_name=KIEROWNIK");
    ASSERT_EQ(db.Params.size(), 4u);
    EXPECT_EQ(db.Params[1], "lc_ctype=WIN1250");
    EXPECT_EQ(db.ParamValue("USER_NAME"), "ANNA");
    EXPECT_EQ(db.ParamValue("password"), "");
    EXPECT_EQ(db.ParamValue("sql_role_name"), "KIEROWNIK");
    EXPECT_EQ(db.ParamValue("missing"), "");
    // A value may itself hold '='.
    db.SetParamsText("password=a=b");
    EXPECT_EQ(db.ParamValue("password"), "a=b");
}

TEST(ConnectionErrors, MissingDatabaseCarriesServerMessageAndCode)
{
    Database db;
    db.DatabaseName = TempDbPath("absent");
    db.SetParamsText("user_name=SYSDBA\r\nlc_ctype=WIN1250\r\npassword=x\r\nsql_role_name=");
    try {
        db.Open();
        FAIL() << "attaching a missing file must fail";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find(db.DatabaseName), std::string::npos) << e.what();
        EXPECT_EQ(e.gdsCode(), isc_io_error);
        EXPECT_FALSE(e.isPlanRejected());
    }
    EXPECT_FALSE(db.Connected());
    // Nothing to start on a closed database.
    Transaction tr(db);
    EXPECT_THROW(tr.Start(), DatabaseError);
}

TEST_F(ScratchDatabase, ReadsColumnsByNameWithTheNullRule)
{
    Transaction tr(db);
    tr.Start();
    Query q(tr, "select id, naz as NAZWA, kod, ud_nr, big, cena from t order by id nulls last");
    q.Open();
    ASSERT_TRUE(q.Next());
    EXPECT_EQ(q.AsInteger("ID"), 1);
    EXPECT_EQ(q.AsString("nazwa"), "Kowalski");
    EXPECT_EQ(q.AsString("KOD"), "AB    "); // fixed-width text is delivered as stored, untrimmed
    EXPECT_DOUBLE_EQ(q.AsFloat("ud_nr"), 0.5);
    EXPECT_EQ(q.AsBigInt("big"), 5000000000LL);
    EXPECT_THROW(q.AsInteger("big"), std::runtime_error); // does not fit in 32 bits
    EXPECT_EQ(q.AsString("cena"), "12.34");
    EXPECT_EQ(q.AsString("id"), "1");

    ASSERT_TRUE(q.Next());
    EXPECT_EQ(q.AsString("NAZWA"),
        "\xA3\xF3"
        "d\x9F"); // Windows-1250 bytes unchanged
    EXPECT_EQ(q.AsString("cena"), "-0.05");
    EXPECT_EQ(q.AsInteger("kod"), 0); // null text read as an integer
    EXPECT_EQ(q.AsString("kod"), "");

    ASSERT_TRUE(q.Next());
    EXPECT_TRUE(q.IsNull("id"));
    EXPECT_EQ(q.AsInteger("id"), 0);
    EXPECT_EQ(q.AsString("naz"
                         "wa"),
        "");
    EXPECT_EQ(q.AsFloat("ud_nr"), 0.0);
    EXPECT_FALSE(q.Next());
    EXPECT_TRUE(q.Eof());
    EXPECT_THROW(q.AsInteger("id"), UsageError); // no current row
}

// The process locale as a Polish application object sets it (a comma before the
// decimals), made in the test directory with localedef when the system has none; put
// back to "C" at the end.
class PolishLocale
{
public:
    PolishLocale()
    {
        if (std::setlocale(LC_ALL, "pl_PL.UTF-8"))
            return;
        dir_ = fs::path(ZEST_TEST_TMP) / ("locale-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        const std::string make
            = "localedef -i pl_PL -f UTF-8 '" + (dir_ / "pl_PL.UTF-8").string() + "' >/dev/null 2>&1";
        if (std::system(make.c_str()) == 0) {
            setenv("LOCPATH", dir_.c_str(), 1);
            std::setlocale(LC_ALL, "pl_PL.UTF-8");
        }
    }
    ~PolishLocale()
    {
        std::setlocale(LC_ALL, "C");
        if (!dir_.empty()) {
            unsetenv("LOCPATH");
            fs::remove_all(dir_);
        }
    }
    bool Active() const { return std::string(std::localeconv()->decimal_point) == ","; }

private:
    fs::path dir_;
};

TEST_F(ScratchDatabase, NumbersAsTextIgnoreTheProcessLocale)
{
    const PolishLocale polish;
    if (!polish.Active())
        GTEST_SKIP() << "no pl_PL.UTF-8 locale (install the locales package to run this test)";
    ASSERT_EQ(std::strtod("0.5", nullptr), 0.0); // the fault this guards against
    Transaction tr(db);
    tr.Start();
    Query q(tr,
        "select ud_nr, cast(' 2.25 ' as varchar(10)) as kropka, cast('+1e3' as varchar(10)) as wykladnik, "
        "cast('1,5' as varchar(10)) as przecinek, cast(0.1 as double precision) as dziesiata from t where id = 1");
    q.Open();
    ASSERT_TRUE(q.Next());
    EXPECT_EQ(q.AsString("ud_nr"), "0.5");
    EXPECT_EQ(q.AsString("dziesiata"), "0.1");
    EXPECT_EQ(q.AsFloat("kropka"), 2.25);
    EXPECT_EQ(q.AsFloat("wykladnik"), 1000.0);
    EXPECT_THROW(q.AsFloat("przecinek"), std::runtime_error);
}

TEST_F(ScratchDatabase, UnknownColumnOrParameterIsAProgrammingError)
{
    Transaction tr(db);
    tr.Start();
    Query q(tr, "select id from t where id = :idp");
    EXPECT_THROW(q.SetInteger("nope", 1), UsageError);
    q.SetInteger("IDP", 1);
    q.Open();
    ASSERT_TRUE(q.Next());
    EXPECT_THROW(q.AsString("naz"), UsageError);
    EXPECT_EQ(q.FieldIndex("naz"), -1);
}

TEST_F(ScratchDatabase, RepeatedParameterIsBoundAtEveryPlaceAndReusedAcrossExecutions)
{
    Transaction tr(db);
    tr.Start();
    Query q(tr, "select naz from t where id = :idp union select kod from t where id = :idp");
    EXPECT_EQ(q.ParamCount(), 2u);
    for (int id : { 1, 2, 1 }) {
        q.SetInteger("idp", id);
        q.Open();
        int rows = 0;
        while (q.Next())
            ++rows;
        EXPECT_EQ(rows, 2) << "id " << id;
    }
    q.SetNull("idp");
    q.Open();
    EXPECT_FALSE(q.Next());
}

// The observer sees each execution with the values bound for it, and only prepares that
// succeeded; once removed it sees nothing.
TEST_F(ScratchDatabase, ObserverSeesPreparesAndEveryExecutionWithItsValues)
{
    struct Log : QueryObserver {
        std::vector<std::string> prepared;
        std::vector<std::vector<ParamValue>> executed;
        void Prepared(const Query& q) override { prepared.push_back(q.sql()); }
        void Executed(const Query& q) override
        {
            std::vector<ParamValue> v;
            for (std::size_t i = 0; i < q.ParamCount(); ++i)
                v.push_back(q.Param(i));
            executed.push_back(v);
        }
    } log;
    Transaction tr(db);
    tr.Start();
    db.SetObserver(&log);
    EXPECT_ANY_THROW(Query(tr, "select nothing from nowhere"));
    Query q(tr, "select naz from t where id = :idp or naz = :n");
    q.SetInteger("idp", 1);
    q.SetText("n", "Kowalski");
    q.Open();
    q.SetNull("idp");
    q.Open();
    db.SetObserver(nullptr);
    q.Open();

    ASSERT_EQ(log.prepared, std::vector<std::string> { q.sql() });
    ASSERT_EQ(log.executed.size(), 2u);
    EXPECT_EQ(q.ParamName(0), "idp");
    EXPECT_EQ(log.executed[0], (std::vector<ParamValue> { std::int32_t { 1 }, std::string("Kowalski") }));
    EXPECT_EQ(log.executed[1], (std::vector<ParamValue> { std::monostate {}, std::string("Kowalski") }));
}

TEST_F(ScratchDatabase, TextParameterKeepsWindows1250Bytes)
{
    Transaction tr(db);
    tr.Start();
    Query q(tr, "select id from t where naz = :n");
    q.SetText("n",
        "\xA3\xF3"
        "d\x9F");
    q.Open();
    ASSERT_TRUE(q.Next());
    EXPECT_EQ(q.AsInteger("id"), 2);
}

TEST_F(ScratchDatabase, ServerErrorsCarryMessageAndCodes)
{
    Transaction tr(db);
    tr.Start();
    try {
        Query q(tr, "select nothing from t");
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("NOTHING"), std::string::npos) << e.what();
        EXPECT_EQ(e.gdsCode(), isc_dsql_error);
        EXPECT_EQ(e.sqlCode(), -206);
        EXPECT_FALSE(e.isConnectionLost());
    }
    try {
        Query q(tr, "select id from t plan (t index (no_such_idx))");
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.isPlanRejected()) << e.what();
    }
    // The transaction is still usable after a failed prepare.
    Query ok(tr, "select count(*) as n from t");
    ok.Open();
    ASSERT_TRUE(ok.Next());
    EXPECT_EQ(ok.AsInteger("n"), 3);
}

TEST_F(ScratchDatabase, CloseReleasesStatementsAndRollsBack)
{
    Transaction tr(db);
    tr.Start();
    Query q(tr, "select id from t");
    q.Open();
    ASSERT_TRUE(q.Next());
    db.Close();
    EXPECT_FALSE(db.Connected());
    EXPECT_FALSE(tr.Active());
    EXPECT_FALSE(q.IsOpen());
    EXPECT_THROW(q.Open(), DatabaseError);
    // Reopening works and old objects stay harmless until destroyed.
    db.Open();
    tr.Start();
    Query again(tr, "select id from t where id = 2");
    again.Open();
    ASSERT_TRUE(again.Next());
    EXPECT_EQ(again.AsInteger("id"), 2);
}

TEST_F(ScratchDatabase, RollbackClosesCursorsButKeepsStatementsPrepared)
{
    Transaction tr(db);
    tr.Start();
    Query q(tr, "select id from t where id = :idp");
    q.SetInteger("idp", 1);
    q.Open();
    tr.Rollback();
    EXPECT_FALSE(q.IsOpen());
    EXPECT_THROW(q.Open(), DatabaseError); // no active transaction
    tr.Start();
    q.Open();
    ASSERT_TRUE(q.Next());
    EXPECT_EQ(q.AsInteger("id"), 1);
}

TEST(ReadingRule, NullsReadAsZeroAndEmptyAndLettersAreFirstBytes)
{
    EXPECT_EQ(ReadInteger(std::nullopt), 0);
    EXPECT_EQ(ReadText(std::nullopt), "");
    EXPECT_EQ(FirstLetter(""), '\0');
    EXPECT_EQ(FirstLetter("Fizyczna"), 'F');
    EXPECT_EQ(FirstLetter("\xAF"), '\xAF');
}

} // namespace

// The page cache asked for a local register follows its size, within bounds; a server's
// register keeps the server's setting.
TEST(LocalCache, FollowsTheFileSizeWithinBounds)
{
    EXPECT_EQ(Database::LocalCachePages("127.0.0.1:/var/lib/firebird/3.0/data/r.fdb"), 0u);
    EXPECT_EQ(Database::LocalCachePages("server/3051:/r.fdb"), 0u);
    EXPECT_EQ(Database::LocalCachePages("/no/such/dir/r.fdb"), 0u);
    EXPECT_EQ(Database::LocalCachePages(ZEST_TEST_TMP), 0u); // a directory

    const fs::path file = fs::path(ZEST_TEST_TMP) / ("cache-" + std::to_string(getpid()) + ".fdb");
    auto sized = [&](std::uintmax_t bytes) {
        {
            std::ofstream(file.string());
        }
        fs::resize_file(file, bytes); // sparse: no disk used
        return Database::LocalCachePages(file.string());
    };
    EXPECT_EQ(sized(8u << 20), 0u); // a commune's 8 MB: the default holds it
    EXPECT_EQ(sized(200u << 20), (200u << 20) / 8192 + 1);
    EXPECT_EQ(sized(4ull << 30), Database::LocalCacheMaxPages);
    fs::remove(file);
}

// The cache size and the wire encryption and compression share the attachment's one
// configuration entry (of several, the client keeps the last): the cache still applies
// beside the other lines; the embedded engine has no wire to compress.
TEST_F(ScratchDatabase, CacheSizeAndWireCryptParametersAreCheckedAndTaken)
{
    Database other;
    other.DatabaseName = path;
    for (const char* bad :
        { "num_buffers=many", "wire_crypt=maybe", "wire_crypt=required", "wire_compression=on", "wire_compression=" }) {
        other.SetParamsText(std::string("user_name=SYSDBA\r\npassword=x\r\n") + bad);
        EXPECT_THROW(other.Open(), UsageError) << bad;
        EXPECT_FALSE(other.Connected());
    }
    // The cache is the first attachment's to ask for.
    db.Close();
    other.SetParamsText(
        "user_name=SYSDBA\r\npassword=x\r\nnum_buffers=4096\r\nwire_crypt=Required\r\nwire_compression=true");
    other.Open();
    Transaction tr(other);
    tr.Start();
    Query q(tr, "select mon$page_buffers from mon$database");
    q.Open();
    ASSERT_TRUE(q.Next());
    EXPECT_EQ(q.AsInteger("mon$page_buffers"), 4096);
}
