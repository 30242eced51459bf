// A run of zestawienia-cli that fails leaves no trace: exit status 1 (2 for a usage
// error), the problem named on standard error, no output or summary file, and no
// temporary statement file in the temporary directory.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <signal.h>
#include <string>
#include <thread>
#include <vector>

#include "clirunner.h"
#include "database/database.h"
#include "demoregister.h"
#include "otherprocess.h"
#include "serverregister.h"
#include "tcpforwarder.h"
#include "testregister.h"

namespace zest::test
{
namespace
{

// An embedded demo register whose full statement is about 1.7 MB.
class DemoFile
{
public:
    explicit DemoFile(int subjects)
        : path_(UniqueTempPath("cli-demo"))
    {
        fb::Database db;
        demo::CreateDemoRegister(db, path_, { .subjects = subjects });
        db.Close();
    }
    ~DemoFile() { std::remove(path_.c_str()); }
    DemoFile(const DemoFile&) = delete;
    DemoFile& operator=(const DemoFile&) = delete;
    const std::string& path() const noexcept { return path_; }

private:
    std::string path_;
};

CliEnv TmpDir(const std::string& dir, long fileSizeLimit = -1)
{
    CliEnv env;
    env.set["TMPDIR"] = dir;
    env.fileSizeLimit = fileSizeLimit;
    return env;
}

// The checks every failed run shares.
void ExpectNoTrace(const CliResult& r, const std::string& errorPart, const ScratchDir& tmp, const ScratchDir& outDir)
{
    EXPECT_EQ(r.signal, 0) << "ended by signal " << r.signal << "\n" << r.err;
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("zestawienia-cli: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(errorPart), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Usage:"), std::string::npos) << r.err;
    EXPECT_TRUE(DirectoryNames(tmp.path()).empty())
        << "left in the temporary directory: " << DirectoryNames(tmp.path())[0];
    EXPECT_TRUE(DirectoryNames(outDir.path()).empty())
        << "left beside the output: " << DirectoryNames(outDir.path())[0];
}

std::vector<std::string> FullRun(const std::string& database, const ScratchDir& outDir)
{
    return { "--database", database, "--marks", "all", "--threshold", "0", "--output", outDir / "out.txt",
        "--summary-csv", outDir / "summary.csv" };
}

TEST(CliFailure, TemporaryDirectoryWhereNoFileCanBeMade)
{
    CliRegister reg({});
    ScratchDir tmp, outDir;
    // Nobody, root included, can create a file in /proc/self.
    const CliResult r = RunCli(FullRun(reg.path(), outDir), TmpDir("/proc/self"));
    ExpectNoTrace(r, "Cannot create a temporary file in /proc/self", tmp, outDir);
}

TEST(CliFailure, DiskFullWhileWritingTheStatementFile)
{
    DemoFile demo(800);
    ScratchDir tmp, outDir;
    // The embedded engine itself needs about 1 MiB of lock files; the statements pass 1.6 MB.
    const CliResult r = RunCli(FullRun(demo.path(), outDir), TmpDir(tmp.path(), 1200 * 1024));
    ExpectNoTrace(r, "Cannot write to file " + tmp.path() + "/kp", tmp, outDir);
    EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
}

TEST(CliFailure, DiskFullWhileWritingTheOutputFile)
{
    DemoFile demo(800);
    ScratchDir tmp, outDir;
    std::vector<std::string> args = FullRun(demo.path(), outDir);
    const CliResult cp = RunCli({ "--database", demo.path(), "--marks", "all", "--threshold", "0" });
    const CliResult utf
        = RunCli({ "--database", demo.path(), "--marks", "all", "--threshold", "0", "--encoding", "utf-8" });
    ASSERT_EQ(cp.exitCode, 0) << cp.err;
    ASSERT_LT(cp.out.size() + 1000, utf.out.size());
    // The statement file fits, its UTF-8 copy does not.
    args.insert(args.end(), { "--encoding", "utf-8" });
    const long limit = static_cast<long>((cp.out.size() + utf.out.size()) / 2);
    const CliResult r = RunCli(args, TmpDir(tmp.path(), limit));
    ExpectNoTrace(r, "Cannot write to " + outDir / "out.txt" + ": File too large", tmp, outDir);
}

TEST(CliFailure, DatabaseThatDoesNotExist)
{
    ScratchDir tmp, outDir;
    const CliResult r = RunCli(FullRun(tmp / "missing.fdb", outDir), TmpDir(tmp.path()));
    ExpectNoTrace(r, "missing.fdb", tmp, outDir);
}

// A Polish path and the system's message reach standard error as they read.
TEST(CliFailure, PolishPathsReadOnStandardError)
{
    ScratchDir outDir;
    const std::string missing = outDir / "zażółć/brak";
    const std::string noEntry = std::string(": ") + std::strerror(ENOENT);
    const struct {
        std::vector<std::string> Args;
        std::string Error;
    } cases[] = {
        { { "--output", missing + "/out.txt" }, "Cannot create file " + missing + "/out.txt" + noEntry },
        { { "--password-file", missing + ".pw" }, "Cannot read password file " + missing + ".pw" + noEntry },
    };
    for (const auto& c : cases) {
        std::vector<std::string> args { "--database", outDir / "x.fdb" };
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_EQ(r.err, "zestawienia-cli: " + c.Error + "\n");
    }
}

TEST(CliFailure, UsageErrorsExitTwoWithTheHelpText)
{
    const std::vector<std::vector<std::string>> cases {
        {}, { "--database", "x.fdb", "--kind", "osoby" }, { "--database", "x.fdb", "--threshold", "99999999999" },
        { "--database", "x.fdb", "--toggle", "A/B" },
        { "--database", "x.fdb", "--from", "\xFF" }, // not UTF-8: no Windows-1250 text
    };
    for (const auto& args : cases) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << (args.empty() ? "" : args.back()) << "\n" << r.err;
        EXPECT_NE(r.err.find("Usage: zestawienia-cli --database DB"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

// A user name, password or role with a line break or another control character never
// reaches the connection: status 2 and a message, nothing written.
TEST(CliFailure, CredentialsWithAControlCharacterAreRefused)
{
    ScratchDir tmp, outDir;
    std::ofstream(tmp / "pw", std::ios::binary) << "ab\x01z\n";
    struct Case {
        std::vector<std::string> args;
        std::map<std::string, std::string> env;
        const char* message;
    };
    const std::vector<Case> cases {
        { { "--password", "x\r\nsql_role_name=KIEROWNIK" }, {}, "Hasło zawiera znak sterujący" },
        { {}, { { "ISC_USER", "ANNA\n" } }, "Nazwa użytkownika zawiera znak sterujący" },
        { { "--password-file", tmp / "pw" }, {}, "Hasło zawiera znak sterujący" },
        { { "--role", "R\t" }, {}, "Nazwa roli zawiera znak sterujący" },
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = FullRun(tmp / "absent.fdb", outDir);
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliEnv env = TmpDir(tmp.path());
        env.set.insert(c.env.begin(), c.env.end());
        const CliResult r = RunCli(args, env);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(DirectoryNames(outDir.path()).empty());
    }
}

// Another program has the register open (the embedded engine opens a file for one
// process only): said in Polish, with the engine's text below.
TEST(CliFailure, RegisterOpenInAnotherProgram)
{
    CliRegister reg({});
    const HeldRegister held(reg.path());
    ScratchDir tmp, outDir;
    const CliResult r = RunCli(FullRun(reg.path(), outDir), TmpDir(tmp.path()));
    ExpectNoTrace(r,
        "zestawienia-cli: Rejestr jest otwarty w innym programie; zamknij go tam i spróbuj ponownie.\nI/O error "
        "during \"lock\" operation for file",
        tmp, outDir);
    EXPECT_NE(r.err.find("Database already opened with engine instance"), std::string::npos) << r.err;
}

// ZESTAWIENIA_WIRE_CRYPT: a value that is no setting is refused before anything is made
// (status 2); Required against a server that cannot encrypt fails the connection, saying so.
TEST(CliFailure, WireEncryptionAsTheAdministratorRequiresIt)
{
    ScratchDir tmp, outDir;
    CliEnv env = TmpDir(tmp.path());
    env.set["ZESTAWIENIA_WIRE_CRYPT"] = "always";
    const CliResult invalid = RunCli(FullRun(tmp / "absent.fdb", outDir), env);
    EXPECT_EQ(invalid.exitCode, 2);
    EXPECT_EQ(invalid.err,
        "zestawienia-cli: Nieprawidłowa wartość ZESTAWIENIA_WIRE_CRYPT: 'always' (dozwolone: Required, Enabled, "
        "Disabled); połączenie z bazą nie zostało nawiązane.\n");
    EXPECT_TRUE(DirectoryNames(outDir.path()).empty());

    const PlainWireServer server;
    if (!server.Running())
        GTEST_SKIP() << "no server of the test's own: " << server.why();
    env.set["ZESTAWIENIA_WIRE_CRYPT"] = "Required";
    std::vector<std::string> args = FullRun(server.Name("absent.fdb"), outDir);
    args.insert(args.end(), { "--user", "SYSDBA", "--password", "masterkey" });
    ExpectNoTrace(RunCli(args, env),
        "zestawienia-cli: Program i serwer nie uzgodnili szyfrowania połączenia: jedna strona je wymaga, a druga nie "
        "szyfruje (ZESTAWIENIA_WIRE_CRYPT w programie, WireCrypt na serwerze).\nIncompatible wire encryption levels "
        "requested on client and server",
        tmp, outDir);
}

// Stopped from outside (Ctrl+C, a batch system's kill) while the statement file is
// being written: the tool removes its files and ends with the status 128 + signal.
TEST(CliFailure, TerminatedInTheMiddleOfARun)
{
    DemoFile demo(3000);
    ScratchDir tmp, outDir;
    std::thread killer;
    CliEnv env = TmpDir(tmp.path());
    env.started = [&](pid_t pid) {
        killer = std::thread([&tmp, pid] {
            const auto start = std::chrono::steady_clock::now();
            while (DirectoryNames(tmp.path()).empty()
                && std::chrono::steady_clock::now() - start < std::chrono::seconds(20))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ::kill(pid, SIGTERM);
        });
    };
    const CliResult r = RunCli(FullRun(demo.path(), outDir), env);
    killer.join();
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 128 + SIGTERM) << r.err;
    EXPECT_TRUE(DirectoryNames(tmp.path()).empty());
    EXPECT_TRUE(DirectoryNames(outDir.path()).empty());
}

// A demo register on the loopback server (ZEST_FB_SERVER_HOST), dropped at the end.
// A password file as on a shared machine: only its owner may read it.
std::string PrivatePasswordFile(const ScratchDir& dir, const std::string& password)
{
    const std::string path = dir / "pw";
    std::ofstream(path, std::ios::binary) << password << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    return path;
}

// The connection is cut in the middle of a run through the server, on a plain wire and on
// a compressed one (whose cut packet the client first reports as a request out of step).
// The tool must report the lost connection and end with status 1: no crash on the way out
// (every statement, the one whose fetch failed included, is freed before the client
// library unloads).
TEST(CliFailure, ConnectionLostInTheMiddleOfARun)
{
    ServerRegister server("cli-lost", 3000);
    if (!server.available())
        GTEST_SKIP() << "ZEST_FB_SERVER_HOST is not set";
    for (const char* compression : { "off", "on" }) {
        SCOPED_TRACE(std::string("wire compression ") + compression);
        net::TcpForwarder proxy(3050);
        ScratchDir tmp, outDir, secrets;
        std::vector<std::string> args = FullRun(server.Through(proxy.port()), outDir);
        // The password from a file: a wrong one would fail at once.
        args.insert(args.end(),
            { "--user", "SYSDBA", "--password-file", PrivatePasswordFile(secrets, server.password()),
                "--wire-compression", compression });
        std::thread cutter([&] {
            // Let the run get going (the statements of a few subjects), then cut.
            const auto start = std::chrono::steady_clock::now();
            while (proxy.bytesFromServer() < 100'000
                && std::chrono::steady_clock::now() - start < std::chrono::seconds(20))
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            proxy.Cut();
        });
        const CliResult r = RunCli(args, TmpDir(tmp.path()));
        cutter.join();
        ExpectNoTrace(r, "zestawienia-cli: Połączenie z bazą zostało przerwane.\n", tmp, outDir);
        EXPECT_NE(r.err.find("connection"), std::string::npos) << r.err; // the server's text below
    }
}

// The tool sends its UTF-8 arguments as they are: a password with Polish letters logs in
// from the command line and from a password file, silently when the file is private. A
// server is never tried without a user and a password of the command line or the
// environment: status 2, before anything is made.
TEST(CliFailure, ServerLoginAsTypedAndNeverWithoutCredentials)
{
    ScratchDir tmp, outDir, secrets;
    CliEnv noCredentials = TmpDir(tmp.path());
    noCredentials.set["ISC_USER"] = "";
    noCredentials.set["ISC_PASSWORD"] = "";
    const CliResult refused = RunCli(FullRun("127.0.0.1:/nowhere/r.fdb", outDir), noCredentials);
    EXPECT_EQ(refused.exitCode, 2) << refused.err;
    EXPECT_EQ(refused.err,
        "zestawienia-cli: a database on a server needs a user name and a password: give --user and --password or "
        "--password-file, or set ISC_USER and ISC_PASSWORD\n");
    EXPECT_TRUE(DirectoryNames(tmp.path()).empty() && DirectoryNames(outDir.path()).empty());

    ServerRegister server("cli-login", 20);
    if (!server.available())
        GTEST_SKIP() << "ZEST_FB_SERVER_HOST is not set";
    const std::string user = "ZK" + std::to_string(::getpid());
    const std::string password = "\xC5\xBB\xC3\xB3\xC5\x82w2026"; // Żółw2026
    {
        fb::Database admin;
        admin.DatabaseName = server.Direct();
        admin.SetParamsText("user_name=SYSDBA\r\npassword=" + server.password() + "\r\nlc_ctype=UTF8");
        admin.Open();
        admin.ExecuteImmediate("create or alter user " + user + " password '" + password + "'");
    }
    server.AtEnd("drop user " + user);
    for (const std::vector<std::string>& login : { std::vector<std::string> { "--password", password },
             std::vector<std::string> { "--password-file", PrivatePasswordFile(secrets, password) } }) {
        std::vector<std::string> args = FullRun(server.Direct(), outDir);
        args.insert(args.end(), { "--user", user });
        args.insert(args.end(), login.begin(), login.end());
        const CliResult r = RunCli(args, TmpDir(tmp.path()));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_FALSE(ReadBytes(outDir / "out.txt").empty());
    }
}

} // namespace
} // namespace zest::test
