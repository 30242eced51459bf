// The statement run of the window, offscreen: the preview replaced or extended, the
// temporary file gone afterwards, and runs that stop on an error leave no trace.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sys/resource.h>

#include "demoregister.h"
#include "disclosures/register.h"
#include "libraryreset.h"
#include "messagerecorder.h"
#include "preview/twiz.h"
#include "samplerows.h"
#include "scopedenv.h"
#include "statement/codepage.h"
#include "statementwindow/disclosureswindow.h"
#include "statementwindow/tform1.h"

using zest::test::LibraryReset;
using zest::test::MessageRecorder;
using zest::test::ScopedEnv;
using zest::test::TestRegister;
namespace fs = std::filesystem;

namespace
{

// A connected window over the sample register, every class marked, threshold 0, and a
// private temporary directory to look into afterwards, named in Polish so that messages
// show it.
class WindowRun : public testing::Test
{
protected:
    void SetUp() override
    {
        reg = std::make_unique<TestRegister>("win-run");
        zest::test::InsertSampleRows(*reg);
        tmp = zest::test::UniqueTempPath("win-run-tmp-zażółć", "");
        fs::create_directories(tmp);
        tmpdir.emplace("TMPDIR", tmp);
        form = std::make_unique<TForm1>();
        form->OpenRegister(reg->path(), "SYSDBA", "x", "");
        ASSERT_TRUE(form->Session().Connected());
        form->Session().Classes.MarkAll();
        zest::Library().Area.AreaThreshold = 0;
    }
    void TearDown() override
    {
        form.reset();
        tmpdir.reset();
        fs::remove_all(tmp);
    }
    QPushButton* Button(const char* name) { return form->findChild<QPushButton*>(name); }
    QCheckBox* Check(const char* name) { return form->findChild<QCheckBox*>(name); }
    void Search() { Button("Button7")->click(); }
    void Run() { Button("Button5")->click(); }
    std::string Preview() { return form->wiz()->Text(); }
    int TempFiles()
    {
        int n = 0;
        for (const auto& e : fs::directory_iterator(tmp))
            n += e.path().filename().string().rfind("kp", 0) == 0;
        return n;
    }

    LibraryReset library;
    MessageRecorder boxes;
    std::unique_ptr<TestRegister> reg;
    std::optional<ScopedEnv> tmpdir;
    std::unique_ptr<TForm1> form;
    std::string tmp;
};

TEST_F(WindowRun, ReplacesOrExtendsThePreviewAndRemovesItsFile)
{
    Search();
    ASSERT_TRUE(boxes.boxes.empty());
    Run();
    ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].Text.toStdString();
    const std::string first = Preview();
    EXPECT_NE(first.find("STAN POSIADANIA"), std::string::npos);
    EXPECT_NE(first.find("\f\r\n"), std::string::npos); // paging on by default
    EXPECT_TRUE(form->wiz()->isVisible());
    EXPECT_EQ(TempFiles(), 0);

    // A minimized preview comes back at its size and place when the run ends.
    const QRect place = form->wiz()->geometry();
    form->wiz()->setWindowState(Qt::WindowMinimized);
    Check("dopiszDoWydruku")->setChecked(true);
    Run();
    EXPECT_EQ(Preview(), first + first);
    EXPECT_EQ(form->wiz()->windowState(), Qt::WindowNoState);
    EXPECT_EQ(form->wiz()->geometry(), place);

    Check("dopiszDoWydruku")->setChecked(false);
    Check("Stronicowanie")->setChecked(false);
    Run();
    const std::string unpaged = Preview();
    EXPECT_EQ(unpaged.find('\f'), std::string::npos);
    EXPECT_NE(unpaged.find(std::string(62, '^')), std::string::npos);
    EXPECT_EQ(TempFiles(), 0);
    EXPECT_TRUE(zest::Library().Lines.empty());
}

TEST_F(WindowRun, OnlyTheIndicatedSubjectWithWskazany)
{
    Search();
    Run();
    const std::string all = Preview();
    Check("wskazany")->setChecked(true);
    Run();
    const std::string one = Preview();
    EXPECT_LT(one.size(), all.size());
    EXPECT_EQ(all.find(one.substr(0, one.find("\r\n"))), 0u) << "the first subject of the list is current";
}

TEST_F(WindowRun, WithoutASearchShowsAnErrorAndWritesNothing)
{
    Run();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(Preview().empty());
    EXPECT_FALSE(form->wiz()->isVisible());
    EXPECT_EQ(TempFiles(), 0);
}

TEST_F(WindowRun, FailuresLeaveNoTraceAndTheNextRunWorks)
{
    Search();
    Run();
    const std::string kept = Preview();
    ASSERT_FALSE(kept.empty());

    // No temporary file can be made.
    setenv("TMPDIR", "/proc/self", 1);
    Run();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].Text.indexOf("/proc/self"), -1) << boxes.boxes[0].Text.toStdString();
    EXPECT_EQ(Preview(), kept);
    setenv("TMPDIR", tmp.c_str(), 1);

    // The disk fills in the middle of the run.
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 600;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    Run();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    // The path and the system's message, both shown as they read.
    EXPECT_NE(boxes.boxes[1].Text.indexOf(QString::fromStdString(tmp)), -1) << boxes.boxes[1].Text.toStdString();
    EXPECT_NE(boxes.boxes[1].Text.indexOf(QString::fromUtf8(std::strerror(EFBIG))), -1)
        << boxes.boxes[1].Text.toStdString();
    EXPECT_EQ(Preview(), kept);
    EXPECT_EQ(TempFiles(), 0);
    EXPECT_TRUE(zest::Library().Lines.empty());

    // The window's transaction ends under the list: a run reads in a snapshot of its own
    // and does not need it.
    form->Session().IBTransaction1.Rollback();
    Run();
    ASSERT_EQ(boxes.boxes.size(), 2u) << boxes.boxes.back().Text.toStdString();
    EXPECT_EQ(Preview(), kept);
    EXPECT_EQ(TempFiles(), 0);

    // And after all that a run works again.
    form->Session().IBTransaction1.Start();
    Search();
    Run();
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(Preview(), kept);
    EXPECT_EQ(TempFiles(), 0);
}

// The statements that reach the preview are recorded, one row per subject; when the
// register cannot be written the preview shows nothing new and the register keeps nothing.
TEST_F(WindowRun, ThePreviewRecordsWhatItShowsOrRefusesIt)
{
    const std::string path = tmp + "/disclosures.sqlite";
    const ScopedEnv recorded(zest::disclosures::EnvironmentVariable, path);
    const zest::disclosures::DisclosureRegister disclosures(path);
    Search();
    Run();
    ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].Text.toStdString();
    const std::string shown = Preview();
    const std::vector<zest::disclosures::DisclosureRow> rows = disclosures.Read();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.size(), form->wiz()->Subjects().size());
    for (const auto& r : rows) {
        EXPECT_EQ(r.output, "preview");
        EXPECT_EQ(r.user, "SYSDBA");
        EXPECT_EQ(r.database, reg->path());
        EXPECT_EQ(r.options, "kind=fizyczne; threshold=0; marks=all");
        EXPECT_FALSE(r.subjectName.empty());
        const std::string name = zest::cp1250::FromUtf8(r.subjectName, zest::cp1250::Substitute);
        EXPECT_NE(shown.find(name.substr(0, name.find(' '))), std::string::npos) << r.subjectName;
    }

    const std::string unwritable = tmp + "/disclosures.sqlite/inside.sqlite"; // below a file
    setenv(zest::disclosures::EnvironmentVariable, unwritable.c_str(), 1);
    Check("dopiszDoWydruku")->setChecked(true);
    Run();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].Text,
        QString::fromUtf8("Nie można zapisać rejestru udostępnień %1: Not a directory")
            .arg(QString::fromStdString(unwritable)));
    EXPECT_EQ(Preview(), shown);
    EXPECT_EQ(disclosures.Read().size(), rows.size());
    EXPECT_EQ(TempFiles(), 0);
}

// The subject grid's menu (and Ctrl+U) shows whom the data of the subject at the cursor
// was handed to; without a subject it says to choose one.
TEST_F(WindowRun, GridMenuShowsWhomTheSubjectsDataWasHandedTo)
{
    const std::string path = tmp + "/disclosures.sqlite";
    const ScopedEnv recorded(zest::disclosures::EnvironmentVariable, path);
    auto* action = form->findChild<QAction*>("KomuUdostepniono");
    ASSERT_TRUE(action);
    EXPECT_EQ(action->text(), QString::fromUtf8("Komu udostępniono dane…"));
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_U));
    EXPECT_TRUE(form->findChild<QTableView*>("DBGrid1")->actions().contains(action));
    action->trigger();
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(form->findChild<DisclosuresWindow*>(), nullptr);

    Search();
    Run();
    // The cursor on a subject whose statement the preview shows.
    const std::vector<zest::disclosures::DisclosureRow> all = zest::disclosures::DisclosureRegister(path).Read();
    ASSERT_FALSE(all.empty());
    auto* grid = form->findChild<QTableView*>("DBGrid1");
    for (int row = 0; row < grid->model()->rowCount(); ++row) {
        grid->selectRow(row);
        if (form->Subjects().CurrentKey() && form->Subjects().CurrentKey()->Id == all.front().subjectId)
            break;
    }
    ASSERT_EQ(form->Subjects().CurrentKey()->Id, all.front().subjectId);
    action->trigger();
    ASSERT_EQ(boxes.boxes.size(), 1u) << boxes.boxes.back().Text.toStdString();
    auto* window = form->findChild<DisclosuresWindow*>();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    std::size_t rows = 0;
    for (const auto& r : all)
        rows += r.subjectId == all.front().subjectId;
    EXPECT_EQ(window->findChild<QTableWidget*>("Tabela")->rowCount(), static_cast<int>(rows));
}

} // namespace

namespace
{

// A run long enough to show its progress dialog, cancelled from it: nothing reaches the
// preview, and the file and the buffer are gone. The window's run reads the next batch
// in a reader thread while it writes the one in hand (StatementRun's default), so the
// cancel lands in the middle of an overlapped run, and the dialog is driven from this
// thread only.
TEST(WindowRunProgress, CancelFromTheDialogDiscardsTheRun)
{
    LibraryReset library;
    MessageRecorder boxes;
    const std::string path = zest::test::UniqueTempPath("win-cancel");
    {
        zest::fb::Database db;
        zest::demo::DemoOptions options;
        options.subjects = 6000;
        zest::demo::CreateDemoRegister(db, path, options);
    }
    const std::string tmp = zest::test::UniqueTempPath("win-cancel-tmp", "");
    fs::create_directories(tmp);
    const ScopedEnv tmpdir("TMPDIR", tmp);
    const std::string disclosures = tmp + "-disclosures.sqlite";
    const ScopedEnv recorded(zest::disclosures::EnvironmentVariable, disclosures);
    zest::Library().Area.AreaThreshold = 0;
    {
        TForm1 form;
        form.OpenRegister(path, "SYSDBA", "x", "");
        form.Session().Classes.MarkAll();
        form.findChild<QPushButton*>("Button7")->click();

        bool sawDialog = false;
        QTimer poll;
        poll.setInterval(50);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible()) {
                    sawDialog = true;
                    EXPECT_TRUE(d->isModal());
                    d->cancel();
                }
        });
        poll.start();
        form.findChild<QPushButton*>("Button5")->click();
        poll.stop();
        EXPECT_TRUE(sawDialog) << "a run of 6000 subjects shows its progress";
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_TRUE(form.wiz()->Text().empty());
        EXPECT_TRUE(zest::Library().Lines.empty());
        EXPECT_TRUE(fs::is_empty(tmp));
        EXPECT_FALSE(fs::exists(disclosures)) << "a cancelled run records nothing";
    }
    fs::remove_all(tmp);
    fs::remove(path);
}

} // namespace
