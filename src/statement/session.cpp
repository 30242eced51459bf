// The statement window's connection and its start-up loads.
#include "session.h"

#include "register/catalogue.h"

namespace zest
{

StatementSession::StatementSession()
{
    Live().insert(this);
}

StatementSession::~StatementSession()
{
    Live().erase(this);
    Disconnect();
}

std::set<StatementSession*>& StatementSession::Live() noexcept
{
    static std::set<StatementSession*> sessions;
    return sessions;
}

void StatementSession::DisconnectAll() noexcept
{
    for (StatementSession* s : Live())
        s->Disconnect();
}

bool StatementSession::Matches(std::string_view database, std::string_view user, std::string_view password) const
{
    return Connected() && IBDatabase1.DatabaseName == database && IBDatabase1.ParamValue("user_name") == user
        && IBDatabase1.ParamValue("password") == password;
}

void StatementSession::SetConnectionParams(
    std::string_view database, std::string_view user, std::string_view password, std::string_view role)
{
    IBDatabase1.DatabaseName = std::string(database);
    IBDatabase1.Params.clear();
    std::string text;
    text.append("user_name=").append(user).append("\r\n");
    text.append("lc_ctype=WIN1250\r\n");
    text.append("password=").append(password).append("\r\n");
    text.append("sql_role_name=").append(role);
    IBDatabase1.SetParamsText(text);
}

void StatementSession::Connect()
{
    IBDatabase1.Open();
}

void StatementSession::Disconnect() noexcept
{
    IBTransaction1.Rollback();
    IBDatabase1.Close();
}

void StatementSession::StartTransactionAndLoad()
{
    IBTransaction1.Start();
    StartupLoads(IBTransaction1, Precincts, Classes);
}

void StatementSession::StartupLoads(fb::Transaction& tr, PrecinctTable& precincts, ClassGrid& classes)
{
    classes.Reset();
    {
        fb::Query q(tr, reg::PrecinctQuery);
        q.Open();
        precincts.Clear();
        while (q.Next())
            precincts.Add(q.AsInteger("id"), q.AsString("naz"));
    }
    fb::Query q(tr, reg::ClassQuery);
    q.Open();
    while (q.Next())
        classes.Add(q.AsString("ofu"), q.AsString("ozu"), q.AsString("ozk"));
}

} // namespace zest
