#pragma once
// Reads ahead what the statements of a batch of subjects will ask for, a few statements
// per batch instead of several per subject, and answers the writer's questions from
// memory. Each statement takes the batch's ids as an IN list (registerreads.h,
// catalogue.h) and gives, for every id, the rows that the per-subject statement gives,
// in the same order. A question about something the batch did not read (a caller that
// asks outside the batch) goes to the per-subject reads and is counted.
//
// The rows of one batch are held until the next Load: memory follows the batch size,
// not the register.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "registerreads.h"
#include "subjectrow.h"

namespace zest
{

struct RunOptions;

class BatchReads : public RegisterReads
{
public:
    // `fallback` answers what a batch did not read.
    BatchReads(fb::Transaction& tr, RegisterReads& fallback);
    ~BatchReads() override;
    BatchReads(const BatchReads&) = delete;
    BatchReads& operator=(const BatchReads&) = delete;

    // Called after every statement and every few hundred rows, so that long reads keep
    // the caller's progress moving and can be cancelled (by throwing).
    using Tick = std::function<void()>;

    // Drops the previous batch and reads everything the statements of these subjects
    // (list rows) will ask for under these options.
    void Load(std::span<const std::unique_ptr<SubjectRow>> rows, const RunOptions& options, const Tick& tick = {});

    HoldingsRows& Holdings(std::int32_t subjectId) override;
    std::optional<AddressRecord> Address(std::int32_t addressId) override;
    void Marriages(std::int32_t personId, bool husband, std::vector<MarriageRow>& out) override;
    void CoupleMembers(std::int32_t marriageSubjectId, std::vector<CoupleMemberRow>& out) override;
    std::int32_t PersonSubjectId(std::int32_t personId) override;
    void GroupMembers(std::int32_t groupRecordId, std::vector<GroupMemberRow>& out) override;
    void MemberList(char kind, std::span<const std::int32_t> ids, std::vector<MemberRow>& out) override;

    // Questions the batches could not answer (sent to the fallback), statements executed
    // and prepared, since construction.
    long Misses() const noexcept { return misses_; }
    long Executions() const noexcept { return executions_; }
    int PreparedStatements() const noexcept { return prepared_; }

    // The most ids that one statement takes; longer lists are read in several.
    static constexpr std::size_t MaxListIds = 128;

private:
    enum Kind : std::size_t {
        HoldingsKind,
        HusbandMarriagesKind,
        WifeMarriagesKind,
        PersonSubjectsKind,
        CoupleMembersKind,
        GroupMembersKind,
        MemberPersonsKind,
        MemberInstitutionsKind,
        AddressKind,
        KindCount
    };
    static constexpr std::size_t SizeCount = 5;

    // Runs the statement of the kind over `ids` (deduplicated, any length) and calls
    // `row` for every row.
    void ForEachRow(Kind kind, const std::vector<std::int32_t>& ids, const std::function<void(const fb::Query&)>& row);
    fb::Query& Statement(Kind kind, std::size_t count);
    void Clear();
    void ReadHoldings(std::vector<std::int32_t> ids);
    void ReadMarriages(std::vector<std::int32_t> ids, bool husband);
    void ReadPersonSubjects(std::vector<std::int32_t> ids);
    void ReadCoupleMembers(std::vector<std::int32_t> ids);
    void ReadGroupMembers(std::vector<std::int32_t> ids);
    void ReadMembers(std::vector<std::int32_t> ids, char kind);
    void ReadAddresses(std::vector<std::int32_t> ids);

    fb::Transaction* tr_;
    RegisterReads* fallback_;
    std::array<std::array<std::unique_ptr<fb::Query>, SizeCount>, KindCount> statements_;
    std::unique_ptr<HoldingsColumns> holdingsColumns_;
    const Tick* tick_ = nullptr;

    // One batch: for every id asked, its rows (an empty entry: asked, no row).
    struct Range {
        std::size_t Begin = 0, End = 0;
    };
    std::vector<HoldingsRow> holdingsRows_;
    std::unordered_map<std::int32_t, Range> holdings_;
    std::unordered_map<std::int32_t, std::optional<AddressRecord>> addresses_;
    std::unordered_map<std::int32_t, std::vector<MarriageRow>> husbandMarriages_, wifeMarriages_;
    std::unordered_map<std::int32_t, std::vector<CoupleMemberRow>> couples_;
    std::unordered_map<std::int32_t, std::int32_t> personSubjects_;
    std::unordered_map<std::int32_t, std::vector<GroupMemberRow>> groups_;
    // Member rows by id, each with its place in the order the server gave them.
    struct HeldMember {
        std::size_t Order = 0;
        MemberRow Row;
    };
    std::array<std::unordered_map<std::int32_t, HeldMember>, 2> members_;
    std::array<std::vector<std::int32_t>, 2> askedMembers_; // sorted

    // The answer to the latest Holdings().
    class RangeRows : public HoldingsRows
    {
    public:
        bool Next(HoldingsRow& row) override;
        const HoldingsRow* At = nullptr;
        const HoldingsRow* End = nullptr;
    } rangeRows_;

    long misses_ = 0;
    long executions_ = 0;
    int prepared_ = 0;
};

} // namespace zest
