#include <gtest/gtest.h>

#include "statement/classmarks.h"
#include "statement/precincts.h"

using zest::ClassGrid;
using zest::DefaultMark;

namespace
{

struct MarkCase {
    const char* name;
    const char* ozu;
    const char* mark;
};

class DefaultMarkTest : public testing::TestWithParam<MarkCase>
{
};

TEST_P(DefaultMarkTest, MarksByLandUseCode)
{
    EXPECT_EQ(DefaultMark(GetParam().ozu), GetParam().mark);
}

INSTANTIATE_TEST_SUITE_P(Codes, DefaultMarkTest,
    testing::Values(MarkCase { "R", "R", "Tak" }, MarkCase { "S_R", "S-R", "Tak" },
        MarkCase { "LStroke", "\xA3", "Tak" }, MarkCase { "Ps", "Ps", "Tak" },
        MarkCase { "Br_LStroke", "Br-\xA3", "Tak" }, MarkCase { "RInside", "LzR", "Tak" },
        MarkCase { "Wsr", "Wsr", "Tak" }, MarkCase { "W", "W", "Tak" }, MarkCase { "Ws", "Ws", "   " },
        MarkCase { "Lz", "Lz", "   " }, MarkCase { "B", "B", "   " }, MarkCase { "LowerW", "w", "   " },
        MarkCase { "LowerR", "r", "   " }, MarkCase { "WsrPadded", "Wsr ", "   " }, MarkCase { "N", "N", "   " },
        MarkCase { "Empty", "", "   " },
        // Windows-1250 "ł" (0xB3) is not "Ł".
        MarkCase { "LowerLStroke", "\xB3", "   " }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClassGridTest, ResetHoldsHeaderAndOneEmptyRow)
{
    ClassGrid grid;
    grid.Add("R", "R", "I");
    grid.Add("B", "B", "");
    grid.Reset();
    ASSERT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Text(0, ClassGrid::ColOzu), "OZU");
    EXPECT_EQ(grid.Text(0, ClassGrid::ColKlasa), "Klasa");
    EXPECT_EQ(grid.Text(0, ClassGrid::ColOfu), "OFU");
    EXPECT_EQ(grid.Text(0, ClassGrid::ColMark), "Sumuj");
    for (int c = 0; c < ClassGrid::ColumnCount; ++c)
        EXPECT_EQ(grid.Text(1, c), "");
}

TEST(ClassGridTest, AddFillsRowOneThenAppendsWithDefaultMarks)
{
    ClassGrid grid;
    grid.Add("ofuR", "R", "IIIa");
    EXPECT_EQ(grid.RowCount(), 2);
    grid.Add("ofuB", "B", "");
    ASSERT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Text(1, ClassGrid::ColOzu), "R");
    EXPECT_EQ(grid.Text(1, ClassGrid::ColKlasa), "IIIa");
    EXPECT_EQ(grid.Text(1, ClassGrid::ColOfu), "ofuR");
    EXPECT_EQ(grid.Text(1, ClassGrid::ColMark), "Tak");
    EXPECT_EQ(grid.Text(2, ClassGrid::ColMark), "   ");
}

TEST(ClassGridTest, MarkAllAndMarkDefaultsLeaveTheHeader)
{
    ClassGrid grid;
    grid.Add("", "R", "");
    grid.Add("", "Lz", "");
    grid.MarkAll();
    EXPECT_EQ(grid.Text(1, ClassGrid::ColMark), "Tak");
    EXPECT_EQ(grid.Text(2, ClassGrid::ColMark), "Tak");
    EXPECT_EQ(grid.Text(0, ClassGrid::ColMark), "Sumuj");
    grid.MarkDefaults();
    EXPECT_EQ(grid.Text(1, ClassGrid::ColMark), "Tak");
    EXPECT_EQ(grid.Text(2, ClassGrid::ColMark), "   ");
    EXPECT_EQ(grid.Text(0, ClassGrid::ColMark), "Sumuj");
}

TEST(ClassGridTest, ToggleFlipsOnlyTakAndLeavesOtherRowsAndTheHeader)
{
    ClassGrid grid;
    ASSERT_TRUE(grid.Toggle(1)); // the one empty row of an unloaded grid
    EXPECT_EQ(grid.Text(1, ClassGrid::ColMark), "Tak");

    grid.Add("R", "R", "I"); // "Tak" by default
    grid.Add("B", "B", ""); // "   "
    grid.SetText(2, ClassGrid::ColMark, "tak"); // not "Tak": counts as unmarked
    ASSERT_TRUE(grid.Toggle(1));
    EXPECT_EQ(grid.Text(1, ClassGrid::ColMark), "   ");
    ASSERT_TRUE(grid.Toggle(2));
    EXPECT_EQ(grid.Text(2, ClassGrid::ColMark), "Tak");
    ASSERT_TRUE(grid.Toggle(1));
    EXPECT_EQ(grid.Text(1, ClassGrid::ColMark), "Tak");
    EXPECT_EQ(grid.Text(2, ClassGrid::ColMark), "Tak");

    for (int row : { 0, -1, 3 })
        EXPECT_FALSE(grid.Toggle(row)) << row;
    EXPECT_EQ(grid.Text(0, ClassGrid::ColMark), "Sumuj");
}

// A reload after a reconnect: the rows that are still there keep the user's marks, by
// all three codes; a new row gets its default.
TEST(ClassGridTest, KeepMarksMatchesRowsByTheirThreeCodes)
{
    ClassGrid before;
    before.Add("R", "R", "I");
    before.Add("R", "R", "II");
    before.Add("Ls", "Ls", "");
    before.Toggle(1); // R/I off
    before.Toggle(3); // Ls on
    ClassGrid after;
    after.Add("R", "R", "II");
    after.Add("B", "Ls", ""); // another OFU: a row of its own
    after.Add("R", "R", "I");
    after.Add("Ls", "Ls", "");
    after.KeepMarks(before);
    EXPECT_EQ(after.Text(1, ClassGrid::ColMark), "Tak");
    EXPECT_EQ(after.Text(2, ClassGrid::ColMark), "   ");
    EXPECT_EQ(after.Text(3, ClassGrid::ColMark), "   ");
    EXPECT_EQ(after.Text(4, ClassGrid::ColMark), "Tak");
}

TEST(PrecinctTableTest, LookupFindsTheFirstSlotWithTheId)
{
    zest::PrecinctTable table;
    EXPECT_EQ(table.Lookup(1), "");
    EXPECT_EQ(table.Lookup(0), "");
    table.Add(0, "");
    table.Add(5, "Pierwszy");
    table.Add(5, "Drugi");
    EXPECT_EQ(table.Count(), 3);
    EXPECT_EQ(table.Lookup(5), "Pierwszy");
    EXPECT_EQ(table.Lookup(6), "");
    table.Clear();
    EXPECT_EQ(table.Lookup(5), "");
}

TEST(PrecinctTableTest, HoldsMoreThanAThousandSlots)
{
    zest::PrecinctTable table;
    for (int id = 1; id <= 1500; ++id)
        table.Add(id, "O" + std::to_string(id));
    EXPECT_EQ(table.Count(), 1500);
    EXPECT_EQ(table.Lookup(1001), "O1001");
    EXPECT_EQ(table.Lookup(1500), "O1500");
}

} // namespace
