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

} // namespace zest::ui
