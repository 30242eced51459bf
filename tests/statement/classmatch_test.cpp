#include <gtest/gtest.h>

#include "statement/classmatch.h"

using namespace zest;

namespace
{

struct MatchCase {
    const char* name;
    const char* ofu;
    const char* ozu;
    const char* ozk;
    std::int64_t added;
};

void PrintTo(const MatchCase& c, std::ostream* os)
{
    *os << c.name;
}

class MatchAndAddCases : public testing::TestWithParam<MatchCase>
{
};

// Rows: R/IIIa/R marked, R/IIIa/N unmarked (differs only in OFU), then R/IIIa/R again
// unmarked (never reached), then Ł/IV/Ł marked, and a lower-case r marked.
ClassGrid Grid()
{
    ClassGrid g;
    g.Add("R", "R", "IIIa");
    g.Add("N", "R", "IIIa");
    g.Add("R", "R", "IIIa");
    g.Add("\xA3", "\xA3", "IV");
    g.Add("r", "r", "I");
    g.SetText(1, ClassGrid::ColMark, "Tak");
    g.SetText(2, ClassGrid::ColMark, "   ");
    g.SetText(3, ClassGrid::ColMark, "   ");
    g.SetText(4, ClassGrid::ColMark, "Tak");
    g.SetText(5, ClassGrid::ColMark, "Tak ");
    return g;
}

TEST_P(MatchAndAddCases, AddsByTheFirstMatchingRow)
{
    AreaState area;
    area.SelectedAreaSum = 5;
    MatchAndAdd(Grid(), GetParam().ofu, GetParam().ozu, GetParam().ozk, 1000, area);
    EXPECT_EQ(area.SelectedAreaSum, 5 + GetParam().added);
}

INSTANTIATE_TEST_SUITE_P(Classes, MatchAndAddCases,
    testing::Values(MatchCase { "FirstMatchDecides", "R", "R", "IIIa", 1000 },
        MatchCase { "DiffersOnlyInOfuUnmarked", "N", "R", "IIIa", 0 },
        MatchCase { "LaterRowOfAnotherClass", "\xA3", "\xA3", "IV", 1000 },
        MatchCase { "CaseSensitiveNoMatch", "R", "R", "iiia", 0 }, MatchCase { "NoMatch", "B", "B", "", 0 },
        MatchCase { "MarkMustBeExactlyTak", "r", "r", "I", 0 }),
    [](const testing::TestParamInfo<MatchCase>& info) { return std::string(info.param.name); });

TEST(MatchAndAdd, UnmarkedFirstMatchStopsTheScan)
{
    ClassGrid g;
    g.Add("R", "R", "I");
    g.Add("R", "R", "I");
    g.SetText(1, ClassGrid::ColMark, "   ");
    g.SetText(2, ClassGrid::ColMark, "Tak");
    AreaState area;
    MatchAndAdd(g, "R", "R", "I", 3000000000LL, area);
    EXPECT_EQ(area.SelectedAreaSum, 0);
    g.SetText(1, ClassGrid::ColMark, "Tak");
    MatchAndAdd(g, "R", "R", "I", 3000000000LL, area);
    EXPECT_EQ(area.SelectedAreaSum, 3000000000LL);
}

} // namespace
