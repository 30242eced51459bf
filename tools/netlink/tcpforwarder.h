#pragma once
// A TCP forwarder on 127.0.0.1, a link between a client and a server that tests and the
// benchmark can slow down and cut. Every accepted connection is joined to a new
// connection to the target port and bytes pass both ways. With a round-trip time R,
// every chunk read on one side is written to the other R/2 after it arrived, in each
// direction, without waiting for the chunks before it (a latency). With a width of B
// bits per second, each direction is a line of that width shared by every connection:
// a chunk of n bytes goes onto it once the chunks before it have passed and takes
// 8n/B to pass, then R/2 to arrive; while more than a mebibyte of a connection's side
// waits, the forwarder reads no more of that side (the sender waits, as over a narrow
// line). It counts round trips (a client's turn to send after the server has answered)
// and the bytes of each direction.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace zest::net
{

class TcpForwarder
{
public:
    // bitsPerSecond 0: no limit of width.
    explicit TcpForwarder(int targetPort, std::chrono::microseconds roundTrip = {}, std::uint64_t bitsPerSecond = 0);
    ~TcpForwarder();
    TcpForwarder(const TcpForwarder&) = delete;
    TcpForwarder& operator=(const TcpForwarder&) = delete;

    int port() const noexcept { return port_; }
    // Bytes passed so far, both directions.
    std::uint64_t bytesForwarded() const noexcept { return bytes_.load(); }
    // Bytes passed from the clients to the server, and from the server to the clients.
    std::uint64_t bytesToServer() const noexcept { return bytesToServer_.load(); }
    std::uint64_t bytesFromServer() const noexcept { return bytesFromServer_.load(); }
    std::uint64_t bitsPerSecond() const noexcept { return bitsPerSecond_; }
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
    std::uint64_t bitsPerSecond_;
    int port_ = 0;
    int listen_ = -1;
    int wake_[2] = { -1, -1 };
    std::atomic<std::uint64_t> bytes_ { 0 };
    std::atomic<std::uint64_t> bytesToServer_ { 0 };
    std::atomic<std::uint64_t> bytesFromServer_ { 0 };
    std::atomic<std::uint64_t> roundTrips_ { 0 };
    std::atomic<std::uint64_t> connections_ { 0 };
    std::atomic<std::uint64_t> drops_ { 0 };
    std::atomic<bool> cut_ { false };
    std::thread thread_;
};

} // namespace zest::net
