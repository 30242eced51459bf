#include "holdingsrow.h"

#include "statement/connection/database.h"

namespace zest
{

void HoldingsRow::Read(const fb::Query& q)
{
    Precinct = q.AsInteger("OBREB");
    Unit = q.AsInteger("JEDNOSTKA");
    Regon = q.AsString("REGON");
    Rwl = q.AsInteger("rwl");
    Rwd = q.AsInteger("rwd");
    Ud = q.AsString("ud");
    ShareId = q.AsInteger("idJROS");
    Parcel = q.AsString("DZIALKA");
    Sheet = q.AsString("arkusz");
    ParcelArea = q.AsBigInt("powDZ");
    Ofu = q.AsString("ofu");
    Ozu = q.AsString("ozu");
    Ozk = q.AsString("ozk");
    UseArea = q.AsBigInt("pew");
}

bool QueryHoldingsRows::Next(HoldingsRow& row)
{
    if (!q_->Next())
        return false;
    row.Read(*q_);
    return true;
}

} // namespace zest
