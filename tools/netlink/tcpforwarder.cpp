#include "tcpforwarder.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace zest::net
{

namespace
{

using Clock = std::chrono::steady_clock;

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

// Bytes read on one side, due on the other; an empty chunk carries the end of the stream.
struct Chunk {
    Clock::time_point due;
    std::vector<char> bytes;
};

// A client connection joined to its server connection. Side 0 is the client.
struct Link {
    int sock[2] = { -1, -1 };
    std::deque<Chunk> pending[2]; // read from sock[i], for sock[i ^ 1]
    std::size_t pendingBytes[2] = { 0, 0 };
    bool ended[2] = { false, false }; // sock[i] has delivered its end of stream
    int lastSender = -1;
    bool closing = false;

    void Close() noexcept
    {
        for (int& s : sock) {
            ::shutdown(s, SHUT_RDWR);
            ::close(s);
            s = -1;
        }
    }
};

// The bytes of a side that may wait in the forwarder before it reads no more of that side
// (with a width only: without one, everything is read at once, as before).
constexpr std::size_t MaxWaiting = 1 << 20;

} // namespace

TcpForwarder::TcpForwarder(int targetPort, std::chrono::microseconds roundTrip, std::uint64_t bitsPerSecond)
    : targetPort_(targetPort)
    , half_(roundTrip / 2)
    , bitsPerSecond_(bitsPerSecond)
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

void TcpForwarder::Wake(char command)
{
    while (::write(wake_[1], &command, 1) < 0 && errno == EINTR) { }
}

void TcpForwarder::Cut()
{
    if (cut_.exchange(true))
        return;
    Wake('x');
}

void TcpForwarder::DropConnections()
{
    const std::uint64_t before = drops_.load();
    Wake('d');
    while (drops_.load() == before && !cut_.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void TcpForwarder::Loop()
{
    std::vector<Link> links;
    std::vector<char> buffer(1 << 16);
    // Which socket each polled entry after the first two stands for.
    std::vector<std::pair<std::size_t, int>> polled;
    bool running = true;
    // When each direction's line is free again (side 0: towards the server), with a width.
    Clock::time_point lineFree[2] = { Clock::now(), Clock::now() };
    while (running) {
        // Wait for input, or until the earliest pending chunk is due.
        std::optional<Clock::time_point> due;
        for (const Link& l : links)
            for (const auto& q : l.pending)
                if (!q.empty() && (!due || q.front().due < *due))
                    due = q.front().due;
        std::vector<pollfd> fds { { wake_[0], POLLIN, 0 }, { listen_, POLLIN, 0 } };
        polled.clear();
        for (std::size_t i = 0; i < links.size(); ++i)
            for (int side = 0; side < 2; ++side)
                if (!links[i].ended[side] && (bitsPerSecond_ == 0 || links[i].pendingBytes[side] <= MaxWaiting)) {
                    fds.push_back({ links[i].sock[side], POLLIN, 0 });
                    polled.emplace_back(i, side);
                }
        timespec wait {};
        timespec* timeout = nullptr;
        if (due) {
            const auto left = std::max(Clock::duration::zero(), *due - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            wait.tv_nsec = static_cast<long>(ns % 1'000'000'000);
            timeout = &wait;
        }
        if (::ppoll(fds.data(), fds.size(), timeout, nullptr) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        const Clock::time_point now = Clock::now();

        if (fds[0].revents) {
            char commands[16];
            const ssize_t n = ::read(wake_[0], commands, sizeof commands);
            for (ssize_t c = 0; c < n; ++c)
                if (commands[c] == 'x') {
                    running = false;
                } else if (commands[c] == 'd') {
                    for (Link& l : links)
                        l.Close();
                    links.clear();
                    ++drops_;
                }
            if (!running || cut_)
                break;
            continue; // the polled sockets may be gone
        }
        if (fds[1].revents & POLLIN) {
            const int in = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (in >= 0) {
                const int out = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                const sockaddr_in target = Loopback(targetPort_);
                if (out >= 0 && ::connect(out, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
                    // Small writes go out at once on both legs, as the client and server send them.
                    const int one = 1;
                    ::setsockopt(in, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                    ::setsockopt(out, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                    Link l;
                    l.sock[0] = in;
                    l.sock[1] = out;
                    links.push_back(std::move(l));
                    ++connections_;
                } else {
                    ::close(in);
                    if (out >= 0)
                        ::close(out);
                }
            }
        }
        // Read what has arrived; it is due half a round trip from now.
        for (std::size_t f = 2; f < fds.size(); ++f) {
            if (!fds[f].revents)
                continue;
            const auto [index, side] = polled[f - 2];
            Link& l = links[index];
            const ssize_t n = ::recv(l.sock[side], buffer.data(), buffer.size(), 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0) {
                l.ended[side] = true;
                l.pending[side].push_back({ now + half_, {} });
                continue;
            }
            if (side == 0 && l.lastSender != 0)
                ++roundTrips_;
            l.lastSender = side;
            Clock::time_point due = now + half_;
            if (bitsPerSecond_ != 0) {
                // Onto the line once it is free; off it 8n/B later; there R/2 after that.
                const auto passing = std::chrono::nanoseconds(
                    static_cast<std::int64_t>(static_cast<double>(n) * 8e9 / static_cast<double>(bitsPerSecond_)));
                lineFree[side] = std::max(lineFree[side], now) + passing;
                due = lineFree[side] + half_;
            }
            l.pending[side].push_back({ due, std::vector<char>(buffer.data(), buffer.data() + n) });
            l.pendingBytes[side] += static_cast<std::size_t>(n);
            bytes_ += static_cast<std::uint64_t>(n);
            (side == 0 ? bytesToServer_ : bytesFromServer_) += static_cast<std::uint64_t>(n);
        }
        // Deliver what is due; the end of either stream closes both connections.
        const Clock::time_point deliver = Clock::now();
        for (Link& l : links)
            for (int side = 0; side < 2 && !l.closing; ++side)
                while (!l.pending[side].empty() && l.pending[side].front().due <= deliver) {
                    const Chunk& c = l.pending[side].front();
                    if (c.bytes.empty() || !SendAll(l.sock[side ^ 1], c.bytes.data(), c.bytes.size())) {
                        l.closing = true;
                        break;
                    }
                    l.pendingBytes[side] -= c.bytes.size();
                    l.pending[side].pop_front();
                }
        for (auto it = links.begin(); it != links.end();)
            if (it->closing) {
                it->Close();
                it = links.erase(it);
            } else {
                ++it;
            }
    }
    for (Link& l : links)
        l.Close();
    ::close(listen_);
    // A waiting DropConnections returns.
    ++drops_;
}

} // namespace zest::net
