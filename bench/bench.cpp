// zestawienia-bench: the figures of one process on this machine. The statement run over
// demo registers against the bare cost of its statements (embedded and, with --server,
// through the loopback server), the preview's load, find and append on a large statement
// file, and printing statements to PDF. Everything it needs is made in a temporary
// directory, removed at the end. Readable lines come first; the last lines are one
// figure each, "key=value", medians of the repetitions.
#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "database/database.h"
#include "netbench.h"
#include "previewbench.h"
#include "runbench.h"
#include "statement/wirecompression.h"
#include "wirebench.h"

namespace fs = std::filesystem;
using namespace zest::bench;

namespace
{

struct Options {
    std::vector<int> subjects { 20'000 };
    int textMb = 100;
    int pages = 1000;
    int reps = 3;
    bool server = false;
    bool netOnly = false; // with --server: only the runs over the link
    double rttMs = 1;
    std::string keep; // directory that keeps the registers between processes
    double mbit = 0; // the link's width in each direction; 0: none
    std::optional<bool> compression; // --wire-compression; none: the environment's, else the default
    bool compareCompression = false;
    int clerks = 0;
    bool help = false;
};

const char* const Usage
    = "usage: zestawienia-bench [--subjects N[,N...]] [--text-mb M] [--pages P] [--server]\n"
      "                         [--rtt-ms R] [--mbit M] [--wire-compression on|off]\n"
      "                         [--compare-compression] [--clerks N] [--net-only] [--reps R] [--keep DIR]\n"
      "  --subjects  demo register sizes; the first is the commune (default 20000)\n"
      "  --text-mb   size of the statement file loaded into the preview (default 100)\n"
      "  --pages     pages of statements printed to PDF (default 1000)\n"
      "  --server    also through the loopback server on 127.0.0.1:3050, directly and\n"
      "              through a link that adds a round-trip time\n"
      "  --rtt-ms    the link's round-trip time in ms (default 1; 0: the link without delay)\n"
      "  --mbit      the link's width in Mbit/s, each direction (default 0: no limit)\n"
      "  --wire-compression  on or off for every connection to the server (default: the\n"
      "              library's, or ZESTAWIENIA_WIRE_COMPRESSION)\n"
      "  --compare-compression  with --server: the run straight to the server with\n"
      "              compression off and on in turn, and over the link with the other setting\n"
      "  --clerks    with --server: N runs at once against the server, each its own process\n"
      "  --net-only  with --server: only the runs over the link (no embedded or direct\n"
      "              runs, no preview, no print)\n"
      "  --reps      repetitions of every timing; medians are printed (default 3)\n"
      "  --keep      keep the registers in DIR and reuse them on the next run\n";

// Where the server keeps the registers it may open.
const char* const ServerDataDir = "/var/lib/firebird/3.0/data";

std::vector<int> ParseList(const std::string& text)
{
    std::vector<int> out;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, ',');)
        out.push_back(std::stoi(item));
    return out;
}

Options Parse(int argc, char* argv[])
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::invalid_argument(a + " needs a value");
            return argv[++i];
        };
        if (a == "--subjects")
            o.subjects = ParseList(value());
        else if (a == "--text-mb")
            o.textMb = std::stoi(value());
        else if (a == "--pages")
            o.pages = std::stoi(value());
        else if (a == "--reps")
            o.reps = std::stoi(value());
        else if (a == "--server")
            o.server = true;
        else if (a == "--net-only")
            o.netOnly = o.server = true;
        else if (a == "--rtt-ms")
            o.rttMs = std::stod(value());
        else if (a == "--keep")
            o.keep = value();
        else if (a == "--mbit")
            o.mbit = std::stod(value());
        else if (a == "--wire-compression") {
            const std::string v = value();
            if (v != "on" && v != "off")
                throw std::invalid_argument("--wire-compression takes on or off");
            o.compression = v == "on";
        } else if (a == "--compare-compression")
            o.compareCompression = true;
        else if (a == "--clerks")
            o.clerks = std::stoi(value());
        else if (a == "--help" || a == "-h") {
            o.help = true;
            return o;
        } else
            throw std::invalid_argument("unknown option " + a);
    }
    if (o.subjects.empty())
        throw std::invalid_argument("--subjects: no size");
    for (const int n : o.subjects)
        if (n < 10)
            throw std::invalid_argument("--subjects: at least 10");
    if (!(o.rttMs >= 0 && o.rttMs <= 10'000))
        throw std::invalid_argument("--rtt-ms takes 0 to 10000");
    if (!(o.mbit >= 0 && o.mbit <= 100'000))
        throw std::invalid_argument("--mbit takes 0 to 100000");
    if (o.clerks < 0 || o.clerks > 64)
        throw std::invalid_argument("--clerks takes 0 to 64");
    if (o.textMb < 1 || o.pages < 1 || o.reps < 1)
        throw std::invalid_argument("--text-mb, --pages and --reps take a positive number");
    return o;
}

// The server opens only files that its own user owns, under its data directory. The
// register is made there embedded (much faster than through the server), handed to the
// server's user, and from then on opened through the server only.
void EnsureServerRegister(
    const RunTarget& server, const fs::path& file, int subjects, const std::optional<fs::path>& marker)
{
    RunTarget local = server;
    local.database = file.string();
    EnsureRegister(local, subjects, marker);
    struct stat data {
    };
    if (::stat(ServerDataDir, &data) == 0 && ::chown(file.c_str(), data.st_uid, data.st_gid) != 0)
        std::perror(("zestawienia-bench: chown " + file.string()).c_str());
    ::chmod(file.c_str(), 0660);
}

struct Figures {
    std::vector<RunResult> runs;
    std::vector<NetResult> net;
    std::vector<NetResult> netOther; // the commune over the link with the other compression
    std::optional<CompressionResult> compression;
    std::optional<ClerksResult> clerks;
    std::optional<PreviewFigures> text, commune;
    std::optional<PrintFigures> print;
};

const RunResult* Find(const std::vector<RunResult>& runs, const std::string& label, int subjects)
{
    for (const RunResult& r : runs)
        if (r.label == label && r.subjects == subjects)
            return &r;
    return nullptr;
}

void PrintTable(const Options& o, const Figures& f)
{
    std::printf("\nMedians of %d repetitions (min–max)\n\n", o.reps);
    std::printf("%-9s %8s %24s %24s %22s %9s %9s %9s %8s %9s\n", "mode", "subjects", "run s", "bare s", "run/bare",
        "prepares", "distinct", "max/text", "execs", "file MB");
    for (const RunResult& r : f.runs)
        std::printf("%-9s %8d %24s %24s %22s %9d %9zu %9d %8zu %9.1f\n", r.label.c_str(), r.subjects,
            Range(r.run, "%.3f").c_str(), Range(r.bare, "%.3f").c_str(), Range(r.ratio, "%.3f").c_str(), r.prepares,
            r.distinct, r.mostOfOne, r.executions, static_cast<double>(r.fileBytes) / (1 << 20));
    for (const RunResult& small : f.runs)
        for (const RunResult& large : f.runs)
            if (small.label == large.label && large.subjects > small.subjects)
                std::printf("%s: run %d ÷ run %d = %.2f (subjects ×%.1f)\n", small.label.c_str(), large.subjects,
                    small.subjects, large.run.median / small.run.median,
                    static_cast<double>(large.subjects) / small.subjects);
    for (const NetResult& n : f.net)
        std::printf("link %.1f ms, %d subjects: run %s s, floor %s s, run/floor %s, %zu statements, %llu round "
                    "trips per run\n",
            n.rttMs, n.subjects, Range(n.run, "%.3f").c_str(), Range(n.floor, "%.3f").c_str(),
            Range(n.ratio, "%.1f").c_str(), n.statements, static_cast<unsigned long long>(n.roundTrips));
    auto preview = [](const char* what, const PreviewFigures& p) {
        std::printf("\npreview, %s (%.1f MB):\n", what, p.fileMb);
        std::printf("  read+decode %s s, load %s s, load ÷ read %s\n", Range(p.readDecode, "%.3f").c_str(),
            Range(p.load, "%.3f").c_str(), Range(p.loadOverRead, "%.2f").c_str());
        std::printf("  peak memory of the load %s MB (%.2f× the file)%s\n", Range(p.peakMb, "%.0f").c_str(),
            p.peakMb.median / p.fileMb, p.peakReset ? "" : ", peak not reset: an upper bound");
        if (p.findMs.max > 0)
            std::printf("  find near the end %s ms, append 1 MB %s ms\n", Range(p.findMs, "%.1f").c_str(),
                Range(p.appendMs, "%.1f").c_str());
    };
    if (f.commune)
        preview("the commune run's file", *f.commune);
    if (f.text)
        preview("generated statements", *f.text);
    if (f.print)
        std::printf("\nprint to PDF: %d pages in %s s (%.1f MB)\n", f.print->pages,
            Range(f.print->seconds, "%.3f").c_str(), static_cast<double>(f.print->pdfBytes) / (1 << 20));
}

void PrintKeys(const Options& o, const Figures& f)
{
    std::printf("\n");
    auto key = [](const char* name, double value, const char* format = "%.3f") {
        std::printf("%s=", name);
        std::printf(format, value);
        std::printf("\n");
    };
    const int commune = o.subjects.front();
    std::printf("reps=%d\n", o.reps);
    std::printf("subjects=%d\n", commune);
    if (const RunResult* r = Find(f.runs, "embedded", commune)) {
        key("run_s", r->run.median);
        key("bare_s", r->bare.median);
        key("run_over_bare", r->ratio.median);
        key("run_over_bare_min", r->ratio.min);
        key("run_over_bare_max", r->ratio.max);
        std::printf("prepares_per_run=%d\n", r->prepares);
        std::printf("distinct_prepared=%zu\n", r->distinct);
        std::printf("max_prepares_per_text=%d\n", r->mostOfOne);
        std::printf("executions_per_run=%zu\n", r->executions);
        key("floor_s", r->floor.median);
        key("run_over_floor", r->overFloor.median, "%.2f");
        key("run_inturn_s", r->inTurn);
        key("run_reading_s", r->detail.spent.Reading);
        key("run_formatting_s", r->detail.spent.Formatting);
        key("run_writing_s", r->detail.spent.Writing);
        key("run_waiting_s", r->detail.spent.Waiting);
        key("commune_file_mb", static_cast<double>(r->fileBytes) / (1 << 20), "%.1f");
        key("disclosure_record_s", r->record.median);
        key("disclosure_overhead", r->recordShare.median, "%.4f");
        key("disclosure_wait_s", r->wait.median);
    }
    if (o.subjects.size() > 1) {
        const int county = o.subjects.back();
        std::printf("county_subjects=%d\n", county);
        const RunResult* small = Find(f.runs, "embedded", commune);
        const RunResult* large = Find(f.runs, "embedded", county);
        if (large) {
            key("county_run_s", large->run.median);
            key("county_bare_s", large->bare.median);
            key("county_run_over_bare", large->ratio.median);
            key("county_floor_s", large->floor.median);
            key("county_run_over_floor", large->overFloor.median, "%.2f");
            std::printf("county_max_prepares_per_text=%d\n", large->mostOfOne);
        }
        if (small && large)
            key("county_over_commune", large->run.median / small->run.median, "%.2f");
        const RunResult* serverSmall = Find(f.runs, "server", commune);
        const RunResult* serverLarge = Find(f.runs, "server", county);
        if (serverLarge) {
            key("server_county_run_s", serverLarge->run.median);
            key("server_county_run_over_bare", serverLarge->ratio.median);
        }
        if (serverSmall && serverLarge)
            key("server_county_over_commune", serverLarge->run.median / serverSmall->run.median, "%.2f");
    }
    if (const RunResult* r = Find(f.runs, "server", commune)) {
        key("server_run_s", r->run.median);
        key("server_bare_s", r->bare.median);
        key("server_run_over_bare", r->ratio.median);
        std::printf("server_max_prepares_per_text=%d\n", r->mostOfOne);
    }
    if (!f.net.empty()) {
        const NetResult& n = f.net.front();
        key("net_rtt_ms", n.rttMs, "%.1f");
        key("net_run_s", n.run.median);
        key("net_floor_s", n.floor.median);
        key("net_run_over_floor", n.ratio.median, "%.2f");
        std::printf("net_statements_per_run=%zu\n", n.statements);
        std::printf("net_roundtrips_per_run=%llu\n", static_cast<unsigned long long>(n.roundTrips));
        std::printf("net_floor_roundtrips=%llu\n", static_cast<unsigned long long>(n.floorRoundTrips));
        key("net_progress_max_gap_s", n.progressMaxGap, "%.3f");
        key("net_cancel_s", n.cancelLatency, "%.3f");
        key("net_run_inturn_s", n.inTurn);
        std::printf("net_inturn_roundtrips=%llu\n", static_cast<unsigned long long>(n.inTurnRoundTrips));
        std::printf("net_list_roundtrips=%llu\n", static_cast<unsigned long long>(n.listRoundTrips));
        std::printf("net_readahead_prepares=%d\n", n.detail.prepares);
        for (std::size_t k = 0; k < zest::BatchReads::KindCount; ++k)
            std::printf("net_statements_%s=%ld\n", zest::BatchReads::KindNames[k], n.detail.byKind[k]);
        key("net_reading_s", n.detail.spent.Reading);
        key("net_formatting_s", n.detail.spent.Formatting);
        key("net_writing_s", n.detail.spent.Writing);
        key("net_waiting_s", n.detail.spent.Waiting);
        if (f.net.size() > 1) {
            const NetResult& county = f.net.back();
            key("net_county_run_s", county.run.median);
            key("net_county_floor_s", county.floor.median);
            key("net_county_run_over_floor", county.ratio.median, "%.2f");
            key("net_county_over_commune", county.run.median / n.run.median, "%.2f");
        }
    }
    if (!f.net.empty()) {
        const NetResult& n = f.net.front();
        key("net_mbit", n.mbit, "%g");
        std::printf("net_bytes_per_run=%llu\n", static_cast<unsigned long long>(n.bytesPerRun));
        std::printf("net_bytes_from_server_per_run=%llu\n", static_cast<unsigned long long>(n.bytesFromServerPerRun));
        std::printf("net_floor_bytes=%llu\n", static_cast<unsigned long long>(n.floorBytes));
        std::printf("net_compression=%s\n", n.compressed ? "on" : "off");
        if (!f.netOther.empty()) {
            const NetResult& other = f.netOther.front();
            const NetResult& on = n.compressed ? n : other;
            const NetResult& off = n.compressed ? other : n;
            std::printf("net_other_compression=%s\n", other.compressed ? "on" : "off");
            key("net_other_run_s", other.run.median);
            key("net_other_floor_s", other.floor.median);
            std::printf("net_other_bytes_per_run=%llu\n", static_cast<unsigned long long>(other.bytesPerRun));
            std::printf("net_other_floor_bytes=%llu\n", static_cast<unsigned long long>(other.floorBytes));
            if (on.compressed && !off.compressed) {
                key("net_run_compressed_over_uncompressed", on.run.median / off.run.median);
                key("net_bytes_compressed_over_uncompressed",
                    static_cast<double>(on.bytesPerRun) / static_cast<double>(off.bytesPerRun));
            }
        }
    }
    if (f.compression) {
        const CompressionResult& c = *f.compression;
        key("server_uncompressed_run_s", c.off.median);
        key("server_compressed_run_s", c.on.median);
        key("server_compressed_over_uncompressed", c.ratio.median);
        key("server_compressed_over_uncompressed_min", c.ratio.min);
        key("server_compressed_over_uncompressed_max", c.ratio.max);
        std::printf("server_wire_compressed=%s\n", c.onReadsCompressed && !c.offReadsCompressed ? "TRUE" : "FALSE");
        std::printf("compression_identical=%d\n", c.identical ? 1 : 0);
    }
    if (f.clerks) {
        const ClerksResult& c = *f.clerks;
        std::printf("clerks=%d\n", c.clerks);
        key("clerks_wall_s", c.wall);
        key("clerks_one_s", c.oneWall);
        key("clerks_over_one", c.wall / c.oneWall, "%.2f");
        std::printf("clerks_identical=%d\n", c.identical ? 1 : 0);
        std::printf("clerks_disclosures=%zu\n", c.rows);
        std::printf("clerks_disclosures_expected=%zu\n", static_cast<std::size_t>(c.clerks) * c.rowsOfOne);
        std::printf("clerks_disclosures_delivered=%zu\n", c.delivered);
    }
    if (f.commune) {
        key("commune_load_s", f.commune->load.median);
        key("commune_load_over_read", f.commune->loadOverRead.median, "%.2f");
        key("commune_peak_rss_mb", f.commune->peakMb.median, "%.0f");
    }
    if (f.text) {
        std::printf("text_mb=%d\n", o.textMb);
        key("read_decode_s", f.text->readDecode.median);
        key("preview_load_s", f.text->load.median);
        key("preview_load_over_read", f.text->loadOverRead.median, "%.2f");
        key("preview_peak_rss_mb", f.text->peakMb.median, "%.0f");
        key("preview_peak_over_file", f.text->peakMb.median / f.text->fileMb, "%.2f");
        key("find_end_ms", f.text->findMs.median, "%.1f");
        key("append_1mb_ms", f.text->appendMs.median, "%.1f");
    }
    if (f.print) {
        std::printf("pdf_pages=%d\n", f.print->pages);
        key("pdf_s", f.print->seconds.median);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // One clerk of --clerks, started by the benchmark itself.
    if (argc > 1 && std::string(argv[1]) == "--clerk")
        return ClerkMain(std::vector<std::string>(argv + 2, argv + argc));
    Options o;
    try {
        o = Parse(argc, argv);
    } catch (const std::exception& e) {
        if (*e.what())
            std::fprintf(stderr, "zestawienia-bench: %s\n", e.what());
        std::fprintf(stderr, "%s", Usage);
        return 2;
    }
    if (o.help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    // Every connection to the server, the clerks' processes included, as asked.
    if (o.compression)
        ::setenv(zest::WireCompressionVariable, *o.compression ? "on" : "off", 1);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The "key=value" figures are read by programs: numbers in the "C" locale, whatever
    // locale the application object took from the environment.
    std::setlocale(LC_NUMERIC, "C");

    const fs::path temp = fs::temp_directory_path() / ("zestawienia-bench-" + std::to_string(::getpid()));
    const fs::path registers = o.keep.empty() ? temp : fs::path(o.keep);
    fs::create_directories(temp);
    fs::create_directories(registers);

    Figures f;
    int status = 0;
    std::vector<RunTarget> made; // registers left to drop when a step fails
    try {
        std::printf("statement run: every person, institution and group, all classes marked, threshold 0\n");
        std::fflush(stdout);
        std::vector<std::string> modes;
        if (!o.netOnly)
            modes.push_back("embedded");
        if (o.server) {
            if (ServerReachable())
                modes.push_back("server");
            else
                std::printf("  server: nothing listens on 127.0.0.1:3050, measured embedded only\n");
        }
        fs::path communeFile;
        for (const std::string& mode : modes)
            for (const int n : o.subjects) {
                RunTarget t;
                t.label = mode;
                const std::string name = "register-" + std::to_string(n) + ".fdb";
                std::optional<fs::path> marker;
                if (!o.keep.empty())
                    marker = registers / ("register-" + mode + "-" + std::to_string(n) + ".size");
                if (mode == "server") {
                    t.access.password = "masterkey";
                    // A kept register has a fixed name; a temporary one the process id too.
                    const std::string stem = o.keep.empty() ? std::to_string(::getpid()) + "-" : "";
                    const fs::path file = fs::path(ServerDataDir) / ("zest-bench-" + stem + std::to_string(n) + ".fdb");
                    EnsureServerRegister(t, file, n, marker);
                    t.database = "127.0.0.1:" + file.string();
                } else {
                    t.database = (registers / name).string();
                    EnsureRegister(t, n, marker);
                }
                if (o.keep.empty())
                    made.push_back(t);
                const fs::path out = temp / ("statements-" + mode + "-" + std::to_string(n) + ".txt");
                if (!o.netOnly)
                    f.runs.push_back(MeasureRun(t, n, o.reps, out));
                if (mode == "server") {
                    f.net.push_back(MeasureNet(t, n, o.rttMs, o.reps, out, o.mbit, o.compression));
                    if (n == o.subjects.front() && o.compareCompression) {
                        f.netOther.push_back(MeasureNet(t, n, o.rttMs, o.reps, out, o.mbit, !f.net.back().compressed));
                        f.compression = MeasureCompression(t, n, o.reps, temp);
                    }
                    if (n == o.subjects.front() && o.clerks > 0)
                        f.clerks = MeasureClerks(t, n, o.clerks, temp);
                }
                if (mode == "embedded" && n == o.subjects.front())
                    communeFile = out;
                else
                    fs::remove(out);
                if (o.keep.empty()) {
                    DropRegister(t);
                    made.pop_back();
                }
            }

        if (!o.netOnly) {
            std::printf("preview of the commune run's file\n");
            std::fflush(stdout);
            f.commune = MeasurePreview(communeFile, o.reps, false);
            fs::remove(communeFile);

            std::printf("preview of %d MB of statements\n", o.textMb);
            std::fflush(stdout);
            const fs::path textFile = temp / "statements.txt";
            {
                const std::string text = StatementTextOfSize(static_cast<std::size_t>(o.textMb) << 20, EndMarker);
                std::ofstream(textFile, std::ios::binary) << text;
            }
            f.text = MeasurePreview(textFile, o.reps, true);
            fs::remove(textFile);

            std::printf("print of %d pages to PDF\n", o.pages);
            std::fflush(stdout);
            f.print = MeasurePrint(o.pages, o.reps, temp);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zestawienia-bench: %s\n", e.what());
        status = 1;
    }
    for (const RunTarget& t : made)
        DropRegister(t);
    zest::fb::ShutdownClient();
    std::error_code ignored;
    fs::remove_all(temp, ignored);

    PrintTable(o, f);
    PrintKeys(o, f);
    return status;
}
