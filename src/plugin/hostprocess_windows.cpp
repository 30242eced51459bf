// The host's process on Windows.
#include "hostprocess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QString>

#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <initializer_list>

namespace zest::plugin
{

namespace
{

// The process's first thread: the one created first of those still running, as the
// system keeps no other record of it.
DWORD FirstThreadId() noexcept
{
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    const DWORD process = ::GetCurrentProcessId();
    DWORD first = 0;
    ULONGLONG earliest = ~0ULL;
    THREADENTRY32 entry {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != process)
            continue;
        const HANDLE thread = ::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
        if (!thread)
            continue;
        FILETIME created {}, exited {}, kernel {}, user {};
        if (::GetThreadTimes(thread, &created, &exited, &kernel, &user)) {
            const ULONGLONG time = (ULONGLONG(created.dwHighDateTime) << 32) | created.dwLowDateTime;
            if (time < earliest) {
                earliest = time;
                first = entry.th32ThreadID;
            }
        }
        ::CloseHandle(thread);
    }
    ::CloseHandle(snapshot);
    return first;
}

} // namespace

bool OnMainThread() noexcept
{
    const DWORD first = FirstThreadId();
    // When the system cannot say, the caller is taken at its word.
    return first == 0 || first == ::GetCurrentThreadId();
}

bool DisplayAvailable() noexcept
{
    // A Windows process always has a desktop to draw on.
    return true;
}

void FindQtPluginsBesideLibrary()
{
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&FindQtPluginsBesideLibrary), &self))
        return;
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(self, path, MAX_PATH);
    if (n == 0 || n == MAX_PATH)
        return;
    const QString folder = QFileInfo(QString::fromWCharArray(path, static_cast<qsizetype>(n))).absolutePath();
    QCoreApplication::addLibraryPath(folder);
}

void KeepQtLoaded() noexcept
{
    for (const wchar_t* name : { L"Qt6Widgets.dll", L"Qt6PrintSupport.dll" }) {
        HMODULE module = nullptr;
        if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, name, &module))
            std::fprintf(stderr, "Zestawienia: cannot keep %ls loaded: error %lu\n", name, ::GetLastError());
    }
}

bool HostLoopServesQt() noexcept
{
    // Qt's dispatcher keeps a window of its own on the thread; the host's message loop
    // dispatches its messages (posted events, timers) like those of any other window.
    return true;
}

} // namespace zest::plugin
