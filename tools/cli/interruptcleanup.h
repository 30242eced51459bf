#pragma once
// Files that must not outlive a run the user interrupts: the statement file and the new
// files of the outputs. The handler removes them and ends the tool: on POSIX systems for
// SIGINT, SIGTERM, SIGHUP and SIGQUIT with the status 128 + signal number, as a shell
// reports a death by signal; on Windows for Ctrl+C, Ctrl+Break, a closed console, logoff
// and shutdown with the status STATUS_CONTROL_C_EXIT, as the console reports Ctrl+C
// (interruptcleanup_posix.cpp, interruptcleanup_windows.cpp).

#include <csignal>
#include <cstring>
#include <string>

namespace zest::cli
{

class InterruptCleanup
{
public:
    explicit InterruptCleanup(const std::string& path)
    {
        for (int i = 0; i < Slots; ++i)
            if (!used_[i] && path.size() < sizeof paths_[i]) {
                std::memcpy(paths_[i], path.c_str(), path.size() + 1);
                used_[i] = 1;
                slot_ = i;
                return;
            }
    }
    ~InterruptCleanup()
    {
        if (slot_ >= 0)
            used_[slot_] = 0;
    }
    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;

    // Installs the handler, once at the start. On POSIX systems a file-size limit is
    // also made to fail the write (reported) rather than kill the tool and leave its
    // temporary file behind.
    static void Install();
    // Removes the files held now, the handler's work: only calls a signal handler may
    // make.
    static void RemoveAll() noexcept;

private:
    static constexpr int Slots = 4;
    static inline char paths_[Slots][4096] {};
    static inline volatile std::sig_atomic_t used_[Slots] {};
    int slot_ = -1;
};

} // namespace zest::cli
