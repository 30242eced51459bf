// The threshold text of sPowUZ.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "statement/threshold.h"

namespace
{

struct ValidCase {
    const char* name;
    const char* text;
    std::int32_t value;
};

class ValidThreshold : public testing::TestWithParam<ValidCase>
{
};

TEST_P(ValidThreshold, Converts)
{
    EXPECT_EQ(zest::ParseThreshold(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Texts, ValidThreshold,
    testing::Values(ValidCase { "Default", "10000", 10000 }, ValidCase { "Zero", "0", 0 },
        ValidCase { "LeadingZeros", "007", 7 }, ValidCase { "Largest", "2147483647", 2147483647 },
        ValidCase { "Smallest", "-2147483648", -2147483647 - 1 }, ValidCase { "Negative", "-5", -5 },
        ValidCase { "PlusSign", "+5", 5 }, ValidCase { "MinusZero", "-0", 0 }),
    [](const testing::TestParamInfo<ValidCase>& info) { return std::string(info.param.name); });

struct InvalidCase {
    const char* name;
    std::string text;
};

class InvalidThreshold : public testing::TestWithParam<InvalidCase>
{
};

TEST_P(InvalidThreshold, NamesTheTextAsTyped)
{
    try {
        zest::ParseThreshold(GetParam().text);
        FAIL() << "accepted '" << GetParam().text << "'";
    } catch (const std::invalid_argument& e) {
        EXPECT_EQ(std::string(e.what()), "'" + GetParam().text + "' is not a valid integer value");
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, InvalidThreshold,
    testing::Values(InvalidCase { "Empty", "" }, InvalidCase { "OneAboveLargest", "2147483648" },
        InvalidCase { "OneBelowSmallest", "-2147483649" }, InvalidCase { "ElevenNines", "99999999999" },
        InvalidCase { "LeadingBlank", " 5" }, InvalidCase { "TrailingBlank", "5 " }, InvalidCase { "Letters", "abc" },
        InvalidCase { "DigitsThenLetter", "50x" }, InvalidCase { "Hex", "0x10" }, InvalidCase { "PascalHex", "$10" },
        InvalidCase { "SignOnly", "-" }, InvalidCase { "PlusOnly", "+" }, InvalidCase { "TwoSigns", "+-5" },
        InvalidCase { "DoubleMinus", "--5" }, InvalidCase { "Decimal", "5.5" }, InvalidCase { "PolishLetter", "\xA3" }),
    [](const testing::TestParamInfo<InvalidCase>& info) { return std::string(info.param.name); });

} // namespace
