// The two exports and the unload.
#include "entrypoints.h"

#include <QApplication>
#include <QThread>
#include <QWidget>
#include <string>

#include "application.h"
#include "pluginstate.h"
#include "widgets/messages.h"
#include "statement/session.h"
#include "statementwindow/tform1.h"
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
    zest::ui::RunGuarded(nullptr, [&] {
        const std::string database = Copy(databaseName);
        const std::string user = Copy(userName);
        const std::string pass = Copy(password);
        const std::string role = Copy(roleName);
        PluginState& state = State();
        if (!state.Form) {
            const zest::ui::WindowOwner owner
                = zest::ui::FindWindowOwner(static_cast<WId>(state.HostAppHandle), state.HostWindows.emplace_back());
            state.Form = new TForm1(owner);
            state.AllForms.emplace_back(state.Form);
        }
        TForm1* form = state.Form;
        zest::ui::RunGuarded(form, [&] { form->OpenRegister(database, user, pass, role); });
        zest::ui::BringToFront(form);
    });
}

void Load() noexcept
{
    State();
    zest::StatementSession::DisconnectAll();
}

void Unload() noexcept
{
    PluginState& state = State();
    if (OnGuiThread()) {
        for (QPointer<TForm1>& form : state.AllForms)
            delete form.data();
        state.HostWindows.clear(); // after the windows they own
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
