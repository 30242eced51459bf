#pragma once
// The values that the whole library shares while it is loaded: the area threshold that
// the edit sPowUZ sets and the selected area of the subject being reported.

#include <cstdint>

namespace zest {

struct LibraryState {
    std::int32_t AreaThreshold = 10000; // square metres
    std::int32_t SelectedAreaSum = 0; // square metres, per subject
};

// The one instance of the loaded library.
LibraryState& Library() noexcept;

} // namespace zest
