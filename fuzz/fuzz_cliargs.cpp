// The command line of zestawienia-cli (and of its disclosures command): the input is its
// arguments, NUL-separated.
// A UsageError is a valid answer; anything accepted must be a usable set of options.

#include "cliargs.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace
{

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    std::size_t start = 0;
    while (start <= text.size() && !text.empty()) {
        std::size_t end = text.find('\0', start);
        if (end == std::string_view::npos)
            end = text.size();
        args.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }

    if (!args.empty() && args.front() == "disclosures") {
        try {
            const zest::cli::DisclosuresOptions d
                = zest::cli::ParseDisclosuresArguments({ args.begin() + 1, args.end() });
            Check(d.help || !d.purgeBefore
                || (!d.subject && !d.user && !d.account && !d.since && !d.until && d.csv.empty()));
            Check(d.help || !d.force || d.purgeBefore);
            Check(d.help || !d.since || !d.until || *d.since <= *d.until);
            for (const auto& date : { d.since, d.until, d.purgeBefore })
                Check(!date || date->size() == 10);
        } catch (const zest::cli::UsageError&) {
        }
        return 0;
    }

    zest::cli::Options o;
    try {
        o = zest::cli::ParseArguments(args);
    } catch (const zest::cli::UsageError&) {
        return 0;
    }
    const bool runs = !o.help && !o.version;
    Check(!runs || !o.database.empty());
    Check(!runs || !o.pageNumbers || !o.pdf.empty());
    Check(!runs || !o.password || o.passwordFile.empty());
    Check(o.kind >= 0 && o.kind <= 2);
    for (const std::string& t : o.toggles) {
        const zest::cli::ClassCodes codes = zest::cli::SplitToggle(t);
        Check(codes.ozu.size() + codes.ozk.size() + codes.ofu.size() + 2 == t.size());
    }
    return 0;
}
