// The line formatter with a fuzzed format and up to four fuzzed arguments. A
// FormatError is a valid answer; a result must hold every argument it consumed.

#include "statement/format.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

// How many arguments a well-formed format takes (the formatter has accepted it).
std::size_t Consumed(std::string_view f)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%')
            continue;
        ++i;
        if (f[i] == '%')
            continue;
        if (f[i] == '-')
            ++i;
        while (f[i] >= '0' && f[i] <= '9')
            ++i;
        ++n;
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    std::vector<std::string> texts;
    std::vector<zest::FormatArg> args;
    const unsigned count = in.ConsumeIntegralInRange<unsigned>(0, 4);
    texts.reserve(count);
    for (unsigned k = 0; k < count; ++k) {
        if (in.ConsumeBool()) {
            texts.push_back(in.ConsumeRandomLengthString(64));
            args.push_back(zest::Arg(texts.back()));
        } else {
            args.push_back(zest::Arg(in.ConsumeIntegral<std::int64_t>()));
        }
    }
    const std::string format = in.ConsumeRemainingBytesAsString();

    std::string out;
    try {
        switch (args.size()) {
        case 0:
            out = zest::FormatLine(format, {});
            break;
        case 1:
            out = zest::FormatLine(format, { args[0] });
            break;
        case 2:
            out = zest::FormatLine(format, { args[0], args[1] });
            break;
        case 3:
            out = zest::FormatLine(format, { args[0], args[1], args[2] });
            break;
        default:
            out = zest::FormatLine(format, { args[0], args[1], args[2], args[3] });
            break;
        }
    } catch (const zest::FormatError&) {
        return 0;
    }

    const std::size_t used = Consumed(format);
    Check(used <= args.size());
    for (std::size_t k = 0; k < used; ++k) {
        const std::string value = std::holds_alternative<std::string_view>(args[k])
            ? std::string(std::get<std::string_view>(args[k]))
            : std::to_string(std::get<std::int64_t>(args[k]));
        Check(out.find(value) != std::string::npos);
    }
    if (used == 0) {
        // Only "%%" pairs: each gives one percent sign.
        std::string plain;
        for (std::size_t i = 0; i < format.size(); ++i) {
            plain += format[i];
            if (format[i] == '%')
                ++i;
        }
        Check(out == plain);
    }
    return 0;
}
