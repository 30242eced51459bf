// The link of the lost-connection tests and the benchmark, against an echo server of
// its own: the delay it adds and the time its width takes (lower bounds only; how close
// it comes is the benchmark's business), the round trips and bytes it counts, and a drop
// that the next connection survives.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "tcpforwarder.h"

namespace
{

using namespace std::chrono_literals;

sockaddr_in Loopback(int port)
{
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// Echoes every connection it accepts until the peer closes.
class EchoServer
{
public:
    EchoServer()
    {
        sockaddr_in a = Loopback(0);
        socklen_t len = sizeof a;
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 4);
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] {
            for (int s; (s = ::accept(listen_, nullptr, nullptr)) >= 0;) {
                char buf[256];
                for (ssize_t n; (n = ::recv(s, buf, sizeof buf, 0)) > 0;)
                    ::send(s, buf, static_cast<std::size_t>(n), MSG_NOSIGNAL);
                ::close(s);
            }
        });
    }
    ~EchoServer()
    {
        ::shutdown(listen_, SHUT_RDWR);
        ::close(listen_);
        thread_.join();
    }
    int port() const { return port_; }

private:
    int listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int port_ = 0;
    std::thread thread_;
};

int Connect(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1; // small writes go out at once, as the client library sends them
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const sockaddr_in a = Loopback(port);
    EXPECT_EQ(::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
    return s;
}

// One byte there and back; false when the link closed.
bool Ping(int s)
{
    char c = 'x';
    return ::send(s, &c, 1, MSG_NOSIGNAL) == 1 && ::recv(s, &c, 1, 0) == 1;
}

TEST(NetLink, EveryRoundTripTakesTheDelayAndIsCounted)
{
    EchoServer echo;
    zest::net::TcpForwarder link(echo.port(), 20ms);
    const int s = Connect(link.port());
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(Ping(s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
    EXPECT_EQ(link.roundTrips(), 10u);
    EXPECT_EQ(link.bytesForwarded(), 20u);

    // Two sends before the answer are one client turn; the bytes come back in order.
    ::send(s, "ab", 2, 0);
    ::send(s, "c", 1, 0);
    char back[3];
    ASSERT_EQ(::recv(s, back, 3, MSG_WAITALL), 3);
    EXPECT_EQ(std::string(back, 3), "abc");
    EXPECT_EQ(link.roundTrips(), 11u);
    ::close(s);
}

TEST(NetLink, AWidthMakesATransferTakeItsSizeOverTheRateAndBytesAreCountedEachWay)
{
    EchoServer echo;
    constexpr std::size_t size = 250'000;
    constexpr std::uint64_t bitsPerSecond = 10'000'000; // 0.2 s for the size, each way
    zest::net::TcpForwarder link(echo.port(), {}, bitsPerSecond);
    EXPECT_EQ(link.bitsPerSecond(), bitsPerSecond);
    const int s = Connect(link.port());
    std::string sent(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        sent[i] = static_cast<char>('a' + i % 23);
    const auto start = std::chrono::steady_clock::now();
    // Sent from a thread of its own while the echo is read, so that neither side waits
    // for the other's buffers.
    std::thread sender([&] {
        for (std::size_t at = 0; at < size;) {
            const ssize_t n = ::send(s, sent.data() + at, size - at, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            at += static_cast<std::size_t>(n);
        }
    });
    std::string back(size, '\0');
    std::size_t got = 0;
    for (ssize_t n; got < size && (n = ::recv(s, back.data() + got, size - got, 0)) > 0;)
        got += static_cast<std::size_t>(n);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    sender.join();
    ASSERT_EQ(got, size);
    EXPECT_TRUE(back == sent);
    EXPECT_GE(elapsed, std::chrono::microseconds(size * 8 * 1'000'000 / bitsPerSecond));
    EXPECT_EQ(link.bytesToServer(), size);
    EXPECT_EQ(link.bytesFromServer(), size);
    EXPECT_EQ(link.bytesForwarded(), 2 * size);
    ::close(s);
}

TEST(NetLink, DropClosesTheConnectionsAndTheNextOneGetsThrough)
{
    EchoServer echo;
    zest::net::TcpForwarder link(echo.port());
    const int first = Connect(link.port());
    ASSERT_TRUE(Ping(first));
    link.DropConnections();
    EXPECT_FALSE(Ping(first));
    const int second = Connect(link.port());
    EXPECT_TRUE(Ping(second));
    EXPECT_EQ(link.connections(), 2u);
    link.Cut();
    EXPECT_FALSE(Ping(second));
    ::close(first);
    ::close(second);
}

} // namespace
