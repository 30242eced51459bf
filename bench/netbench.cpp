#include "netbench.h"

#include <algorithm>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "register/catalogue.h"
#include "statement/batchreads.h"
#include "statement/session.h"
#include "statement/statementfile.h"
#include "statement/statementrun.h"
#include "statement/subjectlistsql.h"
#include "statementjob.h"
#include "tcpforwarder.h"
#include "wirebench.h"

namespace zest::bench
{

namespace
{

class ExecutionCount : public fb::QueryObserver
{
public:
    void Prepared(const fb::Query&) override { }
    void Executed(const fb::Query&) override { ++count; }
    std::size_t count = 0;
};

// The holdings of every subject, in the order a subject's holdings query gives them.
const char* const AllHoldings
    = "select ud.id_podm, j.id_obr as OBREB, j.ijr as JEDNOSTKA, j.rgn as REGON, j.rwl, ud.rwd, ud.ud, ud.ud_nr, "
      "d.idd as DZIALKA, d.ark as arkusz, d.pew as powDZ, u.ozu, u.ofu, u.ozk, u.pew, ud.uid as idJROS "
      "from podmioty p, udzialy ud, jedn_rej j, dzialka d, uzytki u "
      "where ud.id_podm = p.id_pdm and ud.id_jedn = j.id and d.rjdr = j.id and u.rdze = d.id "
      "and j.sti in (0,1) and d.status in (0,1) and u.status in (0,1) and ud.sti in (0,1) "
      "and (ud.rwd is null or ud.rwd < 6) "
      "order by ud.id_podm, j.id_obr, j.ijr, ud.uid, d.idd";
// Every marriage with the couple's subject.
const char* const AllMarriages = "select p.id_pdm, m.maz, m.zona from malzenstwa m, podmioty p "
                                 "where p.typ = 'M' and p.id_os = m.id order by m.maz";
// Every member of every group subject.
const char* const AllGroupMembers = "select i.id_inne, p.id_pdm, p.id_os, p.typ from inne_podm_pow i, podmioty p "
                                    "where i.id_podm = p.id_pdm order by i.id_inne";

// Every address with its dictionaries: the address statement without its condition.
std::string AllAddresses()
{
    const std::string one(reg::AddressQuery);
    return one.substr(0, one.find("where A.ID"));
}

// Executes the statement and reads every column of every row as text.
void ReadWhole(fb::Query& q, std::size_t& bytes)
{
    q.Open();
    const int columns = q.FieldCount();
    while (q.Next())
        for (int c = 0; c < columns; ++c)
            if (const std::optional<std::string> text = q.Text(c))
                bytes += text->size();
    q.Close();
}

} // namespace

// One pass over every row the run reads: the three subject lists, then the holdings,
// marriages, group members and addresses of every subject, one statement each.
double TimedFloor(fb::Transaction& tr)
{
    const auto start = std::chrono::steady_clock::now();
    std::size_t bytes = 0;
    for (int kind = 0; kind < 3; ++kind)
        ReadWhole(*PrepareWithPlanFallback(tr, SubjectListSql(kind, "", "")), bytes);
    for (const std::string& sql :
        { std::string(AllHoldings), std::string(AllMarriages), std::string(AllGroupMembers), AllAddresses() }) {
        fb::Query q(tr, sql);
        ReadWhole(q, bytes);
    }
    return Since(start);
}

NetResult MeasureNet(const RunTarget& server, int subjects, double rttMs, int reps,
    const std::filesystem::path& statementFile, double mbit, std::optional<bool> compression)
{
    net::TcpForwarder link(3050, std::chrono::microseconds(std::llround(rttMs * 1000)),
        static_cast<std::uint64_t>(std::llround(mbit * 1e6)));
    // "host:path" becomes "host/port:path" through the link.
    const std::string path = server.database.substr(server.database.find(':') + 1);
    StatementSession session;
    session.SetConnectionParams(
        "127.0.0.1/" + std::to_string(link.port()) + ":" + path, server.access.user, server.access.password, "");
    session.SetWireCompression(compression);
    session.Connect();
    session.StartTransactionAndLoad();
    const bool compressed = WireCompressed(session);
    session.Classes.MarkAll();
    ExecutionCount executions;
    session.IBDatabase1.SetObserver(&executions);
    struct Unobserve {
        fb::Database& db;
        ~Unobserve() { db.SetObserver(nullptr); }
    } unobserve { session.IBDatabase1 };

    NetResult r;
    r.subjects = subjects;
    r.rttMs = rttMs;
    r.mbit = mbit;
    r.compressed = compressed;
    std::vector<double> runs, floors, ratios;
    for (int i = 0; i < reps; ++i) {
        const std::size_t executed = executions.count;
        std::uint64_t trips = link.roundTrips();
        std::uint64_t bytes = link.bytesForwarded(), fromServer = link.bytesFromServer();
        r.detail = RunDetail();
        const double run = TimedRun(session, statementFile.string(), nullptr, nullptr, nullptr, &r.detail);
        r.statements = executions.count - executed;
        r.roundTrips = link.roundTrips() - trips;
        r.bytesPerRun = link.bytesForwarded() - bytes;
        r.bytesFromServerPerRun = link.bytesFromServer() - fromServer;
        trips = link.roundTrips();
        bytes = link.bytesForwarded();
        fromServer = link.bytesFromServer();
        const double floor = TimedFloor(session.IBTransaction1);
        r.floorRoundTrips = link.roundTrips() - trips;
        r.floorBytes = link.bytesForwarded() - bytes;
        r.floorBytesFromServer = link.bytesFromServer() - fromServer;
        std::printf("  link %.1f ms, %g Mbit/s, compression %s: run %.2f MB through the link (%.2f MB from the "
                    "server), floor %.2f MB (%.2f MB)\n",
            rttMs, mbit, compressed ? "on" : "off", static_cast<double>(r.bytesPerRun) / 1e6,
            static_cast<double>(r.bytesFromServerPerRun) / 1e6, static_cast<double>(r.floorBytes) / 1e6,
            static_cast<double>(r.floorBytesFromServer) / 1e6);
        std::printf("  link %.1f ms, %d subjects, rep %d: run %.3f s (%zu statements, %llu round trips), floor "
                    "%.3f s (%llu round trips), ratio %.1f\n",
            rttMs, subjects, i + 1, run, r.statements, static_cast<unsigned long long>(r.roundTrips), floor,
            static_cast<unsigned long long>(r.floorRoundTrips), run / floor);
        std::fflush(stdout);
        runs.push_back(run);
        floors.push_back(floor);
        ratios.push_back(run / floor);
    }
    // The same run reading and writing in turn, and the lists alone.
    {
        std::uint64_t trips = link.roundTrips();
        r.inTurnDetail.overlap = false;
        r.inTurn = TimedRun(session, statementFile.string(), nullptr, nullptr, nullptr, &r.inTurnDetail);
        r.inTurnRoundTrips = link.roundTrips() - trips;
        trips = link.roundTrips();
        std::size_t bytes = 0;
        for (int kind = 0; kind < 3; ++kind)
            ReadWhole(*PrepareWithPlanFallback(session.IBTransaction1, SubjectListSql(kind, "", "")), bytes);
        r.listRoundTrips = link.roundTrips() - trips;
        const RunDetail& d = r.detail;
        std::printf("  link %.1f ms, %d subjects: in turn %.3f s (%llu round trips); overlapped run: reading %.3f s, "
                    "formatting %.3f s, writing %.3f s, waiting %.3f s; the lists alone %llu round trips\n",
            rttMs, subjects, r.inTurn, static_cast<unsigned long long>(r.inTurnRoundTrips), d.spent.Reading,
            d.spent.Formatting, d.spent.Writing, d.spent.Waiting, static_cast<unsigned long long>(r.listRoundTrips));
        std::printf("  statements by kind:");
        for (std::size_t k = 0; k < BatchReads::KindCount; ++k)
            std::printf(" %s %ld", BatchReads::KindNames[k], d.byKind[k]);
        std::printf("; read-ahead prepares %d\n", d.prepares);
        std::fflush(stdout);
    }
    // Progress and cancel, half-way through a run of the persons.
    {
        AreaState area;
        area.AreaThreshold = 0;
        LineBuffer lines(area);
        StatementFile file;
        file.Open(statementFile.string());
        cli::StatementJob job;
        const auto start = std::chrono::steady_clock::now();
        std::optional<std::chrono::steady_clock::time_point> last; // from the run's first step
        std::chrono::steady_clock::time_point asked {};
        const double cancelAt = Summarise(runs).median / 2;
        try {
            cli::RunStatementJob(session, lines, area, job, file, [&](int, int) {
                const auto now = std::chrono::steady_clock::now();
                if (last)
                    r.progressMaxGap = std::max(r.progressMaxGap, std::chrono::duration<double>(now - *last).count());
                last = now;
                if (std::chrono::duration<double>(now - start).count() < cancelAt)
                    return true;
                if (asked == std::chrono::steady_clock::time_point {})
                    asked = now;
                return false;
            });
        } catch (const RunCancelled&) {
            r.cancelLatency = std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
        }
        file.Close();
        std::printf("  link %.1f ms, %d subjects: longest wait between progress calls %.3f s, cancel half-way "
                    "ended the run in %.3f s\n",
            rttMs, subjects, r.progressMaxGap, r.cancelLatency);
    }
    session.Disconnect();
    r.run = Summarise(runs);
    r.floor = Summarise(floors);
    r.ratio = Summarise(ratios);
    return r;
}

} // namespace zest::bench
