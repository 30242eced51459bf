// The process keeps its own handling of the termination signals through the client
// library, which installs handlers of its own for SIGINT and SIGTERM at its first
// attachment (a failed one too) and thereby keeps a process from ending on them. ctest
// runs each case in a process of its own, so the first attachment is the case's.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <unistd.h>

#include "database/database.h"

using namespace zest::fb;
namespace fs = std::filesystem;

namespace
{

void OwnHandler(int) { }

void Set(int sig, void (*handler)(int))
{
    struct sigaction sa {
    };
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    ::sigaction(sig, &sa, nullptr);
}

void (*Current(int sig))(int)
{
    struct sigaction sa {
    };
    ::sigaction(sig, nullptr, &sa);
    return sa.sa_handler;
}

TEST(SignalKeeper, CreatingAndAttachingKeepTheProcessesOwnDispositions)
{
    Set(SIGTERM, OwnHandler);
    Set(SIGINT, SIG_IGN);
    Set(SIGHUP, SIG_DFL);
    const std::string path = (fs::path(ZEST_TEST_TMP) / ("signals-" + std::to_string(getpid()) + ".fdb")).string();
    fs::remove(path);
    const auto expectKept = [](void (*term)(int), const char* after) {
        EXPECT_EQ(Current(SIGTERM), term) << after;
        EXPECT_EQ(Current(SIGINT), SIG_IGN) << after;
        EXPECT_EQ(Current(SIGHUP), SIG_DFL) << after;
        EXPECT_EQ(Current(SIGQUIT), SIG_DFL) << after;
    };
    {
        Database maker;
        maker.CreateDatabase("CREATE DATABASE '" + path + "' USER 'SYSDBA' PASSWORD 'x'");
        expectKept(OwnHandler, "create");
    }
    Set(SIGTERM, SIG_DFL);
    Database missing;
    missing.DatabaseName = path + ".absent";
    EXPECT_THROW(missing.Open(), DatabaseError);
    expectKept(SIG_DFL, "a failed attach");
    Database db;
    db.DatabaseName = path;
    db.SetParamsText("user_name=SYSDBA\r\npassword=x");
    db.Open();
    expectKept(SIG_DFL, "attach");
    db.DropDatabase();
}

} // namespace
