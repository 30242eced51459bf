// Against a real server on the loopback interface: what only a server does.
// Skipped when ZEST_FB_SERVER_HOST is not set (run.sh test sets it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <ibase.h>
#include <unistd.h>

#include "database/database.h"

using namespace zest::fb;

namespace
{

const char* Env(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

class LoopbackServer : public testing::Test
{
protected:
    void SetUp() override
    {
        host = Env("ZEST_FB_SERVER_HOST") ? Env("ZEST_FB_SERVER_HOST") : "";
        if (host.empty())
            GTEST_SKIP() << "no Firebird server configured";
        const std::string dir = Env("ZEST_FB_SERVER_DIR") ? Env("ZEST_FB_SERVER_DIR") : "/var/lib/firebird/3.0/data";
        sysdbaPassword = Env("ZEST_FB_SYSDBA_PASSWORD") ? Env("ZEST_FB_SYSDBA_PASSWORD") : "masterkey";
        name = host + ":" + dir + "/conn-" + std::to_string(getpid()) + "-"
            + testing::UnitTest::GetInstance()->current_test_info()->name() + ".fdb";
        Database admin;
        admin.CreateDatabase("CREATE DATABASE '" + name + "' USER 'SYSDBA' PASSWORD '" + sysdbaPassword
            + "' DEFAULT CHARACTER SET WIN1250");
        // Tests run in parallel processes: a user of this process's own.
        user = "ZC" + std::to_string(getpid());
        admin.ExecuteImmediate("create or alter user " + user + " password 'zest1'");
        admin.ExecuteImmediate("create role ZEST_READER");
        admin.ExecuteImmediate("create table t (id integer)");
        admin.ExecuteImmediate("grant select on t to role ZEST_READER");
        admin.ExecuteImmediate("grant ZEST_READER to " + user);
        created = true;
    }
    void TearDown() override
    {
        if (!created)
            return;
        Database admin;
        admin.DatabaseName = name;
        admin.SetParamsText("user_name=SYSDBA\r\npassword=" + sysdbaPassword);
        try {
            admin.Open();
            admin.ExecuteImmediate("drop user " + user);
            admin.DropDatabase();
        } catch (const std::exception&) {
        }
    }
    std::string host, name, sysdbaPassword, user;
    bool created = false;
};

TEST_F(LoopbackServer, WrongPasswordIsALoginError)
{
    Database db;
    db.DatabaseName = name;
    db.SetParamsText("user_name=" + user + "\r\nlc_ctype=WIN1250\r\npassword=wrong\r\nsql_role_name=");
    try {
        db.Open();
        FAIL() << "a wrong password must not attach";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.gdsCode(), isc_login) << e.what();
        EXPECT_EQ(e.sqlState(), "28000");
    }
    EXPECT_FALSE(db.Connected());
}

TEST_F(LoopbackServer, RoleReachesTheServerAndGrantsApply)
{
    for (const char* role : { "ZEST_READER", "" }) {
        Database db;
        db.DatabaseName = name;
        db.SetParamsText("user_name=" + user + "\r\nlc_ctype=WIN1250\r\npassword=zest1\r\nsql_role_name=" + role);
        db.Open();
        Transaction tr(db);
        tr.Start();
        Query q(tr, "select current_role as r, current_user as u from rdb$database");
        q.Open();
        ASSERT_TRUE(q.Next());
        const std::string expected = *role ? role : "NONE";
        EXPECT_EQ(q.AsString("r").substr(0, expected.size()), expected);
        // Without the role the table is not readable.
        if (*role) {
            Query t(tr, "select count(*) as n from t");
            t.Open();
            EXPECT_TRUE(t.Next());
        } else {
            try {
                Query t(tr, "select count(*) as n from t");
                t.Open();
                FAIL() << "no privilege expected without the role";
            } catch (const DatabaseError& e) {
                EXPECT_FALSE(e.isConnectionLost());
            }
        }
    }
}

TEST(ServerDown, NothingListeningIsAConnectionError)
{
    Database db;
    db.DatabaseName = "127.0.0.1/3059:/nowhere/register.fdb";
    db.SetParamsText("user_name=SYSDBA\r\nlc_ctype=WIN1250\r\npassword=masterkey\r\nsql_role_name=");
    try {
        db.Open();
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.isConnectionLost()) << e.what() << " code " << e.gdsCode();
    }
}

} // namespace
