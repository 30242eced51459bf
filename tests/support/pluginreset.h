#pragma once
// The plug-in as freshly loaded, for the length of a test (for tests that link
// zest_plugin): every statement window destroyed and the host's window forgotten when
// the test starts and again when it ends, the library-wide values reset with them.
// Declare it after what the windows use (a test register), so that it goes first.

#include "libraryreset.h"
#include "plugin/entrypoints.h"
#include "plugin/pluginstate.h"

namespace zest::test
{

class PluginReset
{
public:
    PluginReset() noexcept { Reset(); }
    ~PluginReset() { Reset(); }
    PluginReset(const PluginReset&) = delete;
    PluginReset& operator=(const PluginReset&) = delete;

    static void Reset() noexcept
    {
        plugin::Unload();
        plugin::State().HostAppHandle = 0;
        LibraryReset::Reset();
    }
};

} // namespace zest::test
