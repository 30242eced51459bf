#pragma once
// A text window over a plain string, rendering pages with the print renderer. It counts
// the releases of its print cache and can be told to fail on a given page.

#include "richedit/pagerender.h"
#include "richedit/richeditwindow.h"

#include <QFont>
#include <QString>
#include <optional>

namespace zest::richedit::test
{

class StringWindow final : public RichEditWindow
{
public:
    explicit StringWindow(QString text = {}, QFont font = DefaultFont());

    static QFont DefaultFont();

    QWidget* Widget() override { return nullptr; }
    Position TextLength() const override { return text_.size(); }
    Position SelStart() const override { return selStart_; }
    Position SelLength() const override { return selLength_; }
    void SetSelection(Position start, Position length) override;
    void StreamIn(std::string_view cp1250, bool selectionOnly) override;
    std::string StreamOut(bool selectionOnly) const override;
    Position TextLimit() const override { return limit_; }
    void SetTextLimit(Position limit) override { limit_ = limit; }
    Position FindText(const QString& what, Position from, Position to, FindFlags flags) const override;
    Position FormatRange(const FormatRangeRequest& request) override;
    void ReleaseFormatRange() override;

    int Releases() const noexcept { return releases_; }
    int Renders() const noexcept { return renders_; }
    // The render with this index (from 0) throws.
    void FailOnRender(int index) noexcept { failOn_ = index; }

private:
    QString text_;
    PageRenderer renderer_;
    Position selStart_ = 0;
    Position selLength_ = 0;
    Position limit_ = 0x7FFFFFF0;
    int releases_ = 0;
    int renders_ = 0;
    std::optional<int> failOn_;
};

} // namespace zest::richedit::test
