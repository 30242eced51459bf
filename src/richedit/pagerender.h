#pragma once
// Lays out the lines of a text on a printer page: the format range of a text window.
// Lines end at '\n'; a form feed takes no room and is not drawn; a line wider than the
// text rectangle wraps at its width, so no character is lost. Only whole lines are
// placed on a page.

#include "richedit/richeditwindow.h"

#include <QFont>
#include <QString>
#include <QStringView>

class QPaintDevice;

namespace zest::richedit
{

// Width of the statement's ruled lines, in characters. The print font is made small
// enough for this many characters to fit in the text rectangle.
inline constexpr int StatementColumns = 81;

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

private:
    QStringView text_;
};

// The font as a printer should get it: a font sized in pixels (as a screen font is)
// becomes the same size in points at 96 pixels per inch; a font sized in points stays.
QFont PrinterFont(const QFont& font);

// `font` when `columns` characters fit in `widthPx` pixels of `device`, else the same
// face just small enough to fit them.
QFont FitColumns(const QFont& font, int columns, qreal widthPx, QPaintDevice* device);

// Renders pages of one print job. It keeps the font fitted to the text rectangle until
// Release (the next job may use another printer or other margins).
class PageRenderer
{
public:
    // `font`: the text window's font; `columns`: how many characters a line must hold
    // (0: print the font as it is).
    explicit PageRenderer(const QFont& font, int columns = StatementColumns);

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
    const Fitted& FittedFor(QPaintDevice* device, int width);

    QFont font_;
    int columns_;
    Fitted fitted_;
};

// One page with a renderer of its own, for callers without a print job to keep.
Position RenderTextRange(QStringView text, const QFont& font, const FormatRangeRequest& r, bool draw);

} // namespace zest::richedit
