#pragma once
// The library's windows are top-level windows owned by the host's main window: they
// stay above it and do not show as windows of an application of their own.

#include <QtGui/qwindowdefs.h>
#include <memory>

class QWidget;
class QWindow;

namespace zest::ui
{

// The owner of the library's windows: a widget of this process (a Qt host), or the
// native window of a host that is not a Qt program, or none.
struct WindowOwner {
    WindowOwner() = default;
    WindowOwner(QWidget* ownerWidget)
        : widget(ownerWidget)
    {
    }
    QWidget* widget = nullptr;
    QWindow* native = nullptr;
};

// The host's window behind `handle` as Qt sees it: a widget of this process, or else
// a foreign window (an X11 window, a Windows HWND) that `nativeHolder` receives and that must outlive the
// windows it owns. A handle of 0, or one that names no window, gives no owner.
WindowOwner FindWindowOwner(WId handle, std::unique_ptr<QWindow>& nativeHolder);

// Makes `window` a top-level window owned by `owner` (none when empty). A non-modal
// dialog-type window is what carries the owner to the window manager on X11
// (WM_TRANSIENT_FOR). Closing the window hides it and never ends the host's event loop.
void MakeOwnedWindow(QWidget* window, WindowOwner owner);

// Shows `window` in front and active. A minimized window comes back as it was before
// (its size and place, maximized or not); show, raise and activate alone leave it
// minimized.
void BringToFront(QWidget* window);

} // namespace zest::ui
