// The library's state between calls.
#include "pluginstate.h"

#include "statementwindow/tform1.h"

namespace zest::plugin
{

PluginState& State() noexcept
{
    static PluginState state;
    return state;
}

} // namespace zest::plugin
