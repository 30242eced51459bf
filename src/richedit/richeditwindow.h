#pragma once
// What the printable text control asks of the text window under it: text length and
// selection, streaming plain Windows-1250 text in and out, the text limit, searching,
// and rendering a range of the text onto a page. Any widget that answers these as
// stated can stand under the control; the control, the preview and the printing code
// use only this interface.
//
// Positions count characters of the text as held, from 0; a line break is one
// character, whatever line end the streamed text used. Streamed text is Windows-1250
// bytes with CR LF line ends; form feeds (byte 12) are kept as characters.

#include <QRect>
#include <QString>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

class QMenu;
class QPainter;
class QWidget;

namespace zest::richedit
{

using Position = std::int64_t;

struct FindFlags {
    bool MatchCase = false;
    bool WholeWord = false;
};

// A rectangle in twips (1/1440 inch), as the page setup objects keep margins.
struct TwipsRect {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TwipsRect&) const = default;
};

// One page to render: the text rectangle and the page rectangle in twips relative to
// the printable area of `painter`'s device, and the character range [First, Last)
// (Last = -1: to the end of the text).
struct FormatRangeRequest {
    QPainter* Painter = nullptr;
    TwipsRect Rect;
    TwipsRect Page;
    Position First = 0;
    Position Last = -1;
};

// The most characters the window holds unless told otherwise.
inline constexpr Position DefaultTextLimit = 0x7FFFFFF0;

// A stream-in or paste that would make the text longer than the text limit; the text
// is left as it was.
class TextLimitError : public std::length_error
{
public:
    using std::length_error::length_error;
};

class RichEditWindow
{
public:
    virtual ~RichEditWindow() = default;

    virtual QWidget* Widget() = 0;

    virtual Position TextLength() const = 0;
    virtual Position SelStart() const = 0;
    virtual Position SelLength() const = 0;
    // Selects [start, start + length), clamped to the text.
    virtual void SetSelection(Position start, Position length) = 0;

    // Without `selectionOnly` the bytes replace the whole text; with it they replace the
    // selection only, so an empty selection at the end appends. Afterwards the caret
    // stands after the inserted text, selection empty.
    virtual void StreamIn(std::string_view cp1250, bool selectionOnly) = 0;
    // The whole text, or only the selection, as Windows-1250 bytes with CR LF.
    virtual std::string StreamOut(bool selectionOnly) const = 0;

    virtual Position TextLimit() const = 0;
    virtual void SetTextLimit(Position limit) = 0;

    // The first match of `what` in [from, to) (to = -1: the end), or -1.
    virtual Position FindText(const QString& what, Position from, Position to, FindFlags flags) const = 0;

    // Draws the characters from First onwards that fit in Rect and returns the first
    // that did not fit, or -1 when everything up to Last was drawn.
    virtual Position FormatRange(const FormatRangeRequest& request) = 0;
    // Drops whatever the window keeps cached for printing.
    virtual void ReleaseFormatRange() = 0;

    // The window's own edit menu for a right click, owned by the caller; nothing when
    // it has none.
    virtual QMenu* CreateStandardContextMenu() { return nullptr; }
};

} // namespace zest::richedit
