// The text window over its own document: what it answers the control, its object
// table, painting the lines in view with the caret, the selection and the pictures,
// scrolling, and pages.
#include "richedit/linetextwindow.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <climits>

#include "richedit/pagerender.h"
#include "widgets/wintext.h"

namespace zest::richedit
{

namespace
{

// Room around the text inside the viewport, in pixels.
constexpr int Margin = 4;

// The characters to show for a piece of a line: control characters (form feeds, tabs)
// take a blank cell.
QString Shown(std::string_view bytes)
{
    QString text = zest::ui::FromWin1250(bytes);
    for (QChar& c : text) {
        if (c.unicode() < 0x20)
            c = u' ';
    }
    return text;
}

// The store's lines for the page renderer; pictures are blanks already.
class StoreLines final : public LineSource
{
public:
    explicit StoreLines(const TextStore& store)
        : store_(store)
    {
    }
    Position Length() const override { return store_.Length(); }
    TextLine LineAt(Position pos) const override
    {
        const Position line = store_.LineOf(pos);
        return { store_.LineStart(line), zest::ui::FromWin1250(store_.Line(line)) };
    }
    Position LongestLine() const override { return store_.LongestLine(); }

private:
    const TextStore& store_;
};

} // namespace

// The window's objects as the control sees them, in the order of the text.
class LineObjectTable final : public IRichEditOle
{
public:
    explicit LineObjectTable(LineTextWindow& window)
        : window_(&window)
        , site_(std::make_shared<ContainerSite>(&window))
    {
    }

    HRESULT GetClientSite(std::shared_ptr<OleClientSite>& site) override
    {
        site = site_;
        return S_OK;
    }

    std::int32_t GetObjectCount() const override
    {
        return window_ ? static_cast<std::int32_t>(window_->Document().Objects().size()) : 0;
    }

    HRESULT GetObject(std::int32_t index, std::shared_ptr<EmbeddedObject>& object) override
    {
        object.reset();
        if (!window_)
            return E_FAIL;
        const TextDocument& document = window_->Document();
        if (index == REO_IOB_SELECTION) {
            const auto* found = window_->SelLength() == 1 ? document.ObjectAt(window_->SelStart()) : nullptr;
            if (!found)
                return E_FAIL;
            object = found->Picture;
            return S_OK;
        }
        if (index < 0 || index >= GetObjectCount())
            return E_INVALIDARG;
        object = document.Objects()[static_cast<std::size_t>(index)].Picture;
        return S_OK;
    }

    // The window is going: the table holds nothing more.
    void Detach() noexcept { window_ = nullptr; }

private:
    LineTextWindow* window_;
    std::shared_ptr<ContainerSite> site_;
};

LineTextWindow::LineTextWindow(QWidget* parent)
    : QAbstractScrollArea(parent)
    , table_(std::make_shared<LineObjectTable>(*this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    UpdateMetrics();
}

LineTextWindow::~LineTextWindow()
{
    table_->Detach();
    document_.SetCallback(nullptr);
}

void LineTextWindow::SetSelection(Position start, Position length)
{
    const Position size = TextLength();
    start = std::clamp<Position>(start, 0, size);
    const Position end = start + std::clamp<Position>(length, 0, size - start);
    anchor_ = start;
    caret_ = end;
    wantedColumn_ = -1;
    EnsureVisible(caret_);
    viewport()->update();
}

void LineTextWindow::StreamIn(std::string_view cp1250, bool selectionOnly)
{
    document_.RequireFits(selectionOnly ? SelLength() : TextLength(), TextDocument::CharactersOf(cp1250));
    if (selectionOnly) {
        ReplaceSelection(cp1250);
        return;
    }
    document_.Assign(cp1250);
    Changed(TextLength());
    EnsureVisible(caret_);
}

std::string LineTextWindow::StreamOut(bool selectionOnly) const
{
    if (selectionOnly)
        return document_.CrLf(SelStart(), SelStart() + SelLength());
    return document_.CrLf(0, TextLength());
}

void LineTextWindow::SetTextLimit(Position limit)
{
    document_.SetLimit(limit);
}

Position LineTextWindow::FindText(const QString& what, Position from, Position to, FindFlags flags) const
{
    return document_.Find(what, from, to, { flags.MatchCase, flags.WholeWord });
}

Position LineTextWindow::FormatRange(const FormatRangeRequest& request)
{
    if (!renderer_)
        renderer_ = std::make_unique<PageRenderer>(font());
    return renderer_->Render(StoreLines(document_.Store()), request);
}

void LineTextWindow::ReleaseFormatRange()
{
    renderer_.reset();
}

std::shared_ptr<IRichEditOle> LineTextWindow::GetOleInterface()
{
    return table_;
}

bool LineTextWindow::SetOleCallback(std::shared_ptr<IRichEditOleCallback> callback)
{
    document_.SetCallback(std::move(callback));
    return true;
}

bool LineTextWindow::InsertImage(const QImage& image)
{
    const Position at = SelStart();
    if (!document_.InsertPicture(image, at, at + SelLength()))
        return false;
    Changed(at + 1);
    return true;
}

std::uint32_t LineTextWindow::DropEffect(std::uint32_t allowed, std::uint32_t keyState) const
{
    return DecideDropEffect(document_.Callback(), allowed, keyState);
}

void LineTextWindow::OpenSelectedObject()
{
    std::shared_ptr<EmbeddedObject> object;
    std::shared_ptr<OleClientSite> site;
    table_->GetObject(REO_IOB_SELECTION, object);
    table_->GetClientSite(site);
    if (const HRESULT hr = object->DoVerb(OLEIVERB_PRIMARY, site.get(), this, viewport()->rect()); Failed(hr))
        throw OleError(hr);
}

Position LineTextWindow::FirstVisibleLine() const
{
    return verticalScrollBar()->value();
}

Position LineTextWindow::PositionAt(QPoint viewportPos) const
{
    const TextStore& store = document_.Store();
    const int y = viewportPos.y() - Margin;
    const Position row = y < 0 ? -1 : y / lineHeight_;
    const Position line = std::clamp<Position>(FirstVisibleLine() + row, 0, store.LineCount() - 1);
    const int x = viewportPos.x() + horizontalScrollBar()->value() - Margin;
    const Position column = x < 0 ? 0 : (x + charWidth_ / 2) / charWidth_;
    const Position start = store.LineStart(line);
    return start + std::min(column, store.LineEnd(line) - start);
}

QPoint LineTextWindow::CaretPoint() const
{
    const TextStore& store = document_.Store();
    const Position line = store.LineOf(caret_);
    const Position column = caret_ - store.LineStart(line);
    return { static_cast<int>(Margin - horizontalScrollBar()->value() + column * charWidth_),
        static_cast<int>(Margin + (line - FirstVisibleLine()) * lineHeight_) };
}

void LineTextWindow::paintEvent(QPaintEvent*)
{
    const TextStore& store = document_.Store();
    QPainter painter(viewport());
    painter.setFont(font());
    const QPalette& colors = palette();
    const int hx = horizontalScrollBar()->value();
    const int width = viewport()->width();
    const Position firstColumn = std::max(0, (hx - Margin) / charWidth_);
    const Position columns = width / charWidth_ + 2;
    const Position selStart = SelStart();
    const Position selEnd = selStart + SelLength();
    const Position first = FirstVisibleLine();
    const Position last = std::min<Position>(first + VisibleLines() + 1, store.LineCount());
    std::vector<Thumb> drawn;

    for (Position line = first; line < last; ++line) {
        const int y = static_cast<int>(Margin + (line - first) * lineHeight_);
        const Position start = store.LineStart(line);
        const Position end = store.LineEnd(line);
        const std::string_view bytes = store.Line(line);
        const Position from = std::min<Position>(firstColumn, static_cast<Position>(bytes.size()));
        const Position to = std::min<Position>(firstColumn + columns, static_cast<Position>(bytes.size()));
        const QString text = Shown(bytes.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)));
        const int x0 = static_cast<int>(Margin - hx + from * charWidth_);

        const auto draw = [&](const QColor& color) {
            painter.setPen(color);
            if (fixedPitch_) {
                painter.drawText(x0, y + ascent_, text);
            } else {
                for (qsizetype i = 0; i < text.size(); ++i)
                    painter.drawText(static_cast<int>(x0 + i * charWidth_), y + ascent_, QString(text.at(i)));
            }
        };
        draw(colors.color(QPalette::Text));

        // The selected part of the line, its break shown as half a cell.
        if (selEnd > start && selStart <= end && selEnd > selStart) {
            const Position c0 = std::max(selStart, start) - start;
            const Position c1 = std::min(selEnd, end) - start;
            const int left = static_cast<int>(Margin - hx + c0 * charWidth_);
            int right = static_cast<int>(Margin - hx + c1 * charWidth_);
            if (selEnd > end && line + 1 < store.LineCount())
                right += charWidth_ / 2;
            const QRect selected(left, y, std::max(right - left, 0), lineHeight_);
            painter.fillRect(selected, colors.brush(QPalette::Highlight));
            painter.save();
            painter.setClipRect(selected);
            draw(colors.color(QPalette::HighlightedText));
            painter.restore();
        }

        // Pictures in their cells.
        const auto& objects = document_.Objects();
        for (auto object = document_.ObjectsFrom(start); object != objects.end() && object->At < end; ++object) {
            const QRect cell(
                static_cast<int>(Margin - hx + (object->At - start) * charWidth_), y, charWidth_, lineHeight_);
            const QImage thumb = Thumbnail(object->Picture, cell.size());
            drawn.push_back({ object->Picture, thumb });
            painter.drawRect(cell.adjusted(0, 0, -1, -1));
            painter.drawImage(
                cell.x() + (cell.width() - thumb.width()) / 2, cell.y() + (cell.height() - thumb.height()) / 2, thumb);
        }
    }
    thumbnails_ = std::move(drawn);

    if (hasFocus() && !readOnly_) {
        const QPoint at = CaretPoint();
        painter.fillRect(QRect(at.x(), at.y(), 1, lineHeight_), colors.color(QPalette::Text));
    }
}

QImage LineTextWindow::Thumbnail(const std::shared_ptr<ImageObject>& picture, QSize cell) const
{
    for (const Thumb& thumb : thumbnails_) {
        if (thumb.Of.lock() == picture)
            return thumb.Image;
    }
    return picture->Image().scaled(cell, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void LineTextWindow::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void LineTextWindow::scrollContentsBy(int, int)
{
    viewport()->update();
}

void LineTextWindow::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void LineTextWindow::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    selecting_ = false;
    viewport()->update();
}

void LineTextWindow::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateMetrics();
        thumbnails_.clear();
        renderer_.reset();
        viewport()->update();
    }
}

void LineTextWindow::Changed(Position caret)
{
    anchor_ = caret_ = caret;
    wantedColumn_ = -1;
    if (renderer_)
        renderer_->Release();
    UpdateScrollBars();
    viewport()->update();
}

void LineTextWindow::ReplaceSelection(std::string_view cp1250)
{
    Changed(document_.Replace(SelStart(), SelStart() + SelLength(), cp1250));
    EnsureVisible(caret_);
}

void LineTextWindow::UserReplace(Position start, Position end, std::string_view cp1250)
{
    Changed(document_.UserReplace(start, end, cp1250));
}

void LineTextWindow::UserReplaceSelection(std::string_view cp1250)
{
    UserReplace(SelStart(), SelStart() + SelLength(), cp1250);
    EnsureVisible(caret_);
}

void LineTextWindow::MoveCaret(Position pos, bool extend)
{
    caret_ = std::clamp<Position>(pos, 0, TextLength());
    if (!extend)
        anchor_ = caret_;
    wantedColumn_ = -1;
    EnsureVisible(caret_);
    viewport()->update();
}

void LineTextWindow::EnsureVisible(Position pos)
{
    const TextStore& store = document_.Store();
    const Position line = store.LineOf(pos);
    const int visible = VisibleLines();
    QScrollBar* vertical = verticalScrollBar();
    if (line < vertical->value())
        vertical->setValue(static_cast<int>(line));
    else if (line >= vertical->value() + visible)
        vertical->setValue(static_cast<int>(line - visible + 1));

    const Position column = pos - store.LineStart(line);
    const Position x = column * charWidth_;
    QScrollBar* horizontal = horizontalScrollBar();
    const int width = std::max(viewport()->width() - 2 * Margin - charWidth_, charWidth_);
    if (x < horizontal->value())
        horizontal->setValue(static_cast<int>(std::max<Position>(x - width / 4, 0)));
    else if (x > horizontal->value() + width)
        horizontal->setValue(static_cast<int>(std::min<Position>(x - width + width / 4, INT_MAX / 2)));
}

void LineTextWindow::UpdateMetrics()
{
    const QFontMetrics metrics(font());
    lineHeight_ = std::max(metrics.lineSpacing(), 1);
    ascent_ = metrics.ascent();
    charWidth_ = std::max(metrics.horizontalAdvance(QLatin1Char('M')), 1);
    fixedPitch_ = QFontInfo(font()).fixedPitch();
    UpdateScrollBars();
}

void LineTextWindow::UpdateScrollBars()
{
    const TextStore& store = document_.Store();
    const int visible = VisibleLines();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, static_cast<int>(std::max<Position>(store.LineCount() - visible, 0)));
    vertical->setPageStep(visible);
    vertical->setSingleStep(1);

    const Position content
        = std::min<Position>(store.LongestLine() * charWidth_ + 2 * Margin + charWidth_, INT_MAX / 2);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, static_cast<int>(std::max<Position>(content - viewport()->width(), 0)));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(charWidth_);
}

int LineTextWindow::VisibleLines() const
{
    return std::max((viewport()->height() - Margin) / lineHeight_, 1);
}

void LineTextWindow::AutoScroll(QPoint viewportPos)
{
    if (viewportPos.y() < 0)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (viewportPos.y() > viewport()->height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

} // namespace zest::richedit
