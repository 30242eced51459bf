// The statement window's connection and start-up loads, on an embedded register.
#include <gtest/gtest.h>

#include <filesystem>

#include "registerplace.h"
#include "statement/codepage.h"
#include "statement/session.h"
#include "testregister.h"

using zest::ClassGrid;
using zest::StatementSession;
using zest::test::TestRegister;

namespace
{

// The credentials go as they are, beside the character set; a field with a line break
// (which once could add a parameter of its own) is refused and changes nothing.
TEST(SessionParamsTest, CredentialsGoAsAStructAndControlCharactersAreRefused)
{
    StatementSession s;
    s.SetConnectionParams("/db/reg.fdb", "JAN", "taj=ne", "");
    EXPECT_EQ(s.IBDatabase1.DatabaseName, "/db/reg.fdb");
    EXPECT_EQ(s.IBDatabase1.Params, (std::vector<std::string> { "lc_ctype=WIN1250" }));
    EXPECT_EQ(s.IBDatabase1.credentials(), (zest::fb::Credentials { "JAN", "taj=ne", "" }));
    EXPECT_THROW(s.SetConnectionParams("/db/b.fdb", "JAN", "x\r\nsql_role_name=KIEROWNIK", ""), zest::CredentialsError);
    EXPECT_THROW(s.SetConnectionParams("/db/b.fdb", "JAN\x7F", "", ""), zest::CredentialsError);
    EXPECT_EQ(s.IBDatabase1.DatabaseName, "/db/reg.fdb");
    EXPECT_EQ(s.IBDatabase1.credentials()->password, "taj=ne");
    // The connection parameters refuse them too, whoever builds them.
    s.IBDatabase1.SetCredentials({ "SYSDBA", "a\nb", "" });
    EXPECT_THROW(s.IBDatabase1.Open(), zest::fb::UsageError);
}

// The client takes every text of the connection parameters as UTF-8: the host's
// Windows-1250 credentials are converted, a tool's UTF-8 ones go as they are. The login is
// compared, and kept for the register of disclosures, in the bytes it was given in.
TEST(SessionParamsTest, CredentialsReachTheClientInUtf8)
{
    StatementSession s;
    s.SetConnectionParams("/db/reg.fdb",
        "Pi\xB3"
        "at",
        "\xAF\xF3\xB3w2026", "Kr\xF3l");
    EXPECT_EQ(s.IBDatabase1.credentials(),
        (zest::fb::Credentials { "Pi\xC5\x82"
                                 "at",
            "\xC5\xBB\xC3\xB3\xC5\x82w2026", "Kr\xC3\xB3l" }));
    EXPECT_EQ(s.Login(),
        (zest::fb::Credentials { "Pi\xB3"
                                 "at",
            "\xAF\xF3\xB3w2026", "Kr\xF3l" }));
    EXPECT_TRUE(s.SameLogin("/db/reg.fdb",
        "Pi\xB3"
        "at",
        "\xAF\xF3\xB3w2026"));
    EXPECT_FALSE(s.SameLogin("/db/reg.fdb",
        "Pi\xC5\x82"
        "at",
        "\xC5\xBB\xC3\xB3\xC5\x82w2026"));

    s.SetConnectionParams("/db/reg.fdb",
        "Pi\xC5\x82"
        "at",
        "\xC5\xBB\xC3\xB3\xC5\x82w2026", "", StatementSession::LoginText::Utf8);
    EXPECT_EQ(s.IBDatabase1.credentials(), s.Login());
    EXPECT_EQ(s.Login().password, "\xC5\xBB\xC3\xB3\xC5\x82w2026");
}

class SessionTest : public testing::Test
{
protected:
    void Connect(const TestRegister& r, const std::string& password = zest::test::RegisterPassword())
    {
        session.SetConnectionParams(r.path(), "SYSDBA", password, "");
        session.Connect();
        session.StartTransactionAndLoad();
    }
    StatementSession session;
};

TEST_F(SessionTest, LoadsPrecinctsAndClassesWithDefaultMarks)
{
    TestRegister r("session-loads");
    r.Exec({ "insert into obreby values (2, 'Kra\x9Cnik')", "insert into obreby values (1, null)",
        "insert into uzytki (id, ofu, ozu, ozk, status) values (1, 'R', 'R', 'IIIa', 0)",
        "insert into uzytki (id, ofu, ozu, ozk, status) values (2, 'Lz', 'Lz', 'V', 1)",
        "insert into uzytki (id, ofu, ozu, ozk, status) values (3, 'R', 'R', 'IIIa', 1)",
        "insert into uzytki (id, ofu, ozu, ozk, status) values (4, 'W', 'Ws', null, 2)",
        "insert into uzytki (id, ofu, ozu, ozk, status) values (5, 'B', '\xA3', 'IV', 0)" });
    Connect(r);
    ASSERT_TRUE(session.IBTransaction1.Active());
    ASSERT_EQ(session.Precincts.Count(), 2);
    EXPECT_EQ(session.Precincts.Slots()[0].Id, 1);
    EXPECT_EQ(session.Precincts.Lookup(1), "");
    EXPECT_EQ(session.Precincts.Lookup(2), "Kra\x9Cnik");

    const ClassGrid& g = session.Classes;
    ASSERT_EQ(g.RowCount(), 4); // header, Lz, R, Ł (status 2 left out, duplicate once)
    EXPECT_EQ(g.Text(1, ClassGrid::ColOzu), "Lz");
    EXPECT_EQ(g.Text(1, ClassGrid::ColKlasa), "V");
    EXPECT_EQ(g.Text(1, ClassGrid::ColMark), "   ");
    EXPECT_EQ(g.Text(2, ClassGrid::ColOzu), "R");
    EXPECT_EQ(g.Text(2, ClassGrid::ColOfu), "R");
    EXPECT_EQ(g.Text(2, ClassGrid::ColMark), "Tak");
    EXPECT_EQ(g.Text(3, ClassGrid::ColOzu), "\xA3");
    EXPECT_EQ(g.Text(3, ClassGrid::ColOfu), "B");
    EXPECT_EQ(g.Text(3, ClassGrid::ColMark), "Tak");
}

TEST_F(SessionTest, NoCurrentLandUseKeepsHeaderAndOneEmptyRow)
{
    TestRegister r("session-noclasses");
    r.Exec("insert into uzytki (id, ofu, ozu, ozk, status) values (1, 'R', 'R', 'I', 3)");
    session.Classes.Add("x", "R", "y"); // left over from an earlier connection
    Connect(r);
    EXPECT_EQ(session.Precincts.Count(), 0);
    EXPECT_EQ(session.Precincts.Lookup(0), "");
    ASSERT_EQ(session.Classes.RowCount(), 2);
    for (int c = 0; c < ClassGrid::ColumnCount; ++c)
        EXPECT_EQ(session.Classes.Text(1, c), "");
}

TEST_F(SessionTest, NullCodesGiveEmptyCells)
{
    TestRegister r("session-nulls");
    r.Exec("insert into uzytki (id, ofu, ozu, ozk, status) values (1, null, null, null, 0)");
    Connect(r);
    ASSERT_EQ(session.Classes.RowCount(), 2);
    EXPECT_EQ(session.Classes.Text(1, ClassGrid::ColOzu), "");
    EXPECT_EQ(session.Classes.Text(1, ClassGrid::ColKlasa), "");
    EXPECT_EQ(session.Classes.Text(1, ClassGrid::ColOfu), "");
    EXPECT_EQ(session.Classes.Text(1, ClassGrid::ColMark), "   ");
}

TEST_F(SessionTest, HoldsEveryPrecinctBeyondAThousandAndForgetsThemOnReconnect)
{
    TestRegister many("session-many");
    many.Exec("execute block as declare i integer = 1; begin while (i <= 1200) do begin "
              "insert into obreby values (:i, 'O' || :i); i = i + 1; end end");
    TestRegister few("session-few");
    few.Exec("insert into obreby values (7, 'Siedem')");

    Connect(many);
    EXPECT_EQ(session.Precincts.Count(), 1200);
    EXPECT_EQ(session.Precincts.Lookup(1001), "O1001");
    EXPECT_EQ(session.Precincts.Lookup(1200), "O1200");

    session.Disconnect();
    EXPECT_FALSE(session.Connected());
    Connect(few);
    EXPECT_EQ(session.Precincts.Count(), 1);
    EXPECT_EQ(session.Precincts.Lookup(7), "Siedem");
    EXPECT_EQ(session.Precincts.Lookup(1001), "");
}

TEST_F(SessionTest, MatchesComparesDatabaseUserAndPasswordOnly)
{
    TestRegister r("session-matches");
    EXPECT_FALSE(session.Matches(r.path(), "SYSDBA", zest::test::RegisterPassword())); // nothing connected
    session.SetConnectionParams(r.path(), "SYSDBA", zest::test::RegisterPassword(), "ROLA");
    session.Connect();
    EXPECT_TRUE(session.Matches(r.path(), "SYSDBA", zest::test::RegisterPassword()));
    EXPECT_FALSE(session.Matches(r.path(), "SYSDBA", "X"));
    EXPECT_FALSE(session.Matches(r.path(), "sysdba", "x"));
    std::string upper = r.path();
    upper.back() = 'B'; // ".fdB"
    EXPECT_FALSE(session.Matches(upper, "SYSDBA", zest::test::RegisterPassword()));
    EXPECT_FALSE(session.Matches(r.path() + " ", "SYSDBA", zest::test::RegisterPassword()));
    session.Disconnect();
    EXPECT_FALSE(session.Matches(r.path(), "SYSDBA", zest::test::RegisterPassword()));
}

// The client takes the locale for file names at its first use, as a tool sets it first.
const bool utf8FileNames = (zest::fb::UseUtf8FileNames(), true);

// The host names the register in Windows-1250; the file's name on disk is UTF-8.
TEST_F(SessionTest, OpensARegisterWhosePathHasPolishLetters)
{
    ASSERT_TRUE(utf8FileNames);
    TestRegister r("session-polish");
    if (!zest::test::RegistersAreLocalFiles())
        GTEST_SKIP() << "the register is on a server: no file to copy";
    const std::filesystem::path dir = zest::test::UniqueTempPath("za\u017C\u00F3\u0142\u0107", "");
    std::filesystem::create_directory(dir);
    const std::string utf8 = (dir / "rejestr-\u0141\u00F3d\u017A.fdb").string();
    std::filesystem::copy_file(r.path(), utf8);
    const std::string cp1250 = *zest::cp1250::FromUtf8(utf8, zest::cp1250::Refuse);
    session.SetConnectionParams(cp1250, "SYSDBA", zest::test::RegisterPassword(), "");
    session.Connect();
    EXPECT_TRUE(session.Matches(cp1250, "SYSDBA", zest::test::RegisterPassword()));
    session.Disconnect();
    std::filesystem::remove_all(dir);
}

TEST_F(SessionTest, MissingTableFailsTheLoadsAfterConnecting)
{
    TestRegister r("session-noobreby");
    r.Exec("drop table obreby");
    session.SetConnectionParams(r.path(), "SYSDBA", zest::test::RegisterPassword(), "");
    session.Connect();
    EXPECT_THROW(session.StartTransactionAndLoad(), zest::fb::DatabaseError);
}

TEST_F(SessionTest, RefusedConnectionThrowsAndStaysDisconnected)
{
    session.SetConnectionParams(
        zest::test::UniqueTempPath("session-absent"), "SYSDBA", zest::test::RegisterPassword(), "");
    EXPECT_THROW(session.Connect(), zest::fb::DatabaseError);
    EXPECT_FALSE(session.Connected());
}

TEST_F(SessionTest, DisconnectAllClosesEveryLiveSession)
{
    TestRegister r("session-all");
    StatementSession other;
    Connect(r);
    other.SetConnectionParams(r.path(), "SYSDBA", zest::test::RegisterPassword(), "");
    other.Connect();
    StatementSession::DisconnectAll();
    EXPECT_FALSE(session.Connected());
    EXPECT_FALSE(other.Connected());
}

} // namespace
