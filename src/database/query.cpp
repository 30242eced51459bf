// Query: preparing a statement, executing it and walking its cursor, and the column names.

#include <algorithm>

#include "clientstatus.h"
#include "namedparams.h"
#include "queryimpl.h"

namespace zest::fb
{

XSQLDA* AllocSqlda(std::vector<char>& storage, int n)
{
    const int count = std::max(n, 1);
    storage.assign(XSQLDA_LENGTH(count), 0);
    auto* da = reinterpret_cast<XSQLDA*>(storage.data());
    da->version = SQLDA_VERSION1;
    da->sqln = static_cast<ISC_SHORT>(count);
    return da;
}

namespace
{

// The select list: a buffer and a null flag for each column, every column nullable.
void DescribeColumns(Query::Impl& impl)
{
    Status st {};
    if (impl.out->sqld > impl.out->sqln) {
        impl.out = AllocSqlda(impl.outStorage, impl.out->sqld);
        isc_dsql_describe(st, impl.stmt.ptr(), SQL_DIALECT_V6, impl.out);
        Check(st);
    }
    const int n = impl.out->sqld;
    impl.outBuffers.resize(n);
    impl.outNulls.assign(n, 0);
    for (int i = 0; i < n; ++i) {
        XSQLVAR& v = impl.out->sqlvar[i];
        std::size_t size = static_cast<std::size_t>(v.sqllen);
        if ((v.sqltype & ~1) == SQL_VARYING)
            size += sizeof(short);
        impl.outBuffers[i].assign(size + 8, 0);
        v.sqldata = impl.outBuffers[i].data();
        v.sqlind = &impl.outNulls[i];
        v.sqltype |= 1;
    }
}

// Input parameters as the server describes them.
void DescribeParameters(Query::Impl& impl)
{
    Status st {};
    const int np = static_cast<int>(impl.paramNames.size());
    impl.in = AllocSqlda(impl.inStorage, np);
    isc_dsql_describe_bind(st, impl.stmt.ptr(), SQL_DIALECT_V6, impl.in);
    Check(st);
    if (impl.in->sqld != np)
        throw UsageError("parameter count mismatch in statement");
    impl.inDescribed.assign(impl.in->sqlvar, impl.in->sqlvar + np);
    impl.inBuffers.resize(np);
    impl.inNulls.assign(np, 0);
}

int StatementType(Query::Impl& impl)
{
    Status st {};
    char item = isc_info_sql_stmt_type;
    char info[16] = {};
    isc_dsql_sql_info(st, impl.stmt.ptr(), 1, &item, sizeof info, info);
    Check(st);
    if (info[0] != isc_info_sql_stmt_type)
        return 0;
    const short len = static_cast<short>(isc_vax_integer(info + 1, 2));
    return static_cast<int>(isc_vax_integer(info + 3, len));
}

} // namespace

// A failed prepare throws from here; the statement handle goes with impl_.
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
    MappedStatement mapped = MapNamedParameters(sql);
    impl_->paramNames = std::move(mapped.names);
    impl_->values.resize(impl_->paramNames.size());

    Status st {};
    isc_dsql_allocate_statement(st, db.handlePtr(), impl_->stmt.ptr());
    StatusCheck::On(db, st);
    impl_->out = AllocSqlda(impl_->outStorage, 20);
    isc_dsql_prepare(st, tr.handlePtr(), impl_->stmt.ptr(), 0, mapped.sql.c_str(), SQL_DIALECT_V6, impl_->out);
    StatusCheck::On(db, st);
    DescribeColumns(*impl_);
    DescribeParameters(*impl_);
    impl_->stmtType = StatementType(*impl_);

    if (db.observer_)
        db.observer_->Prepared(*this);
    tr.queries_.insert(this);
}

Query::~Query()
{
    Close();
    if (tr_)
        tr_->queries_.erase(this);
}

void Query::Release() noexcept
{
    Close();
    impl_->stmt.reset();
}

void Query::Detach() noexcept
{
    Release();
    tr_ = nullptr;
}

void Query::Open()
{
    if (open_)
        Close();
    if (!tr_)
        throw StateError("Query has no transaction: the transaction object was destroyed");
    Database& db = tr_->database();
    if (!impl_->stmt)
        throw StateError("Database not connected");
    if (!tr_->Active())
        throw StateError("Transaction is not active");
    BindInputs(*impl_);
    Status st {};
    isc_dsql_execute(
        st, tr_->handlePtr(), impl_->stmt.ptr(), SQL_DIALECT_V6, impl_->values.empty() ? nullptr : impl_->in);
    StatusCheck::On(tr_->database(), st);
    if (impl_->stmtType == isc_info_sql_stmt_select || impl_->stmtType == isc_info_sql_stmt_select_for_upd) {
        open_ = true;
        eof_ = false;
    } else {
        open_ = false;
        eof_ = true;
    }
    hasRow_ = false;
    if (QueryObserver* o = db.observer_)
        o->Executed(*this);
}

bool Query::Next()
{
    if (!open_ || eof_)
        return false;
    Status st {};
    const ISC_STATUS rc = isc_dsql_fetch(st, impl_->stmt.ptr(), SQL_DIALECT_V6, impl_->out);
    if (rc == 100) {
        eof_ = true;
        hasRow_ = false;
        return false;
    }
    if (Failed(st)) {
        hasRow_ = false;
        eof_ = true;
        DatabaseError e = MakeError(st);
        if (tr_ && tr_->db_)
            tr_->db_->NoteFailure(e);
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
        isc_dsql_free_statement(st, impl_->stmt.ptr(), DSQL_close);
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

} // namespace zest::fb
