// Database: the connection parameters, attaching and detaching, and the statements a tool
// runs outside any cursor.

#include <algorithm>
#include <filesystem>

#include "clientstatus.h"
#include "database.h"
#include "namedparams.h"
#include "numbertext.h"
#include "signalkeeper.h"

namespace zest::fb
{

namespace
{

bool HasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

void AppendDpbText(std::string& dpb, char tag, std::string_view value, std::string_view name)
{
    if (value.size() > 255)
        throw UsageError("connection parameter too long: " + std::string(name));
    // A line break or another control character in a name or password is a mistake
    // (or worse), never something the server should be sent.
    if (tag != isc_dpb_config && HasControlCharacter(value))
        throw UsageError("connection parameter holds a control character: " + std::string(name));
    dpb += tag;
    dpb += static_cast<char>(value.size());
    dpb.append(value);
}

std::string ToLowerAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return r;
}

// The client's own wire encryption settings, as firebird.conf spells them.
bool IsWireCryptValue(std::string_view value)
{
    return value == "Required" || value == "Enabled" || value == "Disabled";
}

// The client's own wire compression setting, as firebird.conf spells it.
bool IsWireCompressionValue(std::string_view value)
{
    return value == "true" || value == "false";
}

} // namespace

bool Database::IsRemote(const std::string& databaseName)
{
    // "host:path" and "host/port:path" go to a server; a local path is absolute or has no
    // colon, as the client reads it.
    const std::size_t colon = databaseName.find(':');
    return colon != std::string::npos && colon > 0 && databaseName.front() != '/';
}

void StatusCheck::On(Database& db, const ISC_STATUS* status)
{
    if (!Failed(status))
        return;
    DatabaseError e = MakeError(status);
    db.NoteFailure(e);
    throw e;
}

void Database::NoteFailure(DatabaseError& e) noexcept
{
    // A compressed wire cut in the middle of a packet reports a request out of step
    // ("request synchronization error"), not the network: a ping of the attachment tells
    // a lost connection, whose error then stands for the call's.
    if (!e.isConnectionLost() && e.hasCode(isc_req_sync) && Connected()) {
        Status ping {};
        if (fb_ping(ping, attachment_.ptr()) != 0)
            if (DatabaseError pinged = MakeError(ping); pinged.isConnectionLost())
                e = std::move(pinged);
    }
    if (e.isConnectionLost())
        lost_ = true;
}

Database::Database() = default;

Database::~Database()
{
    Close();
    for (Transaction* t : transactions_)
        t->db_ = nullptr;
}

void Database::SetParamsText(std::string_view text)
{
    Params.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() || end < text.size())
            Params.emplace_back(line);
        start = end + 1;
    }
    while (!Params.empty() && Params.back().empty())
        Params.pop_back();
}

std::string Database::ParamValue(std::string_view name) const
{
    for (const std::string& p : Params) {
        const std::size_t eq = p.find('=');
        if (eq != std::string::npos && NamesEqual(std::string_view(p).substr(0, eq), name))
            return p.substr(eq + 1);
    }
    return {};
}

std::uint32_t Database::LocalCachePages(const std::string& databaseName)
{
    // A server's register keeps the server's setting.
    if (IsRemote(databaseName))
        return 0;
    // The name is UTF-8 (isc_dpb_utf8_filename).
    const std::filesystem::path file(std::u8string(databaseName.begin(), databaseName.end()));
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return 0;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error)
        return 0;
    // Pages of 8 KiB, the size the register is made with; the engine's default is 2048.
    constexpr std::uint32_t DefaultPages = 2048;
    const auto pages = static_cast<std::uint64_t>(size) / 8192 + 1;
    if (pages <= DefaultPages)
        return 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(pages, LocalCacheMaxPages));
}

void Database::Open()
{
    if (Usable())
        return;
    Close();
    std::string dpb;
    dpb += static_cast<char>(isc_dpb_version1);
    std::uint32_t cachePages = 0;
    std::string wireCrypt;
    std::string wireCompression;
    for (const std::string& p : Params) {
        const std::size_t eq = p.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string name = ToLowerAscii(p.substr(0, eq));
        const std::string_view value = std::string_view(p).substr(eq + 1);
        if (credentials_ && (name == "user_name" || name == "password" || name == "sql_role_name"))
            throw UsageError("connection parameter given twice: " + name);
        if (name == "user_name")
            AppendDpbText(dpb, isc_dpb_user_name, value, name);
        else if (name == "password")
            AppendDpbText(dpb, isc_dpb_password, value, name);
        else if (name == "lc_ctype")
            AppendDpbText(dpb, isc_dpb_lc_ctype, value, name);
        else if (name == "sql_role_name")
            AppendDpbText(dpb, isc_dpb_sql_role_name, value, name);
        else if (name == "num_buffers") {
            const auto pages = NumberFromText<std::uint32_t>(value);
            if (!pages || *pages == 0)
                throw UsageError("num_buffers: not a number of pages: " + std::string(value));
            cachePages = *pages;
        } else if (name == "wire_crypt") {
            if (!IsWireCryptValue(value))
                throw UsageError("wire_crypt: not Required, Enabled or Disabled: " + std::string(value));
            wireCrypt = value;
        } else if (name == "wire_compression") {
            if (!IsWireCompressionValue(value))
                throw UsageError("wire_compression: not true or false: " + std::string(value));
            wireCompression = value;
        } else
            throw UsageError("unknown connection parameter: " + name);
    }
    // A field left empty is not sent: the embedded engine then takes the process's login
    // name, the client ISC_USER and ISC_PASSWORD.
    if (credentials_) {
        if (!credentials_->user.empty())
            AppendDpbText(dpb, isc_dpb_user_name, credentials_->user, "user_name");
        if (!credentials_->password.empty())
            AppendDpbText(dpb, isc_dpb_password, credentials_->password, "password");
        if (!credentials_->role.empty())
            AppendDpbText(dpb, isc_dpb_sql_role_name, credentials_->role, "sql_role_name");
    }
    // The attachment's own configuration lines go in one entry, a line each: of several
    // entries the client keeps only the last.
    std::string config;
    if (cachePages == 0)
        cachePages = LocalCachePages(DatabaseName);
    if (cachePages != 0) {
        dpb += static_cast<char>(isc_dpb_num_buffers);
        dpb += static_cast<char>(4);
        for (int shift = 0; shift < 32; shift += 8)
            dpb += static_cast<char>((cachePages >> shift) & 0xFF);
        // The embedded engine in its default mode takes the cache size from its
        // configuration only; the attachment may bring a setting of its own.
        if (!IsRemote(DatabaseName))
            config += "DefaultDbCachePages=" + std::to_string(cachePages) + "\n";
    }
    if (!wireCrypt.empty())
        config += "WireCrypt=" + wireCrypt + "\n";
    // The server follows the client's request; the embedded engine has no wire. Without
    // the parameter and the default off, the client's own setting holds.
    if (IsRemote(DatabaseName)) {
        if (!wireCompression.empty())
            config += "WireCompression=" + wireCompression + "\n";
        else if (WireCompressionByDefault)
            config += "WireCompression=true\n";
    }
    if (!config.empty())
        AppendDpbText(dpb, isc_dpb_config, config, "configuration");
    dpb += static_cast<char>(isc_dpb_sql_dialect);
    dpb += static_cast<char>(1);
    dpb += static_cast<char>(3);
    dpb += static_cast<char>(isc_dpb_utf8_filename);
    dpb += static_cast<char>(0);

    if (DatabaseName.size() > 32000)
        throw UsageError("database name too long");
    Status st {};
    const SignalKeeper signals;
    isc_attach_database(st, static_cast<short>(DatabaseName.size()), DatabaseName.c_str(), attachment_.ptr(),
        static_cast<short>(dpb.size()), dpb.data());
    Check(st);
}

void Database::EndChildren() noexcept
{
    // Statements belong to the attachment, not to a transaction: free them first.
    for (Transaction* t : transactions_)
        t->ReleaseStatements();
    for (Transaction* t : transactions_)
        t->Rollback();
}

void Database::Close() noexcept
{
    EndChildren();
    attachment_.reset();
    lost_ = false;
}

void Database::ExecuteImmediate(std::string_view sql)
{
    if (!Connected())
        throw StateError("Database not connected");
    Transaction tr(*this, TransactionMode::Write);
    tr.Start();
    Status st {};
    isc_dsql_execute_immediate(st, attachment_.ptr(), tr.handlePtr(), static_cast<unsigned short>(0),
        std::string(sql).c_str(), SQL_DIALECT_V6, nullptr);
    StatusCheck::On(*this, st);
    tr.Commit();
}

void Database::CreateDatabase(std::string_view createStatement)
{
    Close();
    Status st {};
    detail::TransactionHandle tr; // the call wants one; CREATE DATABASE starts none
    const SignalKeeper signals;
    isc_dsql_execute_immediate(
        st, attachment_.ptr(), tr.ptr(), 0, std::string(createStatement).c_str(), SQL_DIALECT_V6, nullptr);
    Check(st);
}

void Database::DropDatabase()
{
    if (!Connected())
        throw StateError("Database not connected");
    EndChildren();
    Status st {};
    isc_drop_database(st, attachment_.ptr());
    StatusCheck::On(*this, st);
    attachment_.forget();
}

void ShutdownClient() noexcept
{
    fb_shutdown(0, fb_shutrsn_exit_called);
}

std::string ClientVersion()
{
    char buf[128] = {};
    isc_get_client_version(buf);
    return buf;
}

} // namespace zest::fb
