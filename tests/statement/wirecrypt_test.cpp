// ZESTAWIENIA_WIRE_CRYPT: the values an administrator may give, and the wire a session's
// connection gets with each, on the loopback server (which requires encryption by
// default) and on a server of the test's own that never encrypts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include "database/database.h"
#include "otherprocess.h"
#include "scopedenv.h"
#include "statement/errortext.h"
#include "statement/session.h"
#include "statement/wirecrypt.h"

using namespace zest;

namespace
{

TEST(WireCryptSetting, TheThreeValuesInAnyCaseAndNothingElse)
{
    EXPECT_EQ(WireCryptSetting(nullptr), std::nullopt);
    EXPECT_EQ(WireCryptSetting(""), std::nullopt);
    EXPECT_EQ(WireCryptSetting("required"), "Required");
    EXPECT_EQ(WireCryptSetting("ENABLED"), "Enabled");
    EXPECT_EQ(WireCryptSetting("Disabled"), "Disabled");
    for (const char* bad : { "Require", "Required ", "tak", "Required\nWireCompression=true" })
        EXPECT_THROW(WireCryptSetting(bad), WireCryptError) << bad;
    try {
        WireCryptSetting("tak");
    } catch (const WireCryptError& e) {
        EXPECT_STREQ(e.what(),
            "Nieprawid\xB3owa warto\x9C\xE6 ZESTAWIENIA_WIRE_CRYPT: 'tak' (dozwolone: Required, Enabled, Disabled); "
            "po\xB3\xB9"
            "czenie z baz\xB9 nie zosta\xB3o nawi\xB9zane.");
    }
}

// What the wire of a session's connection is under a setting ("" leaves it unset): TRUE or
// FALSE as the connection reports it, or the error text of the refused connection.
std::string Wire(const std::string& database, const std::string& password, const char* setting)
{
    const test::ScopedEnv env(WireCryptVariable, setting);
    StatementSession s;
    s.SetConnectionParams(database, "SYSDBA", password, "");
    try {
        s.Connect();
    } catch (const fb::DatabaseError& e) {
        EXPECT_FALSE(s.Connected());
        return ErrorText(e);
    }
    s.IBTransaction1.Start();
    fb::Query q(s.IBTransaction1, "select rdb$get_context('SYSTEM', 'WIRE_ENCRYPTED') as w from rdb$database");
    q.Open();
    return q.Next() ? q.AsString("w") : "no row";
}

bool Refused(const std::string& wire)
{
    return wire.starts_with(WireCryptRefusedText)
        && wire.find("Incompatible wire encryption levels") != std::string::npos;
}

// A database made through a server for the length of a test.
struct ServerDatabase {
    ServerDatabase(const std::string& name, const std::string& password)
    {
        db.CreateDatabase(
            "CREATE DATABASE '" + name + "' USER 'SYSDBA' PASSWORD '" + password + "' DEFAULT CHARACTER SET WIN1250");
    }
    ~ServerDatabase()
    {
        try {
            db.DropDatabase();
        } catch (const std::exception&) {
        }
    }
    fb::Database db;
};

TEST(SessionWire, TheLoopbackServerEncryptsUnlessTheSettingDisablesIt)
{
    const char* host = std::getenv("ZEST_FB_SERVER_HOST");
    if (!host || !*host)
        GTEST_SKIP() << "no Firebird server configured";
    const char* dir = std::getenv("ZEST_FB_SERVER_DIR");
    const char* pw = std::getenv("ZEST_FB_SYSDBA_PASSWORD");
    const std::string password = pw && *pw ? pw : "masterkey";
    const std::string name = std::string(host) + ":" + (dir && *dir ? dir : "/var/lib/firebird/3.0/data") + "/wire-"
        + std::to_string(getpid()) + ".fdb";
    const ServerDatabase made(name, password);
    for (const char* setting : { "", "Required", "enabled" })
        EXPECT_EQ(Wire(name, password, setting), "TRUE") << setting;
    // A server that requires encryption (the default) refuses a plain wire.
    const std::string plain = Wire(name, password, "Disabled");
    EXPECT_TRUE(plain == "FALSE" || Refused(plain)) << plain;
}

TEST(SessionWire, AServerThatCannotEncryptIsRefusedWhenEncryptionIsRequired)
{
    const test::PlainWireServer server;
    if (!server.Running())
        GTEST_SKIP() << "no server of the test's own: " << server.why();
    const std::string name = server.Name("wire.fdb");
    const ServerDatabase made(name, "masterkey");
    EXPECT_EQ(Wire(name, "masterkey", ""), "FALSE");
    EXPECT_EQ(Wire(name, "masterkey", "Enabled"), "FALSE");
    EXPECT_EQ(Wire(name, "masterkey", "disabled"), "FALSE");
    const std::string required = Wire(name, "masterkey", "Required");
    EXPECT_TRUE(Refused(required)) << required;
}

} // namespace
