// The subject list over an embedded register: rows read on demand, the cursor that the
// statement run walks, the reading rule, and a list that never passes a part for the whole.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "samplerows.h"
#include "statement/subjectlistsql.h"
#include "statement/subjectlistcursor.h"
#include "statement/subjectlist.h"

using namespace zest;
using namespace zest::test;

namespace
{

using Names = std::vector<std::string>;

// Every row from the first, as the statement run walks the list.
Names Walk(SubjectList& list, std::string_view column)
{
    Names names;
    for (list.First(); !list.Eof(); list.Next())
        names.push_back(list.Text(column));
    return names;
}

class Recorder : public SubjectListObserver
{
public:
    void ListAboutToBeReset() override { events.push_back("reset?"); }
    void ListReset() override { events.push_back("reset"); }
    void RowsAboutToBeAppended(int first, int last) override
    {
        events.push_back("append " + std::to_string(first) + ".." + std::to_string(last));
    }
    void RowsAppended() override { }
    void CurrentRowChanged(int row) override { currents.push_back(row); }

    std::vector<std::string> events;
    std::vector<int> currents;
};

class SubjectListData : public SampleRegisterTest
{
};

// Bound quoting and the finer range cases are checked on the statements themselves
// (subjectlist_test.cpp); here each kind goes through the list once with and without a range.
TEST_F(SubjectListData, KindsAndRanges)
{
    struct Case {
        const char* name;
        int kind;
        std::string from, to;
        const char* column;
        Names expected;
    };
    const std::vector<Case> cases = {
        { "persons, no bound: no NULL surname", PersonKindIndex, "", "", "nzw",
            { "K", "Kowalska", "Kowalski", "Nowak", "O'Brien",
                "\xAF"
                "ak" } },
        { "persons, both bounds", PersonKindIndex, "K", "L", "NZW", { "K", "Kowalska", "Kowalski" } },
        { "persons, lower above upper", PersonKindIndex, "Z", "A", "NZW", {} },
        { "institutions, no bound, by short name", InstitutionKindIndex, "", "", "NSK",
            { "Bolim\xF3w Nadl.", "Gm. \xA3owicz", "SP" } },
        { "institutions, both bounds on the full name", InstitutionKindIndex, "G", "O", "NSK",
            { "Bolim\xF3w Nadl.", "Gm. \xA3owicz" } },
        { "institutions, lower above upper", InstitutionKindIndex, "Z", "A", "NSK", {} },
        { "groups, no bound", GroupKindIndex, "", "", "id_os", { "1" } },
        { "groups, both bounds", GroupKindIndex, "W", "X", "NSK", { "Wsp. gr. Zawada" } },
        { "groups, lower above upper", GroupKindIndex, "X", "A", "NPE", {} },
    };
    SubjectList list;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        list.Open(*tr, SubjectListSql(c.kind, c.from, c.to));
        EXPECT_TRUE(list.IsOpen());
        EXPECT_EQ(Walk(list, c.column), c.expected);
        EXPECT_EQ(list.RowCount(), static_cast<int>(c.expected.size()));
    }
}

TEST_F(SubjectListData, ColumnsAsDeliveredAndTheReadingRule)
{
    SubjectList list;
    list.Open(*tr, SubjectListSql(GroupKindIndex, "", ""));
    Names columns;
    for (int c = 0; c < list.ColumnCount(); ++c)
        columns.push_back(list.ColumnName(c));
    EXPECT_EQ(columns, (Names { "NPE", "NSK", "ID_PDM", "TYP", "ID", "ID_AD", "NRL", "ID_OS" }));

    list.Open(*tr, SubjectListSql(PersonKindIndex, "K", "Nowak"));
    list.First();
    EXPECT_EQ(list.Text("nzw"), "K");
    EXPECT_EQ(list.Text("DIM"), ""); // null text
    EXPECT_EQ(list.Integer("Id_Ad"), 0); // null integer
    list.Next();
    list.Next();
    EXPECT_EQ(list.Text("NZW"), "Kowalski");
    EXPECT_EQ(list.Integer("ID_PDM"), 1);
    EXPECT_EQ(list.Integer("id"), 1);
    EXPECT_EQ(list.Letter("Typ"), 'F');
    EXPECT_EQ(list.Letter("Plec"), 'M');
    EXPECT_EQ(list.Integer("id_ad"), 1);
    EXPECT_EQ(list.Integer("nrl"), 4); // a text column read as a number
    EXPECT_THROW(list.Text("no_such_column"), fb::UsageError);
    const SubjectRow& row = list; // what the header block reads
    EXPECT_EQ(row.Text("PIM"), "Jan");
    list.Next();
    EXPECT_EQ(list.Text("NZW"), "Nowak");
    list.Next();
    EXPECT_TRUE(list.Eof());
    EXPECT_EQ(list.Text("NZW"), "Nowak"); // stays on the last row

    list.Open(*tr, SubjectListSql(PersonKindIndex, "Z", "A"));
    list.First();
    EXPECT_TRUE(list.Eof());
    EXPECT_EQ(list.Current(), -1);
    EXPECT_EQ(list.Integer("id_pdm"), 0); // an empty list reads as nulls
    EXPECT_EQ(list.Letter("typ"), '\0');

    list.Close();
    EXPECT_FALSE(list.IsOpen());
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_THROW(list.Integer("id_pdm"), fb::UsageError);
    EXPECT_THROW(list.First(), fb::UsageError); // a run over a list never fetched is an error, not "nothing"
}

// A failing search leaves the list closed, also when a list was open before it.
TEST_F(SubjectListData, FailingOpenLeavesTheListClosed)
{
    SubjectList list;
    Recorder rec;
    list.SetObserver(&rec);
    list.Open(*tr, SubjectListSql(PersonKindIndex, "", ""));
    ASSERT_EQ(list.RowCount(), 6);
    rec.events.clear();
    EXPECT_THROW(list.Open(*tr, "select nzw from no_such_table"), fb::DatabaseError);
    EXPECT_FALSE(list.IsOpen());
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.ColumnCount(), 0);
    EXPECT_EQ(rec.events, (std::vector<std::string> { "reset?", "reset" }));
    list.SetObserver(nullptr);
}

// The transaction ends under an open list: the rows not yet read are gone, and the list
// says so instead of ending early.
TEST_F(SubjectListData, CursorClosedUnderTheListIsAnError)
{
    SubjectList list;
    list.SetFetchBatch(2);
    list.Open(*tr, SubjectListSql(PersonKindIndex, "", ""));
    ASSERT_EQ(list.RowCount(), 2);
    tr->Commit();
    list.First();
    list.Next();
    EXPECT_THROW(list.Next(), std::runtime_error);
    EXPECT_FALSE(list.IsOpen());
    EXPECT_TRUE(list.Eof());
    tr->Start();
}

class LongList : public RegisterTest
{
protected:
    static constexpr int Persons = 600;

    void Prepare(TestRegister& r) override
    {
        r.Exec("execute block as declare i integer = 1; begin while (i <= 600) do begin "
               "insert into OSOBY (ID, NZW, PIM, PLEC) values (:i, 'N' || lpad(:i, 4, '0'), 'X', 'M'); "
               "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (:i, 'F', :i); i = i + 1; end end");
    }

    static std::string Name(int i)
    {
        std::string digits = std::to_string(i);
        return "N" + std::string(4 - digits.size(), '0') + digits;
    }
};

// Rows are read in batches as the walk needs them; every row comes once, in order, and
// a view is told about each batch before the current row moves onto it.
TEST_F(LongList, WalkAcrossBatchesVisitsEveryRowOnce)
{
    SubjectList list;
    Recorder rec;
    list.SetObserver(&rec);
    list.SetFetchBatch(256);
    list.Open(*tr, SubjectListSql(PersonKindIndex, "", ""));
    EXPECT_EQ(list.RowCount(), 256);
    EXPECT_FALSE(list.AllFetched());
    EXPECT_EQ(list.Current(), 0);

    Names expected;
    for (int i = 1; i <= Persons; ++i)
        expected.push_back(Name(i));
    std::vector<int> ids;
    Names names;
    for (list.First(); !list.Eof(); list.Next()) {
        names.push_back(list.Text("NZW"));
        ids.push_back(list.Integer("ID_PDM"));
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(ids.front(), 1);
    EXPECT_EQ(ids.back(), Persons);
    EXPECT_EQ(list.RowCount(), Persons);
    EXPECT_TRUE(list.AllFetched());
    EXPECT_EQ(list.Current(), Persons - 1);
    EXPECT_EQ(rec.events, (std::vector<std::string> { "reset?", "reset", "append 256..511", "append 512..599" }));
    ASSERT_EQ(rec.currents.size(), static_cast<std::size_t>(Persons));
    for (int i = 0; i < Persons; ++i)
        ASSERT_EQ(rec.currents[static_cast<std::size_t>(i)], i);

    // Walking again, as the statement run does, reads nothing more.
    SubjectListCursor cursor(list);
    Names again;
    for (cursor.First(); !cursor.Eof(); cursor.Next())
        again.push_back(cursor.Current().Text("nzw"));
    EXPECT_EQ(again, expected);
    EXPECT_EQ(cursor.Count({}), Persons);
    EXPECT_EQ(rec.events.size(), 4u);
    list.SetObserver(nullptr);
}

TEST_F(LongList, SetCurrentReadsUpToTheRow)
{
    SubjectList list;
    list.SetFetchBatch(100);
    list.Open(*tr, SubjectListSql(PersonKindIndex, "", ""));
    ASSERT_TRUE(list.SetCurrent(450));
    EXPECT_EQ(list.Text("NZW"), Name(451));
    EXPECT_GE(list.RowCount(), 451);
    EXPECT_FALSE(list.SetCurrent(Persons));
    EXPECT_EQ(list.Current(), 450);
    EXPECT_TRUE(list.AllFetched());
    list.Next();
    EXPECT_EQ(list.Text("NZW"), Name(452));
}

// A register whose name index is missing: the list comes without the plan.
class NoNameIndex : public RegisterTest
{
protected:
    void Prepare(TestRegister& r) override
    {
        InsertSampleRows(r);
        r.Exec({ "DROP INDEX NSK_IDX", "DROP INDEX OSOBY_NZW_PIM_IDX" });
    }
};

TEST_F(NoNameIndex, ListsWithoutThePlan)
{
    SubjectList list;
    list.Open(*tr, SubjectListSql(InstitutionKindIndex, "", ""));
    EXPECT_EQ(list.Sql().find("PLAN"), std::string::npos);
    EXPECT_EQ(Walk(list, "NSK"), (Names { "Bolim\xF3w Nadl.", "Gm. \xA3owicz", "SP" }));
    list.Open(*tr, SubjectListSql(PersonKindIndex, "", "L"));
    EXPECT_EQ(Walk(list, "NZW"), (Names { "K", "Kowalska", "Kowalski" }));
}

} // namespace
