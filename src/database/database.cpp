#include "database.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ibase.h>
#include <sys/stat.h>
#include <variant>

#include "namedparams.h"

namespace zest::fb
{

namespace
{

using Status = ISC_STATUS[20];

DatabaseError MakeError(const ISC_STATUS* status)
{
    std::vector<std::int64_t> codes;
    for (const ISC_STATUS* p = status; *p != isc_arg_end;) {
        const ISC_STATUS kind = *p++;
        if (kind == isc_arg_gds)
            codes.push_back(*p++);
        else if (kind == isc_arg_cstring)
            p += 2;
        else
            ++p;
    }
    std::string message;
    char line[1024];
    const ISC_STATUS* vector = status;
    while (fb_interpret(line, sizeof line, &vector) > 0) {
        if (!message.empty())
            message += '\n';
        message += line;
    }
    if (message.empty())
        message = "Unknown database error";
    char state[6] = {};
    fb_sqlstate(state, status);
    const int sqlCode = static_cast<int>(isc_sqlcode(status));
    return DatabaseError(std::move(message), std::move(codes), sqlCode, std::string(state, strnlen(state, 5)));
}

bool Failed(const ISC_STATUS* status)
{
    return status[0] == 1 && status[1] != 0;
}

void Check(const ISC_STATUS* status)
{
    if (Failed(status))
        throw MakeError(status);
}

DatabaseError StateError(const char* what)
{
    return DatabaseError(what, {}, 0, std::string());
}

bool HasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

void AppendDpbText(std::string& dpb, char tag, std::string_view value, std::string_view name)
{
    if (value.size() > 255)
        throw UsageError("connection parameter too long: " + std::string(name));
    // A line break or another control character in a name or password is a mistake
    // (or worse), never something the server should be sent.
    if (tag != isc_dpb_config && HasControlCharacter(value))
        throw UsageError("connection parameter holds a control character: " + std::string(name));
    dpb += tag;
    dpb += static_cast<char>(value.size());
    dpb.append(value);
}

std::string ToLowerAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return r;
}

XSQLDA* AllocSqlda(std::vector<char>& storage, int n)
{
    const int count = std::max(n, 1);
    storage.assign(XSQLDA_LENGTH(count), 0);
    auto* da = reinterpret_cast<XSQLDA*>(storage.data());
    da->version = SQLDA_VERSION1;
    da->sqln = static_cast<ISC_SHORT>(count);
    return da;
}

std::int64_t Pow10(int n)
{
    std::int64_t r = 1;
    while (n-- > 0)
        r *= 10;
    return r;
}

std::string ScaledToText(std::int64_t v, int scale)
{
    if (scale >= 0) {
        return std::to_string(v * Pow10(scale));
    }
    const std::int64_t p = Pow10(-scale);
    const bool neg = v < 0;
    const std::uint64_t a = neg ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    std::string frac = std::to_string(a % static_cast<std::uint64_t>(p));
    frac.insert(0, static_cast<std::size_t>(-scale) - frac.size(), '0');
    return (neg ? "-" : "") + std::to_string(a / static_cast<std::uint64_t>(p)) + "." + frac;
}

// As "%.15g" writes it in the "C" locale, whatever locale the process has.
std::string DoubleToText(double d)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
    return std::string(buf, r.ptr);
}

// The unscaled value of an integer column (SMALLINT, INTEGER, BIGINT, NUMERIC).
ISC_INT64 RawInteger(const XSQLVAR& v)
{
    switch (v.sqltype & ~1) {
    case SQL_SHORT: {
        short x;
        std::memcpy(&x, v.sqldata, sizeof x);
        return x;
    }
    case SQL_LONG: {
        ISC_LONG x;
        std::memcpy(&x, v.sqldata, sizeof x);
        return x;
    }
    default: {
        ISC_INT64 x;
        std::memcpy(&x, v.sqldata, sizeof x);
        return x;
    }
    }
}

[[noreturn]] void ConversionError(const std::string& text, const char* kind)
{
    throw std::runtime_error("'" + text + "' is not a valid " + kind + " value");
}

// The number in a text column: blanks around it dropped, and a plus sign (which
// from_chars does not take) when a digit or point follows it; "+-5" is no number.
std::string_view NumberText(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    if (e - b > 1 && s[b] == '+' && s[b + 1] != '-')
        ++b;
    return std::string_view(s).substr(b, e - b);
}

// The whole text must be the number; a point before the decimals, whatever locale the
// process has.
template <typename T> T ParseNumber(const std::string& s, const char* kind)
{
    const std::string_view text = NumberText(s);
    T x {};
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), x);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size())
        ConversionError(s, kind);
    return x;
}

} // namespace

// Throws a failed status as a DatabaseError. A failure because the connection is lost
// marks the attachment unusable first.
struct StatusCheck {
    static void On(Database& db, const ISC_STATUS* status)
    {
        if (!Failed(status))
            return;
        DatabaseError e = MakeError(status);
        if (e.isConnectionLost())
            db.lost_ = true;
        throw e;
    }
};

// ---------------------------------------------------------------------------------------------
// Database

Database::Database() = default;

Database::~Database()
{
    Close();
}

void Database::SetParamsText(std::string_view text)
{
    Params.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() || end < text.size())
            Params.emplace_back(line);
        start = end + 1;
    }
    while (!Params.empty() && Params.back().empty())
        Params.pop_back();
}

std::string Database::ParamValue(std::string_view name) const
{
    for (const std::string& p : Params) {
        const std::size_t eq = p.find('=');
        if (eq != std::string::npos && NamesEqual(std::string_view(p).substr(0, eq), name))
            return p.substr(eq + 1);
    }
    return {};
}

namespace
{

// "host:path" and "host/port:path" go to a server; a local path has no colon before its
// first slash.
bool IsRemote(const std::string& databaseName)
{
    const std::size_t colon = databaseName.find(':');
    return colon != std::string::npos && colon < databaseName.find('/');
}

} // namespace

std::uint32_t Database::LocalCachePages(const std::string& databaseName)
{
    // A server's register keeps the server's setting.
    if (IsRemote(databaseName))
        return 0;
    struct stat st {
    };
    if (::stat(databaseName.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    // Pages of 8 KiB, the size the register is made with; the engine's default is 2048.
    constexpr std::uint32_t DefaultPages = 2048;
    const auto pages = static_cast<std::uint64_t>(st.st_size) / 8192 + 1;
    if (pages <= DefaultPages)
        return 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(pages, LocalCacheMaxPages));
}

void Database::Open()
{
    if (Usable())
        return;
    Close();
    std::string dpb;
    dpb += static_cast<char>(isc_dpb_version1);
    std::uint32_t cachePages = 0;
    for (const std::string& p : Params) {
        const std::size_t eq = p.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string name = ToLowerAscii(p.substr(0, eq));
        const std::string_view value = std::string_view(p).substr(eq + 1);
        if (credentials_ && (name == "user_name" || name == "password" || name == "sql_role_name"))
            throw UsageError("connection parameter given twice: " + name);
        if (name == "user_name")
            AppendDpbText(dpb, isc_dpb_user_name, value, name);
        else if (name == "password")
            AppendDpbText(dpb, isc_dpb_password, value, name);
        else if (name == "lc_ctype")
            AppendDpbText(dpb, isc_dpb_lc_ctype, value, name);
        else if (name == "sql_role_name")
            AppendDpbText(dpb, isc_dpb_sql_role_name, value, name);
        else if (name == "num_buffers") {
            std::uint32_t pages = 0;
            const auto r = std::from_chars(value.data(), value.data() + value.size(), pages);
            if (r.ec != std::errc() || r.ptr != value.data() + value.size() || pages == 0)
                throw UsageError("num_buffers: not a number of pages: " + std::string(value));
            cachePages = pages;
        } else
            throw UsageError("unknown connection parameter: " + name);
    }
    if (credentials_) {
        AppendDpbText(dpb, isc_dpb_user_name, credentials_->user, "user_name");
        AppendDpbText(dpb, isc_dpb_password, credentials_->password, "password");
        AppendDpbText(dpb, isc_dpb_sql_role_name, credentials_->role, "sql_role_name");
    }
    if (cachePages == 0)
        cachePages = LocalCachePages(DatabaseName);
    if (cachePages != 0) {
        dpb += static_cast<char>(isc_dpb_num_buffers);
        dpb += static_cast<char>(4);
        for (int shift = 0; shift < 32; shift += 8)
            dpb += static_cast<char>((cachePages >> shift) & 0xFF);
        // The embedded engine in its default mode takes the cache size from its
        // configuration only; the attachment may bring a setting of its own.
        if (!IsRemote(DatabaseName))
            AppendDpbText(dpb, isc_dpb_config, "DefaultDbCachePages=" + std::to_string(cachePages), "num_buffers");
    }
    dpb += static_cast<char>(isc_dpb_sql_dialect);
    dpb += static_cast<char>(1);
    dpb += static_cast<char>(3);

    Status st {};
    isc_db_handle h = 0;
    if (DatabaseName.size() > 32000)
        throw UsageError("database name too long");
    isc_attach_database(st, static_cast<short>(DatabaseName.size()), DatabaseName.c_str(), &h,
        static_cast<short>(dpb.size()), dpb.data());
    Check(st);
    handle_ = h;
}

void Database::Detach() noexcept
{
    if (!handle_)
        return;
    Status st {};
    isc_db_handle h = handle_;
    isc_detach_database(st, &h);
    handle_ = 0;
    lost_ = false;
}

void Database::Close() noexcept
{
    for (Query* q : std::vector<Query*>(queries_.begin(), queries_.end()))
        q->Release();
    for (Transaction* t : std::vector<Transaction*>(transactions_.begin(), transactions_.end()))
        t->Rollback();
    Detach();
}

void Database::ExecuteImmediate(std::string_view sql)
{
    if (!Connected())
        throw StateError("Database not connected");
    Transaction tr(*this, TransactionMode::Write);
    tr.Start();
    Status st {};
    isc_dsql_execute_immediate(st, &handle_, tr.handlePtr(), static_cast<unsigned short>(0), std::string(sql).c_str(),
        SQL_DIALECT_V6, nullptr);
    StatusCheck::On(*this, st);
    tr.Commit();
}

void Database::CreateDatabase(std::string_view createStatement)
{
    Close();
    Status st {};
    isc_db_handle h = 0;
    isc_tr_handle tr = 0;
    isc_dsql_execute_immediate(st, &h, &tr, 0, std::string(createStatement).c_str(), SQL_DIALECT_V6, nullptr);
    Check(st);
    handle_ = h;
}

void Database::DropDatabase()
{
    if (!Connected())
        throw StateError("Database not connected");
    for (Query* q : std::vector<Query*>(queries_.begin(), queries_.end()))
        q->Release();
    for (Transaction* t : std::vector<Transaction*>(transactions_.begin(), transactions_.end()))
        t->Rollback();
    Status st {};
    isc_drop_database(st, &handle_);
    StatusCheck::On(*this, st);
    handle_ = 0;
}

void ShutdownClient() noexcept
{
    fb_shutdown(0, fb_shutrsn_exit_called);
}

std::string ClientVersion()
{
    char buf[128] = {};
    isc_get_client_version(buf);
    return buf;
}

// ---------------------------------------------------------------------------------------------
// Transaction

Transaction::Transaction(Database& db, TransactionMode mode)
    : db_(&db)
    , mode_(mode)
{
    db_->transactions_.insert(this);
}

Transaction::~Transaction()
{
    Rollback();
    if (db_)
        db_->transactions_.erase(this);
}

void Transaction::Start()
{
    if (Active())
        return;
    if (!db_ || !db_->Connected())
        throw StateError("Database not connected");
    std::string tpb;
    tpb += static_cast<char>(isc_tpb_version3);
    if (mode_ == TransactionMode::ReadCommittedNoWait) {
        tpb += static_cast<char>(isc_tpb_read_committed);
        tpb += static_cast<char>(isc_tpb_rec_version);
        tpb += static_cast<char>(isc_tpb_nowait);
    } else {
        tpb += static_cast<char>(isc_tpb_write);
        tpb += static_cast<char>(isc_tpb_concurrency);
        tpb += static_cast<char>(isc_tpb_wait);
    }
    Status st {};
    isc_tr_handle h = 0;
    isc_start_transaction(st, &h, 1, db_->handlePtr(), static_cast<unsigned short>(tpb.size()), tpb.data());
    StatusCheck::On(*db_, st);
    handle_ = h;
}

void Transaction::RollbackQueries() noexcept
{
    if (!db_)
        return;
    for (Query* q : db_->queries_)
        if (q->tr_ == this)
            q->Close();
}

void Transaction::Commit()
{
    if (!Active())
        throw StateError("Transaction is not active");
    RollbackQueries();
    Status st {};
    isc_commit_transaction(st, &handle_);
    StatusCheck::On(*db_, st);
    handle_ = 0;
}

void Transaction::Rollback() noexcept
{
    if (!Active())
        return;
    RollbackQueries();
    Status st {};
    isc_rollback_transaction(st, &handle_);
    handle_ = 0; // a failed rollback (lost connection) leaves nothing we could still end
}

void Transaction::Detach() noexcept
{
    Rollback();
}

// ---------------------------------------------------------------------------------------------
// Query

struct Query::Impl {
    isc_stmt_handle stmt = 0;
    int stmtType = 0;
    std::vector<char> outStorage;
    XSQLDA* out = nullptr;
    std::vector<std::vector<char>> outBuffers;
    std::vector<short> outNulls;

    std::vector<char> inStorage;
    XSQLDA* in = nullptr;
    std::vector<XSQLVAR> inDescribed; // the types the server asked for
    std::vector<std::string> paramNames; // per position
    using Value = ParamValue;
    std::vector<Value> values; // per position
    std::vector<std::vector<char>> inBuffers;
    std::vector<short> inNulls;

    bool HasParam(std::string_view name) const
    {
        return std::any_of(
            paramNames.begin(), paramNames.end(), [&](const std::string& n) { return NamesEqual(n, name); });
    }
};

Query::Query(Transaction& tr, std::string_view sql)
    : impl_(std::make_unique<Impl>())
    , tr_(&tr)
    , sql_(sql)
{
    Database& db = tr.database();
    if (!db.Connected())
        throw StateError("Database not connected");
    if (!tr.Active())
        throw StateError("Transaction is not active");
    db.queries_.insert(this);
    try {
        MappedStatement mapped = MapNamedParameters(sql);
        impl_->paramNames = std::move(mapped.names);
        impl_->values.resize(impl_->paramNames.size());

        Status st {};
        isc_dsql_allocate_statement(st, db.handlePtr(), &impl_->stmt);
        StatusCheck::On(db, st);
        impl_->out = AllocSqlda(impl_->outStorage, 20);
        isc_dsql_prepare(st, tr.handlePtr(), &impl_->stmt, 0, mapped.sql.c_str(), SQL_DIALECT_V6, impl_->out);
        StatusCheck::On(db, st);
        if (impl_->out->sqld > impl_->out->sqln) {
            impl_->out = AllocSqlda(impl_->outStorage, impl_->out->sqld);
            isc_dsql_describe(st, &impl_->stmt, SQL_DIALECT_V6, impl_->out);
            StatusCheck::On(db, st);
        }
        const int n = impl_->out->sqld;
        impl_->outBuffers.resize(n);
        impl_->outNulls.assign(n, 0);
        for (int i = 0; i < n; ++i) {
            XSQLVAR& v = impl_->out->sqlvar[i];
            std::size_t size = static_cast<std::size_t>(v.sqllen);
            if ((v.sqltype & ~1) == SQL_VARYING)
                size += sizeof(short);
            impl_->outBuffers[i].assign(size + 8, 0);
            v.sqldata = impl_->outBuffers[i].data();
            v.sqlind = &impl_->outNulls[i];
            v.sqltype |= 1;
        }

        // Input parameters as the server describes them.
        const int np = static_cast<int>(impl_->paramNames.size());
        impl_->in = AllocSqlda(impl_->inStorage, np);
        isc_dsql_describe_bind(st, &impl_->stmt, SQL_DIALECT_V6, impl_->in);
        StatusCheck::On(db, st);
        if (impl_->in->sqld != np)
            throw UsageError("parameter count mismatch in statement");
        impl_->inDescribed.assign(impl_->in->sqlvar, impl_->in->sqlvar + np);
        impl_->inBuffers.resize(np);
        impl_->inNulls.assign(np, 0);

        char item = isc_info_sql_stmt_type;
        char info[16] = {};
        isc_dsql_sql_info(st, &impl_->stmt, 1, &item, sizeof info, info);
        StatusCheck::On(db, st);
        if (info[0] == isc_info_sql_stmt_type) {
            const short len = static_cast<short>(isc_vax_integer(info + 1, 2));
            impl_->stmtType = static_cast<int>(isc_vax_integer(info + 3, len));
        }
    } catch (...) {
        Release();
        db.queries_.erase(this);
        throw;
    }
    if (db.observer_)
        db.observer_->Prepared(*this);
}

Query::~Query()
{
    Close();
    Release();
    tr_->database().queries_.erase(this);
}

void Query::Release() noexcept
{
    open_ = false;
    eof_ = true;
    hasRow_ = false;
    if (impl_ && impl_->stmt) {
        Status st {};
        isc_dsql_free_statement(st, &impl_->stmt, DSQL_drop);
        impl_->stmt = 0;
    }
}

std::size_t Query::ParamCount() const noexcept
{
    return impl_->paramNames.size();
}

const std::string& Query::ParamName(std::size_t index) const
{
    if (index >= impl_->paramNames.size())
        throw UsageError("parameter index out of range");
    return impl_->paramNames[index];
}

const ParamValue& Query::Param(std::size_t index) const
{
    if (index >= impl_->values.size())
        throw UsageError("parameter index out of range");
    return impl_->values[index];
}

namespace
{
template <typename V> void SetAll(Query::Impl& impl, std::string_view name, V&& value)
{
    bool found = false;
    for (std::size_t i = 0; i < impl.paramNames.size(); ++i)
        if (NamesEqual(impl.paramNames[i], name)) {
            impl.values[i] = value;
            found = true;
        }
    if (!found)
        throw UsageError("unknown parameter: " + std::string(name));
}
} // namespace

void Query::SetNull(std::string_view name)
{
    SetAll(*impl_, name, Impl::Value {});
}
void Query::SetInteger(std::string_view name, std::int32_t value)
{
    SetAll(*impl_, name, Impl::Value { value });
}
void Query::SetBigInt(std::string_view name, std::int64_t value)
{
    SetAll(*impl_, name, Impl::Value { value });
}
void Query::SetText(std::string_view name, std::string_view value)
{
    SetAll(*impl_, name, Impl::Value { std::string(value) });
}
void Query::SetFloat(std::string_view name, double value)
{
    SetAll(*impl_, name, Impl::Value { value });
}
void Query::SetParam(std::size_t index, ParamValue value)
{
    if (index >= impl_->values.size())
        throw UsageError("parameter index out of range");
    impl_->values[index] = std::move(value);
}

namespace
{
// Binds one number parameter in its native type; the server converts it to the
// parameter's own type.
template <typename T> void BindNumber(XSQLVAR& v, std::vector<char>& buf, short type, T x)
{
    buf.resize(sizeof x);
    std::memcpy(buf.data(), &x, sizeof x);
    v.sqltype = static_cast<short>(type | 1);
    v.sqllen = sizeof x;
    v.sqlscale = 0;
    v.sqlsubtype = 0;
    v.sqldata = buf.data();
}

void BindInputs(Query::Impl& impl)
{
    const std::size_t n = impl.values.size();
    for (std::size_t i = 0; i < n; ++i) {
        XSQLVAR& v = impl.in->sqlvar[i];
        v = impl.inDescribed[i];
        v.sqlind = &impl.inNulls[i];
        impl.inNulls[i] = 0;
        std::vector<char>& buf = impl.inBuffers[i];
        const Query::Impl::Value& val = impl.values[i];
        const bool describedText = (v.sqltype & ~1) == SQL_TEXT || (v.sqltype & ~1) == SQL_VARYING;
        if (std::holds_alternative<std::monostate>(val)) {
            buf.assign(static_cast<std::size_t>(v.sqllen) + 8, 0);
            v.sqldata = buf.data();
            v.sqltype |= 1;
            impl.inNulls[i] = -1;
        } else if (auto p32 = std::get_if<std::int32_t>(&val)) {
            BindNumber(v, buf, SQL_LONG, static_cast<ISC_LONG>(*p32));
        } else if (auto p64 = std::get_if<std::int64_t>(&val)) {
            BindNumber(v, buf, SQL_INT64, static_cast<ISC_INT64>(*p64));
        } else if (auto pd = std::get_if<double>(&val)) {
            BindNumber(v, buf, SQL_DOUBLE, *pd);
        } else {
            const std::string& s = std::get<std::string>(val);
            if (s.size() > 32765)
                throw UsageError("parameter text too long");
            buf.assign(s.begin(), s.end());
            buf.push_back('\0');
            const short keepSubtype = describedText ? v.sqlsubtype : 0;
            v.sqltype = SQL_TEXT | 1;
            v.sqllen = static_cast<ISC_SHORT>(s.size());
            v.sqlscale = 0;
            v.sqlsubtype = keepSubtype;
            v.sqldata = buf.data();
        }
    }
    impl.in->sqld = static_cast<ISC_SHORT>(n);
}
} // namespace

void Query::Open()
{
    if (open_)
        Close();
    if (!impl_->stmt)
        throw StateError("Database not connected");
    if (!tr_->Active())
        throw StateError("Transaction is not active");
    BindInputs(*impl_);
    Status st {};
    isc_dsql_execute(st, tr_->handlePtr(), &impl_->stmt, SQL_DIALECT_V6, impl_->values.empty() ? nullptr : impl_->in);
    StatusCheck::On(tr_->database(), st);
    if (impl_->stmtType == isc_info_sql_stmt_select || impl_->stmtType == isc_info_sql_stmt_select_for_upd) {
        open_ = true;
        eof_ = false;
    } else {
        open_ = false;
        eof_ = true;
    }
    hasRow_ = false;
    if (QueryObserver* o = tr_->database().observer_)
        o->Executed(*this);
}

bool Query::Next()
{
    if (!open_ || eof_)
        return false;
    Status st {};
    const ISC_STATUS rc = isc_dsql_fetch(st, &impl_->stmt, SQL_DIALECT_V6, impl_->out);
    if (rc == 100) {
        eof_ = true;
        hasRow_ = false;
        return false;
    }
    if (Failed(st)) {
        hasRow_ = false;
        eof_ = true;
        DatabaseError e = MakeError(st);
        if (e.isConnectionLost())
            tr_->database().lost_ = true;
        Close();
        throw e;
    }
    hasRow_ = true;
    return true;
}

void Query::Close() noexcept
{
    if (open_ && impl_->stmt) {
        Status st {};
        isc_dsql_free_statement(st, &impl_->stmt, DSQL_close);
    }
    open_ = false;
    eof_ = true;
    hasRow_ = false;
}

void Query::Execute()
{
    Open();
    Close();
}

int Query::FieldCount() const noexcept
{
    return impl_->out ? impl_->out->sqld : 0;
}

std::string Query::FieldName(int index) const
{
    if (index < 0 || index >= FieldCount())
        throw UsageError("column index out of range");
    const XSQLVAR& v = impl_->out->sqlvar[index];
    return std::string(v.aliasname, static_cast<std::size_t>(v.aliasname_length));
}

int Query::FieldIndex(std::string_view name) const
{
    const int n = FieldCount();
    for (int i = 0; i < n; ++i) {
        const XSQLVAR& v = impl_->out->sqlvar[i];
        if (static_cast<std::size_t>(v.aliasname_length) == name.size()
            && NamesEqual(std::string_view(v.aliasname, name.size()), name))
            return i;
    }
    return -1;
}

int Query::FieldIndexOrThrow(std::string_view name) const
{
    const int i = FieldIndex(name);
    if (i < 0)
        throw UsageError("unknown column: " + std::string(name));
    return i;
}

void Query::CheckRow(int index) const
{
    if (!hasRow_)
        throw UsageError("no current row");
    if (index < 0 || !impl_->out || index >= impl_->out->sqld)
        throw UsageError("column index out of range");
}

bool Query::IsNull(int index) const
{
    CheckRow(index);
    return impl_->outNulls[index] < 0;
}

std::optional<std::int64_t> Query::BigInt(int index) const
{
    CheckRow(index);
    if (impl_->outNulls[index] < 0)
        return std::nullopt;
    const XSQLVAR& v = impl_->out->sqlvar[index];
    const char* d = v.sqldata;
    auto scaled = [&](std::int64_t raw) -> std::int64_t {
        if (v.sqlscale >= 0)
            return raw * Pow10(v.sqlscale);
        return static_cast<std::int64_t>(
            std::llround(static_cast<double>(raw) / static_cast<double>(Pow10(-v.sqlscale))));
    };
    switch (v.sqltype & ~1) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        return scaled(RawInteger(v));
    case SQL_BOOLEAN:
        return static_cast<std::int64_t>(*reinterpret_cast<const unsigned char*>(d) != 0);
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        const double f = *Float(index);
        if (!(f >= -9.2e18 && f <= 9.2e18))
            ConversionError(DoubleToText(f), "integer");
        return static_cast<std::int64_t>(std::llround(f));
    }
    default: {
        return ParseNumber<std::int64_t>(*Text(index), "integer");
    }
    }
}

std::optional<std::int32_t> Query::Integer(int index) const
{
    const std::optional<std::int64_t> v = BigInt(index);
    if (!v)
        return std::nullopt;
    if (*v < INT32_MIN || *v > INT32_MAX)
        ConversionError(std::to_string(*v), "integer");
    return static_cast<std::int32_t>(*v);
}

std::optional<double> Query::Float(int index) const
{
    CheckRow(index);
    if (impl_->outNulls[index] < 0)
        return std::nullopt;
    const XSQLVAR& v = impl_->out->sqlvar[index];
    switch (v.sqltype & ~1) {
    case SQL_FLOAT: {
        float f;
        std::memcpy(&f, v.sqldata, sizeof f);
        return f;
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        double f;
        std::memcpy(&f, v.sqldata, sizeof f);
        return f;
    }
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
        const ISC_INT64 raw = RawInteger(v);
        double f = static_cast<double>(raw);
        for (int s = v.sqlscale; s < 0; ++s)
            f /= 10.0;
        for (int s = v.sqlscale; s > 0; --s)
            f *= 10.0;
        return f;
    }
    default: {
        return ParseNumber<double>(*Text(index), "floating point");
    }
    }
}

std::optional<std::string> Query::Text(int index) const
{
    CheckRow(index);
    if (impl_->outNulls[index] < 0)
        return std::nullopt;
    const XSQLVAR& v = impl_->out->sqlvar[index];
    const char* d = v.sqldata;
    switch (v.sqltype & ~1) {
    case SQL_TEXT:
        return std::string(d, static_cast<std::size_t>(v.sqllen));
    case SQL_VARYING: {
        short len;
        std::memcpy(&len, d, sizeof len);
        return std::string(d + sizeof(short), static_cast<std::size_t>(len));
    }
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        return ScaledToText(RawInteger(v), v.sqlscale);
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return DoubleToText(*Float(index));
    case SQL_BOOLEAN:
        return std::string(*reinterpret_cast<const unsigned char*>(d) ? "True" : "False");
    case SQL_TYPE_DATE: {
        ISC_DATE x;
        std::memcpy(&x, d, sizeof x);
        tm t {};
        isc_decode_sql_date(&x, &t);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
        return std::string(buf);
    }
    case SQL_TYPE_TIME: {
        ISC_TIME x;
        std::memcpy(&x, d, sizeof x);
        tm t {};
        isc_decode_sql_time(&x, &t);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
        return std::string(buf);
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP x;
        std::memcpy(&x, d, sizeof x);
        tm t {};
        isc_decode_timestamp(&x, &t);
        char buf[48];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
            t.tm_hour, t.tm_min, t.tm_sec);
        return std::string(buf);
    }
    case SQL_BLOB: {
        ISC_QUAD id;
        std::memcpy(&id, d, sizeof id);
        Status st {};
        isc_blob_handle blob = 0;
        isc_open_blob2(st, tr_->database().handlePtr(), tr_->handlePtr(), &blob, &id, 0, nullptr);
        StatusCheck::On(tr_->database(), st);
        std::string text;
        char seg[8192];
        for (;;) {
            unsigned short got = 0;
            const ISC_STATUS rc = isc_get_segment(st, &blob, &got, sizeof seg, seg);
            if (rc != 0 && rc != isc_segment)
                break;
            text.append(seg, got);
        }
        Status st2 {};
        isc_close_blob(st2, &blob);
        if (st[1] != 0 && st[1] != isc_segstr_eof && st[1] != isc_segment)
            StatusCheck::On(tr_->database(), st);
        return text;
    }
    default:
        throw UsageError("unsupported column type");
    }
}

std::int32_t Query::AsInteger(std::string_view name) const
{
    return Integer(FieldIndexOrThrow(name)).value_or(0);
}
std::int64_t Query::AsBigInt(std::string_view name) const
{
    return BigInt(FieldIndexOrThrow(name)).value_or(0);
}
std::string Query::AsString(std::string_view name) const
{
    return Text(FieldIndexOrThrow(name)).value_or(std::string());
}
double Query::AsFloat(std::string_view name) const
{
    return Float(FieldIndexOrThrow(name)).value_or(0.0);
}

} // namespace zest::fb
