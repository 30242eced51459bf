#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "statement/listedsubjects.h"
#include "statement/subjectlistsql.h"
#include "testregister.h"

using namespace zest;
using namespace zest::test;

namespace
{

// Persons 1 (Nowak, subject 10) and 2 (Kowalska, subject 20), married (couple subject
// 30); person 3 (Zieliński, subject 40); institution 50. Precinct 1 holds a share of
// subject 10, precinct 2 one of the couple, precinct 3 only a share no longer current.
class ListedSubjectsTest : public RegisterTest
{
protected:
    void Prepare(TestRegister& r) override
    {
        r.Exec({ "insert into OSOBY (ID, NZW, PIM, PLEC) values (1, 'Nowak', 'Jan', 'M')",
            "insert into OSOBY (ID, NZW, PIM, PLEC) values (2, 'Kowalska', 'Anna', 'K')",
            "insert into OSOBY (ID, NZW, PIM, PLEC) values (3, 'Zieli\xF1ski', 'Piotr', 'M')",
            "insert into INSTYTUCJE (ID, NSK, NPE) values (5, 'GMINA', 'Gmina Wola')",
            "insert into MALZENSTWA (ID, MAZ, ZONA) values (7, 1, 2)", "insert into PODMIOTY values (10, 'F', 1)",
            "insert into PODMIOTY values (20, 'F', 2)", "insert into PODMIOTY values (30, 'M', 7)",
            "insert into PODMIOTY values (40, 'F', 3)", "insert into PODMIOTY values (50, 'P', 5)",
            "insert into JEDN_REJ (ID, ID_OBR, IJR, STI) values (100, 1, 1, 0)",
            "insert into JEDN_REJ (ID, ID_OBR, IJR, STI) values (200, 2, 1, 1)",
            "insert into JEDN_REJ (ID, ID_OBR, IJR, STI) values (300, 3, 1, 0)",
            "insert into UDZIALY (UID, ID_PODM, ID_JEDN, STI) values (1, 10, 100, 0)",
            "insert into UDZIALY (UID, ID_PODM, ID_JEDN, STI) values (2, 30, 200, 0)",
            "insert into UDZIALY (UID, ID_PODM, ID_JEDN, STI) values (3, 40, 300, 2)",
            "insert into UDZIALY (UID, ID_PODM, ID_JEDN, STI) values (4, 50, 100, 1)" });
    }

    std::vector<std::string> ListIds(int kind, std::optional<std::int32_t> precinct)
    {
        return ReadColumn(*Open(SubjectListSql(kind, "", "", precinct)), "id_pdm");
    }
};

TEST_F(ListedSubjectsTest, KeepsTheListsOrderAndSetsAsideTheRest)
{
    ListedSubjects list(*tr, PersonKindIndex, { 40, 999, 10, 50, 30, 10, 20 });
    std::vector<std::int32_t> walked;
    for (list.First(); !list.Eof(); list.Next()) {
        walked.push_back(list.Current().Integer("id_pdm"));
        EXPECT_EQ(list.HoldCurrent()->Text("NZW"), list.Current().Text("NZW"));
    }
    EXPECT_EQ(walked, (std::vector<std::int32_t> { 40, 10, 20 }));
    EXPECT_EQ(list.Count({}), 3);
    std::vector<std::string> reasons;
    for (const auto& s : list.SetAsideIds())
        reasons.push_back(std::to_string(s.Id) + " " + s.Reason);
    EXPECT_EQ(reasons,
        (std::vector<std::string> { "999 not in the register", "50 is an institution, not a natural person",
            "30 is a married couple, not a natural person", "10 listed again" }));

    ListedSubjects institutions(*tr, InstitutionKindIndex, { 50 });
    ASSERT_EQ(institutions.RowCount(), 1);
    EXPECT_EQ(institutions.Current().Text("NSK"), "GMINA");
    EXPECT_TRUE(ListedSubjects(*tr, PersonKindIndex, {}).Eof());
}

// A person counts through a marriage too; a share no longer current does not count.
TEST_F(ListedSubjectsTest, PrecinctLimitsTheList)
{
    EXPECT_EQ(ListIds(PersonKindIndex, 1), (std::vector<std::string> { "10" }));
    EXPECT_EQ(ListIds(PersonKindIndex, 2), (std::vector<std::string> { "20", "10" }));
    EXPECT_TRUE(ListIds(PersonKindIndex, 3).empty());
    EXPECT_EQ(ListIds(InstitutionKindIndex, 1), (std::vector<std::string> { "50" }));
    EXPECT_TRUE(ListIds(InstitutionKindIndex, 2).empty());
    EXPECT_EQ(ListIds(PersonKindIndex, std::nullopt).size(), 3u);
}

} // namespace
