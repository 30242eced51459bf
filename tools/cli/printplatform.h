#pragma once
// The Qt platform that prints --pdf: printing needs the widgets of the text control and
// the system's fonts (printplatform_posix.cpp, printplatform_windows.cpp).

namespace zest::cli
{

// Before the application object is made. Without a display (no QT_QPA_PLATFORM, DISPLAY
// or WAYLAND_DISPLAY) a POSIX system prints on Qt's offscreen platform; Windows always
// has its own, with the fonts the system has.
void ChoosePrintPlatform();

} // namespace zest::cli
