#pragma once
// The register connection: one attachment, its transactions and statements.
// Only the files of this folder include the client headers.
//
// Ownership: every client handle has one owner that ends it (clienthandle.h). A Database
// knows its Transactions, a Transaction its Queries. Closing the database frees every
// statement, rolls back every transaction and then detaches, so no client handle outlives
// its attachment. The objects stay: a Transaction starts again once the database is open
// again, while a Query must be prepared anew.
// Destroying a parent detaches its children as well: a Transaction whose Database is gone,
// or a Query whose Transaction is gone, throws a DatabaseError when used. Any order of
// destruction is safe.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "clienthandle.h"
#include "dberror.h"

namespace zest::fb
{

class Transaction;
class Query;

// A parameter value as a statement binds it: null, integer, big integer, text or float.
using ParamValue = std::variant<std::monostate, std::int32_t, std::int64_t, std::string, double>;

// Watches the statements of one attachment being prepared and executed, for tools that
// measure or replay a run. With none set, a prepare or an execute pays one pointer test.
class QueryObserver
{
public:
    virtual ~QueryObserver() = default;
    virtual void Prepared(const Query& query) = 0; // after a successful prepare
    virtual void Executed(const Query& query) = 0; // after a successful execute
};

// Who attaches: each field goes to its own connection parameter as it is, never
// through a text that is parsed again.
struct Credentials {
    std::string user;
    std::string password;
    std::string role; // empty: none
    bool operator==(const Credentials&) const = default;
};

class Database
{
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The database path or connection string ("host:path" for a server), in UTF-8: it
    // goes to the client as UTF-8 whatever the process's locale.
    std::string DatabaseName;
    // The connection's parameter list, one "name=value" per entry; the names the
    // attachment understands are user_name, lc_ctype, password, sql_role_name,
    // num_buffers (the pages of the page cache, when this attachment opens the file) and
    // wire_crypt (Required, Enabled or Disabled: the client's WireCrypt for this
    // connection; absent, the client's own setting) and wire_compression (true or false:
    // the client's WireCompression for a connection to a server; absent,
    // WireCompressionByDefault, when that is off the client's own setting; the embedded
    // engine has no wire and ignores it).
    std::vector<std::string> Params;

    // The user name, password and role of the attachment, beside Params (which then must
    // not name them). They reach the client as UTF-8 (every text of the connection
    // parameters does); an empty field is not sent.
    void SetCredentials(Credentials credentials) { credentials_ = std::move(credentials); }
    const std::optional<Credentials>& credentials() const noexcept { return credentials_; }

    // Sets Params from a text of lines separated by CR LF (or LF).
    void SetParamsText(std::string_view text);
    // The value after "name=" of the first entry with that name (case-insensitive), or "".
    std::string ParamValue(std::string_view name) const;

    // Attach, SQL dialect 3; throws DatabaseError. The process's own dispositions of the
    // termination signals outlast it (signalkeeper.h). An attachment whose connection was
    // lost is closed first. The user name, password and role must hold no control
    // character (UsageError). A register file opened by the embedded engine gets a page
    // cache that holds all of it, up to LocalCacheMaxPages, unless num_buffers says
    // otherwise: the per-subject statements read the register at random, and the
    // engine's default cache holds only a commune's.
    void Open();
    void Close() noexcept; // free statements, roll back, detach; never throws
    // Holds an attachment handle (possibly one whose connection is lost).
    bool Connected() const noexcept { return static_cast<bool>(attachment_); }
    // Connected, and no call on the attachment has failed because its connection was
    // lost (server restart, network cut): after such a failure the handle stays "open"
    // but every call fails; only Close and a new Open help.
    bool Usable() const noexcept { return Connected() && !lost_; }
    // The page cache that an attachment to a local file asks for, by the file's size.
    // 0 keeps the engine's default (a file that is small, remote or not there).
    static std::uint32_t LocalCachePages(const std::string& databaseName);
    // The name goes to a server ("host:path", "host/port:path"), not to the embedded engine.
    static bool IsRemote(const std::string& databaseName);
    static constexpr std::uint32_t LocalCacheMaxPages = 32768;
    // Whether a connection to a server asks for wire compression (zlib) when its
    // parameters do not say. Off: zestawienia-bench --compare-compression found the run
    // straight to the loopback server about 1.2× slower with it (the CPU of compressing,
    // on both ends), while a narrow link gains (README, "Against a server across a
    // network"). The server follows the client's request; a client that cannot load zlib
    // does not ask, and the wire stays plain.
    static constexpr bool WireCompressionByDefault = false;

    // Runs one statement outside any cursor (DDL, inserts) in its own transaction
    // and commits it. For tools that build a register, never for the statement window.
    void ExecuteImmediate(std::string_view sql);

    // Creates a database file with the given SQL CREATE DATABASE statement text and
    // leaves this object attached to it.
    void CreateDatabase(std::string_view createStatement);
    // Drops the attached database (its file is deleted) and leaves this object closed.
    void DropDatabase();

    // Client library handles, for the classes of this folder.
    detail::RawHandle* handlePtr() noexcept { return attachment_.ptr(); }

    // Null turns the watching off. The observer must outlive its setting.
    void SetObserver(QueryObserver* observer) noexcept { observer_ = observer; }

private:
    friend class Transaction;
    friend class Query;
    friend struct StatusCheck;
    void EndChildren() noexcept; // frees the statements, rolls back the transactions
    // Marks the attachment lost when the failure `e` of one of its calls says so (a
    // failure that may hide a lost connection is first checked with a ping, and `e` then
    // becomes the ping's error).
    void NoteFailure(DatabaseError& e) noexcept;

    detail::AttachmentHandle attachment_;
    bool lost_ = false;
    std::optional<Credentials> credentials_;
    QueryObserver* observer_ = nullptr;
    std::set<Transaction*> transactions_;
};

enum class TransactionMode {
    // read, read_committed, rec_version, nowait: browsing (lists, class grid, precincts).
    // The server starts such a transaction as committed: held open all day, it keeps
    // nothing from its garbage collection.
    ReadOnly,
    // read, concurrency, nowait: one statement run, which sees the register as it stood
    // when the run began. Holds the server's oldest active transaction while it is open.
    Snapshot,
    Write, // concurrency, wait: used by tools that fill a register
};

class Transaction
{
public:
    explicit Transaction(Database& db, TransactionMode mode = TransactionMode::ReadOnly);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void Start(); // throws when the database is not connected
    void Commit(); // closes the cursors of its queries first
    void Rollback() noexcept; // likewise
    bool Active() const noexcept { return static_cast<bool>(handle_); }
    TransactionMode mode() const noexcept { return mode_; }
    Database& database(); // throws when the database object was destroyed
    detail::RawHandle* handlePtr() noexcept { return handle_.ptr(); }

private:
    friend class Database;
    friend class Query;
    void CloseCursors() noexcept;
    void ReleaseStatements() noexcept; // the database is closing

    Database* db_; // null once the database object is destroyed
    TransactionMode mode_;
    detail::TransactionHandle handle_;
    std::set<Query*> queries_;
};

// A prepared statement with its cursor. Parameters are set by name; columns are read
// by the name the select list gives them (alias), without regard to case.
class Query
{
public:
    Query(Transaction& tr, std::string_view sql); // prepares; throws DatabaseError
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    const std::string& sql() const noexcept { return sql_; }

    void SetNull(std::string_view name);
    void SetInteger(std::string_view name, std::int32_t value);
    void SetBigInt(std::string_view name, std::int64_t value);
    void SetText(std::string_view name, std::string_view value);
    void SetFloat(std::string_view name, double value);
    // Sets the parameter at one position (a "?" of the text, or one place of a name);
    // UsageError beyond the last.
    void SetParam(std::size_t index, ParamValue value);
    std::size_t ParamCount() const noexcept;
    // The parameters by position, as last set (a name used twice has two positions).
    const std::string& ParamName(std::size_t index) const;
    const ParamValue& Param(std::size_t index) const;

    void Open(); // executes; for a select, positions before the first row
    bool Next(); // fetches the next row; false at the end
    void Close() noexcept; // closes the cursor, keeps the statement prepared
    bool IsOpen() const noexcept { return open_; }
    bool Eof() const noexcept { return eof_; }

    // Executes a statement without a result set (insert, update) in the transaction.
    void Execute();

    int FieldCount() const noexcept;
    std::string FieldName(int index) const; // the alias name as the server gives it
    int FieldIndex(std::string_view name) const; // -1 when absent
    int FieldIndexOrThrow(std::string_view name) const; // UsageError when absent

    bool IsNull(int index) const;
    std::optional<std::int32_t> Integer(int index) const;
    std::optional<std::int64_t> BigInt(int index) const;
    std::optional<std::string> Text(int index) const;
    std::optional<double> Float(int index) const;

    // The reading rule: null reads as 0 or as the empty text.
    std::int32_t AsInteger(std::string_view name) const;
    std::int64_t AsBigInt(std::string_view name) const;
    std::string AsString(std::string_view name) const;
    double AsFloat(std::string_view name) const;
    bool IsNull(std::string_view name) const { return IsNull(FieldIndexOrThrow(name)); }

private:
    friend class Transaction;
    void Release() noexcept; // frees the statement handle (the database is closing)
    void Detach() noexcept; // likewise, and forgets the transaction (it is destroyed)
    void CheckRow(int index) const;

public:
    struct Impl; // client handles and buffers, defined with the implementation

private:
    std::unique_ptr<Impl> impl_;
    Transaction* tr_; // null once the transaction object is destroyed
    std::string sql_;
    bool open_ = false;
    bool eof_ = true;
    bool hasRow_ = false;
};

// The client library's version string, for diagnostics.
std::string ClientVersion();

// Stops the client library's own threads (and those of an embedded engine) before the
// process exits; every attachment must be closed by then. For tools, not for the plug-in,
// whose host may hold attachments of its own.
void ShutdownClient() noexcept;

// The client converts file names between UTF-8 and the character set of the process's
// LC_CTYPE. A program that never set its locale runs in "C", where no name with a
// Polish letter converts; a tool calls this first: the environment's LC_CTYPE, or
// C.UTF-8 when that is not a UTF-8 one. Not for the plug-in: the locale is its host's.
// On Windows the client converts UTF-8 names itself and this does nothing
// (filenames_posix.cpp, filenames_windows.cpp).
void UseUtf8FileNames() noexcept;

} // namespace zest::fb
