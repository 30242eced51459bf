// One cell of the program's CSV files.
#include <gtest/gtest.h>

#include "statement/csvfield.h"

namespace zest
{
namespace
{

// A spreadsheet takes a cell starting with = + - @, a tab or a carriage return for a formula.
TEST(CsvField, QuotesSeparatorsAndDisarmsFormulas)
{
    EXPECT_EQ(CsvField("Nowak Jan"), "Nowak Jan");
    EXPECT_EQ(CsvField("a;b"), "\"a;b\"");
    EXPECT_EQ(CsvField("say \"x\""), "\"say \"\"x\"\"\"");
    EXPECT_EQ(CsvField("=HYPERLINK(\"http://x\")"), "\"'=HYPERLINK(\"\"http://x\"\")\"");
    for (const char* cell : { "+48", "-1", "@SUM(A1)", "\tx", "\rx" })
        EXPECT_EQ(CsvField(cell), std::string("\"'") + cell + "\"") << cell;
    EXPECT_EQ(CsvField(""), "");
}

} // namespace
} // namespace zest
