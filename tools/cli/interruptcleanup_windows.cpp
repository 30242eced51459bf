#include "interruptcleanup.h"

#include <windows.h>

namespace zest::cli
{

namespace
{

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI Handler(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        InterruptCleanup::RemoveAll();
        // Ends at once: an orderly exit would run the libraries' detach code while the
        // main thread is still inside them.
        ::TerminateProcess(::GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void InterruptCleanup::RemoveAll() noexcept
{
    for (int i = 0; i < Slots; ++i) {
        if (!used_[i])
            continue;
        wchar_t wide[sizeof paths_[i]];
        if (::MultiByteToWideChar(CP_UTF8, 0, paths_[i], -1, wide, static_cast<int>(sizeof paths_[i])) > 0)
            ::DeleteFileW(wide);
    }
}

void InterruptCleanup::Install()
{
    ::SetConsoleCtrlHandler(Handler, TRUE);
}

} // namespace zest::cli
