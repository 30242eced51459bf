// The account and the machine on Windows, through the wide-character calls.
#include "identity.h"

#include <windows.h>

namespace zest::disclosures
{

namespace
{

std::string Utf8(const wchar_t* text)
{
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return {};
    std::string utf8(static_cast<std::size_t>(n - 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

} // namespace

std::string AccountName()
{
    wchar_t name[256 + 1] = {};
    DWORD size = sizeof name / sizeof name[0];
    if (::GetUserNameW(name, &size) && name[0])
        return Utf8(name);
    return "?";
}

std::string MachineName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name / sizeof name[0];
    if (::GetComputerNameW(name, &size))
        return Utf8(name);
    return {};
}

} // namespace zest::disclosures
