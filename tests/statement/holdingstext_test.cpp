#include <gtest/gtest.h>

#include "statement/holdingstext.h"

using namespace zest;

namespace
{

TEST(ShareKindName, EveryKindOfRight)
{
    EXPECT_EQ(ShareKindName(1, 0),
        "w\xB3"
        "a\x9C"
        "ciciel");
    EXPECT_EQ(ShareKindName(2, 0), "posiadacz");
    EXPECT_EQ(ShareKindName(0, 0), "posiadacz"); // a null rwl reads as 0
    EXPECT_EQ(ShareKindName(1, 1), "u\xBFytkownik wieczysty");
    EXPECT_EQ(ShareKindName(1, 2),
        "zarz\xB9"
        "d lub trwa\xB3y zarz\xB9"
        "d");
    EXPECT_EQ(ShareKindName(1, 3),
        "wykonywanie prawa w\xB3"
        "asno\x9C"
        "ci SP");
    EXPECT_EQ(ShareKindName(1, 4),
        "gospodarowanie zasobem nieruchomo\x9C"
        "ci");
    EXPECT_EQ(ShareKindName(1, 5), "u\xBFytkowanie");
    EXPECT_EQ(ShareKindName(1, 6), "6");
    EXPECT_EQ(ShareKindName(1, -3), "-3");
}

struct SplitCase {
    const char* name;
    const char* id;
    const char* arkusz;
    const char* number;
    const char* sheet;
};

class SplitParcel : public testing::TestWithParam<SplitCase>
{
};

TEST_P(SplitParcel, SplitsAtTheFirstPoint)
{
    const SplitCase& c = GetParam();
    std::string number = c.id, sheet = c.arkusz;
    SplitParcelId(number, sheet);
    EXPECT_EQ(number, c.number);
    EXPECT_EQ(sheet, c.sheet);
}

INSTANTIATE_TEST_SUITE_P(Identifiers, SplitParcel,
    testing::Values(SplitCase { "SheetAndNumber", "2.115", "9", "115", "2" },
        SplitCase { "LeadingPoint", ".5", "9", "5", "" }, SplitCase { "TrailingPoint", "7.", "9", "", "7" },
        SplitCase { "SeveralPoints", "1.2.3", "9", "2.3", "1" },
        SplitCase { "NoPointKeepsArkusz", "123/4", "9", "123/4", "9" }, SplitCase { "Empty", "", "", "", "" }),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(SplitParcelId, NumberIsCutAtOneHundredCharacters)
{
    std::string number = "1." + std::string(150, '7'), sheet;
    SplitParcelId(number, sheet);
    EXPECT_EQ(number.size(), 100u);
    EXPECT_EQ(sheet, "1");
}

TEST(FormatPersonName, NameVariants)
{
    EXPECT_EQ(FormatPersonName({ "Nowak", "Jan", "", "Piotr", "Anna" }), "Nowak Jan (Piotr,Anna)");
    EXPECT_EQ(FormatPersonName({ "Nowak", "Jan", "Adam", "", "" }), "Nowak Jan,Adam");
    EXPECT_EQ(FormatPersonName({ "Nowak", "Jan", "", "Piotr", "" }), "Nowak Jan (Piotr,)");
    EXPECT_EQ(FormatPersonName({ "Nowak", "Jan", "", "", "Maria" }), "Nowak Jan (,Maria)");
    EXPECT_EQ(FormatPersonName({ "", "", "", "", "" }), " ");
}

struct AddressCase {
    const char* name;
    AddressRecord record;
    const char* premises;
    std::vector<std::string> lines;
};

class AddressLines : public testing::TestWithParam<AddressCase>
{
};

TEST_P(AddressLines, Build)
{
    const AddressCase& c = GetParam();
    EXPECT_EQ(BuildAddressLines(c.record, c.premises), c.lines);
}

AddressRecord Structured(
    const char* kod, const char* pcz, const char* msc, const char* ulc, const char* gmn, const char* nra)
{
    AddressRecord a;
    a.KOD = kod;
    a.PCZ = pcz;
    a.MSC = msc;
    a.ULC = ulc;
    a.GMN = gmn;
    a.NRA = nra;
    return a;
}

AddressRecord FreeText(const char* naz)
{
    AddressRecord a;
    a.TAR = FreeTextAddress;
    a.NAZ = naz;
    a.ULC = "ignored";
    return a;
}

INSTANTIATE_TEST_SUITE_P(Addresses, AddressLines,
    testing::Values(
        AddressCase { "StreetNumberPremises", Structured("00-950", "Warszawa", "Warszawa", "Polna", "", "5"), "12",
            { "Polna 5/12", "00-950 Warszawa Warszawa" } },
        AddressCase { "StreetNoPremises", Structured("00-950", "Warszawa", "Warszawa", "Polna", "", "5"), "",
            { "Polna 5", "00-950 Warszawa Warszawa" } },
        AddressCase { "NoStreetLocalityAndCommune",
            Structured("21-100", "Lubart\xF3w", "Nowodw\xF3r", "", "Ostr\xF3w", "17"), "",
            { "Nowodw\xF3r 17", "21-100 Lubart\xF3w Ostr\xF3w" } },
        AddressCase {
            "StreetWithoutLocalityOrCommuneDropsNumber", Structured("", "", "", "Polna", "", "5"), "3", { "Polna" } },
        AddressCase { "NoPostalCode", Structured("", "Lublin", "Lublin", "Ogrodowa", "", "1"), "",
            { "Ogrodowa 1", "Lublin Lublin" } },
        AddressCase { "StreetAndCommuneNoLocality", Structured("20-001", "", "", "Polna", "Gm", "5"), "",
            { "Polna 5", "20-001 Gm" } },
        AddressCase { "NothingSet", Structured("", "", "", "", "", ""), "7", {} },
        AddressCase { "FreeTextRunsOfSemicolons", FreeText("A;;;B;"), "", { "A", "B" } },
        AddressCase { "FreeTextPremisesIgnored", FreeText(";ul. D\xB3uga 1;;00-001 Warszawa"), "9",
            { "ul. D\xB3uga 1", "00-001 Warszawa" } },
        AddressCase { "FreeTextEmpty", FreeText(""), "", {} },
        AddressCase { "FreeTextLineBreaks", FreeText("A\r\nB;C"), "", { "A", "B", "C" } }),
    [](const testing::TestParamInfo<AddressCase>& info) { return std::string(info.param.name); });

} // namespace
