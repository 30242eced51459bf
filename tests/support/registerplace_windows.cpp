#include "registerplace.h"

#include <cstdio>
#include <random>
#include <stdexcept>

#include "database/database.h"
#include "statement/environment.h"
#include "testregister.h"

namespace zest::test
{

namespace
{

std::string Env(const char* name, const char* fallback = "")
{
    const std::optional<std::string> value = EnvironmentValue(name);
    return value && !value->empty() ? *value : fallback;
}

} // namespace

std::string NewRegisterName(std::string_view stem)
{
    const std::string host = Env("ZEST_FB_SERVER_HOST");
    if (host.empty())
        throw std::runtime_error("no embedded engine on Windows: the test registers need a server "
                                 "(ZEST_FB_SERVER_HOST, ZEST_FB_SERVER_DIR, ZEST_FB_SYSDBA_PASSWORD)");
    // The file name of a local path of this test, apart from the Linux tests' files on
    // the same server.
    const std::string local = UniqueTempPath(stem);
    std::string file = local.substr(local.find_last_of("/\\") + 1);
    // Process ids under wine start again from the same numbers in every run, so a file
    // left on the server by a run that was killed would be met again: a random part too.
    static const std::string run = [] {
        std::random_device random;
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(random()));
        return std::string(hex);
    }();
    file.insert(file.find_last_of('.') == std::string::npos ? file.size() : file.find_last_of('.'), "-" + run);
    return host + ":" + Env("ZEST_FB_SERVER_DIR", "/var/lib/firebird/3.0/data") + "/win-" + file;
}

bool RegistersAreLocalFiles()
{
    return false;
}

reg::RegisterOptions RegisterAccess()
{
    reg::RegisterOptions access;
    access.password = Env("ZEST_FB_SYSDBA_PASSWORD", "masterkey");
    return access;
}

void RemoveRegister(const std::string& name) noexcept
{
    try {
        const reg::RegisterOptions access = RegisterAccess();
        fb::Database db;
        db.DatabaseName = name;
        db.SetCredentials({ access.user, access.password, "" });
        db.Open();
        db.DropDatabase();
    } catch (const std::exception&) {
    }
}

} // namespace zest::test
