#include "format.h"

#include <vector>

namespace zest
{

std::string FormatLine(std::string_view format, std::initializer_list<FormatArg> args)
{
    const std::vector<FormatArg> list(args);
    std::size_t next = 0;
    std::string out;
    out.reserve(format.size() + 32);
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (++i >= format.size())
            throw FormatError("format ends in '%': " + std::string(format));
        if (format[i] == '%') {
            out += '%';
            continue;
        }
        bool left = false;
        if (format[i] == '-') {
            left = true;
            ++i;
        }
        std::size_t width = 0;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
            width = width * 10 + static_cast<std::size_t>(format[i] - '0');
            if (width > 100000)
                throw FormatError("format width too large: " + std::string(format));
            ++i;
        }
        if (i >= format.size())
            throw FormatError("format ends inside a conversion: " + std::string(format));
        const char conv = format[i];
        if (next >= list.size())
            throw FormatError("too few arguments for format: " + std::string(format));
        const FormatArg& arg = list[next++];
        std::string value;
        if (conv == 's' || conv == 'S') {
            if (!std::holds_alternative<std::string_view>(arg))
                throw FormatError("a number given for %s in format: " + std::string(format));
            value = std::get<std::string_view>(arg);
        } else if (conv == 'd' || conv == 'D') {
            if (!std::holds_alternative<std::int64_t>(arg))
                throw FormatError("a text given for %d in format: " + std::string(format));
            value = std::to_string(std::get<std::int64_t>(arg));
        } else {
            throw FormatError(std::string("unknown conversion '%") + conv + "' in format: " + std::string(format));
        }
        const std::size_t pad = value.size() < width ? width - value.size() : 0;
        if (!left)
            out.append(pad, ' ');
        out += value;
        if (left)
            out.append(pad, ' ');
    }
    return out;
}

} // namespace zest
