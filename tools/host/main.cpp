// zestawienia-host: loads the plug-in the way the register program does, calls
// GetTypeName once, offers the action in a menu and calls Analiza for it.
//
//   zestawienia-host [--library PATH] [--database DB] [--user U] [--password P]
//                    [--role R] [--open] [--screenshot FILE] [--version]

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "plugin/exports.h"
#include "version.h"
#include "widgets/wintext.h"

namespace
{

struct Plugin {
    QLibrary library;
    GetTypeNameFn getTypeName = nullptr;
    AnalizaFn analiza = nullptr;
};

// The plug-in installed with this program (ZEST_INSTALLED_PLUGIN, relative to the
// program's folder), else the one built beside it in the build tree.
QString DefaultPlugin()
{
    const QDir here(QCoreApplication::applicationDirPath());
#ifdef ZEST_INSTALLED_PLUGIN
    const QString installed = QDir::cleanPath(here.filePath(QStringLiteral(ZEST_INSTALLED_PLUGIN)));
    if (QFileInfo::exists(installed))
        return installed;
#endif
    return QDir::cleanPath(here.filePath(QStringLiteral(ZEST_BUILT_PLUGIN)));
}

} // namespace

int main(int argc, char* argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription("Loads the statements plug-in and offers its action.");
    const QCommandLineOption helpOpt = parser.addHelpOption();
    const QCommandLineOption versionOpt("version", "Displays the version.");
    const QCommandLineOption pluginOpt("library",
        "Plug-in library to load (Qt itself takes -plugin); by default the one installed with this program.", "PATH");
    const QCommandLineOption databaseOpt("database", "Register database (path or host:path).", "DB");
    const QCommandLineOption userOpt("user", "User name.", "U", "SYSDBA");
    const QCommandLineOption passwordOpt("password", "Password.", "P", "masterkey");
    const QCommandLineOption roleOpt("role", "SQL role.", "R", "");
    const QCommandLineOption openOpt("open", "Start the action right after start-up.");
    const QCommandLineOption shotOpt("screenshot", "With --open: grab the screen to FILE and quit.", "FILE");
    parser.addOptions({ versionOpt, pluginOpt, databaseOpt, userOpt, passwordOpt, roleOpt, openOpt, shotOpt });

    // The options are shown before any display is opened: the widgets' application
    // object aborts without one. Qt's own options (-platform, say) are not known here,
    // so the errors wait for the full parse below.
    {
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName("zestawienia-host");
        parser.parse(QCoreApplication::arguments());
        if (parser.isSet(helpOpt)) {
            std::fputs(qPrintable(parser.helpText()), stdout);
            return 0;
        }
        if (parser.isSet(versionOpt)) {
            std::printf("zestawienia-host %s\n", zest::Version);
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("zestawienia-host");
    parser.process(app);

    Plugin plugin;
    plugin.library.setFileName(parser.isSet(pluginOpt) ? parser.value(pluginOpt) : DefaultPlugin());
    if (!plugin.library.load()) {
        std::fprintf(stderr, "cannot load %s: %s\n", qPrintable(plugin.library.fileName()),
            qPrintable(plugin.library.errorString()));
        return 1;
    }
    plugin.getTypeName = reinterpret_cast<GetTypeNameFn>(plugin.library.resolve("GetTypeName"));
    plugin.analiza = reinterpret_cast<AnalizaFn>(plugin.library.resolve("Analiza"));
    if (!plugin.getTypeName || !plugin.analiza) {
        std::fprintf(stderr, "%s does not export GetTypeName and Analiza\n", qPrintable(plugin.library.fileName()));
        return 1;
    }

    QMainWindow window;
    window.setWindowTitle("Rejestr - zestawienia-host");
    window.resize(900, 700);
    window.show();

    const char* caption = nullptr;
    std::int32_t kind = 0;
    plugin.getTypeName(&caption, &kind, static_cast<std::uint32_t>(window.winId()));
    QMenu* menu = window.menuBar()->addMenu("Akcje");

    // The texts go to the plug-in as Windows-1250 bytes, as the register program keeps them.
    using zest::cp1250::Substitute;
    const std::string database = zest::ui::ToWin1250(parser.value(databaseOpt), Substitute);
    const std::string user = zest::ui::ToWin1250(parser.value(userOpt), Substitute);
    const std::string password = zest::ui::ToWin1250(parser.value(passwordOpt), Substitute);
    const std::string role = zest::ui::ToWin1250(parser.value(roleOpt), Substitute);
    const auto runAction
        = [&] { plugin.analiza(0, database.c_str(), user.c_str(), password.c_str(), role.c_str(), 0); };
    QObject::connect(
        menu->addAction(zest::ui::FromWin1250(caption ? caption : "")), &QAction::triggered, &window, runAction);

    if (parser.isSet(openOpt))
        QTimer::singleShot(0, &window, runAction);
    if (parser.isSet(shotOpt)) {
        const QString file = parser.value(shotOpt);
        QTimer::singleShot(1500, &app, [file] {
            QScreen* screen = QGuiApplication::primaryScreen();
            const bool saved = screen && screen->grabWindow(0).save(file);
            if (!saved)
                std::fprintf(stderr, "cannot save the screenshot to %s\n", qPrintable(file));
            QApplication::exit(saved ? 0 : 1);
        });
    }

    const int rc = app.exec();
    // Let deferred deletions and pending events of the plug-in's windows run first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    plugin.library.unload();
    return rc;
}
