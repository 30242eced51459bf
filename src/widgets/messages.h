#pragma once
// Message boxes of the library's windows, and the guard that every event handler runs
// its body under. The boxes go through one replaceable hook, so that tests can record
// them instead of waiting for a click.

#include <QString>
#include <exception>
#include <functional>

#include "nestedloops.h"

class QWidget;

namespace zest::ui
{

enum class MessageIcon { None, Error };

struct MessageBoxRequest {
    QWidget* Parent;
    QString Caption;
    QString Text;
    MessageIcon Icon;
};

using MessageBoxHook = std::function<void(const MessageBoxRequest&)>;

// A modal box with a single OK button.
void ShowMessageBox(QWidget* parent, const QString& caption, const QString& text, MessageIcon icon);

// Replaces the way boxes are shown; an empty hook restores the real box. Returns the
// hook that was installed before.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// The standard error display: the error's message (Windows-1250 text, as the server
// sends it; a lost connection said so first) in a box captioned like the window.
void ShowError(QWidget* window, const std::exception& error) noexcept;
void ShowUnknownError(QWidget* window) noexcept;

// Runs an event handler's body; an error ends it and is shown, never passed on. The
// handler counts as on the stack (nestedloops.h) until its error box is closed too.
template <class F> void RunGuarded(QWidget* window, F&& body) noexcept
{
    const HandlerScope handler;
    try {
        std::forward<F>(body)();
    } catch (const std::exception& e) {
        ShowError(window, e);
    } catch (...) {
        ShowUnknownError(window);
    }
}

} // namespace zest::ui
