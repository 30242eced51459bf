#pragma once
// Lays out the lines of a text on a printer page: the format range of a text window.
// Lines end at '\n'; a form feed takes no room and is not drawn. The print font is made
// small enough for the longest line of the text to fit the text rectangle, down to a
// size that stays readable; a line wider than that wraps at the rectangle's width, so no
// character is lost. Only whole lines are placed on a page.

#include "richedit/richeditwindow.h"

#include <QFont>
#include <QString>
#include <QStringView>

class QPaintDevice;

namespace zest::richedit
{

// The smallest size, in points, to which the print font is shrunk to fit a line.
inline constexpr qreal MinimumPrintPointSize = 7.0;

// One line of a text: where it starts and its characters without the line break.
struct TextLine {
    Position Start = 0;
    QString Text;
};

// The text a renderer reads, a line at a time.
class LineSource
{
public:
    virtual ~LineSource() = default;
    virtual Position Length() const = 0;
    // The line holding `pos`, 0 <= pos < Length().
    virtual TextLine LineAt(Position pos) const = 0;
    // The length of the longest line in characters, without its line break.
    virtual Position LongestLine() const = 0;
};

// A LineSource over a string held by the caller.
class StringLines final : public LineSource
{
public:
    explicit StringLines(QStringView text) noexcept
        : text_(text)
    {
    }
    Position Length() const override { return text_.size(); }
    TextLine LineAt(Position pos) const override;
    Position LongestLine() const override;

private:
    QStringView text_;
};

// The font as a printer should get it: a font sized in pixels (as a screen font is)
// becomes the same size in points at 96 pixels per inch; a font sized in points stays.
QFont PrinterFont(const QFont& font);

// `font` when `columns` characters fit in `widthPx` pixels of `device`, else the same
// face just small enough to fit them, but not smaller than `minimumPoints`.
QFont FitColumns(const QFont& font, Position columns, qreal widthPx, QPaintDevice* device,
    qreal minimumPoints = MinimumPrintPointSize);

// Renders pages of one print job. It keeps the font fitted to the text rectangle and to
// the longest line of the text until Release (the next job may print another text, on
// another printer or with other margins).
class PageRenderer
{
public:
    // `font`: the text window's font, shrunk for a long line down to `minimumPoints`
    // (a font already smaller is printed as it is).
    explicit PageRenderer(const QFont& font, qreal minimumPoints = MinimumPrintPointSize);

    // Places whole lines of r.First .. r.Last (r.Last = -1: to the end) into r.Rect on
    // r.Painter's device, top to bottom, drawing them when `draw`. Returns the first
    // character that did not fit, or -1 when the range was placed to its end. A
    // rectangle too small for even one line returns r.First.
    Position Render(const LineSource& text, const FormatRangeRequest& r, bool draw = true);
    void Release() noexcept;

private:
    struct Fitted {
        QPaintDevice* Device = nullptr;
        int Width = -1;
        QFont Font;
    };
    const Fitted& FittedFor(QPaintDevice* device, int width, const LineSource& text);

    QFont font_;
    qreal minimumPoints_;
    Position columns_ = -1; // the longest line, measured on the first page
    Fitted fitted_;
};

// One page with a renderer of its own, for callers without a print job to keep.
Position RenderTextRange(QStringView text, const QFont& font, const FormatRangeRequest& r, bool draw);

} // namespace zest::richedit
