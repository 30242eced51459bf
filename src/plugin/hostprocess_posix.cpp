// The host's process on Linux.
#include "hostprocess.h"

#include <QAbstractEventDispatcher>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

namespace zest::plugin
{

bool OnMainThread() noexcept
{
#if defined(__linux__)
    return gettid() == getpid();
#else
    return true;
#endif
}

bool DisplayAvailable() noexcept
{
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

void FindQtPluginsBesideLibrary() { }

void KeepQtLoaded() noexcept
{
    // The libraries that Widgets and PrintSupport need stay with them.
    for (const char* name : { "libQt6Widgets.so.6", "libQt6PrintSupport.so.6" }) {
        if (!dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE))
            std::fprintf(stderr, "Zestawienia: cannot keep %s loaded: %s\n", name, dlerror());
    }
}

bool HostLoopServesQt() noexcept
{
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    return dispatcher && dispatcher->inherits("QEventDispatcherGlib");
}

} // namespace zest::plugin
