// A soak of the statement run: many runs in a row in one statement window (append mode
// off, so the preview is replaced each time), then many runs of zestawienia-cli, over a
// small demo register. Prints the resident memory (VmRSS) and the open descriptors of
// this process at the start, at intervals and at the end, the peak memory of the tool's
// runs, and whether the temporary directory (a fresh one, as TMPDIR) holds any "kp"
// file afterwards. Ends with key=value lines; exits 1 when a run failed or a file was
// left behind.
//
//   zestawienia-soak [--window-runs N] [--cli-runs N] [--subjects N] [--every N]
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "demoregister.h"
#include "preview/twiz.h"
#include "statement/librarystate.h"
#include "statementwindow/tform1.h"
#include "widgets/messages.h"

extern char** environ;

namespace fs = std::filesystem;

namespace
{

struct Options {
    int windowRuns = 200;
    int cliRuns = 1000;
    int subjects = 60;
    int every = 50;
};

struct Sample {
    long rssKb = 0;
    int fds = 0;
};

long RssKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

int OpenFds()
{
    // The directory handle of the listing itself is one of them, the same every time.
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

Sample Take()
{
    return { RssKb(), OpenFds() };
}

void Print(const char* phase, int run, const Sample& s)
{
    std::printf("%-6s run %5d  rss %7ld kB  fds %3d\n", phase, run, s.rssKb, s.fds);
    std::fflush(stdout);
}

int KpFiles(const std::string& dir)
{
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        n += e.path().filename().string().rfind("kp", 0) == 0;
    return n;
}

// Whatever else is left there, named on standard error.
int Entries(const std::string& dir)
{
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::fprintf(stderr, "left in the temporary directory: %s\n", e.path().filename().c_str());
        ++n;
    }
    return n;
}

// One run of the tool; its exit status, and its peak memory in kB.
int RunCli(const std::vector<std::string>& args, long& maxRssKb)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", argv[0], std::strerror(rc));
        return -1;
    }
    int status = 0;
    rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0)
        if (errno != EINTR)
            return -1;
    maxRssKb = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool ParseInt(const char* text, int& value)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!text[0] || *end || v < 0 || v > 1'000'000)
        return false;
    value = static_cast<int>(v);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    static const char* const usage
        = "usage: zestawienia-soak [--window-runs N] [--cli-runs N] [--subjects N] [--every N]\n"
          "  --window-runs  statement runs in one window (default 200)\n"
          "  --cli-runs     runs of zestawienia-cli (default 1000)\n"
          "  --subjects     subjects of the demo register (default 60)\n"
          "  --every        sample memory and descriptors every N runs (default 50)\n";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        int* target = a == "--window-runs" ? &o.windowRuns
            : a == "--cli-runs"            ? &o.cliRuns
            : a == "--subjects"            ? &o.subjects
            : a == "--every"               ? &o.every
                                           : nullptr;
        if (!target || i + 1 >= argc || !ParseInt(argv[++i], *target)) {
            std::fputs(usage, stderr);
            return 2;
        }
    }
    if (o.every <= 0)
        o.every = 1;

    // A temporary directory of the soak's own, for the run files of both parts.
    std::string tmpTemplate = (fs::temp_directory_path() / "zest-soak-XXXXXX").string();
    if (!mkdtemp(tmpTemplate.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string tmp = tmpTemplate;
    setenv("TMPDIR", tmp.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string work = tmp + "-work";
    fs::create_directories(work);
    // Qt's runtime directory would otherwise be made in TMPDIR.
    const std::string runtime = work + "/runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    const std::string reg = work + "/register.fdb";
    {
        zest::fb::Database db;
        zest::demo::DemoOptions demo;
        demo.subjects = std::max(o.subjects, zest::demo::MinSubjects);
        zest::demo::CreateDemoRegister(db, reg, demo);
    }

    QApplication app(argc, argv);
    // The figures below are read by programs: numbers in the "C" locale, whatever
    // locale the application object took from the environment.
    std::setlocale(LC_NUMERIC, "C");
    // The offscreen platform's word on every window it cannot raise, once per run.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        if (!text.startsWith(QLatin1String("This plugin does not support")))
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    int boxes = 0;
    zest::ui::SetMessageBoxHook([&](const zest::ui::MessageBoxRequest& r) {
        ++boxes;
        std::fprintf(stderr, "message: %s\n", r.Text.toStdString().c_str());
    });

    // Part one: the window.
    Sample windowStart, windowFirst, windowEnd;
    std::size_t previewBytes = 0;
    bool previewSteady = true;
    {
        windowStart = Take();
        Print("window", 0, windowStart);
        zest::Library().Area.AreaThreshold = 0;
        TForm1 form;
        form.OpenRegister(reg, "SYSDBA", "x", "");
        form.Session().Classes.MarkAll();
        form.findChild<QCheckBox*>("dopiszDoWydruku")->setChecked(false);
        form.findChild<QPushButton*>("Button7")->click();
        auto* run = form.findChild<QPushButton*>("Button5");
        for (int i = 1; i <= o.windowRuns; ++i) {
            run->click();
            QApplication::processEvents();
            const std::size_t bytes = form.wiz() ? form.wiz()->Text().size() : 0;
            if (i == 1)
                previewBytes = bytes;
            else if (bytes != previewBytes)
                previewSteady = false;
            if (i == 1)
                windowFirst = Take();
            if (i % o.every == 0 || i == o.windowRuns)
                Print("window", i, Take());
        }
        windowEnd = Take();
    }
    QApplication::processEvents();
    const Sample windowClosed = Take();
    Print("closed", o.windowRuns, windowClosed);
    const int kpAfterWindow = KpFiles(tmp);

    // Part two: the tool, each run a process of its own; the register is free again now
    // that the window has gone.
    const std::string out = work + "/out.txt";
    const std::vector<std::string> args { ZEST_CLI_PATH, "--database", reg, "--threshold", "0", "--marks", "all",
        "--output", out };
    Sample cliStart = Take(), cliEnd;
    long childFirstKb = 0, childLastKb = 0, childMaxKb = 0;
    int cliFailures = 0;
    Print("cli", 0, cliStart);
    for (int i = 1; i <= o.cliRuns; ++i) {
        long rss = 0;
        if (RunCli(args, rss) != 0)
            ++cliFailures;
        if (i == 1)
            childFirstKb = rss;
        childLastKb = rss;
        childMaxKb = std::max(childMaxKb, rss);
        if (i % (o.every * 5) == 0 || i == o.cliRuns) {
            Print("cli", i, Take());
            std::printf("       tool peak rss %ld kB\n", rss);
        }
    }
    cliEnd = Take();
    const int kpAfterCli = KpFiles(tmp);
    const int leftInTmp = Entries(tmp);

    std::printf("window_runs=%d\n", o.windowRuns);
    std::printf("window_rss_kb_start=%ld\nwindow_rss_kb_after_first_run=%ld\nwindow_rss_kb_end=%ld\n",
        windowStart.rssKb, windowFirst.rssKb, windowEnd.rssKb);
    std::printf("window_fds_start=%d\nwindow_fds_after_first_run=%d\nwindow_fds_end=%d\n", windowStart.fds,
        windowFirst.fds, windowEnd.fds);
    std::printf("window_closed_rss_kb=%ld\nwindow_closed_fds=%d\n", windowClosed.rssKb, windowClosed.fds);
    std::printf("window_preview_bytes=%zu\nwindow_preview_steady=%d\nmessage_boxes=%d\n", previewBytes,
        previewSteady ? 1 : 0, boxes);
    std::printf("cli_runs=%d\ncli_failures=%d\n", o.cliRuns, cliFailures);
    std::printf(
        "cli_parent_rss_kb_start=%ld\ncli_parent_rss_kb_end=%ld\ncli_parent_fds_start=%d\ncli_parent_fds_end=%d\n",
        cliStart.rssKb, cliEnd.rssKb, cliStart.fds, cliEnd.fds);
    std::printf("cli_child_peak_rss_kb_first=%ld\ncli_child_peak_rss_kb_last=%ld\ncli_child_peak_rss_kb_max=%ld\n",
        childFirstKb, childLastKb, childMaxKb);
    std::printf(
        "kp_files_after_window=%d\nkp_files_after_cli=%d\ntmp_entries_left=%d\n", kpAfterWindow, kpAfterCli, leftInTmp);

    fs::remove_all(work);
    fs::remove_all(tmp);
    const bool ok
        = boxes == 0 && cliFailures == 0 && previewSteady && kpAfterWindow == 0 && kpAfterCli == 0 && leftInTmp == 0;
    std::printf("soak=%s\n", ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
