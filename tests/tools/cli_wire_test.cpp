// The tool's wire compression through our link to the loopback server: the same
// statement bytes with compression on and off, fewer bytes from the server with it,
// --wire-compression winning over ZESTAWIENIA_WIRE_COMPRESSION, and a value of the
// variable that is no setting refused before anything is made.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "clirunner.h"
#include "serverregister.h"
#include "tcpforwarder.h"

namespace zest::test
{
namespace
{

struct WireRun {
    CliResult result;
    std::string statements;
    std::uint64_t fromServer = 0; // bytes through the link
    std::uint64_t toServer = 0;
};

WireRun RunThroughLink(const ServerRegister& server, const std::vector<std::string>& extra, const CliEnv& env)
{
    net::TcpForwarder link(3050);
    ScratchDir out;
    std::vector<std::string> args { "--database", server.Through(link.port()), "--user", "SYSDBA", "--password",
        server.password(), "--marks", "all", "--threshold", "0", "--output", out / "out.txt" };
    args.insert(args.end(), extra.begin(), extra.end());
    WireRun r;
    r.result = RunCli(args, env);
    r.statements = ReadBytes(out / "out.txt");
    r.fromServer = link.bytesFromServer();
    r.toServer = link.bytesToServer();
    return r;
}

TEST(CliWire, CompressionOnAndOffGiveTheSameBytes)
{
    ServerRegister server("cli-wire", 600);
    if (!server.available())
        GTEST_SKIP() << "ZEST_FB_SERVER_HOST is not set";
    const WireRun off = RunThroughLink(server, { "--wire-compression", "off" }, {});
    ASSERT_EQ(off.result.exitCode, 0) << off.result.err;
    ASSERT_GT(off.statements.size(), 100'000u);
    CliEnv on;
    on.set["ZESTAWIENIA_WIRE_COMPRESSION"] = "on";
    const WireRun compressed = RunThroughLink(server, {}, on);
    ASSERT_EQ(compressed.result.exitCode, 0) << compressed.result.err;
    EXPECT_TRUE(compressed.statements == off.statements);
    // The demo register's rows compress several times over (about 7× on a commune).
    EXPECT_LT(compressed.fromServer * 3, off.fromServer)
        << compressed.fromServer << " bytes compressed, " << off.fromServer << " plain";
    // The option wins over the variable.
    CliEnv offByVariable;
    offByVariable.set["ZESTAWIENIA_WIRE_COMPRESSION"] = "off";
    const WireRun byOption = RunThroughLink(server, { "--wire-compression", "on" }, offByVariable);
    ASSERT_EQ(byOption.result.exitCode, 0) << byOption.result.err;
    EXPECT_TRUE(byOption.statements == off.statements);
    EXPECT_LT(byOption.fromServer * 3, off.fromServer);
    // The default (no option, no variable) is the library's: off.
    const WireRun byDefault = RunThroughLink(server, {}, {});
    ASSERT_EQ(byDefault.result.exitCode, 0) << byDefault.result.err;
    EXPECT_TRUE(byDefault.statements == off.statements);
    EXPECT_GT(byDefault.fromServer, compressed.fromServer * 3);
}

TEST(CliWire, AVariableThatIsNoSettingIsRefusedBeforeConnecting)
{
    ScratchDir out;
    CliEnv env;
    env.set["ZESTAWIENIA_WIRE_COMPRESSION"] = "zawsze";
    const CliResult r = RunCli({ "--database", "127.0.0.1:/nowhere/r.fdb", "--user", "SYSDBA", "--password", "x",
                                   "--output", out / "out.txt" },
        env);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_EQ(r.err,
        "zestawienia-cli: Nieprawidłowa wartość ZESTAWIENIA_WIRE_COMPRESSION: 'zawsze' (dozwolone: on, off); "
        "połączenie z bazą nie zostało nawiązane.\n");
    EXPECT_FALSE(FileExists(out / "out.txt"));
    // The option is checked as every other: a usage error.
    const CliResult bad = RunCli({ "--database", "x.fdb", "--wire-compression", "yes" });
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err.rfind("zestawienia-cli: --wire-compression: 'yes' is not one of on, off\n", 0), 0u) << bad.err;
}

} // namespace
} // namespace zest::test
