// The built plug-in, loaded the way the host loads it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLibrary>
#include <QPushButton>
#include <QTest>

#include "plugin/exports.h"
#include "testregister.h"

namespace
{

struct LoadedPlugin {
    QLibrary library { ZEST_PLUGIN_PATH };
    GetTypeNameFn getTypeName = nullptr;
    AnalizaFn analiza = nullptr;

    bool Load()
    {
        if (!library.load())
            return false;
        getTypeName = reinterpret_cast<GetTypeNameFn>(library.resolve("GetTypeName"));
        analiza = reinterpret_cast<AnalizaFn>(library.resolve("Analiza"));
        return getTypeName && analiza;
    }
};

QWidget* VisibleStatementWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "TForm1" && w->isVisible())
            return w;
    return nullptr;
}

TEST(PluginLibraryTest, UnloadWithAConnectedWindowOpen)
{
    zest::test::TestRegister reg("library");
    reg.Exec("insert into uzytki (id, ofu, ozu, ozk, status) values (1, 'R', 'R', 'I', 0)");
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.Load()) << plugin.library.errorString().toStdString();
    const char* caption = nullptr;
    std::int32_t kind = 0;
    plugin.getTypeName(&caption, &kind, 0);
    EXPECT_STREQ(caption, "Akcja - Mezvar");
    EXPECT_EQ(kind, 1);

    plugin.analiza(0, reg.path().c_str(), "SYSDBA", zest::test::RegisterPassword(), "", 0);
    QWidget* form = VisibleStatementWindow();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->findChild<QPushButton*>("Button5")->isEnabled()); // connected and loaded
    form->findChild<QAbstractButton*>("SpeedButton1")->click(); // the preview is open too
    QTest::qWait(100);

    ASSERT_TRUE(plugin.library.unload());
    EXPECT_EQ(VisibleStatementWindow(), nullptr);
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    QTest::qWait(200); // events and repaints after the code is gone
}

TEST(PluginLibraryTest, UnloadWithoutAnaliza)
{
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.Load()) << plugin.library.errorString().toStdString();
    plugin.getTypeName(nullptr, nullptr, 0);
    EXPECT_TRUE(plugin.library.unload());
}

TEST(PluginLibraryTest, ExitWithoutUnloadingClosesTheConnection)
{
    // The process ends with the window open and the library still loaded; the library's
    // exit-time handler must leave no client handle behind for the client library's own.
    zest::test::TestRegister reg("library-exit");
    auto* plugin = new LoadedPlugin;
    ASSERT_TRUE(plugin->Load());
    plugin->getTypeName(nullptr, nullptr, 0);
    plugin->analiza(0, reg.path().c_str(), "SYSDBA", zest::test::RegisterPassword(), "", 0);
    ASSERT_NE(VisibleStatementWindow(), nullptr);
}

} // namespace
