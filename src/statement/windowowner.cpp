// Owned top-level windows.
#include "windowowner.h"

#include <QWidget>

namespace zest::ui
{

void MakeOwnedWindow(QWidget* window, QWidget* owner)
{
    if (owner)
        window->setParent(owner, Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    else
        window->setWindowFlags(Qt::Window);
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
