// What other processes do to a test, on Windows under wine: nothing here can do it. The
// registers live on the loopback server, which lets any number of processes in; and no
// server of a test's own can be started from a Windows program.
#include "otherprocess.h"

#include <stdexcept>

namespace zest::test
{

HeldRegister::HeldRegister(const std::string&)
{
    throw std::runtime_error("no other process holds a register file on Windows (registers live on a server)");
}

HeldRegister::~HeldRegister() = default;

void HeldRegister::Release() noexcept { }

PlainWireServer::PlainWireServer()
    : why_("a Windows program cannot start a server of its own")
{
}

PlainWireServer::~PlainWireServer() = default;

std::string PlainWireServer::Name(const std::string& fileName) const
{
    return "127.0.0.1/" + std::to_string(port_) + ":" + dir_ + "/" + fileName;
}

} // namespace zest::test
