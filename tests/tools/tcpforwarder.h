#pragma once
// A TCP forwarder on 127.0.0.1 for tests: every accepted connection is joined to a new
// connection to the target port and bytes pass both ways, until Cut() closes every
// socket at once, as a network failure would.

#include <atomic>
#include <cstdint>
#include <thread>

namespace zest::test
{

class TcpForwarder
{
public:
    explicit TcpForwarder(int targetPort);
    ~TcpForwarder();
    TcpForwarder(const TcpForwarder&) = delete;
    TcpForwarder& operator=(const TcpForwarder&) = delete;

    int port() const noexcept { return port_; }
    // Bytes passed so far, both directions.
    std::uint64_t bytesForwarded() const noexcept { return bytes_.load(); }
    // Closes the listening socket and every connection; idempotent.
    void Cut();

private:
    void Loop();

    int targetPort_;
    int port_ = 0;
    int listen_ = -1;
    int wake_[2] = { -1, -1 };
    std::atomic<std::uint64_t> bytes_ { 0 };
    std::atomic<bool> cut_ { false };
    std::thread thread_;
};

} // namespace zest::test
