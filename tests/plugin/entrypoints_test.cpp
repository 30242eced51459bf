// GetTypeName and Analiza as the host drives them, on embedded registers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <filesystem>
#include <functional>

#include "demoregister.h"
#include "disclosures/register.h"
#include "messagerecorder.h"
#include "plugin/entrypoints.h"
#include "plugin/pluginstate.h"
#include "pluginreset.h"
#include "preview/twiz.h"
#include "registerplace.h"
#include "scopedenv.h"
#include "statementwindow/tform1.h"
#include "testregister.h"

using zest::test::MessageRecorder;
using zest::test::TestRegister;
namespace plugin = zest::plugin;

namespace
{

class EntryPointsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        reg = std::make_unique<TestRegister>("entry");
        reg->Exec({ "insert into obreby values (1, 'Jeden')",
            "insert into uzytki (id, ofu, ozu, ozk, status) values (1, 'R', 'R', 'I', 0)",
            "insert into uzytki (id, ofu, ozu, ozk, status) values (2, 'Lz', 'Lz', null, 0)" });
    }

    void Analiza(const std::string& db, const char* user = "SYSDBA",
        const char* password = zest::test::RegisterPassword(), const char* role = "")
    {
        plugin::Analiza(db.c_str(), user, password, role);
    }
    static TForm1* Form() { return plugin::State().Form; }
    static QAbstractItemModel* Classes(TForm1* f) { return f->findChild<QTableView*>("ozu")->model(); }
    // Changes the first class's mark the way the user does.
    static void ToggleFirstMark(TForm1* f)
    {
        f->Session().Classes.SetText(1, zest::ClassGrid::ColMark, "Tak");
        ASSERT_EQ(Classes(f)->index(0, 3).data().toString(), "Tak"); // Lz: default blank
    }

    MessageRecorder boxes;
    std::unique_ptr<TestRegister> reg;
    zest::test::PluginReset fresh; // goes before the register
};

TEST_F(EntryPointsTest, GetTypeNameHandsOutCaptionAndKind)
{
    const char* caption = nullptr;
    std::int32_t kind = 0;
    plugin::GetTypeName(&caption, &kind, 0);
    EXPECT_STREQ(caption, "Akcja - Mezvar");
    EXPECT_EQ(kind, 1);
}

TEST_F(EntryPointsTest, SameCredentialsKeepTheConnectionAndTheMarks)
{
    Analiza(reg->path());
    TForm1* form = Form();
    ASSERT_TRUE(form && form->Session().Connected());
    EXPECT_TRUE(form->isVisible());
    ToggleFirstMark(form);
    const auto handle = *form->Session().IBDatabase1.handlePtr();
    form->close();
    EXPECT_FALSE(form->isVisible());

    Analiza(reg->path(), "SYSDBA", zest::test::RegisterPassword(), "INNA_ROLA");
    EXPECT_EQ(Form(), form);
    EXPECT_TRUE(form->isVisible()); // shown again after the user closed it
    form->setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
    Analiza(reg->path());
    EXPECT_EQ(form->windowState(), Qt::WindowMaximized); // back from the task bar as it was
    EXPECT_EQ(*form->Session().IBDatabase1.handlePtr(), handle);
    EXPECT_EQ(form->Session().IBDatabase1.credentials()->role, ""); // the old role stays
    EXPECT_EQ(Classes(form)->index(0, 3).data().toString(), "Tak");
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(EntryPointsTest, AnotherPasswordOrDatabaseSpellingReconnectsWithDefaultMarks)
{
    if (!zest::test::RegistersAreLocalFiles())
        GTEST_SKIP() << "another password and a second name open only the embedded engine's register";
    // A second name for the same file that differs from the first only in letter case.
    namespace fs = std::filesystem;
    const fs::path real = reg->path();
    fs::path other = real;
    other.replace_filename(real.stem().string() + ".FDB");
    fs::create_symlink(real, other);

    Analiza(reg->path());
    TForm1* form = Form();
    ToggleFirstMark(form);
    Analiza(reg->path(), "SYSDBA", "y");
    ASSERT_TRUE(form->Session().Connected());
    EXPECT_EQ(form->Session().IBDatabase1.credentials()->password, "y");
    EXPECT_EQ(Classes(form)->index(0, 3).data().toString(), "   ");

    ToggleFirstMark(form);
    Analiza(other.string(), "SYSDBA", "y");
    ASSERT_TRUE(form->Session().Connected());
    EXPECT_EQ(form->Session().IBDatabase1.DatabaseName, other.string());
    EXPECT_EQ(Classes(form)->index(0, 3).data().toString(), "   ");
    EXPECT_TRUE(boxes.boxes.empty());
    fs::remove(other);
}

TEST_F(EntryPointsTest, FailedReconnectKeepsTheButtonsEnabled)
{
    Analiza(reg->path());
    Analiza(zest::test::UniqueTempPath("entry-absent"));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_FALSE(Form()->Session().Connected());
    EXPECT_TRUE(Form()->findChild<QPushButton*>("Button7")->isEnabled());
    EXPECT_TRUE(Form()->isVisible());
}

TEST_F(EntryPointsTest, GetTypeNameAgainMakesTheNextAnalizaOpenANewWindow)
{
    Analiza(reg->path());
    QPointer<TForm1> first = Form();
    QPointer<Twiz> firstWiz = first->wiz();
    plugin::GetTypeName(nullptr, nullptr, 0);
    EXPECT_EQ(Form(), nullptr);
    EXPECT_TRUE(first->isVisible()); // forgotten, not closed

    Analiza(reg->path());
    TForm1* second = Form();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first.data());
    EXPECT_NE(second->wiz(), firstWiz.data());
    EXPECT_TRUE(second->Session().Connected());
    EXPECT_TRUE(first->Session().Connected());
    EXPECT_EQ(plugin::State().AllForms.size(), 2u);

    plugin::Unload();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(firstWiz.isNull());
    EXPECT_TRUE(plugin::State().AllForms.empty());
}

TEST_F(EntryPointsTest, MissingTableAfterConnectingIsShownAndNotPassedOn)
{
    reg->Exec("drop table obreby");
    Analiza(reg->path()); // noexcept: an escaping error would end the test run
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].Caption, "Zestawienia");
    EXPECT_TRUE(boxes.boxes[0].Text.contains("OBREBY", Qt::CaseInsensitive)) << boxes.boxes[0].Text.toStdString();
    TForm1* form = Form();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->Session().Connected());
    EXPECT_FALSE(form->findChild<QPushButton*>("Button5")->isEnabled());
}

TEST_F(EntryPointsTest, NullTextsReadAsEmpty)
{
    plugin::Analiza(nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].Caption, QString::fromUtf8("Połączenie z bazą "));
}

TEST_F(EntryPointsTest, WindowsAreOwnedByTheHostWindow)
{
    QMainWindow host;
    const zest::test::PluginReset windowsGoFirst; // before the host window goes
    host.show();
    plugin::GetTypeName(nullptr, nullptr, static_cast<std::uint32_t>(host.winId()));
    Analiza(reg->path());
    TForm1* form = Form();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->parentWidget(), &host);
    EXPECT_TRUE(form->isWindow());
    EXPECT_EQ(form->wiz()->parentWidget(), &host);
    EXPECT_TRUE(form->wiz()->isWindow());
}

TEST_F(EntryPointsTest, HandleNamingNoWindowLeavesThemUnowned)
{
    plugin::GetTypeName(nullptr, nullptr, 0x3fffff0u);
    Analiza(reg->path());
    TForm1* form = Form();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->parentWidget(), nullptr);
    EXPECT_EQ(form->windowHandle()->transientParent(), nullptr);
    EXPECT_TRUE(form->isVisible());
}

// A host that is not a Qt program serves its own menus while a run shows its progress.
// Analiza from there leaves the run's connection alone and is carried out once the run
// has ended; a connection changed under a run all the same (here by the window's own
// call) makes the run an error that is neither shown nor recorded.
TEST_F(EntryPointsTest, CallsInTheMiddleOfARun)
{
    if (!zest::test::RegistersAreLocalFiles())
        GTEST_SKIP() << "a second password on one register, and a register of 6000 subjects made per test: the "
                        "embedded engine's";
    const std::string big = zest::test::UniqueTempPath("entry-run");
    {
        zest::fb::Database db;
        zest::demo::DemoOptions options;
        options.subjects = 6000;
        zest::demo::CreateDemoRegister(db, big, options);
    }
    const std::string disclosures = zest::test::UniqueTempPath("entry-run-disclosures");
    const zest::test::ScopedEnv recorded(zest::disclosures::EnvironmentVariable, disclosures);
    zest::Library().Area.AreaThreshold = 0;
    // Runs "Zestawienie" over the list of every person, `during` called at its progress
    // (once the dialog shows) until it returns true.
    const auto runWith = [](TForm1* form, const std::function<bool(QProgressDialog&)>& during) {
        form->findChild<QPushButton*>("Button7")->click();
        bool done = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible() && !done)
                    done = during(*d);
        });
        poll.start();
        form->findChild<QPushButton*>("Button5")->click();
        EXPECT_TRUE(done) << "a run of 6000 subjects shows its progress";
    };

    Analiza(big);
    TForm1* form = Form();
    ASSERT_TRUE(form && form->Session().Connected());
    runWith(form, [&](QProgressDialog& progress) {
        Analiza(reg->path(), "SYSDBA", "y");
        EXPECT_EQ(form->Session().IBDatabase1.DatabaseName, big);
        EXPECT_TRUE(form->Session().Connected());
        EXPECT_TRUE(form->Subjects().IsOpen());
        progress.cancel();
        return true;
    });
    EXPECT_EQ(form->Session().IBDatabase1.DatabaseName, big); // not under the returning handler
    QTRY_COMPARE(form->Session().IBDatabase1.DatabaseName, reg->path());
    EXPECT_EQ(Form(), form);
    EXPECT_TRUE(form->Session().Connected());
    EXPECT_TRUE(boxes.boxes.empty());

    Analiza(big);
    runWith(form, [&](QProgressDialog& progress) {
        // At the run's last step: the run then ends as if complete.
        QObject::connect(progress.findChild<QProgressBar*>(), &QProgressBar::valueChanged, form, [&](int value) {
            if (value == progress.maximum())
                form->OpenRegister(reg->path(), "SYSDBA", "x", "");
        });
        return true;
    });
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].Text.startsWith(QString::fromUtf8("Zestawienie przerwane: połączenie z bazą")))
        << boxes.boxes[0].Text.toStdString();
    EXPECT_TRUE(form->wiz()->Text().empty());
    EXPECT_FALSE(std::filesystem::exists(disclosures)) << "nothing recorded";
    std::filesystem::remove(big);
}

TEST_F(EntryPointsTest, UnloadWithoutAnalizaDoesNothing)
{
    plugin::Unload();
    plugin::Unload();
    EXPECT_EQ(Form(), nullptr);
}

} // namespace
