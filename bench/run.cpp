// The statement run over whole demo registers (a commune and a county), embedded and
// through the loopback server, against the bare cost of its statements: the same
// statements, executed with the same parameters in the same order and every row fetched
// as text, replayed from a trace of the run. Prints medians with min–max.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "cli/querycursor.h"
#include "demoregister.h"
#include "statement/classmarks.h"
#include "statement/linebuffer.h"
#include "statement/register/ddl.h"
#include "statement/session.h"
#include "statement/statementfile.h"
#include "statement/statementrun.h"
#include "statement/statementwriter.h"
#include "statement/subjectlist.h"

namespace fs = std::filesystem;
using namespace zest;

namespace
{

struct Options {
    std::vector<int> subjects { 20'000, 200'000 };
    int reps = 3;
    bool server = false;
    std::string keep;
};

const char* const Usage = "usage: bench-run [--subjects N[,N...]] [--reps R] [--server] [--keep DIR]\n";

std::vector<int> ParseList(const std::string& text)
{
    std::vector<int> out;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, ',');)
        out.push_back(std::stoi(item));
    return out;
}

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

struct Stats {
    double median = 0, min = 0, max = 0;
};

Stats Summarise(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return { median, v.front(), v.back() };
}

// The statements of one run in execution order, with their parameters by position.
class Trace : public fb::QueryObserver
{
public:
    struct Execution {
        std::size_t text; // index into texts
        std::vector<fb::ParamValue> params;
    };

    void Prepared(const fb::Query& q) override
    {
        ++prepares_;
        ++preparesPerText_[q.sql()];
    }
    void Executed(const fb::Query& q) override
    {
        const auto [it, added] = index_.try_emplace(q.sql(), texts.size());
        if (added)
            texts.push_back(q.sql());
        Execution e { it->second, {} };
        e.params.reserve(q.ParamCount());
        for (std::size_t i = 0; i < q.ParamCount(); ++i)
            e.params.push_back(q.Param(i));
        executions.push_back(std::move(e));
    }

    int Prepares() const noexcept { return prepares_; }
    std::size_t DistinctPrepared() const noexcept { return preparesPerText_.size(); }
    int MostPreparesOfOneText() const
    {
        int most = 0;
        for (const auto& [text, n] : preparesPerText_)
            most = std::max(most, n);
        return most;
    }
    // Prepares whose text is a member list "... IN (...)": the text changes with the members.
    int MemberListPrepares() const
    {
        int n = 0;
        for (const auto& [text, count] : preparesPerText_)
            if (text.find(" IN (") != std::string::npos)
                n += count;
        return n;
    }

    std::vector<std::string> texts;
    std::vector<Execution> executions;

private:
    std::map<std::string, std::size_t> index_;
    std::map<std::string, int> preparesPerText_;
    int prepares_ = 0;
};

// Turns an observer on for a scope.
class Observing
{
public:
    Observing(fb::Database& db, fb::QueryObserver& o)
        : db_(&db)
    {
        db.SetObserver(&o);
    }
    ~Observing() { db_->SetObserver(nullptr); }
    Observing(const Observing&) = delete;
    Observing& operator=(const Observing&) = delete;

private:
    fb::Database* db_;
};

struct Target {
    std::string label; // "embedded" or "server"
    std::string database; // path or host:path
    reg::RegisterOptions access;
};

// Creates the demo register unless a kept one of that size is there already.
void EnsureRegister(const Target& t, int subjects, const std::optional<fs::path>& marker)
{
    if (marker && fs::exists(*marker)) {
        std::ifstream in(*marker);
        int size = 0;
        in >> size;
        if (size == subjects) {
            std::printf("  %s: reusing %s\n", t.label.c_str(), t.database.c_str());
            return;
        }
    }
    {
        // A leftover register of an earlier run that did not finish is dropped first.
        fb::Database old;
        old.DatabaseName = t.database;
        old.Params = { "user_name=" + t.access.user, "password=" + t.access.password };
        try {
            old.Open();
            old.DropDatabase();
        } catch (const fb::DatabaseError&) {
        }
    }
    const auto start = std::chrono::steady_clock::now();
    fb::Database db;
    demo::DemoOptions demoOptions;
    demoOptions.subjects = subjects;
    demo::CreateDemoRegister(db, t.database, demoOptions, t.access);
    db.Close();
    std::printf("  %s: created %s in %.1f s\n", t.label.c_str(), t.database.c_str(),
        Seconds(std::chrono::steady_clock::now() - start));
    if (marker)
        std::ofstream(*marker) << subjects << "\n";
}

void DropRegister(const Target& t)
{
    fb::Database db;
    db.DatabaseName = t.database;
    db.Params = { "user_name=" + t.access.user, "password=" + t.access.password };
    try {
        db.Open();
        db.DropDatabase();
    } catch (const fb::DatabaseError& e) {
        std::fprintf(stderr, "bench-run: could not drop %s: %s\n", t.database.c_str(), e.what());
    }
}

// Every person, institution and group with all classes marked and threshold 0, into one
// statement file, with a writer of its own as one run of the window has.
double TimedRun(StatementSession& session, const std::string& outPath)
{
    const auto start = std::chrono::steady_clock::now();
    AreaState area;
    area.AreaThreshold = 0;
    LineBuffer lines(area);
    SpouseSlots spouses;
    StatementWriter writer(session.IBTransaction1, session.Precincts, session.Classes, lines, area, spouses);
    StatementRun run(session.IBTransaction1, writer, lines, area);
    StatementFile file;
    file.Open(outPath);
    for (int kind = 0; kind < 3; ++kind) {
        cli::QueryCursor list(PrepareWithPlanFallback(session.IBTransaction1, SubjectListSql(kind, "", "")));
        run.Run(list, RunOptions {}, file);
    }
    file.Close();
    return Seconds(std::chrono::steady_clock::now() - start);
}

// The traced statements again, each text prepared once, every row read as text.
double TimedReplay(fb::Transaction& tr, const Trace& trace, std::size_t& bytesRead)
{
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::unique_ptr<fb::Query>> prepared(trace.texts.size());
    std::size_t bytes = 0;
    for (const Trace::Execution& e : trace.executions) {
        std::unique_ptr<fb::Query>& q = prepared[e.text];
        if (!q)
            q = std::make_unique<fb::Query>(tr, trace.texts[e.text]);
        for (std::size_t i = 0; i < e.params.size(); ++i) {
            const std::string& name = q->ParamName(i);
            const fb::ParamValue& v = e.params[i];
            if (const auto* p = std::get_if<std::int32_t>(&v))
                q->SetInteger(name, *p);
            else if (const auto* p = std::get_if<std::int64_t>(&v))
                q->SetBigInt(name, *p);
            else if (const auto* p = std::get_if<std::string>(&v))
                q->SetText(name, *p);
            else if (const auto* p = std::get_if<double>(&v))
                q->SetFloat(name, *p);
            else
                q->SetNull(name);
        }
        q->Open();
        const int columns = q->FieldCount();
        while (q->Next())
            for (int c = 0; c < columns; ++c)
                if (const std::optional<std::string> text = q->Text(c))
                    bytes += text->size();
        q->Close();
    }
    prepared.clear();
    bytesRead = bytes;
    return Seconds(std::chrono::steady_clock::now() - start);
}

struct Result {
    std::string label;
    int subjects = 0;
    Stats run, bare, ratio;
    int prepares = 0;
    std::size_t distinct = 0;
    int mostOfOne = 0;
    int memberLists = 0;
    std::size_t executions = 0;
    std::uintmax_t fileBytes = 0;
};

Result Measure(const Target& t, int subjects, int reps, const fs::path& work)
{
    StatementSession session;
    session.SetConnectionParams(t.database, t.access.user, t.access.password, "");
    session.Connect();
    session.StartTransactionAndLoad();
    session.Classes.MarkAll();
    const std::string out = (work / ("statement-" + t.label + ".txt")).string();

    // The traced run is not timed: it warms the page cache, and recording costs time.
    Trace trace;
    {
        Observing on(session.IBDatabase1, trace);
        TimedRun(session, out);
    }
    Result r;
    r.label = t.label;
    r.subjects = subjects;
    r.prepares = trace.Prepares();
    r.distinct = trace.DistinctPrepared();
    r.mostOfOne = trace.MostPreparesOfOneText();
    r.memberLists = trace.MemberListPrepares();
    r.executions = trace.executions.size();
    r.fileBytes = fs::file_size(out);
    std::printf("  %s %d: %d statements prepared (%zu texts, at most %d of one text, %d member lists), "
                "%zu executions, %.1f MB written\n",
        t.label.c_str(), subjects, r.prepares, r.distinct, r.mostOfOne, r.memberLists, r.executions,
        static_cast<double>(r.fileBytes) / 1e6);
    std::fflush(stdout);

    std::vector<double> runs, bares, ratios;
    for (int i = 0; i < reps; ++i) {
        const double run = TimedRun(session, out);
        std::size_t bytes = 0;
        const double bare = TimedReplay(session.IBTransaction1, trace, bytes);
        std::printf("  %s %d rep %d: run %.3f s, bare %.3f s, ratio %.3f\n", t.label.c_str(), subjects, i + 1, run,
            bare, run / bare);
        std::fflush(stdout);
        runs.push_back(run);
        bares.push_back(bare);
        ratios.push_back(run / bare);
    }
    fs::remove(out);
    session.Disconnect();
    r.run = Summarise(runs);
    r.bare = Summarise(bares);
    r.ratio = Summarise(ratios);
    return r;
}

// Whether anything listens on the server's port.
bool ServerReachable()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_port = htons(3050);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

std::string Range(const Stats& s, const char* format)
{
    char buf[96];
    std::string f = std::string(format) + " (" + format + "–" + format + ")";
    std::snprintf(buf, sizeof buf, f.c_str(), s.median, s.min, s.max);
    return buf;
}

} // namespace

int main(int argc, char* argv[])
{
    Options o;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            auto value = [&]() -> std::string {
                if (i + 1 >= argc)
                    throw std::invalid_argument(a + " needs a value");
                return argv[++i];
            };
            if (a == "--subjects")
                o.subjects = ParseList(value());
            else if (a == "--reps")
                o.reps = std::max(1, std::stoi(value()));
            else if (a == "--server")
                o.server = true;
            else if (a == "--keep")
                o.keep = value();
            else
                throw std::invalid_argument("unknown option " + a);
        }
        if (o.subjects.empty())
            throw std::invalid_argument("--subjects: no size");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench-run: %s\n%s", e.what(), Usage);
        return 2;
    }

    const fs::path temp = fs::temp_directory_path() / ("bench-run-" + std::to_string(::getpid()));
    const fs::path registers = o.keep.empty() ? temp : fs::path(o.keep);
    fs::create_directories(temp);
    fs::create_directories(registers);

    std::vector<Result> results;
    int status = 0;
    try {
        // Every size embedded first, then every size through the server.
        std::vector<std::string> modes { "embedded" };
        if (o.server) {
            if (ServerReachable())
                modes.push_back("server");
            else
                std::printf("  server: not reachable, measured embedded only\n");
        }
        for (const std::string& mode : modes)
            for (const int n : o.subjects) {
                Target t;
                t.label = mode;
                if (mode == "server") {
                    t.access.password = "masterkey";
                    t.database = "127.0.0.1:/var/lib/firebird/3.0/data/zest-bench-" + std::to_string(n) + ".fdb";
                } else {
                    t.database = (registers / ("register-" + std::to_string(n) + ".fdb")).string();
                }
                std::optional<fs::path> marker;
                if (!o.keep.empty())
                    marker = registers / ("register-" + t.label + "-" + std::to_string(n) + ".size");
                EnsureRegister(t, n, marker);
                results.push_back(Measure(t, n, o.reps, temp));
                if (o.keep.empty()) {
                    if (mode == "server")
                        DropRegister(t);
                    else
                        fs::remove(t.database);
                }
            }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench-run: %s\n", e.what());
        status = 1;
    }
    fs::remove_all(temp);

    std::printf("\nStatement run: every person, institution and group, all classes marked, threshold 0; "
                "%d repetitions, median (min–max)\n\n",
        o.reps);
    std::printf("%-9s %8s %24s %24s %22s %9s %9s %9s %10s %8s\n", "mode", "subjects", "run s", "bare s", "run/bare",
        "prepares", "distinct", "max/text", "IN lists", "execs");
    for (const Result& r : results)
        std::printf("%-9s %8d %24s %24s %22s %9d %9zu %9d %10d %8zu\n", r.label.c_str(), r.subjects,
            Range(r.run, "%.3f").c_str(), Range(r.bare, "%.3f").c_str(), Range(r.ratio, "%.3f").c_str(), r.prepares,
            r.distinct, r.mostOfOne, r.memberLists, r.executions);
    std::printf("\n");
    for (const Result& small : results)
        for (const Result& large : results)
            if (small.label == large.label && large.subjects > small.subjects)
                std::printf("%s: run %d ÷ run %d = %.2f (subjects ×%.1f)\n", small.label.c_str(), large.subjects,
                    small.subjects, large.run.median / small.run.median,
                    static_cast<double>(large.subjects) / small.subjects);
    for (const Result& r : results)
        std::printf("%s_%d: run_s=%.3f bare_s=%.3f run_over_bare=%.3f prepares=%d distinct=%zu file_mb=%.1f\n",
            r.label.c_str(), r.subjects, r.run.median, r.bare.median, r.ratio.median, r.prepares, r.distinct,
            static_cast<double>(r.fileBytes) / 1e6);
    fb::ShutdownClient();
    return status;
}
