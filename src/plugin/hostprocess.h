#pragma once
// What the library asks of the host's process where the systems differ;
// hostprocess_posix.cpp and hostprocess_windows.cpp hold one implementation each.

namespace zest::plugin
{

// Whether the calling thread is the process's main (first) thread.
bool OnMainThread() noexcept;

// Whether there is a display to show windows on (a platform chosen in QT_QPA_PLATFORM
// counts as one). Qt aborts the process when its platform finds none.
bool DisplayAvailable() noexcept;

// Lets Qt find its plug-ins (the platform plug-in above all) when the library makes the
// application object: Debian's Qt knows its own folder; on Windows they lie beside the
// library (platforms\qwindows.dll), whatever folder the host program lives in.
void FindQtPluginsBesideLibrary();

// Keeps Qt's libraries loaded for the rest of the process (see GuiApplication in
// application.h); a failure is said on standard error.
void KeepQtLoaded() noexcept;

// Whether the host's own event loop serves Qt's windows once Qt's event dispatcher
// exists: GLib's main context on Linux, the thread's message queue on Windows.
bool HostLoopServesQt() noexcept;

} // namespace zest::plugin
