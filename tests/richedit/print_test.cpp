// Printing to a PDF printer, read back with pdftotext.
#include "pdftext.h"
#include "stringwindow.h"

#include "richedit/contentspage.h"
#include "richedit/linetextwindow.h"
#include "richedit/printpages.h"

#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QStringDecoder>
#include <gtest/gtest.h>

namespace zest::richedit::test
{
namespace
{

// The preview's page setup: margins 20/20/25/20 mm, no rule, a small header font.
struct PreviewSetup {
    TMargin Margins;
    TNaglowek Naglowek;
    TSpis Spis;

    PreviewSetup()
    {
        Margins.SetTop(20);
        Margins.SetBottom(20);
        Margins.SetLeft(25);
        Margins.SetRight(20);
        Naglowek.Linia = false;
        Naglowek.Font = QFont(QStringLiteral("MS Sans Serif"));
        Naglowek.Font.setPixelSize(11);
    }
};

struct Printed {
    QString File;
    QStringList Pages;
    std::int32_t PageNumber = 0;
    bool Complete = false;
};

// Prints as the preview's print button does: a section per form feed, centred numbers.
Printed PrintLikePreview(const QString& name, StringWindow& window, PreviewSetup& setup, std::int32_t firstPage)
{
    BuildSpisFromFormFeeds(window, setup.Spis);
    setup.Spis.SectionRestart = true;
    setup.Naglowek.CenteredNumber = true;
    auto printer = PdfPrinter(name);
    Printed printed;
    printed.PageNumber = firstPage;
    printed.Complete = PrintPages({ window, setup.Margins, setup.Naglowek, setup.Spis }, { *printer },
        QStringLiteral("Dedavi"), printed.PageNumber, true, false);
    printed.File = printer->outputFileName();
    printed.Pages = PdfPages(printed.File);
    return printed;
}

QString Lines(const QString& prefix, int count)
{
    QString text;
    for (int i = 1; i <= count; ++i)
        text += prefix + QString::number(i) + '\n';
    return text;
}

// The first line of a page is "- N -", and the number stands in the middle of the text
// width (25 mm from the left, 20 mm from the right of the paper).
void ExpectCentredNumber(const QString& file, const QString& page, int index)
{
    const QStringList lines = TextLines(page);
    ASSERT_FALSE(lines.isEmpty());
    const QString number = QString::number(index + 1);
    EXPECT_TRUE(lines.front().trimmed().contains(QRegularExpression("^- ?" + number + " ?-$"))) << page.toStdString();

    const std::vector<PdfPage> pages = PdfWords(file);
    ASSERT_GT(pages.size(), static_cast<std::size_t>(index));
    const PdfPage& pdf = pages[static_cast<std::size_t>(index)];
    const double mm = 72 / 25.4;
    const double centre = (25 * mm + pdf.Width - 20 * mm) / 2;
    const auto word = std::ranges::find_if(pdf.Words, [&](const PdfWord& w) { return w.Text.contains(number); });
    ASSERT_NE(word, pdf.Words.end());
    EXPECT_NEAR((word->Left + word->Right) / 2, centre, 6.0) << "page " << index + 1;
    EXPECT_LT(word->Top, 30 * mm);
}

struct NumberingCase {
    const char* Name;
    std::int32_t FirstPage;
};

class ThreeBlocks : public testing::TestWithParam<NumberingCase>
{
};

TEST_P(ThreeBlocks, EachBlockStartsAPageNumberedOnlyWhenAsked)
{
    StringWindow window(
        "BLOK A\n" + Lines("a", 3) + "\f\nBLOK B\n" + Lines("b", 3) + "\f\nBLOK C\n" + Lines("c", 3) + "\f\n");
    PreviewSetup setup;
    const Printed printed = PrintLikePreview(GetParam().Name, window, setup, GetParam().FirstPage);

    ASSERT_EQ(printed.Pages.size(), 3);
    const QStringList blocks { "BLOK A", "BLOK B", "BLOK C" };
    for (int i = 0; i < 3; ++i) {
        const QStringList lines = TextLines(printed.Pages[i]);
        ASSERT_FALSE(lines.isEmpty());
        const int textStart = GetParam().FirstPage > 0 ? 1 : 0;
        ASSERT_GT(lines.size(), textStart);
        EXPECT_EQ(lines[textStart].trimmed(), blocks[i]);
        if (GetParam().FirstPage > 0)
            ExpectCentredNumber(printed.File, printed.Pages[i], i);
        else
            EXPECT_FALSE(printed.Pages[i].contains(QRegularExpression("- \\d+ -")));
    }
    EXPECT_EQ(printed.PageNumber, GetParam().FirstPage > 0 ? 3 : 0);
    for (int i = 0; i < setup.Spis.Count(); ++i)
        EXPECT_EQ(setup.Spis.Get(i).Page, GetParam().FirstPage > 0 ? i + 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Numbering, ThreeBlocks,
    testing::Values(NumberingCase { "numbered", 1 }, NumberingCase { "unnumbered", 0 }),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PrintPages, EmptyTextGivesOnePageWithNumberOne)
{
    StringWindow window;
    PreviewSetup setup;
    const Printed printed = PrintLikePreview("empty", window, setup, 1);
    ASSERT_EQ(printed.Pages.size(), 1);
    EXPECT_EQ(TextLines(printed.Pages[0]).size(), 1);
    ExpectCentredNumber(printed.File, printed.Pages[0], 0);
    EXPECT_EQ(printed.PageNumber, 1);
}

TEST(PrintPages, LongRunCountsItsPagesAndLosesNoLine)
{
    const int count = 150; // about three pages at the fitted font
    StringWindow window(Lines("wiersz ", count));
    PreviewSetup setup;
    const Printed printed = PrintLikePreview("long_run", window, setup, 1);
    ASSERT_GE(printed.Pages.size(), 2);
    EXPECT_EQ(printed.PageNumber, printed.Pages.size());
    QStringList seen;
    for (int i = 0; i < printed.Pages.size(); ++i) {
        ExpectCentredNumber(printed.File, printed.Pages[i], i);
        for (const QString& line : TextLines(printed.Pages[i]).mid(1))
            seen.append(line.trimmed());
    }
    ASSERT_EQ(seen.size(), count);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(seen[i], "wiersz " + QString::number(i + 1));
}

TEST(PrintPages, TextAfterTheLastFormFeedIsPrintedButALoneLineBreakAddsNoPage)
{
    StringWindow appended("PIERWSZY\n\f\nDOPISANY BEZ STRONICOWANIA\n");
    PreviewSetup setup;
    Printed printed = PrintLikePreview("after_last_form_feed", appended, setup, 1);
    ASSERT_EQ(printed.Pages.size(), 2);
    EXPECT_TRUE(printed.Pages[1].contains("DOPISANY BEZ STRONICOWANIA"));

    StringWindow paged("PIERWSZY\n\f\nDRUGI\n\f\n");
    PreviewSetup again;
    printed = PrintLikePreview("lone_line_break", paged, again, 1);
    EXPECT_EQ(printed.Pages.size(), 2);
    EXPECT_EQ(again.Spis.Count(), 2);
}

struct SectionsCase {
    const char* Name;
    const char* Text; // Windows-1250, CR LF
    std::vector<std::pair<Position, Position>> Sections;
};

class SectionsFromFormFeeds : public testing::TestWithParam<SectionsCase>
{
};

// On the control's own text window, where a line break is one character.
TEST_P(SectionsFromFormFeeds, OneEntryPerFormFeedAndOneForTextAfterTheLast)
{
    LineTextWindow window;
    window.StreamIn(GetParam().Text, false);
    window.SetSelection(1, 2);
    TSpis spis;
    spis.Add({});
    BuildSpisFromFormFeeds(window, spis);
    ASSERT_EQ(spis.Count(), static_cast<int>(GetParam().Sections.size()));
    for (int i = 0; i < spis.Count(); ++i) {
        const TSpisEntry entry = spis.Get(i);
        EXPECT_TRUE(entry.NewPage);
        EXPECT_EQ(entry.Level, 1);
        EXPECT_EQ(entry.StartPos, GetParam().Sections[i].first) << i;
        EXPECT_EQ(entry.EndPos, GetParam().Sections[i].second) << i;
    }
    EXPECT_EQ(window.SelStart(), 1);
    EXPECT_EQ(window.SelLength(), 2);
}

INSTANTIATE_TEST_SUITE_P(Texts, SectionsFromFormFeeds,
    testing::Values(SectionsCase { "noFormFeed", "AB\r\nCD\r\n", {} },
        SectionsCase { "pagedStatements", "AB\r\n\f\r\nCD\r\n\f\r\n", { { 0, 2 }, { 4, 7 } } },
        SectionsCase { "appendedWithoutBreaks", "AB\r\n\f\r\nCD\r\n", { { 0, 2 }, { 4, 7 } } },
        SectionsCase { "blankLinesAfterTheLast", "AB\r\n\f\r\n  \r\n\r\n", { { 0, 2 } } },
        SectionsCase { "endsWithFormFeed", "AB\f", { { 0, 1 } } }),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PrintPages, TitleWithRuleHasTheNumberAtTheRight)
{
    StringWindow window(Lines("tekst ", 3));
    PreviewSetup setup;
    setup.Naglowek.Linia = true;
    setup.Naglowek.Tytul = QStringLiteral("Zestawienie gruntów");
    auto printer = PdfPrinter("title_with_rule");
    std::int32_t page = 7;
    ASSERT_TRUE(
        PrintPages({ window, setup.Margins, setup.Naglowek, setup.Spis }, { *printer }, "t", page, true, false));
    const QStringList pages = PdfPages(printer->outputFileName());
    ASSERT_EQ(pages.size(), 1);
    const QStringList lines = TextLines(pages[0]);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines[0].contains(QRegularExpression("^\\s*Zestawienie gruntów\\s+7$"))) << lines[0].toStdString();
    // The title starts at the left margin, the number ends at the right one.
    const std::vector<PdfPage> words = PdfWords(printer->outputFileName());
    ASSERT_EQ(words.size(), 1);
    const double mm = 72 / 25.4;
    const auto find = [&](const QString& text) {
        return std::ranges::find_if(words[0].Words, [&](const PdfWord& w) { return w.Text == text; });
    };
    const auto title = find("Zestawienie");
    const auto number = find("7");
    ASSERT_NE(title, words[0].Words.end());
    ASSERT_NE(number, words[0].Words.end());
    EXPECT_NEAR(title->Left, 25 * mm, 1.5);
    EXPECT_NEAR(number->Right, words[0].Width - 20 * mm, 1.5);
    EXPECT_NEAR(number->Top, title->Top, 0.5);
    EXPECT_EQ(lines[1].trimmed(), "tekst 1");
    EXPECT_EQ(page, 7);
}

TEST(PrintPages, SkipFirstPageLeavesPageOneWithoutHeader)
{
    StringWindow window(Lines("x", 3) + "\f\n" + Lines("y", 3));
    PreviewSetup setup;
    setup.Naglowek.SkipFirstPage = true;
    const Printed printed = PrintLikePreview("skip_first_page", window, setup, 1);
    ASSERT_EQ(printed.Pages.size(), 2);
    EXPECT_EQ(TextLines(printed.Pages[0]).front().trimmed(), "x1");
    ExpectCentredNumber(printed.File, printed.Pages[1], 1);
}

TEST(PrintPages, EntriesWithoutNewPageFlowOnAndGetTheirPages)
{
    StringWindow window(Lines("r", 200));
    PreviewSetup setup;
    setup.Spis.Add({ true, 1, "Pierwszy", 0, 9, 0 });
    const Position late = window.FindText("r150\n", 0, -1, { true, false });
    setup.Spis.Add({ false, 2, "Dalej", 10, late - 1, 0 });
    setup.Spis.Add({ false, 2, "Późno", late, window.TextLength() - 1, 0 });
    setup.Naglowek.CenteredNumber = true;
    auto printer = PdfPrinter("flow_on");
    std::int32_t page = 1;
    ASSERT_TRUE(PrintPages({ window, setup.Margins, setup.Naglowek, setup.Spis }, { *printer }, "t", page, true, true));
    const QStringList pages = PdfPages(printer->outputFileName());
    ASSERT_GE(page, 3);
    ASSERT_EQ(pages.size(), page + 1); // the text, then the contents page
    EXPECT_EQ(setup.Spis.Get(0).Page, 1);
    EXPECT_EQ(setup.Spis.Get(1).Page, 1);
    int pageOfLate = 0;
    for (int i = 0; i < page; ++i)
        if (TextLines(pages[i]).contains(QRegularExpression("^\\s*r150$")))
            pageOfLate = i + 1;
    EXPECT_EQ(setup.Spis.Get(2).Page, pageOfLate);

    const QStringList contents = TextLines(pages.back());
    ASSERT_EQ(contents.size(), 4);
    EXPECT_EQ(contents[0].trimmed(), "Spis treści:");
    EXPECT_TRUE(contents[1].contains(QRegularExpression("^\\s*PIERWSZY( \\.)+\\s+1$"))) << contents[1].toStdString();
    EXPECT_TRUE(contents[2].contains(QRegularExpression("^\\s*Dalej( \\.)+\\s+1$"))) << contents[2].toStdString();
    EXPECT_TRUE(contents[3].contains(QRegularExpression("^\\s*Późno( \\.)+\\s+" + QString::number(pageOfLate) + "$")))
        << contents[3].toStdString();
}

TEST(PrintPages, StatementLinesKeepTheirColumns)
{
    // Statements written with page breaks, at the preview's font and margins.
    QString text;
    for (const char* name : { "person_with_one_parcel", "regon_and_wide_values", "parcel_identifiers_and_land_uses",
             "areas_past_thirty_two_bits" }) {
        QFile file(QStringLiteral(ZEST_GOLDEN_DIR "/") + name + ".txt");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        QStringDecoder decode("windows-1250");
        text += decode(file.readAll());
    }
    text.replace("\r\n", "\n");
    StringWindow window(text);
    PreviewSetup setup;
    const Printed printed = PrintLikePreview("statement_columns", window, setup, 1);
    ASSERT_GE(printed.Pages.size(), 4);

    // pdftotext sets the blanks between words by their places, a column more or less.
    const auto words = [](const QString& line) { return line.simplified(); };
    QStringList printedLines;
    for (const QString& page : printed.Pages)
        for (const QString& line : TextLines(page))
            printedLines.append(words(line));
    // The font fits the longest line (85 columns here): every line stays whole.
    int ruled = 0;
    for (const QString& line : text.split('\n')) {
        if (line.size() >= 75) {
            ++ruled;
            EXPECT_TRUE(printedLines.contains(words(line))) << "broken or missing: " << line.toStdString();
        }
    }
    EXPECT_GE(ruled, 20);
}

TEST(PrintPages, PageWithoutRoomEndsItsSection)
{
    StringWindow window("A\n\f\nB\n\f\nC\n");
    PreviewSetup setup;
    setup.Margins.SetTop(200);
    setup.Margins.SetBottom(200);
    const Printed printed = PrintLikePreview("no_room", window, setup, 1);
    EXPECT_FALSE(printed.Complete);
    ASSERT_EQ(printed.Pages.size(), 3);
    EXPECT_EQ(printed.PageNumber, 3);
}

TEST(PrintPages, FailureAbortsTheJobAndRestoresState)
{
    StringWindow window(Lines("l", 300));
    window.FailOnRender(1);
    PreviewSetup setup;
    auto printer = PdfPrinter("failure");
    std::int32_t page = 1;
    EXPECT_THROW(
        PrintPages({ window, setup.Margins, setup.Naglowek, setup.Spis }, { *printer }, "t", page, true, false),
        std::runtime_error);
    EXPECT_GE(window.Releases(), 2);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(QFile::exists(printer->outputFileName()));
    EXPECT_NE(printer->printerState(), QPrinter::Active);

    // The printer is usable for the next job.
    StringWindow fine(Lines("l", 3));
    page = 1;
    EXPECT_TRUE(PrintPages({ fine, setup.Margins, setup.Naglowek, setup.Spis }, { *printer }, "t", page, true, false));
    EXPECT_EQ(PdfPages(printer->outputFileName()).size(), 1);
}

// The print font against the width of the text rectangle at the preview's margins on
// A4 (164.9 mm): kept when the line fits, shrunk just enough, never below the floor.
TEST(PageRenderer, FontFitsTheLongestLineDownToTheFloor)
{
    auto printer = PdfPrinter("fit_columns");
    const qreal width = 164.9 / 25.4 * printer->logicalDpiX();
    const QFont font = PrinterFont(StringWindow::DefaultFont());
    const auto fitted = [&](Position columns) { return FitColumns(font, columns, width, printer.get()); };
    const auto fits = [&](const QFont& f, Position columns) {
        return QFontMetricsF(f, printer.get()).horizontalAdvance(QString(columns, QLatin1Char('M'))) <= width;
    };
    EXPECT_EQ(fitted(60).pointSizeF(), font.pointSizeF());
    for (const Position columns : { 81, 82, 100 }) {
        SCOPED_TRACE(columns);
        const QFont f = fitted(columns);
        EXPECT_LT(f.pointSizeF(), font.pointSizeF());
        EXPECT_GE(f.pointSizeF(), MinimumPrintPointSize);
        EXPECT_TRUE(fits(f, columns));
        EXPECT_FALSE(fits(f, columns + 2)) << "shrunk more than needed";
    }
    for (const Position columns : { 140, 100000000 })
        EXPECT_EQ(fitted(columns).pointSizeF(), MinimumPrintPointSize);
}

TEST(PageRenderer, PagesCoverTheTextOnceAndWrapWideLines)
{
    const QString wide(200, QLatin1Char('w'));
    const QString text = Lines("k", 40) + wide + "\n" + Lines("m", 40);
    auto printer = PdfPrinter("renderer_cover");
    QPainter painter(printer.get());
    PageRenderer renderer(StringWindow::DefaultFont());
    const TwipsRect rect { 1000, 1000, 6000, 9000 };
    Position first = 0;
    int pages = 0;
    for (; first >= 0 && pages < 100; ++pages) {
        const Position next = renderer.Render(StringLines(text), { &painter, rect, rect, first, -1 });
        ASSERT_TRUE(next == -1 || next > first) << "no progress at " << first;
        first = next;
        if (first >= 0)
            printer->newPage();
    }
    painter.end();
    EXPECT_EQ(first, -1);
    const QStringList pdf = PdfPages(printer->outputFileName());
    ASSERT_EQ(pdf.size(), pages);
    QString all;
    for (const QString& page : pdf)
        for (const QString& line : TextLines(page))
            all += line.trimmed();
    EXPECT_EQ(all.count(QLatin1Char('w')), 200);
    EXPECT_TRUE(all.endsWith("m40"));

    // A rectangle lower than a line places nothing and says so.
    QImage image(100, 100, QImage::Format_RGB32);
    QPainter small(&image);
    EXPECT_EQ(renderer.Render(StringLines(text), { &small, { 0, 0, 1440, 10 }, {}, 5, -1 }, false), 5);
}

} // namespace
} // namespace zest::richedit::test
