#include "environment.h"

#include <windows.h>

#include "widetext_windows.h"

namespace zest
{

std::optional<std::string> EnvironmentValue(const char* name)
{
    std::wstring wideName;
    for (const char* c = name; *c; ++c)
        wideName += static_cast<wchar_t>(static_cast<unsigned char>(*c)); // names are ASCII
    const DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0)
        return ::GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt : std::optional<std::string>(std::string());
    std::wstring value(size, L'\0');
    const DWORD n = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    value.resize(n);
    return sys::Utf8FromWide(value);
}

} // namespace zest
