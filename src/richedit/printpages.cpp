#include "richedit/printpages.h"

#include "richedit/contentspage.h"
#include "richedit/pagerender.h"
#include "richedit/printdocument.h"

#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

namespace zest::richedit
{

namespace
{

std::int32_t PixelsToTwips(qint64 pixels, int dpi) noexcept
{
    return static_cast<std::int32_t>(pixels * 1440 / dpi);
}

int TwipsToPixels(std::int32_t twips, int dpi) noexcept
{
    return static_cast<int>(static_cast<qint64>(twips) * dpi / 1440);
}

// MulDiv: rounded to the nearest integer, halves away from zero.
int MulDivRound(int value, int numerator, int denominator) noexcept
{
    const qint64 product = static_cast<qint64>(value) * numerator;
    const qint64 quotient = ((product < 0 ? -product : product) + denominator / 2) / denominator;
    return static_cast<int>(product < 0 ? -quotient : quotient);
}

// The page as the printer reports it, in twips; offsets of the printable area from
// the paper's corner, where the painter's origin stands.
struct PageGeometry {
    int DpiX = 0;
    int DpiY = 0;
    std::int32_t OffsetX = 0;
    std::int32_t OffsetY = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

PageGeometry ReadGeometry(QPrinter& printer)
{
    PageGeometry g;
    g.DpiX = printer.logicalDpiX();
    g.DpiY = printer.logicalDpiY();
    if (g.DpiX <= 0 || g.DpiY <= 0)
        throw PrintError("The printer reports no resolution");
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
    if (!printer.fullPage()) {
        g.OffsetX = PixelsToTwips(page.left() - paper.left(), g.DpiX);
        g.OffsetY = PixelsToTwips(page.top() - paper.top(), g.DpiY);
    }
    g.Width = PixelsToTwips(paper.width(), g.DpiX);
    g.Height = PixelsToTwips(paper.height(), g.DpiY);
    return g;
}

// For the length of the page loop: the painter's state, the window's print cache and
// the wait cursor, put back however the loop ends.
class PrintStateGuard
{
public:
    PrintStateGuard(QPainter& painter, RichEditWindow& window)
        : painter_(painter)
        , window_(window)
    {
        painter_.save();
        window_.ReleaseFormatRange();
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
            cursor_ = true;
        }
    }
    ~PrintStateGuard()
    {
        try {
            window_.ReleaseFormatRange();
        } catch (...) {
        }
        if (painter_.isActive())
            painter_.restore();
        if (cursor_)
            QGuiApplication::restoreOverrideCursor();
    }
    PrintStateGuard(const PrintStateGuard&) = delete;
    PrintStateGuard& operator=(const PrintStateGuard&) = delete;

private:
    QPainter& painter_;
    RichEditWindow& window_;
    bool cursor_ = false;
};

void DrawTextTop(QPainter& painter, int x, int y, const QString& text)
{
    painter.drawText(QPoint(x, y + painter.fontMetrics().ascent()), text);
}

// Every entry whose StartPos lies in [a, b] starts on page `page`.
void RecordPages(TSpis& spis, Position a, Position b, std::int32_t page)
{
    for (int i = 0; i < spis.Count(); ++i) {
        TSpisEntry entry = spis.Get(i);
        if (entry.StartPos >= a && entry.StartPos <= b) {
            entry.Page = page;
            spis.Put(i, entry);
        }
    }
}

} // namespace

bool PrintPages(const PrintedText& text, const PrintTarget& target, const QString& title, std::int32_t& pageNumber,
    bool newDocument, bool printContents)
{
    PrintDocument document(target, newDocument, title);
    QPainter& painter = document.Painter();
    QPrinter& printer = document.Printer();
    const TNaglowek& naglowek = text.Naglowek;
    TSpis& spis = text.Spis;

    const QFont headerFont = PrinterFont(naglowek.Font);
    painter.setFont(headerFont);
    painter.setPen(QPen(Qt::black, 3));
    const PageGeometry geometry = ReadGeometry(printer);

    int headerHeight = 0;
    if (!naglowek.Tytul.isEmpty() || pageNumber > 0) {
        headerHeight = painter.fontMetrics().height() * 5 / 4;
        if (naglowek.Linia && !naglowek.CenteredNumber)
            headerHeight *= 2;
    }
    const std::int32_t headerTwips = PixelsToTwips(headerHeight, geometry.DpiY);

    const TwipsRect& margins = text.Margins.TwipsRect();
    TwipsRect base;
    base.Top = std::max(margins.Top - geometry.OffsetY, 0);
    spis.PrintArea.Top = base.Top;
    base.Top += headerTwips;
    const int headerY = TwipsToPixels(base.Top, geometry.DpiY) - headerHeight;
    base.Left = std::max(margins.Left - geometry.OffsetX, 0);
    base.Bottom = geometry.Height - margins.Bottom - geometry.OffsetY;
    base.Right = geometry.Width - margins.Right - geometry.OffsetX;
    spis.PrintArea.Left = base.Left;
    spis.PrintArea.Right = base.Right;
    spis.PrintArea.Bottom = base.Bottom;
    const int headerLeftX = TwipsToPixels(base.Left, geometry.DpiX);
    const int headerRightX = naglowek.CenteredNumber ? TwipsToPixels((base.Left + base.Right) / 2, geometry.DpiX)
                                                     : TwipsToPixels(base.Right, geometry.DpiX);

    int sectionIndex = 0;
    Position first = spis.Count() > 0 ? spis.Get(0).StartPos : 0;
    Position endLimit = text.Window.TextLength();
    Position rangeEnd = -1;
    bool complete = true;

    const auto drawHeader = [&] {
        if (headerHeight <= 0 || (pageNumber == 1 && naglowek.SkipFirstPage))
            return;
        painter.setFont(headerFont);
        const QFontMetrics metrics = painter.fontMetrics();
        if (!naglowek.CenteredNumber) {
            DrawTextTop(painter, headerLeftX, headerY, naglowek.Tytul);
            if (pageNumber != 0) {
                const QString digits = QString::number(pageNumber);
                DrawTextTop(painter, headerRightX - metrics.horizontalAdvance(digits), headerY, digits);
            }
            if (naglowek.Linia) {
                const int ruleY = headerY + MulDivRound(headerHeight, 3, 4);
                painter.setPen(QPen(Qt::black, 3));
                painter.drawLine(headerLeftX, ruleY, headerRightX, ruleY);
            }
        } else if (pageNumber != 0) {
            const QString number = "- " + QString::number(pageNumber) + " -";
            DrawTextTop(painter, headerRightX - metrics.horizontalAdvance(number) / 2, headerY, number);
        }
    };

    {
        PrintStateGuard guard(painter, text.Window);
        Position pageFirst = first;
        Position result = -1;
        for (;;) {
            if (spis.Count() > 0) {
                if (sectionIndex != 0 && spis.SectionRestart)
                    first = spis.Get(sectionIndex).StartPos;
                int next = sectionIndex + 1;
                while (next < spis.Count() && !spis.Get(next).NewPage)
                    ++next;
                endLimit = rangeEnd = spis.Get(next - 1).EndPos + 1;
                sectionIndex = next;
            }
            for (;;) {
                pageFirst = first;
                TwipsRect rect = base;
                if (naglowek.SkipFirstPage && headerHeight > 0 && pageNumber == 1)
                    rect.Top -= headerTwips;
                result = text.Window.FormatRange({ &painter, rect, rect, first, rangeEnd });
                drawHeader();
                if (result == first && first < endLimit) {
                    // Not one line fits on the page: what is left of the section is
                    // not printed, and the loop goes on with the next section.
                    complete = false;
                    break;
                }
                if (result == -1 || result >= endLimit)
                    break;
                document.NewPage();
                RecordPages(spis, pageFirst, result - 1, pageNumber);
                if (pageNumber != 0)
                    ++pageNumber;
                first = result;
            }
            // Where this section's printing stopped: the next one goes on from there
            // unless sections restart at their entries.
            const Position stopped = result == -1 ? std::max(endLimit, first) : result;
            if (spis.Count() > 0 && sectionIndex < spis.Count()) {
                document.NewPage();
                RecordPages(spis, pageFirst, stopped - 1, pageNumber);
                if (pageNumber != 0)
                    ++pageNumber;
                first = stopped;
                continue;
            }
            RecordPages(spis, pageFirst, stopped - 1, pageNumber);
            break;
        }
    }

    if (printContents)
        PrintContents(spis, { printer, &painter }, false);
    document.Finish();
    return complete;
}

namespace
{

// Whether [from, to) holds more than blanks and line breaks. The window reads text out
// only through its selection, which is put back afterwards; a long run counts as text
// without being read.
bool HoldsText(RichEditWindow& window, Position from, Position to)
{
    constexpr Position Inspected = 4096;
    if (to - from > Inspected)
        return true;
    const Position selStart = window.SelStart();
    const Position selLength = window.SelLength();
    window.SetSelection(from, to - from);
    std::string bytes;
    try {
        bytes = window.StreamOut(true);
    } catch (...) {
        window.SetSelection(selStart, selLength);
        throw;
    }
    window.SetSelection(selStart, selLength);
    return std::ranges::any_of(bytes, [](char c) { return c != ' ' && c != '\r' && c != '\n' && c != '\f'; });
}

} // namespace

void BuildSpisFromFormFeeds(RichEditWindow& window, TSpis& spis)
{
    spis.Clear();
    const Position length = window.TextLength();
    const QString formFeed(QChar(u'\f'));
    Position run = 0;
    for (Position at = window.FindText(formFeed, 0, -1, {}); at >= 0; at = window.FindText(formFeed, run, -1, {})) {
        spis.Add({ true, 1, QString(), run, at - 1, 0 });
        run = at + 1;
        if (run >= length)
            break;
    }
    // After the last form feed: only its line break, or a run of text of its own?
    if (spis.Count() > 0 && run < length && HoldsText(window, run, length))
        spis.Add({ true, 1, QString(), run, length - 1, 0 });
}

} // namespace zest::richedit
