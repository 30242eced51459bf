// The locale that lets the client convert UTF-8 file names.
#include <clocale>
#include <cstring>
#include <langinfo.h>

#include "database.h"

namespace zest::fb
{

void UseUtf8FileNames() noexcept
{
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    if (codeset == nullptr || (std::strcmp(codeset, "UTF-8") != 0 && std::strcmp(codeset, "utf8") != 0))
        std::setlocale(LC_CTYPE, "C.UTF-8");
}

} // namespace zest::fb
