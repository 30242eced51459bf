// The library's state between calls.
#include "librarystate.h"

#include "statement/tform1.h"

namespace zest::plugin
{

PluginState& State() noexcept
{
    static PluginState state;
    return state;
}

} // namespace zest::plugin
