// The password file on Windows, read through the wide-character call.
#include "passwordfile.h"

#include <stdexcept>

#include "statement/errortext.h"
#include "statement/systemfile.h"

namespace zest::cli
{

std::string ReadPasswordFile(const std::string& path, std::ostream&)
{
    const auto fail = [&](const std::error_code& error) {
        throw std::runtime_error("Cannot read password file " + PathText(path) + ": " + sys::ErrorText(error));
    };
    sys::File file;
    if (const std::error_code error = sys::OpenToRead(path, file))
        fail(error);
    std::string text;
    char chunk[512];
    while (text.find('\n') == std::string::npos) {
        std::size_t n = 0;
        if (const std::error_code error = file.Read(chunk, sizeof chunk, n))
            fail(error);
        if (n == 0)
            break;
        text.append(chunk, n);
    }
    text.erase(std::min(text.find('\n'), text.size()));
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}

} // namespace zest::cli
