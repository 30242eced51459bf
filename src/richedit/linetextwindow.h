#pragma once
// The text window of the printable control over a byte store of its own: the text is
// kept once as Windows-1250 bytes with a line index, and only the lines in view are
// decoded, when they are painted. Statements of a hundred megabytes load in about the
// time of reading them and take little more memory than their bytes.
//
// Lines are not wrapped; the font is taken as fixed pitch (a proportional font is drawn
// a character to a cell). Pictures pasted or dropped into the window become embedded
// objects, each one character of the text, drawn in its cell.

#include "richedit/richeditwindow.h"
#include "richedit/richole.h"
#include "richedit/textstore.h"

#include <QAbstractScrollArea>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

class QImage;
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

    Position TextLength() const override { return store_.Length(); }
    Position SelStart() const override { return std::min(anchor_, caret_); }
    Position SelLength() const override { return std::abs(caret_ - anchor_); }
    // The caret goes to the end of the selection, which is scrolled into view.
    void SetSelection(Position start, Position length) override;

    // Throws TextLimitError when the result would exceed TextLimit().
    void StreamIn(std::string_view cp1250, bool selectionOnly) override;
    // Object characters are left out; they have no Windows-1250 byte.
    std::string StreamOut(bool selectionOnly) const override;

    Position TextLimit() const override { return limit_; }
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
    bool CanUndo() const noexcept { return !undo_.empty(); }
    bool CanRedo() const noexcept { return !redo_.empty(); }
    void Undo();
    void Redo();
    static constexpr std::size_t UndoLimitBytes = 32u << 20;

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
    friend class LineObjectTable;

    struct Object {
        Position At;
        std::shared_ptr<ImageObject> Picture;
        QImage Thumbnail;
    };

    // Every edit of the text: [start, end) replaced by bytes (any line ends), objects
    // inside the range dropped, those after it moved; the caret after the new bytes.
    // Returns the position after them.
    Position Replace(Position start, Position end, std::string_view cp1250);
    void ReplaceSelection(std::string_view cp1250);
    // An edit of the user's: done as Replace does and remembered for undo.
    void UserReplace(Position start, Position end, std::string_view cp1250);
    void UserReplaceSelection(std::string_view cp1250);
    // Replace, for the history's own edits: the history is kept.
    Position ReplaceKeepingHistory(Position start, Position end, std::string_view cp1250);

    struct Edit {
        Position At;
        std::string Removed; // the bytes it took out, breaks as '\n'
        std::string Inserted; // the bytes it put in their place
    };
    void Remember(Edit edit);
    void Forget() noexcept;
    // Puts `from` (the bytes at `at`) back to `to`, selecting the result; false when the
    // text limit does not allow it.
    bool Swap(Position at, const std::string& from, const std::string& to);
    // Edits typed or pasted: refused quietly (read-only, over the limit) or done.
    void Type(std::string_view cp1250);
    void InsertMime(const QMimeData* source);
    void DropObjectsIn(Position start, Position end);
    const Object* ObjectAt(Position pos) const;
    bool SelectObjectNear(QPoint viewportPos);
    bool IsObject(Position pos) const;

    void MoveCaret(Position pos, bool extend);
    void EnsureVisible(Position pos);
    void UpdateMetrics();
    void UpdateScrollBars();
    int VisibleLines() const;
    void AutoScroll(QPoint viewportPos);

    TextStore store_;
    Position anchor_ = 0;
    Position caret_ = 0;
    Position wantedColumn_ = -1; // the column kept by up and down moves
    Position limit_ = DefaultTextLimit;
    bool readOnly_ = false;
    bool selecting_ = false;
    int lineHeight_ = 1;
    int charWidth_ = 1;
    int ascent_ = 0;
    bool fixedPitch_ = true;

    std::vector<Edit> undo_;
    std::vector<Edit> redo_;
    std::size_t undoBytes_ = 0;
    bool recording_ = false; // a Replace of the undo history's own

    std::vector<Object> objects_; // by position
    std::shared_ptr<LineObjectTable> table_;
    std::shared_ptr<IRichEditOleCallback> callback_;
    std::unique_ptr<PageRenderer> renderer_;
};

} // namespace zest::richedit
