#include "serverregister.h"

#include <cstdlib>

#include "demoregister.h"
#include "testregister.h"

namespace zest::test
{

namespace
{

std::string Env(const char* name, const char* fallback = "")
{
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

} // namespace

ServerRegister::ServerRegister(std::string_view stem, int subjects)
    : host_(Env("ZEST_FB_SERVER_HOST"))
    , password_(Env("ZEST_FB_SYSDBA_PASSWORD", "masterkey"))
{
    if (host_.empty())
        return;
    const std::string local = UniqueTempPath(stem);
    const std::string file
        = Env("ZEST_FB_SERVER_DIR", "/var/lib/firebird/3.0/data") + "/" + local.substr(local.rfind('/') + 1);
    fb::Database db;
    demo::CreateDemoRegister(db, host_ + ":" + file, { .subjects = subjects }, { .user = "SYSDBA", .password = password_ });
    file_ = file;
}

ServerRegister::~ServerRegister()
{
    if (!available())
        return;
    try {
        const std::unique_ptr<fb::Database> db = Connect();
        for (const std::string& sql : atEnd_)
            db->ExecuteImmediate(sql);
        db->DropDatabase();
    } catch (const std::exception&) {
    }
}

std::unique_ptr<fb::Database> ServerRegister::Connect() const
{
    auto db = std::make_unique<fb::Database>();
    db->DatabaseName = Direct();
    db->SetCredentials({ "SYSDBA", password_, "" });
    db->Params = { "lc_ctype=WIN1250" };
    db->Open();
    return db;
}

void Commit(fb::Database& db, std::string_view sql)
{
    fb::Transaction tr(db, fb::TransactionMode::Write);
    tr.Start();
    fb::Query q(tr, sql);
    q.Execute();
    tr.Commit();
}

} // namespace zest::test
