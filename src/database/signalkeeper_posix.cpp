// The termination signals kept across the client library, with sigaction.
#include "signalkeeper.h"

#include <csignal>
#include <iterator>
#include <mutex>

namespace zest::fb
{

namespace
{

// The client takes SIGINT and SIGTERM; SIGHUP and SIGQUIT, which end a process as well,
// are kept too should a client version take them.
constexpr int Kept[] = { SIGINT, SIGTERM, SIGHUP, SIGQUIT };

struct Saved {
    std::mutex mutex;
    int callsUnderWay = 0;
    struct sigaction actions[std::size(Kept)] {};
};

Saved& State() noexcept
{
    static Saved saved;
    return saved;
}

} // namespace

SignalKeeper::SignalKeeper() noexcept
{
    Saved& s = State();
    const std::lock_guard lock(s.mutex);
    if (s.callsUnderWay++ == 0)
        for (std::size_t i = 0; i < std::size(Kept); ++i)
            ::sigaction(Kept[i], nullptr, &s.actions[i]);
}

SignalKeeper::~SignalKeeper()
{
    Saved& s = State();
    const std::lock_guard lock(s.mutex);
    if (--s.callsUnderWay == 0)
        for (std::size_t i = 0; i < std::size(Kept); ++i)
            ::sigaction(Kept[i], &s.actions[i], nullptr);
}

} // namespace zest::fb
