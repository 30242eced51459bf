#pragma once
// What other processes do to a test: another program holding a register file open, and a
// Firebird server of the test's own that never encrypts its wire.

#include <string>
#include <sys/types.h>

namespace zest::test
{

// The register file opened by another process (zest-hold-register) for as long as this
// object lives, as another program with the register open holds it. Throws when the
// process cannot open it.
class HeldRegister
{
public:
    explicit HeldRegister(const std::string& path);
    ~HeldRegister();
    HeldRegister(const HeldRegister&) = delete;
    HeldRegister& operator=(const HeldRegister&) = delete;

private:
    void Release() noexcept; // lets the register go and waits for the holder to end
    pid_t pid_ = -1;
    int input_ = -1; // the holder's standard input: closing it lets the register go
};

// A server on a port of 127.0.0.1 of its own, configured with WireCrypt = Disabled, that
// shares nothing with the loopback server of the other tests (plainwire_server.sh): its
// own configuration, security database (SYSDBA, password masterkey) and lock directory.
// Stopped and removed by the destructor.
class PlainWireServer
{
public:
    PlainWireServer();
    ~PlainWireServer();
    PlainWireServer(const PlainWireServer&) = delete;
    PlainWireServer& operator=(const PlainWireServer&) = delete;

    // False when no server could be started here (no server program, not permitted);
    // why() says why.
    bool Running() const noexcept { return port_ != 0; }
    const std::string& why() const noexcept { return why_; }
    // A connection string through this server for a file in its directory.
    std::string Name(const std::string& fileName) const;

private:
    std::string dir_, why_;
    int port_ = 0;
};

} // namespace zest::test
