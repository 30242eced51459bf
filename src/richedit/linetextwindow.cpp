// The text window over its own byte store: painting the lines in view, the caret and
// the selection, keys and mouse, the clipboard, drops, embedded pictures, pages.
#include "richedit/linetextwindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <climits>
#include <cstring>
#include <functional>

#include "richedit/pagerender.h"
#include "widgets/messages.h"

namespace zest::richedit
{

namespace
{

// Room around the text inside the viewport, in pixels.
constexpr int Margin = 4;
// What an object character is held as: a blank, so that it prints and matches as one.
constexpr char ObjectByte = ' ';

// The characters to show for a piece of a line: control characters (form feeds, tabs)
// take a blank cell.
QString Shown(std::string_view bytes)
{
    QString text = DecodeCp1250(bytes);
    for (QChar& c : text) {
        if (c.unicode() < 0x20)
            c = u' ';
    }
    return text;
}

// Text from elsewhere (a paste, a drop) as Windows-1250 bytes; a character that has no
// byte becomes '?', line ends stay as they came (the store normalises them).
std::string ForeignBytes(QString text)
{
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    text.remove(QChar::ObjectReplacementCharacter);
    std::string bytes;
    if (EncodeCp1250(text, bytes))
        return bytes;
    bytes.clear();
    std::string one;
    for (const QChar c : text)
        bytes.push_back(EncodeCp1250(QString(c), one) ? one[0] : '?');
    return bytes;
}

// The store's lines for the page renderer; object characters are blanks already.
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
        return { store_.LineStart(line), DecodeCp1250(store_.Line(line)) };
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
        return window_ ? static_cast<std::int32_t>(window_->objects_.size()) : 0;
    }

    HRESULT GetObject(std::int32_t index, std::shared_ptr<EmbeddedObject>& object) override
    {
        object.reset();
        if (!window_)
            return E_FAIL;
        if (index == REO_IOB_SELECTION) {
            const auto* found = window_->SelLength() == 1 ? window_->ObjectAt(window_->SelStart()) : nullptr;
            if (!found)
                return E_FAIL;
            object = found->Picture;
            return S_OK;
        }
        if (index < 0 || index >= GetObjectCount())
            return E_INVALIDARG;
        object = window_->objects_[static_cast<std::size_t>(index)].Picture;
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
    callback_.reset();
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
    Position inserted = static_cast<Position>(cp1250.size());
    for (std::size_t cr = cp1250.find('\r'); cr != std::string_view::npos; cr = cp1250.find('\r', cr + 1)) {
        if (cr + 1 < cp1250.size() && cp1250[cr + 1] == '\n')
            --inserted;
    }
    const Position replaced = selectionOnly ? SelLength() : TextLength();
    if (TextLength() - replaced + inserted > limit_)
        throw TextLimitError("The text would exceed the limit of " + std::to_string(limit_) + " characters");

    if (selectionOnly) {
        ReplaceSelection(cp1250);
        return;
    }
    Forget();
    DropObjectsIn(0, TextLength());
    store_.Assign(cp1250);
    anchor_ = caret_ = store_.Length();
    wantedColumn_ = -1;
    if (renderer_)
        renderer_->Release();
    UpdateScrollBars();
    EnsureVisible(caret_);
    viewport()->update();
}

std::string LineTextWindow::StreamOut(bool selectionOnly) const
{
    Position start = 0;
    Position end = TextLength();
    if (selectionOnly) {
        start = SelStart();
        end = start + SelLength();
    }
    // Objects have no byte: the text between them goes out piece by piece.
    auto object = std::lower_bound(
        objects_.begin(), objects_.end(), start, [](const Object& o, Position at) { return o.At < at; });
    if (object == objects_.end() || object->At >= end)
        return store_.CrLf(start, end);
    std::string bytes;
    for (; object != objects_.end() && object->At < end; ++object) {
        bytes += store_.CrLf(start, object->At);
        start = object->At + 1;
    }
    bytes += store_.CrLf(start, end);
    return bytes;
}

void LineTextWindow::SetTextLimit(Position limit)
{
    limit_ = std::clamp<Position>(limit, 0, DefaultTextLimit);
}

Position LineTextWindow::FindText(const QString& what, Position from, Position to, FindFlags flags) const
{
    const TextStore::FindOptions options { flags.MatchCase, flags.WholeWord };
    for (Position at = store_.Find(what, from, to, options); at >= 0; at = store_.Find(what, at + 1, to, options)) {
        const auto object = std::lower_bound(
            objects_.begin(), objects_.end(), at, [](const Object& o, Position pos) { return o.At < pos; });
        if (object == objects_.end() || object->At >= at + what.size())
            return at;
    }
    return -1;
}

Position LineTextWindow::FormatRange(const FormatRangeRequest& request)
{
    if (!renderer_)
        renderer_ = std::make_unique<PageRenderer>(font());
    return renderer_->Render(StoreLines(store_), request);
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
    callback_ = std::move(callback);
    return true;
}

bool LineTextWindow::InsertImage(const QImage& image)
{
    if (image.isNull())
        return false;
    if (TextLength() - SelLength() + 1 > limit_)
        throw TextLimitError("The text would exceed the limit of " + std::to_string(limit_) + " characters");

    auto picture = NewPictureObject(image, callback_.get(), SelStart());
    if (!picture)
        return false;

    const Position at = SelStart();
    Replace(at, at + SelLength(), std::string_view(&ObjectByte, 1));
    const auto place = std::lower_bound(
        objects_.begin(), objects_.end(), at, [](const Object& o, Position pos) { return o.At < pos; });
    objects_.insert(place, Object { at, std::move(picture), QImage() });
    viewport()->update();
    return true;
}

std::uint32_t LineTextWindow::DropEffect(std::uint32_t allowed, std::uint32_t keyState) const
{
    return DecideDropEffect(callback_.get(), allowed, keyState);
}

QMenu* LineTextWindow::CreateStandardContextMenu()
{
    auto* menu = new QMenu(this);
    const bool selected = SelLength() > 0;
    const auto add = [&](const QString& text, QKeySequence::StandardKey key, bool enabled, std::function<void()> slot) {
        QAction* action = menu->addAction(text);
        action->setShortcut(key);
        action->setEnabled(enabled);
        QObject::connect(
            action, &QAction::triggered, this, [this, slot = std::move(slot)] { zest::ui::RunGuarded(this, slot); });
    };
    if (!readOnly_) {
        add(QString::fromUtf8("&Cofnij"), QKeySequence::Undo, CanUndo(), [this] { Undo(); });
        add(QString::fromUtf8("&Ponów"), QKeySequence::Redo, CanRedo(), [this] { Redo(); });
        menu->addSeparator();
        add(QString::fromUtf8("Wy&tnij"), QKeySequence::Cut, selected, [this] { Cut(); });
    }
    add(QString::fromUtf8("&Kopiuj"), QKeySequence::Copy, selected, [this] { Copy(); });
    if (!readOnly_) {
        const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
        add(QString::fromUtf8("&Wklej"), QKeySequence::Paste, clip && (clip->hasText() || clip->hasImage()),
            [this] { Paste(); });
    }
    menu->addSeparator();
    add(QString::fromUtf8("Zaznacz &wszystko"), QKeySequence::SelectAll, TextLength() > 0, [this] { SelectAll(); });
    return menu;
}

void LineTextWindow::Copy() const
{
    if (SelLength() == 0)
        return;
    auto* data = new QMimeData;
    QString text = DecodeCp1250(StreamOut(true));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    data->setText(text);
    if (SelLength() == 1) {
        if (const Object* object = ObjectAt(SelStart()))
            data->setImageData(object->Picture->Image());
    }
    QGuiApplication::clipboard()->setMimeData(data);
}

void LineTextWindow::Cut()
{
    if (readOnly_ || SelLength() == 0)
        return;
    Copy();
    UserReplaceSelection({});
}

void LineTextWindow::Paste()
{
    if (readOnly_)
        return;
    if (const QMimeData* source = QGuiApplication::clipboard()->mimeData())
        InsertMime(source);
}

void LineTextWindow::SelectAll()
{
    anchor_ = 0;
    caret_ = TextLength();
    viewport()->update();
}

Position LineTextWindow::FirstVisibleLine() const
{
    return verticalScrollBar()->value();
}

Position LineTextWindow::PositionAt(QPoint viewportPos) const
{
    const int y = viewportPos.y() - Margin;
    const Position row = y < 0 ? -1 : y / lineHeight_;
    const Position line = std::clamp<Position>(FirstVisibleLine() + row, 0, store_.LineCount() - 1);
    const int x = viewportPos.x() + horizontalScrollBar()->value() - Margin;
    const Position column = x < 0 ? 0 : (x + charWidth_ / 2) / charWidth_;
    const Position start = store_.LineStart(line);
    return start + std::min(column, store_.LineEnd(line) - start);
}

QPoint LineTextWindow::CaretPoint() const
{
    const Position line = store_.LineOf(caret_);
    const Position column = caret_ - store_.LineStart(line);
    return { static_cast<int>(Margin - horizontalScrollBar()->value() + column * charWidth_),
        static_cast<int>(Margin + (line - FirstVisibleLine()) * lineHeight_) };
}

bool LineTextWindow::event(QEvent* event)
{
    // Keys the window handles itself are not taken by the shortcuts of its form.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Paste)
            || key->matches(QKeySequence::SelectAll) || key->matches(QKeySequence::Undo)
            || key->matches(QKeySequence::Redo)
            || ((mods == Qt::NoModifier || mods == Qt::ControlModifier)
                && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right || key->key() == Qt::Key_Up
                    || key->key() == Qt::Key_Down || key->key() == Qt::Key_Home || key->key() == Qt::Key_End
                    || key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown))
            || (mods == Qt::NoModifier && !key->text().isEmpty() && key->text().at(0).isPrint())) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void LineTextWindow::paintEvent(QPaintEvent*)
{
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
    const Position last = std::min<Position>(first + VisibleLines() + 1, store_.LineCount());

    for (Position line = first; line < last; ++line) {
        const int y = static_cast<int>(Margin + (line - first) * lineHeight_);
        const Position start = store_.LineStart(line);
        const Position end = store_.LineEnd(line);
        const std::string_view bytes = store_.Line(line);
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
            if (selEnd > end && line + 1 < store_.LineCount())
                right += charWidth_ / 2;
            const QRect selected(left, y, std::max(right - left, 0), lineHeight_);
            painter.fillRect(selected, colors.brush(QPalette::Highlight));
            painter.save();
            painter.setClipRect(selected);
            draw(colors.color(QPalette::HighlightedText));
            painter.restore();
        }

        // Pictures in their cells.
        for (auto object = std::lower_bound(
                 objects_.begin(), objects_.end(), start, [](const Object&o, Position pos) { return o.At < pos; });
             object != objects_.end() && object->At < end; ++object) {
            const QRect cell(
                static_cast<int>(Margin - hx + (object->At - start) * charWidth_), y, charWidth_, lineHeight_);
            auto& mutableObject = const_cast<Object&>(*object);
            if (mutableObject.Thumbnail.isNull())
                mutableObject.Thumbnail
                    = object->Picture->Image().scaled(cell.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
            painter.drawRect(cell.adjusted(0, 0, -1, -1));
            const QImage& thumb = mutableObject.Thumbnail;
            painter.drawImage(
                cell.x() + (cell.width() - thumb.width()) / 2, cell.y() + (cell.height() - thumb.height()) / 2, thumb);
        }
    }

    if (hasFocus() && !readOnly_) {
        const QPoint at = CaretPoint();
        painter.fillRect(QRect(at.x(), at.y(), 1, lineHeight_), colors.color(QPalette::Text));
    }
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

void LineTextWindow::keyPressEvent(QKeyEvent* event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    event->accept();
    zest::ui::RunGuarded(this, [&] {
        if (event->matches(QKeySequence::SelectAll))
            return SelectAll();
        if (event->matches(QKeySequence::Copy))
            return Copy();
        if (event->matches(QKeySequence::Cut))
            return Cut();
        if (event->matches(QKeySequence::Paste))
            return Paste();
        if (event->matches(QKeySequence::Undo))
            return Undo();
        if (event->matches(QKeySequence::Redo))
            return Redo();

        const Position line = store_.LineOf(caret_);
        const Position column = caret_ - store_.LineStart(line);
        const auto toLine = [&](Position target) {
            if (wantedColumn_ < 0)
                wantedColumn_ = column;
            target = std::clamp<Position>(target, 0, store_.LineCount() - 1);
            const Position start = store_.LineStart(target);
            const Position kept = wantedColumn_;
            MoveCaret(start + std::min(kept, store_.LineEnd(target) - start), shift);
            wantedColumn_ = kept;
        };
        const auto wordLeft = [&] {
            Position p = caret_;
            while (p > 0 && !TextStore::IsWordByte(store_.At(p - 1)))
                --p;
            while (p > 0 && TextStore::IsWordByte(store_.At(p - 1)))
                --p;
            return p;
        };
        const auto wordRight = [&] {
            Position p = caret_;
            const Position size = TextLength();
            while (p < size && TextStore::IsWordByte(store_.At(p)))
                ++p;
            while (p < size && !TextStore::IsWordByte(store_.At(p)))
                ++p;
            return p;
        };
        switch (event->key()) {
        case Qt::Key_Left:
            if (!shift && SelLength() > 0)
                return MoveCaret(SelStart(), false);
            return MoveCaret(ctrl ? wordLeft() : caret_ - 1, shift);
        case Qt::Key_Right:
            if (!shift && SelLength() > 0)
                return MoveCaret(SelStart() + SelLength(), false);
            return MoveCaret(ctrl ? wordRight() : caret_ + 1, shift);
        case Qt::Key_Up:
            return toLine(line - 1);
        case Qt::Key_Down:
            return toLine(line + 1);
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            const int page = std::max(VisibleLines() - 1, 1);
            const int step = event->key() == Qt::Key_PageUp ? -page : page;
            verticalScrollBar()->setValue(verticalScrollBar()->value() + step);
            return toLine(line + step);
        }
        case Qt::Key_Home:
            return MoveCaret(ctrl ? 0 : store_.LineStart(line), shift);
        case Qt::Key_End:
            return MoveCaret(ctrl ? TextLength() : store_.LineEnd(line), shift);
        case Qt::Key_Backspace:
            if (readOnly_)
                return;
            if (SelLength() > 0)
                return UserReplaceSelection({});
            if (caret_ > 0) {
                UserReplace(caret_ - 1, caret_, {});
                EnsureVisible(caret_);
            }
            return;
        case Qt::Key_Delete:
            if (readOnly_)
                return;
            if (SelLength() > 0)
                return UserReplaceSelection({});
            if (caret_ < TextLength()) {
                UserReplace(caret_, caret_ + 1, {});
                EnsureVisible(caret_);
            }
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return Type("\n");
        default:
            break;
        }
        const QString text = event->text();
        const bool printable = !text.isEmpty() && !ctrl
            && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint() || c == u'\t'; });
        if (printable)
            return Type(ForeignBytes(text));
        event->ignore();
    });
}

void LineTextWindow::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty())
        zest::ui::RunGuarded(this, [&] { Type(ForeignBytes(event->commitString())); });
    event->accept();
}

void LineTextWindow::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::RightButton) {
        // A right click on a picture selects it, so that the menu offers its verbs; a
        // click inside the selection keeps it.
        if (!SelectObjectNear(at)) {
            const Position pos = PositionAt(at);
            if (pos < SelStart() || pos > SelStart() + SelLength())
                MoveCaret(pos, false);
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    MoveCaret(PositionAt(at), event->modifiers() & Qt::ShiftModifier);
    selecting_ = true;
}

void LineTextWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!selecting_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint at = event->position().toPoint();
    AutoScroll(at);
    MoveCaret(PositionAt(at), true);
}

void LineTextWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        selecting_ = false;
}

void LineTextWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    if (SelectObjectNear(at)) {
        std::shared_ptr<EmbeddedObject> object;
        std::shared_ptr<OleClientSite> site;
        table_->GetObject(REO_IOB_SELECTION, object);
        table_->GetClientSite(site);
        zest::ui::RunGuarded(this, [&] {
            if (const HRESULT hr = object->DoVerb(OLEIVERB_PRIMARY, site.get(), this, viewport()->rect()); Failed(hr))
                throw OleError(hr);
        });
        return;
    }
    // A double click selects the word under it.
    Position start = PositionAt(at);
    Position end = start;
    while (start > 0 && TextStore::IsWordByte(store_.At(start - 1)))
        --start;
    while (end < TextLength() && TextStore::IsWordByte(store_.At(end)))
        ++end;
    anchor_ = start;
    caret_ = end;
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
        for (Object& object : objects_)
            object.Thumbnail = QImage();
        renderer_.reset();
        viewport()->update();
    }
}

void LineTextWindow::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void LineTextWindow::dragMoveEvent(QDragMoveEvent* event)
{
    const QMimeData* source = event->mimeData();
    const bool acceptable = !readOnly_ && (source->hasText() || source->hasImage())
        && (!callback_ || callback_->QueryAcceptData(source, false) == S_OK);
    const Qt::DropAction action = acceptable
        ? ToDropAction(DropEffect(ToEffects(event->possibleActions()), KeyStateOf(event->modifiers())))
        : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void LineTextWindow::dropEvent(QDropEvent* event)
{
    const Qt::DropAction action = readOnly_
        ? Qt::IgnoreAction
        : ToDropAction(DropEffect(ToEffects(event->possibleActions()), KeyStateOf(event->modifiers())));
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    MoveCaret(PositionAt(event->position().toPoint()), false);
    zest::ui::RunGuarded(this, [&] { InsertMime(event->mimeData()); });
    event->setDropAction(action);
    event->accept();
}

Position LineTextWindow::Replace(Position start, Position end, std::string_view cp1250)
{
    // An edit the history does not know of moves the text under it.
    if (!recording_)
        Forget();
    start = std::clamp<Position>(start, 0, TextLength());
    end = std::clamp<Position>(end, start, TextLength());
    const Position removed = end - start;
    const Position inserted = store_.Replace(start, end, cp1250);

    // Objects inside the range go; those after it move with the text.
    std::vector<Object> gone;
    auto object = std::lower_bound(
        objects_.begin(), objects_.end(), start, [](const Object& o, Position at) { return o.At < at; });
    auto after = object;
    while (after != objects_.end() && after->At < end)
        gone.push_back(std::move(*after++));
    object = objects_.erase(object, after);
    for (; object != objects_.end(); ++object)
        object->At += inserted - removed;

    anchor_ = caret_ = start + inserted;
    wantedColumn_ = -1;
    if (renderer_)
        renderer_->Release();
    UpdateScrollBars();
    viewport()->update();
    for (const Object& o : gone) {
        if (callback_)
            callback_->DeleteObject(o.Picture.get());
        else
            o.Picture->Close(OLECLOSE_NOSAVE);
    }
    return caret_;
}

void LineTextWindow::ReplaceSelection(std::string_view cp1250)
{
    Replace(SelStart(), SelStart() + SelLength(), cp1250);
    EnsureVisible(caret_);
}

void LineTextWindow::UserReplace(Position start, Position end, std::string_view cp1250)
{
    start = std::clamp<Position>(start, 0, TextLength());
    end = std::clamp<Position>(end, start, TextLength());
    // A picture taken out is closed and cannot come back: the history ends there.
    const auto object = std::lower_bound(
        objects_.begin(), objects_.end(), start, [](const Object& o, Position at) { return o.At < at; });
    const bool dropsObject = object != objects_.end() && object->At < end;
    std::string removed(store_.Bytes(start, end));
    const Position after = ReplaceKeepingHistory(start, end, cp1250);
    if (dropsObject)
        Forget();
    else
        Remember(Edit { start, std::move(removed), std::string(store_.Bytes(start, after)) });
}

Position LineTextWindow::ReplaceKeepingHistory(Position start, Position end, std::string_view cp1250)
{
    struct Recording {
        bool& flag;
        explicit Recording(bool& f)
            : flag(f)
        {
            flag = true;
        }
        ~Recording() { flag = false; }
    } recording(recording_);
    return Replace(start, end, cp1250);
}

void LineTextWindow::UserReplaceSelection(std::string_view cp1250)
{
    UserReplace(SelStart(), SelStart() + SelLength(), cp1250);
    EnsureVisible(caret_);
}

void LineTextWindow::Remember(Edit edit)
{
    redo_.clear();
    if (edit.Removed.empty() && edit.Inserted.empty())
        return;
    // An edit larger than the history may hold (a whole statement file deleted) is not
    // kept twice in memory: the history ends there.
    if (edit.Removed.size() + edit.Inserted.size() > UndoLimitBytes) {
        Forget();
        return;
    }
    // Letters typed one after another are undone as one word.
    if (!undo_.empty()) {
        Edit& last = undo_.back();
        const bool typing = last.Removed.empty() && edit.Removed.empty() && edit.Inserted.size() == 1
            && edit.Inserted[0] != '\n' && !last.Inserted.empty() && last.Inserted.back() != '\n'
            && last.At + static_cast<Position>(last.Inserted.size()) == edit.At;
        if (typing) {
            last.Inserted += edit.Inserted;
            ++undoBytes_;
            return;
        }
    }
    undoBytes_ += edit.Removed.size() + edit.Inserted.size();
    undo_.push_back(std::move(edit));
    while (undoBytes_ > UndoLimitBytes && undo_.size() > 1) {
        undoBytes_ -= undo_.front().Removed.size() + undo_.front().Inserted.size();
        undo_.erase(undo_.begin());
    }
}

void LineTextWindow::Forget() noexcept
{
    undo_.clear();
    redo_.clear();
    undoBytes_ = 0;
}

bool LineTextWindow::Swap(Position at, const std::string& from, const std::string& to)
{
    const auto grows = static_cast<Position>(to.size()) - static_cast<Position>(from.size());
    if (TextLength() + grows > limit_) {
        QApplication::beep();
        return false;
    }
    ReplaceKeepingHistory(at, at + static_cast<Position>(from.size()), to);
    anchor_ = at;
    caret_ = at + static_cast<Position>(to.size());
    EnsureVisible(caret_);
    viewport()->update();
    return true;
}

void LineTextWindow::Undo()
{
    if (readOnly_ || undo_.empty())
        return;
    if (!Swap(undo_.back().At, undo_.back().Inserted, undo_.back().Removed))
        return;
    undoBytes_ -= undo_.back().Removed.size() + undo_.back().Inserted.size();
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
}

void LineTextWindow::Redo()
{
    if (readOnly_ || redo_.empty())
        return;
    if (!Swap(redo_.back().At, redo_.back().Removed, redo_.back().Inserted))
        return;
    // Back on the undo list as it was, without clearing what is left to redo.
    undoBytes_ += redo_.back().Removed.size() + redo_.back().Inserted.size();
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
}

void LineTextWindow::Type(std::string_view cp1250)
{
    if (readOnly_)
        return;
    Position inserted = static_cast<Position>(cp1250.size());
    for (std::size_t cr = cp1250.find("\r\n"); cr != std::string_view::npos; cr = cp1250.find("\r\n", cr + 2))
        --inserted;
    if (TextLength() - SelLength() + inserted > limit_) {
        QApplication::beep();
        return;
    }
    UserReplaceSelection(cp1250);
}

void LineTextWindow::InsertMime(const QMimeData* source)
{
    if (readOnly_ || !source)
        return;
    if (callback_ && callback_->QueryAcceptData(source, true) != S_OK)
        return;
    if (source->hasImage())
        InsertImage(qvariant_cast<QImage>(source->imageData()));
    else if (source->hasText())
        Type(ForeignBytes(source->text()));
}

void LineTextWindow::DropObjectsIn(Position start, Position end)
{
    if (objects_.empty())
        return;
    std::vector<Object> gone;
    const auto first = std::lower_bound(
        objects_.begin(), objects_.end(), start, [](const Object& o, Position at) { return o.At < at; });
    auto last = first;
    while (last != objects_.end() && last->At < end)
        gone.push_back(std::move(*last++));
    objects_.erase(first, last);
    for (const Object& o : gone) {
        if (callback_)
            callback_->DeleteObject(o.Picture.get());
        else
            o.Picture->Close(OLECLOSE_NOSAVE);
    }
}

const LineTextWindow::Object* LineTextWindow::ObjectAt(Position pos) const
{
    const auto found = std::lower_bound(
        objects_.begin(), objects_.end(), pos, [](const Object& o, Position at) { return o.At < at; });
    return found != objects_.end() && found->At == pos ? &*found : nullptr;
}

bool LineTextWindow::IsObject(Position pos) const
{
    return ObjectAt(pos) != nullptr;
}

bool LineTextWindow::SelectObjectNear(QPoint viewportPos)
{
    if (objects_.empty())
        return false;
    const Position pos = PositionAt(viewportPos);
    for (const Position at : { pos, pos - 1 }) {
        if (at >= 0 && IsObject(at)) {
            anchor_ = at;
            caret_ = at + 1;
            viewport()->update();
            return true;
        }
    }
    return false;
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
    const Position line = store_.LineOf(pos);
    const int visible = VisibleLines();
    QScrollBar* vertical = verticalScrollBar();
    if (line < vertical->value())
        vertical->setValue(static_cast<int>(line));
    else if (line >= vertical->value() + visible)
        vertical->setValue(static_cast<int>(line - visible + 1));

    const Position column = pos - store_.LineStart(line);
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
    const int visible = VisibleLines();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, static_cast<int>(std::max<Position>(store_.LineCount() - visible, 0)));
    vertical->setPageStep(visible);
    vertical->setSingleStep(1);

    const Position content
        = std::min<Position>(store_.LongestLine() * charWidth_ + 2 * Margin + charWidth_, INT_MAX / 2);
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
