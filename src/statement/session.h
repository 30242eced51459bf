#pragma once
// The statement window's hold on the register: one connection, its one transaction, and
// what the start-up loads read through it (precinct names, land-use classes). No widgets:
// the window and any command-line front end share it.

#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>

#include "classmarks.h"
#include "database/database.h"
#include "precincts.h"

namespace zest
{

// A user name, password or role that cannot reach the connection parameters (it holds a
// line break or another control character). The message is Windows-1250 text.
class CredentialsError : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
};

// Throws CredentialsError naming the first field that holds a control character.
void CheckCredentials(const fb::Credentials& credentials);

class StatementSession
{
public:
    StatementSession();
    ~StatementSession();
    StatementSession(const StatementSession&) = delete;
    StatementSession& operator=(const StatementSession&) = delete;

    // The open connection serves these credentials: connected and usable, and the
    // database name, user name and password equal byte for byte to those last given to
    // SetConnectionParams. The role is not compared.
    bool Matches(std::string_view database, std::string_view user, std::string_view password) const;
    // The same, connected or not.
    bool SameLogin(std::string_view database, std::string_view user, std::string_view password) const;

    // How the user name, password and role are written: the host's Windows-1250 (the
    // plug-in), or UTF-8 as a command line gives them (the tool). They reach the server in
    // UTF-8 either way, as the client takes every text of the connection parameters.
    enum class LoginText { Cp1250, Utf8 };

    // The database name (Windows-1250, as every text of the host; the attachment gets it
    // in UTF-8) and the credentials, with the character set WIN1250. Throws
    // CredentialsError (and keeps what it had) when a field holds a control character.
    // Call only while disconnected.
    void SetConnectionParams(std::string_view database, std::string_view user, std::string_view password,
        std::string_view role, LoginText text = LoginText::Cp1250);
    // The credentials as last given to SetConnectionParams, in their own code.
    const fb::Credentials& Login() const noexcept { return login_; }
    // Whether connection parameters have been set, so that Connect can be called.
    bool HasConnectionParams() const noexcept { return !IBDatabase1.DatabaseName.empty(); }

    // Attaches (again, when the connection was lost), with the wire encryption that
    // ZESTAWIENIA_WIRE_CRYPT asks for (wirecrypt.h) and the wire compression of
    // SetWireCompression, else of ZESTAWIENIA_WIRE_COMPRESSION (wirecompression.h);
    // throws WireCryptError or WireCompressionError for a value it does not know,
    // zest::fb::DatabaseError when the server refuses.
    void Connect();
    // Compression of the wire to a server, as the tool's --wire-compression asks for it;
    // none: ZESTAWIENIA_WIRE_COMPRESSION, else the library's default.
    void SetWireCompression(std::optional<bool> on) noexcept { wireCompression_ = on; }
    // Rolls the transaction back and detaches; frees every statement. Never throws.
    void Disconnect() noexcept;
    // Open only while usable: a connection that a statement found lost counts as closed.
    bool Connected() const noexcept { return IBDatabase1.Usable(); }

    // Starts the window's transaction, then runs the start-up loads. Throws.
    void StartTransactionAndLoad();
    // The user the server knows the connection as (the embedded engine's login name when
    // none was given), read through the started transaction; trailing blanks cut.
    std::string ConnectedUser();

    // Precinct names, then land-use classes, through the transaction; the class grid is
    // reset to its header and one empty row first. Throws on any database error.
    static void StartupLoads(fb::Transaction& tr, PrecinctTable& precincts, ClassGrid& classes);
    // The precinct names alone (a run reads them again in its own snapshot).
    static void LoadPrecincts(fb::Transaction& tr, PrecinctTable& precincts);

    // Disconnects every session that exists, for the library's unload when its windows
    // can no longer be destroyed.
    static void DisconnectAll() noexcept;

    fb::Database IBDatabase1;
    // Browsing: read-only read committed, open for the window's life; a statement run
    // reads in a snapshot of its own (RunSnapshot).
    fb::Transaction IBTransaction1 { IBDatabase1, fb::TransactionMode::ReadOnly };
    PrecinctTable Precincts;
    ClassGrid Classes;

private:
    static std::set<StatementSession*>& Live() noexcept;

    fb::Credentials login_;
    std::optional<bool> wireCompression_;
};

} // namespace zest
