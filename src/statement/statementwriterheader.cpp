// The subject header block: who the subject is, where the subject lives, a couple's
// spouses and a group's members, then the title line.
#include <algorithm>
#include <array>
#include <stdexcept>

#include "format.h"
#include "holdingstext.h"
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

// The first character of a text, 0 for the empty text.
char Letter(const std::string& text) noexcept
{
    return text.empty() ? '\0' : text.front();
}

PersonName ReadName(const SubjectRow& row)
{
    return PersonName { row.Text("NZW"), row.Text("PIM"), row.Text("DIM"), row.Text("OIM"), row.Text("MIM") };
}

const SubjectRow& RequireRow(const SubjectRow* row, char kind)
{
    if (!row)
        throw std::invalid_argument(std::string("The header of kind '") + kind + "' needs the subject list's row");
    return *row;
}

} // namespace

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
    if (const std::optional<AddressRecord> a = reads_->Address(addressId))
        lines = BuildAddressLines(*a, premises);
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
    reads_->CoupleMembers(marriageSubjectId, couple_);
    for (CoupleMemberRow& m : couple_) {
        const std::string name = FormatPersonName(m.Name);
        if (Letter(m.Plec) == 'M') {
            spouses_->HusbandName = name;
            FetchAddressLines(spouses_->HusbandLines, m.AddressId, m.Premises);
            result.HusbandAddressId = m.AddressId;
            result.HusbandPremises = std::move(m.Premises);
        } else {
            spouses_->WifeName = name;
            FetchAddressLines(spouses_->WifeLines, m.AddressId, m.Premises);
            result.WifeAddressId = m.AddressId;
            result.WifePremises = std::move(m.Premises);
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
    // Read whole first: the spouse lookups below read through the same source.
    std::vector<GroupMemberRow> members;
    reads_->GroupMembers(groupRecordId, members);
    if (members.empty())
        return;

    Emit("");
    std::vector<std::string> lines; // one list for every member of the call
    for (auto run = members.begin(); run != members.end();) {
        const char kind = run->Kind;
        const auto end = std::find_if(run, members.end(), [kind](const GroupMemberRow& m) { return m.Kind != kind; });
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

void StatementWriter::WriteMemberList(char kind, const std::vector<std::int32_t>& ids, std::vector<std::string>& lines)
{
    for (std::size_t from = 0; from < ids.size(); from += MaxIdsPerList) {
        const std::size_t to = std::min(ids.size(), from + MaxIdsPerList);
        reads_->MemberList(kind, std::span(ids).subspan(from, to - from), memberRows_);
        for (const MemberRow& m : memberRows_)
            WriteNamedAddress(kind == KindPerson ? FormatPersonName(m.Name) : m.Npe, m.AddressId, m.Premises, lines);
    }
}

} // namespace zest
