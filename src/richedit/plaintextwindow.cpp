// The text window over QPlainTextEdit, and its table of embedded pictures.
#include "richedit/plaintextwindow.h"

#include <QAbstractTextDocumentLayout>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextObjectInterface>
#include <algorithm>
#include <map>
#include <vector>

#include "richedit/pagerender.h"
#include "widgets/messages.h"

namespace zest::richedit
{

namespace
{

constexpr int ObjectCharType = QTextFormat::UserObject + 1;
constexpr int ObjectIdProperty = QTextFormat::UserProperty + 1;
constexpr QChar ObjectChar = QChar::ObjectReplacementCharacter;
constexpr qsizetype EncodeChunk = 1 << 20;

// Windows-1250 bytes as text, every line end (CR LF, CR, LF) one '\n'.
QString DecodeText(std::string_view bytes)
{
    QStringDecoder decoder("windows-1250");
    if (!decoder.isValid())
        throw std::runtime_error("windows-1250 decoder unavailable");
    QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    QChar* out = text.data();
    const QChar* in = out;
    const QChar* const end = in + text.size();
    while (in != end) {
        if (*in == u'\r') {
            *out++ = u'\n';
            ++in;
            if (in != end && *in == u'\n')
                ++in;
        } else {
            *out++ = *in++;
        }
    }
    text.truncate(out - text.constData());
    return text;
}

// Text that came from elsewhere (a paste): line ends as above, no object characters.
QString NormalizeForeignText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.remove(ObjectChar);
    return text;
}

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// The embedded object's id of the character at `pos`, or -1 when it is no object.
int ObjectIdAt(const QTextDocument& document, Position pos)
{
    if (pos < 0 || document.characterAt(static_cast<int>(pos)) != ObjectChar)
        return -1;
    const QTextBlock block = document.findBlock(static_cast<int>(pos));
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (pos >= fragment.position() && pos < fragment.position() + fragment.length()) {
            const QTextCharFormat format = fragment.charFormat();
            return format.objectType() == ObjectCharType ? format.intProperty(ObjectIdProperty) : -1;
        }
    }
    return -1;
}

// The lines of the document for the page renderer; line separators and object
// characters print as blanks, so that positions stay those of the text.
class DocumentLines final : public LineSource
{
public:
    explicit DocumentLines(const QTextDocument& document)
        : document_(document)
    {
    }
    Position Length() const override { return document_.characterCount() - 1; }
    TextLine LineAt(Position pos) const override
    {
        const QTextBlock block = document_.findBlock(static_cast<int>(pos));
        QString text = block.text();
        text.replace(QChar::LineSeparator, u' ');
        text.replace(ObjectChar, u' ');
        return { block.position(), std::move(text) };
    }
    Position LongestLine() const override
    {
        int longest = 0;
        for (QTextBlock block = document_.begin(); block.isValid(); block = block.next())
            longest = std::max(longest, block.length() - 1);
        return longest;
    }

private:
    const QTextDocument& document_;
};

} // namespace

// The objects in the text: each one is an object character carrying its id, and a
// cursor standing before it that moves with the edits around it.
class ObjectTable final : public QObject, public IRichEditOle, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    explicit ObjectTable(QPlainTextEdit& editor)
        : editor_(&editor)
        , site_(std::make_shared<ContainerSite>(&editor))
    {
    }

    HRESULT GetClientSite(std::shared_ptr<OleClientSite>& site) override
    {
        site = site_;
        return S_OK;
    }

    std::int32_t GetObjectCount() const override { return static_cast<std::int32_t>(entries_.size()); }

    HRESULT GetObject(std::int32_t index, std::shared_ptr<EmbeddedObject>& object) override
    {
        object.reset();
        if (!editor_)
            return E_FAIL;
        if (index == REO_IOB_SELECTION) {
            const QTextCursor selection = editor_->textCursor();
            if (selection.selectionEnd() - selection.selectionStart() != 1)
                return E_FAIL;
            const auto found = entries_.find(ObjectIdAt(*editor_->document(), selection.selectionStart()));
            if (found == entries_.end())
                return E_FAIL;
            object = found->second.Object;
            return S_OK;
        }
        if (index < 0 || index >= GetObjectCount())
            return E_INVALIDARG;
        std::vector<const Entry*> ordered;
        for (const auto& [id, entry] : entries_)
            ordered.push_back(&entry);
        std::sort(ordered.begin(), ordered.end(),
            [](const Entry* a, const Entry* b) { return a->At.position() < b->At.position(); });
        object = ordered[static_cast<std::size_t>(index)]->Object;
        return S_OK;
    }

    // The window is going: the table holds nothing more.
    void Detach()
    {
        entries_.clear();
        editor_ = nullptr;
    }

    void Add(int id, std::shared_ptr<ImageObject> object, Position pos)
    {
        QTextCursor at(editor_->document());
        at.setPosition(static_cast<int>(pos));
        entries_.emplace(id, Entry { std::move(object), at, QImage() });
    }

    // Drops the objects whose characters have gone and tells the callback of each.
    void Sweep(IRichEditOleCallback* callback)
    {
        std::vector<std::shared_ptr<EmbeddedObject>> gone;
        if (!editor_)
            return;
        for (auto it = entries_.begin(); it != entries_.end();) {
            if (ObjectIdAt(*editor_->document(), it->second.At.position()) != it->first) {
                gone.push_back(it->second.Object);
                it = entries_.erase(it);
            } else {
                ++it;
            }
        }
        for (const auto& object : gone) {
            if (callback)
                callback->DeleteObject(object.get());
            else
                object->Close(OLECLOSE_NOSAVE);
        }
    }

    bool Empty() const { return entries_.empty(); }
    int NextId() { return nextId_++; }

    std::shared_ptr<ImageObject> ObjectAt(Position pos) const
    {
        if (!editor_)
            return nullptr;
        const auto found = entries_.find(ObjectIdAt(*editor_->document(), pos));
        return found == entries_.end() ? nullptr : found->second.Object;
    }

    // Pictures are shown as thumbnails at most three lines high.
    QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat& format) override
    {
        const QImage image = Thumbnail(format);
        return image.isNull() ? QSizeF(editor_->fontMetrics().height(), editor_->fontMetrics().height())
                              : QSizeF(image.size());
    }

    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int, const QTextFormat& format) override
    {
        const QImage image = Thumbnail(format);
        if (image.isNull())
            painter->drawRect(rect.adjusted(1, 1, -1, -1));
        else
            painter->drawImage(rect, image);
    }

private:
    struct Entry {
        std::shared_ptr<ImageObject> Object;
        QTextCursor At;
        QImage Thumbnail;
    };

    QImage Thumbnail(const QTextFormat& format)
    {
        const auto found = entries_.find(format.intProperty(ObjectIdProperty));
        if (found == entries_.end())
            return {};
        Entry& entry = found->second;
        if (entry.Thumbnail.isNull()) {
            const int height = 3 * editor_->fontMetrics().height();
            const QImage image = entry.Object->Image();
            entry.Thumbnail = image.height() > height ? image.scaledToHeight(height, Qt::SmoothTransformation) : image;
        }
        return entry.Thumbnail;
    }

    QPointer<QPlainTextEdit> editor_;
    std::shared_ptr<ContainerSite> site_;
    std::map<int, Entry> entries_;
    int nextId_ = 1;
};

// The widget: a plain text editor that turns pasted and dropped pictures into
// objects, lets the callback pick the drop effect, selects an object under a right
// click and opens it on a double click.
class PlainTextWindow::Editor final : public QPlainTextEdit
{
public:
    explicit Editor(PlainTextWindow& window)
        : window_(window)
    {
    }

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override
    {
        if (window_.callback_ && window_.callback_->QueryAcceptData(source, false) != S_OK)
            return false;
        return source->hasImage() || QPlainTextEdit::canInsertFromMimeData(source);
    }

    void insertFromMimeData(const QMimeData* source) override
    {
        zest::ui::RunGuarded(this, [&] {
            if (window_.callback_ && window_.callback_->QueryAcceptData(source, true) != S_OK)
                return;
            if (source->hasImage())
                window_.InsertImage(qvariant_cast<QImage>(source->imageData()));
            else if (source->hasText())
                window_.InsertPlainText(source->text());
        });
    }

    QMimeData* createMimeDataFromSelection() const override
    {
        const QTextCursor selection = textCursor();
        auto* data = new QMimeData;
        data->setText(NormalizeForeignText(selection.selectedText()));
        if (selection.selectionEnd() - selection.selectionStart() == 1) {
            if (const auto object = window_.objects_->ObjectAt(selection.selectionStart()))
                data->setImageData(object->Image());
        }
        return data;
    }

    void dragEnterEvent(QDragEnterEvent* event) override
    {
        QPlainTextEdit::dragEnterEvent(event);
        ChooseEffect(event);
    }

    void dragMoveEvent(QDragMoveEvent* event) override
    {
        QPlainTextEdit::dragMoveEvent(event);
        ChooseEffect(event);
    }

    void dropEvent(QDropEvent* event) override
    {
        ChooseEffect(event);
        const Qt::DropAction action = event->dropAction();
        if (action == Qt::IgnoreAction) {
            event->ignore();
            return;
        }
        QPlainTextEdit::dropEvent(event);
        event->setDropAction(action);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::RightButton)
            SelectObjectAt(event->position().toPoint());
        QPlainTextEdit::mousePressEvent(event);
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && SelectObjectAt(event->position().toPoint())) {
            std::shared_ptr<EmbeddedObject> object;
            std::shared_ptr<OleClientSite> site;
            window_.objects_->GetObject(REO_IOB_SELECTION, object);
            window_.objects_->GetClientSite(site);
            zest::ui::RunGuarded(this, [&] {
                if (const HRESULT hr = object->DoVerb(OLEIVERB_PRIMARY, site.get(), this, viewport()->rect());
                    Failed(hr))
                    throw OleError(hr);
            });
            return;
        }
        QPlainTextEdit::mouseDoubleClickEvent(event);
    }

private:
    void ChooseEffect(QDropEvent* event)
    {
        const std::uint32_t effect
            = window_.DropEffect(ToEffects(event->possibleActions()), KeyStateOf(event->modifiers()));
        event->setDropAction(ToDropAction(effect));
    }

    bool SelectObjectAt(QPoint viewportPos)
    {
        const int pos = cursorForPosition(viewportPos).position();
        for (const int at : { pos, pos - 1 }) {
            if (window_.objects_->ObjectAt(at)) {
                QTextCursor select(document());
                select.setPosition(at);
                select.setPosition(at + 1, QTextCursor::KeepAnchor);
                setTextCursor(select);
                return true;
            }
        }
        return false;
    }

    PlainTextWindow& window_;
};

PlainTextWindow::PlainTextWindow()
    : editor_(new Editor(*this))
{
    editor_->setUndoRedoEnabled(false);
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    objects_ = std::make_shared<ObjectTable>(*editor_);
    editor_->document()->documentLayout()->registerHandler(ObjectCharType, objects_.get());
    QObject::connect(
        editor_->document(), &QTextDocument::contentsChange, objects_.get(), [this](int, int removed, int) {
            if (removed > 0 && !objects_->Empty())
                objects_->Sweep(callback_.get());
        });
}

PlainTextWindow::~PlainTextWindow()
{
    // The document goes with the editor; its last changes must reach no one.
    editor_->document()->disconnect(objects_.get());
    objects_->Detach();
    callback_.reset();
    delete editor_;
}

QWidget* PlainTextWindow::Widget()
{
    return editor_;
}

Position PlainTextWindow::TextLength() const
{
    return editor_->document()->characterCount() - 1;
}

Position PlainTextWindow::SelStart() const
{
    return editor_->textCursor().selectionStart();
}

Position PlainTextWindow::SelLength() const
{
    const QTextCursor cursor = editor_->textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void PlainTextWindow::SetSelection(Position start, Position length)
{
    const Position size = TextLength();
    start = std::clamp<Position>(start, 0, size);
    const Position end = std::clamp<Position>(start + std::max<Position>(length, 0), start, size);
    QTextCursor cursor(editor_->document());
    cursor.setPosition(static_cast<int>(start));
    cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
    editor_->setTextCursor(cursor);
}

void PlainTextWindow::StreamIn(std::string_view cp1250, bool selectionOnly)
{
    const QString text = DecodeText(cp1250);
    const Position replaced = selectionOnly ? SelLength() : TextLength();
    if (TextLength() - replaced + text.size() > limit_)
        throw TextLimitError("The text would exceed the limit of " + std::to_string(limit_) + " characters");

    QTextCursor cursor = editor_->textCursor();
    if (!selectionOnly) {
        cursor.movePosition(QTextCursor::Start);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    }
    cursor.insertText(text, QTextCharFormat());
    editor_->setTextCursor(cursor);
}

std::string PlainTextWindow::StreamOut(bool selectionOnly) const
{
    Position start = 0;
    Position end = TextLength();
    if (selectionOnly) {
        start = SelStart();
        end = start + SelLength();
    }

    QStringEncoder encoder("windows-1250");
    if (!encoder.isValid())
        throw std::runtime_error("windows-1250 encoder unavailable");
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(end - start) + static_cast<std::size_t>(end - start) / 40);
    QString chunk;
    chunk.reserve(EncodeChunk + 1024);
    const auto flush = [&] {
        const QByteArray encoded = encoder.encode(chunk);
        bytes.append(encoded.constData(), static_cast<std::size_t>(encoded.size()));
        chunk.clear();
    };

    const QTextDocument& document = *editor_->document();
    for (QTextBlock block = document.findBlock(static_cast<int>(start)); block.isValid() && block.position() < end;
         block = block.next()) {
        const QString text = block.text();
        const Position at = block.position();
        const qsizetype from = static_cast<qsizetype>(std::max(start, at) - at);
        const qsizetype to = static_cast<qsizetype>(std::min<Position>(end, at + text.size()) - at);
        const QStringView part = QStringView(text).sliced(from, to - from);
        if (!part.contains(QChar::LineSeparator) && !part.contains(ObjectChar)) {
            chunk.append(part);
        } else {
            for (const QChar c : part) {
                if (c == QChar::LineSeparator)
                    chunk.append(QStringLiteral("\r\n"));
                else if (c != ObjectChar)
                    chunk.append(c);
            }
        }
        if (at + text.size() < end)
            chunk.append(QStringLiteral("\r\n"));
        if (chunk.size() >= EncodeChunk)
            flush();
    }
    flush();
    return bytes;
}

void PlainTextWindow::SetTextLimit(Position limit)
{
    limit_ = std::clamp<Position>(limit, 0, DefaultTextLimit);
}

Position PlainTextWindow::FindText(const QString& what, Position from, Position to, FindFlags flags) const
{
    const Position length = TextLength();
    if (to < 0 || to > length)
        to = length;
    if (what.isEmpty() || from < 0 || from >= to)
        return -1;
    const Qt::CaseSensitivity cs = flags.MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const QTextDocument& document = *editor_->document();
    for (QTextBlock block = document.findBlock(static_cast<int>(from)); block.isValid() && block.position() < to;
         block = block.next()) {
        const QString text = block.text();
        const Position at = block.position();
        qsizetype i = static_cast<qsizetype>(std::max(from, at) - at);
        while ((i = text.indexOf(what, i, cs)) >= 0) {
            const qsizetype e = i + what.size();
            if (at + e > to)
                break;
            const bool whole = (i == 0 || !IsWordChar(text.at(i - 1))) && (e == text.size() || !IsWordChar(text.at(e)));
            if (!flags.WholeWord || whole)
                return at + i;
            ++i;
        }
    }
    return -1;
}

Position PlainTextWindow::FormatRange(const FormatRangeRequest& request)
{
    if (!renderer_)
        renderer_ = std::make_unique<PageRenderer>(editor_->font());
    return renderer_->Render(DocumentLines(*editor_->document()), request);
}

void PlainTextWindow::ReleaseFormatRange()
{
    renderer_.reset();
}

std::shared_ptr<IRichEditOle> PlainTextWindow::GetOleInterface()
{
    return objects_;
}

bool PlainTextWindow::SetOleCallback(std::shared_ptr<IRichEditOleCallback> callback)
{
    callback_ = std::move(callback);
    return true;
}

bool PlainTextWindow::InsertImage(const QImage& image)
{
    if (image.isNull())
        return false;
    QTextCursor cursor = editor_->textCursor();
    if (TextLength() - (cursor.selectionEnd() - cursor.selectionStart()) + 1 > limit_)
        throw TextLimitError("The text would exceed the limit of " + std::to_string(limit_) + " characters");

    auto object = NewPictureObject(image, callback_.get(), cursor.selectionStart());
    if (!object)
        return false;

    const int id = objects_->NextId();
    QTextCharFormat format;
    format.setObjectType(ObjectCharType);
    format.setProperty(ObjectIdProperty, id);
    cursor.insertText(QString(ObjectChar), format);
    objects_->Add(id, std::move(object), cursor.position() - 1);
    editor_->setTextCursor(cursor);
    return true;
}

std::uint32_t PlainTextWindow::DropEffect(std::uint32_t allowed, std::uint32_t keyState) const
{
    return DecideDropEffect(callback_.get(), allowed, keyState);
}

void PlainTextWindow::InsertPlainText(QString text)
{
    text = NormalizeForeignText(std::move(text));
    QTextCursor cursor = editor_->textCursor();
    if (TextLength() - (cursor.selectionEnd() - cursor.selectionStart()) + text.size() > limit_)
        throw TextLimitError("The text would exceed the limit of " + std::to_string(limit_) + " characters");
    cursor.insertText(text, QTextCharFormat());
    editor_->setTextCursor(cursor);
}

} // namespace zest::richedit

#include "plaintextwindow.moc"
