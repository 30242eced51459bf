#pragma once
// The application object that the library's windows need.

class QApplication;

namespace zest::plugin
{

// The process's QApplication, when the calling thread may show windows on it. When the
// process has none, the first call makes the library's own on the process's main thread
// and never runs its loop: the host's loop serves the windows (on Linux Qt's event
// dispatcher works on the default GLib main context, which GTK and GLib hosts iterate).
// Otherwise null, after one line on standard error that says why nothing is shown.
//
// The library's own application object is never destroyed, and the library keeps Qt
// loaded once it has made one (RTLD_NODELETE); the library itself still unloads. Found
// by trying it in a GTK host on X11: with the object destroyed at unload, Qt Core, Gui,
// Widgets and its xcb plug-in stayed mapped all the same (Qt's own plug-ins hold them,
// released only by Qt's static destructors), so Qt is never really unloaded; keeping it
// on purpose makes that the same in every process, whatever plug-ins Qt loaded, and
// leaves in place an object that other Qt code of the process may have picked up since.
// A later copy of the library finds the object and uses it. What stays costs about
// 2 MB; Qt's sources stay on the host's GLib main context with nothing to do.
QApplication* GuiApplication() noexcept;

} // namespace zest::plugin
