#include "format.h"

#include <algorithm>
#include <charconv>

namespace zest
{

std::string FormatLine(std::string_view format, std::initializer_list<FormatArg> args)
{
    // Statement lines are built by the thousand per subject: the arguments are read in
    // place and appended straight to the line, with no text made per argument.
    const FormatArg* const list = args.begin();
    std::size_t next = 0;
    std::string out;
    out.reserve(format.size() + 32);
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            const std::size_t percent = std::min(format.find('%', i), format.size());
            out.append(format.substr(i, percent - i));
            i = percent - 1;
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
        if (next >= args.size())
            throw FormatError("too few arguments for format: " + std::string(format));
        const FormatArg& arg = list[next++];
        std::string_view value;
        char digits[24];
        if (conv == 's' || conv == 'S') {
            if (!std::holds_alternative<std::string_view>(arg))
                throw FormatError("a number given for %s in format: " + std::string(format));
            value = std::get<std::string_view>(arg);
        } else if (conv == 'd' || conv == 'D') {
            if (!std::holds_alternative<std::int64_t>(arg))
                throw FormatError("a text given for %d in format: " + std::string(format));
            // 24 places hold every 64-bit number with its sign.
            const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, std::get<std::int64_t>(arg));
            value = std::string_view(digits, static_cast<std::size_t>(r.ptr - digits));
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
