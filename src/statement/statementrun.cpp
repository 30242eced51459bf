#include "statementrun.h"

#include <set>
#include <vector>

#include "holdingstext.h"
#include "register/catalogue.h"
#include "statement/connection/reading.h"
#include "statementfile.h"
#include "statementwriter.h"
#include "subjectlist.h"

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

struct MarriageRow {
    std::int32_t SubjectId;
    std::int32_t Other;
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

fb::Query& StatementRun::Marriages(bool husband)
{
    std::unique_ptr<fb::Query>& q = husband ? husbandMarriages_ : wifeMarriages_;
    if (!q)
        q = PrepareWithPlanFallback(*tr_, husband ? reg::HusbandMarriagesQuery : reg::WifeMarriagesQuery);
    return *q;
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

    // The marriage rows are read whole before any block is written: the writer runs
    // its own statements on the same transaction.
    fb::Query& q = Marriages(husband);
    q.SetInteger("idp", row.Integer("id"));
    q.Open();
    std::vector<MarriageRow> marriages;
    while (q.Next())
        marriages.push_back({ q.AsInteger("id_pdm"), q.AsInteger("Drugi") });
    q.Close();

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
    struct Attach {
        LineBuffer* b;
        ~Attach()
        {
            b->SetStatementFile(nullptr);
        }
    } attach { buffer_ };
    ClearOnError clear(*buffer_);
    buffer_->EmitLine("", EmitClear);
    buffer_->SetStatementFile(&file);

    if (!list.IsOpen())
        throw std::runtime_error("Lista podmiot\xF3w nie jest pobrana: najpierw \"Pobierz osoby\".");

    if (options.wskazany) {
        const SubjectOutcome o = ReportSubject(list.Current(), options);
        if (outcome)
            outcome(o);
        if (progress)
            progress(1, 1);
        return;
    }
    const int total = progress ? list.Count() : 0;
    int doneCount = 0;
    list.First();
    while (!list.Eof()) {
        const SubjectOutcome o = ReportSubject(list.Current(), options);
        if (outcome)
            outcome(o);
        ++doneCount;
        if (progress && !progress(doneCount, total))
            throw RunCancelled();
        list.Next();
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
