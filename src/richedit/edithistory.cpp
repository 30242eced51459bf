// The undo history of a text.
#include "richedit/edithistory.h"

#include <utility>

namespace zest::richedit
{

namespace
{

std::size_t SizeOf(const EditHistory::Edit& edit) noexcept
{
    return edit.Removed.size() + edit.Inserted.size();
}

} // namespace

void EditHistory::Remember(Edit edit)
{
    redo_.clear();
    if (edit.Removed.empty() && edit.Inserted.empty())
        return;
    // An edit larger than the history may hold (a whole statement file deleted) is not
    // kept twice in memory: the history ends there.
    if (SizeOf(edit) > LimitBytes) {
        Forget();
        return;
    }
    if (!undo_.empty()) {
        Edit& last = undo_.back();
        const bool typing = last.Removed.empty() && edit.Removed.empty() && edit.Inserted.size() == 1
            && edit.Inserted[0] != '\n' && !last.Inserted.empty() && last.Inserted.back() != '\n'
            && last.At + static_cast<Position>(last.Inserted.size()) == edit.At;
        if (typing) {
            last.Inserted += edit.Inserted;
            ++bytes_;
            return;
        }
    }
    bytes_ += SizeOf(edit);
    undo_.push_back(std::move(edit));
    while (bytes_ > LimitBytes && undo_.size() > 1) {
        bytes_ -= SizeOf(undo_.front());
        undo_.erase(undo_.begin());
    }
}

void EditHistory::Forget() noexcept
{
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
}

void EditHistory::Undone()
{
    if (undo_.empty())
        return;
    bytes_ -= SizeOf(undo_.back());
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
}

void EditHistory::Redone()
{
    if (redo_.empty())
        return;
    bytes_ += SizeOf(redo_.back());
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
}

} // namespace zest::richedit
