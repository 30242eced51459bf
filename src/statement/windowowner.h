#pragma once
// The library's windows are top-level windows owned by the host's main window: they
// stay above it and do not show as windows of an application of their own.

class QWidget;

namespace zest::ui
{

// Makes `window` a top-level window owned by `owner` (none when null). A non-modal
// dialog-type window is what carries the owner to the window manager on X11.
// Closing the window hides it and never ends the host's event loop.
void MakeOwnedWindow(QWidget* window, QWidget* owner);

// Shows `window` in front and active. A minimized window comes back as it was before
// (its size and place, maximized or not); show, raise and activate alone leave it
// minimized.
void BringToFront(QWidget* window);

} // namespace zest::ui
