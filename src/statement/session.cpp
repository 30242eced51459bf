// The statement window's connection and its start-up loads.
#include "session.h"

#include <algorithm>

#include "codepage.h"
#include "register/catalogue.h"
#include "wirecompression.h"
#include "wirecrypt.h"

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

void CheckCredentials(const fb::Credentials& c)
{
    const auto control = [](std::string_view text) {
        return std::any_of(text.begin(), text.end(), [](char ch) {
            const auto u = static_cast<unsigned char>(ch);
            return u < 0x20 || u == 0x7F;
        });
    };
    const char* field = control(c.user) ? "Nazwa u\xBFytkownika zawiera"
        : control(c.password)           ? "Has\xB3o zawiera"
        : control(c.role)               ? "Nazwa roli zawiera"
                                        : nullptr;
    if (field)
        throw CredentialsError(std::string(field)
            + " znak steruj\xB9"
              "cy (np. koniec wiersza); po\xB3\xB9"
              "czenie z baz\xB9 nie zosta\xB3o nawi\xB9zane.");
}

bool StatementSession::Matches(std::string_view database, std::string_view user, std::string_view password) const
{
    return Connected() && SameLogin(database, user, password);
}

bool StatementSession::SameLogin(std::string_view database, std::string_view user, std::string_view password) const
{
    return IBDatabase1.credentials() && IBDatabase1.DatabaseName == cp1250::ToUtf8(database) && login_.user == user
        && login_.password == password;
}

void StatementSession::SetConnectionParams(
    std::string_view database, std::string_view user, std::string_view password, std::string_view role, LoginText text)
{
    fb::Credentials given { std::string(user), std::string(password), std::string(role) };
    CheckCredentials(given);
    fb::Credentials sent = given;
    if (text == LoginText::Cp1250)
        sent = { cp1250::ToUtf8(user), cp1250::ToUtf8(password), cp1250::ToUtf8(role) };
    IBDatabase1.DatabaseName = cp1250::ToUtf8(database);
    IBDatabase1.Params = { "lc_ctype=WIN1250" };
    IBDatabase1.SetCredentials(std::move(sent));
    login_ = std::move(given);
}

void StatementSession::Connect()
{
    const std::optional<std::string> wireCrypt = WireCryptFromEnvironment();
    std::erase_if(IBDatabase1.Params, [](const std::string& p) { return p.starts_with("wire_crypt="); });
    if (wireCrypt)
        IBDatabase1.Params.push_back("wire_crypt=" + *wireCrypt);
    const std::optional<bool> compression = wireCompression_ ? wireCompression_ : WireCompressionFromEnvironment();
    std::erase_if(IBDatabase1.Params, [](const std::string& p) { return p.starts_with("wire_compression="); });
    if (compression)
        IBDatabase1.Params.push_back(std::string("wire_compression=") + (*compression ? "true" : "false"));
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

std::string StatementSession::ConnectedUser()
{
    fb::Query q(IBTransaction1, reg::CurrentUserQuery);
    q.Open();
    std::string user = q.Next() ? q.AsString("u") : std::string();
    user.erase(user.find_last_not_of(' ') + 1);
    return user;
}

void StatementSession::StartupLoads(fb::Transaction& tr, PrecinctTable& precincts, ClassGrid& classes)
{
    classes.Reset();
    LoadPrecincts(tr, precincts);
    fb::Query q(tr, reg::ClassQuery);
    q.Open();
    while (q.Next())
        classes.Add(q.AsString("ofu"), q.AsString("ozu"), q.AsString("ozk"));
}

void StatementSession::LoadPrecincts(fb::Transaction& tr, PrecinctTable& precincts)
{
    fb::Query q(tr, reg::PrecinctQuery);
    q.Open();
    precincts.Clear();
    while (q.Next())
        precincts.Add(q.AsInteger("id"), q.AsString("naz"));
}

} // namespace zest
