#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "samplerows.h"
#include "register/catalogue.h"
#include "statement/subjectlistsql.h"

using namespace zest;
using namespace zest::test;

namespace
{

using Table = std::vector<std::vector<std::string>>;

std::string WithId(std::string_view format, int id)
{
    std::string sql(format);
    sql.replace(sql.find("%d"), 2, std::to_string(id));
    return sql;
}

class Catalogue : public SampleRegisterTest
{
protected:
    // Prepares, binds :idp or :PID, opens and reads every row.
    Table Run(std::string_view sql, std::string_view param = {}, int value = 0)
    {
        fb::Query q(*tr, sql);
        if (!param.empty())
            q.SetInteger(param, value);
        q.Open();
        return ReadAll(q);
    }
};

// Every statement of the catalogue prepares and runs, with the rows the sample register
// should give.
TEST_F(Catalogue, EveryStatementRuns)
{
    struct Case {
        std::string name;
        std::string sql;
        std::string param;
        int value;
        std::size_t rows;
    };
    const std::vector<Case> cases = {
        { "precincts", std::string(reg::PrecinctQuery), "", 0, 2 },
        { "classes", std::string(reg::ClassQuery), "", 0, 5 },
        { "husband's marriages", std::string(reg::HusbandMarriagesQuery), "idp", 1, 1 },
        { "wife's marriages", std::string(reg::WifeMarriagesQuery), "idp", 2, 1 },
        { "spouse subject", WithId(reg::SpouseSubjectQuery, 2), "", 0, 1 },
        { "couple members", std::string(reg::CoupleMembersQuery), "idp", 30, 2 },
        { "group members", std::string(reg::GroupMembersQuery), "idp", 1, 3 },
        { "member persons", std::string(reg::MemberPersonsHead) + "(1,3)", "", 0, 2 },
        { "member institutions", std::string(reg::MemberInstitutionsHead) + "(1)", "", 0, 1 },
        { "address", std::string(reg::AddressQuery), "PID", 1, 1 },
        { "holdings", std::string(reg::HoldingsQuery), "idp", 3, 5 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run(c.sql, c.param, c.value).size(), c.rows);
    }
}

// Three kinds, each bound empty or set: every assembled list prepares, keeping its plan.
TEST_F(Catalogue, EveryAssembledListRunsWithItsPlan)
{
    for (int kind : { PersonKindIndex, InstitutionKindIndex, GroupKindIndex })
        for (std::string from : { "", "A" })
            for (std::string to : { "", "\xAF" }) {
                SCOPED_TRACE("kind " + std::to_string(kind) + " od '" + from + "' do '" + to + "'");
                const Table rows = Run(SubjectListSql(kind, from, to));
                EXPECT_FALSE(rows.empty());
            }
}

TEST_F(Catalogue, MarriagesDeliverCoupleAndSpouse)
{
    fb::Query husband(*tr, reg::HusbandMarriagesQuery);
    husband.SetInteger("idp", 1);
    husband.Open();
    ASSERT_TRUE(husband.Next());
    EXPECT_EQ(husband.AsInteger("id_pdm"), 30);
    EXPECT_EQ(husband.AsInteger("Drugi"), 2);

    fb::Query wife(*tr, reg::WifeMarriagesQuery);
    wife.SetInteger("idp", 2);
    wife.Open();
    ASSERT_TRUE(wife.Next());
    EXPECT_EQ(wife.AsInteger("id_pdm"), 30);
    EXPECT_EQ(wife.AsInteger("DRUGI"), 1);
}

// The mended couple query gives the husband's and the wife's rows.
TEST_F(Catalogue, CoupleMembersGiveHusbandAndWife)
{
    fb::Query q(*tr, reg::CoupleMembersQuery);
    q.SetInteger("idp", 30);
    q.Open();
    std::vector<std::string> people;
    while (q.Next()) {
        people.push_back(q.AsString("PLEC") + " " + q.AsString("NZW") + " " + q.AsString("PIM") + " "
            + std::to_string(q.AsInteger("idAD")) + "/" + q.AsString("NRL"));
    }
    std::sort(people.begin(), people.end());
    EXPECT_EQ(people, (std::vector<std::string> { "K Kowalska Anna 1/4", "M Kowalski Jan 1/4" }));
}

// The mended institution plan runs with a range and keeps the order of short names.
TEST_F(Catalogue, InstitutionListWithRangeOrdersByShortName)
{
    fb::Query q(*tr, SubjectListSql(InstitutionKindIndex, "G", "O"));
    q.Open();
    EXPECT_EQ(ReadColumn(q, "NSK"), (std::vector<std::string> { "Bolim\xF3w Nadl.", "Gm. \xA3owicz" }));
}

// RWD NULL is read (as 0), RWD 6 and non-current units, shares, parcels and land uses are
// not, and two share entries in one unit repeat its land uses once per entry.
TEST_F(Catalogue, HoldingsReadOnlyCurrentRowsInOrder)
{
    fb::Query q(*tr, reg::HoldingsQuery);
    q.SetInteger("idp", 3);
    q.Open();
    std::vector<std::string> got;
    bool firstRwdNull = false;
    while (q.Next()) {
        if (got.empty())
            firstRwdNull = q.IsNull("rwd");
        got.push_back(std::to_string(q.AsInteger("OBREB")) + " " + std::to_string(q.AsInteger("JEDNOSTKA")) + " "
            + std::to_string(q.AsInteger("idJROS")) + " rwd" + std::to_string(q.AsInteger("rwd")) + " "
            + q.AsString("DZIALKA") + " " + q.AsString("ozu") + " " + q.AsString("ozk") + " "
            + std::to_string(q.AsInteger("pew")));
    }
    EXPECT_TRUE(firstRwdNull);
    // Rows within one parcel have no order of their own: compare them as sets per share.
    ASSERT_EQ(got.size(), 5u);
    std::sort(got.begin(), got.begin() + 2);
    std::sort(got.begin() + 2, got.begin() + 4);
    EXPECT_EQ(got,
        (std::vector<std::string> {
            "1 5 1000 rwd0 2.115 R IIIa 8000",
            "1 5 1000 rwd0 2.115 \xA3 IV 4000",
            "1 5 1001 rwd0 2.115 R IIIa 8000",
            "1 5 1001 rwd0 2.115 \xA3 IV 4000",
            "2 7 1005 rwd5 77 Ls II 5000",
        }));
}

TEST_F(Catalogue, HoldingsDeliverUnitAndParcelColumns)
{
    fb::Query q(*tr, reg::HoldingsQuery);
    q.SetInteger("idp", 3);
    q.Open();
    ASSERT_TRUE(q.Next());
    EXPECT_EQ(q.AsString("REGON"), "123456789");
    EXPECT_EQ(q.AsInteger("rwl"), 1);
    EXPECT_EQ(q.AsString("ud"), "1/2");
    EXPECT_DOUBLE_EQ(q.AsFloat("ud_nr"), 0.5);
    EXPECT_EQ(q.AsString("arkusz"), "2");
    EXPECT_EQ(q.AsInteger("powDZ"), 12050);
}

TEST_F(Catalogue, ClassQueryLeavesOutNonCurrentLandUses)
{
    const Table rows = Rows(std::string(reg::ClassQuery));
    for (const auto& row : rows)
        EXPECT_NE(row[1], "B") << "land use 902 has status 2";
    // Ordered by land-use code, then class.
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows.front(), (std::vector<std::string> { "Ls", "Ls", "II" }));
}

// Dictionary references that are set, NULL or dangling: the address row comes either way.
TEST_F(Catalogue, AddressQueryKeepsRowsWithMissingDictionaries)
{
    struct Case {
        int id;
        std::vector<std::string> expected; // KOD NRA TAR NAZ PCZ MSC ULC GMN
    };
    const std::vector<Case> cases = {
        { 1, { "99-400", "12", "1", "", "\xA3owicz", "\xA3owicz", "ul. Polna", "\xA3owicz" } },
        { 2, { "99-400", "5", "1", "", "", "Zawada", "", "\xA3owicz" } },
        { 3, { "00-001", "1", "1", "", "", "", "", "" } },
        { 4, { "", "", "2", "ul. D\xB3uga 3;;99-400 \xA3owicz", "", "", "", "" } },
    };
    fb::Query q(*tr, reg::AddressQuery);
    for (const auto& c : cases) {
        SCOPED_TRACE("address " + std::to_string(c.id));
        q.Close();
        q.SetInteger("PID", c.id);
        q.Open();
        ASSERT_TRUE(q.Next());
        std::vector<std::string> got;
        for (auto column : { "KOD", "NRA", "TAR", "NAZ", "PCZ", "MSC", "ULC", "GMN" })
            got.push_back(q.AsString(column));
        EXPECT_EQ(got, c.expected);
        EXPECT_FALSE(q.Next());
    }
}

// A register whose holdings and marriage indexes are keyed otherwise or missing: the
// plans are refused, and without them the statements give the same rows.
class CatalogueOnReindexedRegister : public SampleRegisterTest
{
protected:
    void Prepare(TestRegister& r) override
    {
        SampleRegisterTest::Prepare(r);
        r.Exec({ "DROP INDEX UZYTKI_IDX", "CREATE INDEX UZYTKI_IDX ON UZYTKI (PEW)", "DROP INDEX MAL_MAZ_IDX" });
    }
};

TEST_F(CatalogueOnReindexedRegister, PlannedStatementsFallBack)
{
    for (auto sql : { reg::HoldingsQuery, reg::HusbandMarriagesQuery }) {
        try {
            fb::Query plain(*tr, sql);
            ADD_FAILURE() << "the server accepted the plan of " << sql;
        } catch (const fb::DatabaseError& e) {
            EXPECT_TRUE(e.isPlanRejected()) << e.what();
        }
    }
    auto holdings = PrepareWithPlanFallback(*tr, reg::HoldingsQuery);
    holdings->SetInteger("idp", 3);
    holdings->Open();
    EXPECT_EQ(ReadColumn(*holdings, "idJROS"), (std::vector<std::string> { "1000", "1000", "1001", "1001", "1005" }));

    auto marriages = PrepareWithPlanFallback(*tr, reg::HusbandMarriagesQuery);
    marriages->SetInteger("idp", 1);
    marriages->Open();
    EXPECT_EQ(ReadColumn(*marriages, "Drugi"), (std::vector<std::string> { "2" }));
}

} // namespace
