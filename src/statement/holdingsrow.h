#pragma once
// One row of the holdings query (dzzuz): one land use of one parcel of one registration
// unit, paired with one share record of the subject in that unit. The table reads the
// rows through HoldingsRows, in the order in which the query delivers them.

#include <cstdint>
#include <string>

namespace zest
{

namespace fb
{
class Query;
}

// Where the holdings query delivers each column of the row, found once by name for a
// prepared statement (UsageError when the statement lacks one).
struct HoldingsColumns {
    explicit HoldingsColumns(const fb::Query& q);
    int Precinct, Unit, Regon, Rwl, Rwd, Ud, ShareId, Parcel, Sheet, ParcelArea, Ofu, Ozu, Ozk, UseArea;
};

struct HoldingsRow {
    std::int32_t Precinct = 0; // OBREB
    std::int32_t Unit = 0; // JEDNOSTKA
    std::string Regon; // REGON
    std::int32_t Rwl = 0;
    std::int32_t Rwd = 0;
    std::string Ud;
    std::int32_t ShareId = 0; // idJROS
    std::string Parcel; // DZIALKA, as read
    std::string Sheet; // arkusz
    std::int64_t ParcelArea = 0; // powDZ
    std::string Ofu, Ozu, Ozk;
    std::int64_t UseArea = 0; // pew

    // Reads the current row of the holdings query by the reading rule, from the columns
    // found for its statement.
    void Read(const fb::Query& q, const HoldingsColumns& c);
};

class HoldingsRows
{
public:
    virtual ~HoldingsRows() = default;
    // Fills `row` with the next row; false when no row remains.
    virtual bool Next(HoldingsRow& row) = 0;
};

// The rows of an open holdings query.
class QueryHoldingsRows : public HoldingsRows
{
public:
    // With the columns found for the same statement.
    QueryHoldingsRows(fb::Query& q, const HoldingsColumns& columns)
        : q_(&q)
        , columns_(&columns)
    {
    }
    bool Next(HoldingsRow& row) override;

private:
    fb::Query* q_;
    const HoldingsColumns* columns_;
};

} // namespace zest
