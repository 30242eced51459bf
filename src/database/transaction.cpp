// Transaction: started on its database, ended by commit, rollback or its owner; the cursors
// of its queries never outlive it.

#include "clientstatus.h"
#include "database.h"

namespace zest::fb
{

Transaction::Transaction(Database& db, TransactionMode mode)
    : db_(&db)
    , mode_(mode)
{
    db_->transactions_.insert(this);
}

Transaction::~Transaction()
{
    Rollback();
    for (Query* q : queries_)
        q->Detach();
    if (db_)
        db_->transactions_.erase(this);
}

Database& Transaction::database()
{
    if (!db_)
        throw StateError("Transaction has no database: the database object was destroyed");
    return *db_;
}

void Transaction::Start()
{
    if (Active())
        return;
    if (!database().Connected())
        throw StateError("Database not connected");
    std::string tpb;
    tpb += static_cast<char>(isc_tpb_version3);
    if (mode_ == TransactionMode::ReadOnly) {
        tpb += static_cast<char>(isc_tpb_read);
        tpb += static_cast<char>(isc_tpb_read_committed);
        tpb += static_cast<char>(isc_tpb_rec_version);
        tpb += static_cast<char>(isc_tpb_nowait);
    } else if (mode_ == TransactionMode::Snapshot) {
        tpb += static_cast<char>(isc_tpb_read);
        tpb += static_cast<char>(isc_tpb_concurrency);
        tpb += static_cast<char>(isc_tpb_nowait);
    } else {
        tpb += static_cast<char>(isc_tpb_write);
        tpb += static_cast<char>(isc_tpb_concurrency);
        tpb += static_cast<char>(isc_tpb_wait);
    }
    Status st {};
    isc_start_transaction(st, handle_.ptr(), 1, db_->handlePtr(), static_cast<unsigned short>(tpb.size()), tpb.data());
    StatusCheck::On(*db_, st);
}

void Transaction::CloseCursors() noexcept
{
    for (Query* q : queries_)
        q->Close();
}

void Transaction::ReleaseStatements() noexcept
{
    for (Query* q : queries_)
        q->Release();
}

void Transaction::Commit()
{
    if (!Active())
        throw StateError("Transaction is not active");
    CloseCursors();
    Status st {};
    isc_commit_transaction(st, handle_.ptr());
    StatusCheck::On(*db_, st);
    handle_.forget();
}

void Transaction::Rollback() noexcept
{
    if (!Active())
        return;
    CloseCursors();
    handle_.reset(); // a failed rollback (lost connection) leaves nothing we could still end
}

} // namespace zest::fb
