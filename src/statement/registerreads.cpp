#include "registerreads.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "database/database.h"
#include "database/reading.h"
#include "register/catalogue.h"
#include "subjectlistsql.h"

namespace zest
{

namespace
{

// The sizes in which member lists are prepared. A list takes the smallest size that
// holds it, so a run prepares at most one statement per size and kind whatever its
// groups, and no list is padded to more than twice its length.
constexpr std::array<std::size_t, 12> MemberListSizes { 1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, MaxIdsPerList };

// Closes a reused statement when a lookup ends, also when it ends by an error, so that
// no later lookup sees its row.
class CursorCloser
{
public:
    explicit CursorCloser(fb::Query& q) noexcept
        : q_(&q)
    {
    }
    ~CursorCloser() { q_->Close(); }
    CursorCloser(const CursorCloser&) = delete;
    CursorCloser& operator=(const CursorCloser&) = delete;

private:
    fb::Query* q_;
};

PersonName ReadName(const fb::Query& q)
{
    return PersonName { q.AsString("NZW"), q.AsString("PIM"), q.AsString("DIM"), q.AsString("OIM"), q.AsString("MIM") };
}

} // namespace

void ReadMemberRow(const fb::Query& q, char kind, MemberRow& row)
{
    if (kind == 'F')
        row.Name = ReadName(q);
    else
        row.Npe = q.AsString("NPE");
    row.AddressId = q.AsInteger("idAD");
    row.Premises = q.AsString("NRL");
}

AddressRecord ReadAddressRecord(const fb::Query& q)
{
    AddressRecord a;
    a.KOD = q.AsString("KOD");
    a.PCZ = q.AsString("PCZ");
    a.MSC = q.AsString("MSC");
    a.ULC = q.AsString("ULC");
    a.GMN = q.AsString("GMN");
    a.NRA = q.AsString("NRA");
    a.NAZ = q.AsString("NAZ");
    a.TAR = q.AsInteger("TAR");
    return a;
}

std::string MemberListSql(char kind, std::size_t size)
{
    std::string sql(kind == 'F' ? reg::MemberPersonsHead : reg::MemberInstitutionsHead);
    sql += "(?";
    for (std::size_t i = 1; i < size; ++i)
        sql += ",?";
    sql += ")";
    sql += reg::MemberListOrder;
    return sql;
}

struct SubjectReads::Statements {
    std::unique_ptr<fb::Query> dzzuz; // the holdings query
    std::optional<HoldingsColumns> holdingsColumns; // of dzzuz, found once
    std::optional<QueryHoldingsRows> holdingsRows;
    std::unique_ptr<fb::Query> adresSQL;
    std::unique_ptr<fb::Query> husbandMarriages, wifeMarriages;
    std::unique_ptr<fb::Query> coupleMembers;
    std::unique_ptr<fb::Query> groupMembers;
    std::unique_ptr<fb::Query> spouseSubject;
    // Member lists: persons, then institutions, one statement per list size.
    std::array<std::array<std::unique_ptr<fb::Query>, MemberListSizes.size()>, 2> memberLists;
};

SubjectReads::SubjectReads(fb::Transaction& tr)
    : tr_(&tr)
    , st_(std::make_unique<Statements>())
{
}

SubjectReads::~SubjectReads() = default;

std::unique_ptr<fb::Query>& SubjectReads::Prepared(
    std::unique_ptr<fb::Query>& slot, std::string_view sql, bool planFallback)
{
    if (!slot) {
        // A register whose indexes are keyed otherwise refuses a plan; its statements
        // are still written, with the server's own access path.
        slot = planFallback ? PrepareWithPlanFallback(*tr_, sql) : std::make_unique<fb::Query>(*tr_, sql);
        ++prepared_;
    }
    return slot;
}

HoldingsRows& SubjectReads::Holdings(std::int32_t subjectId)
{
    if (!st_->dzzuz) {
        Prepared(st_->dzzuz, reg::HoldingsQuery, true);
        st_->holdingsColumns.emplace(*st_->dzzuz);
        st_->holdingsRows.emplace(*st_->dzzuz, *st_->holdingsColumns);
    }
    fb::Query& q = *st_->dzzuz;
    q.Close();
    q.SetInteger("idp", subjectId);
    q.Open();
    return *st_->holdingsRows;
}

std::optional<AddressRecord> SubjectReads::Address(std::int32_t addressId)
{
    fb::Query& q = *Prepared(st_->adresSQL, reg::AddressQuery, false);
    q.Close();
    q.SetInteger("PID", addressId);
    q.Open();
    const CursorCloser closer(q);
    if (!q.Next())
        return std::nullopt;
    return ReadAddressRecord(q);
}

void SubjectReads::Marriages(std::int32_t personId, bool husband, std::vector<MarriageRow>& out)
{
    out.clear();
    fb::Query& q = husband ? *Prepared(st_->husbandMarriages, reg::HusbandMarriagesQuery, true)
                           : *Prepared(st_->wifeMarriages, reg::WifeMarriagesQuery, true);
    q.Close();
    q.SetInteger("idp", personId);
    q.Open();
    const CursorCloser closer(q);
    while (q.Next())
        out.push_back({ q.AsInteger("id_pdm"), q.AsInteger("Drugi") });
}

void SubjectReads::CoupleMembers(std::int32_t marriageSubjectId, std::vector<CoupleMemberRow>& out)
{
    out.clear();
    fb::Query& q = *Prepared(st_->coupleMembers, reg::CoupleMembersQuery, false);
    q.Close();
    q.SetInteger("idp", marriageSubjectId);
    q.Open();
    const CursorCloser closer(q);
    while (q.Next())
        out.push_back({ ReadName(q), q.AsString("PLEC"), q.AsInteger("idAD"), q.AsString("NRL") });
}

std::int32_t SubjectReads::PersonSubjectId(std::int32_t personId)
{
    if (!st_->spouseSubject) {
        // The catalogue's text takes the person id formatted in ("= %d"); it is bound as
        // a parameter instead ("= :id"), so one statement serves the whole run. The rows
        // are the same.
        std::string sql(reg::SpouseSubjectQuery);
        const std::size_t at = sql.find("%d");
        sql.replace(at, 2, ":id");
        Prepared(st_->spouseSubject, sql, false);
    }
    fb::Query& q = *st_->spouseSubject;
    q.Close();
    q.SetInteger("id", personId);
    q.Open();
    const CursorCloser closer(q);
    return q.Next() ? q.AsInteger("id_pdm") : -1;
}

void SubjectReads::GroupMembers(std::int32_t groupRecordId, std::vector<GroupMemberRow>& out)
{
    out.clear();
    fb::Query& q = *Prepared(st_->groupMembers, reg::GroupMembersQuery, false);
    q.Close();
    q.SetInteger("idp", groupRecordId);
    q.Open();
    const CursorCloser closer(q);
    while (q.Next())
        out.push_back({ fb::FirstLetter(q.AsString("typ")), q.AsInteger("id_pdm"), q.AsInteger("id_os") });
}

fb::Query& SubjectReads::MemberListQuery(char kind, std::size_t count)
{
    const auto size = std::lower_bound(MemberListSizes.begin(), MemberListSizes.end(), count);
    if (count == 0 || size == MemberListSizes.end())
        throw std::invalid_argument("A member list holds 1 to " + std::to_string(MaxIdsPerList) + " ids");
    std::unique_ptr<fb::Query>& q
        = st_->memberLists[kind == 'F' ? 0 : 1][static_cast<std::size_t>(size - MemberListSizes.begin())];
    if (!q)
        Prepared(q, MemberListSql(kind, *size), false);
    return *q;
}

void SubjectReads::MemberList(char kind, std::span<const std::int32_t> ids, std::vector<MemberRow>& out)
{
    out.clear();
    fb::Query& q = MemberListQuery(kind, ids.size());
    q.Close();
    // Padded with the last id: an id twice in the list adds no row.
    for (std::size_t i = 0; i < q.ParamCount(); ++i)
        q.SetParam(i, ids[std::min(i, ids.size() - 1)]);
    q.Open();
    const CursorCloser closer(q);
    while (q.Next())
        ReadMemberRow(q, kind, out.emplace_back());
}

} // namespace zest
