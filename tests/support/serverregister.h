#pragma once
// A demo register on the loopback server for one test, dropped at its end. Without a
// configured server (ZEST_FB_SERVER_HOST unset) nothing is made and the test skips.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database/database.h"

namespace zest::test
{

class ServerRegister
{
public:
    ServerRegister(std::string_view stem, int subjects);
    ~ServerRegister();
    ServerRegister(const ServerRegister&) = delete;
    ServerRegister& operator=(const ServerRegister&) = delete;

    bool available() const noexcept { return !file_.empty(); }
    const std::string& password() const noexcept { return password_; } // SYSDBA's
    // The connection string straight to the server, and through a link on this port.
    std::string Direct() const { return host_ + ":" + file_; }
    std::string Through(int port) const { return "127.0.0.1/" + std::to_string(port) + ":" + file_; }
    // A second clerk: SYSDBA straight to the server.
    std::unique_ptr<fb::Database> Connect() const;
    // A statement run (committed) before the register is dropped, e.g. dropping a user.
    void AtEnd(std::string sql) { atEnd_.push_back(std::move(sql)); }

private:
    std::string host_, file_, password_;
    std::vector<std::string> atEnd_;
};

// Runs one statement in a transaction of its own and commits it.
void Commit(fb::Database& db, std::string_view sql);

} // namespace zest::test
