// The host's window on Windows: an HWND.
#include "nativewindow.h"

#include <QEvent>
#include <QObject>
#include <QWindow>

#include <windows.h>

namespace zest::ui
{

namespace
{

// Qt knows no HWND owner for a foreign transient parent: each time it shows the window
// it clears the owner. This puts it back when the shown window is first exposed.
class OwnerKeeper final : public QObject
{
public:
    OwnerKeeper(QWindow* window, WId owner)
        : QObject(window)
        , owner_(reinterpret_cast<HWND>(owner))
    {
        window->installEventFilter(this);
        Apply(window);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose || event->type() == QEvent::Show)
            Apply(static_cast<QWindow*>(watched));
        return false;
    }

private:
    void Apply(QWindow* window) const
    {
        const HWND hwnd = reinterpret_cast<HWND>(window->winId());
        if (::GetWindow(hwnd, GW_OWNER) != owner_)
            ::SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner_));
    }

    HWND owner_;
};

} // namespace

WId NativeWindowId(std::uint32_t handle) noexcept
{
    return static_cast<WId>(static_cast<std::intptr_t>(static_cast<std::int32_t>(handle)));
}

bool IsNativeWindow(WId id)
{
    return ::IsWindow(reinterpret_cast<HWND>(id)) != FALSE;
}

void SetNativeOwner(QWindow* window, QWindow* owner)
{
    window->setTransientParent(owner);
    new OwnerKeeper(window, owner->winId());
}

} // namespace zest::ui
