// UTF-8, as the program keeps names and texts, and the wide characters of the Windows
// calls: the one place that converts between them.
#pragma once

#include <string>
#include <string_view>

namespace zest::sys
{

std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

} // namespace zest::sys
