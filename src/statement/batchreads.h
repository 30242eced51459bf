#pragma once
// Reads ahead what the statements of a batch of subjects will ask for, a few statements
// per batch instead of several per subject, and answers the writer's questions from
// memory. Each statement takes the batch's ids as an IN list (registerreads.h,
// catalogue.h) and gives, for every id, the rows that the per-subject statement gives,
// in the same order. A question about something the batch did not read (a caller that
// asks outside the batch) goes to the per-subject reads and is counted.
//
// The rows of one batch are held until the next Load into them: memory follows the
// batch size, not the register.

#include <array>
#include <atomic>
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
class BatchReads;

// The rows of one batch, read by BatchReads::Load, and the answers to the writer's
// questions from them. A question the batch did not read goes to the fallback and is
// counted. A run that reads while it writes keeps two of these: one written from, one
// being read.
class BatchRows : public RegisterReads
{
public:
    BatchRows(RegisterReads& fallback, std::atomic<long>& misses)
        : fallback_(&fallback)
        , misses_(&misses)
    {
    }
    BatchRows(const BatchRows&) = delete;
    BatchRows& operator=(const BatchRows&) = delete;

    HoldingsRows& Holdings(std::int32_t subjectId) override;
    std::optional<AddressRecord> Address(std::int32_t addressId) override;
    void Marriages(std::int32_t personId, bool husband, std::vector<MarriageRow>& out) override;
    void CoupleMembers(std::int32_t marriageSubjectId, std::vector<CoupleMemberRow>& out) override;
    std::int32_t PersonSubjectId(std::int32_t personId) override;
    void GroupMembers(std::int32_t groupRecordId, std::vector<GroupMemberRow>& out) override;
    void MemberList(char kind, std::span<const std::int32_t> ids, std::vector<MemberRow>& out) override;

    // Drops every row (the next Load does it too).
    void Clear();

private:
    friend class BatchReads;

    RegisterReads* fallback_;
    std::atomic<long>* misses_;

    // For every id asked, its rows (an empty entry: asked, no row).
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
};

// The statements of the read-ahead, prepared once each, and the rows of the latest
// batch (or of a batch the caller keeps).
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
    // The same into rows the caller keeps (made by NewRows), answering from them while
    // this object reads the next batch into others.
    void Load(std::span<const std::unique_ptr<SubjectRow>> rows, const RunOptions& options, const Tick& tick,
        BatchRows& into);
    // Rows for Load whose misses go to `fallback` and count here.
    std::unique_ptr<BatchRows> NewRows(RegisterReads& fallback)
    {
        return std::make_unique<BatchRows>(fallback, misses_);
    }

    // The answers of the latest Load without rows of the caller's.
    HoldingsRows& Holdings(std::int32_t subjectId) override { return own_.Holdings(subjectId); }
    std::optional<AddressRecord> Address(std::int32_t addressId) override { return own_.Address(addressId); }
    void Marriages(std::int32_t personId, bool husband, std::vector<MarriageRow>& out) override
    {
        own_.Marriages(personId, husband, out);
    }
    void CoupleMembers(std::int32_t marriageSubjectId, std::vector<CoupleMemberRow>& out) override
    {
        own_.CoupleMembers(marriageSubjectId, out);
    }
    std::int32_t PersonSubjectId(std::int32_t personId) override { return own_.PersonSubjectId(personId); }
    void GroupMembers(std::int32_t groupRecordId, std::vector<GroupMemberRow>& out) override
    {
        own_.GroupMembers(groupRecordId, out);
    }
    void MemberList(char kind, std::span<const std::int32_t> ids, std::vector<MemberRow>& out) override
    {
        own_.MemberList(kind, ids, out);
    }

    // Questions the batches could not answer (sent to the fallback), statements executed
    // and prepared, since construction.
    long Misses() const noexcept { return misses_.load(); }
    long Executions() const noexcept { return executions_; }
    int PreparedStatements() const noexcept { return prepared_; }
    // Executions per kind of statement (the order of KindNames).
    static constexpr std::size_t KindCount = 9;
    static const std::array<const char*, KindCount> KindNames;
    const std::array<long, KindCount>& ExecutionsByKind() const noexcept { return executionsByKind_; }

    // The most ids that one statement takes; longer lists are read in several.
    static constexpr std::size_t MaxListIds = 256;

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
    };
    static constexpr std::size_t SizeCount = 5;

    // Runs the statement of the kind over `ids` (deduplicated, any length) and calls
    // `row` for every row.
    void ForEachRow(Kind kind, const std::vector<std::int32_t>& ids, const std::function<void(const fb::Query&)>& row);
    fb::Query& Statement(Kind kind, std::size_t count);
    void ReadHoldings(BatchRows& b, std::vector<std::int32_t> ids);
    void ReadMarriages(BatchRows& b, std::vector<std::int32_t> ids, bool husband);
    void ReadPersonSubjects(BatchRows& b, std::vector<std::int32_t> ids);
    void ReadCoupleMembers(BatchRows& b, std::vector<std::int32_t> ids);
    void ReadGroupMembers(BatchRows& b, std::vector<std::int32_t> ids);
    void ReadMembers(BatchRows& b, std::vector<std::int32_t> ids, char kind);
    void ReadAddresses(BatchRows& b, std::vector<std::int32_t> ids);

    fb::Transaction* tr_;
    std::array<std::array<std::unique_ptr<fb::Query>, SizeCount>, KindCount> statements_;
    std::unique_ptr<HoldingsColumns> holdingsColumns_;
    const Tick* tick_ = nullptr;

    std::atomic<long> misses_ { 0 };
    BatchRows own_;
    long executions_ = 0;
    std::array<long, KindCount> executionsByKind_ {};
    int prepared_ = 0;
};

} // namespace zest
