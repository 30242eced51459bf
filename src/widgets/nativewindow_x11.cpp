// The host's window on X11, asked of the X server through Qt's own connection.
#include "nativewindow.h"

#include <QGuiApplication>
#include <QWindow>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
#endif

namespace zest::ui
{

WId NativeWindowId(std::uint32_t handle) noexcept
{
    return static_cast<WId>(handle);
}

bool IsNativeWindow(WId id)
{
#if QT_CONFIG(xcb)
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return false;
    struct Free {
        void operator()(void* reply) const noexcept { std::free(reply); }
    };
    xcb_connection_t* connection = x11->connection();
    xcb_generic_error_t* error = nullptr;
    const std::unique_ptr<xcb_get_geometry_reply_t, Free> reply(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, static_cast<xcb_drawable_t>(id)), &error));
    const std::unique_ptr<xcb_generic_error_t, Free> freeError(error);
    return reply != nullptr;
#else
    (void)id;
    return false;
#endif
}

void SetNativeOwner(QWindow* window, QWindow* owner)
{
    window->setTransientParent(owner);
}

} // namespace zest::ui
