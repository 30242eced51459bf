#pragma once
// The text window of the printable control over a document of its own (TextDocument):
// the text is kept once as Windows-1250 bytes with a line index, and only the lines in
// view are decoded, when they are painted. Statements of a hundred megabytes load in
// about the time of reading them and take little more memory than their bytes. The
// window holds the selection and what is on the screen; the document holds the text,
// its pictures and its undo history.
//
// Lines are not wrapped; the font is taken as fixed pitch (a proportional font is drawn
// a character to a cell). Pictures pasted or dropped into the window become embedded
// objects, each one character of the text, drawn in its cell.
//
// linetextwindow.cpp holds the window's answers to the control, its painting and its
// scrolling; linetextinput.cpp the keys, the mouse, the clipboard and drops.

#include "richedit/richeditwindow.h"
#include "richedit/richole.h"
#include "richedit/textdocument.h"

#include <QAbstractScrollArea>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QMenu;
class QMimeData;

namespace zest::richedit
{

class LineObjectTable;
class PageRenderer;

class LineTextWindow final : public QAbstractScrollArea, public RichEditWindow, public RichEditOleHost
{
public:
    explicit LineTextWindow(QWidget* parent = nullptr);
    ~LineTextWindow() override;
    LineTextWindow(const LineTextWindow&) = delete;
    LineTextWindow& operator=(const LineTextWindow&) = delete;

    QWidget* Widget() override { return this; }

    Position TextLength() const override { return document_.Length(); }
    Position SelStart() const override { return std::min(anchor_, caret_); }
    Position SelLength() const override { return std::abs(caret_ - anchor_); }
    // The caret goes to the end of the selection, which is scrolled into view.
    void SetSelection(Position start, Position length) override;

    // Throws TextLimitError when the result would exceed TextLimit().
    void StreamIn(std::string_view cp1250, bool selectionOnly) override;
    // Object characters are left out; they have no Windows-1250 byte.
    std::string StreamOut(bool selectionOnly) const override;

    Position TextLimit() const override { return document_.Limit(); }
    void SetTextLimit(Position limit) override;

    // Whole words are bounded by characters other than letters, digits and '_'. A match
    // never covers an object.
    Position FindText(const QString& what, Position from, Position to, FindFlags flags) const override;

    Position FormatRange(const FormatRangeRequest& request) override;
    void ReleaseFormatRange() override;

    std::shared_ptr<IRichEditOle> GetOleInterface() override;
    bool SetOleCallback(std::shared_ptr<IRichEditOleCallback> callback) override;

    // Puts `image` in place of the selection as an embedded object, as a paste or a drop
    // does, asking the callback for storage and consent. False when refused.
    bool InsertImage(const QImage& image);
    // The effect of a drop offered with `allowed` effects (DROPEFFECT_*) and `keyState`
    // (MK_*), as the callback decides it; `allowed` itself without a callback.
    std::uint32_t DropEffect(std::uint32_t allowed, std::uint32_t keyState) const;

    bool IsReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool readOnly) noexcept { readOnly_ = readOnly; }

    // Copy, cut, paste, delete and select all, as a right click offers them; the
    // caller owns the menu.
    QMenu* CreateStandardContextMenu() override;
    void Copy() const;
    void Cut();
    void Paste();
    void SelectAll();

    // Undo and redo of what the user typed, deleted, cut, pasted or dropped as text.
    // Loading text, a stream-in of the program, and inserting or removing a picture
    // forget the history; it keeps the last UndoLimitBytes bytes of edits (a larger
    // edit ends it).
    bool CanUndo() const noexcept { return document_.CanUndo(); }
    bool CanRedo() const noexcept { return document_.CanRedo(); }
    void Undo();
    void Redo();
    static constexpr std::size_t UndoLimitBytes = EditHistory::LimitBytes;

    const TextDocument& Document() const noexcept { return document_; }

    // The first line in view, and the character under a point of the viewport.
    Position FirstVisibleLine() const;
    Position PositionAt(QPoint viewportPos) const;
    // Where the caret is drawn in the viewport: the top left of its cell.
    QPoint CaretPoint() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // After every change of the text: the caret (selection empty) at `caret`, the
    // print cache dropped, the scroll bars to the new size.
    void Changed(Position caret);
    // A replacement of the program's (the history is forgotten), and one of the user's
    // (remembered for undo); those of the selection scroll the caret into view.
    void ReplaceSelection(std::string_view cp1250);
    void UserReplace(Position start, Position end, std::string_view cp1250);
    void UserReplaceSelection(std::string_view cp1250);
    // What undo or redo put back, selected; a beep when it could not be done.
    void SelectRestored(std::optional<TextRange> restored);
    // Edits typed or pasted: refused quietly (read-only, over the limit) or done.
    void Type(std::string_view cp1250);
    void InsertMime(const QMimeData* source);
    bool SelectObjectNear(QPoint viewportPos);
    // Runs the primary verb of the picture that is the selection; OleError when it fails.
    void OpenSelectedObject();
    // The picture scaled to its cell, as drawn last if it was.
    QImage Thumbnail(const std::shared_ptr<ImageObject>& picture, QSize cell) const;

    void MoveCaret(Position pos, bool extend);
    void EnsureVisible(Position pos);
    void UpdateMetrics();
    void UpdateScrollBars();
    int VisibleLines() const;
    void AutoScroll(QPoint viewportPos);

    TextDocument document_;
    Position anchor_ = 0;
    Position caret_ = 0;
    Position wantedColumn_ = -1; // the column kept by up and down moves
    bool readOnly_ = false;
    bool selecting_ = false;
    int lineHeight_ = 1;
    int charWidth_ = 1;
    int ascent_ = 0;
    bool fixedPitch_ = true;

    struct Thumb {
        std::weak_ptr<const ImageObject> Of;
        QImage Image;
    };
    std::vector<Thumb> thumbnails_; // of the pictures drawn last; none after a font change
    std::shared_ptr<LineObjectTable> table_;
    std::unique_ptr<PageRenderer> renderer_;
};

} // namespace zest::richedit
