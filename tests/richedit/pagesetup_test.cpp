// Margins in twips and their unit switches; the contents list; contents line texts.
#include "richedit/contentspage.h"
#include "richedit/pagesetup.h"

#include <gtest/gtest.h>

namespace zest::richedit
{
namespace
{

struct TwipsCase {
    const char* Name;
    TMeasurementUnits Units;
    std::int32_t Value;
    std::int32_t Twips;
};

class MarginTwips : public testing::TestWithParam<TwipsCase>
{
};

TEST_P(MarginTwips, EachSideFollowsItsValue)
{
    const auto& c = GetParam();
    TMargin margin;
    margin.SetUnits(c.Units);
    margin.SetLeft(c.Value);
    margin.SetTop(c.Value);
    margin.SetRight(c.Value);
    margin.SetBottom(c.Value);
    EXPECT_EQ(margin.TwipsRect(), (TwipsRect { c.Twips, c.Twips, c.Twips, c.Twips }));
}

INSTANTIATE_TEST_SUITE_P(Conversions, MarginTwips,
    testing::Values(TwipsCase { "mm20", muMillimeters, 20, 1134 }, TwipsCase { "mm25", muMillimeters, 25, 1417 },
        TwipsCase { "mm0", muMillimeters, 0, 0 }, TwipsCase { "mmMinus20", muMillimeters, -20, -1134 },
        TwipsCase { "inch1000", muInches, 1000, 1440 }, TwipsCase { "inch787Truncates", muInches, 787, 1133 },
        TwipsCase { "inchMinus787", muInches, -787, -1133 }),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(TMargin, StartsEmptyInMillimetres)
{
    const TMargin margin;
    EXPECT_EQ(margin.Units(), muMillimeters);
    EXPECT_EQ(margin.TwipsRect(), TwipsRect {});
    EXPECT_EQ(margin.Left() + margin.Top() + margin.Right() + margin.Bottom(), 0);
}

TEST(TMargin, UnitSwitchesTruncateAndLeaveTwipsAlone)
{
    TMargin margin;
    margin.SetTop(20);
    margin.SetBottom(20);
    margin.SetLeft(25);
    margin.SetRight(20);
    const TwipsRect before = margin.TwipsRect();
    EXPECT_EQ(before, (TwipsRect { 1417, 1134, 1134, 1134 }));

    margin.SetUnits(muInches);
    EXPECT_EQ(margin.Top(), 787);
    EXPECT_EQ(margin.Left(), 984);
    EXPECT_EQ(margin.TwipsRect(), before);

    margin.SetUnits(muMillimeters);
    EXPECT_EQ(margin.Top(), 19);
    EXPECT_EQ(margin.Left(), 24);
    EXPECT_EQ(margin.TwipsRect(), before);

    // The next write brings the twips in step with the truncated values.
    margin.SetTop(19);
    EXPECT_EQ(margin.TwipsRect().Top, 1077);
    EXPECT_EQ(margin.TwipsRect().Left, 1361);
}

TEST(TMargin, SameUnitChangesNothing)
{
    TMargin margin;
    margin.SetLeft(20);
    margin.SetUnits(muMillimeters);
    EXPECT_EQ(margin.Left(), 20);
    EXPECT_EQ(margin.TwipsRect().Left, 1134);
}

TSpis ThreeEntries()
{
    TSpis spis;
    for (int i = 0; i < 3; ++i)
        spis.Add({ true, 1, QString::number(i), i * 10, i * 10 + 9, 0 });
    return spis;
}

TEST(TSpis, GetAndPutOutsideTheListThrowAndChangeNothing)
{
    TSpis spis = ThreeEntries();
    for (const int index : { -1, 3, 100 }) {
        EXPECT_THROW(spis.Get(index), std::out_of_range) << index;
        EXPECT_THROW(spis.Put(index, { false, 2, "x", 1, 2, 3 }), std::out_of_range) << index;
    }
    ASSERT_EQ(spis.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(spis.Get(i).Text, QString::number(i));
        EXPECT_EQ(spis.Get(i).StartPos, i * 10);
    }
}

TEST(TSpis, ClearOnEmptyIsHarmless)
{
    TSpis spis;
    spis.Clear();
    EXPECT_EQ(spis.Count(), 0);
    spis = ThreeEntries();
    spis.Clear();
    EXPECT_EQ(spis.Count(), 0);
    EXPECT_EQ(spis.Add({}), 0);
}

struct LineCase {
    const char* Name;
    std::int32_t Level;
    int Deepest;
    const char* Expected;
};

class ContentsLine : public testing::TestWithParam<LineCase>
{
};

TEST_P(ContentsLine, TextByLevel)
{
    const auto& c = GetParam();
    TSpisEntry entry;
    entry.Level = c.Level;
    entry.Text = QStringLiteral("Gmina Łódź");
    EXPECT_EQ(ContentsLineText(entry, c.Deepest), QString::fromUtf8(c.Expected));
}

INSTANTIATE_TEST_SUITE_P(Levels, ContentsLine,
    testing::Values(LineCase { "mainInCapitals", 1, 1, "GMINA ŁÓDŹ" },
        LineCase { "secondInCapitalsWithDeeper", 2, 3, "GMINA ŁÓDŹ" },
        LineCase { "secondUnchangedWhenDeepest", 2, 2, "Gmina Łódź" },
        LineCase { "fourthIndentedTen", 4, 4, "          Gmina Łódź" },
        LineCase { "zeroCountsAsMain", 0, 2, "GMINA ŁÓDŹ" },
        LineCase { "twelveCountsAsNinth", 12, 9, "                                   Gmina Łódź" }),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace zest::richedit
