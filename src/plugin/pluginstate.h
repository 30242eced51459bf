#pragma once
// What the loaded library keeps between calls of its exports.

#include <QPointer>
#include <QWindow>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TForm1;

namespace zest::plugin
{

// The texts of a call of Analiza, copied.
struct AnalizaRequest {
    std::string Database;
    std::string User;
    std::string Password;
    std::string Role;
};

struct PluginState {
    // The host's main window, owner of the library's windows; 0 for none.
    std::uint32_t HostAppHandle = 0;
    // The statement window that Analiza reuses; cleared by GetTypeName.
    QPointer<TForm1> Form;
    // Every statement window made since load, forgotten ones included: unload
    // destroys them all.
    std::vector<QPointer<TForm1>> AllForms;
    // The host's windows as Qt's foreign windows, when the host is not a Qt program:
    // the owners of those statement windows (empty entries for the others).
    std::vector<std::unique_ptr<QWindow>> HostWindows;
    // The latest Analiza that came while a handler was on the stack, carried out once
    // the handlers have returned.
    std::optional<AnalizaRequest> Deferred;
};

PluginState& State() noexcept;

} // namespace zest::plugin
