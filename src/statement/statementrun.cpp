#include "statementrun.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "batchreads.h"
#include "database/reading.h"
#include "database/scopeexit.h"
#include "holdingstext.h"
#include "statementfile.h"
#include "statementwriter.h"

namespace zest
{

namespace
{

// Empties the line buffer when a subject or a run is left by an error.
class ClearOnError
{
public:
    explicit ClearOnError(LineBuffer& b)
        : buffer_(&b)
        , exceptions_(std::uncaught_exceptions())
    {
    }
    ~ClearOnError()
    {
        if (std::uncaught_exceptions() > exceptions_)
            buffer_->EmitLine("", EmitClear);
    }

private:
    LineBuffer* buffer_;
    int exceptions_;
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// A block's rows held in memory.
class HeldRows : public HoldingsRows
{
public:
    bool Next(HoldingsRow& row) override
    {
        if (at_ == rows.size())
            return false;
        row = rows[at_++];
        return true;
    }
    void Rewind() noexcept { at_ = 0; }
    std::vector<HoldingsRow> rows;

private:
    std::size_t at_ = 0;
};

// The writer's own reads, for what a batch did not read, one call at a time with the
// reader thread's database calls (the two threads share the attachment and the
// transaction). A block's rows are read whole under the lock.
class SerialReads : public RegisterReads
{
public:
    SerialReads(RegisterReads& reads, std::mutex& database)
        : reads_(&reads)
        , database_(&database)
    {
    }

    HoldingsRows& Holdings(std::int32_t subjectId) override
    {
        const std::lock_guard lock(*database_);
        HoldingsRows& rows = reads_->Holdings(subjectId);
        held_.rows.clear();
        held_.Rewind();
        HoldingsRow row;
        while (rows.Next(row))
            held_.rows.push_back(row);
        return held_;
    }
    std::optional<AddressRecord> Address(std::int32_t addressId) override
    {
        const std::lock_guard lock(*database_);
        return reads_->Address(addressId);
    }
    void Marriages(std::int32_t personId, bool husband, std::vector<MarriageRow>& out) override
    {
        const std::lock_guard lock(*database_);
        reads_->Marriages(personId, husband, out);
    }
    void CoupleMembers(std::int32_t marriageSubjectId, std::vector<CoupleMemberRow>& out) override
    {
        const std::lock_guard lock(*database_);
        reads_->CoupleMembers(marriageSubjectId, out);
    }
    std::int32_t PersonSubjectId(std::int32_t personId) override
    {
        const std::lock_guard lock(*database_);
        return reads_->PersonSubjectId(personId);
    }
    void GroupMembers(std::int32_t groupRecordId, std::vector<GroupMemberRow>& out) override
    {
        const std::lock_guard lock(*database_);
        reads_->GroupMembers(groupRecordId, out);
    }
    void MemberList(char kind, std::span<const std::int32_t> ids, std::vector<MemberRow>& out) override
    {
        const std::lock_guard lock(*database_);
        reads_->MemberList(kind, ids, out);
    }

private:
    RegisterReads* reads_;
    std::mutex* database_;
    HeldRows held_;
};

// How often the calling thread, waiting for a batch, calls the progress.
constexpr std::chrono::milliseconds WaitTick(100);
// Rows of the list walked between two looks at a cancel.
constexpr int RowsPerCancelCheck = 256;

} // namespace

StatementRun::StatementRun(fb::Transaction& tr, StatementWriter& writer, LineBuffer& buffer, AreaState& area)
    : tr_(&tr)
    , writer_(&writer)
    , buffer_(&buffer)
    , area_(&area)
{
}

StatementRun::~StatementRun() = default;

long StatementRun::ReadAheadMisses() const noexcept
{
    return readAhead_ ? readAhead_->Misses() : 0;
}

long StatementRun::ReadAheadExecutions() const noexcept
{
    return readAhead_ ? readAhead_->Executions() : 0;
}

SubjectOutcome StatementRun::ReportSubject(const SubjectRow& row, const RunOptions& options)
{
    ClearOnError clear(*buffer_);
    SubjectOutcome out;
    out.Id = row.Integer("id_PDM");
    out.Kind = fb::FirstLetter(row.Text("Typ"));
    out.Name = SubjectDisplayName(row);

    area_->SelectedAreaSum = 0;
    writer_->WriteHoldingsTable(out.Id, out.Kind, &row);

    auto done = [&](bool flush) {
        out.SelectedArea = area_->SelectedAreaSum;
        if (flush) {
            const auto start = Clock::now();
            out.Written = buffer_->Flush();
            times_.Writing += Seconds(Clock::now() - start);
        } else
            buffer_->EmitLine("", EmitClear);
        return out;
    };

    if (out.Kind != 'F')
        return done(true);

    const char sex = fb::FirstLetter(row.Text("Plec"));
    bool husband = false;
    if (sex == 'K') {
        husband = false;
    } else if (sex == 'M') {
        if (options.TylkoKobiety)
            return done(false);
        husband = true;
    } else {
        return done(false);
    }

    std::vector<MarriageRow> marriages;
    writer_->Reads().Marriages(row.Integer("id"), husband, marriages);

    std::set<std::string> ReportedWives;
    for (const MarriageRow& m : marriages) {
        writer_->WriteHoldingsTable(m.SubjectId, 'M', nullptr);
        if (!options.TylkoPrzyMezu)
            continue;
        if (husband) {
            const std::string k = std::to_string(m.Other);
            if (ReportedWives.insert(k).second) {
                writer_->LookupSpouses(m.SubjectId);
                writer_->WriteHoldingsTable(writer_->FindPersonSubjectId(m.Other), '\xAF', nullptr);
            }
        } else {
            return done(false); // her holdings go into her husband's statement
        }
    }
    return done(true);
}

void StatementRun::Run(SubjectCursor& list, const RunOptions& options, StatementFile& file, const Progress& progress,
    const OutcomeSink& outcome)
{
    const ScopeExit detach([this] {
        buffer_->SetStatementFile(nullptr);
        writer_->UseReads(nullptr);
    });
    ClearOnError clear(*buffer_);
    buffer_->EmitLine("", EmitClear);
    buffer_->SetStatementFile(&file);

    if (!list.IsOpen())
        throw std::runtime_error("Lista podmiot\xF3w nie jest pobrana: najpierw \"Pobierz osoby\".");

    // A subject whose statement is written counts as done even when the user cancels
    // at that moment: a cancel seen after the last subject throws nothing away.
    int done = 0;
    int total = 0;
    bool last = false;
    auto step = [&] {
        ++done;
        if (progress && !progress(done, total) && !last)
            throw RunCancelled();
    };
    // Long reads keep the progress moving and can be cancelled.
    const BatchReads::Tick tick = [&] {
        if (progress && !progress(done, total))
            throw RunCancelled();
    };
    auto report = [&](const SubjectRow& row) {
        const SubjectOutcome o = ReportSubject(row, options);
        if (outcome)
            outcome(o);
    };

    if (batchSize_ <= 0) {
        // One statement per question, subject after subject.
        if (options.wskazany) {
            total = 1;
            last = true;
            report(list.Current());
            step();
            return;
        }
        total = progress ? list.Count(tick) : 0;
        list.First();
        while (!list.Eof()) {
            report(list.Current());
            list.Next();
            last = list.Eof();
            step();
        }
        return;
    }

    // Kept by the run object: its statements are prepared once for all its runs.
    if (!readAhead_)
        readAhead_ = std::make_unique<BatchReads>(*tr_, writer_->OwnReads());
    BatchReads& reads = *readAhead_;
    // Formatting: the time of the subjects' reports less their writes to the file.
    auto reportTimed = [&](const SubjectRow& row) {
        const auto start = Clock::now();
        const double writing = times_.Writing;
        report(row);
        times_.Formatting += Seconds(Clock::now() - start) - (times_.Writing - writing);
    };
    std::vector<std::unique_ptr<SubjectRow>> rows;
    auto writeBatch = [&](bool lastBatch) {
        const auto start = Clock::now();
        reads.Load(rows, options, tick);
        times_.Reading += Seconds(Clock::now() - start);
        writer_->UseReads(&reads);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            reportTimed(*rows[i]);
            last = lastBatch && i + 1 == rows.size();
            step();
        }
        writer_->UseReads(nullptr);
    };

    if (options.wskazany) {
        total = 1;
        rows.push_back(list.HoldCurrent());
        writeBatch(true);
        return;
    }
    total = progress ? list.Count(tick) : 0;
    if (!overlap_) {
        const auto start = Clock::now();
        list.First();
        times_.Reading += Seconds(Clock::now() - start);
        while (!list.Eof()) {
            const auto walk = Clock::now();
            rows.clear();
            while (!list.Eof() && static_cast<int>(rows.size()) < batchSize_) {
                rows.push_back(list.HoldCurrent());
                list.Next();
            }
            times_.Reading += Seconds(Clock::now() - walk);
            writeBatch(list.Eof());
        }
        return;
    }

    // Reading while writing. The reader thread makes every database call of the list
    // walk and the batches; this thread writes from the batch in hand and answers the
    // progress. A question outside the batch goes to the writer's own statements under
    // the same lock as the reader's calls.
    std::mutex database;
    SerialReads serial(writer_->OwnReads(), database);
    struct Slot {
        std::vector<std::unique_ptr<SubjectRow>> rows;
        std::unique_ptr<BatchRows> data;
        bool last = false;
    };
    std::array<Slot, 2> slots;
    std::mutex m;
    std::condition_variable changed;
    std::deque<Slot*> ready, free;
    for (Slot& slot : slots) {
        slot.data = reads.NewRows(serial);
        free.push_back(&slot);
    }
    bool finished = false;
    std::exception_ptr error;
    std::atomic<bool> stop { false };
    double reading = 0;
    const BatchReads::Tick readerTick = [&stop] {
        if (stop.load())
            throw RunCancelled();
    };

    std::thread reader([&] {
        try {
            bool first = true;
            for (;;) {
                Slot* slot = nullptr;
                {
                    std::unique_lock lock(m);
                    changed.wait(lock, [&] { return stop.load() || !free.empty(); });
                    if (stop.load())
                        break;
                    slot = free.front();
                    free.pop_front();
                }
                const auto start = Clock::now();
                {
                    const std::lock_guard lock(database);
                    if (first) {
                        list.First();
                        first = false;
                    }
                    slot->rows.clear();
                    while (!list.Eof() && static_cast<int>(slot->rows.size()) < batchSize_) {
                        slot->rows.push_back(list.HoldCurrent());
                        list.Next();
                        if (slot->rows.size() % RowsPerCancelCheck == 0)
                            readerTick();
                    }
                    slot->last = list.Eof();
                    if (!slot->rows.empty())
                        reads.Load(slot->rows, options, readerTick, *slot->data);
                }
                reading += Seconds(Clock::now() - start);
                const bool end = slot->last;
                {
                    const std::lock_guard lock(m);
                    (slot->rows.empty() ? free : ready).push_back(slot);
                }
                changed.notify_all();
                if (end)
                    break;
            }
        } catch (...) {
            const std::lock_guard lock(m);
            error = std::current_exception();
        }
        {
            const std::lock_guard lock(m);
            finished = true;
        }
        changed.notify_all();
    });
    const ScopeExit join([&] {
        {
            const std::lock_guard lock(m);
            stop = true;
        }
        changed.notify_all();
        reader.join();
        times_.Reading += reading;
    });

    for (;;) {
        Slot* slot = nullptr;
        {
            const auto start = Clock::now();
            std::unique_lock lock(m);
            while (ready.empty() && !finished) {
                changed.wait_for(lock, WaitTick);
                if (ready.empty() && !finished && progress) {
                    lock.unlock();
                    tick(); // the progress answers while the batch is read; throws on a cancel
                    lock.lock();
                }
            }
            times_.Waiting += Seconds(Clock::now() - start);
            if (ready.empty()) {
                if (error)
                    std::rethrow_exception(error);
                break;
            }
            slot = ready.front();
        }
        writer_->UseReads(slot->data.get());
        for (std::size_t i = 0; i < slot->rows.size(); ++i) {
            reportTimed(*slot->rows[i]);
            last = slot->last && i + 1 == slot->rows.size();
            step();
        }
        writer_->UseReads(nullptr);
        // After the last batch the run is whole: no wait, and no cancel, follows.
        if (slot->last)
            break;
        {
            const std::lock_guard lock(m);
            ready.pop_front();
            free.push_back(slot);
        }
        changed.notify_all();
    }
}

std::string SubjectDisplayName(const SubjectRow& row)
{
    const char kind = fb::FirstLetter(row.Text("Typ"));
    if (kind == 'F')
        return row.Text("NZW") + " " + row.Text("PIM");
    return row.Text("NPE");
}

} // namespace zest
