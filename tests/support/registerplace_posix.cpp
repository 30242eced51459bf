#include "registerplace.h"

#include <filesystem>

#include "testregister.h"

namespace zest::test
{

std::string NewRegisterName(std::string_view stem)
{
    return UniqueTempPath(stem);
}

bool RegistersAreLocalFiles()
{
    return true;
}

reg::RegisterOptions RegisterAccess()
{
    return {};
}

void RemoveRegister(const std::string& name) noexcept
{
    std::error_code ec;
    std::filesystem::remove(name, ec);
}

} // namespace zest::test
