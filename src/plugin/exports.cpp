// The C boundary of the library; the work is done in entrypoints.cpp.
#include "exports.h"

#include "entrypoints.h"
#include "version.h"

// The library's version for whoever looks at the file (`strings libzestawienia.so | grep
// Zestawienia`): defined here, so that the file keeps it, and not exported.
extern const char* const ZestawieniaVersion;
const char* const ZestawieniaVersion = zest::VersionStamp;

extern "C" {

ZEST_EXPORT void ZEST_CALL GetTypeName(const char** caption, std::int32_t* kind, std::uint32_t hostAppHandle)
{
    zest::plugin::GetTypeName(caption, kind, hostAppHandle);
}

ZEST_EXPORT void ZEST_CALL Analiza(std::int32_t /*reserved1*/, const char* databaseName, const char* userName,
    const char* password, const char* roleName, std::int32_t /*reserved2*/)
{
    zest::plugin::Analiza(databaseName, userName, password, roleName);
}
}

namespace
{

// Runs when the library is unloaded (or at process exit if it never is).
struct UnloadHandler {
    UnloadHandler() { zest::plugin::Load(); }
    ~UnloadHandler() { zest::plugin::Unload(); }
} unloadHandler;

} // namespace
