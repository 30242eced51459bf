#include "statementrun.h"

#include <set>
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
        if (flush)
            out.Written = buffer_->Flush();
        else
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
    std::vector<std::unique_ptr<SubjectRow>> rows;
    auto writeBatch = [&](bool lastBatch) {
        reads.Load(rows, options, tick);
        writer_->UseReads(&reads);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            report(*rows[i]);
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
    list.First();
    while (!list.Eof()) {
        rows.clear();
        while (!list.Eof() && static_cast<int>(rows.size()) < batchSize_) {
            rows.push_back(list.HoldCurrent());
            list.Next();
        }
        writeBatch(list.Eof());
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
