// Owned top-level windows.
#include "windowowner.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <xcb/xcb.h>
#endif

namespace zest::ui
{

namespace
{

constexpr Qt::WindowFlags OwnedFlags = Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;

// Whether the X server knows a window of this id. Qt's foreign windows take any id,
// and one naming no window would leave a dangling WM_TRANSIENT_FOR behind.
bool IsX11Window(WId handle)
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
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, static_cast<xcb_drawable_t>(handle)), &error));
    const std::unique_ptr<xcb_generic_error_t, Free> freeError(error);
    return reply != nullptr;
#else
    (void)handle;
    return false;
#endif
}

} // namespace

WindowOwner FindWindowOwner(WId handle, std::unique_ptr<QWindow>& nativeHolder)
{
    nativeHolder.reset();
    if (!handle)
        return {};
    if (QWidget* widget = QWidget::find(handle))
        return WindowOwner(widget->window());
    if (!IsX11Window(handle))
        return {};
    nativeHolder.reset(QWindow::fromWinId(handle));
    WindowOwner owner;
    owner.native = nativeHolder.get();
    return owner;
}

void MakeOwnedWindow(QWidget* window, WindowOwner owner)
{
    if (owner.widget) {
        window->setParent(owner.widget, OwnedFlags);
    } else if (owner.native) {
        window->setWindowFlags(OwnedFlags);
        window->createWinId();
        window->windowHandle()->setTransientParent(owner.native);
    } else {
        window->setWindowFlags(Qt::Window);
    }
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
}

void BringToFront(QWidget* window)
{
    if (window->windowState() & Qt::WindowMinimized)
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace zest::ui
