// The statement window's connect operation against a real server on the loopback
// interface: wrong password, role, server not listening. Skipped without a server
// (ZEST_FB_SERVER_HOST unset).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "demoregister.h"
#include "messagerecorder.h"
#include "preview/twiz.h"
#include "register/ddl.h"
#include "statement/librarystate.h"
#include "statementwindow/tform1.h"
#include "tcpforwarder.h"
#include "testregister.h"

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

// The server goes away (every connection to it cut, as a network failure would) in the
// middle of a run and then before a search: each shows its error, the preview keeps the
// statements of the last good run, no run file or buffered line is left, and the window
// connects again and runs as before.
TEST(ServerGoneWindowTest, InTheMiddleOfARunAndBeforeASearch)
{
    const std::string host = Env("ZEST_FB_SERVER_HOST");
    if (host.empty())
        GTEST_SKIP() << "no Firebird server configured";
    const std::string dir = Env("ZEST_FB_SERVER_DIR", "/var/lib/firebird/3.0/data");
    const std::string sysdba = Env("ZEST_FB_SYSDBA_PASSWORD", "masterkey");
    const std::string file = dir + "/win-gone-" + std::to_string(getpid()) + ".fdb";

    zest::fb::Database db;
    zest::demo::CreateDemoRegister(
        db, host + ":" + file, { .subjects = 3000 }, { .user = "SYSDBA", .password = sysdba });
    struct Drop {
        zest::fb::Database& db;
        ~Drop()
        {
            try {
                db.DropDatabase();
            } catch (const std::exception&) {
            }
        }
    } drop { db };

    const std::string tmp = zest::test::UniqueTempPath("win-gone-tmp", "");
    std::filesystem::create_directories(tmp);
    setenv("TMPDIR", tmp.c_str(), 1);
    const std::int32_t savedThreshold = zest::Library().Area.AreaThreshold;
    zest::Library().Area.AreaThreshold = 0;
    const auto runFiles = [&] { return std::distance(std::filesystem::directory_iterator(tmp), {}); };

    zest::test::MessageRecorder boxes;
    {
        zest::test::TcpForwarder proxy(3050);
        TForm1 form;
        form.OpenRegister("127.0.0.1/" + std::to_string(proxy.port()) + ":" + file, "SYSDBA", sysdba, "");
        ASSERT_TRUE(form.Session().Connected());
        form.Session().Classes.MarkAll();
        auto* search = form.findChild<QPushButton*>("Button7");
        auto* run = form.findChild<QPushButton*>("Button5");
        auto* from = form.findChild<QLineEdit*>("EditOd");
        auto* to = form.findChild<QLineEdit*>("EditDo");

        // A good run over a few names first.
        from->setText("A");
        to->setText("B");
        search->click();
        run->click();
        ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].Text.toStdString();
        const std::string kept = form.wiz()->Text();
        ASSERT_FALSE(kept.empty());

        // Every name, and the server goes once the run is under way.
        from->clear();
        to->clear();
        search->click();
        ASSERT_TRUE(boxes.boxes.empty());
        const std::uint64_t before = proxy.bytesForwarded();
        std::thread cutter([&] {
            const auto start = std::chrono::steady_clock::now();
            while (proxy.bytesForwarded() < before + 200'000
                && std::chrono::steady_clock::now() - start < std::chrono::seconds(30))
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            proxy.Cut();
        });
        run->click();
        cutter.join();
        ASSERT_EQ(boxes.boxes.size(), 1u) << "the run ended without an error";
        EXPECT_EQ(boxes.boxes[0].Icon, zest::ui::MessageIcon::Error);
        EXPECT_FALSE(boxes.boxes[0].Text.isEmpty());
        EXPECT_EQ(form.wiz()->Text(), kept);
        EXPECT_EQ(runFiles(), 0);
        EXPECT_TRUE(zest::Library().Lines.empty());

        // A search on the dead connection says so and leaves the list closed.
        search->click();
        ASSERT_EQ(boxes.boxes.size(), 2u);
        EXPECT_FALSE(form.Subjects().IsOpen());
        EXPECT_TRUE(from->isEnabled());

        // The server is there again under its own address: connect, search and run.
        form.OpenRegister(host + ":" + file, "SYSDBA", sysdba, "");
        ASSERT_TRUE(form.Session().Connected());
        form.Session().Classes.MarkAll();
        from->setText("A");
        to->setText("B");
        search->click();
        run->click();
        EXPECT_EQ(boxes.boxes.size(), 2u) << boxes.boxes.back().Text.toStdString();
        EXPECT_EQ(form.wiz()->Text(), kept);
        EXPECT_EQ(runFiles(), 0);
    }
    zest::Library().Area.AreaThreshold = savedThreshold;
    unsetenv("TMPDIR");
    std::filesystem::remove_all(tmp);
}

} // namespace
