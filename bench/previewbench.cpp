#include "previewbench.h"

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <vector>

#include "preview/printstatements.h"
#include "richedit/oleriche.h"
#include "richedit/printpages.h"
#include "widgets/wintext.h"

namespace fs = std::filesystem;

namespace zest::bench
{

const char* const EndMarker = "Przybyszewski";

namespace
{

const std::string Rule = "         +------+-------------+-----------+--------+--------+--------+----------+\r\n";
const std::string Columns
    = "         |Arkusz|Numer dzia\xb3ki|Pow.dzia\xb3ki|OFU     |OZU     |OZK     |Pow.u\xbfytku|\r\n";
const std::string Row = "               2 115                 12000 \xa3        \xa3        III            4000\r\n";
const std::string Total = "         ========================================================================\r\n"
                          "           razem         osoba       12000\r\n";

std::string Head(const std::string& surname)
{
    return "       " + surname
        + " Jan (Piotr,Anna)\r\nAdres: Polna 5\r\n       00-950 Warszawa\r\n\r\n"
          "******       STAN POSIADANIA \r\n\r\n\r\n   Obr\xea"
          "b:3-Wola\r\n\r\n      Jednostka:12   \r\n"
          "         Charakter posiadania (udzia\xb3):w\xb3"
          "a\x9c"
          "ciciel (1/1)\r\n\r\n";
}

void AppendStatement(std::string& text, int i, const std::string& surname)
{
    text += Head(surname) + Rule + Columns + Rule;
    const int rows = i % 10 == 9 ? 90 : 20;
    for (int r = 0; r < rows; ++r)
        text += Row;
    text += Total + "\f\r\n";
}

// A field of /proc/self/status in kB, -1 when it cannot be read.
long StatusKb(const char* field)
{
    std::ifstream in("/proc/self/status");
    const std::string key = std::string(field) + ":";
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, key.size(), key) == 0)
            return std::stol(line.substr(key.size()));
    return -1;
}

// Sets the peak resident size back to the current one; false where the kernel refuses.
bool ResetPeak()
{
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.close();
    return !out.fail();
}

// Gives freed memory back to the system, so that the next measurement starts low.
void Trim()
{
    ::malloc_trim(0);
}

double ReadAndDecode(const fs::path& file, qsizetype& characters)
{
    const auto start = std::chrono::steady_clock::now();
    QFile f(QString::fromStdString(file.string()));
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + file.string());
    const QByteArray bytes = f.readAll();
    const QString text = ui::FromWin1250(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    characters = text.size();
    return Since(start);
}

} // namespace

std::string StatementText(int statements)
{
    std::string text;
    for (int i = 0; i < statements; ++i)
        AppendStatement(text, i, "Nowak");
    return text;
}

std::string StatementTextOfSize(std::size_t bytes, const std::string& marker)
{
    std::string text;
    text.reserve(bytes + 8192);
    std::string last;
    for (int i = 0; text.size() < bytes; ++i) {
        last.clear();
        AppendStatement(last, i, "Nowak");
        if (text.size() + last.size() >= bytes && !marker.empty()) {
            last.clear();
            AppendStatement(last, i, marker);
        }
        text += last;
    }
    return text;
}

PreviewFigures MeasurePreview(const fs::path& file, int reps, bool findAndAppend)
{
    PreviewFigures f;
    f.fileMb = static_cast<double>(fs::file_size(file)) / (1 << 20);
    const QString path = QString::fromStdString(file.string());
    const std::string more = StatementTextOfSize(1 << 20, "");
    const QString word = QString::fromLatin1(EndMarker);
    std::vector<double> reads, loads, ratios, peaks, finds, appends;
    for (int i = 0; i < reps; ++i) {
        Trim();
        qsizetype characters = 0;
        const double read = ReadAndDecode(file, characters);
        reads.push_back(read);

        Trim();
        auto edit = std::make_unique<richedit::TOLEEdit>();
        preview::SetUpStatementControl(*edit);
        edit->resize(700, 440);
        edit->show();
        QApplication::processEvents();
        f.peakReset = ResetPeak() && f.peakReset;
        const long before = StatusKb("VmRSS");
        auto start = std::chrono::steady_clock::now();
        edit->LoadFromFile(path);
        QApplication::processEvents();
        const double load = Since(start);
        const long peak = StatusKb("VmHWM");
        loads.push_back(load);
        ratios.push_back(load / read);
        peaks.push_back(static_cast<double>(peak - before) / 1024.0);

        richedit::RichEditWindow& window = edit->Window();
        if (findAndAppend) {
            start = std::chrono::steady_clock::now();
            const richedit::Position at = window.FindText(word, 0, -1, {});
            finds.push_back(Since(start) * 1000);
            if (at < 0 || at < window.TextLength() / 2)
                std::fprintf(stderr, "zestawienia-bench: the word near the end was found at %lld of %lld\n",
                    static_cast<long long>(at), static_cast<long long>(window.TextLength()));

            start = std::chrono::steady_clock::now();
            window.SetSelection(window.TextLength(), 0);
            window.StreamIn(more, true);
            QApplication::processEvents();
            appends.push_back(Since(start) * 1000);
        }
        std::printf("  preview %.1f MB rep %d: read+decode %.3f s, load %.3f s (%.2f×), peak +%.0f MB%s", f.fileMb,
            i + 1, read, load, load / read, peaks.back(), f.peakReset ? "" : " (peak not reset)");
        if (findAndAppend)
            std::printf(", find %.1f ms, append 1 MB %.1f ms", finds.back(), appends.back());
        std::printf("\n");
        std::fflush(stdout);
        edit.reset();
        QApplication::processEvents();
    }
    f.readDecode = Summarise(reads);
    f.load = Summarise(loads);
    f.loadOverRead = Summarise(ratios);
    f.peakMb = Summarise(peaks);
    f.findMs = Summarise(finds);
    f.appendMs = Summarise(appends);
    return f;
}

PrintFigures MeasurePrint(int pages, int reps, const fs::path& dir)
{
    PrintFigures f;
    // Nine statements in ten take a page, the tenth two: the fewest statements that fill
    // the pages asked for.
    int statements = 1;
    while (statements + statements / 10 < pages)
        ++statements;
    const std::string text = StatementText(statements);
    const QString pdf = QString::fromStdString((dir / "statements.pdf").string());
    std::vector<double> times;
    for (int i = 0; i < reps; ++i) {
        richedit::TOLEEdit edit;
        preview::SetUpStatementControl(edit);
        edit.Window().StreamIn(text, false);
        const auto start = std::chrono::steady_clock::now();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageLayout(preview::DefaultPdfLayout());
        printer.setOutputFileName(pdf);
        if (!preview::PrintStatements(edit, printer, true))
            throw std::runtime_error("the print found no room for the text on the page");
        times.push_back(Since(start));

        // Pages of the PDF: "/Type /Page" objects, not the "/Type /Pages" tree.
        QFile file(pdf);
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("no PDF written");
        const QByteArray bytes = file.readAll();
        int count = 0;
        for (qsizetype at = bytes.indexOf("/Type /Page"); at >= 0; at = bytes.indexOf("/Type /Page", at + 1))
            if (at + 11 >= bytes.size() || bytes[at + 11] != 's')
                ++count;
        f.pages = count;
        f.pdfBytes = static_cast<std::uintmax_t>(bytes.size());
        std::printf("  print rep %d: %d pages in %.3f s\n", i + 1, count, times.back());
        std::fflush(stdout);
    }
    f.seconds = Summarise(times);
    return f;
}

} // namespace zest::bench
