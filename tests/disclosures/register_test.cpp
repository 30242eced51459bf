// The register of disclosures in one process: what is written reads back, filtered;
// an off register; files that are refused and left as they were; a register that cannot
// be written refuses the output and names its file; the upgrade from an empty file and
// the purge.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "disclosures/identity.h"
#include "disclosures/register.h"
#include "disclosures/schema.h"
#include "disclosures/sqlite.h"
#include "scopedenv.h"
#include "testregister.h"
#include "unprivileged.h"

using namespace zest::disclosures;
namespace fs = std::filesystem;

namespace
{

std::string Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc {};
    gmtime_r(&now, &utc);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &utc);
    return text;
}

Disclosure Subject(std::int32_t id, std::string name, std::string user = "KOWALSKA")
{
    return Disclosure { std::move(user), "/srv/gmina.fdb", id, std::move(name), "kind=fizyczne; threshold=0" };
}

std::int64_t Pragma(const std::string& path, const char* name)
{
    sqlite::Connection db(path, false);
    return db.QueryInteger((std::string("PRAGMA ") + name).c_str());
}

std::string Message(const std::function<void()>& f)
{
    try {
        f();
    } catch (const DisclosureError& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

const std::string CannotWrite = "Nie mo\xBFna zapisa\xE6 rejestru udost\xEApnie\xF1 ";

TEST(DisclosureRegister, RowsReadBackAsStoredAndFiltered)
{
    const DisclosureRegister reg(zest::test::UniqueTempPath("disclosures", ".sqlite"));
    auto p = reg.Begin({ Subject(7, "\xAF\xF3\xB3\xE6 Anna"), Subject(8, "Nowak Jan") }, Output::Print);
    p.Commit();
    reg.Begin({ Subject(7, "\xAF\xF3\xB3\xE6 Anna", "ADMIN") }, Output::Pdf, "/tmp/stan ż.pdf").Commit();
    {
        // Left unsettled: the output did not happen, and the row says so.
        auto dropped = reg.Begin({ Subject(9, "Nikt") }, Output::File, "/tmp/x.txt");
    }

    const std::vector<DisclosureRow> all = reg.Read();
    const auto line = [](const DisclosureRow& r) {
        return std::to_string(r.subjectId) + "|" + r.subjectName + "|" + r.user + "|" + r.database + "|" + r.output
            + "|" + r.file.value_or("-") + "|" + r.options + "|" + r.status + "|" + r.reason;
    };
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(
        line(all[0]), "7|Żółć Anna|KOWALSKA|/srv/gmina.fdb|print|-|kind=fizyczne; threshold=0|delivered|"); // UTF-8
    EXPECT_EQ(line(all[1]), "8|Nowak Jan|KOWALSKA|/srv/gmina.fdb|print|-|kind=fizyczne; threshold=0|delivered|");
    EXPECT_EQ(
        line(all[2]), "7|Żółć Anna|ADMIN|/srv/gmina.fdb|pdf|/tmp/stan ż.pdf|kind=fizyczne; threshold=0|delivered|");
    EXPECT_EQ(line(all[3]),
        "9|Nikt|KOWALSKA|/srv/gmina.fdb|file|/tmp/x.txt|kind=fizyczne; threshold=0|failed|output "
        "not completed");
    for (const DisclosureRow& r : all) {
        EXPECT_EQ(r.account, AccountName());
        EXPECT_EQ(r.machine, MachineName());
    }
    EXPECT_FALSE(AccountName().empty());
    EXPECT_EQ(all[0].time.size(), 20u);
    EXPECT_EQ(all[0].time.substr(0, 11) + all[0].time.substr(19), Today() + "TZ");

    const auto count
        = [&](std::optional<std::int32_t> id, std::optional<std::string> user, std::optional<std::string> since,
              std::optional<std::string> until, std::optional<std::string> account = std::nullopt) {
              Filter f;
              f.subjectId = id;
              f.user = std::move(user);
              f.account = std::move(account);
              f.since = std::move(since);
              f.until = std::move(until);
              return reg.Read(f).size();
          };
    const auto none = std::nullopt;
    EXPECT_EQ(count(7, none, none, none), 2u);
    EXPECT_EQ(count(9, none, none, none), 1u);
    EXPECT_EQ(count(10, none, none, none), 0u);
    EXPECT_EQ(count(none, "ADMIN", none, none), 1u);
    EXPECT_EQ(count(none, none, none, none, AccountName()), 4u);
    EXPECT_EQ(count(none, none, none, none, "somebody else"), 0u);
    EXPECT_EQ(count(none, none, Today(), Today()), 4u);
    EXPECT_EQ(count(none, none, "2999-01-01", none), 0u);
    EXPECT_EQ(count(none, none, none, "2000-12-31"), 0u);
    EXPECT_EQ(count(7, "KOWALSKA", "2000-01-01", none), 1u);
    for (const char* bad : { "2026-02-30", "2026-2-01", "", "2026-13-01", "20260101xx" }) {
        EXPECT_THROW(count(none, none, bad, none), std::invalid_argument) << bad;
        EXPECT_THROW(count(none, none, none, bad), std::invalid_argument) << bad;
    }
    EXPECT_TRUE(IsDate("2024-02-29"));

    // A register that was never written reads empty and is not made by reading.
    const DisclosureRegister unwritten(zest::test::UniqueTempPath("disclosures-none", ".sqlite"));
    EXPECT_TRUE(unwritten.Read().empty());
    EXPECT_FALSE(fs::exists(unwritten.Path()));
}

TEST(DisclosureRegister, EnvironmentChoosesTheFileOrTurnsItOff)
{
    const std::string folder = zest::test::UniqueTempPath("disclosures-home", "") + "/a/zestawienia";
    {
        zest::test::ScopedEnv off(EnvironmentVariable, "off");
        const DisclosureRegister reg = DisclosureRegister::FromEnvironment(folder);
        EXPECT_FALSE(reg.IsOn());
        auto p = reg.Begin({ Subject(1, "X") }, Output::Preview);
        EXPECT_EQ(p.Rows(), 0u);
        p.Commit();
        EXPECT_TRUE(reg.Read().empty());
        EXPECT_EQ(reg.PurgeBefore("2030-01-01", "U"), 0);
        EXPECT_FALSE(fs::exists(folder));
    }
    {
        zest::test::ScopedEnv named(EnvironmentVariable, folder + "-other.sqlite");
        EXPECT_EQ(DisclosureRegister::FromEnvironment(folder).Path(), folder + "-other.sqlite");
    }
    zest::test::ScopedEnv unset(EnvironmentVariable, "");
    const DisclosureRegister reg = DisclosureRegister::FromEnvironment(folder);
    EXPECT_EQ(reg.Path(), folder + "/disclosures.sqlite");
    reg.Begin({ Subject(1, "X") }, Output::Preview).Commit(); // the folder is made
    EXPECT_EQ(reg.Read().size(), 1u);
}

struct RefusedCase {
    const char* name;
    std::function<void(const std::string& path)> make;
    std::string reason;
};

void PrintTo(const RefusedCase& c, std::ostream* os)
{
    *os << c.name;
}

class RefusedFile : public testing::TestWithParam<RefusedCase>
{
};

TEST_P(RefusedFile, IsNamedAndLeftByteForByte)
{
    const std::string path = zest::test::UniqueTempPath("disclosures-refused", ".sqlite");
    GetParam().make(path);
    const std::string before = Bytes(path);
    const DisclosureRegister reg(path);
    for (const std::string& message : {
             Message([&] { reg.Begin({ Subject(1, "X") }, Output::Print); }),
             Message([&] { reg.Read(); }),
             Message([&] { reg.PurgeBefore("2030-01-01", "U"); }),
         }) {
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find(GetParam().reason), std::string::npos) << message;
    }
    EXPECT_EQ(Bytes(path), before);
}

INSTANTIATE_TEST_SUITE_P(DisclosureRegister, RefusedFile,
    testing::Values(RefusedCase { "TextFile",
                        [](const std::string& path) {
                            std::ofstream(path) << "time;user\n2026-12-08;KOWALSKA\n" << std::string(5000, 'x');
                        },
                        "nie jest baz\xB9 SQLite" },
        RefusedCase { "NewerVersion",
            [](const std::string& path) {
                DisclosureRegister(path).Begin({ Subject(1, "X") }, Output::Print).Commit();
                sqlite::Connection(path, false)
                    .Execute(("PRAGMA user_version = " + std::to_string(schema::CurrentVersion() + 1)).c_str());
            },
            "nowsz\xB9 wersj\xEA programu (rejestr w wersji " + std::to_string(schema::CurrentVersion() + 1) },
        RefusedCase { "ForeignApplication",
            [](const std::string& path) {
                sqlite::Connection(path, true).Execute("PRAGMA application_id = 1234; PRAGMA user_version = 1");
            },
            "innego programu" },
        RefusedCase { "ForeignTables",
            [](const std::string& path) { sqlite::Connection(path, true).Execute("CREATE TABLE notes (x)"); },
            "innego programu" }),
    [](const testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

TEST(DisclosureRegister, UnwritableRegisterRefusesTheOutputAndNamesTheFile)
{
    const std::vector<Disclosure> rows { Subject(1, "X") };
    const std::string dir = zest::test::UniqueTempPath("disclosures-ro", "");
    fs::create_directories(dir);
    const std::string file = dir + "/register.sqlite";
    DisclosureRegister(file).Begin(rows, Output::Print).Commit();
    ::chmod(file.c_str(), 0444);
    ::chmod(dir.c_str(), 0555);
    for (const std::string& path : { file, dir + "/new.sqlite" }) {
        const std::string message = zest::test::Unprivileged(
            [&] { return Message([&] { DisclosureRegister(path).Begin(rows, Output::Print); }); });
        EXPECT_EQ(message.rfind(CannotWrite + path + ": ", 0), 0u) << message;
    }
    ::chmod(dir.c_str(), 0755);
    ::chmod(file.c_str(), 0644);

    // Locked by another writer for longer than the wait.
    DisclosureRegister reg(file);
    reg.SetBusyTimeout(std::chrono::milliseconds(100));
    {
        sqlite::Connection holding(file, false);
        holding.Execute("BEGIN IMMEDIATE");
        EXPECT_EQ(
            Message([&] { reg.Begin(rows, Output::Pdf, "/tmp/a.pdf"); }), CannotWrite + file + ": database is locked");
    }
    // The disk fills.
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1000;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const std::string full = Message(
        [&] { reg.Begin(std::vector<Disclosure>(50, Subject(2, std::string(200, 'y'))), Output::Print).Commit(); });
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(full.rfind(CannotWrite + file + ": ", 0), 0u) << full;

    // Only the first row was ever recorded; the register works again.
    EXPECT_EQ(reg.Read().size(), 1u);
    reg.Begin(rows, Output::File, "/tmp/a.txt").Commit();
    EXPECT_EQ(reg.Read().size(), 2u);
}

TEST(DisclosureRegister, EmptyFileIsUpgradedAndPurgeIsRecorded)
{
    for (const bool zeroBytes : { true, false }) {
        const std::string path = zest::test::UniqueTempPath("disclosures-v0", ".sqlite");
        if (zeroBytes)
            std::ofstream { path };
        else
            sqlite::Connection(path, true).Execute("CREATE TABLE t (x); DROP TABLE t"); // version 0, no tables
        const DisclosureRegister reg(path);
        reg.Begin({ Subject(1, "A"), Subject(2, "B") }, Output::Print).Commit();
        EXPECT_EQ(Pragma(path, "user_version"), schema::CurrentVersion());
        EXPECT_EQ(Pragma(path, "application_id"), schema::ApplicationId);
        EXPECT_EQ(reg.Read().size(), 2u);

        EXPECT_EQ(reg.PurgeBefore(Today(), "ADMIN"), 0);
        EXPECT_EQ(reg.PurgeBefore("2999-01-01", "ADMIN"), 2);
        EXPECT_TRUE(reg.Read().empty());
        sqlite::Connection db(path, false);
        sqlite::Statement purges(
            db, R"(SELECT group_concat("user" || ' ' || "before" || ' ' || "rows", ', ') FROM purges)");
        ASSERT_TRUE(purges.Step());
        EXPECT_EQ(purges.Text(0), "ADMIN " + Today() + " 0, ADMIN 2999-01-01 2");
        EXPECT_THROW(reg.PurgeBefore("yesterday", "ADMIN"), std::invalid_argument);
    }
}

} // namespace
