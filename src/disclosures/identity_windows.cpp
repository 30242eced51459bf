// The account and the machine on Windows, through the wide-character calls.
#include "identity.h"

#include <windows.h>

#include "statement/widetext_windows.h"

namespace zest::disclosures
{

std::string AccountName()
{
    wchar_t name[256 + 1] = {};
    DWORD size = sizeof name / sizeof name[0];
    if (::GetUserNameW(name, &size) && name[0])
        return sys::Utf8FromWide(name);
    return "?";
}

std::string MachineName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name / sizeof name[0];
    if (::GetComputerNameW(name, &size))
        return sys::Utf8FromWide(name);
    return {};
}

} // namespace zest::disclosures
