#include "environment.h"

#include <windows.h>

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
    if (value.empty())
        return std::string();
    const int bytes
        = ::WideCharToMultiByte(CP_UTF8, 0, value.data(), static_cast<int>(value.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(
        CP_UTF8, 0, value.data(), static_cast<int>(value.size()), utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

} // namespace zest
