// Result texts, key state and the picture object.
#include "richole.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QTemporaryFile>

namespace zest::richedit
{

QString ResultText(HRESULT hr)
{
    switch (hr) {
    case S_OK:
        return QStringLiteral("The operation completed successfully");
    case E_NOTIMPL:
        return QStringLiteral("Not implemented");
    case E_FAIL:
        return QStringLiteral("Unspecified error");
    case E_OUTOFMEMORY:
        return QStringLiteral("Not enough memory resources are available to complete this operation");
    case E_INVALIDARG:
        return QStringLiteral("The parameter is incorrect");
    case OLEOBJ_E_INVALIDVERB:
        return QStringLiteral("Invalid verb for OLE object");
    default:
        return QStringLiteral("OLE error %1").arg(static_cast<std::uint32_t>(hr), 8, 16, QLatin1Char('0')).toUpper();
    }
}

OleError::OleError(HRESULT code)
    : std::runtime_error(ResultText(code).toStdString())
    , Code(code)
{
}

std::uint32_t KeyStateOf(Qt::KeyboardModifiers modifiers)
{
    std::uint32_t state = 0;
    if (modifiers & Qt::ShiftModifier)
        state |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        state |= MK_CONTROL;
    if (modifiers & Qt::AltModifier)
        state |= MK_ALT;
    return state;
}

std::uint32_t ToEffects(Qt::DropActions actions)
{
    std::uint32_t effects = DROPEFFECT_NONE;
    if (actions & Qt::CopyAction)
        effects |= DROPEFFECT_COPY;
    if (actions & Qt::MoveAction)
        effects |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction)
        effects |= DROPEFFECT_LINK;
    return effects;
}

Qt::DropAction ToDropAction(std::uint32_t effect)
{
    if (effect & DROPEFFECT_MOVE)
        return Qt::MoveAction;
    if (effect & DROPEFFECT_COPY)
        return Qt::CopyAction;
    if (effect & DROPEFFECT_LINK)
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

ImageObject::ImageObject(const QImage& image, std::shared_ptr<ObjectStorage> storage, Opener opener)
    : storage_(std::move(storage))
    , opener_(std::move(opener))
{
    if (!opener_)
        opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    storage_->Format = QStringLiteral("image/png");
    QBuffer buffer(&storage_->Data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
}

ImageObject::~ImageObject() = default;

HRESULT ImageObject::Close(std::uint32_t)
{
    // Nothing of a picture changes while it is shown, so there is nothing to save.
    shown_.reset();
    closed_ = true;
    return S_OK;
}

std::optional<std::vector<OleVerb>> ImageObject::Verbs()
{
    return std::vector<OleVerb> { { OLEIVERB_PRIMARY, QStringLiteral("Otwórz"), OLEVERBATTRIB_ONCONTAINERMENU } };
}

HRESULT ImageObject::DoVerb(std::int32_t verb, OleClientSite*, QWidget*, const QRect&)
{
    if (verb != OLEIVERB_PRIMARY && verb != OLEIVERB_SHOW && verb != OLEIVERB_OPEN)
        return OLEOBJ_E_INVALIDVERB;
    if (!shown_) {
        auto file
            = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/zestawienia-obraz-XXXXXX.png"));
        if (!file->open())
            return E_FAIL;
        if (file->write(storage_->Data) != storage_->Data.size() || !file->flush())
            return E_FAIL;
        file->close();
        shown_ = std::move(file);
    }
    closed_ = false;
    return opener_(QUrl::fromLocalFile(shown_->fileName())) ? S_OK : E_FAIL;
}

QImage ImageObject::Image() const
{
    QImage image;
    image.loadFromData(storage_->Data, "PNG");
    return image;
}

std::shared_ptr<ImageObject> NewPictureObject(
    const QImage& image, IRichEditOleCallback* callback, std::int64_t position)
{
    std::shared_ptr<ObjectStorage> storage;
    if (callback) {
        if (Failed(callback->GetNewStorage(storage)) || !storage)
            return nullptr;
    } else {
        storage = std::make_shared<ObjectStorage>();
    }
    auto picture = std::make_shared<ImageObject>(image, storage);
    if (callback && callback->QueryInsertObject(storage->Format, storage.get(), position) != S_OK)
        return nullptr;
    return picture;
}

std::uint32_t DecideDropEffect(IRichEditOleCallback* callback, std::uint32_t allowed, std::uint32_t keyState)
{
    std::uint32_t effect = allowed;
    if (callback && Failed(callback->GetDragDropEffect(false, keyState, effect)))
        return allowed;
    return effect;
}

} // namespace zest::richedit
