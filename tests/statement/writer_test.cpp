// The statement writer against embedded registers: each golden case loads its own rows
// and compares the buffered lines with its expected statement file byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "statement/classmatch.h"
#include "statement/subjectlistsql.h"
#include "writerfixture.h"

using namespace zest;
using namespace zest::test;

namespace
{

// Letters of Windows-1250 used below: \xA3 capital L with stroke, \xF3 o acute, \xEA e
// ogonek, \xB3 l with stroke.

// Rows given in a fixed order instead of the server's.
class GivenRows : public HoldingsRows
{
public:
    explicit GivenRows(std::vector<HoldingsRow> rows)
        : rows_(std::move(rows))
    {
    }
    bool Next(HoldingsRow& row) override
    {
        if (next_ == rows_.size())
            return false;
        row = rows_[next_++];
        return true;
    }

private:
    std::vector<HoldingsRow> rows_;
    std::size_t next_ = 0;
};

// One unit of precinct 3 "Wola" in which subject `subject` holds one share with one
// parcel "1" of 1000 square metres in one land use R/R/IV.
std::vector<std::string> SmallHolding(int subject, int base)
{
    return { PrecinctRow(3, "Wola"), UnitRow(base, 3, 1, nullptr, 1), ShareRow(base, subject, base, 0, "1/1"),
        ParcelRow(base, base, "1", nullptr, 1000), LandUseRow(base, base, "R", "R", "IV", 1000) };
}

class WriterGolden : public WriterTest
{
protected:
    // Nowak Jan (Piotr,Anna) at Polna 5, holding parcel 2.115 in unit 12 of Wola.
    void LoadNowak()
    {
        Load({ AddressRows(
                   { .Id = 1, .Kod = "00-950", .Pcz = "Warszawa", .Msc = "Warszawa", .Ulc = "Polna", .Nra = "5" }),
            PersonRows({ .Id = 1, .Nzw = "Nowak", .Pim = "Jan", .Oim = "Piotr", .Mim = "Anna", .Radr = 1 }),
            { PrecinctRow(3, "Wola"), UnitRow(10, 3, 12, nullptr, 1), ShareRow(100, 1, 10, 0, "1/1"),
                ParcelRow(200, 10, "2.115", nullptr, 12000), LandUseRow(300, 200, "R", "R", "IVa", 8000),
                LandUseRow(301, 200, "\xA3", "\xA3", "III", 4000) } });
    }
};

// The land uses of one parcel come smallest area first.
TEST_F(WriterGolden, PersonWithOneParcel)
{
    LoadNowak();
    WriteListed(PersonKindIndex, 1);
    EXPECT_TRUE(MatchesGolden("person_with_one_parcel", Lines()));
    EXPECT_EQ(area.SelectedAreaSum, 12000);
}

// The same block with the rows in a given order: R/IVa before Ł/III.
TEST_F(WriterGolden, PersonWithOneParcelInGivenOrder)
{
    LoadNowak();
    HoldingsRow r;
    r.Precinct = 3;
    r.Unit = 12;
    r.Rwl = 1;
    r.Ud = "1/1";
    r.ShareId = 100;
    r.Parcel = "2.115";
    r.ParcelArea = 12000;
    r.Ofu = r.Ozu = "R";
    r.Ozk = "IVa";
    r.UseArea = 8000;
    std::vector<HoldingsRow> given { r, r };
    given[1].Ofu = given[1].Ozu = "\xA3";
    given[1].Ozk = "III";
    given[1].UseArea = 4000;
    GivenRows rows(given);
    const MapSubjectRow person { { "NZW", "Nowak" }, { "PIM", "Jan" }, { "DIM", "" }, { "OIM", "Piotr" },
        { "MIM", "Anna" }, { "id_ad", "1" }, { "NRL", "" } };
    Writer().WriteHoldingsBlock(1, KindPerson, &person, rows);
    EXPECT_TRUE(MatchesGolden("person_with_one_parcel_in_given_order", Lines()));
    EXPECT_EQ(area.SelectedAreaSum, 12000);
}

TEST_F(WriterGolden, PersonAddresses)
{
    Load({ AddressRows({ .Id = 1,
               .Kod = "05-800",
               .Pcz = "Pruszk\xF3w",
               .Msc = "Pruszk\xF3w",
               .Ulc = "Lipowa",
               .Gmn = "Pruszk\xF3w",
               .Nra = "7" }),
        AddressRows({ .Id = 2, .Kod = "99-400", .Pcz = "\xA3owicz", .Msc = "Zawada", .Gmn = "\xA3owicz", .Nra = "12" }),
        AddressRows({ .Id = 3, .Kod = "00-001", .Pcz = "Warszawa", .Ulc = "D\xB3uga", .Nra = "3" }),
        AddressRows({ .Id = 4, .Pcz = "Nieborow", .Msc = "Nieborow", .Nra = "1" }),
        AddressRows({ .Id = 5, .Kod = "96-100", .Gmn = "Bolim\xF3w", .Nra = "8" }), { FreeTextAddressRow(6, "A;;;B;") },
        PersonRows({ .Id = 11, .Nzw = "Adamski", .Pim = "Adam", .Dim = "Jerzy", .Radr = 1, .Nrl = "3" }),
        PersonRows({ .Id = 12, .Nzw = "Bury", .Pim = "Bogdan", .Oim = "Jan", .Radr = 1 }),
        PersonRows({ .Id = 13, .Nzw = "Cicha", .Pim = "Celina", .Plec = "K", .Radr = 2, .Nrl = "2" }),
        PersonRows({ .Id = 14, .Nzw = "Dudek", .Pim = "Daniel", .Radr = 3, .Nrl = "9" }),
        PersonRows({ .Id = 15, .Nzw = "Ebert", .Pim = "Emil", .Radr = 4 }),
        PersonRows({ .Id = 16, .Nzw = "Fik", .Pim = "Filip", .Radr = 5 }),
        PersonRows({ .Id = 17, .Nzw = "Gil", .Pim = "Gustaw", .Radr = 6, .Nrl = "1" }),
        PersonRows({ .Id = 18, .Nzw = "Hak", .Pim = "Henryk", .Radr = 999 }),
        PersonRows({ .Id = 19,
            .Nzw = "Zi\xEA"
                   "ba",
            .Pim = "Ewa",
            .Mim = "Maria",
            .Plec = "K" }) });
    for (int id = 11; id <= 19; ++id)
        WriteListed(PersonKindIndex, id, true);
    EXPECT_TRUE(MatchesGolden("person_addresses", Lines()));
}

TEST_F(WriterGolden, CouplesAndWifeBlock)
{
    Load({ AddressRows(
               { .Id = 1, .Kod = "99-400", .Pcz = "\xA3owicz", .Msc = "\xA3owicz", .Ulc = "Polna", .Nra = "12" }),
        PersonRows({ .Id = 21, .Nzw = "Kowalski", .Pim = "Jan", .Radr = 1, .Nrl = "4" }),
        PersonRows({ .Id = 22, .Nzw = "Kowalska", .Pim = "Anna", .Plec = "K", .Radr = 1, .Nrl = "4" }),
        PersonRows({ .Id = 23, .Nzw = "Lis", .Pim = "Leon", .Radr = 1, .Nrl = "4" }),
        PersonRows({ .Id = 24, .Nzw = "Lis", .Pim = "Lena", .Plec = "K", .Radr = 1, .Nrl = "5" }),
        { "insert into MALZENSTWA (ID, MAZ, ZONA) values (1, 21, 22)",
            "insert into MALZENSTWA (ID, MAZ, ZONA) values (2, 23, 24)",
            "insert into MALZENSTWA (ID, MAZ, ZONA) values (3, 998, 999)",
            "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (51, 'M', 1)",
            "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (52, 'M', 2)",
            "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (53, 'M', 3)" } });
    // One address and premises number, two premises numbers, no person rows at all.
    for (int id : { 51, 52, 53 })
        Writer().WriteSubjectHeader(id, KindMarriage, nullptr);
    // A wife's own block after the lookup of her marriage.
    const SpouseAddresses a = Writer().LookupSpouses(52);
    EXPECT_EQ(a.HusbandAddressId, 1);
    EXPECT_EQ(a.WifeAddressId, 1);
    EXPECT_EQ(a.HusbandPremises, "4");
    EXPECT_EQ(a.WifePremises, "5");
    Writer().WriteSubjectHeader(24, KindWife, nullptr);
    EXPECT_TRUE(MatchesGolden("couples_and_wife_block", Lines()));
}

TEST_F(WriterGolden, GroupMembers)
{
    Load({ AddressRows(
               { .Id = 1, .Kod = "99-400", .Pcz = "\xA3owicz", .Msc = "\xA3owicz", .Ulc = "Polna", .Nra = "12" }),
        AddressRows({ .Id = 2, .Kod = "99-416", .Pcz = "Nieborow", .Msc = "Nieborow", .Nra = "5" }),
        PersonRows({ .Id = 31, .Nzw = "Adamski", .Pim = "Adam", .Radr = 1, .Nrl = "1" }),
        PersonRows({ .Id = 32, .Nzw = "Borowa", .Pim = "Beata", .Plec = "K" }),
        PersonRows({ .Id = 33, .Nzw = "Cichy", .Pim = "Cezary", .Radr = 2 }),
        PersonRows({ .Id = 34, .Nzw = "Dec", .Pim = "Dawid", .Radr = 2 }),
        PersonRows({ .Id = 35, .Nzw = "Dec", .Pim = "Dorota", .Plec = "K", .Radr = 2 }),
        { "insert into INSTYTUCJE (ID, NSK, NPE, RADR) values (41, 'Gm. Nieborow', 'Gmina Nieborow', 2)",
            "insert into INNE_PODM (ID, NSK, NPE, RADR) values (1, 'SW', 'Sp\xF3\xB3ka wodna', 1)",
            "insert into INNE_PODM (ID, NSK, NPE) values (2, 'Inna', 'Inna grupa')",
            "insert into MALZENSTWA (ID, MAZ, ZONA) values (5, 34, 35)",
            "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (60, 'I', 1)",
            "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (61, 'F', 31)",
            "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (62, 'F', 32)",
            "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (63, 'P', 41)",
            "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (64, 'F', 33)",
            "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (65, 'M', 5)",
            "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (66, 'I', 2)",
            "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (67, 'I', 2)" } });
    for (int member = 61; member <= 66; ++member)
        reg->Exec("insert into INNE_PODM_POW (ID_INNE, ID_PODM) values (1, " + std::to_string(member) + ")");
    WriteListed(GroupKindIndex, 60, true);
    // The other group has no members: no empty line before the title block.
    WriteListed(GroupKindIndex, 67, true);
    EXPECT_TRUE(MatchesGolden("group_members", Lines()));
}

TEST_F(WriterGolden, InstitutionTrainingTitleWithoutPageBreaks)
{
    Load({ AddressRows(
               { .Id = 1, .Kod = "99-400", .Pcz = "\xA3owicz", .Msc = "\xA3owicz", .Ulc = "Polna", .Nra = "12" }),
        { "insert into INSTYTUCJE (ID, NSK, NPE, RADR, NRLOK) values (1, 'SP', 'Skarb Pa\xF1stwa', 1, '2')",
            "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (10, 'P', 1)" },
        SmallHolding(10, 500) });
    options.CeleSzkoleniowe = true;
    options.Stronicowanie = false;
    WriteListed(InstitutionKindIndex, 10);
    EXPECT_TRUE(MatchesGolden("institution_training_title_without_page_breaks", Lines()));
}

// The holdings cases below write their blocks with an unlisted kind letter, whose
// header is the empty line, the title and the empty line only.
TEST_F(WriterGolden, TwoSharesInOneUnit)
{
    Load({ PrecinctRow(3, "Wola"), UnitRow(10, 3, 12, "", 1), ShareRow(100, 1, 10, std::nullopt, "1/2"),
        ShareRow(101, 1, 10, 0, "1/4"), ParcelRow(200, 10, "2.115", "9", 12000), ParcelRow(201, 10, "77", "4", 5000),
        LandUseRow(300, 200, "R", "R", "IVa", 8000), LandUseRow(301, 200, "\xA3", "\xA3", "III", 4000),
        LandUseRow(302, 201, "Ls", "Ls", "II", 5000) });
    Writer().WriteHoldingsTable(1, '\0', nullptr);
    EXPECT_TRUE(MatchesGolden("two_shares_in_one_unit", Lines()));
    EXPECT_EQ(area.SelectedAreaSum, 12000); // R and Ł under the first share only; Ls is not marked
}

TEST_F(WriterGolden, ParcelIdentifiersAndLandUses)
{
    Load({ PrecinctRow(3, "Wola"), UnitRow(10, 3, 12, nullptr, 1), ShareRow(100, 1, 10, 0, "1/1"),
        ParcelRow(200, 10, ".5", "S", 900), LandUseRow(300, 200, "R", "R", "IIIa", 500),
        LandUseRow(301, 200, "\xA3", "\xA3", "IV", 300), LandUseRow(302, 200, "B", "B", nullptr, 100),
        ParcelRow(201, 10, "7.", "S", 70), LandUseRow(303, 201, "R", "R", "V", 70),
        ParcelRow(202, 10, "1.2.3", "S", 123), LandUseRow(304, 202, "R", "R", "V", 123),
        ParcelRow(203, 10, "123/4", "S", 1234), LandUseRow(305, 203, "R", "R", "V", 1234),
        ParcelRow(204, 10, "2.115", "S", 2115), LandUseRow(306, 204, "R", "R", "V", 2115),
        ParcelRow(205, 10, "10", nullptr, 10), LandUseRow(307, 205, "R", "R", "V", 10),
        ParcelRow(206, 10, "9", nullptr, 9), LandUseRow(308, 206, "R", "R", "V", 9) });
    Writer().WriteHoldingsTable(1, 'X', nullptr);
    EXPECT_TRUE(MatchesGolden("parcel_identifiers_and_land_uses", Lines()));
}

TEST_F(WriterGolden, ShareKindsAndPrecincts)
{
    // Unit 10 is held as owner (rwl 1), unit 11 as possessor, unit 12 (rwl null) lies in
    // precinct 4, which the precinct table does not hold.
    Load({ PrecinctRow(3, "Wola"), UnitRow(10, 3, 1, nullptr, 1), UnitRow(11, 3, 2, nullptr, 2),
        UnitRow(12, 4, 1, nullptr, std::nullopt), ShareRow(100, 1, 10, std::nullopt, "a"), ShareRow(101, 1, 10, 0, "b"),
        ShareRow(102, 1, 10, 1, "c"), ShareRow(103, 1, 10, 2, "d"), ShareRow(104, 1, 10, 3, "e"),
        ShareRow(105, 1, 11, 0, "f"), ShareRow(106, 1, 11, 4, "g"), ShareRow(107, 1, 11, 5, "h"),
        ShareRow(108, 1, 11, -3, "i"), ShareRow(109, 1, 12, std::nullopt, "j"), ShareRow(110, 1, 12, 6, "never"),
        ParcelRow(200, 10, "1", nullptr, 100), LandUseRow(300, 200, "R", "R", "V", 100),
        ParcelRow(201, 11, "2", nullptr, 200), LandUseRow(301, 201, "R", "R", "V", 200),
        ParcelRow(202, 12, "3", nullptr, 300), LandUseRow(302, 202, "R", "R", "V", 300) });
    Writer().WriteHoldingsTable(1, 'X', nullptr);
    EXPECT_TRUE(MatchesGolden("share_kinds_and_precincts", Lines()));
    EXPECT_EQ(area.SelectedAreaSum, 600);
}

TEST_F(WriterGolden, RegonAndWideValues)
{
    Load({ PrecinctRow(3, "Wola"), UnitRow(10, 3, 123456, "123456789", 1), UnitRow(11, 3, 7, "", 1),
        UnitRow(12, 3, 8, nullptr, 1), ShareRow(100, 1, 10, 0, "1/1"), ShareRow(101, 1, 11, 0, "1/1"),
        ShareRow(102, 1, 12, 0, "1/1"), ParcelRow(200, 10, "ABCDEFGH.1", "S", 2147483647),
        LandUseRow(300, 200, "OFU123", "ABCDEFGHIJ", "KLASA1", -2147483648LL),
        ParcelRow(201, 11, "12345678901234567", "X", -2147483648LL), LandUseRow(301, 201, "R", "R", "V", 1),
        ParcelRow(202, 12, "5", "S", 5), LandUseRow(302, 202, "R", "R", "V", 5) });
    Writer().WriteHoldingsTable(1, 'X', nullptr);
    EXPECT_TRUE(MatchesGolden("regon_and_wide_values", Lines()));
}

TEST_F(WriterGolden, AreasPastThirtyTwoBits)
{
    Load({ PrecinctRow(3, "Wola"), UnitRow(10, 3, 1, nullptr, 1), UnitRow(11, 3, 2, nullptr, 1),
        ShareRow(100, 1, 10, 0, "1/1"), ShareRow(101, 1, 11, 0, "1/1"), ParcelRow(200, 10, "1", nullptr, 2000000000),
        LandUseRow(300, 200, "R", "R", "I", 2000000000), ParcelRow(201, 10, "2", nullptr, 2000000000),
        LandUseRow(301, 201, "R", "R", "I", 2000000000), ParcelRow(202, 11, "3", nullptr, 2000000000),
        LandUseRow(302, 202, "R", "R", "I", 2000000000) });
    Writer().WriteHoldingsTable(1, 'X', nullptr);
    EXPECT_TRUE(MatchesGolden("areas_past_thirty_two_bits", Lines()));
    EXPECT_EQ(area.SelectedAreaSum, 6000000000LL);
}

// Without any current row nothing at all is written, not even the header.
TEST_F(WriterTest, SubjectWithoutRowsWritesNothing)
{
    Load({ AddressRows({ .Id = 1, .Kod = "00-950", .Msc = "Warszawa", .Ulc = "Polna", .Nra = "5" }),
        PersonRows({ .Id = 1, .Nzw = "Nowak", .Pim = "Jan", .Radr = 1 }), SmallHolding(2, 500),
        { ShareRow(600, 1, 500, 0, "1/2"), "update UDZIALY set STI = 2 where UID = 600" } });
    WriteListed(PersonKindIndex, 1);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(area.SelectedAreaSum, 0);
}

TEST_F(WriterTest, StatementsArePreparedOncePerWriter)
{
    Load({ AddressRows({ .Id = 1, .Kod = "00-950", .Msc = "Warszawa", .Ulc = "Polna", .Nra = "5" }),
        PersonRows({ .Id = 1, .Nzw = "Nowak", .Pim = "Jan", .Radr = 1 }),
        PersonRows({ .Id = 2, .Nzw = "Nowak", .Pim = "Ewa", .Plec = "K", .Radr = 1 }), SmallHolding(1, 500),
        { ShareRow(600, 2, 500, 0, "1/2"), "insert into MALZENSTWA (ID, MAZ, ZONA) values (1, 1, 2)",
            "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (30, 'M', 1)", ShareRow(601, 30, 500, 0, "1/1") } });
    const MapSubjectRow row { { "nzw", "Nowak" }, { "PIM", "Jan" }, { "dim", "" }, { "oim", "" }, { "mim", "" },
        { "ID_AD", "1" }, { "nrl", "" } };
    StatementWriter& w = Writer();
    for (int i = 0; i < 3; ++i) {
        w.WriteHoldingsTable(1, KindPerson, &row);
        w.WriteHoldingsTable(30, KindMarriage, nullptr);
        w.WriteHoldingsTable(2, KindWife, nullptr);
        w.WriteHoldingsTable(3, KindPerson, &row); // no holdings
    }
    // Holdings, address and couple members statements, each once.
    EXPECT_EQ(w.PreparedStatements(), 3);
    EXPECT_EQ(buffer.lines().size(), 3 * (21u + 22u + 21u)) << FileText(buffer.lines());
}

TEST_F(WriterTest, FindsPersonSubject)
{
    Load({ PersonRows({ .Id = 7, .Nzw = "Nowak", .Pim = "Jan" }),
        { "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (70, 'P', 8)" } });
    EXPECT_EQ(Writer().FindPersonSubjectId(7), 7);
    EXPECT_EQ(Writer().FindPersonSubjectId(8), -1); // an institution's record id, not a person's
    EXPECT_EQ(Writer().FindPersonSubjectId(7), 7);
    EXPECT_EQ(Writer().PreparedStatements(), 1); // one statement, bound anew per lookup
}

// A large group of persons in one run: Firebird takes at most 1500 values in an IN list.
TEST_F(WriterTest, LongRunOfMembersIsFetchedWhole)
{
    Load({ "insert into INNE_PODM (ID, NSK, NPE) values (1, 'W', 'Wsp\xF3lnota')",
        "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (1, 'I', 1)",
        "execute block as declare i integer = 1; begin while (i <= 1600) do begin "
        "insert into OSOBY (ID, NZW, PIM, PLEC) values (:i, 'N', :i, 'M'); "
        "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (1000 + :i, 'F', :i); "
        "insert into INNE_PODM_POW (ID_INNE, ID_PODM) values (1, 1000 + :i); i = i + 1; end end" });
    Writer().WriteGroupMembers(1);
    ASSERT_EQ(Lines().size(), 1601u);
    EXPECT_EQ(Lines()[1600], "       N 1600");
}

// Counts the prepares of each statement text on one connection.
class PrepareCounter : public fb::QueryObserver
{
public:
    void Prepared(const fb::Query& q) override { ++perText[q.sql()]; }
    void Executed(const fb::Query&) override { }
    int MostOfOneText() const
    {
        int most = 0;
        for (const auto& [text, n] : perText)
            most = std::max(most, n);
        return most;
    }
    std::map<std::string, int> perText;
};

// Groups of many sizes: member lists take their ids as parameters in a few list sizes,
// so a writer prepares each text once however many groups it writes, and the padding of
// a list to its size adds no row.
TEST_F(WriterTest, MemberListsArePreparedOnceWhateverTheGroups)
{
    const std::vector<int> personGroups { 1, 2, 3, 5, 8, 13, 21, 34 };
    const std::vector<int> institutionGroups { 1, 3, 4, 17 };
    std::vector<std::string> rows {
        "execute block as declare i integer = 1; begin while (i <= 40) do begin "
        "insert into OSOBY (ID, NZW, PIM, PLEC) values (:i, 'N', :i, 'M'); "
        "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (1000 + :i, 'F', :i); "
        "insert into INSTYTUCJE (ID, NSK, NPE) values (:i, 'I', 'I' || :i); "
        "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (2000 + :i, 'P', :i); i = i + 1; end end"
    };
    std::vector<std::string> expected;
    int group = 0;
    for (const auto& [sizes, base, prefix] :
        { std::tuple { personGroups, 1000, "N " }, { institutionGroups, 2000, "I" } })
        for (const int size : sizes) {
            ++group;
            rows.push_back("insert into INNE_PODM (ID, NSK, NPE) values (" + std::to_string(group) + ", 'G', 'G')");
            expected.push_back("");
            for (int id = 1; id <= size; ++id) {
                rows.push_back("insert into INNE_PODM_POW (ID_INNE, ID_PODM) values (" + std::to_string(group) + ", "
                    + std::to_string(base + id) + ")");
                expected.push_back("       " + std::string(prefix) + std::to_string(id));
            }
        }
    Load(rows);

    PrepareCounter counter;
    db->SetObserver(&counter);
    StatementWriter& w = Writer();
    for (int g = 1; g <= group; ++g)
        w.WriteGroupMembers(g);
    const int prepared = w.PreparedStatements();
    EXPECT_EQ(Lines(), expected);
    for (int g = 1; g <= group; ++g)
        w.WriteGroupMembers(g);
    db->SetObserver(nullptr);

    EXPECT_EQ(counter.MostOfOneText(), 1);
    EXPECT_EQ(w.PreparedStatements(), prepared); // the second pass prepared nothing
    int memberLists = 0;
    for (const auto& [text, n] : counter.perText)
        memberLists += text.find(" IN (") != std::string::npos ? 1 : 0;
    EXPECT_LT(memberLists, group); // fewer statements than lists
    ASSERT_EQ(Lines().size(), 2 * expected.size());
    EXPECT_TRUE(
        std::equal(expected.begin(), expected.end(), Lines().begin() + static_cast<std::ptrdiff_t>(expected.size())));
}

// An error of the data layer leaves at once; the lines already added stay.
class WriterErrorTest : public WriterTest
{
protected:
    void Prepare(TestRegister& r) override { r.Exec("alter table ADRESY drop TAR"); }
};

TEST_F(WriterErrorTest, ErrorKeepsTheLinesAlreadyAdded)
{
    Load({ { "insert into ADRESY (ID, KOD) values (1, '00-950')" },
        PersonRows({ .Id = 1, .Nzw = "Nowak", .Pim = "Jan", .Radr = 1 }), SmallHolding(1, 500) });
    EXPECT_ANY_THROW(WriteListed(PersonKindIndex, 1));
    EXPECT_EQ(Lines(), std::vector<std::string> { "       Nowak Jan" });
}

// A register whose holdings index is missing refuses the plan; the block is written all
// the same, with the server's own access path.
class WriterWithoutIndexTest : public WriterTest
{
protected:
    void Prepare(TestRegister& r) override { r.Exec("drop index UDZ_PODM_JEDN_IDX"); }
};

TEST_F(WriterWithoutIndexTest, HoldingsQueryFallsBackToTheServersPlan)
{
    Load(SmallHolding(1, 500));
    Writer().WriteHoldingsTable(1, '\0', nullptr);
    EXPECT_EQ(Lines().size(), 3u + 15u);
    EXPECT_EQ(Writer().PreparedStatements(), 1);
}

} // namespace
