#include "tcpforwarder.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace zest::test
{

namespace
{

[[noreturn]] void Fail(const char* what)
{
    throw std::runtime_error(std::string("forwarder: ") + what + ": " + std::strerror(errno));
}

sockaddr_in Loopback(int port)
{
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// Writes all of it (blocking); false when the peer is gone.
bool SendAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

TcpForwarder::TcpForwarder(int targetPort)
    : targetPort_(targetPort)
{
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_ < 0)
        Fail("socket");
    sockaddr_in a = Loopback(0);
    socklen_t len = sizeof a;
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listen_, 8) != 0
        || ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(listen_);
        Fail("listen");
    }
    port_ = ntohs(a.sin_port);
    if (::pipe2(wake_, O_CLOEXEC) != 0) {
        ::close(listen_);
        Fail("pipe");
    }
    thread_ = std::thread([this] { Loop(); });
}

TcpForwarder::~TcpForwarder()
{
    Cut();
    thread_.join();
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void TcpForwarder::Cut()
{
    if (cut_.exchange(true))
        return;
    const char c = 'x';
    while (::write(wake_[1], &c, 1) < 0 && errno == EINTR) { }
}

void TcpForwarder::Loop()
{
    // Pairs of joined sockets: pairs[i] and pairs[i ^ 1].
    std::vector<int> socks;
    std::vector<char> chunk(1 << 16);
    for (;;) {
        std::vector<pollfd> fds { { wake_[0], POLLIN, 0 }, { listen_, POLLIN, 0 } };
        for (int s : socks)
            fds.push_back({ s, POLLIN, 0 });
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents || cut_)
            break;
        if (fds[1].revents & POLLIN) {
            const int in = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (in >= 0) {
                const int out = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                const sockaddr_in target = Loopback(targetPort_);
                if (out >= 0 && ::connect(out, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
                    socks.push_back(in);
                    socks.push_back(out);
                } else {
                    ::close(in);
                    if (out >= 0)
                        ::close(out);
                }
            }
        }
        std::set<std::size_t> closing; // pair indexes
        // Only the sockets that were polled: a pair accepted just now waits for the next round.
        for (std::size_t i = 0; i + 2 < fds.size(); ++i) {
            if (!fds[i + 2].revents)
                continue;
            const ssize_t n = ::recv(socks[i], chunk.data(), chunk.size(), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0 || !SendAll(socks[i ^ 1], chunk.data(), static_cast<std::size_t>(n))) {
                closing.insert(i & ~std::size_t { 1 });
                continue;
            }
            bytes_ += static_cast<std::uint64_t>(n);
        }
        // One side closed: close its partner too (from the back, so indexes stay valid).
        for (auto it = closing.rbegin(); it != closing.rend(); ++it) {
            const std::size_t p = *it;
            ::close(socks[p]);
            ::close(socks[p + 1]);
            socks.erase(
                socks.begin() + static_cast<std::ptrdiff_t>(p), socks.begin() + static_cast<std::ptrdiff_t>(p + 2));
        }
    }
    for (int s : socks) {
        ::shutdown(s, SHUT_RDWR);
        ::close(s);
    }
    ::close(listen_);
}

} // namespace zest::test
