#include "csvfield.h"

namespace zest
{

std::string CsvField(std::string_view text)
{
    const bool formula = !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
    if (!formula && text.find_first_of(";\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string q = formula ? "\"'" : "\"";
    for (char c : text) {
        if (c == '"')
            q += '"';
        q += c;
    }
    return q + "\"";
}

} // namespace zest
