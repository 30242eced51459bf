// zestawienia-cli --pdf: the statements printed as the preview prints them, read back
// with pdftotext; the statement output stays as it is without --pdf.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "clirunner.h"
#include "pdftext.h"
#include "writerfixture.h"

namespace zest::test
{
namespace
{

using Rows = std::vector<std::string>;
using zest::richedit::test::PdfPages;
using zest::richedit::test::TextLines;

// Three persons above the default threshold, each with one parcel of arable land on the
// given sheet: three statement blocks, each with the 81-column ruled lines of the holdings
// table (a sheet of eight characters widens the parcel's row to 82).
Rows ThreePersons(const char* sheet = "1")
{
    Rows rows { PrecinctRow(1, "Wola") };
    const auto add = [&](const Rows& more) { rows.insert(rows.end(), more.begin(), more.end()); };
    add(AddressRows({ .Id = 1, .Kod = "00-950", .Pcz = "Warszawa", .Msc = "Warszawa", .Ulc = "Polna", .Nra = "5" }));
    const struct {
        int Id;
        const char* Nzw;
        const char* Pim;
        const char* Plec;
        const char* Number;
        long long Area;
    } persons[] = { { 1, "Adamczyk", "Jan", "M", "10", 11000 },
        { 2,
            "\xAF"
            "ak",
            "Zofia", "K", "20", 12000 },
        { 3, "Kowal", "Jan", "M", "30", 13000 } };
    for (const auto& p : persons) {
        add(PersonRows({ .Id = p.Id, .Nzw = p.Nzw, .Pim = p.Pim, .Plec = p.Plec, .Radr = 1, .Nrl = "4" }));
        const int key = p.Id * 10;
        add({ UnitRow(key, 1, key, nullptr, 1), ShareRow(key, p.Id, key, 0, "1/1"),
            ParcelRow(key, key, (std::string(sheet) + "." + p.Number).c_str(), sheet, p.Area),
            LandUseRow(key, key, "R", "R", "IVa", p.Area) });
    }
    return rows;
}

// The statement's blocks (split at the form-feed lines), each as its lines with text,
// their words apart by one blank (pdftotext sets the indentation by the page, and the
// blanks between words by their places, a column more or less).
std::vector<QStringList> Blocks(const std::string& cp1250)
{
    QStringDecoder decode("windows-1250");
    const QString text = decode(QByteArray::fromStdString(cp1250));
    std::vector<QStringList> blocks(1);
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (line == QStringLiteral("\f")) {
            blocks.emplace_back();
            continue;
        }
        if (!line.trimmed().isEmpty())
            blocks.back().append(line.simplified());
    }
    if (blocks.back().isEmpty())
        blocks.pop_back();
    return blocks;
}

struct PdfCase {
    const char* Name;
    bool PageNumbers;
    const char* Sheet = "1";
};

void PrintTo(const PdfCase& c, std::ostream* os)
{
    *os << c.Name;
}

class CliPdf : public testing::TestWithParam<PdfCase>
{
};

} // namespace

TEST_P(CliPdf, HoldsEveryStatementLineEachBlockOnAPageOfItsOwn)
{
    CliRegister reg(ThreePersons(GetParam().Sheet));
    ScratchDir dir;
    std::vector<std::string> args { "--database", reg.path(), "--output", dir / "out.txt", "--pdf", dir / "out.pdf" };
    if (GetParam().PageNumbers)
        args.push_back("--page-numbers");
    const CliResult r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(DirectoryNames(dir.path()), (std::vector<std::string> { "out.pdf", "out.txt" }));

    const std::string statement = ReadBytes(dir / "out.txt");
    std::size_t longest = 0;
    for (std::size_t at = 0, end; (end = statement.find("\r\n", at)) != std::string::npos; at = end + 2)
        longest = std::max(longest, end - at);
    EXPECT_EQ(longest, std::string_view(GetParam().Sheet).size() == 8 ? 82u : 81u) << statement;
    const std::vector<QStringList> blocks = Blocks(statement);
    ASSERT_EQ(blocks.size(), 3u);
    const QStringList pages = PdfPages(QString::fromStdString(dir / "out.pdf"));
    ASSERT_EQ(pages.size(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        QStringList lines;
        for (const QString& line : TextLines(pages[i]))
            lines.append(line.simplified());
        if (GetParam().PageNumbers) {
            ASSERT_FALSE(lines.isEmpty());
            EXPECT_TRUE(lines.front().contains(QRegularExpression("^- ?" + QString::number(i + 1) + " ?-$")))
                << lines.front().toStdString();
            lines.removeFirst();
        }
        // Every line whole and in its place: a line that wrapped would show as two lines
        // here.
        EXPECT_EQ(lines.join('\n').toStdString(), blocks[static_cast<std::size_t>(i)].join('\n').toStdString());
    }
}

INSTANTIATE_TEST_SUITE_P(CliPdf, CliPdf,
    testing::Values(PdfCase { "without_numbers", false }, PdfCase { "page_numbers", true },
        PdfCase { "sheet_of_eight_characters", true, "AM-12345" }),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CliPdfRun, StatementOutputIsTheSameWithAndWithoutPdf)
{
    CliRegister reg(ThreePersons());
    ScratchDir dir;
    const CliResult plain = RunCli({ "--database", reg.path() });
    const CliResult withPdf = RunCli({ "--database", reg.path(), "--pdf", dir / "s.pdf", "--page-numbers" });
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    ASSERT_EQ(withPdf.exitCode, 0) << withPdf.err;
    EXPECT_EQ(withPdf.err, "");
    EXPECT_EQ(withPdf.out, plain.out);
    EXPECT_TRUE(FileExists(dir / "s.pdf"));
}

TEST(CliPdfRun, PdfThatCannotBeCreatedFailsTheRunAndLeavesNoFile)
{
    CliRegister reg(ThreePersons());
    ScratchDir dir;
    const CliResult r
        = RunCli({ "--database", reg.path(), "--output", dir / "out.txt", "--pdf", dir / "missing/out.pdf" });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Cannot create file"), std::string::npos) << r.err;
    EXPECT_TRUE(DirectoryNames(dir.path()).empty());
}

} // namespace zest::test
