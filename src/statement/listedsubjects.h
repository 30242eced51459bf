#pragma once
// Subjects named by id from outside the register (a list a clerk was handed), walked in
// the list's order by the statement run. The rows are those the subject list of the
// kind would show; ids that the register does not hold, or holds as another kind, and
// ids listed again are set aside with the reason.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "statementrun.h"
#include "subjectrow.h"

namespace zest
{

namespace fb
{
class Transaction;
}

class ListedSubjects : public SubjectCursor
{
public:
    struct SetAside {
        std::int32_t Id = 0;
        std::string Reason; // ASCII
    };

    // Reads the rows of the listed ids of the kind (PersonKindIndex…) with a few
    // statements; throws the database error.
    ListedSubjects(fb::Transaction& tr, int kindIndex, const std::vector<std::int32_t>& ids);
    ~ListedSubjects() override;

    // The listed ids that get no statement, in the list's order.
    const std::vector<SetAside>& SetAsideIds() const noexcept { return setAside_; }
    int RowCount() const noexcept { return static_cast<int>(rows_.size()); }

    bool IsOpen() const override { return true; }
    void First() override { at_ = 0; }
    bool Eof() const override { return at_ >= rows_.size(); }
    void Next() override { ++at_; }
    const SubjectRow& Current() const override { return *rows_.at(at_); }
    std::unique_ptr<SubjectRow> HoldCurrent() const override;
    int Count(const std::function<void()>&) override { return RowCount(); }

private:
    std::vector<std::shared_ptr<const SubjectRow>> rows_;
    std::vector<SetAside> setAside_;
    std::size_t at_ = 0;
};

} // namespace zest
