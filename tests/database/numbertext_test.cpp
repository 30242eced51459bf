// The number rule beyond the threshold's table (threshold_test.cpp): other types, and
// the padding of text columns.
#include <gtest/gtest.h>

#include <cstdint>

#include "database/numbertext.h"

using zest::fb::NumberFromText;

TEST(NumberFromText, OneSignRuleForEveryType)
{
    EXPECT_EQ(NumberFromText<std::uint64_t>("+18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(NumberFromText<std::uint64_t>("18446744073709551616"), std::nullopt);
    EXPECT_EQ(NumberFromText<std::uint32_t>("-1"), std::nullopt);
    EXPECT_EQ(NumberFromText<std::uint32_t>("+-1"), std::nullopt);
    EXPECT_EQ(NumberFromText<std::int64_t>("++5"), std::nullopt);
    EXPECT_EQ(NumberFromText<double>("+1e3"), 1000.0);
    EXPECT_EQ(NumberFromText<double>("-2.25"), -2.25);
    EXPECT_EQ(NumberFromText<double>("2,25"), std::nullopt);
    EXPECT_EQ(NumberFromText<double>("+"), std::nullopt);
}

TEST(NumberFromText, PaddingComesOffOnlyWhenAsked)
{
    EXPECT_EQ(NumberFromText<int>(" 5"), std::nullopt);
    EXPECT_EQ(NumberFromText<int>(zest::fb::WithoutSurroundingSpaces("  +5   ")), 5);
    EXPECT_EQ(NumberFromText<int>(zest::fb::WithoutSurroundingSpaces("+ 5")), std::nullopt);
    EXPECT_EQ(zest::fb::WithoutSurroundingSpaces("   "), "");
}
