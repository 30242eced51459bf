#pragma once
// The subject list of the command-line tool: the list statement's own cursor, walked
// forward once, as the run needs it.

#include <memory>

#include "database/database.h"
#include "statement/statementrun.h"
#include "statement/subjectrow.h"

namespace zest::cli
{

class QueryCursor : public SubjectCursor
{
public:
    explicit QueryCursor(std::unique_ptr<fb::Query> query)
        : query_(std::move(query))
        , row_(*query_)
    {
    }

    bool IsOpen() const override { return true; } // prepared; First() executes it
    void First() override
    {
        query_->Open();
        eof_ = !query_->Next();
    }
    bool Eof() const override { return eof_; }
    void Next() override { eof_ = !query_->Next(); }
    const SubjectRow& Current() const override { return row_; }
    std::unique_ptr<SubjectRow> HoldCurrent() const override { return HoldQueryRow(*query_, columns_); }
    int Count(const std::function<void()>&) override { return -1; } // not known before the end

private:
    std::unique_ptr<fb::Query> query_;
    QuerySubjectRow row_;
    mutable HeldSubjectRow::Columns columns_;
    bool eof_ = true;
};

} // namespace zest::cli
