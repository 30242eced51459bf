#pragma once
// The SQLite connection and prepared statement of the register of disclosures, each
// handle owned: a statement is finalized, a transaction still open rolled back and the
// connection closed on every way out. Every failing call throws sqlite::Error with
// SQLite's own text; the register turns it into its message naming the file.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace zest::disclosures::sqlite
{

// SQLite's message (UTF-8, English) and its primary result code.
class Error : public std::runtime_error
{
public:
    Error(int code, const std::string& message)
        : std::runtime_error(message)
        , code_(code)
    {
    }
    int Code() const noexcept { return code_; }
    // The file is not an SQLite database.
    bool NotADatabase() const noexcept;
    // Another connection holds a lock that this one needs.
    bool Busy() const noexcept;
    // The file may not be written, or a file beside it may not be made.
    bool ReadOnly() const noexcept;

private:
    int code_;
};

enum class OpenMode {
    ReadWrite, // a file that exists
    Create, // made when it is missing
    ReadOnly, // read through its write-ahead log, which must exist or be made
    Unchanging, // read as it lies, without locks or files beside it: see Connection
};

class Connection
{
public:
    // Opens `path`; a symbolic link in its place is refused. Unchanging reads the file
    // alone, taking no lock and making no file beside it: only for a file without a
    // write-ahead log, whose reader checks afterwards that nobody wrote meanwhile.
    Connection(const std::string& path, OpenMode mode);
    // Opens `path` for reading and writing; `create`: makes the file when it is missing.
    Connection(const std::string& path, bool create)
        : Connection(path, create ? OpenMode::Create : OpenMode::ReadWrite)
    {
    }
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The write-ahead log and its index stay when the connection closes.
    void KeepLog();
    // How long a statement waits for another connection's lock before it fails.
    void SetBusyTimeout(int milliseconds);
    // Runs statements that return no rows (one or several, separated by semicolons).
    void Execute(const char* sql);
    // The first column of the first row of a query that returns one value.
    std::int64_t QueryInteger(const char* sql);
    // Rows changed by the last INSERT, UPDATE or DELETE.
    std::int64_t Changes() const noexcept;
    // The id of the row the last INSERT made.
    std::int64_t LastInsertId() const noexcept;
    bool InTransaction() const noexcept;

    sqlite3* Handle() const noexcept { return db_; }
    [[noreturn]] void Fail(int code) const;

private:
    sqlite3* db_ = nullptr;
};

class Statement
{
public:
    Statement(Connection& db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters are numbered from 1; text is bound as UTF-8 and copied.
    void Bind(int index, std::int64_t value);
    void Bind(int index, std::string_view text);
    void Bind(int index, const std::optional<std::string>& text); // none: NULL
    // Runs the statement to its next row: false when there is none.
    bool Step();
    // Ready to run again with new parameters.
    void Reset() noexcept;

    // Columns of the current row, numbered from 0; NULL reads 0 and "".
    std::int64_t Integer(int column) const;
    std::string Text(int column) const;
    bool IsNull(int column) const;

private:
    Connection* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace zest::disclosures::sqlite
