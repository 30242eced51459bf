// Message boxes and the standard error display.
#include "messages.h"

#include <QMessageBox>
#include <QWidget>

#include "statement/errortext.h"
#include "wintext.h"

namespace zest::ui
{

namespace
{

MessageBoxHook& Hook()
{
    static MessageBoxHook hook;
    return hook;
}

void ShowRealBox(const MessageBoxRequest& r)
{
    QMessageBox box(r.Icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon, r.Caption, r.Text,
        QMessageBox::Ok, r.Parent);
    ExecDialog(box);
}

QString CaptionOf(QWidget* window)
{
    if (window && !window->window()->windowTitle().isEmpty())
        return window->window()->windowTitle();
    return QString::fromUtf8("Zestawienia");
}

} // namespace

void ShowMessageBox(QWidget* parent, const QString& caption, const QString& text, MessageIcon icon)
{
    const MessageBoxRequest request { parent, caption, text, icon };
    if (Hook())
        Hook()(request);
    else
        ShowRealBox(request);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    MessageBoxHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

void ShowError(QWidget* window, const std::exception& error) noexcept
{
    try {
        ShowMessageBox(window, CaptionOf(window), FromWin1250(ErrorText(error)), MessageIcon::Error);
    } catch (...) {
        // Nothing more can be shown; the error ends here.
    }
}

void ShowUnknownError(QWidget* window) noexcept
{
    try {
        ShowMessageBox(window, CaptionOf(window), QString::fromUtf8("Nieznany błąd"), MessageIcon::Error);
    } catch (...) {
    }
}

} // namespace zest::ui
