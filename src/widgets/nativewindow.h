#pragma once
// A host's window handle as the window system knows it; nativewindow_x11.cpp and
// nativewindow_windows.cpp hold one implementation each.

#include <QtGui/qwindowdefs.h>
#include <cstdint>

class QWindow;

namespace zest::ui
{

// The window id that the host's 32-bit handle stands for: an X11 window id as it is; a
// Windows HWND, which 64-bit Windows keeps to 32 significant bits, sign-extended.
WId NativeWindowId(std::uint32_t handle) noexcept;

// Whether the window system knows a window of this id. Qt's foreign windows take any id,
// and one naming no window would leave a dangling owner behind (WM_TRANSIENT_FOR on X11).
bool IsNativeWindow(WId id);

// Makes the host's window `owner` (a foreign window) the owner of `window`, whose native
// window exists: Qt's transient parent, which carries it to the window manager on X11
// (WM_TRANSIENT_FOR); on Windows also the owner of the HWND, which Qt sets only for a
// window created after its transient parent was given.
void SetNativeOwner(QWindow* window, QWindow* owner);

} // namespace zest::ui
