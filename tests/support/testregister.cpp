#include "testregister.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "registerplace.h"

namespace fs = std::filesystem;

namespace zest::test
{

const char* RegisterPassword()
{
    static const std::string password = RegisterAccess().password;
    return password.c_str();
}

std::string TestTempDir()
{
    if (const char* env = std::getenv("ZEST_TEST_TMP"); env && *env)
        return env;
    return ZEST_TEST_TMP;
}

std::string UniqueTempPath(std::string_view stem, std::string_view extension)
{
    static std::atomic<int> counter { 0 };
    std::string name(stem);
    if (const auto* info = testing::UnitTest::GetInstance()->current_test_info()) {
        name += '-';
        name += info->test_suite_name();
        name += '-';
        name += info->name();
    }
    name += '-' + std::to_string(getpid()) + '-' + std::to_string(++counter);
    // Parameterised tests carry '/' in their names.
    for (char& c : name)
        if (c == '/')
            c = '_';
    const fs::path dir(TestTempDir());
    fs::create_directories(dir);
    const fs::path path = dir / (name + std::string(extension));
    fs::remove(path);
    return path.string();
}

TestRegister::TestRegister(std::string_view stem, const reg::RegisterOptions& options)
    : path_(NewRegisterName(stem))
{
    reg::RegisterOptions access = options;
    access.user = RegisterAccess().user;
    access.password = RegisterAccess().password;
    reg::CreateRegister(maker_, path_, access);
}

TestRegister::~TestRegister()
{
    maker_.Close();
    RemoveRegister(path_);
}

void TestRegister::Exec(std::string_view sql)
{
    maker_.ExecuteImmediate(sql);
}

void TestRegister::Exec(std::initializer_list<std::string_view> statements)
{
    for (auto sql : statements)
        maker_.ExecuteImmediate(sql);
}

std::unique_ptr<fb::Database> TestRegister::Connect() const
{
    auto db = std::make_unique<fb::Database>();
    db->DatabaseName = path_;
    db->SetParamsText("user_name=" + RegisterAccess().user
        + "\r\nlc_ctype=WIN1250\r\npassword=" + RegisterAccess().password + "\r\nsql_role_name=");
    db->Open();
    return db;
}

std::vector<std::vector<std::string>> ReadAll(fb::Query& query)
{
    std::vector<std::vector<std::string>> rows;
    while (query.Next()) {
        std::vector<std::string> row;
        for (int i = 0; i < query.FieldCount(); ++i)
            row.push_back(query.Text(i).value_or(std::string()));
        rows.push_back(std::move(row));
    }
    query.Close();
    return rows;
}

std::vector<std::string> ReadColumn(fb::Query& query, std::string_view name)
{
    std::vector<std::string> values;
    while (query.Next())
        values.push_back(query.AsString(name));
    query.Close();
    return values;
}

void RegisterTest::SetUp()
{
    reg = std::make_unique<TestRegister>("reg");
    Prepare(*reg);
    db = reg->Connect();
    tr = std::make_unique<fb::Transaction>(*db);
    tr->Start();
}

void RegisterTest::TearDown()
{
    tr.reset();
    db.reset();
    reg.reset();
}

std::unique_ptr<fb::Query> RegisterTest::Open(std::string_view sql)
{
    auto q = std::make_unique<fb::Query>(*tr, sql);
    q->Open();
    return q;
}

std::vector<std::vector<std::string>> RegisterTest::Rows(std::string_view sql)
{
    return ReadAll(*Open(sql));
}

} // namespace zest::test
