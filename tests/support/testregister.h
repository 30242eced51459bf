#pragma once
// A fresh, empty land register for one test: an embedded database file of its own under
// the test directory (ZEST_TEST_TMP, from the environment or the build), made from the
// register DDL and removed again at the end.

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database/database.h"
#include "register/ddl.h"

namespace zest::test
{

// The password of the register's user (SYSDBA), for a test that connects as the window
// does: anything for the embedded engine, the server's where the registers live there.
const char* RegisterPassword();

// The directory for test databases and scratch files.
std::string TestTempDir();
// A path under TestTempDir() that no other test (or test process) uses; nothing exists there.
std::string UniqueTempPath(std::string_view stem, std::string_view extension = ".fdb");

class TestRegister
{
public:
    // Creates the register; `options` may leave out the indexes.
    explicit TestRegister(std::string_view stem, const reg::RegisterOptions& options = {});
    ~TestRegister();
    TestRegister(const TestRegister&) = delete;
    TestRegister& operator=(const TestRegister&) = delete;

    const std::string& path() const noexcept { return path_; }

    // Runs statements on the register's own attachment, each committed at once (rows
    // become visible to a read-committed reader straight away). Text literals are
    // Windows-1250 bytes.
    void Exec(std::string_view sql);
    void Exec(std::initializer_list<std::string_view> statements);

    // A connection as the statement window makes it: user, WIN1250, password, no role.
    std::unique_ptr<fb::Database> Connect() const;

private:
    std::string path_;
    fb::Database maker_;
};

// Every row of an open query, every column read as text by the reading rule (NULL is
// the empty text); the query is closed afterwards.
std::vector<std::vector<std::string>> ReadAll(fb::Query& query);
// One column of every row, by name.
std::vector<std::string> ReadColumn(fb::Query& query, std::string_view name);

// A test with its own register and a reading connection with one read-committed,
// no-wait transaction, as the statement window has.
class RegisterTest : public testing::Test
{
protected:
    // Runs on the new register before the reading connection is made: the place for
    // rows and for changes to the schema.
    virtual void Prepare(TestRegister&) { }

    void SetUp() override;
    void TearDown() override;

    // Prepares and opens a statement on the reading transaction.
    std::unique_ptr<fb::Query> Open(std::string_view sql);
    // The rows of a statement without parameters.
    std::vector<std::vector<std::string>> Rows(std::string_view sql);

    std::unique_ptr<TestRegister> reg;
    std::unique_ptr<fb::Database> db;
    std::unique_ptr<fb::Transaction> tr;
};

} // namespace zest::test
