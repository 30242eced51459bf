#include "listedsubjects.h"

#include <algorithm>
#include <map>
#include <set>

#include "database/database.h"
#include "register/catalogue.h"
#include "subjectlistsql.h"

namespace zest
{

namespace
{

constexpr std::size_t IdsPerStatement = 128;

// "(1,2,3)": ids are integers written here, never text from outside.
std::string IdList(const std::vector<std::int32_t>& ids, std::size_t from, std::size_t count)
{
    std::string list = "(";
    for (std::size_t i = from; i < from + count; ++i) {
        if (i > from)
            list += ',';
        list += std::to_string(ids[i]);
    }
    return list + ")";
}

char KindLetter(int kindIndex) noexcept
{
    if (kindIndex == PersonKindIndex)
        return 'F';
    return kindIndex == InstitutionKindIndex ? 'P' : 'I';
}

std::string KindName(const std::string& letter)
{
    if (letter == "F")
        return "a natural person";
    if (letter == "P")
        return "an institution";
    if (letter == "I")
        return "a group subject";
    if (letter == "M")
        return "a married couple";
    return "of kind '" + letter + "'";
}

// The run keeps the rows it reads ahead; they share the list's copy.
class HeldRow : public SubjectRow
{
public:
    explicit HeldRow(std::shared_ptr<const SubjectRow> row)
        : row_(std::move(row))
    {
    }
    std::int32_t Integer(std::string_view column) const override { return row_->Integer(column); }
    std::string Text(std::string_view column) const override { return row_->Text(column); }

private:
    std::shared_ptr<const SubjectRow> row_;
};

} // namespace

ListedSubjects::ListedSubjects(fb::Transaction& tr, int kindIndex, const std::vector<std::int32_t>& ids)
{
    std::vector<std::int32_t> unique;
    std::set<std::int32_t> seen;
    for (std::int32_t id : ids)
        if (seen.insert(id).second)
            unique.push_back(id);
    std::vector<std::int32_t> sorted = unique;
    std::sort(sorted.begin(), sorted.end());

    std::map<std::int32_t, std::shared_ptr<const SubjectRow>> found;
    std::map<std::int32_t, std::string> kinds;
    HeldSubjectRow::Columns columns;
    const std::string head(SubjectListHead(kindIndex));
    for (std::size_t from = 0; from < sorted.size(); from += IdsPerStatement) {
        const std::size_t n = std::min(IdsPerStatement, sorted.size() - from);
        const std::string list = IdList(sorted, from, n);
        fb::Query rows(tr, head + std::string(reg::ListedIdsCondition) + list);
        rows.Open();
        while (rows.Next()) {
            std::shared_ptr<const SubjectRow> held = HoldQueryRow(rows, columns);
            found.emplace(held->Integer("id_pdm"), std::move(held));
        }
        fb::Query kindRows(tr, std::string(reg::SubjectKindsHead) + list);
        kindRows.Open();
        while (kindRows.Next())
            kinds.emplace(kindRows.Integer(0).value_or(0), kindRows.Text(1).value_or(""));
    }

    std::set<std::int32_t> placed;
    const std::string wanted(1, KindLetter(kindIndex));
    for (std::int32_t id : ids) {
        if (!placed.insert(id).second) {
            setAside_.push_back({ id, "listed again" });
            continue;
        }
        const auto row = found.find(id);
        if (row != found.end()) {
            rows_.push_back(row->second);
            continue;
        }
        const auto kind = kinds.find(id);
        if (kind == kinds.end())
            setAside_.push_back({ id, "not in the register" });
        else if (kind->second != wanted)
            setAside_.push_back({ id, "is " + KindName(kind->second) + ", not " + KindName(wanted) });
        else
            setAside_.push_back({ id, "no row in the subject list of its kind" });
    }
}

ListedSubjects::~ListedSubjects() = default;

std::unique_ptr<SubjectRow> ListedSubjects::HoldCurrent() const
{
    return std::make_unique<HeldRow>(rows_.at(at_));
}

} // namespace zest
