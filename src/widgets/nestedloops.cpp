// Handlers on the stack, their nested loops, and what waits for them.
#include "nestedloops.h"

#include <QCoreApplication>
#include <QDialog>
#include <QTimer>
#include <deque>

#include "messages.h"

namespace zest::ui
{

namespace
{

struct Handlers {
    int depth = 0;
    bool held = false; // the library hold is taken
    bool runnerQueued = false;
    std::deque<std::function<void()>> pending;
    LibraryHold hooks;
};

Handlers& State() noexcept
{
    static Handlers handlers;
    return handlers;
}

void Hold() noexcept
{
    Handlers& h = State();
    if (h.held || !h.hooks.hold)
        return;
    h.hooks.hold();
    h.held = true;
}

// Nothing of the library is on the stack or in the queue any more.
void ReleaseWhenDone() noexcept
{
    Handlers& h = State();
    if (!h.held || h.depth > 0 || h.runnerQueued || !h.pending.empty())
        return;
    h.held = false;
    if (h.hooks.release)
        h.hooks.release();
}

void RunPending()
{
    Handlers& h = State();
    h.runnerQueued = false;
    const HandlerScope scope;
    while (!h.pending.empty()) {
        std::function<void()> action = std::move(h.pending.front());
        h.pending.pop_front();
        RunGuarded(nullptr, action);
    }
}

void QueueRunner()
{
    Handlers& h = State();
    if (h.runnerQueued || h.pending.empty())
        return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        h.pending.clear(); // no event loop to run them
        return;
    }
    QTimer::singleShot(0, app, &RunPending);
    h.runnerQueued = true;
}

} // namespace

HandlerScope::HandlerScope() noexcept
{
    ++State().depth;
}

HandlerScope::~HandlerScope()
{
    if (--State().depth > 0)
        return;
    try {
        QueueRunner();
    } catch (...) {
        State().pending.clear();
    }
    ReleaseWhenDone();
}

int HandlersOnStack() noexcept
{
    return State().depth;
}

void EnteringNestedLoop() noexcept
{
    Hold();
}

int ExecDialog(QDialog& dialog)
{
    const HandlerScope scope;
    EnteringNestedLoop();
    return dialog.exec();
}

void AfterHandlers(std::function<void()> action)
{
    Hold(); // the action is the library's code, waiting in Qt's queue
    State().pending.push_back(std::move(action));
    if (State().depth == 0)
        QueueRunner();
}

void SetLibraryHold(LibraryHold hooks) noexcept
{
    State().hooks = hooks;
}

} // namespace zest::ui
