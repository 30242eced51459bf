#pragma once
// What the statement writer and the run read from the register, one question at a time:
// a block's holdings, an address, a person's marriages, a couple's members, a person's
// own subject, a group's members and the rows of a member list. Two sources answer the
// same questions with the same rows in the same order:
//   SubjectReads  one statement per question (the reference: a round trip per block,
//                 per address, per marriage list ...);
//   BatchReads    (batchreads.h) the rows of many subjects read ahead, a few statements
//                 per batch, for a register across a network.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "holdingsrow.h"
#include "holdingstext.h"

namespace zest
{

namespace fb
{
class Query;
class Transaction;
} // namespace fb

// A marriage of a person: the couple's subject id and the other spouse's OSOBY id.
struct MarriageRow {
    std::int32_t SubjectId = 0;
    std::int32_t Other = 0;
};

// One spouse of a couple, as the couple members statement gives it.
struct CoupleMemberRow {
    PersonName Name;
    std::string Plec;
    std::int32_t AddressId = 0;
    std::string Premises;
};

// A member of a group subject: its kind letter, subject id and record id (ID_OS).
struct GroupMemberRow {
    char Kind = '\0';
    std::int32_t SubjectId = 0;
    std::int32_t RecordId = 0;
};

// A row of a member list: a person's name parts, or an institution's full name in NPE.
struct MemberRow {
    PersonName Name;
    std::string Npe;
    std::int32_t AddressId = 0;
    std::string Premises;
};

// Firebird refuses an IN list of more than 1500 values; a longer run of group members is
// asked for in several lists, one after the other.
inline constexpr std::size_t MaxIdsPerList = 1500;

class RegisterReads
{
public:
    virtual ~RegisterReads() = default;

    // The block's rows in the holdings order; valid until the next call.
    virtual HoldingsRows& Holdings(std::int32_t subjectId) = 0;
    // The address row, or none.
    virtual std::optional<AddressRecord> Address(std::int32_t addressId) = 0;
    // A man's (husband) or a woman's marriages.
    virtual void Marriages(std::int32_t personId, bool husband, std::vector<MarriageRow>& out) = 0;
    virtual void CoupleMembers(std::int32_t marriageSubjectId, std::vector<CoupleMemberRow>& out) = 0;
    // A person's own subject id ('F' subject with that OSOBY id), or -1 when none.
    virtual std::int32_t PersonSubjectId(std::int32_t personId) = 0;
    virtual void GroupMembers(std::int32_t groupRecordId, std::vector<GroupMemberRow>& out) = 0;
    // The persons ('F') or institutions ('P') of one list of 1 to MaxIdsPerList ids.
    virtual void MemberList(char kind, std::span<const std::int32_t> ids, std::vector<MemberRow>& out) = 0;
};

// One statement per question, each prepared once, on first use, and run again with new
// parameters. The member lists "WHERE ID IN (...)" take their ids as parameters, in a few
// fixed list sizes, each prepared once per kind: a list is padded to its size with its
// last id repeated, which adds no row.
class SubjectReads : public RegisterReads
{
public:
    explicit SubjectReads(fb::Transaction& tr);
    ~SubjectReads() override;

    HoldingsRows& Holdings(std::int32_t subjectId) override;
    std::optional<AddressRecord> Address(std::int32_t addressId) override;
    void Marriages(std::int32_t personId, bool husband, std::vector<MarriageRow>& out) override;
    void CoupleMembers(std::int32_t marriageSubjectId, std::vector<CoupleMemberRow>& out) override;
    std::int32_t PersonSubjectId(std::int32_t personId) override;
    void GroupMembers(std::int32_t groupRecordId, std::vector<GroupMemberRow>& out) override;
    void MemberList(char kind, std::span<const std::int32_t> ids, std::vector<MemberRow>& out) override;

    // How many statements have been prepared so far.
    int PreparedStatements() const noexcept { return prepared_; }

private:
    struct Statements;
    std::unique_ptr<fb::Query>& Prepared(std::unique_ptr<fb::Query>& slot, std::string_view sql, bool planFallback);
    fb::Query& MemberListQuery(char kind, std::size_t count);

    fb::Transaction* tr_;
    std::unique_ptr<Statements> st_;
    int prepared_ = 0;
};

// The current row of a member list statement: a person's name parts ('F') or an
// institution's full name.
void ReadMemberRow(const fb::Query& q, char kind, MemberRow& row);
// The address columns of the current row of an address statement.
AddressRecord ReadAddressRecord(const fb::Query& q);
// The member list statement of the kind ('F' persons, 'P' institutions) for `size` ids.
std::string MemberListSql(char kind, std::size_t size);

} // namespace zest
