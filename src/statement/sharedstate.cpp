// The library-wide values.
#include "sharedstate.h"

namespace zest
{

LibraryState& Library() noexcept
{
    static LibraryState state;
    return state;
}

} // namespace zest
