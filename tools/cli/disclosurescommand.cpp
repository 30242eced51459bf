#include "disclosurescommand.h"

#include <cstdio>
#include <pwd.h>
#include <unistd.h>

#include "csvfield.h"
#include "statement/atomicfile.h"
#include "statement/codepage.h"
#include "statement/statementfile.h"

namespace zest::cli
{

namespace
{

// The login name of the process's user, for the note of a purge.
std::string LoginName()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        return pw->pw_name;
    return std::to_string(::getuid());
}

} // namespace

std::string DisclosureListing(const std::vector<disclosures::DisclosureRow>& rows, std::string_view lineEnd)
{
    std::string out = "time;user;database;subject;name;output;options";
    out += lineEnd;
    for (const disclosures::DisclosureRow& r : rows) {
        std::string output = r.output;
        if (r.file)
            output += " " + *r.file;
        out += CsvField(r.time) + ";" + CsvField(r.user) + ";" + CsvField(r.database) + ";"
            + std::to_string(r.subjectId) + ";" + CsvField(r.subjectName) + ";" + CsvField(output) + ";"
            + CsvField(r.options);
        out += lineEnd;
    }
    return out;
}

int RunDisclosuresCommand(const DisclosuresOptions& o, const disclosures::DisclosureRegister& reg)
{
    if (!reg.IsOn()) {
        std::fprintf(
            stderr, "zestawienia-cli: the register of disclosures is off (%s=off)\n", disclosures::EnvironmentVariable);
        return 1;
    }
    if (o.purgeBefore) {
        const std::int64_t rows = reg.PurgeBefore(*o.purgeBefore, cp1250::FromUtf8(LoginName(), cp1250::Substitute));
        std::printf("%lld rows recorded before %s deleted from %s\n", static_cast<long long>(rows),
            o.purgeBefore->c_str(), reg.Path().c_str());
        return 0;
    }
    disclosures::Filter filter;
    filter.subjectId = o.subject;
    filter.user = o.user;
    filter.since = o.since;
    filter.until = o.until;
    const std::vector<disclosures::DisclosureRow> rows = reg.Read(filter);
    if (o.csv.empty()) {
        const std::string text = DisclosureListing(rows, "\n");
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
            throw FileError("Cannot write to standard output");
        return 0;
    }
    AtomicFile file(o.csv);
    file.Write("\xEF\xBB\xBF" + DisclosureListing(rows, "\r\n"));
    file.Commit();
    return 0;
}

} // namespace zest::cli
