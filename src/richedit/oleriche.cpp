// The printable text control and its object callback.
#include "richedit/oleriche.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QVBoxLayout>
#include <new>
#include <stdexcept>

#include "richedit/linetextwindow.h"
#include "richedit/printpages.h"
#include "widgets/messages.h"
#include "widgets/wintext.h"

namespace zest::richedit
{

namespace
{

// Menus can be dropped from inside their own click handlers: they go once the event
// loop has finished with them.
void DropMenu(std::unique_ptr<QMenu>& menu)
{
    if (menu)
        menu.release()->deleteLater();
}

} // namespace

HRESULT TRichEditOleCallback::GetNewStorage(std::shared_ptr<ObjectStorage>& storage)
{
    storage.reset();
    try {
        storage = std::make_shared<ObjectStorage>();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT TRichEditOleCallback::GetInPlaceContext(QWidget*& frame, QWidget*& document)
{
    frame = nullptr;
    document = nullptr;
    return E_NOTIMPL;
}

HRESULT TRichEditOleCallback::ShowContainerUI(bool)
{
    return E_NOTIMPL;
}

HRESULT TRichEditOleCallback::QueryInsertObject(const QString&, const ObjectStorage*, std::int64_t)
{
    return S_OK;
}

HRESULT TRichEditOleCallback::DeleteObject(EmbeddedObject* object)
{
    if (RichEdit)
        RichEdit->ReleaseSelectedObject();
    if (object)
        object->Close(OLECLOSE_NOSAVE);
    return S_OK;
}

HRESULT TRichEditOleCallback::QueryAcceptData(const QMimeData*, bool)
{
    return S_OK;
}

HRESULT TRichEditOleCallback::ContextSensitiveHelp(bool)
{
    return E_NOTIMPL;
}

HRESULT TRichEditOleCallback::GetClipboardData(std::int64_t, std::int64_t, QMimeData*& data)
{
    data = nullptr;
    return E_NOTIMPL;
}

HRESULT TRichEditOleCallback::GetDragDropEffect(bool drag, std::uint32_t keyState, std::uint32_t& effect)
{
    if (drag)
        return S_OK;
    std::uint32_t chosen = DROPEFFECT_MOVE;
    if ((keyState & MK_CONTROL) && (keyState & MK_SHIFT))
        chosen = DROPEFFECT_LINK;
    else if (keyState & MK_CONTROL)
        chosen = DROPEFFECT_COPY;
    if (effect & chosen)
        effect = chosen;
    return S_OK;
}

HRESULT TRichEditOleCallback::GetContextMenu(std::int64_t, std::int64_t, EmbeddedObject*, QMenu*& menu)
{
    menu = nullptr;
    return S_OK;
}

TOLEEdit::TOLEEdit(QWidget* parent)
    : TOLEEdit(std::make_unique<LineTextWindow>(), parent)
{
}

TOLEEdit::TOLEEdit(std::unique_ptr<RichEditWindow> window, QWidget* parent)
    : QWidget(parent)
    , window_(std::move(window))
    , oleCallback_(std::make_shared<TRichEditOleCallback>(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    QWidget* text = window_->Widget();
    layout->addWidget(text);
    setFocusProxy(text);
    text->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(text, &QWidget::customContextMenuRequested, this, &TOLEEdit::ShowPopupMenu);
    CreateWnd();
}

TOLEEdit::~TOLEEdit()
{
    CloseObjects();
    if (auto* host = dynamic_cast<RichEditOleHost*>(window_.get()))
        host->SetOleCallback(nullptr);
    oleCallback_->RichEdit = nullptr;
    richEditOle_.reset();
    selectedObject_.reset();
    verbMenu_.reset();
    verbList_.reset();
    standardMenu_.reset();
    window_.reset();
}

void TOLEEdit::CreateWnd()
{
    richEditOle_.reset();
    auto* host = dynamic_cast<RichEditOleHost*>(window_.get());
    if (host)
        richEditOle_ = host->GetOleInterface();
    if (!richEditOle_)
        throw std::runtime_error("Unable to get interface");
    if (!host->SetOleCallback(oleCallback_))
        throw std::runtime_error("Unable to set callback");
}

void TOLEEdit::Clear()
{
    CloseObjects();
    window_->StreamIn({}, false);
}

void TOLEEdit::CloseObjects()
{
    if (!richEditOle_)
        return;
    const std::int32_t count = richEditOle_->GetObjectCount();
    for (std::int32_t i = 0; i < count; ++i) {
        std::shared_ptr<EmbeddedObject> object;
        if (Succeeded(richEditOle_->GetObject(i, object)) && object)
            object->Close(OLECLOSE_NOSAVE);
    }
}

void TOLEEdit::DestroyVerbMenu()
{
    DropMenu(verbMenu_);
    verbList_.reset();
}

void TOLEEdit::LoadVerbs()
{
    DestroyVerbMenu();
    verbList_ = std::make_unique<std::vector<OleVerb>>();
    if (!selectedObject_)
        return;
    const auto verbs = selectedObject_->Verbs();
    if (!verbs)
        return;
    for (const OleVerb& verb : *verbs) {
        if (verb.Verb < 0 || !(verb.Attribs & OLEVERBATTRIB_ONCONTAINERMENU))
            break;
        verbList_->push_back(verb);
    }
}

void TOLEEdit::VerbMenuClick(QAction* item)
{
    zest::ui::RunGuarded(this, [&] { ExecuteVerb(item->data().toInt()); });
}

void TOLEEdit::ExecuteVerb(std::int32_t index)
{
    if (!richEditOle_ || !selectedObject_)
        return;
    std::int32_t verb = index;
    if (index > 0) {
        if (!verbList_)
            LoadVerbs();
        if (static_cast<std::size_t>(index) >= verbList_->size())
            throw OleError("Invalid Verb", OLEOBJ_E_INVALIDVERB);
        verb = (*verbList_)[static_cast<std::size_t>(index)].Verb;
    }
    QWidget* text = window_->Widget();
    std::shared_ptr<OleClientSite> site;
    if (const HRESULT hr = richEditOle_->GetClientSite(site); Failed(hr))
        throw OleError(hr);
    // The object may be deleted by what its verb does; keep it until the verb returns.
    const std::shared_ptr<EmbeddedObject> object = selectedObject_;
    if (const HRESULT hr = object->DoVerb(verb, site.get(), text, text->rect()); Failed(hr))
        throw OleError(hr);
}

QMenu* TOLEEdit::GetPopupMenu()
{
    const auto base = [this] { return PopupMenu ? PopupMenu : StandardMenu(); };
    if (!AutoVerbMenu || !richEditOle_)
        return base();
    std::shared_ptr<EmbeddedObject> object;
    if (Failed(richEditOle_->GetObject(REO_IOB_SELECTION, object)) || !object) {
        selectedObject_.reset();
        DestroyVerbMenu();
        return base();
    }
    if (object != selectedObject_ || !verbList_) {
        selectedObject_ = std::move(object);
        LoadVerbs();
    }
    if (!verbMenu_ && !verbList_->empty()) {
        verbMenu_ = std::make_unique<QMenu>(this);
        for (std::size_t i = 0; i < verbList_->size(); ++i) {
            QAction* item = verbMenu_->addAction((*verbList_)[i].Name);
            item->setData(static_cast<int>(i));
            if ((*verbList_)[i].Verb == OLEIVERB_PRIMARY)
                verbMenu_->setDefaultAction(item);
        }
        connect(verbMenu_.get(), &QMenu::triggered, this, &TOLEEdit::VerbMenuClick);
    }
    return verbMenu_.get();
}

void TOLEEdit::ReleaseSelectedObject()
{
    selectedObject_.reset();
    DestroyVerbMenu();
}

QMenu* TOLEEdit::StandardMenu()
{
    DropMenu(standardMenu_);
    standardMenu_.reset(window_->CreateStandardContextMenu());
    return standardMenu_.get();
}

void TOLEEdit::ShowPopupMenu(const QPoint& pos)
{
    zest::ui::RunGuarded(this, [&] {
        QMenu* menu = GetPopupMenu();
        if (!menu)
            return;
        QWidget* text = window_->Widget();
        if (auto* area = qobject_cast<QAbstractScrollArea*>(text))
            text = area->viewport();
        menu->popup(text->mapToGlobal(pos));
    });
}

void TOLEEdit::LoadFromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot open file " + ui::ToWin1250(path, cp1250::Substitute));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error("Cannot open file " + ui::ToWin1250(path, cp1250::Substitute));
    if (window_->TextLimit() < LoadTextLimit)
        window_->SetTextLimit(LoadTextLimit);
    window_->StreamIn(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), StreamSelection);
}

void TOLEEdit::SaveToFile(const QString& path) const
{
    const std::string bytes = window_->StreamOut(StreamSelection);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("Cannot create file " + ui::ToWin1250(path, cp1250::Substitute));
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())
        || !file.flush())
        throw std::runtime_error("Cannot write file " + ui::ToWin1250(path, cp1250::Substitute));
}

QString TOLEEdit::Text() const
{
    const std::string bytes = window_->StreamOut(false);
    QString text = ui::FromWin1250(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QStringList TOLEEdit::Lines() const
{
    QString text = Text();
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

bool TOLEEdit::PrintPages(
    QPrinter& printer, const QString& title, std::int32_t& pageNumber, bool newDocument, bool printContents)
{
    return richedit::PrintPages(PrintedText { *window_, Margins, Naglowek, Spis }, PrintTarget { printer }, title,
        pageNumber, newDocument, printContents);
}

} // namespace zest::richedit
