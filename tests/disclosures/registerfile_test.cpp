// The register's file itself: made private to its owner (its log and index too) in a
// folder of the owner's, an administrator's mode kept; a symbolic link in its place
// refused; a listing that only reads, also for a user who may only read the file and
// for a file of the first version, which a writer then upgrades.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "clirunner.h"
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

const std::vector<Disclosure> Rows { Disclosure { "KOWALSKA", "/srv/gmina.fdb", 7, "Nowak Jan", "kind=fizyczne" } };

mode_t Mode(const std::string& path)
{
    struct stat st {
    };
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
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

// A register of the first version, as the program wrote it before accounts and states:
// three rows (subjects 7, 8, 7) and a purge.
std::string VersionOneCopy(const std::string& dir)
{
    fs::create_directories(dir);
    const std::string path = dir + "/register.sqlite";
    fs::copy_file(ZEST_DISCLOSURES_DATA "/version1.sqlite", path, fs::copy_options::overwrite_existing);
    return path;
}

class Umask
{
public:
    explicit Umask(mode_t mask)
        : old_(::umask(mask))
    {
    }
    ~Umask() { ::umask(old_); }

private:
    mode_t old_;
};

TEST(DisclosureFile, MadePrivateAndAnAdministratorsModeKept)
{
    const Umask umask(022);
    const std::string home = zest::test::UniqueTempPath("disclosures-private", "");
    fs::create_directories(home);
    const std::string folder = home + "/share/zestawienia";
    const zest::test::ScopedEnv unset(EnvironmentVariable, "");
    const DisclosureRegister reg = DisclosureRegister::FromEnvironment(folder);
    {
        auto pending = reg.Begin(Rows, Output::Print); // its connection keeps the log and index open
        for (const std::string& f : { reg.Path(), reg.Path() + "-wal", reg.Path() + "-shm" })
            EXPECT_EQ(Mode(f), 0600u) << f;
        EXPECT_EQ(Mode(home + "/share"), 0700u);
        EXPECT_EQ(Mode(folder), 0700u);
        pending.Commit();
    }
    ::chmod(reg.Path().c_str(), 0640);
    reg.Begin(Rows, Output::Print).Commit();
    EXPECT_EQ(Mode(reg.Path()), 0640u);
    EXPECT_EQ(Mode(home), 0755u) << "a folder that was there is left as it is";
}

TEST(DisclosureFile, SymbolicLinkIsRefusedAndItsTargetLeftAlone)
{
    const std::string dir = zest::test::UniqueTempPath("disclosures-link", "");
    fs::create_directories(dir);
    const std::string real = dir + "/real.sqlite";
    DisclosureRegister(real).Begin(Rows, Output::Print).Commit();
    const std::string before = zest::test::ReadBytes(real);
    for (const std::string& target : { real, dir + "/missing.sqlite" }) {
        const std::string link = dir + "/link.sqlite";
        fs::remove(link);
        fs::create_symlink(target, link);
        const DisclosureRegister reg(link);
        for (const std::string& message : { Message([&] { reg.Begin(Rows, Output::Print); }),
                 Message([&] { reg.Read(); }), Message([&] { reg.PurgeBefore("2000-01-01", "U"); }) }) {
            EXPECT_NE(message.find(link + ": "), std::string::npos) << message;
            EXPECT_NE(message.find("dowi\xB9zaniem symbolicznym"), std::string::npos) << message;
        }
    }
    EXPECT_FALSE(fs::exists(dir + "/missing.sqlite"));
    EXPECT_EQ(zest::test::ReadBytes(real), before);
    EXPECT_EQ(DisclosureRegister(real).Read().size(), 1u);
}

TEST(DisclosureFile, ListingOnlyReadsAndAWriterUpgradesTheFirstVersion)
{
    const std::string dir = zest::test::UniqueTempPath("disclosures-v1", "");
    const std::string path = VersionOneCopy(dir);
    ::chmod(path.c_str(), 0644);
    ::chmod(dir.c_str(), 0755);
    const std::string before = zest::test::ReadBytes(path);
    const auto summary = [&] {
        std::string text;
        for (const DisclosureRow& r : DisclosureRegister(path).Read())
            text += std::to_string(r.subjectId) + " " + r.output + " " + r.status + " [" + r.account + "];";
        return text;
    };
    const std::string rows = "7 print delivered [];8 print delivered [];7 pdf delivered [];";
    // By one who may only read the file and not write its folder, and by its owner.
    EXPECT_EQ(zest::test::Unprivileged([&] {
        try {
            return summary();
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
    }),
        rows);
    EXPECT_EQ(summary(), rows);
    EXPECT_EQ(zest::test::ReadBytes(path), before);
    EXPECT_EQ(zest::test::DirectoryNames(dir), std::vector<std::string> { "register.sqlite" })
        << "nothing made beside it";

    // The first write brings it to the current version in one step, its rows as they were.
    DisclosureRegister(path).Begin(Rows, Output::File, "/tmp/a.txt").Commit();
    EXPECT_EQ(sqlite::Connection(path, false).QueryInteger("PRAGMA user_version"), schema::CurrentVersion());
    const std::vector<DisclosureRow> upgraded = DisclosureRegister(path).Read();
    ASSERT_EQ(upgraded.size(), 4u);
    EXPECT_EQ(upgraded[0].subjectName, "\xC5\xBB\xC3\xB3\xC5\x82\xC4\x87 Anna");
    EXPECT_EQ(upgraded[2].status, StatusDelivered);
    EXPECT_EQ(upgraded[3].status, StatusDelivered);
    EXPECT_FALSE(upgraded[3].account.empty());
    sqlite::Connection db(path, false);
    EXPECT_EQ(db.QueryInteger(R"(SELECT count(*) FROM purges WHERE "user" = 'admin' AND account IS NULL)"), 1);

    // The writers keep the log and its index, emptied: a reader who may not even read
    // them still reads every row.
    for (const char* beside : { "-wal", "-shm" }) {
        ASSERT_TRUE(fs::exists(path + beside)) << beside;
        ::chmod((path + beside).c_str(), 0600);
    }
    EXPECT_EQ(zest::test::Unprivileged([&] {
        try {
            return std::to_string(DisclosureRegister(path).Read().size());
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
    }),
        "4");

    // With a writer's log beside it (an output under way), the listing reads through it.
    auto pending = DisclosureRegister(path).Begin(Rows, Output::Pdf, "/tmp/b.pdf");
    ASSERT_TRUE(fs::exists(path + "-wal"));
    const std::vector<DisclosureRow> live = DisclosureRegister(path).Read();
    ASSERT_EQ(live.size(), 5u);
    EXPECT_EQ(live[4].status, StatusPending);
}

} // namespace
