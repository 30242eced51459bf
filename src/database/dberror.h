#pragma once
// Errors of the database layer. Every failing client call ends up here, with the
// server's formatted status text and the codes that let a caller tell a rejected
// plan from a lost connection.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zest::fb
{

class DatabaseError : public std::runtime_error
{
public:
    DatabaseError(std::string message, std::vector<std::int64_t> codes, int sqlCode, std::string sqlState)
        : std::runtime_error(std::move(message))
        , codes_(std::move(codes))
        , sqlCode_(sqlCode)
        , sqlState_(std::move(sqlState))
    {
    }

    // The first ISC error code of the status vector (isc_login, isc_network_error, ...).
    std::int64_t gdsCode() const noexcept { return codes_.empty() ? 0 : codes_.front(); }
    // Every error code of the status vector, in order.
    const std::vector<std::int64_t>& codes() const noexcept { return codes_; }
    bool hasCode(std::int64_t code) const noexcept;
    int sqlCode() const noexcept { return sqlCode_; }
    const std::string& sqlState() const noexcept { return sqlState_; }

    // Connection-level failures: the attachment is gone (network error, a read or write
    // on the connection failed, the server or the attachment shut down) or was never made.
    bool isConnectionLost() const noexcept;
    // The embedded engine of another process holds the database file (it opens a file for
    // one process only).
    bool isOpenedElsewhere() const noexcept;
    // Client and server could not agree on the wire encryption: one side requires it, the
    // other cannot or will not encrypt.
    bool isWireCryptRefused() const noexcept;
    // The server refused a PLAN clause (index missing or not usable for the stream).
    bool isPlanRejected() const noexcept;

private:
    std::vector<std::int64_t> codes_;
    int sqlCode_;
    std::string sqlState_;
};

// A mistake of the calling code rather than of the database: an unknown column or
// parameter name, reading from a closed cursor.
class UsageError : public std::logic_error
{
public:
    using std::logic_error::logic_error;
};

} // namespace zest::fb
