#include <gtest/gtest.h>

#include "statement/format.h"

using zest::Arg;
using zest::FormatError;
using zest::FormatLine;

namespace
{

struct FormatCase {
    const char* name;
    const char* format;
    zest::FormatArg arg;
    const char* expected;
};

class FormatWidths : public testing::TestWithParam<FormatCase>
{
};

TEST_P(FormatWidths, PadsToTheMinimumAndNeverCuts)
{
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatLine(c.format, { c.arg }), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, FormatWidths,
    testing::Values(FormatCase { "TextShorter", "[%6s]", Arg("ab"), "[    ab]" },
        FormatCase { "TextExact", "[%6s]", Arg("abcdef"), "[abcdef]" },
        FormatCase { "TextOneLess", "[%6s]", Arg("abcde"), "[ abcde]" },
        FormatCase { "TextOneMoreNotCut", "[%6s]", Arg("abcdefg"), "[abcdefg]" },
        FormatCase { "TextLeft", "[%-13s]", Arg("2.115"), "[2.115        ]" },
        FormatCase { "TextLeftLonger", "[%-3s]", Arg("12345"), "[12345]" },
        FormatCase { "EmptyTextGivesWidthSpaces", "[%9s]", Arg(""), "[         ]" },
        FormatCase { "EmptyTextLeft", "[%-8s]", Arg(""), "[        ]" },
        FormatCase { "WidthZero", "[%0s]", Arg("x"), "[x]" }, FormatCase { "NoWidth", "[%s]", Arg(""), "[]" },
        FormatCase { "UpperCaseS", "[%11S]", Arg("ab"), "[         ab]" },
        FormatCase { "UpperCaseSNoWidth", "[%S]", Arg("ab"), "[ab]" },
        FormatCase { "IntegerRight", "[%11d]", Arg(std::int64_t { 12000 }), "[      12000]" },
        FormatCase { "IntegerLeft", "[%-5d]", Arg(std::int64_t { 12 }), "[12   ]" },
        FormatCase { "IntegerSixDigitsInFive", "[%-5d]", Arg(std::int64_t { 123456 }), "[123456]" },
        FormatCase { "Negative", "[%4d]", Arg(std::int64_t { -5 }), "[  -5]" },
        FormatCase { "Beyond32Bits", "[%11d]", Arg(std::int64_t { 3000000000 }), "[ 3000000000]" },
        FormatCase { "Windows1250BytesCount", "[%-13s]", Arg("dzia\xB3ki"), "[dzia\xB3ki      ]" }),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

TEST(FormatLine, StatementRulesAndHeadings)
{
    EXPECT_EQ(FormatLine("%9s+%6s+%-13s+%11S+%-8s+%-8s+%-8s+%10s+",
                  { Arg(""), Arg("------"), Arg("-------------"), Arg("-----------"), Arg("--------"), Arg("--------"),
                      Arg("--------"), Arg("----------") }),
        "         +------+-------------+-----------+--------+--------+--------+----------+");
    EXPECT_EQ(
        FormatLine("%9s %6s %13s %11d", { Arg(""), Arg(" razem"), Arg("jednostka"), Arg(std::int64_t { 12000 }) }),
        "           razem     jednostka       12000");
    EXPECT_EQ(FormatLine("   Obr\xEA"
                         "b:%d-%s",
                  { Arg(std::int64_t { 3 }), Arg("") }),
        "   Obr\xEA"
        "b:3-");
    EXPECT_EQ(FormatLine("100%% %s", { Arg("x") }), "100% x");
}

TEST(FormatLine, BadFormatsAndArgumentsAreErrors)
{
    EXPECT_THROW(FormatLine("%d", { Arg("text") }), FormatError);
    EXPECT_THROW(FormatLine("%s", { Arg(std::int64_t { 1 }) }), FormatError);
    EXPECT_THROW(FormatLine("%s %s", { Arg("one") }), FormatError);
    EXPECT_THROW(FormatLine("%x", { Arg("one") }), FormatError);
    EXPECT_THROW(FormatLine("abc%", {}), FormatError);
    EXPECT_THROW(FormatLine("%-12", { Arg("a") }), FormatError);
    EXPECT_EQ(FormatLine("no conversions", { Arg("surplus") }), "no conversions");
}

} // namespace
