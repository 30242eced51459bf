// Time to print 1,000 pages of statements to PDF as the preview's print button does:
// a section per form feed, centred page numbers, A4, the preview's margins and fonts.
//   bench-print [pages] [output.pdf]
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QWidget>
#include <cstdio>
#include <string>

#include "richedit/linetextwindow.h"
#include "richedit/printpages.h"

namespace
{

// One statement of about 40 lines in Windows-1250 with CR LF, ended by a form feed
// line, so that each prints on a page of its own; every tenth is long enough to take
// two pages.
std::string Statements(int count)
{
    const std::string head = "       Nowak Jan (Piotr,Anna)\r\nAdres: Polna 5\r\n       00-950 Warszawa\r\n\r\n"
                             "******       STAN POSIADANIA \r\n\r\n\r\n   Obr\xea"
                             "b:3-Wola\r\n\r\n      Jednostka:12   \r\n"
                             "         Charakter posiadania (udzia\xb3):w\xb3"
                             "a\x9c"
                             "ciciel (1/1)\r\n\r\n";
    const std::string rule = "         +------+-------------+-----------+--------+--------+--------+----------+\r\n";
    const std::string columns
        = "         |Arkusz|Numer dzia\xb3ki|Pow.dzia\xb3ki|OFU     |OZU     |OZK     |Pow.u\xbfytku|\r\n";
    const std::string row
        = "               2 115                 12000 \xa3        \xa3        III            4000\r\n";
    const std::string total = "         ========================================================================\r\n"
                              "           razem         osoba       12000\r\n";
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += head + rule + columns + rule;
        const int rows = i % 10 == 9 ? 90 : 20;
        for (int r = 0; r < rows; ++r)
            text += row;
        text += total + "\f\r\n";
    }
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int pages = argc > 1 ? std::stoi(argv[1]) : 1000;
    const QString output = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("bench-print.pdf");

    using namespace zest::richedit;
    LineTextWindow window;
    QFont font(QStringLiteral("Courier"));
    font.setPixelSize(13);
    window.setFont(font);
    // Nine statements in ten take a page, the tenth two.
    const int statements = pages * 10 / 11;
    QElapsedTimer timer;
    timer.start();
    window.StreamIn(Statements(statements), false);
    const qint64 loadMs = timer.restart();

    TMargin margins;
    margins.SetTop(20);
    margins.SetBottom(20);
    margins.SetLeft(25);
    margins.SetRight(20);
    TNaglowek naglowek;
    naglowek.Linia = false;
    naglowek.Font = QFont(QStringLiteral("MS Sans Serif"));
    naglowek.Font.setPixelSize(11);
    naglowek.CenteredNumber = true;
    TSpis spis;
    BuildSpisFromFormFeeds(window, spis);
    spis.SectionRestart = true;

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer.setOutputFileName(output);
    std::int32_t pageNumber = 1;
    const qint64 spisMs = timer.restart();
    PrintPages({ window, margins, naglowek, spis }, { printer }, QStringLiteral("Dedavi"), pageNumber, true, false);
    const qint64 printMs = timer.elapsed();

    std::printf("statements %d, characters %lld, pages %d, PDF %lld bytes\n", statements,
        static_cast<long long>(window.TextLength()), pageNumber, static_cast<long long>(QFileInfo(output).size()));
    std::printf("load %lld ms, sections %lld ms, print %lld ms (%.2f ms a page)\n", loadMs, spisMs, printMs,
        static_cast<double>(printMs) / pageNumber);
    return 0;
}
