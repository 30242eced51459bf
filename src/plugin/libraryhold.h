#pragma once
// Keeps the library mapped while its code is on the stack of a nested event loop.
//
// A host can unload the library (dlclose) from inside a nested loop of one of its
// handlers: the run's progress, a message box, a dialog. The loop returns into the
// library's code afterwards, which must still be there, and the windows whose methods
// are on the stack must still exist. Once dlclose has begun to run the library's
// destructors nothing can stop the unmapping (measured with glibc 2.36: a destructor
// that takes RTLD_NODELETE does not keep the library mapped), so the library holds a
// reference to itself (dlopen RTLD_NOLOAD) from the first nested loop until the
// outermost handler has returned: a dlclose of the host meanwhile only drops the
// host's reference. The hold is given back from GLib's main loop (g_idle_add with
// dlclose itself), where no code of the library is on the stack: when the host has
// unloaded the library in the meantime, that dlclose is the one that unloads it,
// destroying the windows then. Without GLib the reference is kept, and the library
// stays loaded for the rest of the process (libraryhold_posix.cpp). On Windows the
// reference is one more of GetModuleHandleExW, given back by FreeLibrary as an
// asynchronous call of the GUI thread, which Qt's event loop runs and a host's own
// message loop does not (libraryhold_windows.cpp).

namespace zest::plugin
{

// Installs the hold on the handlers of the library's windows (widgets/nestedloops.h).
void HoldLibraryInNestedLoops() noexcept;

// Removes it, at unload.
void StopHoldingLibrary() noexcept;

} // namespace zest::plugin
