// The library-wide values.
#include "librarystate.h"

namespace zest
{

LibraryState& Library() noexcept
{
    static LibraryState state;
    return state;
}

} // namespace zest
