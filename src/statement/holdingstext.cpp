#include "holdingstext.h"

namespace zest
{

std::string ShareKindName(std::int32_t rwl, std::int32_t rwd)
{
    switch (rwd) {
    case 0:
        return rwl == 1 ? "w\xB3"
                          "a\x9C"
                          "ciciel"
                        : "posiadacz";
    case 1:
        return "u\xBFytkownik wieczysty";
    case 2:
        return "zarz\xB9"
               "d lub trwa\xB3y zarz\xB9"
               "d";
    case 3:
        return "wykonywanie prawa w\xB3"
               "asno\x9C"
               "ci SP";
    case 4:
        return "gospodarowanie zasobem nieruchomo\x9C"
               "ci";
    case 5:
        return "u\xBFytkowanie";
    default:
        return std::to_string(rwd);
    }
}

void SplitParcelId(std::string& number, std::string& sheet)
{
    const std::size_t dot = number.find('.');
    if (dot == std::string::npos)
        return;
    sheet = number.substr(0, dot);
    number = number.substr(dot + 1, 100);
}

std::string FormatPersonName(const PersonName& p)
{
    std::string s = p.NZW + " " + p.PIM;
    if (!p.DIM.empty())
        s += "," + p.DIM;
    if (!p.OIM.empty() || !p.MIM.empty())
        s += " (" + p.OIM + "," + p.MIM + ")";
    return s;
}

namespace
{
void AppendPart(std::string& line, const std::string& part)
{
    if (!line.empty())
        line += ' ';
    line += part;
}
} // namespace

std::vector<std::string> BuildAddressLines(const AddressRecord& a, const std::string& premises)
{
    std::vector<std::string> lines;
    if (a.TAR == FreeTextAddress) {
        // Every run of semicolons separates two lines; empty lines are dropped.
        std::string current;
        for (const char c : a.NAZ) {
            if (c == ';') {
                if (!current.empty())
                    lines.push_back(std::move(current));
                current.clear();
            } else {
                current += c;
            }
        }
        if (!current.empty())
            lines.push_back(std::move(current));
        // A line break inside the text also ends a line.
        std::vector<std::string> split;
        for (const std::string& l : lines) {
            std::size_t start = 0;
            while (start <= l.size()) {
                std::size_t end = l.find_first_of("\r\n", start);
                if (end == std::string::npos)
                    end = l.size();
                if (end > start)
                    split.push_back(l.substr(start, end - start));
                if (end < l.size() && l[end] == '\r' && end + 1 < l.size() && l[end + 1] == '\n')
                    ++end;
                start = end + 1;
            }
        }
        return split;
    }

    std::string street = !a.ULC.empty() ? a.ULC : !a.MSC.empty() ? a.MSC : a.GMN;
    if (!a.NRA.empty() && (!a.MSC.empty() || !a.GMN.empty())) {
        street += " " + a.NRA;
        if (!premises.empty())
            street += "/" + premises;
    }
    std::string postal = a.KOD;
    if (!a.PCZ.empty())
        AppendPart(postal, a.PCZ);
    if (!a.ULC.empty() && !a.MSC.empty())
        AppendPart(postal, a.MSC);
    else if (!a.GMN.empty())
        AppendPart(postal, a.GMN);
    if (!street.empty())
        lines.push_back(std::move(street));
    if (!postal.empty())
        lines.push_back(std::move(postal));
    return lines;
}

} // namespace zest
