#include "runbench.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/statementjob.h"
#include "demoregister.h"
#include "disclosures/optionstext.h"
#include "disclosures/register.h"
#include "netbench.h"
#include "statement/linebuffer.h"
#include "statement/session.h"
#include "statement/statementfile.h"

namespace fs = std::filesystem;

namespace zest::bench
{

namespace
{

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

// Seconds this process takes to record and confirm `rows` while another process has
// recorded the same rows and stands paused in the middle of its output (as a tool whose
// reader does not read); a negative value when the other process failed.
double RecordBesidePausedOutput(
    const disclosures::DisclosureRegister& record, const std::vector<disclosures::Disclosure>& rows)
{
    int ready[2], resume[2];
    if (::pipe(ready) != 0 || ::pipe(resume) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        ::close(resume[1]);
        int status = 1;
        try {
            disclosures::PendingDisclosures pending = record.Begin(rows, disclosures::Output::Cli, "/dev/null");
            char c = 'r';
            (void)!::write(ready[1], &c, 1);
            (void)!::read(resume[0], &c, 1); // paused until the other has recorded
            pending.Delivered();
            status = 0;
        } catch (...) {
        }
        ::_exit(status);
    }
    ::close(ready[1]);
    ::close(resume[0]);
    char c = 0;
    const bool paused = child > 0 && ::read(ready[0], &c, 1) == 1;
    double seconds = -1;
    if (paused) {
        const auto at = std::chrono::steady_clock::now();
        record.Begin(rows, disclosures::Output::Cli, "/dev/null").Delivered();
        seconds = Since(at);
    }
    (void)!::write(resume[1], &c, 1);
    ::close(ready[0]);
    ::close(resume[1]);
    int status = 0;
    if (child > 0)
        ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

} // namespace

double TimedRun(StatementSession& session, const std::string& outPath, const disclosures::DisclosureRegister* record,
    double* recordSeconds, double* waitSeconds, RunDetail* detail)
{
    const auto start = std::chrono::steady_clock::now();
    AreaState area;
    area.AreaThreshold = 0;
    LineBuffer lines(area);
    StatementFile file;
    file.Open(outPath);
    cli::StatementJob job;
    job.kinds = { 0, 1, 2 };
    if (detail) {
        job.overlap = detail->overlap;
        job.spent = &detail->spent;
        job.executionsByKind = &detail->byKind;
        job.readAheadPrepares = &detail->prepares;
    }
    std::vector<disclosures::Disclosure> handed;
    double collecting = 0;
    disclosures::Disclosure row { "SYSDBA", session.IBDatabase1.DatabaseName, 0, {},
        disclosures::OptionsText({}, session.Classes, area.AreaThreshold, job.statement, job.run) };
    StatementRun::OutcomeSink sink;
    if (record)
        sink = [&](const SubjectOutcome& s) {
            const auto at = std::chrono::steady_clock::now();
            if (s.Written) {
                row.subjectId = s.Id;
                row.subjectName = s.Name;
                handed.push_back(row);
            }
            collecting += Since(at);
        };
    cli::RunStatementJob(session, lines, area, job, file, {}, sink);
    file.Close();
    if (record) {
        const auto at = std::chrono::steady_clock::now();
        disclosures::PendingDisclosures pending = record->Begin(handed, { { disclosures::Output::Cli, outPath } });
        pending.Delivered();
        if (recordSeconds)
            *recordSeconds = collecting + Since(at);
    }
    const double seconds = Since(start);
    if (record && waitSeconds)
        *waitSeconds = RecordBesidePausedOutput(*record, handed);
    return seconds;
}

namespace
{

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
        for (std::size_t i = 0; i < e.params.size(); ++i)
            q->SetParam(i, e.params[i]);
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
    return Since(start);
}

} // namespace

void EnsureRegister(const RunTarget& t, int subjects, const std::optional<fs::path>& marker)
{
    if (marker && fs::exists(*marker)) {
        std::ifstream in(*marker);
        int size = 0;
        in >> size;
        if (size == subjects) {
            std::printf("  %s: reusing %s\n", t.label.c_str(), t.database.c_str());
            std::fflush(stdout);
            return;
        }
    }
    // A leftover register of an earlier run that did not finish is dropped first.
    DropRegister(t);
    const auto start = std::chrono::steady_clock::now();
    fb::Database db;
    demo::DemoOptions demoOptions;
    demoOptions.subjects = subjects;
    demo::CreateDemoRegister(db, t.database, demoOptions, t.access);
    db.Close();
    std::printf(
        "  %s: created %s (%d subjects) in %.1f s\n", t.label.c_str(), t.database.c_str(), subjects, Since(start));
    std::fflush(stdout);
    if (marker)
        std::ofstream(*marker) << subjects << "\n";
}

void DropRegister(const RunTarget& t) noexcept
{
    fb::Database db;
    db.DatabaseName = t.database;
    db.Params = { "user_name=" + t.access.user, "password=" + t.access.password };
    try {
        db.Open();
        db.DropDatabase();
    } catch (const std::exception&) {
        // Nothing there, or nothing we may drop.
    }
}

RunResult MeasureRun(const RunTarget& t, int subjects, int reps, const fs::path& statementFile)
{
    StatementSession session;
    session.SetConnectionParams(t.database, t.access.user, t.access.password, "");
    session.Connect();
    session.StartTransactionAndLoad();
    session.Classes.MarkAll();
    const std::string out = statementFile.string();

    // The traced run is not timed: it warms the page cache, and recording costs time.
    Trace trace;
    {
        Observing on(session.IBDatabase1, trace);
        TimedRun(session, out);
    }
    RunResult r;
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

    // The register of disclosures that the tool would keep, in a file of the benchmark's.
    const fs::path registerFile = statementFile.parent_path() / ("disclosures-" + t.label + ".sqlite");
    fs::remove(registerFile);
    const disclosures::DisclosureRegister record(registerFile.string());
    std::vector<double> records, shares, waits;
    std::vector<double> runs, bares, ratios, floors, overFloors, inTurns;
    for (int i = 0; i < reps; ++i) {
        if (i < 3) {
            double recordSeconds = 0, waitSeconds = 0;
            const double recorded = TimedRun(session, out, &record, &recordSeconds, &waitSeconds);
            records.push_back(recordSeconds);
            shares.push_back(recordSeconds / (recorded - recordSeconds));
            waits.push_back(waitSeconds);
        }
        // The same run reading and writing in turn, before or after it by turns, for
        // where the time goes and what reading while writing gains.
        auto inTurn = [&] {
            r.inTurnDetail = RunDetail();
            r.inTurnDetail.overlap = false;
            inTurns.push_back(TimedRun(session, out, nullptr, nullptr, nullptr, &r.inTurnDetail));
        };
        if (i % 2 == 1)
            inTurn();
        r.detail = RunDetail();
        const double run = TimedRun(session, out, nullptr, nullptr, nullptr, &r.detail);
        if (i % 2 == 0)
            inTurn();
        std::size_t bytes = 0;
        const double bare = TimedReplay(session.IBTransaction1, trace, bytes);
        const double floor = TimedFloor(session.IBTransaction1);
        floors.push_back(floor);
        overFloors.push_back(run / floor);
        std::printf("  %s %d rep %d: run %.3f s (in turn %.3f s), bare %.3f s, ratio %.3f; one-pass floor %.3f s, "
                    "run ÷ floor %.2f\n",
            t.label.c_str(), subjects, i + 1, run, inTurns.back(), bare, run / bare, floor, run / floor);
        std::fflush(stdout);
        runs.push_back(run);
        bares.push_back(bare);
        ratios.push_back(run / bare);
    }
    r.inTurn = Summarise(inTurns).median;
    for (const RunDetail* d : { &r.detail, &r.inTurnDetail })
        std::printf("  %s %d, %s: reading %.3f s, formatting %.3f s, writing %.3f s, waiting for a batch %.3f s\n",
            t.label.c_str(), subjects, d->overlap ? "overlapped" : "in turn", d->spent.Reading, d->spent.Formatting,
            d->spent.Writing, d->spent.Waiting);
    session.Disconnect();
    r.floor = Summarise(floors);
    r.overFloor = Summarise(overFloors);
    r.run = Summarise(runs);
    r.bare = Summarise(bares);
    r.ratio = Summarise(ratios);
    r.record = Summarise(records);
    r.recordShare = Summarise(shares);
    r.wait = Summarise(waits);
    std::printf("  %s %d: recording the run's disclosures %.3f s (%.1f %% of the run); beside another process's "
                "paused output %.3f s\n",
        t.label.c_str(), subjects, r.record.median, 100 * r.recordShare.median, r.wait.median);
    fs::remove(registerFile);
    fs::remove(registerFile.string() + "-wal");
    fs::remove(registerFile.string() + "-shm");
    return r;
}

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

} // namespace zest::bench
