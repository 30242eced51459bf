#pragma once
// The undo history of a text: the edits a user made, newest last, and those undone,
// ready to be done again. Each edit keeps the bytes it took out and those it put in, so
// that taking it back is one more replacement. The history holds at most LimitBytes
// bytes of edits; the oldest go first, and an edit larger than that ends it.

#include "richedit/richeditwindow.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zest::richedit
{

class EditHistory
{
public:
    struct Edit {
        Position At = 0;
        std::string Removed; // the bytes it took out, breaks as '\n'
        std::string Inserted; // the bytes it put in their place
    };

    static constexpr std::size_t LimitBytes = 32u << 20;

    bool CanUndo() const noexcept { return !undo_.empty(); }
    bool CanRedo() const noexcept { return !redo_.empty(); }

    // A new edit: nothing is left to redo. Letters typed one after another join the
    // edit before them, so that they are undone as one word.
    void Remember(Edit edit);
    void Forget() noexcept;

    // The edit an undo would take back, or a redo do again; nothing when there is none.
    const Edit* ToUndo() const noexcept { return undo_.empty() ? nullptr : &undo_.back(); }
    const Edit* ToRedo() const noexcept { return redo_.empty() ? nullptr : &redo_.back(); }
    // The edit of ToUndo was taken back: it waits to be done again.
    void Undone();
    // The edit of ToRedo was done again: back on the undo list as it was, without
    // clearing what is left to redo.
    void Redone();

private:
    std::vector<Edit> undo_;
    std::vector<Edit> redo_;
    std::size_t bytes_ = 0; // of the edits in undo_
};

} // namespace zest::richedit
