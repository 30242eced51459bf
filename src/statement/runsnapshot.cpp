#include "runsnapshot.h"

#include "session.h"

namespace zest
{

RunSnapshot::RunSnapshot(fb::Database& db)
    : tr_(db, fb::TransactionMode::Snapshot)
{
    tr_.Start();
    StatementSession::LoadPrecincts(tr_, precincts_);
}

RunSnapshot::~RunSnapshot()
{
    tr_.Rollback();
}

} // namespace zest
