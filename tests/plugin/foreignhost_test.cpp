// The built plug-in in a process that is not a Qt program: no Qt is linked here, the
// library is loaded with dlopen, and what its windows do is seen through the register's
// monitoring tables (the embedded engine is shared with the library in this process).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "plugin/exports.h"
#include "testregister.h"

namespace
{

class Plugin
{
public:
    Plugin() { handle_ = dlopen(ZEST_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL); }
    ~Plugin() { Unload(); }
    bool Loaded() const { return handle_ != nullptr; }
    void Analiza(const std::string& db) const
    {
        auto analiza = reinterpret_cast<AnalizaFn>(dlsym(handle_, "Analiza"));
        auto getTypeName = reinterpret_cast<GetTypeNameFn>(dlsym(handle_, "GetTypeName"));
        getTypeName(nullptr, nullptr, 0);
        analiza(0, db.c_str(), "SYSDBA", "x", "", 0);
    }
    void Unload()
    {
        if (handle_)
            dlclose(handle_);
        handle_ = nullptr;
    }

private:
    void* handle_ = nullptr;
};

class ForeignHostTest : public testing::Test
{
protected:
    void SetUp() override
    {
        reg = std::make_unique<zest::test::TestRegister>("foreign");
        reg->Exec("insert into uzytki (id, ofu, ozu, ozk, status) values (1, 'R', 'R', 'I', 0)");
        monitor = reg->Connect();
        before = Counts();
    }
    // The library's attachments and transactions: those the engine sees now beyond the
    // test's own.
    std::string OtherUsers()
    {
        const auto [attachments, transactions] = Counts();
        return std::to_string(attachments - before.first) + "/" + std::to_string(transactions - before.second);
    }
    std::pair<int, int> Counts()
    {
        zest::fb::Transaction tr(*monitor);
        tr.Start();
        std::vector<int> counts;
        for (const char* sql : { "select count(*) from mon$attachments where mon$system_flag = 0",
                 "select count(*) from mon$transactions" }) {
            zest::fb::Query query(tr, sql);
            query.Open();
            counts.push_back(std::stoi(zest::test::ReadAll(query).at(0).at(0)));
        }
        tr.Commit();
        return { counts.at(0), counts.at(1) - 1 }; // without the transaction that counts
    }
    static std::string Stderr(const std::function<void()>& call)
    {
        testing::internal::CaptureStderr();
        call();
        return testing::internal::GetCapturedStderr();
    }

    std::unique_ptr<zest::test::TestRegister> reg;
    std::unique_ptr<zest::fb::Database> monitor;
    std::pair<int, int> before;
};

TEST_F(ForeignHostTest, OwnApplicationObjectThroughUnloadAndReload)
{
    setenv("LC_ALL", "C", 1); // what Qt would set from the environment
    std::setlocale(LC_ALL, "C.UTF-8"); // what the host set
    {
        Plugin plugin;
        ASSERT_TRUE(plugin.Loaded()) << dlerror();
        EXPECT_EQ(Stderr([&] { plugin.Analiza(reg->path()); }).find("Zestawienia:"), std::string::npos);
        EXPECT_EQ(OtherUsers(), "1/1"); // the window's connection and its transaction
        EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C.UTF-8");

        const std::string line = Stderr([&] { std::thread([&] { plugin.Analiza(reg->path()); }).join(); });
        EXPECT_NE(line.find("thread other than"), std::string::npos) << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line; // one line, nothing from Qt
        EXPECT_EQ(OtherUsers(), "1/1");

        plugin.Unload(); // with the window open
        EXPECT_EQ(OtherUsers(), "0/0");
    }
    // The application object stayed, and Qt with it; a new copy of the library uses it.
    EXPECT_NE(dlopen("libQt6Widgets.so.6", RTLD_NOW | RTLD_NOLOAD), nullptr);
    Plugin again;
    ASSERT_TRUE(again.Loaded()) << dlerror();
    EXPECT_EQ(Stderr([&] { again.Analiza(reg->path()); }).find("Zestawienia:"), std::string::npos);
    EXPECT_EQ(OtherUsers(), "1/1");
    again.Unload();
    EXPECT_EQ(OtherUsers(), "0/0");
}

TEST_F(ForeignHostTest, FirstCallFromAnotherThreadMakesNothing)
{
    Plugin plugin;
    ASSERT_TRUE(plugin.Loaded()) << dlerror();
    const std::string line = Stderr([&] { std::thread([&] { plugin.Analiza(reg->path()); }).join(); });
    EXPECT_NE(line.find("main thread"), std::string::npos) << line;
    EXPECT_EQ(OtherUsers(), "0/0");
    plugin.Analiza(reg->path());
    EXPECT_EQ(OtherUsers(), "1/1");
}

TEST_F(ForeignHostTest, NoDisplayIsReportedInsteadOfAborting)
{
    unsetenv("QT_QPA_PLATFORM");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    Plugin plugin;
    ASSERT_TRUE(plugin.Loaded()) << dlerror();
    const std::string line = Stderr([&] { plugin.Analiza(reg->path()); });
    EXPECT_NE(line.find("no display"), std::string::npos) << line;
    EXPECT_EQ(OtherUsers(), "0/0");
}

} // namespace
