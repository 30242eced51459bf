#pragma once
// The values that the whole library shares while it is loaded: the area threshold that
// the edit sPowUZ sets, the selected area of the subject being reported, and the lines
// of that subject's statement.

#include "linebuffer.h"
#include "spouseslots.h"

namespace zest
{

struct LibraryState {
    AreaState Area; // AreaThreshold (10000 from load) and SelectedAreaSum
    LineBuffer Lines { Area };
    SpouseSlots Spouses; // the latest spouse lookup
};

// The one instance of the loaded library.
LibraryState& Library() noexcept;

} // namespace zest
