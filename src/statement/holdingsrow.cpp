#include "holdingsrow.h"

#include "database/database.h"

namespace zest
{

HoldingsColumns::HoldingsColumns(const fb::Query& q)
    : Precinct(q.FieldIndexOrThrow("OBREB"))
    , Unit(q.FieldIndexOrThrow("JEDNOSTKA"))
    , Regon(q.FieldIndexOrThrow("REGON"))
    , Rwl(q.FieldIndexOrThrow("rwl"))
    , Rwd(q.FieldIndexOrThrow("rwd"))
    , Ud(q.FieldIndexOrThrow("ud"))
    , ShareId(q.FieldIndexOrThrow("idJROS"))
    , Parcel(q.FieldIndexOrThrow("DZIALKA"))
    , Sheet(q.FieldIndexOrThrow("arkusz"))
    , ParcelArea(q.FieldIndexOrThrow("powDZ"))
    , Ofu(q.FieldIndexOrThrow("ofu"))
    , Ozu(q.FieldIndexOrThrow("ozu"))
    , Ozk(q.FieldIndexOrThrow("ozk"))
    , UseArea(q.FieldIndexOrThrow("pew"))
{
}

void HoldingsRow::Read(const fb::Query& q, const HoldingsColumns& c)
{
    // The reading rule: a null reads as 0 or as the empty text.
    Precinct = q.Integer(c.Precinct).value_or(0);
    Unit = q.Integer(c.Unit).value_or(0);
    Regon = q.Text(c.Regon).value_or(std::string());
    Rwl = q.Integer(c.Rwl).value_or(0);
    Rwd = q.Integer(c.Rwd).value_or(0);
    Ud = q.Text(c.Ud).value_or(std::string());
    ShareId = q.Integer(c.ShareId).value_or(0);
    Parcel = q.Text(c.Parcel).value_or(std::string());
    Sheet = q.Text(c.Sheet).value_or(std::string());
    ParcelArea = q.BigInt(c.ParcelArea).value_or(0);
    Ofu = q.Text(c.Ofu).value_or(std::string());
    Ozu = q.Text(c.Ozu).value_or(std::string());
    Ozk = q.Text(c.Ozk).value_or(std::string());
    UseArea = q.BigInt(c.UseArea).value_or(0);
}

bool QueryHoldingsRows::Next(HoldingsRow& row)
{
    if (!q_->Next())
        return false;
    row.Read(*q_, *columns_);
    return true;
}

} // namespace zest
