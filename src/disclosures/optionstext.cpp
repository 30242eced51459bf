#include "optionstext.h"

#include "statement/classmarks.h"
#include "statement/statementrun.h"
#include "statement/statementwriter.h"
#include "statement/subjectlistsql.h"

namespace zest::disclosures
{

namespace
{

std::string KindName(int kind)
{
    switch (kind) {
    case PersonKindIndex:
        return "fizyczne";
    case InstitutionKindIndex:
        return "instytucje";
    case GroupKindIndex:
        return "grupowe";
    }
    return std::to_string(kind);
}

std::string MarksText(const ClassGrid& classes)
{
    int marked = 0, defaults = 0;
    std::string list;
    const int rows = classes.DataRowCount();
    for (int r = 1; r <= rows; ++r) {
        const std::string& ozu = classes.Text(r, ClassGrid::ColOzu);
        const bool yes = classes.Text(r, ClassGrid::ColMark) == MarkYes;
        defaults += yes == (DefaultMark(ozu) == MarkYes);
        if (!yes)
            continue;
        ++marked;
        if (!list.empty())
            list += ",";
        list += ozu + "/" + classes.Text(r, ClassGrid::ColKlasa) + "/" + classes.Text(r, ClassGrid::ColOfu);
    }
    if (marked == rows)
        return "all";
    if (marked == 0)
        return "none";
    if (defaults == rows)
        return "default";
    return list;
}

} // namespace

std::string OptionsText(const ListFilters& list, const ClassGrid& classes, std::int32_t threshold,
    const StatementOptions& statement, const RunOptions& run)
{
    std::string text
        = "kind=" + KindName(list.kind) + "; threshold=" + std::to_string(threshold) + "; marks=" + MarksText(classes);
    if (!list.from.empty())
        text += "; from=" + list.from;
    if (!list.to.empty())
        text += "; to=" + list.to;
    const struct {
        bool set;
        const char* name;
    } flags[] = {
        { !statement.Stronicowanie, "no-paging" },
        { statement.CeleSzkoleniowe, "training" },
        { run.TylkoPrzyMezu, "only-husband" },
        { run.TylkoKobiety, "only-women" },
        { run.wskazany, "subject at cursor" },
    };
    for (const auto& f : flags)
        if (f.set)
            text += std::string("; ") + f.name;
    return text;
}

} // namespace zest::disclosures
