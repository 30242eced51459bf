// The wrapper's objects destroyed in every order, and the ones left behind used afterwards:
// no client handle may be reached after its owner is gone, and none may be left allocated.
// Meant to be run under AddressSanitizer as well.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <unistd.h>

#include "database/database.h"

using namespace zest::fb;
namespace fs = std::filesystem;

namespace
{

class Lifetime : public testing::Test
{
protected:
    void SetUp() override
    {
        path = (fs::path(ZEST_TEST_TMP)
            / ("life-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "-"
                + std::to_string(getpid()) + ".fdb"))
                   .string();
        fs::remove(path);
        Database maker;
        maker.CreateDatabase("CREATE DATABASE '" + path + "' USER 'SYSDBA' PASSWORD 'x' DEFAULT CHARACTER SET WIN1250");
        maker.ExecuteImmediate("create table t (id integer, memo blob sub_type text)");
        maker.ExecuteImmediate("insert into t values (1, 'pierwszy')");
        maker.ExecuteImmediate("insert into t values (2, 'drugi')");
    }
    void TearDown() override { fs::remove(path); }

    std::unique_ptr<Database> Open() const
    {
        auto db = std::make_unique<Database>();
        db->DatabaseName = path;
        db->SetParamsText("user_name=SYSDBA\r\npassword=x");
        db->Open();
        return db;
    }

    // The statements the attachment holds, this count's own included.
    static int Statements(Database& db)
    {
        Transaction probe(db);
        probe.Start();
        Query q(probe, "select count(*) as n from mon$statements where mon$attachment_id = current_connection");
        q.Open();
        q.Next();
        return q.AsInteger("n");
    }

    static void ExpectDetached(const std::function<void()>& use, const char* what)
    {
        try {
            use();
            ADD_FAILURE() << "a detached object was used without an error";
        } catch (const DatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
        }
    }

    std::string path;
};

TEST_F(Lifetime, DatabaseDestroyedFirstLeavesTransactionAndQueryDetached)
{
    auto db = Open();
    auto tr = std::make_unique<Transaction>(*db);
    tr->Start();
    auto q = std::make_unique<Query>(*tr, "select id, memo from t order by id");
    q->Open();
    ASSERT_TRUE(q->Next());
    EXPECT_EQ(q->AsString("memo"), "pierwszy");

    db.reset();
    EXPECT_FALSE(tr->Active());
    EXPECT_FALSE(q->IsOpen());
    EXPECT_FALSE(q->Next());
    EXPECT_THROW(q->AsInteger("id"), UsageError);
    ExpectDetached([&] { tr->Start(); }, "database object was destroyed");
    ExpectDetached([&] { Query(*tr, "select id from t"); }, "database object was destroyed");
    ExpectDetached([&] { q->Open(); }, "database object was destroyed");

    tr.reset();
    ExpectDetached([&] { q->Execute(); }, "transaction object was destroyed");
    q.reset();
}

TEST_F(Lifetime, TransactionDestroyedFirstDropsItsStatements)
{
    auto db = Open();
    const int before = Statements(*db);
    auto tr = std::make_unique<Transaction>(*db);
    tr->Start();
    auto q = std::make_unique<Query>(*tr, "select id from t where id = :id");
    auto idle = std::make_unique<Query>(*tr, "select memo from t");
    q->SetInteger("id", 2);
    q->Open();
    ASSERT_TRUE(q->Next());
    EXPECT_EQ(Statements(*db), before + 2);

    tr.reset();
    EXPECT_EQ(Statements(*db), before);
    EXPECT_FALSE(q->Next());
    ExpectDetached([&] { q->Open(); }, "transaction object was destroyed");
    q->SetInteger("id", 1); // the values stay the query's own

    // The database goes next, then the queries: nothing left to reach.
    db.reset();
    q.reset();
    idle.reset();
}

} // namespace
