#pragma once
// The statement writer: for one subject id and kind letter it adds the subject header
// block and the holdings table to the line buffer. It opens no window and touches no
// file; the statement run clears and flushes the buffer.
//
// What it reads comes from a RegisterReads: its own statements, one per question, each
// prepared once per writer (registerreads.h), or rows that the run has read ahead for a
// batch of subjects.
//
// Errors of the database layer are not caught: they leave at once, and the lines
// already added stay in the buffer.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "classmarks.h"
#include "holdingsrow.h"
#include "linebuffer.h"
#include "precincts.h"
#include "registerreads.h"
#include "spouseslots.h"
#include "database/database.h"
#include "subjectrow.h"

namespace zest
{

// The kind letters of the subjects and of the blocks a statement holds.
inline constexpr char KindPerson = 'F';
inline constexpr char KindInstitution = 'P';
inline constexpr char KindGroup = 'I';
inline constexpr char KindMarriage = 'M';
inline constexpr char KindWife = '\xAF'; // "Ż": a wife's own holdings in her husband's statement

// The check boxes of the statement window that the writer reads.
struct StatementOptions {
    bool Stronicowanie = true; // a form feed closes every block
    bool CeleSzkoleniowe = false; // the training title
};

// What a spouse lookup gives besides SpouseSlots: 0 and "" for a spouse without a row.
struct SpouseAddresses {
    std::int32_t HusbandAddressId = 0;
    std::int32_t WifeAddressId = 0;
    std::string HusbandPremises;
    std::string WifePremises;
};

class StatementWriter
{
public:
    StatementWriter(fb::Transaction& tr, const PrecinctTable& precincts, const ClassGrid& classes, LineBuffer& buffer,
        AreaState& area, SpouseSlots& spouses, StatementOptions options = {});
    ~StatementWriter();
    StatementWriter(const StatementWriter&) = delete;
    StatementWriter& operator=(const StatementWriter&) = delete;

    void SetOptions(const StatementOptions& options) noexcept { options_ = options; }
    const StatementOptions& options() const noexcept { return options_; }

    // One block: the header and the table, or nothing at all when the subject holds no
    // current land use. `current` is the subject list's row, read by the header for the
    // kinds 'F', 'P' and 'I' (it may be null for the other kinds).
    void WriteHoldingsTable(std::int32_t subjectId, char kind, const SubjectRow* current);
    // The same block from rows in the holdings query's order (WriteHoldingsTable passes
    // the query's rows; tools and tests may pass rows of their own).
    void WriteHoldingsBlock(std::int32_t subjectId, char kind, const SubjectRow* current, HoldingsRows& rows);

    // The name and address lines that the kind asks for, then the empty line, the title
    // and the empty line.
    void WriteSubjectHeader(std::int32_t subjectId, char kind, const SubjectRow* current);
    // The empty line, the ruled line, the column titles and the ruled line.
    void WriteTableHeading();

    // The lines of one address (none for an id without a row); `lines` is emptied first.
    void FetchAddressLines(std::vector<std::string>& lines, std::int32_t addressId, const std::string& premises);
    // "Adres: " before the first line, seven spaces before every further one.
    void WriteAddressLines(const std::vector<std::string>& lines);

    // Fills SpouseSlots from the couple's person rows; writes nothing.
    SpouseAddresses LookupSpouses(std::int32_t marriageSubjectId);
    // The husband's and the wife's lines; a shared address is shown once, after the wife.
    void WriteSpouses(std::int32_t marriageSubjectId);
    // The member lines of a group subject (`groupRecordId` is its INNE_PODM id).
    void WriteGroupMembers(std::int32_t groupRecordId);

    // A person's own subject id ('F' subject with that OSOBY id), or -1 when none.
    std::int32_t FindPersonSubjectId(std::int32_t personId);

    // How many statements this writer's own reads have prepared so far.
    int PreparedStatements() const noexcept { return own_.PreparedStatements(); }

    // Where the writer reads from: `reads` until the next call, or its own statements
    // (nullptr). The reads must outlive their use.
    void UseReads(RegisterReads* reads) noexcept { reads_ = reads ? reads : &own_; }
    RegisterReads& Reads() noexcept { return *reads_; }
    SubjectReads& OwnReads() noexcept { return own_; }

private:
    void Emit(std::string_view line) { buffer_->EmitLine(line, EmitAdd); }
    void WriteNamedAddress(
        const std::string& name, std::int32_t addressId, const std::string& premises, std::vector<std::string>& lines);
    void WriteMemberList(char kind, const std::vector<std::int32_t>& ids, std::vector<std::string>& lines);

    const PrecinctTable* precincts_;
    const ClassGrid* classes_;
    LineBuffer* buffer_;
    AreaState* area_;
    SpouseSlots* spouses_;
    StatementOptions options_;

    SubjectReads own_;
    RegisterReads* reads_ = &own_;
    // Scratch rows of the header lookups, kept between calls.
    std::vector<CoupleMemberRow> couple_;
    std::vector<MemberRow> memberRows_;
};

} // namespace zest
