#include "listing.h"

#include "statement/codepage.h"
#include "statement/csvfield.h"

namespace zest::disclosures
{

std::string StatusText(const DisclosureRow& row)
{
    if (row.status == StatusPending)
        return "unconfirmed";
    if (row.status == StatusFailed)
        return row.reason.empty() ? row.status : row.status + ": " + row.reason;
    return row.status;
}

std::string DisclosureListing(const std::vector<DisclosureRow>& rows, std::string_view lineEnd)
{
    std::string out = ListingHeader;
    out += lineEnd;
    for (const DisclosureRow& r : rows) {
        std::string output = r.output;
        if (r.file)
            output += " " + *r.file;
        out += CsvField(r.time) + ";" + CsvField(r.user) + ";" + CsvField(r.account) + ";" + CsvField(r.machine) + ";"
            + CsvField(r.database) + ";" + std::to_string(r.subjectId) + ";" + CsvField(r.subjectName) + ";"
            + CsvField(output) + ";" + CsvField(StatusText(r)) + ";" + CsvField(r.options);
        out += lineEnd;
    }
    return out;
}

std::string OutputLabel(std::string_view output)
{
    const struct {
        Output output;
        const char* label;
    } labels[] = {
        { Output::Preview,
            "podgl\xB9"
            "d" },
        { Output::Print, "wydruk" },
        { Output::Pdf, "plik PDF" },
        { Output::File, "plik tekstowy" },
        { Output::Cli, "wiersz polece\xF1" },
        { Output::Csv, "podsumowanie CSV" },
    };
    for (const auto& l : labels)
        if (output == OutputName(l.output))
            return l.label;
    return cp1250::FromUtf8(output, cp1250::Substitute);
}

std::string StatusLabel(std::string_view status)
{
    if (status == StatusDelivered)
        return "przekazano";
    if (status == StatusPending)
        return "niepotwierdzone";
    if (status == StatusFailed)
        return "nieudane";
    return cp1250::FromUtf8(status, cp1250::Substitute);
}

} // namespace zest::disclosures
