#pragma once
// The statement run: for the subjects of the subject list (all, or the one at the
// cursor) it lets the writer add the blocks of each subject's statement to the line
// buffer and flushes or clears the buffer at the end of every subject. Widget-free:
// the statement window and the command-line tool drive the same code.

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "database/database.h"
#include "linebuffer.h"
#include "subjectrow.h"

namespace zest
{

class StatementWriter;
class StatementFile;
class BatchReads;

// The subject list's own cursor; the run walks it without copying the list.
class SubjectCursor
{
public:
    virtual ~SubjectCursor() = default;
    virtual bool IsOpen() const = 0;
    virtual void First() = 0;
    virtual bool Eof() const = 0;
    virtual void Next() = 0;
    virtual const SubjectRow& Current() const = 0;
    // A copy of the current row that stays when the cursor moves on (the run reads
    // a batch of subjects ahead).
    virtual std::unique_ptr<SubjectRow> HoldCurrent() const = 0;
    // How many subjects the list holds (fetching the rest of it if need be, with `tick`
    // called between the reads so that a long list keeps the progress answering).
    virtual int Count(const std::function<void()>& tick) = 0;
};

struct RunOptions {
    bool wskazany = false; // only the subject at the cursor
    bool TylkoPrzyMezu = false; // wives reported in their husbands' statements
    bool TylkoKobiety = false; // men get no statement
};

// What became of one reported subject.
struct SubjectOutcome {
    std::int32_t Id = 0;
    char Kind = '\0';
    std::string Name; // Windows-1250
    std::int64_t SelectedArea = 0; // m² of the marked classes, over all blocks
    bool Written = false; // the statement reached the file
};

// Thrown when the user cancels a run.
class RunCancelled : public std::runtime_error
{
public:
    RunCancelled()
        : std::runtime_error("Zestawienie przerwane")
    {
    }
};

class StatementRun
{
public:
    StatementRun(fb::Transaction& tr, StatementWriter& writer, LineBuffer& buffer, AreaState& area);
    ~StatementRun();
    StatementRun(const StatementRun&) = delete;
    StatementRun& operator=(const StatementRun&) = delete;

    // Called after each subject with (subjects done, subjects listed); false cancels.
    using Progress = std::function<bool(int done, int total)>;
    using OutcomeSink = std::function<void(const SubjectOutcome&)>;

    // Reports the subjects into `file` (open for writing). On any error, or a cancel,
    // the line buffer is emptied and the error passes on; the caller discards the file.
    void Run(SubjectCursor& list, const RunOptions& options, StatementFile& file, const Progress& progress = {},
        const OutcomeSink& outcome = {});

    // One subject: its own block, then its marriages' (and wives') blocks, then the
    // flush through the threshold test, or a clear when it gets no statement.
    SubjectOutcome ReportSubject(const SubjectRow& row, const RunOptions& options);

    // Subjects read ahead at a time (BatchReads): a few statements per batch instead of
    // several per subject. 0 or less: one statement per question (the reference way).
    static constexpr int DefaultBatchSize = 1000;
    void SetBatchSize(int subjects) noexcept { batchSize_ = subjects; }
    int BatchSize() const noexcept { return batchSize_; }

    // Reading while writing: with a batch size, a reader thread walks the list and reads
    // the next batch (every database call of the run's batches) while this thread
    // formats and writes the batch in hand, from memory. At most two batches are held.
    // The progress callback, the outcome sink and the file are used by the calling
    // thread only; a cancel or an error of either side ends both. Off: the batches are
    // read and written in turn, as before.
    void SetOverlap(bool on) noexcept { overlap_ = on; }
    bool Overlap() const noexcept { return overlap_; }

    // Questions that the read-ahead could not answer, and statements it executed, over
    // the runs of this object.
    long ReadAheadMisses() const noexcept;
    long ReadAheadExecutions() const noexcept;
    // The read-ahead's statements (null before the first run that reads ahead).
    const BatchReads* ReadAhead() const noexcept { return readAhead_.get(); }

    // Where the runs of this object spent their time, in seconds of the steady clock,
    // summed over runs that read ahead: reading the batches (the list walk included; in
    // the reader thread when overlapped), formatting their statements, writing lines to
    // the file, and the calling thread's waits for a batch to be read.
    struct Times {
        double Reading = 0;
        double Formatting = 0;
        double Writing = 0;
        double Waiting = 0;
    };
    const Times& SpentTimes() const noexcept { return times_; }

private:
    fb::Transaction* tr_;
    StatementWriter* writer_;
    LineBuffer* buffer_;
    AreaState* area_;
    int batchSize_ = DefaultBatchSize;
    bool overlap_ = true;
    std::unique_ptr<BatchReads> readAhead_;
    Times times_;
};

// The name of a subject row for lists and summaries: "surname first-name" of a person,
// the full name of an institution or group.
std::string SubjectDisplayName(const SubjectRow& row);

} // namespace zest
