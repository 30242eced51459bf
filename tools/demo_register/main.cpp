// zestawienia-demo-register: writes a demo land register for trying the statements out.

#include <QCommandLineParser>
#include <QStringList>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "commandline.h"
#include "database/numbertext.h"
#include "database/scopeexit.h"
#include "demoregister.h"
#include "programargs.h"
#include "statement/fspath.h"
#include "version.h"

namespace
{

constexpr const char* Usage = "usage: zestawienia-demo-register PATH [--subjects N] [--seed S] [--force]\n"
                              "                                  [--user NAME] [--password TEXT]\n"
                              "  PATH        a new database file, or host:path for a server\n"
                              "  --subjects  number of register subjects (default 2000)\n"
                              "  --seed      seed of the generator (default 1); the same seed gives the same register\n"
                              "  --force     replace an existing file\n"
                              "  --user, --password  credentials for a server (default SYSDBA, x)\n"
                              "  --help      this text\n"
                              "  --version   the program's version\n";

struct Arguments {
    std::string path;
    zest::demo::DemoOptions demo;
    zest::reg::RegisterOptions access;
    bool force = false;
    bool help = false;
    bool version = false;
};

// Throws std::invalid_argument with the message for the user.
Arguments Parse(const std::vector<std::string>& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList { "h", "help" });
    const QCommandLineOption version("version");
    const QCommandLineOption subjects("subjects", {}, "N");
    const QCommandLineOption seed("seed", {}, "S");
    const QCommandLineOption force("force");
    const QCommandLineOption user("user", {}, "NAME");
    const QCommandLineOption password("password", {}, "TEXT");
    parser.addOptions({ help, version, subjects, seed, force, user, password });
    if (const auto refusal = zest::tools::Parse(parser, arguments, true)) {
        if (refusal->kind == zest::tools::Refusal::NeedsValue)
            throw std::invalid_argument(refusal->option + " needs a value");
        if (refusal->kind == zest::tools::Refusal::TakesNoValue)
            throw std::invalid_argument(refusal->option + " takes no value");
        throw std::invalid_argument("unknown option " + refusal->argument);
    }

    Arguments args;
    if (parser.isSet(help) || parser.isSet(version)) {
        args.help = parser.isSet(help);
        args.version = !args.help;
        return args;
    }
    const auto value = [&](const QCommandLineOption& option) { return zest::tools::FromParser(parser.value(option)); };
    if (parser.isSet(subjects)) {
        const std::string text = value(subjects);
        const auto n = zest::fb::NumberFromText<int>(text);
        if (!n || *n < zest::demo::MinSubjects || *n > zest::demo::MaxSubjects)
            throw std::invalid_argument("--subjects must be a whole number from "
                + std::to_string(zest::demo::MinSubjects) + " to " + std::to_string(zest::demo::MaxSubjects) + ", not '"
                + text + "'");
        args.demo.subjects = *n;
    }
    if (parser.isSet(seed)) {
        const std::string text = value(seed);
        const auto s = zest::fb::NumberFromText<std::uint64_t>(text);
        if (!s)
            throw std::invalid_argument("--seed must be a non-negative whole number, not '" + text + "'");
        args.demo.seed = *s;
    }
    args.force = parser.isSet(force);
    if (parser.isSet(user))
        args.access.user = value(user);
    if (parser.isSet(password))
        args.access.password = value(password);
    const QStringList paths = parser.positionalArguments();
    if (paths.size() > 1)
        throw std::invalid_argument("only one PATH may be given");
    if (paths.isEmpty() || paths.front().isEmpty())
        throw std::invalid_argument("PATH is missing");
    args.path = zest::tools::FromParser(paths.front());
    return args;
}

// "host:path" (a colon before any slash, and not a lone drive letter) goes to a server.
bool IsServerPath(const std::string& path)
{
    const auto colon = path.find(':');
    return colon != std::string::npos && colon > 1 && path.find('/') > colon;
}

} // namespace

int main(int argc, char** argv)
{
    zest::fb::UseUtf8FileNames();
    Arguments args;
    try {
        args = Parse(zest::tools::ProgramArguments(argc, argv));
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "zestawienia-demo-register: %s\n%s", e.what(), Usage);
        return 2;
    }
    if (args.help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (args.version) {
        std::printf("zestawienia-demo-register %s\n", zest::Version);
        return 0;
    }

    const bool local = !IsServerPath(args.path);
    if (local) {
        std::error_code ec;
        if (std::filesystem::exists(zest::FsPath(args.path), ec)) {
            if (!args.force) {
                std::fprintf(stderr, "zestawienia-demo-register: %s already exists; use --force to replace it\n",
                    args.path.c_str());
                return 1;
            }
            if (!std::filesystem::remove(zest::FsPath(args.path), ec)) {
                std::fprintf(stderr, "zestawienia-demo-register: cannot remove %s: %s\n", args.path.c_str(),
                    ec.message().c_str());
                return 1;
            }
        }
    }

    // The embedded engine's threads end before the process does.
    const zest::ScopeExit shutdown([] { zest::fb::ShutdownClient(); });
    bool created = false;
    try {
        const auto start = std::chrono::steady_clock::now();
        zest::fb::Database db;
        zest::demo::DemoCounts counts;
        try {
            counts = zest::demo::CreateDemoRegister(db, args.path, args.demo, args.access);
        } catch (...) {
            created = db.Connected();
            throw;
        }
        db.Close();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("%s: %d subjects (%d persons, %d couples, %d institutions, %d groups with %d members)\n",
            args.path.c_str(), counts.subjects, counts.persons, counts.couples, counts.institutions, counts.groups,
            counts.groupMembers);
        std::printf("  %d addresses, %d dictionary rows, %d precincts\n", counts.addresses, counts.dictionaryRows,
            counts.precincts);
        std::printf("  %d units, %d shares, %d parcels, %d land uses\n", counts.units, counts.shares, counts.parcels,
            counts.landUses);
        std::printf("  %d rows in %.1f s (seed %llu)\n", counts.Total(), took.count(),
            static_cast<unsigned long long>(args.demo.seed));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zestawienia-demo-register: %s\n", e.what());
        // A register left half filled is of no use; the database is detached by now.
        if (local && created) {
            std::error_code ec;
            std::filesystem::remove(zest::FsPath(args.path), ec);
        }
        return 1;
    }
}
