#include "richedit/contentspage.h"

#include "richedit/pagerender.h"
#include "richedit/printdocument.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QScopeGuard>
#include <algorithm>

namespace zest::richedit
{

namespace
{

int TwipsToPixels(std::int32_t twips, int dpi) noexcept
{
    return static_cast<int>(static_cast<qint64>(twips) * dpi / 1440);
}

int ClampedLevel(const TSpisEntry& entry) noexcept
{
    return std::clamp(entry.Level, 1, 9);
}

void DrawTextTop(QPainter& painter, int x, int y, const QString& text)
{
    painter.drawText(QPoint(x, y + painter.fontMetrics().ascent()), text);
}

} // namespace

QString ContentsLineText(const TSpisEntry& entry, int deepestLevel)
{
    static const QLocale polish(QLocale::Polish, QLocale::Poland);
    const int level = ClampedLevel(entry);
    if (level == 1)
        return polish.toUpper(entry.Text);
    if (level == 2)
        return deepestLevel == 2 ? entry.Text : polish.toUpper(entry.Text);
    return QString((level - 2) * 5, QLatin1Char(' ')) + entry.Text;
}

void PrintContents(const TSpis& spis, const PrintTarget& target, bool newDocument)
{
    if (spis.Count() == 0)
        return;
    PrintDocument document(target, newDocument, QString());
    if (!newDocument)
        document.NewPage();
    QPainter& painter = document.Painter();
    QPrinter& printer = document.Printer();
    painter.save();
    const auto restore = qScopeGuard([&painter] {
        if (painter.isActive())
            painter.restore();
    });
    painter.setPen(Qt::black);

    const int dpiX = printer.logicalDpiX();
    const int dpiY = printer.logicalDpiY();
    const int left = TwipsToPixels(spis.PrintArea.Left, dpiX);
    const int top = TwipsToPixels(spis.PrintArea.Top, dpiY);
    const int right = TwipsToPixels(spis.PrintArea.Right, dpiX);
    const int bottom = TwipsToPixels(spis.PrintArea.Bottom, dpiY);

    const QFont font = PrinterFont(spis.Font);
    QFont heading = font;
    heading.setPointSizeF(font.pointSizeF() * 7 / 5);
    heading.setBold(true);
    painter.setFont(heading);
    const QString title = QStringLiteral("Spis treści:");
    DrawTextTop(painter, left, top, title);
    int y = top + painter.fontMetrics().height();

    painter.setFont(font);
    const int lineHeight = painter.fontMetrics().height();
    y += lineHeight;

    int deepest = 1;
    for (int i = 0; i < spis.Count(); ++i)
        deepest = std::max(deepest, ClampedLevel(spis.Get(i)));

    QFont bold = font;
    bold.setBold(true);
    for (int i = 0; i < spis.Count(); ++i) {
        const TSpisEntry entry = spis.Get(i);
        const bool main = ClampedLevel(entry) == 1;
        painter.setFont(main ? bold : font);
        const QFontMetrics metrics = painter.fontMetrics();
        const QString line = ContentsLineText(entry, deepest);
        const QString number = QString::number(entry.Page);
        if (main)
            y += lineHeight / 2;

        const int lineWidth = metrics.horizontalAdvance(line);
        const int numberWidth = metrics.horizontalAdvance(number);
        const QString dot = QStringLiteral(" . ");
        const int dotWidth = metrics.horizontalAdvance(dot);
        DrawTextTop(painter, left, y, line);
        DrawTextTop(painter, right - numberWidth, y, number);
        const int dots = dotWidth > 0 ? (right - left - lineWidth - numberWidth) / dotWidth : 0;
        if (dots > 0) {
            const QString leader = dot.repeated(dots);
            DrawTextTop(painter, right - numberWidth - metrics.horizontalAdvance(leader), y, leader);
        }

        y += lineHeight;
        if (main)
            y += lineHeight / 2;
        if (y + lineHeight / 2 > bottom && i + 1 < spis.Count()) {
            document.NewPage();
            y = top;
        }
    }
    document.Finish();
}

} // namespace zest::richedit
