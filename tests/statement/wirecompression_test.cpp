// ZESTAWIENIA_WIRE_COMPRESSION and the session's own setting: the values an
// administrator may give, and whether the connection to the loopback server is
// compressed with each (the server, whose own WireCompression is off, follows the
// client); a register file of the embedded engine takes any setting and has no wire.
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include "database/database.h"
#include "registerplace.h"
#include "scopedenv.h"
#include "statement/errortext.h"
#include "statement/session.h"
#include "statement/wirecompression.h"
#include "testregister.h"

using namespace zest;

namespace
{

TEST(WireCompressionSetting, OnAndOffInAnyCaseAndNothingElse)
{
    EXPECT_EQ(WireCompressionSetting(nullptr), std::nullopt);
    EXPECT_EQ(WireCompressionSetting(""), std::nullopt);
    EXPECT_EQ(WireCompressionSetting("on"), true);
    EXPECT_EQ(WireCompressionSetting("ON"), true);
    EXPECT_EQ(WireCompressionSetting("Off"), false);
    for (const char* bad : { "true", "1", "yes", "on ", "o", "off\nWireCrypt=Disabled" })
        EXPECT_THROW(WireCompressionSetting(bad), WireCompressionError) << bad;
    try {
        WireCompressionSetting("tak");
        ADD_FAILURE() << "no error";
    } catch (const WireSettingError& e) {
        EXPECT_STREQ(e.what(),
            "Nieprawid\xB3owa warto\x9C\xE6 ZESTAWIENIA_WIRE_COMPRESSION: 'tak' (dozwolone: on, off); "
            "po\xB3\xB9"
            "czenie z baz\xB9 nie zosta\xB3o nawi\xB9zane.");
        // The window's connection box shows it under its line, as for the encryption.
        EXPECT_EQ(ConnectErrorDetail(e), e.what());
    }
}

// What a session's connection reports of its wire under the variable ("" leaves it
// unset) and the session's own setting: TRUE, FALSE, or empty for NULL.
std::string Compressed(const std::string& database, const std::string& password, const char* variable,
    std::optional<bool> own = std::nullopt)
{
    const test::ScopedEnv env(WireCompressionVariable, variable);
    StatementSession s;
    s.SetConnectionParams(database, "SYSDBA", password, "");
    s.SetWireCompression(own);
    s.Connect();
    s.IBTransaction1.Start();
    fb::Query q(s.IBTransaction1, "select rdb$get_context('SYSTEM', 'WIRE_COMPRESSED') as c from rdb$database");
    q.Open();
    return q.Next() ? q.AsString("c") : "no row";
}

TEST(SessionWire, TheLoopbackServerCompressesAsTheClientAsks)
{
    const char* host = std::getenv("ZEST_FB_SERVER_HOST");
    if (!host || !*host)
        GTEST_SKIP() << "no Firebird server configured";
    const char* dir = std::getenv("ZEST_FB_SERVER_DIR");
    const char* pw = std::getenv("ZEST_FB_SYSDBA_PASSWORD");
    const std::string password = pw && *pw ? pw : "masterkey";
    const std::string name = std::string(host) + ":" + (dir && *dir ? dir : "/var/lib/firebird/3.0/data")
        + "/compression-" + std::to_string(getpid()) + ".fdb";
    fb::Database made;
    made.CreateDatabase(
        "CREATE DATABASE '" + name + "' USER 'SYSDBA' PASSWORD '" + password + "' DEFAULT CHARACTER SET WIN1250");
    made.Close();
    // A client that cannot load zlib does not ask for compression, and the wire stays
    // plain: so the Windows SDK's client, without zlib1.dll beside fbclient.dll.
    const std::string on = Compressed(name, password, "on");
#ifdef _WIN32
    EXPECT_TRUE(on == "TRUE" || on == "FALSE") << on;
#else
    EXPECT_EQ(on, "TRUE");
#endif
    EXPECT_EQ(Compressed(name, password, ""), fb::Database::WireCompressionByDefault ? on : "FALSE");
    EXPECT_EQ(Compressed(name, password, "OFF"), "FALSE");
    // The session's own setting (the tool's option) wins over the variable.
    EXPECT_EQ(Compressed(name, password, "on", false), "FALSE");
    EXPECT_EQ(Compressed(name, password, "off", true), on);
    // A value that is no setting: nothing is sent.
    EXPECT_THROW(Compressed(name, password, "maybe"), WireCompressionError);
    made.DatabaseName = name;
    made.SetCredentials({ "SYSDBA", password, "" });
    made.Open();
    made.DropDatabase();
}

TEST(SessionWire, ARegisterFileHasNoWireWhateverTheSetting)
{
    if (!test::RegistersAreLocalFiles())
        GTEST_SKIP() << "registers are on the loopback server here";
    const std::string path = test::NewRegisterName("compression");
    {
        fb::Database db;
        db.CreateDatabase("CREATE DATABASE '" + path + "' USER 'SYSDBA' PASSWORD '" + test::RegisterPassword()
            + "' DEFAULT CHARACTER SET WIN1250");
    }
    for (const char* setting : { "", "on", "off" })
        EXPECT_EQ(Compressed(path, test::RegisterPassword(), setting), "") << setting;
    test::RemoveRegister(path);
}

} // namespace
