// The two exports and the unload.
#include "entrypoints.h"

#include <QApplication>
#include <QThread>
#include <QWidget>
#include <optional>
#include <string>
#include <utility>

#include "application.h"
#include "libraryhold.h"
#include "pluginstate.h"
#include "preview/twiz.h"
#include "statement/session.h"
#include "statementwindow/tform1.h"
#include "widgets/messages.h"
#include "widgets/nativewindow.h"
#include "widgets/windowowner.h"

namespace zest::plugin
{

namespace
{

std::string Copy(const char* text)
{
    return text ? std::string(text) : std::string();
}

// Whether the windows may be touched here: the application object exists and this is
// its thread.
bool OnGuiThread()
{
    const auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app && QThread::currentThread() == app->thread();
}

// Creates the statement window when there is none, opens the register and shows it.
void Open(const AnalizaRequest& request)
{
    PluginState& state = State();
    if (!state.Form) {
        const zest::ui::WindowOwner owner = zest::ui::FindWindowOwner(
            zest::ui::NativeWindowId(state.HostAppHandle), state.HostWindows.emplace_back());
        state.Form = new TForm1(owner);
        state.AllForms.emplace_back(state.Form);
    }
    TForm1* form = state.Form;
    zest::ui::RunGuarded(
        form, [&] { form->OpenRegister(request.Database, request.User, request.Password, request.Role); });
    zest::ui::BringToFront(form);
}

void OpenDeferred()
{
    std::optional<AnalizaRequest> request = std::exchange(State().Deferred, std::nullopt);
    if (request)
        Open(*request);
}

} // namespace

void GetTypeName(const char** caption, std::int32_t* kind, std::uint32_t hostAppHandle) noexcept
{
    if (caption)
        *caption = ActionCaption;
    if (kind)
        *kind = ActionKind;
    State().Form = nullptr;
    State().HostAppHandle = hostAppHandle;
}

void Analiza(const char* databaseName, const char* userName, const char* password, const char* roleName) noexcept
{
    if (!GuiApplication())
        return;
    // A call from a nested loop of a handler (the run's progress, a box, a dialog),
    // which a host that is not a Qt program serves its own menus under: the connection
    // that handler uses stays as it is, and the latest request is carried out once the
    // handlers have returned.
    const bool handlerRunning = zest::ui::HandlersOnStack() > 0;
    zest::ui::RunGuarded(nullptr, [&] {
        AnalizaRequest request { Copy(databaseName), Copy(userName), Copy(password), Copy(roleName) };
        PluginState& state = State();
        if (!handlerRunning) {
            Open(request);
            return;
        }
        if (!state.Deferred)
            zest::ui::AfterHandlers(&OpenDeferred);
        state.Deferred = std::move(request);
        if (state.Form)
            zest::ui::BringToFront(state.Form);
    });
}

void Load() noexcept
{
    State();
    zest::StatementSession::DisconnectAll();
    HoldLibraryInNestedLoops();
}

void Unload() noexcept
{
    StopHoldingLibrary();
    PluginState& state = State();
    state.Deferred.reset();
    if (OnGuiThread() && zest::ui::HandlersOnStack() == 0) {
        for (QPointer<TForm1>& form : state.AllForms)
            delete form.data();
        state.HostWindows.clear(); // after the windows they own
    } else if (OnGuiThread()) {
        // A handler is on the stack: the process ends from inside its nested loop (the
        // hold keeps a host's dlclose from getting here). Its windows cannot be
        // destroyed under it; they are hidden and go with the process.
        for (QPointer<TForm1>& form : state.AllForms) {
            if (!form)
                continue;
            if (form->wiz())
                form->wiz()->hide();
            form->hide();
        }
        for (std::unique_ptr<QWindow>& window : state.HostWindows)
            (void)window.release();
    } else {
        zest::StatementSession::DisconnectAll();
        for (std::unique_ptr<QWindow>& window : state.HostWindows)
            (void)window.release(); // Qt's objects can no longer be touched here
    }
    state.HostWindows.clear();
    state.AllForms.clear();
    state.Form = nullptr;
}

} // namespace zest::plugin
