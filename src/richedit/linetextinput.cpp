// The text window's input: keys and typing, the mouse, the clipboard and its edit
// menu, drops, and undo.
#include "richedit/linetextwindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <functional>

#include "widgets/messages.h"
#include "widgets/wintext.h"

namespace zest::richedit
{

namespace
{

// Text from elsewhere (a paste, a drop) as Windows-1250 bytes; a character that has no
// byte becomes '?', line ends stay as they came (the store normalises them).
std::string ForeignBytes(QString text)
{
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    text.remove(QChar::ObjectReplacementCharacter);
    return zest::ui::ToWin1250(text, cp1250::Substitute);
}

} // namespace

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
    QString text = zest::ui::FromWin1250(StreamOut(true));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    data->setText(text);
    if (SelLength() == 1) {
        if (const TextDocument::Object* object = document_.ObjectAt(SelStart()))
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

        const TextStore& store = document_.Store();
        const Position line = store.LineOf(caret_);
        const Position column = caret_ - store.LineStart(line);
        const auto toLine = [&](Position target) {
            if (wantedColumn_ < 0)
                wantedColumn_ = column;
            target = std::clamp<Position>(target, 0, store.LineCount() - 1);
            const Position start = store.LineStart(target);
            const Position kept = wantedColumn_;
            MoveCaret(start + std::min(kept, store.LineEnd(target) - start), shift);
            wantedColumn_ = kept;
        };
        const auto wordLeft = [&] {
            Position p = caret_;
            while (p > 0 && !TextStore::IsWordByte(store.At(p - 1)))
                --p;
            while (p > 0 && TextStore::IsWordByte(store.At(p - 1)))
                --p;
            return p;
        };
        const auto wordRight = [&] {
            Position p = caret_;
            const Position size = TextLength();
            while (p < size && TextStore::IsWordByte(store.At(p)))
                ++p;
            while (p < size && !TextStore::IsWordByte(store.At(p)))
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
            return MoveCaret(ctrl ? 0 : store.LineStart(line), shift);
        case Qt::Key_End:
            return MoveCaret(ctrl ? TextLength() : store.LineEnd(line), shift);
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
        zest::ui::RunGuarded(this, [&] { OpenSelectedObject(); });
        return;
    }
    // A double click selects the word under it.
    const TextStore& store = document_.Store();
    Position start = PositionAt(at);
    Position end = start;
    while (start > 0 && TextStore::IsWordByte(store.At(start - 1)))
        --start;
    while (end < TextLength() && TextStore::IsWordByte(store.At(end)))
        ++end;
    anchor_ = start;
    caret_ = end;
    viewport()->update();
}

void LineTextWindow::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void LineTextWindow::dragMoveEvent(QDragMoveEvent* event)
{
    const QMimeData* source = event->mimeData();
    IRichEditOleCallback* callback = document_.Callback();
    const bool acceptable = !readOnly_ && (source->hasText() || source->hasImage())
        && (!callback || callback->QueryAcceptData(source, false) == S_OK);
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

void LineTextWindow::Undo()
{
    if (readOnly_ || !CanUndo())
        return;
    SelectRestored(document_.Undo());
}

void LineTextWindow::Redo()
{
    if (readOnly_ || !CanRedo())
        return;
    SelectRestored(document_.Redo());
}

void LineTextWindow::SelectRestored(std::optional<TextRange> restored)
{
    if (!restored) {
        QApplication::beep();
        return;
    }
    Changed(restored->End);
    anchor_ = restored->Start;
    EnsureVisible(caret_);
}

void LineTextWindow::Type(std::string_view cp1250)
{
    if (readOnly_)
        return;
    if (!document_.Fits(SelLength(), TextDocument::CharactersOf(cp1250))) {
        QApplication::beep();
        return;
    }
    UserReplaceSelection(cp1250);
}

void LineTextWindow::InsertMime(const QMimeData* source)
{
    if (readOnly_ || !source)
        return;
    if (IRichEditOleCallback* callback = document_.Callback();
        callback && callback->QueryAcceptData(source, true) != S_OK)
        return;
    if (source->hasImage())
        InsertImage(qvariant_cast<QImage>(source->imageData()));
    else if (source->hasText())
        Type(ForeignBytes(source->text()));
}

bool LineTextWindow::SelectObjectNear(QPoint viewportPos)
{
    if (document_.Objects().empty())
        return false;
    const Position pos = PositionAt(viewportPos);
    for (const Position at : { pos, pos - 1 }) {
        if (at >= 0 && document_.ObjectAt(at)) {
            anchor_ = at;
            caret_ = at + 1;
            viewport()->update();
            return true;
        }
    }
    return false;
}

} // namespace zest::richedit
