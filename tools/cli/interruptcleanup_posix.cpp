#include "interruptcleanup.h"

#include <unistd.h>

namespace zest::cli
{

namespace
{

void Handler(int sig)
{
    InterruptCleanup::RemoveAll();
    // Ends here, as a shell reports a death by signal. The database client's own
    // handlers for SIGINT and SIGTERM never stay in place (database/signalkeeper.h).
    ::_exit(128 + sig);
}

} // namespace

void InterruptCleanup::RemoveAll() noexcept
{
    for (int i = 0; i < Slots; ++i)
        if (used_[i])
            ::unlink(paths_[i]);
}

void InterruptCleanup::Install()
{
    std::signal(SIGXFSZ, SIG_IGN);
    for (int sig : { SIGINT, SIGTERM, SIGHUP, SIGQUIT }) {
        struct sigaction sa {
        };
        sa.sa_handler = Handler;
        sigemptyset(&sa.sa_mask);
        ::sigaction(sig, &sa, nullptr);
    }
}

} // namespace zest::cli
