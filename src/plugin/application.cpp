// The library's own application object, for hosts that are not Qt programs.
#include "application.h"

#include <QApplication>
#include <QThread>
#include <clocale>
#include <cstdio>
#include <string>

#include "hostprocess.h"

namespace zest::plugin
{

namespace
{

void Refuse(const char* why)
{
    std::fprintf(stderr, "Zestawienia: %s; the statement window is not shown.\n", why);
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
    FindQtPluginsBesideLibrary();
    auto* app = new QApplication(*argc, argv);
    std::setlocale(LC_ALL, hostLocale.c_str());
    KeepQtLoaded();
    if (!HostLoopServesQt())
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
