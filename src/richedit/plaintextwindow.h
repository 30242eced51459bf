#pragma once
// The text window of the printable control: a QPlainTextEdit (undo off, no wrapping),
// which holds statements of a hundred megabytes and appends to them quickly. Pictures
// pasted or dropped into it become embedded objects, each shown by one object
// character in the text.

#include "richedit/richeditwindow.h"
#include "richedit/richole.h"

#include <memory>

class QImage;

namespace zest::richedit
{

class ObjectTable;
class PageRenderer;

class PlainTextWindow final : public RichEditWindow, public RichEditOleHost
{
public:
    PlainTextWindow();
    ~PlainTextWindow() override;
    PlainTextWindow(const PlainTextWindow&) = delete;
    PlainTextWindow& operator=(const PlainTextWindow&) = delete;

    QWidget* Widget() override;

    Position TextLength() const override;
    Position SelStart() const override;
    Position SelLength() const override;
    void SetSelection(Position start, Position length) override;

    // Throws TextLimitError when the result would exceed TextLimit().
    void StreamIn(std::string_view cp1250, bool selectionOnly) override;
    // Object characters are left out; they have no Windows-1250 byte.
    std::string StreamOut(bool selectionOnly) const override;

    Position TextLimit() const override { return limit_; }
    void SetTextLimit(Position limit) override;

    // Whole words are bounded by characters other than letters, digits and '_'. A match
    // lies within one line.
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

private:
    class Editor;

    // Inserts text typed by a paste or a drop at the selection, within the limit.
    void InsertPlainText(QString text);

    Editor* editor_; // owned: deleted with the window, wherever it was put
    std::shared_ptr<ObjectTable> objects_;
    std::shared_ptr<IRichEditOleCallback> callback_;
    Position limit_ = DefaultTextLimit;
    std::unique_ptr<PageRenderer> renderer_;
};

} // namespace zest::richedit
