#pragma once
// A TCP forwarder on 127.0.0.1, a link between a client and a server that tests and the
// benchmark can slow down and cut. Every accepted connection is joined to a new
// connection to the target port and bytes pass both ways. With a round-trip time R,
// every chunk read on one side is written to the other R/2 after it arrived, in each
// direction, without waiting for the chunks before it (a latency, not a bandwidth
// limit). It counts round trips: a client's turn to send after the server has answered.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace zest::net
{

class TcpForwarder
{
public:
    explicit TcpForwarder(int targetPort, std::chrono::microseconds roundTrip = {});
    ~TcpForwarder();
    TcpForwarder(const TcpForwarder&) = delete;
    TcpForwarder& operator=(const TcpForwarder&) = delete;

    int port() const noexcept { return port_; }
    // Bytes passed so far, both directions.
    std::uint64_t bytesForwarded() const noexcept { return bytes_.load(); }
    // Client turns so far: the first bytes a client sends on a connection, and every
    // later send that follows bytes of the server.
    std::uint64_t roundTrips() const noexcept { return roundTrips_.load(); }
    // Connections joined so far.
    std::uint64_t connections() const noexcept { return connections_.load(); }

    // Closes the listening socket and every connection, as a network failure would;
    // idempotent.
    void Cut();
    // Closes every connection but keeps listening, as a server restart or a dropped
    // line would: a client that connects again gets through. Returns once they are closed.
    void DropConnections();

private:
    void Loop();
    void Wake(char command);

    int targetPort_;
    std::chrono::microseconds half_;
    int port_ = 0;
    int listen_ = -1;
    int wake_[2] = { -1, -1 };
    std::atomic<std::uint64_t> bytes_ { 0 };
    std::atomic<std::uint64_t> roundTrips_ { 0 };
    std::atomic<std::uint64_t> connections_ { 0 };
    std::atomic<std::uint64_t> drops_ { 0 };
    std::atomic<bool> cut_ { false };
    std::thread thread_;
};

} // namespace zest::net
