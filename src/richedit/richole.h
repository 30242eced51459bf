#pragma once
// Embedded objects in the text control. This platform has no OLE, so the control talks
// to a small layer of the same shape: objects that can be closed and offer verbs, the
// text window's object table (count, object by index or at the selection, client
// site), and the callback through which the control decides whether objects are
// accepted, where they are stored, and what a drop does.
//
// Shared pointers stand in for counted references. Results are HRESULT-like codes with
// the familiar names, so that the rules read as the rich edit callback's rules read.

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class QMenu;
class QMimeData;
class QTemporaryFile;
class QWidget;

namespace zest::richedit
{

using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT OLEOBJ_E_INVALIDVERB = static_cast<HRESULT>(0x80040181u);

constexpr bool Succeeded(HRESULT hr)
{
    return hr >= 0;
}
constexpr bool Failed(HRESULT hr)
{
    return hr < 0;
}

// The text of a result code, as an error message shows it.
QString ResultText(HRESULT hr);

inline constexpr std::uint32_t DROPEFFECT_NONE = 0;
inline constexpr std::uint32_t DROPEFFECT_COPY = 1;
inline constexpr std::uint32_t DROPEFFECT_MOVE = 2;
inline constexpr std::uint32_t DROPEFFECT_LINK = 4;

// Key state of a drag, as a drop target receives it.
inline constexpr std::uint32_t MK_SHIFT = 0x0004;
inline constexpr std::uint32_t MK_CONTROL = 0x0008;
inline constexpr std::uint32_t MK_ALT = 0x0020;

inline constexpr std::uint32_t OLECLOSE_SAVEIFDIRTY = 0;
inline constexpr std::uint32_t OLECLOSE_NOSAVE = 1;
inline constexpr std::uint32_t OLECLOSE_PROMPTSAVE = 2;

inline constexpr std::int32_t OLEIVERB_PRIMARY = 0;
inline constexpr std::int32_t OLEIVERB_SHOW = -1;
inline constexpr std::int32_t OLEIVERB_OPEN = -2;
inline constexpr std::uint32_t OLEVERBATTRIB_NEVERDIRTIES = 1;
inline constexpr std::uint32_t OLEVERBATTRIB_ONCONTAINERMENU = 2;

// The object "at the selection" rather than at an index.
inline constexpr std::int32_t REO_IOB_SELECTION = -1;

// An error of the object layer: a result code and its message.
class OleError : public std::runtime_error
{
public:
    OleError(const std::string& message, HRESULT code)
        : std::runtime_error(message)
        , Code(code)
    {
    }
    // The result code with the text that belongs to it.
    explicit OleError(HRESULT code);

    HRESULT Code;
};

struct OleVerb {
    std::int32_t Verb = 0;
    QString Name;
    std::uint32_t Attribs = OLEVERBATTRIB_ONCONTAINERMENU;
};

// What the container offers an object that runs a verb.
class OleClientSite
{
public:
    virtual ~OleClientSite() = default;
    virtual QWidget* ContainerWindow() const = 0;
};

// The site of a text window's objects: the window itself.
class ContainerSite final : public OleClientSite
{
public:
    explicit ContainerSite(QWidget* window)
        : window_(window)
    {
    }
    QWidget* ContainerWindow() const override { return window_; }

private:
    QWidget* window_;
};

class EmbeddedObject
{
public:
    virtual ~EmbeddedObject() = default;
    // `saveOption`: OLECLOSE_*. Closing twice is harmless.
    virtual HRESULT Close(std::uint32_t saveOption) = 0;
    // The verbs in the object's order; nothing when the object cannot list them.
    virtual std::optional<std::vector<OleVerb>> Verbs() = 0;
    virtual HRESULT DoVerb(std::int32_t verb, OleClientSite* site, QWidget* window, const QRect& rect) = 0;
};

// The bytes of one object, kept in memory and freed with the last reference.
struct ObjectStorage {
    QString Format;
    QByteArray Data;
};

// The text window's object table, as the control sees it.
class IRichEditOle
{
public:
    virtual ~IRichEditOle() = default;
    virtual HRESULT GetClientSite(std::shared_ptr<OleClientSite>& site) = 0;
    virtual std::int32_t GetObjectCount() const = 0;
    // `index` from 0, or REO_IOB_SELECTION for the object that is exactly the selection.
    virtual HRESULT GetObject(std::int32_t index, std::shared_ptr<EmbeddedObject>& object) = 0;
};

// What the text window asks its container about objects.
class IRichEditOleCallback
{
public:
    virtual ~IRichEditOleCallback() = default;
    virtual HRESULT GetNewStorage(std::shared_ptr<ObjectStorage>& storage) = 0;
    virtual HRESULT GetInPlaceContext(QWidget*& frame, QWidget*& document) = 0;
    virtual HRESULT ShowContainerUI(bool show) = 0;
    virtual HRESULT QueryInsertObject(const QString& format, const ObjectStorage* storage, std::int64_t position) = 0;
    virtual HRESULT DeleteObject(EmbeddedObject* object) = 0;
    // `really`: false while only asking whether a paste or drop could be accepted.
    virtual HRESULT QueryAcceptData(const QMimeData* data, bool really) = 0;
    virtual HRESULT ContextSensitiveHelp(bool enterMode) = 0;
    virtual HRESULT GetClipboardData(std::int64_t first, std::int64_t count, QMimeData*& data) = 0;
    // `drag`: true when asked as the drag source, false as the drop target. `effect`
    // comes in as the effects the source allows and goes out as the effect to use.
    virtual HRESULT GetDragDropEffect(bool drag, std::uint32_t keyState, std::uint32_t& effect) = 0;
    virtual HRESULT GetContextMenu(std::int64_t first, std::int64_t last, EmbeddedObject* object, QMenu*& menu) = 0;
};

// What a text window offers when it can hold objects: its object table and a place for
// the container's callback. A window without it holds no objects.
class RichEditOleHost
{
public:
    virtual ~RichEditOleHost() = default;
    // Nothing when the window cannot give its table.
    virtual std::shared_ptr<IRichEditOle> GetOleInterface() = 0;
    // False when the window does not take the callback. An empty callback removes it.
    virtual bool SetOleCallback(std::shared_ptr<IRichEditOleCallback> callback) = 0;
};

// Key state of the keyboard modifiers held now or carried by an event.
std::uint32_t KeyStateOf(Qt::KeyboardModifiers modifiers);
// A drop's effects (DROPEFFECT_*) as the actions a drag offers, and back: the action of
// an effect, moving before copying before linking.
std::uint32_t ToEffects(Qt::DropActions actions);
Qt::DropAction ToDropAction(std::uint32_t effect);

// A picture pasted or dropped into the text. Its primary verb "Otwórz" writes the
// picture to a temporary file and opens it in the system's viewer; the file goes when
// the object is closed.
class ImageObject : public EmbeddedObject
{
public:
    using Opener = std::function<bool(const QUrl&)>;

    // `storage` receives the picture as PNG. `opener`: how a file is shown, the
    // system's viewer unless given.
    ImageObject(const QImage& image, std::shared_ptr<ObjectStorage> storage, Opener opener = {});
    ~ImageObject() override;

    HRESULT Close(std::uint32_t saveOption) override;
    std::optional<std::vector<OleVerb>> Verbs() override;
    HRESULT DoVerb(std::int32_t verb, OleClientSite* site, QWidget* window, const QRect& rect) override;

    QImage Image() const;
    bool Closed() const { return closed_; }
    const ObjectStorage& Storage() const { return *storage_; }

private:
    std::shared_ptr<ObjectStorage> storage_;
    Opener opener_;
    std::unique_ptr<QTemporaryFile> shown_;
    bool closed_ = false;
};

// A picture about to go into a text window at `position`, as a new object: storage and
// consent come from the callback (without one, the object gets storage of its own).
// Nothing when the callback refuses either.
std::shared_ptr<ImageObject> NewPictureObject(
    const QImage& image, IRichEditOleCallback* callback, std::int64_t position);
// The effect of a drop offered with `allowed` effects and `keyState`, as the callback
// decides it; `allowed` itself without a callback or when the callback fails.
std::uint32_t DecideDropEffect(IRichEditOleCallback* callback, std::uint32_t allowed, std::uint32_t keyState);

} // namespace zest::richedit
