// The preview's print button and its PDF export, read back with pdftotext.
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

#include "messagerecorder.h"
#include "pdftext.h"
#include "preview/printstatements.h"
#include "preview/twiz.h"
#include "previewtest.h"
#include "richedit/oleriche.h"

using namespace zest::preview::test;
using zest::richedit::test::PdfPages;
using zest::richedit::test::TextLines;

namespace
{

struct Printed {
    QStringList Pages;
    QString DocName;
    std::vector<zest::ui::MessageBoxRequest> Boxes;
};

// The printer setup chooses `file` (a PDF writer) as the printer; the print button then
// prints at once, without a dialog.
void ChoosePdfPrinter(Twiz& wiz, const QString& file)
{
    wiz.PrinterSetupDialog1 = [&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return true;
    };
    wiz.SpeedButton3Click();
    wiz.PrinterSetupDialog1 = nullptr; // the print button must not ask
}

Printed PrintThroughButton(Twiz& wiz, const QString& name)
{
    const QString file = TestPath(name + ".pdf");
    QFile::remove(file);
    ChoosePdfPrinter(wiz, file);
    EXPECT_FALSE(QFile::exists(file)) << "the printer setup printed";
    zest::test::MessageRecorder boxes;
    wiz.SpeedButton2Click();
    return { PdfPages(file), wiz.Printer().docName(), boxes.boxes };
}

const std::string ThreeBlocks = "BLOK A\r\na1\r\na2\r\n\f\r\nBLOK B\r\nb1\r\n\f\r\nBLOK C\r\nc1\r\n\f\r\n";

// "- N -" alone on the line, as pdftotext sets the centred number.
bool IsNumber(const QString& line, int n)
{
    return line.trimmed().contains(QRegularExpression("^- ?" + QString::number(n) + " ?-$"));
}

struct NumberingCase {
    const char* Name;
    bool Numbered;
};

void PrintTo(const NumberingCase& c, std::ostream* os)
{
    *os << c.Name;
}

class PrintButton : public testing::TestWithParam<NumberingCase>
{
};

} // namespace

TEST_P(PrintButton, EachBlockStartsAPageNumberedAsTheBoxSays)
{
    auto wiz = PreviewWith(ThreeBlocks);
    wiz->numery()->setChecked(GetParam().Numbered);
    const Printed printed = PrintThroughButton(*wiz, QStringLiteral("preview_blocks_") + GetParam().Name);
    EXPECT_TRUE(printed.Boxes.empty());
    EXPECT_EQ(printed.DocName, QStringLiteral("Dedavi"));
    ASSERT_EQ(printed.Pages.size(), 3);
    const QStringList heads { "BLOK A", "BLOK B", "BLOK C" };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QStringList lines = TextLines(printed.Pages[i]);
        ASSERT_GE(lines.size(), 2);
        if (GetParam().Numbered) {
            EXPECT_TRUE(IsNumber(lines[0], i + 1)) << lines[0].toStdString();
            EXPECT_EQ(lines[1].trimmed(), heads[i]);
        } else {
            EXPECT_EQ(lines[0].trimmed(), heads[i]);
            EXPECT_FALSE(printed.Pages[i].contains(QRegularExpression("- ?\\d+ ?-")));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Twiz, PrintButton,
    testing::Values(NumberingCase { "numbered", true }, NumberingCase { "unnumbered", false }),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PrintButton, EmptyWindowPrintsOnePageNumberedOne)
{
    Twiz wiz;
    const Printed printed = PrintThroughButton(wiz, QStringLiteral("preview_empty"));
    ASSERT_EQ(printed.Pages.size(), 1);
    const QStringList lines = TextLines(printed.Pages[0]);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(IsNumber(lines[0], 1));
}

TEST(PrintButton, TextAfterTheLastFormFeedIsPrintedToo)
{
    auto wiz = PreviewWith("STRONICOWANY\r\n\f\r\n");
    const std::string appended
        = WriteTestFile(QStringLiteral("appended_run.txt"), "DOPISANY BEZ STRONICOWANIA\r\nostatni wiersz\r\n");
    wiz->LoadResults(appended, true);
    const Printed printed = PrintThroughButton(*wiz, QStringLiteral("preview_after_last_ff"));
    ASSERT_EQ(printed.Pages.size(), 2);
    EXPECT_TRUE(printed.Pages[0].contains("STRONICOWANY"));
    EXPECT_TRUE(printed.Pages[1].contains("DOPISANY BEZ STRONICOWANIA"));
    EXPECT_TRUE(printed.Pages[1].contains("ostatni wiersz"));
}

TEST(SaveAsPdf, GivesThePagesOfThePrintButton)
{
    auto wiz = PreviewWith(ThreeBlocks);
    const Printed printed = PrintThroughButton(*wiz, QStringLiteral("preview_printed"));
    const QString file = TestPath(QStringLiteral("preview_exported.pdf"));
    QFile::remove(file);
    wiz->SavePdfDialog = [&](QWidget*) { return file; };
    zest::test::MessageRecorder boxes;
    wiz->SpeedButton7Click();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(PdfPages(file), printed.Pages);
}

TEST(SaveAsPdf, ReplacesAnExistingFileOnlyWhenWhole)
{
    auto wiz = PreviewWith(ThreeBlocks);
    const QString file = TestPath(QStringLiteral("preview_replaced.pdf"));
    WriteTestFile(QStringLiteral("preview_replaced.pdf"), "old");
    wiz->SavePdfDialog = [&](QWidget*) { return file; };

    // Margins that leave no room: the print is not whole, the old file stays.
    wiz->rich().Margins.SetTop(400);
    zest::test::MessageRecorder boxes;
    wiz->SpeedButton7Click();
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(ReadFile(file), "old");

    wiz->rich().Margins.SetTop(20);
    wiz->SpeedButton7Click();
    EXPECT_EQ(PdfPages(file).size(), 3);
}

TEST(SaveAsPdf, FileThatCannotBeCreatedIsReported)
{
    auto wiz = PreviewWith(ThreeBlocks);
    const QString file = TestPath(QStringLiteral("no_such_dir/out.pdf"));
    wiz->SavePdfDialog = [&](QWidget*) { return file; };
    zest::test::MessageRecorder boxes;
    wiz->SpeedButton7Click();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].Text, "Cannot create file " + file);
    EXPECT_FALSE(QFile::exists(file));
}

// No usable printer: none at all (without a print system the printer is a PDF writer
// with nowhere to write), one that is not there, a file that cannot be made. The error is
// shown, the text stays as it was, and the next print on a usable printer gives every page.
TEST(PrintButton, NoUsablePrinterIsReportedAndTheNextPrintWorks)
{
    auto wiz = PreviewWith(ThreeBlocks);
    const std::string before = wiz->Text();
    const std::function<void(QPrinter&)> unusable[] = {
        [](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(QString());
        },
        [](QPrinter& p) {
            p.setOutputFormat(QPrinter::NativeFormat);
            p.setPrinterName(QStringLiteral("zest-no-such-printer"));
        },
        [](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(TestPath(QStringLiteral("no_such_dir/printed.pdf")));
        },
    };
    int i = 0;
    for (const auto& choose : unusable) {
        SCOPED_TRACE(i++);
        wiz->PrinterSetupDialog1 = [&](QPrinter& printer, QWidget*) {
            choose(printer);
            return true;
        };
        wiz->SpeedButton3Click();
        zest::test::MessageRecorder boxes;
        wiz->SpeedButton2Click();
        ASSERT_EQ(boxes.boxes.size(), 1u) << "the print failed without a word";
        EXPECT_EQ(boxes.boxes[0].Icon, zest::ui::MessageIcon::Error);
        EXPECT_FALSE(boxes.boxes[0].Text.isEmpty());
        if (i == 1) {
            EXPECT_TRUE(boxes.boxes[0].Text.startsWith(QString::fromUtf8("Nie ma drukarki")));
        }
        EXPECT_EQ(wiz->Text(), before);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    const Printed printed = PrintThroughButton(*wiz, QStringLiteral("preview_after_no_printer"));
    EXPECT_TRUE(printed.Boxes.empty());
    EXPECT_EQ(printed.Pages.size(), 3);
}

// The standard printer setup, driven as a clerk would: it is the print dialog under the
// setup's own title, its button does not say "Print", and neither closing it with OK nor
// cancelling it prints anything; the printer chosen in it is the one the print button uses.
TEST(PrinterSetup, StandardDialogPrintsNothing)
{
    auto wiz = PreviewWith(ThreeBlocks);
    const QString file = TestPath(QStringLiteral("setup_dialog.pdf"));
    QFile::remove(file);
    wiz->Printer().setOutputFormat(QPrinter::PdfFormat);
    wiz->Printer().setOutputFileName(file);
    wiz->PrinterSetupDialog1 = Twiz::ShowPrinterSetupDialog;
    for (const bool accept : { false, true }) {
        SCOPED_TRACE(accept);
        QString title;
        QString okText;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll.stop();
            title = dialog->windowTitle();
            if (auto* buttons = dialog->findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly))
                okText = buttons->button(QDialogButtonBox::Ok)->text();
            accept ? dialog->accept() : dialog->reject();
        });
        poll.start(10);
        zest::test::MessageRecorder boxes;
        wiz->SpeedButton3Click();
        EXPECT_EQ(title, QString::fromUtf8("Ustawienia drukarki"));
        EXPECT_EQ(okText, QStringLiteral("OK"));
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_FALSE(QFile::exists(file)) << "the printer setup printed";
        EXPECT_EQ(wiz->Printer().outputFileName(), file);
    }
    zest::test::MessageRecorder boxes;
    wiz->SpeedButton2Click();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(PdfPages(file).size(), 3);
}
