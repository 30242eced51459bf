#include "sqlite.h"

#include <sqlite3.h>

namespace zest::disclosures::sqlite
{

bool Error::NotADatabase() const noexcept
{
    return code_ == SQLITE_NOTADB;
}

bool Error::Busy() const noexcept
{
    return code_ == SQLITE_BUSY;
}

bool Error::ReadOnly() const noexcept
{
    return code_ == SQLITE_READONLY || code_ == SQLITE_CANTOPEN;
}

namespace
{

// `path` as a URI file name: the characters that end or escape a path there are escaped.
std::string FileUri(const std::string& path)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    // An absolute path gets an empty authority: "//x" would name a host.
    std::string uri = !path.empty() && path.front() == '/' ? "file://" : "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || c == '?' || c == '#' || byte < 0x20 || byte == 0x7F) {
            uri += '%';
            uri += Hex[byte >> 4];
            uri += Hex[byte & 0xF];
        } else {
            uri += c;
        }
    }
    return uri;
}

} // namespace

Connection::Connection(const std::string& path, OpenMode mode)
{
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW;
    std::string name = path;
    switch (mode) {
    case OpenMode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case OpenMode::Create:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    case OpenMode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case OpenMode::Unchanging:
        flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        name = FileUri(path) + "?immutable=1";
        break;
    }
    const int rc = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        // A handle comes back even when the open fails; it carries the message.
        const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw Error(rc & 0xFF, message);
    }
}

Connection::~Connection()
{
    if (InTransaction())
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
}

void Connection::Fail(int code) const
{
    throw Error(code & 0xFF, sqlite3_errmsg(db_));
}

void Connection::KeepLog()
{
    int keep = 1;
    const int rc = sqlite3_file_control(db_, "main", SQLITE_FCNTL_PERSIST_WAL, &keep);
    if (rc != SQLITE_OK)
        Fail(rc);
}

void Connection::SetBusyTimeout(int milliseconds)
{
    const int rc = sqlite3_busy_timeout(db_, milliseconds);
    if (rc != SQLITE_OK)
        Fail(rc);
}

void Connection::Execute(const char* sql)
{
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        Fail(rc);
}

std::int64_t Connection::QueryInteger(const char* sql)
{
    Statement s(*this, sql);
    return s.Step() ? s.Integer(0) : 0;
}

std::int64_t Connection::Changes() const noexcept
{
    return sqlite3_changes64(db_);
}

std::int64_t Connection::LastInsertId() const noexcept
{
    return sqlite3_last_insert_rowid(db_);
}

bool Connection::InTransaction() const noexcept
{
    return db_ && sqlite3_get_autocommit(db_) == 0;
}

Statement::Statement(Connection& db, std::string_view sql)
    : db_(&db)
{
    const int rc = sqlite3_prepare_v2(db.Handle(), sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK)
        db.Fail(rc);
}

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

void Statement::Bind(int index, std::int64_t value)
{
    const int rc = sqlite3_bind_int64(stmt_, index, value);
    if (rc != SQLITE_OK)
        db_->Fail(rc);
}

void Statement::Bind(int index, std::string_view text)
{
    const int rc = sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK)
        db_->Fail(rc);
}

void Statement::Bind(int index, const std::optional<std::string>& text)
{
    if (text) {
        Bind(index, std::string_view(*text));
        return;
    }
    const int rc = sqlite3_bind_null(stmt_, index);
    if (rc != SQLITE_OK)
        db_->Fail(rc);
}

bool Statement::Step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    db_->Fail(rc);
}

void Statement::Reset() noexcept
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::int64_t Statement::Integer(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

std::string Statement::Text(int column) const
{
    const auto* text = sqlite3_column_text(stmt_, column);
    if (!text)
        return {};
    return std::string(
        reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

bool Statement::IsNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

} // namespace zest::disclosures::sqlite
