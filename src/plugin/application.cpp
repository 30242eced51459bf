// The library's own application object, for hosts that are not Qt programs.
#include "application.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QThread>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace zest::plugin
{

namespace
{

void Refuse(const char* why)
{
    std::fprintf(stderr, "Zestawienia: %s; the statement window is not shown.\n", why);
}

bool OnMainThread()
{
#if defined(__linux__)
    return gettid() == getpid();
#else
    return true;
#endif
}

// Qt aborts the process when its platform finds no display; a host without one gets a
// line on standard error instead.
bool DisplayAvailable()
{
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// Keeps Qt mapped for the rest of the process, with the application object made here
// (see GuiApplication in the header). The libraries that Widgets and PrintSupport need
// stay with them.
void KeepQtLoaded()
{
    for (const char* name : { "libQt6Widgets.so.6", "libQt6PrintSupport.so.6" }) {
        if (!dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE))
            std::fprintf(stderr, "Zestawienia: cannot keep %s loaded: %s\n", name, dlerror());
    }
}

QApplication* MakeApplication()
{
    // Qt keeps references to both for the application object's lifetime, which can be
    // longer than the library's: they live on the heap.
    int* argc = new int(1);
    char** argv = new char* [2] { new char[] { "zestawienia" }, nullptr };
    // QCoreApplication sets the C library's locale from the environment; the host
    // keeps its own.
    const std::string hostLocale = std::setlocale(LC_ALL, nullptr);
    auto* app = new QApplication(*argc, argv);
    std::setlocale(LC_ALL, hostLocale.c_str());
    KeepQtLoaded();
    if (!QAbstractEventDispatcher::instance()->inherits("QEventDispatcherGlib"))
        std::fprintf(stderr,
            "Zestawienia: Qt's event dispatcher is not GLib's (QT_NO_GLIB?); only a Qt event "
            "loop serves the windows.\n");
    return app;
}

} // namespace

QApplication* GuiApplication() noexcept
{
    QCoreApplication* instance = QCoreApplication::instance();
    if (!instance) {
        if (!OnMainThread()) {
            Refuse("Analiza was called from a thread other than the main thread of a process without a Qt "
                   "application object");
            return nullptr;
        }
        if (!DisplayAvailable()) {
            Refuse("there is no display (DISPLAY is not set)");
            return nullptr;
        }
        return MakeApplication();
    }
    auto* app = qobject_cast<QApplication*>(instance);
    if (!app) {
        Refuse("the process's Qt application object is not a QApplication");
        return nullptr;
    }
    if (QThread::currentThread() != app->thread()) {
        Refuse("Analiza was called from a thread other than the one that shows the windows");
        return nullptr;
    }
    return app;
}

} // namespace zest::plugin
