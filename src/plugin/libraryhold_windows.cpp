// The library's reference to itself while its handlers spin nested loops, on Windows.
#include "libraryhold.h"

#include <windows.h>

#include <utility>

#include "widgets/nestedloops.h"

namespace zest::plugin
{

namespace
{

HMODULE heldSelf = nullptr;

void Hold() noexcept
{
    if (heldSelf)
        return;
    // Without the flag that leaves the count alone: one more reference.
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&Hold), &heldSelf))
        heldSelf = nullptr;
}

void Release() noexcept
{
    HMODULE self = std::exchange(heldSelf, nullptr);
    if (!self)
        return;
    // FreeLibrary runs as an asynchronous procedure call of this thread, at its next
    // alertable wait: Qt's event loop waits so, with no code of the library on the stack.
    // A host's own GetMessage loop never does: there the reference stays, and the library
    // with it until the process ends.
    ::QueueUserAPC(reinterpret_cast<PAPCFUNC>(reinterpret_cast<void (*)()>(&::FreeLibrary)), ::GetCurrentThread(),
        reinterpret_cast<ULONG_PTR>(self));
}

} // namespace

void HoldLibraryInNestedLoops() noexcept
{
    zest::ui::SetLibraryHold({ &Hold, &Release });
}

void StopHoldingLibrary() noexcept
{
    zest::ui::SetLibraryHold({});
}

} // namespace zest::plugin
