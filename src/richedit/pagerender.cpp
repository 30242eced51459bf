#include "richedit/pagerender.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QScopeGuard>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <stdexcept>
#include <vector>

namespace zest::richedit
{

namespace
{

constexpr qreal ScreenDpi = 96.0;

int TwipsToPixels(std::int32_t twips, int dpi) noexcept
{
    return static_cast<int>(static_cast<std::int64_t>(twips) * dpi / 1440);
}

// The characters of a line that are shown: everything but form feeds. `Source` maps a
// shown index back to the line's own indices.
struct ShownText {
    QString Text;
    std::vector<qsizetype> Removed; // shown index at which each form feed was dropped

    qsizetype Source(qsizetype shown) const noexcept
    {
        const auto before = std::upper_bound(Removed.begin(), Removed.end(), shown) - Removed.begin();
        return shown + before;
    }
};

ShownText Shown(QStringView chars)
{
    ShownText shown;
    shown.Text.reserve(chars.size());
    for (const QChar c : chars) {
        if (c == QChar(u'\f'))
            shown.Removed.push_back(shown.Text.size());
        else
            shown.Text.append(c);
    }
    return shown;
}

} // namespace

TextLine StringLines::LineAt(Position pos) const
{
    const qsizetype at = static_cast<qsizetype>(pos);
    const qsizetype start = at == 0 ? 0 : text_.lastIndexOf(u'\n', at - 1) + 1;
    qsizetype end = text_.indexOf(u'\n', at);
    if (end < 0)
        end = text_.size();
    return { start, text_.mid(start, end - start).toString() };
}

Position StringLines::LongestLine() const
{
    qsizetype longest = 0;
    for (qsizetype start = 0; start <= text_.size();) {
        qsizetype end = text_.indexOf(u'\n', start);
        if (end < 0)
            end = text_.size();
        longest = std::max(longest, end - start);
        start = end + 1;
    }
    return longest;
}

QFont PrinterFont(const QFont& font)
{
    QFont printed = font;
    if (font.pixelSize() > 0)
        printed.setPointSizeF(font.pixelSize() * 72.0 / ScreenDpi);
    return printed;
}

QFont FitColumns(const QFont& font, Position columns, qreal widthPx, QPaintDevice* device, qreal minimumPoints)
{
    const auto advance = [&](const QFont& f, Position n) {
        return QFontMetricsF(f, device).horizontalAdvance(QString(static_cast<qsizetype>(n), QLatin1Char('M')));
    };
    if (columns <= 0 || widthPx <= 0)
        return font;
    QFont fitted = PrinterFont(font);
    const qreal original = fitted.pointSizeF();
    QFont floor = fitted;
    floor.setPointSizeF(std::min(original, minimumPoints));
    // A line far wider than the floor holds wraps anyway; it is not measured whole.
    if (columns * advance(floor, 1) > 2 * widthPx)
        return floor;
    qreal needed = advance(font, columns);
    if (needed <= widthPx || original <= minimumPoints)
        return font;
    // Sizes are not exactly proportional to advances (hinting, size steps): shrink in
    // small steps until the line fits.
    qreal size = original * widthPx / needed;
    for (int step = 0; step < 100 && size > minimumPoints; ++step) {
        fitted.setPointSizeF(size);
        needed = advance(fitted, columns);
        if (needed <= widthPx)
            return fitted;
        size *= 0.995;
    }
    return floor;
}

PageRenderer::PageRenderer(const QFont& font, qreal minimumPoints)
    : font_(PrinterFont(font))
    , minimumPoints_(minimumPoints)
{
}

void PageRenderer::Release() noexcept
{
    fitted_ = Fitted {};
    columns_ = -1;
}

const PageRenderer::Fitted& PageRenderer::FittedFor(QPaintDevice* device, int width, const LineSource& text)
{
    if (columns_ < 0)
        columns_ = text.LongestLine();
    if (fitted_.Device != device || fitted_.Width != width)
        fitted_ = { device, width, FitColumns(font_, columns_, width, device, minimumPoints_) };
    return fitted_;
}

Position PageRenderer::Render(const LineSource& text, const FormatRangeRequest& r, bool draw)
{
    if (r.Painter == nullptr || r.Painter->device() == nullptr)
        throw std::invalid_argument("Format range without a device to render on");
    QPaintDevice* device = r.Painter->device();
    const int left = TwipsToPixels(r.Rect.Left, device->logicalDpiX());
    const int right = TwipsToPixels(r.Rect.Right, device->logicalDpiX());
    const int top = TwipsToPixels(r.Rect.Top, device->logicalDpiY());
    const int bottom = TwipsToPixels(r.Rect.Bottom, device->logicalDpiY());

    const Position length = text.Length();
    const Position end = r.Last < 0 ? length : std::min(r.Last, length);
    Position pos = std::max<Position>(r.First, 0);
    if (pos >= end)
        return -1;
    if (right <= left)
        return r.First;

    const QFont& font = FittedFor(device, right - left, text).Font;
    const QFontMetricsF metrics(font, device);
    const qreal lineHeight = metrics.lineSpacing();
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

    if (draw) {
        r.Painter->save();
        r.Painter->setPen(Qt::black);
    }
    const auto restore = qScopeGuard([painter = draw ? r.Painter : nullptr] {
        if (painter)
            painter->restore();
    });

    qreal y = top;
    int rows = 0;
    const auto fits = [&] { return y + lineHeight <= bottom; };
    // Where the page stops: a page without a single row has placed nothing at all.
    const auto stopAt = [&](Position at) { return rows == 0 ? r.First : at; };
    while (pos < end) {
        const TextLine line = text.LineAt(pos);
        const qsizetype offset = static_cast<qsizetype>(pos - line.Start);
        const qsizetype stop = static_cast<qsizetype>(std::min<Position>(line.Text.size(), end - line.Start));
        const ShownText shown = Shown(QStringView(line.Text).mid(offset, std::max<qsizetype>(stop - offset, 0)));
        const Position next = line.Start + line.Text.size() + 1;

        if (shown.Text.isEmpty()) {
            // An empty line takes a row; the break of a line begun before this page (or
            // of a line holding only form feeds past `pos`) takes none.
            if (offset == 0) {
                if (!fits())
                    return stopAt(pos);
                y += lineHeight;
                ++rows;
            }
            pos = next;
            continue;
        }

        QTextLayout layout(shown.Text, font, device);
        layout.setTextOption(option);
        layout.setCacheEnabled(true);
        layout.beginLayout();
        std::vector<std::pair<QTextLine, qreal>> placed;
        Position stopped = -1;
        for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
            row.setLineWidth(right - left);
            if (!fits()) {
                stopped = line.Start + offset + shown.Source(row.textStart());
                break;
            }
            row.setPosition(QPointF(0, 0));
            placed.emplace_back(row, y);
            y += lineHeight;
            ++rows;
        }
        layout.endLayout();
        if (draw) {
            for (const auto& [row, rowY] : placed)
                row.draw(r.Painter, QPointF(left, rowY));
        }
        if (stopped >= 0)
            return stopAt(stopped);
        pos = next;
    }
    return -1;
}

Position RenderTextRange(QStringView text, const QFont& font, const FormatRangeRequest& r, bool draw)
{
    PageRenderer renderer(font);
    return renderer.Render(StringLines(text), r, draw);
}

} // namespace zest::richedit
