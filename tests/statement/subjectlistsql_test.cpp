#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "samplerows.h"
#include "statement/subjectlistsql.h"

using namespace zest;
using namespace zest::test;

namespace
{

using Names = std::vector<std::string>;

// The statement texts as the window sends them.
TEST(SubjectListSql, AssemblesPieces)
{
    EXPECT_EQ(SubjectListSql(PersonKindIndex, "", ""),
        "select NZW,PIM,DIM,OIM,MIM,id_pdm, typ, id, Plec,RADR as id_ad, Nrl from OSOBY, Podmioty where osoby.id = "
        "Podmioty.id_os and PODMIOTY.TYP = 'F' and nzw >= ''  PLAN SORT (JOIN (osoby index "
        "(OSOBY_NZW_PIM_IDX),podmioty INDEX (typ_os_idx))) order by NZW,PIM,DIM");
    EXPECT_EQ(SubjectListSql(InstitutionKindIndex, "A", "M"),
        "select NSK, NPE, ID_PDM, typ, id, RADR as id_ad, NrLok as NRL from INSTYTUCJE i, Podmioty where I.id = "
        "Podmioty.id_os and PODMIOTY.TYP = 'P' and npe >= 'A' and npe <= 'M'  PLAN SORT (JOIN (i index "
        "(NSK_IDX),podmioty INDEX (typ_os_idx))) order by NSK");
    EXPECT_EQ(SubjectListSql(7, "", "Z "),
        "select NPE, NSK, ID_PDM, typ,id, RADR as id_ad, NrLok as NRL,id_os from INNE_PODM, Podmioty where "
        "INNE_PODM.id = Podmioty.id_os and PODMIOTY.TYP = 'I' and npe <= 'Z ' order by NPE");
}

TEST(SubjectListSql, DoublesQuotesInBounds)
{
    const std::string sql = SubjectListSql(PersonKindIndex, "O'Brien", "' or 1=1 --");
    EXPECT_NE(sql.find(" and nzw >= 'O''Brien' and nzw <= ''' or 1=1 --'  PLAN"), std::string::npos) << sql;
}

struct PlanCase {
    const char* name;
    const char* sql;
    const char* expected;
};

class WithoutPlanCases : public testing::TestWithParam<PlanCase>
{
};

TEST_P(WithoutPlanCases, RemovesOnlyThePlan)
{
    EXPECT_EQ(WithoutPlan(GetParam().sql), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Plans, WithoutPlanCases,
    testing::Values(PlanCase { "NoPlan", "select a from t order by a", "select a from t order by a" },
        PlanCase { "SortJoin", "select a from t where x = 1  PLAN SORT (JOIN (t index (I1),u INDEX (i2))) order by a",
            "select a from t where x = 1   order by a" },
        PlanCase { "LowerCaseOnItsOwnLine", "select a\nfrom t\nplan (t natural)\norder by a",
            "select a\nfrom t\n\norder by a" },
        PlanCase { "InQuotesStays", "select 'PLAN (x)' from t", "select 'PLAN (x)' from t" },
        PlanCase { "DoubledQuoteBeforePlan", "select a from t where n = 'O''Brien' PLAN (t natural)",
            "select a from t where n = 'O''Brien' " },
        PlanCase { "CommentStays", "select a -- PLAN (t natural)\nfrom t", "select a -- PLAN (t natural)\nfrom t" },
        PlanCase { "PartOfAName", "select planned from t_plan", "select planned from t_plan" },
        PlanCase { "UnionOfTwo", "select a from t plan (t natural) union select b from u plan (u natural)",
            "select a from t  union select b from u " },
        PlanCase { "Unclosed", "select a from t plan (t natural", "select a from t plan (t natural" }),
    [](const testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });

class SubjectList : public SampleRegisterTest
{
protected:
    Names List(int kind, std::string_view from, std::string_view to, std::string_view column)
    {
        auto q = PrepareWithPlanFallback(*tr, SubjectListSql(kind, from, to));
        q->Open();
        return ReadColumn(*q, column);
    }
};

// Name ranges of the person list: the bounds are inclusive texts compared by the server;
// quotes in a bound are only text.
TEST_F(SubjectList, PersonRanges)
{
    struct Case {
        const char* name;
        std::string from, to;
        Names surnames;
    };
    const std::vector<Case> cases = {
        { "both empty: no NULL surname", "", "",
            { "K", "Kowalska", "Kowalski", "Nowak", "O'Brien",
                "\xAF"
                "ak" } },
        { "upper K stops at K itself", "", "K", { "K" } },
        { "upper L takes every K name", "K", "L", { "K", "Kowalska", "Kowalski" } },
        { "lower above upper", "Z", "A", {} },
        { "apostrophe in a name", "O'Brien", "O'Brien", { "O'Brien" } },
        { "injection as upper bound", "", "' or 1=1 --", {} },
        { "injection as both bounds", "' or 1=1 --", "' or 1=1 --", {} },
        { "lower bound only", "O", "",
            { "O'Brien",
                "\xAF"
                "ak" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(List(PersonKindIndex, c.from, c.to, "NZW"), c.surnames);
    }
}

TEST_F(SubjectList, InstitutionsAndGroups)
{
    EXPECT_EQ(List(InstitutionKindIndex, "", "", "NSK"), (Names { "Bolim\xF3w Nadl.", "Gm. \xA3owicz", "SP" }));
    EXPECT_EQ(List(InstitutionKindIndex, "S", "", "NPE"), (Names { "Skarb Pa\xF1stwa" }));
    EXPECT_EQ(List(InstitutionKindIndex, "", "' or ''='", "NPE"), Names {});
    EXPECT_EQ(List(GroupKindIndex, "", "", "id_os"), (Names { "1" }));
    EXPECT_EQ(List(GroupKindIndex, "X", "", "id_os"), Names {});
}

// The hidden columns that the statement run and the header read.
TEST_F(SubjectList, ListsCarryTheirIds)
{
    auto q = PrepareWithPlanFallback(*tr, SubjectListSql(PersonKindIndex, "Kowalski", "Kowalski"));
    q->Open();
    ASSERT_TRUE(q->Next());
    EXPECT_EQ(q->AsInteger("id_pdm"), 1);
    EXPECT_EQ(q->AsString("typ"), "F");
    EXPECT_EQ(q->AsInteger("id"), 1);
    EXPECT_EQ(q->AsString("plec"), "M");
    EXPECT_EQ(q->AsInteger("id_ad"), 1);
    EXPECT_EQ(q->AsString("nrl"), "4");

    auto g = PrepareWithPlanFallback(*tr, SubjectListSql(GroupKindIndex, "", ""));
    g->Open();
    ASSERT_TRUE(g->Next());
    EXPECT_EQ(g->FieldCount(), 8);
    EXPECT_EQ(g->AsInteger("id_pdm"), 20);
    EXPECT_EQ(g->AsInteger("id_ad"), 2);
}

// A register in the field whose indexes do not fit the plans: the server refuses the plan,
// and the list comes without it, in the same order.
struct ReindexCase {
    const char* name;
    std::vector<const char*> ddl;
};

class PlanFallback : public RegisterTest, public testing::WithParamInterface<ReindexCase>
{
protected:
    void Prepare(TestRegister& r) override
    {
        InsertSampleRows(r);
        for (const char* sql : GetParam().ddl)
            r.Exec(sql);
    }
};

TEST_P(PlanFallback, ListsComeWithoutThePlan)
{
    const std::string institutions = SubjectListSql(InstitutionKindIndex, "", "");
    try {
        fb::Query plain(*tr, institutions);
        plain.Open();
        FAIL() << "the server accepted the plan";
    } catch (const fb::DatabaseError& e) {
        EXPECT_TRUE(e.isPlanRejected()) << e.what();
    }

    auto q = PrepareWithPlanFallback(*tr, institutions);
    EXPECT_EQ(q->sql().find("PLAN"), std::string::npos);
    q->Open();
    EXPECT_EQ(ReadColumn(*q, "NSK"), (Names { "Bolim\xF3w Nadl.", "Gm. \xA3owicz", "SP" }));

    auto ranged = PrepareWithPlanFallback(*tr, SubjectListSql(InstitutionKindIndex, "G", "O"));
    ranged->Open();
    EXPECT_EQ(ReadColumn(*ranged, "NSK"), (Names { "Bolim\xF3w Nadl.", "Gm. \xA3owicz" }));

    auto persons = PrepareWithPlanFallback(*tr, SubjectListSql(PersonKindIndex, "", "L"));
    persons->Open();
    EXPECT_EQ(ReadColumn(*persons, "NZW"), (Names { "K", "Kowalska", "Kowalski" }));
}

INSTANTIATE_TEST_SUITE_P(Registers, PlanFallback,
    testing::Values(
        ReindexCase { "NameIndexKeyedOnId", { "DROP INDEX NSK_IDX", "CREATE INDEX NSK_IDX ON INSTYTUCJE (ID)" } },
        ReindexCase { "NameIndexMissing", { "DROP INDEX NSK_IDX" } },
        ReindexCase { "KindIndexMissing", { "DROP INDEX TYP_OS_IDX" } }),
    [](const testing::TestParamInfo<ReindexCase>& info) { return std::string(info.param.name); });

TEST_F(SubjectList, OtherErrorsAreNotSwallowed)
{
    try {
        PrepareWithPlanFallback(*tr, "select x from no_such_table PLAN (no_such_table natural)");
        FAIL() << "prepared a statement on a missing table";
    } catch (const fb::DatabaseError& e) {
        EXPECT_FALSE(e.isPlanRejected()) << e.what();
    }
}

} // namespace
