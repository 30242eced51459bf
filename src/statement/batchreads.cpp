#include "batchreads.h"

#include <algorithm>
#include <stdexcept>

#include "database/database.h"
#include "database/reading.h"
#include "database/scopeexit.h"
#include "register/catalogue.h"
#include "statementrun.h"
#include "subjectlistsql.h"

namespace zest
{

namespace
{

// The list sizes in which each statement is prepared; a list is padded to the next size
// with its last id repeated, which adds no row. The server compares every row it reads
// with the whole list, but over a network a statement costs more than that: lists of 256
// took the holdings of a batch in half the statements of lists of 128, at the same
// engine time.
using ListSizes = std::array<std::size_t, 5>;
constexpr ListSizes Sizes { 1, 4, 16, 64, BatchReads::MaxListIds };

constexpr std::size_t RowsPerTick = 256;

std::string_view Sql(std::size_t kind)
{
    static constexpr std::array<const std::string_view*, 9> texts { &reg::BatchHoldingsQuery,
        &reg::BatchHusbandMarriagesQuery, &reg::BatchWifeMarriagesQuery, &reg::BatchPersonSubjectsQuery,
        &reg::BatchCoupleMembersQuery, &reg::BatchGroupMembersQuery, &reg::BatchMemberPersonsQuery,
        &reg::BatchMemberInstitutionsQuery, &reg::BatchAddressQuery };
    return *texts.at(kind);
}

// The statement text with every id list marker replaced by `size` parameters.
std::string WithIdList(std::string_view sql, std::size_t size)
{
    std::string list = "(?";
    for (std::size_t i = 1; i < size; ++i)
        list += ",?";
    list += ")";
    std::string out;
    for (;;) {
        const std::size_t at = sql.find(reg::IdListMarker);
        if (at == std::string_view::npos)
            break;
        out.append(sql.substr(0, at));
        out += list;
        sql.remove_prefix(at + reg::IdListMarker.size());
    }
    out.append(sql);
    return out;
}

void SortUnique(std::vector<std::int32_t>& ids)
{
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
}

PersonName ReadName(const fb::Query& q)
{
    return PersonName { q.AsString("NZW"), q.AsString("PIM"), q.AsString("DIM"), q.AsString("OIM"), q.AsString("MIM") };
}

// A column of a list row that the kind's statements will read; a row without it is
// left to the per-subject reads (which then raise the error in its place).
std::optional<std::int32_t> TryInteger(const SubjectRow& row, std::string_view column)
{
    try {
        return row.Integer(column);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

template <class Map> auto* Found(Map& map, std::int32_t key)
{
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

} // namespace

const std::array<const char*, BatchReads::KindCount> BatchReads::KindNames { "holdings", "husband_marriages",
    "wife_marriages", "person_subjects", "couple_members", "group_members", "member_persons", "member_institutions",
    "addresses" };

bool BatchRows::RangeRows::Next(HoldingsRow& row)
{
    if (At == End)
        return false;
    row = *At++;
    return true;
}

BatchReads::BatchReads(fb::Transaction& tr, RegisterReads& fallback)
    : tr_(&tr)
    , own_(fallback, misses_)
{
}

BatchReads::~BatchReads() = default;

void BatchRows::Clear()
{
    holdingsRows_.clear();
    holdings_.clear();
    addresses_.clear();
    husbandMarriages_.clear();
    wifeMarriages_.clear();
    couples_.clear();
    personSubjects_.clear();
    groups_.clear();
    for (auto& m : members_)
        m.clear();
    for (auto& a : askedMembers_)
        a.clear();
    rangeRows_ = RangeRows();
}

fb::Query& BatchReads::Statement(Kind kind, std::size_t count)
{
    const ListSizes& sizes = Sizes;
    const auto size = std::lower_bound(sizes.begin(), sizes.end(), count);
    if (count == 0 || size == sizes.end())
        throw std::invalid_argument("An id list holds 1 to " + std::to_string(sizes.back()) + " ids");
    std::unique_ptr<fb::Query>& q = statements_[kind][static_cast<std::size_t>(size - sizes.begin())];
    if (!q) {
        const std::string sql = WithIdList(Sql(kind), *size);
        // A register whose indexes are keyed otherwise refuses a plan; the rows are the
        // same with the server's own access path.
        q = PrepareWithPlanFallback(*tr_, sql);
        ++prepared_;
    }
    return *q;
}

void BatchReads::ForEachRow(
    Kind kind, const std::vector<std::int32_t>& ids, const std::function<void(const fb::Query&)>& row)
{
    const ListSizes& sizes = Sizes;
    const std::size_t most = MaxListIds;
    for (std::size_t from = 0; from < ids.size(); from += most) {
        const std::size_t n = std::min(most, ids.size() - from);
        fb::Query& q = Statement(kind, n);
        q.Close();
        // A list that stands twice in the text takes the ids twice, in the same places.
        const std::size_t size = *std::lower_bound(sizes.begin(), sizes.end(), n);
        for (std::size_t i = 0; i < q.ParamCount(); ++i)
            q.SetParam(i, ids[from + std::min(i % size, n - 1)]);
        q.Open();
        ++executions_;
        ++executionsByKind_[kind];
        const ScopeExit close([&q] { q.Close(); });
        std::size_t count = 0;
        while (q.Next()) {
            row(q);
            if (++count % RowsPerTick == 0 && tick_ && *tick_)
                (*tick_)();
        }
        if (tick_ && *tick_)
            (*tick_)();
    }
}

void BatchReads::ReadHoldings(BatchRows& b, std::vector<std::int32_t> ids)
{
    SortUnique(ids);
    for (std::int32_t id : ids)
        b.holdings_.emplace(id, BatchRows::Range());
    if (ids.empty())
        return;
    fb::Query& first = Statement(HoldingsKind, std::min(ids.size(), MaxListIds));
    if (!holdingsColumns_)
        holdingsColumns_ = std::make_unique<HoldingsColumns>(first);
    const int subject = first.FieldIndexOrThrow("IDP");
    // Every prepared size gives the same columns in the same places.
    ForEachRow(HoldingsKind, ids, [&](const fb::Query& q) {
        const std::int32_t id = fb::ReadInteger(q.Integer(subject));
        BatchRows::Range& r = b.holdings_[id];
        if (r.Begin == r.End)
            r.Begin = r.End = b.holdingsRows_.size();
        b.holdingsRows_.emplace_back().Read(q, *holdingsColumns_);
        r.End = b.holdingsRows_.size();
    });
}

void BatchReads::ReadMarriages(BatchRows& b, std::vector<std::int32_t> ids, bool husband)
{
    SortUnique(ids);
    auto& map = husband ? b.husbandMarriages_ : b.wifeMarriages_;
    for (std::int32_t id : ids)
        map[id];
    ForEachRow(husband ? HusbandMarriagesKind : WifeMarriagesKind, ids, [&](const fb::Query& q) {
        map[q.AsInteger("KTO")].push_back({ q.AsInteger("id_pdm"), q.AsInteger("Drugi") });
    });
}

void BatchReads::ReadPersonSubjects(BatchRows& b, std::vector<std::int32_t> ids)
{
    SortUnique(ids);
    for (std::int32_t id : ids)
        b.personSubjects_[id] = -1;
    ForEachRow(PersonSubjectsKind, ids, [&](const fb::Query& q) {
        std::int32_t& subject = b.personSubjects_[q.AsInteger("id_os")];
        if (subject == -1) // the first one, as the per-person statement gives it
            subject = q.AsInteger("id_pdm");
    });
}

void BatchReads::ReadCoupleMembers(BatchRows& b, std::vector<std::int32_t> ids)
{
    SortUnique(ids);
    for (std::int32_t id : ids)
        b.couples_[id];
    ForEachRow(CoupleMembersKind, ids, [&](const fb::Query& q) {
        b.couples_[q.AsInteger("IDP")].push_back(
            { ReadName(q), q.AsString("PLEC"), q.AsInteger("idAD"), q.AsString("NRL") });
    });
}

void BatchReads::ReadGroupMembers(BatchRows& b, std::vector<std::int32_t> ids)
{
    SortUnique(ids);
    for (std::int32_t id : ids)
        b.groups_[id];
    ForEachRow(GroupMembersKind, ids, [&](const fb::Query& q) {
        b.groups_[q.AsInteger("GRUPA")].push_back(
            { fb::FirstLetter(q.AsString("typ")), q.AsInteger("id_pdm"), q.AsInteger("id_os") });
    });
}

void BatchReads::ReadMembers(BatchRows& b, std::vector<std::int32_t> ids, char kind)
{
    SortUnique(ids);
    auto& map = b.members_[kind == 'F' ? 0 : 1];
    b.askedMembers_[kind == 'F' ? 0 : 1] = ids;
    std::size_t order = 0;
    ForEachRow(kind == 'F' ? MemberPersonsKind : MemberInstitutionsKind, ids, [&](const fb::Query& q) {
        const std::int32_t id = q.AsInteger("ID");
        if (map.count(id))
            return;
        BatchRows::HeldMember& m = map[id];
        m.Order = order++;
        ReadMemberRow(q, kind, m.Row);
    });
}

void BatchReads::ReadAddresses(BatchRows& b, std::vector<std::int32_t> ids)
{
    SortUnique(ids);
    for (std::int32_t id : ids)
        b.addresses_[id];
    ForEachRow(AddressKind, ids, [&](const fb::Query& q) {
        std::optional<AddressRecord>& a = b.addresses_[q.AsInteger("ID")];
        if (!a) // the first row, as the per-address statement reads it
            a = ReadAddressRecord(q);
    });
}

void BatchReads::Load(std::span<const std::unique_ptr<SubjectRow>> rows, const RunOptions& options, const Tick& tick)
{
    Load(rows, options, tick, own_);
}

void BatchReads::Load(
    std::span<const std::unique_ptr<SubjectRow>> rows, const RunOptions& options, const Tick& tick, BatchRows& b)
{
    b.Clear();
    tick_ = &tick;
    const ScopeExit untick([this] { tick_ = nullptr; });

    std::vector<std::int32_t> subjects, addresses, husbands, wives, groups;
    for (const std::unique_ptr<SubjectRow>& row : rows) {
        const std::optional<std::int32_t> id = TryInteger(*row, "id_PDM");
        if (!id)
            continue;
        subjects.push_back(*id);
        char kind = '\0';
        char sex = '\0';
        try {
            kind = fb::FirstLetter(row->Text("Typ"));
            if (kind == 'F')
                sex = fb::FirstLetter(row->Text("Plec"));
        } catch (const std::exception&) {
            continue;
        }
        if (kind == 'F' || kind == 'P' || kind == 'I')
            if (const auto a = TryInteger(*row, "id_ad"))
                addresses.push_back(*a);
        if (kind == 'I')
            if (const auto g = TryInteger(*row, "id_os"))
                groups.push_back(*g);
        if (kind == 'F' && (sex == 'K' || (sex == 'M' && !options.TylkoKobiety)))
            if (const auto p = TryInteger(*row, "id"))
                (sex == 'M' ? husbands : wives).push_back(*p);
    }

    // First what the later statements take their ids from.
    ReadMarriages(b, husbands, true);
    ReadMarriages(b, wives, false);
    ReadGroupMembers(b, groups);

    std::vector<std::int32_t> couples, wifePersons, memberPersons, memberInstitutions;
    for (const auto* map : { &b.husbandMarriages_, &b.wifeMarriages_ })
        for (const auto& [person, marriages] : *map)
            for (const MarriageRow& m : marriages)
                couples.push_back(m.SubjectId);
    std::vector<std::int32_t> blocks = subjects;
    blocks.insert(blocks.end(), couples.begin(), couples.end());
    if (options.TylkoPrzyMezu)
        for (const auto& [husband, marriages] : b.husbandMarriages_)
            for (const MarriageRow& m : marriages)
                wifePersons.push_back(m.Other);
    for (const auto& [group, members] : b.groups_)
        for (const GroupMemberRow& m : members) {
            if (m.Kind == 'M')
                couples.push_back(m.SubjectId);
            else if (m.Kind == 'F')
                memberPersons.push_back(m.RecordId);
            else if (m.Kind == 'P')
                memberInstitutions.push_back(m.RecordId);
        }

    ReadPersonSubjects(b, wifePersons);
    ReadCoupleMembers(b, couples);
    ReadMembers(b, memberPersons, 'F');
    ReadMembers(b, memberInstitutions, 'P');

    for (const auto& [person, subject] : b.personSubjects_)
        blocks.push_back(subject);
    ReadHoldings(b, std::move(blocks));

    for (const auto& [couple, members] : b.couples_)
        for (const CoupleMemberRow& m : members)
            addresses.push_back(m.AddressId);
    for (const auto& map : b.members_)
        for (const auto& [id, m] : map)
            addresses.push_back(m.Row.AddressId);
    ReadAddresses(b, std::move(addresses));
}

HoldingsRows& BatchRows::Holdings(std::int32_t subjectId)
{
    const Range* r = Found(holdings_, subjectId);
    if (!r) {
        ++*misses_;
        return fallback_->Holdings(subjectId);
    }
    rangeRows_.At = holdingsRows_.data() + r->Begin;
    rangeRows_.End = holdingsRows_.data() + r->End;
    return rangeRows_;
}

std::optional<AddressRecord> BatchRows::Address(std::int32_t addressId)
{
    if (const auto* a = Found(addresses_, addressId))
        return *a;
    ++*misses_;
    return fallback_->Address(addressId);
}

void BatchRows::Marriages(std::int32_t personId, bool husband, std::vector<MarriageRow>& out)
{
    if (const auto* m = Found(husband ? husbandMarriages_ : wifeMarriages_, personId)) {
        out = *m;
        return;
    }
    ++*misses_;
    fallback_->Marriages(personId, husband, out);
}

void BatchRows::CoupleMembers(std::int32_t marriageSubjectId, std::vector<CoupleMemberRow>& out)
{
    if (const auto* c = Found(couples_, marriageSubjectId)) {
        out = *c;
        return;
    }
    ++*misses_;
    fallback_->CoupleMembers(marriageSubjectId, out);
}

std::int32_t BatchRows::PersonSubjectId(std::int32_t personId)
{
    if (const auto* s = Found(personSubjects_, personId))
        return *s;
    ++*misses_;
    return fallback_->PersonSubjectId(personId);
}

void BatchRows::GroupMembers(std::int32_t groupRecordId, std::vector<GroupMemberRow>& out)
{
    if (const auto* g = Found(groups_, groupRecordId)) {
        out = *g;
        return;
    }
    ++*misses_;
    fallback_->GroupMembers(groupRecordId, out);
}

void BatchRows::MemberList(char kind, std::span<const std::int32_t> ids, std::vector<MemberRow>& out)
{
    out.clear();
    auto& map = members_[kind == 'F' ? 0 : 1];
    const std::vector<std::int32_t>& asked = askedMembers_[kind == 'F' ? 0 : 1];
    // Every id of the list was read with the batch (an id without a row has none).
    std::vector<const HeldMember*> rows;
    for (std::int32_t id : ids) {
        if (const HeldMember* m = Found(map, id))
            rows.push_back(m);
        else if (!std::binary_search(asked.begin(), asked.end(), id)) {
            ++*misses_;
            fallback_->MemberList(kind, ids, out);
            return;
        }
    }
    // The rows of the list in the order the statement gives them, each once.
    std::sort(rows.begin(), rows.end(), [](const HeldMember* a, const HeldMember* b) { return a->Order < b->Order; });
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (const HeldMember* m : rows)
        out.push_back(m->Row);
}

} // namespace zest
