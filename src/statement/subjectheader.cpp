// The subject header block: who the subject is, where the subject lives, a couple's
// spouses and a group's members, then the title line.
#include <algorithm>
#include <array>
#include <stdexcept>

#include "format.h"
#include "holdingstext.h"
#include "statement/register/catalogue.h"
#include "statementwriter.h"

namespace zest
{

namespace
{

const std::string_view Indent = "       ";
const std::string_view FirstAddressPrefix = "Adres: ";
const std::string_view HusbandLabel = "  m\xB9\xBF: ";
const std::string_view WifeLabel = " \xBF"
                                   "ona: ";
const std::string_view Title = "******       STAN POSIADANIA ";
const std::string_view TrainingTitle = "******       STAN POSIADANIA (do cel\xF3w szkoleniowych)";

// Firebird refuses an IN list of more than 1500 values; a longer run of members is
// fetched in several lists, one after the other.
constexpr std::size_t MaxIdsPerList = 1500;

// The sizes in which member lists are prepared. A list takes the smallest size that
// holds it, so a run prepares at most one statement per size and kind whatever its
// groups, and no list is padded to more than twice its length.
constexpr std::array<std::size_t, 12> MemberListSizes { 1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, MaxIdsPerList };

// The first character of a text, 0 for the empty text.
char Letter(const std::string& text) noexcept
{
    return text.empty() ? '\0' : text.front();
}

PersonName ReadName(const SubjectRow& row)
{
    return PersonName { row.Text("NZW"), row.Text("PIM"), row.Text("DIM"), row.Text("OIM"), row.Text("MIM") };
}

PersonName ReadName(const fb::Query& q)
{
    return PersonName { q.AsString("NZW"), q.AsString("PIM"), q.AsString("DIM"), q.AsString("OIM"), q.AsString("MIM") };
}

// Closes a reused statement when a lookup ends, also when it ends by an error, so
// that no later lookup sees its row.
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

const SubjectRow& RequireRow(const SubjectRow* row, char kind)
{
    if (!row)
        throw std::invalid_argument(std::string("The header of kind '") + kind + "' needs the subject list's row");
    return *row;
}

struct Member {
    char Kind;
    std::int32_t SubjectId;
    std::int32_t RecordId;
};

} // namespace

fb::Query& StatementWriter::Address()
{
    if (!adresSQL_)
        adresSQL_ = Prepare(reg::AddressQuery);
    return *adresSQL_;
}

void StatementWriter::WriteSubjectHeader(std::int32_t subjectId, char kind, const SubjectRow* current)
{
    std::vector<std::string> lines;
    switch (kind) {
    case KindPerson: {
        const SubjectRow& row = RequireRow(current, kind);
        WriteNamedAddress(FormatPersonName(ReadName(row)), row.Integer("id_ad"), row.Text("NRL"), lines);
        break;
    }
    case KindInstitution:
    case KindGroup: {
        const SubjectRow& row = RequireRow(current, kind);
        WriteNamedAddress(row.Text("NPE"), row.Integer("id_ad"), row.Text("NRL"), lines);
        if (kind == KindGroup)
            WriteGroupMembers(row.Integer("id_os"));
        break;
    }
    case KindMarriage:
        WriteSpouses(subjectId);
        break;
    case KindWife:
        Emit(std::string(Indent) + spouses_->WifeName);
        WriteAddressLines(spouses_->WifeLines);
        break;
    default:
        break;
    }

    Emit("");
    Emit(options_.CeleSzkoleniowe ? TrainingTitle : Title);
    Emit("");
}

void StatementWriter::WriteNamedAddress(
    const std::string& name, std::int32_t addressId, const std::string& premises, std::vector<std::string>& lines)
{
    Emit(std::string(Indent) + name);
    FetchAddressLines(lines, addressId, premises);
    WriteAddressLines(lines);
}

void StatementWriter::FetchAddressLines(
    std::vector<std::string>& lines, std::int32_t addressId, const std::string& premises)
{
    lines.clear();
    fb::Query& q = Address();
    q.Close();
    q.SetInteger("PID", addressId);
    q.Open();
    const CursorCloser closer(q);
    if (!q.Next())
        return;
    AddressRecord a;
    a.KOD = q.AsString("KOD");
    a.PCZ = q.AsString("PCZ");
    a.MSC = q.AsString("MSC");
    a.ULC = q.AsString("ULC");
    a.GMN = q.AsString("GMN");
    a.NRA = q.AsString("NRA");
    a.NAZ = q.AsString("NAZ");
    a.TAR = q.AsInteger("TAR");
    lines = BuildAddressLines(a, premises);
}

void StatementWriter::WriteAddressLines(const std::vector<std::string>& lines)
{
    bool first = true;
    for (const std::string& line : lines) {
        Emit(std::string(first ? FirstAddressPrefix : Indent) + line);
        first = false;
    }
}

SpouseAddresses StatementWriter::LookupSpouses(std::int32_t marriageSubjectId)
{
    spouses_->Clear();
    SpouseAddresses result;
    if (!coupleMembers_)
        coupleMembers_ = Prepare(reg::CoupleMembersQuery);
    fb::Query& q = *coupleMembers_;
    q.Close();
    q.SetInteger("idp", marriageSubjectId);
    q.Open();
    const CursorCloser closer(q);
    while (q.Next()) {
        const std::int32_t addressId = q.AsInteger("idAD");
        std::string premises = q.AsString("NRL");
        const std::string name = FormatPersonName(ReadName(q));
        if (Letter(q.AsString("PLEC")) == 'M') {
            spouses_->HusbandName = name;
            FetchAddressLines(spouses_->HusbandLines, addressId, premises);
            result.HusbandAddressId = addressId;
            result.HusbandPremises = std::move(premises);
        } else {
            spouses_->WifeName = name;
            FetchAddressLines(spouses_->WifeLines, addressId, premises);
            result.WifeAddressId = addressId;
            result.WifePremises = std::move(premises);
        }
    }
    return result;
}

void StatementWriter::WriteSpouses(std::int32_t marriageSubjectId)
{
    const SpouseAddresses a = LookupSpouses(marriageSubjectId);
    Emit(std::string(HusbandLabel) + spouses_->HusbandName);
    if (a.HusbandAddressId != a.WifeAddressId || a.HusbandPremises != a.WifePremises)
        WriteAddressLines(spouses_->HusbandLines);
    Emit(std::string(WifeLabel) + spouses_->WifeName);
    WriteAddressLines(spouses_->WifeLines);
}

void StatementWriter::WriteGroupMembers(std::int32_t groupRecordId)
{
    if (!groupMembers_)
        groupMembers_ = Prepare(reg::GroupMembersQuery);
    std::vector<Member> members;
    {
        fb::Query& q = *groupMembers_;
        q.Close();
        q.SetInteger("idp", groupRecordId);
        q.Open();
        const CursorCloser closer(q);
        while (q.Next())
            members.push_back({ Letter(q.AsString("typ")), q.AsInteger("id_pdm"), q.AsInteger("id_os") });
    }
    if (members.empty())
        return;

    Emit("");
    std::vector<std::string> lines; // one list for every member of the call
    for (auto run = members.begin(); run != members.end();) {
        const char kind = run->Kind;
        const auto end = std::find_if(run, members.end(), [kind](const Member& m) { return m.Kind != kind; });
        if (kind == KindMarriage) {
            for (auto m = run; m != end; ++m)
                WriteSpouses(m->SubjectId);
        } else if (kind == KindPerson || kind == KindInstitution) {
            std::vector<std::int32_t> ids;
            for (auto m = run; m != end; ++m)
                ids.push_back(m->RecordId);
            WriteMemberList(kind, ids, lines);
        }
        run = end;
    }
}

fb::Query& StatementWriter::MemberList(char kind, std::size_t count)
{
    static_assert(MemberListSizes.size() == MemberListSizeCount);
    const auto size = std::lower_bound(MemberListSizes.begin(), MemberListSizes.end(), count);
    if (count == 0 || size == MemberListSizes.end())
        throw std::invalid_argument("A member list holds 1 to " + std::to_string(MaxIdsPerList) + " ids");
    std::unique_ptr<fb::Query>& q
        = memberLists_[kind == KindPerson ? 0 : 1][static_cast<std::size_t>(size - MemberListSizes.begin())];
    if (!q) {
        std::string sql(kind == KindPerson ? reg::MemberPersonsHead : reg::MemberInstitutionsHead);
        sql += "(?";
        for (std::size_t i = 1; i < *size; ++i)
            sql += ",?";
        sql += ")";
        q = Prepare(sql);
    }
    return *q;
}

void StatementWriter::WriteMemberList(char kind, const std::vector<std::int32_t>& ids, std::vector<std::string>& lines)
{
    for (std::size_t from = 0; from < ids.size(); from += MaxIdsPerList) {
        const std::size_t to = std::min(ids.size(), from + MaxIdsPerList);
        fb::Query& q = MemberList(kind, to - from);
        q.Close();
        // Padded with the last id: an id twice in the list adds no row.
        for (std::size_t i = 0; i < q.ParamCount(); ++i)
            q.SetParam(i, ids[std::min(from + i, to - 1)]);
        q.Open();
        const CursorCloser closer(q);
        // The address lookups run on statements of their own, so the cursor stays open.
        while (q.Next()) {
            const std::string name = kind == KindPerson ? FormatPersonName(ReadName(q)) : q.AsString("NPE");
            WriteNamedAddress(name, q.AsInteger("idAD"), q.AsString("NRL"), lines);
        }
    }
}

} // namespace zest
