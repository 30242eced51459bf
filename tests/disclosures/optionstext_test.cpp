// The options of a run as the register of disclosures keeps them.
#include <gtest/gtest.h>

#include "disclosures/optionstext.h"
#include "statement/classmarks.h"
#include "statement/statementrun.h"
#include "statement/statementwriter.h"

using zest::ClassGrid;
using zest::disclosures::ListFilters;

namespace
{

TEST(OptionsText, NamesTheKindThresholdMarksRangeAndFlagsThatAreSet)
{
    ClassGrid grid;
    grid.Add("R", "R", "IV"); // marked by default
    grid.Add("B", "B", ""); // not
    const zest::StatementOptions paged;
    const zest::RunOptions plain;
    EXPECT_EQ(
        zest::disclosures::OptionsText({}, grid, 10000, paged, plain), "kind=fizyczne; threshold=10000; marks=default");
    grid.MarkAll();
    EXPECT_EQ(zest::disclosures::OptionsText({ 2, "A", "K\xA3" }, grid, 0, paged, plain),
        "kind=grupowe; threshold=0; marks=all; from=A; to=K\xA3");
    grid.Toggle(1);
    zest::StatementOptions statement;
    statement.Stronicowanie = false;
    statement.CeleSzkoleniowe = true;
    zest::RunOptions run;
    run.TylkoPrzyMezu = run.TylkoKobiety = run.wskazany = true;
    EXPECT_EQ(zest::disclosures::OptionsText({ 1, "", "" }, grid, 5, statement, run),
        "kind=instytucje; threshold=5; marks=B//B; no-paging; training; only-husband; only-women; subject at "
        "cursor");
    grid.Toggle(2);
    EXPECT_EQ(zest::disclosures::OptionsText({}, grid, 5, paged, plain), "kind=fizyczne; threshold=5; marks=none");
}

} // namespace
