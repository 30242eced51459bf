#pragma once
// The subject list as the statement run walks it.

#include "statementrun.h"
#include "subjectlist.h"

namespace zest
{

class SubjectListCursor : public SubjectCursor
{
public:
    explicit SubjectListCursor(SubjectList& list) noexcept
        : list_(&list)
    {
    }

    bool IsOpen() const override { return list_->IsOpen(); }
    void First() override { list_->First(); }
    bool Eof() const override { return list_->Eof(); }
    void Next() override { list_->Next(); }
    const SubjectRow& Current() const override { return *list_; }
    std::unique_ptr<SubjectRow> HoldCurrent() const override { return list_->HoldCurrent(); }
    int Count(const std::function<void()>& tick) override
    {
        while (list_->FetchMore(list_->FetchBatch()) > 0)
            if (tick)
                tick();
        return list_->RowCount();
    }

private:
    SubjectList* list_;
};

} // namespace zest
