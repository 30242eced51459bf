// Owned top-level windows.
#include "windowowner.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include "nativewindow.h"

namespace zest::ui
{

namespace
{

constexpr Qt::WindowFlags OwnedFlags = Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;

} // namespace

WindowOwner FindWindowOwner(WId handle, std::unique_ptr<QWindow>& nativeHolder)
{
    nativeHolder.reset();
    if (!handle)
        return {};
    if (QWidget* widget = QWidget::find(handle))
        return WindowOwner(widget->window());
    if (!IsNativeWindow(handle))
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
        SetNativeOwner(window->windowHandle(), owner.native);
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
