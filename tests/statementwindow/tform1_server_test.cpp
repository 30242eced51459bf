// The statement window's connect operation against a real server on the loopback
// interface: wrong password, role, server not listening. Skipped without a server
// (ZEST_FB_SERVER_HOST unset).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>
#include <unistd.h>

#include "demoregister.h"
#include "disclosures/register.h"
#include "libraryreset.h"
#include "messagerecorder.h"
#include "preview/twiz.h"
#include "register/ddl.h"
#include "scopedenv.h"
#include "serverregister.h"
#include "statement/classmarks.h"
#include "statement/subjectlist.h"
#include "statementwindow/tform1.h"
#include "tcpforwarder.h"
#include "testregister.h"
#include "widgets/messages.h"

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

// A password with Polish letters as the host types it (Windows-1250) logs in: the client
// takes the connection's texts as UTF-8, and the window sends them so.
TEST_F(ServerWindowTest, PasswordWithPolishLettersLogsIn)
{
    {
        zest::fb::Database admin;
        admin.DatabaseName = name;
        admin.SetParamsText("user_name=SYSDBA\r\npassword=" + sysdba + "\r\nlc_ctype=UTF8");
        admin.Open();
        admin.ExecuteImmediate("alter user " + user + " password '\xC5\xBB\xC3\xB3\xC5\x82w2026'"); // Żółw2026
    }
    TForm1 form;
    form.OpenRegister(name, user, "\xAF\xF3\xB3w2026", "");
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(form.Session().Connected());
    EXPECT_TRUE(ButtonsEnabled(form));
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

// The connection drops (every connection through the link cut, as a server restart or a
// network failure does) between two searches, between two runs and in the middle of a
// run. Each time the action that meets the dead connection says so in Polish with the
// server's text below, leaves no run file, buffered line or changed preview, and the
// next action connects again with the window's credentials: the class grid reloaded
// with the user's marks kept, the subject list read again for a run.
TEST(ServerGoneWindowTest, EachActionAfterADropConnectsAgain)
{
    const zest::test::ServerRegister reg("win-gone", 3000);
    if (!reg.available())
        GTEST_SKIP() << "no Firebird server configured";
    const std::string sysdba = reg.password();

    const std::string tmp = zest::test::UniqueTempPath("win-gone-tmp", "");
    std::filesystem::create_directories(tmp);
    const zest::test::ScopedEnv tmpdir("TMPDIR", tmp);
    const zest::test::LibraryReset library;
    zest::Library().Area.AreaThreshold = 0;
    const auto runFiles = [&] { return std::distance(std::filesystem::directory_iterator(tmp), {}); };

    zest::test::MessageRecorder boxes;
    {
        zest::net::TcpForwarder link(3050);
        TForm1 form;
        form.OpenRegister(reg.Through(link.port()), "SYSDBA", sysdba, "");
        ASSERT_TRUE(form.Session().Connected());
        form.findChild<QPushButton*>("Button1")->click(); // every class marked, unlike the defaults
        auto* search = form.findChild<QPushButton*>("Button7");
        auto* run = form.findChild<QPushButton*>("Button5");
        auto* from = form.findChild<QLineEdit*>("EditOd");
        auto* to = form.findChild<QLineEdit*>("EditDo");
        const auto allMarked = [&] {
            const zest::ClassGrid& g = form.Session().Classes;
            for (int r = 1; r < g.RowCount(); ++r)
                if (g.Text(r, zest::ClassGrid::ColMark) != zest::MarkYes)
                    return false;
            return g.DataRowCount() > 1;
        };
        const auto saysLost = [&](std::size_t boxCount) {
            EXPECT_EQ(boxes.boxes.size(), boxCount);
            if (boxes.boxes.size() != boxCount)
                return;
            const QString text = boxes.boxes.back().Text;
            EXPECT_TRUE(text.startsWith(QString::fromUtf8("Połączenie z bazą zostało przerwane.\n")))
                << text.toStdString();
            EXPECT_GT(text.size(), 40) << "no server text below";
            EXPECT_FALSE(form.Session().Connected());
        };

        // A good run over a few names first.
        from->setText("A");
        to->setText("B");
        search->click();
        run->click();
        ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].Text.toStdString();
        const std::string kept = form.wiz()->Text();
        ASSERT_FALSE(kept.empty());

        // Between two searches: the first says so, the second connects again.
        link.DropConnections();
        search->click();
        saysLost(1);
        EXPECT_FALSE(form.Subjects().IsOpen());
        EXPECT_TRUE(from->isEnabled());
        search->click();
        ASSERT_EQ(boxes.boxes.size(), 1u) << boxes.boxes.back().Text.toStdString();
        EXPECT_TRUE(form.Subjects().IsOpen());
        EXPECT_TRUE(allMarked());
        EXPECT_EQ(link.connections(), 2u);

        // Between two runs: the second run connects again, reads the list again and runs.
        link.DropConnections();
        run->click();
        saysLost(2);
        EXPECT_EQ(form.wiz()->Text(), kept);
        run->click();
        ASSERT_EQ(boxes.boxes.size(), 2u) << boxes.boxes.back().Text.toStdString();
        EXPECT_EQ(form.wiz()->Text(), kept);
        EXPECT_TRUE(allMarked());

        // Every name, and the connection drops once the run is under way.
        from->clear();
        to->clear();
        search->click();
        ASSERT_EQ(boxes.boxes.size(), 2u);
        const std::uint64_t before = link.bytesForwarded();
        std::thread cutter([&] {
            const auto start = std::chrono::steady_clock::now();
            while (link.bytesForwarded() < before + 200'000
                && std::chrono::steady_clock::now() - start < std::chrono::seconds(30))
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            link.DropConnections();
        });
        run->click();
        cutter.join();
        saysLost(3);
        EXPECT_EQ(form.wiz()->Text(), kept);
        EXPECT_EQ(runFiles(), 0);
        EXPECT_TRUE(zest::Library().Lines.empty());

        // The menu action again with the same credentials connects again too.
        form.OpenRegister(reg.Through(link.port()), "SYSDBA", sysdba, "");
        ASSERT_TRUE(form.Session().Connected());
        EXPECT_TRUE(allMarked());
        from->setText("A");
        to->setText("B");
        search->click();
        run->click();
        EXPECT_EQ(boxes.boxes.size(), 3u) << boxes.boxes.back().Text.toStdString();
        EXPECT_EQ(form.wiz()->Text(), kept);
        EXPECT_EQ(runFiles(), 0);
    }
    std::filesystem::remove_all(tmp);
}

// Another clerk works on the register while the window is open. The window browses in a
// read-only read committed transaction that holds nothing back on the server, a run
// reads in a snapshot of its own that ends with it, and "tylko dla wskazanej osoby"
// writes the chosen subject's statement, found by its id when the list is read again,
// or refuses when the subject is gone.
class ServerClerksTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!reg.available())
            GTEST_SKIP() << "no Firebird server configured";
        disclosuresPath = zest::test::UniqueTempPath("clerks", ".sqlite");
        recorded.emplace(zest::disclosures::EnvironmentVariable, disclosuresPath);
        clerk = reg.Connect();
        zest::Library().Area.AreaThreshold = 0;
        form = std::make_unique<TForm1>();
        form->OpenRegister(reg.Through(link.port()), "SYSDBA", reg.password(), "");
        ASSERT_TRUE(form->Session().Connected());
        form->Session().Classes.MarkAll();
        form->findChild<QPushButton*>("Button7")->click();
        ASSERT_TRUE(form->Subjects().IsOpen());
    }
    void Run() { form->findChild<QPushButton*>("Button5")->click(); }
    // The window's transactions as the server's monitoring sees them: read-only, isolation.
    std::vector<std::pair<int, int>> WindowTransactions()
    {
        zest::fb::Transaction tr(*clerk);
        tr.Start();
        zest::fb::Query q(tr,
            "select t.mon$read_only as ro, t.mon$isolation_mode as iso from mon$transactions t "
            "join mon$attachments a on a.mon$attachment_id = t.mon$attachment_id "
            "where a.mon$system_flag = 0 and t.mon$attachment_id <> current_connection");
        q.Open();
        std::vector<std::pair<int, int>> found;
        while (q.Next())
            found.emplace_back(q.AsInteger("ro"), q.AsInteger("iso"));
        return found;
    }
    int OldestActiveGap()
    {
        zest::fb::Transaction tr(*clerk);
        tr.Start();
        zest::fb::Query q(tr, "select mon$next_transaction - mon$oldest_active as gap from mon$database");
        q.Open();
        q.Next();
        return q.AsInteger("gap");
    }

    zest::test::ServerRegister reg { "win-clerks", 200 };
    zest::net::TcpForwarder link { 3050 };
    zest::test::LibraryReset library;
    zest::test::MessageRecorder boxes;
    std::string disclosuresPath;
    std::optional<zest::test::ScopedEnv> recorded;
    std::unique_ptr<zest::fb::Database> clerk;
    std::unique_ptr<TForm1> form;
};

TEST_F(ServerClerksTest, BrowsingHoldsNothingBackAndARunLeavesNoTransaction)
{
    const std::vector<std::pair<int, int>> browsing { { 1, 2 } }; // read-only, read committed
    EXPECT_EQ(WindowTransactions(), browsing);
    for (int i = 0; i < 60; ++i)
        zest::test::Commit(*clerk, "update obreby set naz = naz where id = 1");
    EXPECT_LT(OldestActiveGap(), 10);
    Run();
    ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].Text.toStdString();
    EXPECT_FALSE(form->wiz()->Text().empty());
    EXPECT_EQ(WindowTransactions(), browsing);
    EXPECT_LT(OldestActiveGap(), 10);
}

TEST_F(ServerClerksTest, TheChosenSubjectIsFoundByIdOrTheRunIsRefused)
{
    zest::SubjectList& list = form->Subjects();
    auto* grid = form->findChild<QTableView*>("DBGrid1");
    grid->setCurrentIndex(grid->model()->index(5, 0));
    const std::int32_t chosen = list.Integer("id_PDM");
    form->findChild<QCheckBox*>("wskazany")->setChecked(true);
    Run();
    ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].Text.toStdString();
    const std::string statement = form->wiz()->Text();
    ASSERT_NE(statement.find(list.Text("NZW")), std::string::npos);
    const zest::disclosures::DisclosureRegister disclosures(disclosuresPath);
    const std::size_t recordedRows = disclosures.Read().size();

    // The connection drops; meanwhile a person who sorts first joins the register.
    link.DropConnections();
    zest::test::Commit(*clerk, "insert into osoby (id, nzw, pim, plec) values (90000001, 'AAAAA', 'Adam', 'M')");
    zest::test::Commit(*clerk, "insert into podmioty (id_pdm, typ, id_os) values (90000001, 'F', 90000001)");
    Run(); // meets the dropped connection
    ASSERT_EQ(boxes.boxes.size(), 1u);
    Run(); // connects again, reads the list again, the cursor on the same subject
    ASSERT_EQ(boxes.boxes.size(), 1u) << boxes.boxes.back().Text.toStdString();
    EXPECT_EQ(list.Current(), 6);
    EXPECT_EQ(list.Integer("id_PDM"), chosen);
    EXPECT_EQ(form->wiz()->Text(), statement);
    EXPECT_EQ(disclosures.Read().size(), recordedRows + 1);

    // And again, the chosen subject deleted meanwhile: refused, by name; nothing written.
    link.DropConnections();
    zest::test::Commit(*clerk, "delete from podmioty where id_pdm = " + std::to_string(chosen));
    Run();
    Run();
    ASSERT_EQ(boxes.boxes.size(), 3u);
    EXPECT_TRUE(boxes.boxes[2].Text.startsWith(QString::fromUtf8("Wskazanego podmiotu „")))
        << boxes.boxes[2].Text.toStdString();
    EXPECT_NE(boxes.boxes[2].Text.indexOf(QString::fromStdString("(id " + std::to_string(chosen) + ")")), -1);
    EXPECT_EQ(form->wiz()->Text(), statement);
    EXPECT_EQ(disclosures.Read().size(), recordedRows + 1);
}

// Credentials with a control character never reach the connection: a box that says
// which field, no connection attempt (that would show the connection box instead).
TEST(CredentialsWindowTest, ControlCharactersAreRefusedBeforeConnecting)
{
    zest::test::MessageRecorder boxes;
    TForm1 form;
    zest::ui::RunGuarded(&form, [&] { form.OpenRegister("/nowhere/r.fdb", "SYSDBA", "x\r\nsql_role_name=R", ""); });
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].Text.startsWith(QString::fromUtf8("Hasło zawiera znak sterujący")))
        << boxes.boxes[0].Text.toStdString();
    EXPECT_FALSE(form.Session().Connected());
    EXPECT_FALSE(form.findChild<QPushButton*>("Button7")->isEnabled());
}

} // namespace
