// The holdings table: one query per block and one forward pass with control breaks on
// precinct, registration unit, share record and parcel.
#include "statementwriter.h"

#include "classmatch.h"
#include "format.h"
#include "holdingstext.h"

namespace zest
{

namespace
{

const std::string_view PageBreak = "\f";
const std::string_view CaretLine = "^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^";

// A ruled line of the table: nine spaces, then each column filled with `fill`, a
// separator before it and one at the end.
std::string RuleLine(char separator, char fill)
{
    const std::string s(1, separator);
    const std::string format
        = "%9s" + s + "%6s" + s + "%-13s" + s + "%11S" + s + "%-8s" + s + "%-8s" + s + "%-8s" + s + "%10s" + s;
    const std::string w6(6, fill), w13(13, fill), w11(11, fill), w8(8, fill), w10(10, fill);
    return FormatLine(format, { Arg(""), Arg(w6), Arg(w13), Arg(w11), Arg(w8), Arg(w8), Arg(w8), Arg(w10) });
}

// The ruled lines and the column titles are the same in every table.
const std::string& TableRule()
{
    static const std::string line = RuleLine('+', '-');
    return line;
}
const std::string& UnitRule()
{
    static const std::string line = RuleLine('-', '-');
    return line;
}
const std::string& SubjectRule()
{
    static const std::string line = RuleLine('=', '=');
    return line;
}
const std::string& ColumnTitles()
{
    static const std::string line = FormatLine("%9s|%6s|%-13s|%11s|%-8s|%-8s|%-8s|%10s|",
        { Arg(""), Arg("Arkusz"), Arg("Numer dzia\xB3ki"), Arg("Pow.dzia\xB3ki"), Arg("OFU"), Arg("OZU"), Arg("OZK"),
            Arg("Pow.u\xBFytku") });
    return line;
}

std::string TotalLine(std::string_view label, std::int64_t total)
{
    return FormatLine("%9s %6s %13s %11d", { Arg(""), Arg(" razem"), Arg(label), Arg(total) });
}

} // namespace

StatementWriter::StatementWriter(fb::Transaction& tr, const PrecinctTable& precincts, const ClassGrid& classes,
    LineBuffer& buffer, AreaState& area, SpouseSlots& spouses, StatementOptions options)
    : precincts_(&precincts)
    , classes_(&classes)
    , buffer_(&buffer)
    , area_(&area)
    , spouses_(&spouses)
    , options_(options)
    , own_(tr)
{
}

StatementWriter::~StatementWriter() = default;

void StatementWriter::WriteTableHeading()
{
    Emit("");
    Emit(TableRule());
    Emit(ColumnTitles());
    Emit(TableRule());
}

void StatementWriter::WriteHoldingsTable(std::int32_t subjectId, char kind, const SubjectRow* current)
{
    WriteHoldingsBlock(subjectId, kind, current, reads_->Holdings(subjectId));
}

void StatementWriter::WriteHoldingsBlock(
    std::int32_t subjectId, char kind, const SubjectRow* current, HoldingsRows& rows)
{
    HoldingsRow row;
    bool more = rows.Next(row);
    if (!more)
        return;

    WriteSubjectHeader(subjectId, kind, current);
    std::int64_t subjectAreaTotal = 0;

    while (more) {
        const std::int32_t precinct = row.Precinct;
        Emit("");
        Emit(FormatLine("   Obr\xEA"
                        "b:%d-%s",
            { Arg(precinct), Arg(precincts_->Lookup(precinct)) }));

        while (more && row.Precinct == precinct) {
            const std::int32_t unit = row.Unit;
            std::int64_t unitAreaTotal = 0;
            Emit("");
            std::string unitLine = FormatLine("      Jednostka:%-5d", { Arg(unit) });
            if (!row.Regon.empty())
                unitLine += "     Gospodarstwo: " + row.Regon;
            Emit(unitLine);
            bool firstShare = true;

            while (more && row.Precinct == precinct && row.Unit == unit) {
                const std::int32_t share = row.ShareId;
                Emit(FormatLine("         Charakter posiadania (udzia\xB3):%S (%S)",
                    { Arg(ShareKindName(row.Rwl, row.Rwd)), Arg(row.Ud) }));
                WriteTableHeading();

                while (more && row.Precinct == precinct && row.Unit == unit && row.ShareId == share) {
                    const std::string parcel = row.Parcel;
                    std::string number = row.Parcel;
                    std::string sheet = row.Sheet;
                    SplitParcelId(number, sheet);
                    const std::int64_t parcelArea = row.ParcelArea;
                    // Every share of the unit counts its parcels, listed or not.
                    unitAreaTotal += parcelArea;
                    bool firstRow = true;

                    while (more && row.Precinct == precinct && row.Unit == unit && row.ShareId == share
                        && row.Parcel == parcel) {
                        if (firstShare) {
                            MatchAndAdd(*classes_, row.Ofu, row.Ozu, row.Ozk, row.UseArea, *area_);
                            const std::string areaColumn
                                = firstRow ? FormatLine("%11d", { Arg(parcelArea) }) : std::string(11, ' ');
                            Emit(FormatLine("%9s %6s %-13s %11s %-8s %-8s %-8s %10d",
                                { Arg(""), Arg(firstRow ? sheet : std::string(6, ' ')),
                                    Arg(firstRow ? number : std::string()), Arg(areaColumn), Arg(row.Ofu), Arg(row.Ozu),
                                    Arg(row.Ozk), Arg(row.UseArea) }));
                            firstRow = false;
                        }
                        more = rows.Next(row);
                    }
                }
                firstShare = false;
            }

            Emit(UnitRule());
            subjectAreaTotal += unitAreaTotal;
            Emit(TotalLine("jednostka", unitAreaTotal));
        }
    }

    Emit(SubjectRule());
    Emit(TotalLine("osoba", subjectAreaTotal));
    if (options_.Stronicowanie) {
        Emit(PageBreak);
    } else {
        Emit("");
        Emit(CaretLine);
        Emit("");
    }
}

std::int32_t StatementWriter::FindPersonSubjectId(std::int32_t personId)
{
    return reads_->PersonSubjectId(personId);
}

} // namespace zest
