#include "stringwindow.h"

#include <algorithm>
#include <stdexcept>

#include "widgets/wintext.h"

namespace zest::richedit::test
{

StringWindow::StringWindow(QString text, QFont font)
    : text_(std::move(text))
    , renderer_(font)
{
}

QFont StringWindow::DefaultFont()
{
    QFont font(QStringLiteral("Courier"));
    font.setPixelSize(13);
    return font;
}

void StringWindow::SetSelection(Position start, Position length)
{
    selStart_ = std::clamp<Position>(start, 0, text_.size());
    selLength_ = std::clamp<Position>(length, 0, text_.size() - selStart_);
}

void StringWindow::StreamIn(std::string_view cp1250, bool selectionOnly)
{
    QString in = ui::FromWin1250(cp1250);
    in.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (selectionOnly)
        text_.replace(selStart_, selLength_, in);
    else
        text_ = in, selStart_ = 0;
    selStart_ += in.size();
    selLength_ = 0;
}

std::string StringWindow::StreamOut(bool selectionOnly) const
{
    QString out = selectionOnly ? text_.mid(selStart_, selLength_) : text_;
    out.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return ui::ToWin1250(out, cp1250::Substitute);
}

Position StringWindow::FindText(const QString& what, Position from, Position to, FindFlags flags) const
{
    const Position end = to < 0 ? text_.size() : std::min<Position>(to, text_.size());
    const auto cs = flags.MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const qsizetype at = text_.indexOf(what, from, cs);
    return at >= 0 && at + what.size() <= end ? at : -1;
}

Position StringWindow::FormatRange(const FormatRangeRequest& request)
{
    if (failOn_ && *failOn_ == renders_)
        throw std::runtime_error("render failed");
    ++renders_;
    return renderer_.Render(StringLines(text_), request);
}

void StringWindow::ReleaseFormatRange()
{
    ++releases_;
    renderer_.Release();
}

} // namespace zest::richedit::test
