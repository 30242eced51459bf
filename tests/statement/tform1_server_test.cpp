// The statement window's connect operation against a real server on the loopback
// interface: wrong password, role, server not listening. Skipped without a server
// (ZEST_FB_SERVER_HOST unset).
#include <gtest/gtest.h>

#include <QPushButton>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "messagerecorder.h"
#include "statement/register/ddl.h"
#include "statement/tform1.h"

namespace
{

std::string Env(const char* name, const char* fallback = "")
{
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

class ServerWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        host = Env("ZEST_FB_SERVER_HOST");
        if (host.empty())
            GTEST_SKIP() << "no Firebird server configured";
        dir = Env("ZEST_FB_SERVER_DIR", "/var/lib/firebird/3.0/data");
        sysdba = Env("ZEST_FB_SYSDBA_PASSWORD", "masterkey");
        // Tests run in parallel processes: a user of this process's own, so that two
        // tests never change the same security record at once.
        user = "ZU" + std::to_string(getpid());
        fileName = "win-" + std::to_string(getpid()) + "-"
            + testing::UnitTest::GetInstance()->current_test_info()->name() + ".fdb";
        name = host + ":" + dir + "/" + fileName;
        zest::fb::Database admin;
        zest::reg::RegisterOptions options;
        options.password = sysdba;
        zest::reg::CreateRegister(admin, name, options);
        created = true;
        zest::reg::ExecuteAll(admin,
            { "create or alter user " + user + " password 'zest1'", "create role ZEST_KIEROWNIK",
                "grant ZEST_KIEROWNIK to " + user,
                "insert into uzytki (id, ofu, ozu, ozk, status) values (1, 'R', 'R', 'I', 0)" });
    }
    void TearDown() override
    {
        if (!created)
            return;
        try {
            zest::fb::Database admin;
            admin.DatabaseName = name;
            admin.SetParamsText("user_name=SYSDBA\r\npassword=" + sysdba);
            admin.Open();
            admin.ExecuteImmediate("drop user " + user);
            admin.DropDatabase();
        } catch (const std::exception&) {
            std::filesystem::remove(dir + "/" + fileName, ignored);
        }
    }
    static bool ButtonsEnabled(TForm1& f)
    {
        return f.findChild<QPushButton*>("Button7")->isEnabled() && f.findChild<QPushButton*>("Button5")->isEnabled();
    }

    std::string host, dir, sysdba, fileName, name, user;
    std::error_code ignored;
    bool created = false;
    zest::test::MessageRecorder boxes;
};

TEST_F(ServerWindowTest, WrongPasswordShowsTheConnectionBox)
{
    TForm1 form;
    form.OpenRegister(name, user, "zle", "");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].Text, QString::fromUtf8("Wystąpił błąd przy połączeniu"));
    EXPECT_EQ(boxes.boxes[0].Caption, QString::fromUtf8("Połączenie z bazą ") + QString::fromStdString(name));
    EXPECT_FALSE(ButtonsEnabled(form));
}

TEST_F(ServerWindowTest, RoleReachesTheServerAndAnotherRoleKeepsIt)
{
    TForm1 form;
    form.OpenRegister(name, user, "zest1", "ZEST_KIEROWNIK");
    ASSERT_TRUE(boxes.boxes.empty());
    ASSERT_TRUE(ButtonsEnabled(form));
    const auto currentRole = [&] {
        zest::fb::Query q(form.Session().IBTransaction1, "select current_role as r from rdb$database");
        q.Open();
        q.Next();
        return q.AsString("r");
    };
    EXPECT_EQ(currentRole(), "ZEST_KIEROWNIK");
    form.OpenRegister(name, user, "zest1", ""); // the role is not compared
    EXPECT_EQ(currentRole(), "ZEST_KIEROWNIK");
}

TEST_F(ServerWindowTest, ServerNotListeningShowsTheConnectionBox)
{
    TForm1 form;
    const std::string down = host + "/3059:" + dir + "/absent.fdb";
    form.OpenRegister(down, "SYSDBA", sysdba, "");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].Caption, QString::fromUtf8("Połączenie z bazą ") + QString::fromStdString(down));
    EXPECT_FALSE(ButtonsEnabled(form));
    EXPECT_FALSE(form.Session().Connected());
}

} // namespace
