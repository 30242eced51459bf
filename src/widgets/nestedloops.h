#pragma once
// The event handlers of the library's windows on the GUI thread's stack, and the nested
// event loops that some of them spin (a message box, the run's progress, a file or
// printer dialog). While such a loop runs, a host that is not a Qt program goes on
// serving its own windows (Qt's modality does not reach them) and may call the library
// again or unload it: what must not happen under a running handler waits until the
// outermost one has returned.

#include <functional>

class QDialog;

namespace zest::ui
{

// Counts a handler for as long as it lives; RunGuarded makes one for every handler.
class HandlerScope
{
public:
    HandlerScope() noexcept;
    ~HandlerScope();
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;
};

// Handlers on the stack: 0 between events.
int HandlersOnStack() noexcept;

// Called by a handler right before it spins a nested event loop: the library is held
// loaded (SetLibraryHold) until the outermost handler has returned.
void EnteringNestedLoop() noexcept;

// A dialog's own loop (QDialog::exec), as a nested loop of a handler.
int ExecDialog(QDialog& dialog);

// Runs `action` under a handler guard of its own once no handler is on the stack: from
// the application object's event queue, after the outermost handler has returned.
void AfterHandlers(std::function<void()> action);

// How the plug-in keeps its code mapped while the code is on the stack of a nested
// loop or waits in the queue (AfterHandlers): `hold` when the first such loop begins
// or an action is queued, `release` once the outermost handler has returned and the
// queued actions have run. None by default.
struct LibraryHold {
    void (*hold)() = nullptr;
    void (*release)() = nullptr;
};
void SetLibraryHold(LibraryHold hooks) noexcept;

} // namespace zest::ui
