// The statement window over a demo register, offscreen: the person search (the first
// batch shown, every row in the grid as it scrolls, a walk over the list with the grid
// following, and the same list without widgets), then the run over every person with
// all classes marked and threshold 0, the preview's load included. Prints figures,
// asserts nothing; ends with key=value lines.
//
//   bench-window [--register FILE | --subjects N] [--searches N]
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableView>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "demoregister.h"
#include "preview/twiz.h"
#include "statement/librarystate.h"
#include "statement/subjectlistsql.h"
#include "statementwindow/tform1.h"
#include "widgets/messages.h"

namespace fs = std::filesystem;

namespace
{

double Ms(qint64 ns)
{
    return ns / 1e6;
}

// The search of every person `searches` times, in the window and without widgets.
void MeasureSearch(TForm1& form, int searches)
{
    QTableView* grid = form.findChild<QTableView*>("DBGrid1");
    auto* search = form.findChild<QPushButton*>("Button7");
    for (int i = 0; i < searches; ++i) {
        QElapsedTimer timer;
        timer.start();
        search->click();
        QApplication::processEvents(); // the first batch painted
        const qint64 shown = timer.nsecsElapsed();
        const int firstRows = grid->model()->rowCount();
        while (grid->model()->canFetchMore({})) {
            grid->scrollToBottom();
            QApplication::processEvents();
        }
        const qint64 all = timer.nsecsElapsed();
        timer.restart();
        form.Subjects().FetchAll();
        int visited = 0;
        for (form.Subjects().First(); !form.Subjects().Eof(); form.Subjects().Next())
            ++visited;
        const qint64 walk = timer.nsecsElapsed();
        std::printf("search %d: first %d rows shown %.1f ms, all %d rows in the grid %.1f ms, walk of %d rows "
                    "with the grid following %.1f ms\n",
            i + 1, firstRows, Ms(shown), grid->model()->rowCount(), Ms(all), visited, Ms(walk));
        if (i + 1 == searches)
            std::printf("search_first_rows=%d\nsearch_first_ms=%.1f\nsearch_all_rows=%d\nsearch_all_ms=%.1f\n"
                        "search_walk_ms=%.1f\n",
                firstRows, Ms(shown), grid->model()->rowCount(), Ms(all), Ms(walk));
    }

    zest::SubjectList list;
    QElapsedTimer timer;
    timer.start();
    list.Open(form.Session().IBTransaction1, zest::SubjectListSql(zest::PersonKindIndex, "", ""));
    const qint64 first = timer.nsecsElapsed();
    list.FetchAll();
    const qint64 all = timer.nsecsElapsed();
    std::printf("without widgets: first batch %.1f ms, all %d rows %.1f ms\n", Ms(first), list.RowCount(), Ms(all));
    std::printf("list_first_ms=%.1f\nlist_all_ms=%.1f\n", Ms(first), Ms(all));
}

// The run over every person of the list, as the user starts it.
void MeasureRun(TForm1& form)
{
    form.Session().Classes.MarkAll();
    zest::Library().Area.AreaThreshold = 0;
    QElapsedTimer timer;
    timer.start();
    form.findChild<QPushButton*>("Button7")->click();
    const qint64 search = timer.restart();
    form.findChild<QPushButton*>("Button5")->click();
    const qint64 run = timer.elapsed();
    const std::size_t bytes = form.wiz()->Text().size();
    std::printf("run: search %lld ms, run with the preview's load %lld ms, preview %zu bytes\n",
        static_cast<long long>(search), static_cast<long long>(run), bytes);
    std::printf("run_search_ms=%lld\nrun_ms=%lld\npreview_bytes=%zu\n", static_cast<long long>(search),
        static_cast<long long>(run), bytes);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // figures read by programs
    QCommandLineParser parser;
    parser.setApplicationDescription("The statement window's search and run over a demo register.");
    parser.addHelpOption();
    parser.addOptions({
        { "register", "An existing register instead of a new demo register.", "file" },
        { "subjects", "Subjects of the demo register made for the run (default 20000).", "n", "20000" },
        { "searches", "Repetitions of the search (default 3).", "n", "3" },
    });
    parser.process(app);
    bool subjectsOk = false, searchesOk = false;
    const int subjects = parser.value("subjects").toInt(&subjectsOk);
    const int searches = parser.value("searches").toInt(&searchesOk);
    if (!subjectsOk || subjects < zest::demo::MinSubjects || subjects > zest::demo::MaxSubjects || !searchesOk
        || searches < 1) {
        std::fprintf(stderr, "bench-window: --subjects takes %d to %d, --searches a positive number\n",
            zest::demo::MinSubjects, zest::demo::MaxSubjects);
        return 2;
    }

    std::string path = parser.value("register").toStdString();
    fs::path made;
    if (path.empty()) {
        made = fs::temp_directory_path() / ("bench-window-" + std::to_string(getpid()) + ".fdb");
        path = made.string();
        QElapsedTimer timer;
        timer.start();
        zest::fb::Database db;
        zest::demo::CreateDemoRegister(db, path, { .subjects = subjects });
        std::printf("demo register of %d subjects made in %.1f s\n", subjects, timer.elapsed() / 1e3);
    }

    int boxes = 0;
    zest::ui::SetMessageBoxHook([&](const zest::ui::MessageBoxRequest& r) {
        ++boxes;
        std::fprintf(stderr, "message: %s\n", r.Text.toStdString().c_str());
    });
    {
        TForm1 form;
        form.OpenRegister(path, "SYSDBA", "x", "");
        form.show();
        QApplication::processEvents();
        MeasureSearch(form, searches);
        MeasureRun(form);
    }
    std::printf("message_boxes=%d\n", boxes);
    if (!made.empty())
        fs::remove(made);
    return boxes == 0 ? 0 : 1;
}
