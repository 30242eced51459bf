#include "disclosurescommand.h"

#include <algorithm>
#include <cstdio>

#include "disclosures/identity.h"
#include "disclosures/listing.h"
#include "statement/atomicfile.h"
#include "statement/codepage.h"
#include "statement/statementfile.h"

namespace zest::cli
{

std::string YearBefore(std::string_view today)
{
    std::string day(today);
    const std::string year = std::to_string(std::stoi(day.substr(0, 4)) - 1);
    day.replace(0, 4, std::string(4 - std::min<std::size_t>(4, year.size()), '0') + year);
    if (day.substr(5) == "02-29")
        day.replace(8, 2, "28");
    return day;
}

int RunDisclosuresCommand(const DisclosuresOptions& o, const disclosures::DisclosureRegister& reg)
{
    if (!reg.IsOn()) {
        std::fprintf(
            stderr, "zestawienia-cli: the register of disclosures is off (%s=off)\n", disclosures::EnvironmentVariable);
        return 1;
    }
    if (o.purgeBefore) {
        const std::string earliest = YearBefore(disclosures::UtcToday());
        if (*o.purgeBefore > earliest && !o.force) {
            std::fprintf(stderr,
                "zestawienia-cli: --purge-before %s would delete rows of the last year; the register keeps them "
                "(the latest day a purge may name today is %s; --force purges them all the same)\n",
                o.purgeBefore->c_str(), earliest.c_str());
            return 2;
        }
        const std::int64_t rows
            = reg.PurgeBefore(*o.purgeBefore, cp1250::FromUtf8(disclosures::AccountName(), cp1250::Substitute));
        std::printf("%lld rows recorded before %s deleted from %s\n", static_cast<long long>(rows),
            o.purgeBefore->c_str(), reg.Path().c_str());
        return 0;
    }
    disclosures::Filter filter;
    filter.subjectId = o.subject;
    filter.user = o.user;
    filter.account = o.account;
    filter.since = o.since;
    filter.until = o.until;
    const std::vector<disclosures::DisclosureRow> rows = reg.Read(filter);
    if (o.csv.empty()) {
        const std::string text = disclosures::DisclosureListing(rows, "\n");
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
            throw FileError("Cannot write to standard output");
        return 0;
    }
    AtomicFile file(o.csv);
    file.Write("\xEF\xBB\xBF" + disclosures::DisclosureListing(rows, "\r\n"));
    file.Commit();
    return 0;
}

} // namespace zest::cli
