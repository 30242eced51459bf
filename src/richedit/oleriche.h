#pragma once
// The printable text control: a text window (plain text, Windows-1250 streaming) that
// owns its page setup, appends through its selection switch, holds embedded objects,
// closes them cleanly and offers the selected object's verbs on a right click.

#include "richedit/pagesetup.h"
#include "richedit/richeditwindow.h"
#include "richedit/richole.h"

#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QPrinter;

namespace zest::richedit
{

class TOLEEdit;

// The text limit a load lifts the control to, so that long statements are held whole.
inline constexpr Position LoadTextLimit = 0x7FFFFFF0;

// The container's side of the embedded objects: storage in memory, every object and
// every paste accepted, drop effects by the keys held.
class TRichEditOleCallback final : public IRichEditOleCallback
{
public:
    explicit TRichEditOleCallback(TOLEEdit* richEdit)
        : RichEdit(richEdit)
    {
    }

    HRESULT GetNewStorage(std::shared_ptr<ObjectStorage>& storage) override;
    HRESULT GetInPlaceContext(QWidget*& frame, QWidget*& document) override;
    HRESULT ShowContainerUI(bool show) override;
    HRESULT QueryInsertObject(const QString& format, const ObjectStorage* storage, std::int64_t position) override;
    HRESULT DeleteObject(EmbeddedObject* object) override;
    HRESULT QueryAcceptData(const QMimeData* data, bool really) override;
    HRESULT ContextSensitiveHelp(bool enterMode) override;
    HRESULT GetClipboardData(std::int64_t first, std::int64_t count, QMimeData*& data) override;
    HRESULT GetDragDropEffect(bool drag, std::uint32_t keyState, std::uint32_t& effect) override;
    HRESULT GetContextMenu(std::int64_t first, std::int64_t last, EmbeddedObject* object, QMenu*& menu) override;

    // The control that created the callback; not counted, cleared when it goes.
    TOLEEdit* RichEdit;
};

class TOLEEdit : public QWidget
{
    Q_OBJECT
public:
    // Over a LineTextWindow.
    explicit TOLEEdit(QWidget* parent = nullptr);
    // Over another text window. Throws "Unable to get interface" when the window cannot
    // give its object table, "Unable to set callback" when it does not take the callback.
    explicit TOLEEdit(std::unique_ptr<RichEditWindow> window, QWidget* parent = nullptr);
    ~TOLEEdit() override;
    TOLEEdit(const TOLEEdit&) = delete;
    TOLEEdit& operator=(const TOLEEdit&) = delete;

    RichEditWindow& Window() const { return *window_; }

    TMargin Margins;
    TNaglowek Naglowek;
    TSpis Spis;
    // While true, loading replaces only the selection (an empty one at the end: an
    // append) and saving writes only the selection.
    bool StreamSelection = false;
    // Offer the selected object's verbs on a right click.
    bool AutoVerbMenu = true;
    // The menu of a right click when no verb menu is offered; the window's standard
    // edit menu when none is assigned. Not owned.
    QMenu* PopupMenu = nullptr;

    QMenu* VerbMenu() const { return verbMenu_.get(); }
    // Nothing until the verbs of SelectedObject were loaded.
    const std::vector<OleVerb>* VerbList() const { return verbList_.get(); }
    const std::shared_ptr<EmbeddedObject>& SelectedObject() const { return selectedObject_; }
    const std::shared_ptr<IRichEditOle>& RichEditOle() const { return richEditOle_; }
    const std::shared_ptr<TRichEditOleCallback>& OleCallback() const { return oleCallback_; }

    // Closes every object without saving, then empties the text.
    void Clear();
    // Closes every object without saving; objects that cannot be fetched are skipped.
    void CloseObjects();
    void DestroyVerbMenu();
    // The verbs of SelectedObject, up to the first one that is not for a menu.
    void LoadVerbs();
    void VerbMenuClick(QAction* item);
    // Runs a verb of SelectedObject: `index` > 0 is an entry of VerbList (OleError
    // "Invalid Verb" beyond it), 0 or less the verb number itself. Nothing happens
    // without a selected object.
    void ExecuteVerb(std::int32_t index);
    // The menu for a right click now: the verbs of the object that is the selection, no
    // menu at all for an object without verbs, else PopupMenu or the standard menu.
    QMenu* GetPopupMenu();
    void ReleaseSelectedObject();

    // The bytes of the file in place of the text (or, with StreamSelection, of the
    // selection); the text limit is lifted to LoadTextLimit first. "Cannot open file %s"
    // when the file cannot be read; the text is then unchanged.
    void LoadFromFile(const QString& path);
    // The text (or, with StreamSelection, the selection) into the file, which is
    // overwritten. "Cannot create file %s" when it cannot be created.
    void SaveToFile(const QString& path) const;
    // The text with '\n' line breaks, and its lines.
    QString Text() const;
    QStringList Lines() const;

    // Prints the text with the control's page setup; see PrintPages in printpages.h.
    bool PrintPages(
        QPrinter& printer, const QString& title, std::int32_t& pageNumber, bool newDocument, bool printContents);

private:
    void CreateWnd();
    void ShowPopupMenu(const QPoint& pos);
    QMenu* StandardMenu();

    std::unique_ptr<RichEditWindow> window_;
    std::shared_ptr<TRichEditOleCallback> oleCallback_;
    std::shared_ptr<IRichEditOle> richEditOle_;
    std::shared_ptr<EmbeddedObject> selectedObject_;
    std::unique_ptr<std::vector<OleVerb>> verbList_;
    std::unique_ptr<QMenu> verbMenu_;
    std::unique_ptr<QMenu> standardMenu_;
};

} // namespace zest::richedit
