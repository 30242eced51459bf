// The library's reference to itself while its handlers spin nested loops.
#include "libraryhold.h"

#include <dlfcn.h>
#include <utility>

#include "widgets/nestedloops.h"

namespace zest::plugin
{

namespace
{

void* heldSelf = nullptr;

// GLib's g_idle_add, from the GLib that Qt uses; null without one.
using IdleAdd = unsigned (*)(int (*)(void*), void*);

IdleAdd FindIdleAdd() noexcept
{
    void* glib = dlopen("libglib-2.0.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (!glib)
        return nullptr;
    auto idleAdd = reinterpret_cast<IdleAdd>(dlsym(glib, "g_idle_add"));
    dlclose(glib); // Qt keeps it loaded
    return idleAdd;
}

void Hold() noexcept
{
    Dl_info self {};
    if (heldSelf || !dladdr(reinterpret_cast<void*>(&Hold), &self) || !self.dli_fname)
        return;
    heldSelf = dlopen(self.dli_fname, RTLD_NOW | RTLD_NOLOAD);
}

void Release() noexcept
{
    void* self = std::exchange(heldSelf, nullptr);
    if (!self)
        return;
    // dlclose is called by GLib's loop and returns into it: when it unloads the
    // library, nothing of the library's code is left to return to.
    // Without GLib the reference stays, and the library with it until the process ends.
    if (IdleAdd idleAdd = FindIdleAdd())
        idleAdd(&dlclose, self);
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
