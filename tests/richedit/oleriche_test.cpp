// The printable control: its verb menu, verbs, object closing and callback, against
// fake objects and a fake window; loading and saving files over the real window.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "richedit/linetextwindow.h"
#include "richedit/oleriche.h"

using namespace zest::richedit;

namespace
{

// Qt's window definitions declare a global HRESULT on Windows.
using HRESULT = zest::richedit::HRESULT;

using Log = std::vector<std::string>;

class FakeObject final : public EmbeddedObject
{
public:
    FakeObject(std::string name, Log& log, std::optional<std::vector<OleVerb>> verbs = std::vector<OleVerb> {})
        : name_(std::move(name))
        , log_(log)
        , verbs_(std::move(verbs))
    {
    }
    HRESULT Close(std::uint32_t saveOption) override
    {
        log_.push_back("close " + name_ + " " + std::to_string(saveOption));
        return S_OK;
    }
    std::optional<std::vector<OleVerb>> Verbs() override
    {
        ++verbQueries;
        return verbs_;
    }
    HRESULT DoVerb(std::int32_t verb, OleClientSite* site, QWidget* window, const QRect&) override
    {
        log_.push_back("verb " + name_ + " " + std::to_string(verb) + (site && window ? "" : " without site"));
        return doVerbResult;
    }

    int verbQueries = 0;
    HRESULT doVerbResult = S_OK;

private:
    std::string name_;
    Log& log_;
    std::optional<std::vector<OleVerb>> verbs_;
};

class FakeSite final : public OleClientSite
{
public:
    QWidget* ContainerWindow() const override { return nullptr; }
};

class FakeOle final : public IRichEditOle
{
public:
    std::vector<std::shared_ptr<FakeObject>> objects;
    std::shared_ptr<FakeObject> selection;
    std::int32_t failingIndex = -2;
    HRESULT siteResult = S_OK;

    HRESULT GetClientSite(std::shared_ptr<OleClientSite>& site) override
    {
        site = Succeeded(siteResult) ? std::make_shared<FakeSite>() : nullptr;
        return siteResult;
    }
    std::int32_t GetObjectCount() const override { return static_cast<std::int32_t>(objects.size()); }
    HRESULT GetObject(std::int32_t index, std::shared_ptr<EmbeddedObject>& object) override
    {
        object.reset();
        if (index == REO_IOB_SELECTION) {
            object = selection;
            return selection ? S_OK : E_FAIL;
        }
        if (index == failingIndex || index < 0 || index >= GetObjectCount())
            return E_FAIL;
        object = objects[static_cast<std::size_t>(index)];
        return S_OK;
    }
};

// A text window that logs its stream-ins and may refuse the object interface or the
// callback.
class FakeWindow final : public RichEditWindow, public RichEditOleHost
{
public:
    FakeWindow(Log& log, bool giveInterface = true, bool takeCallback = true)
        : log_(log)
        , giveInterface_(giveInterface)
        , takeCallback_(takeCallback)
    {
    }
    QWidget* Widget() override { return widget_; }
    Position TextLength() const override { return 0; }
    Position SelStart() const override { return 0; }
    Position SelLength() const override { return 0; }
    void SetSelection(Position, Position) override { }
    void StreamIn(std::string_view text, bool selectionOnly) override
    {
        log_.push_back("stream in \"" + std::string(text) + "\"" + (selectionOnly ? " selection" : ""));
    }
    std::string StreamOut(bool) const override { return {}; }
    Position TextLimit() const override { return DefaultTextLimit; }
    void SetTextLimit(Position) override { }
    Position FindText(const QString&, Position, Position, FindFlags) const override { return -1; }
    Position FormatRange(const FormatRangeRequest&) override { return -1; }
    void ReleaseFormatRange() override { }

    std::shared_ptr<IRichEditOle> GetOleInterface() override { return giveInterface_ ? ole : nullptr; }
    bool SetOleCallback(std::shared_ptr<IRichEditOleCallback> c) override
    {
        callback = std::move(c);
        return takeCallback_;
    }

    std::shared_ptr<FakeOle> ole = std::make_shared<FakeOle>();
    std::shared_ptr<IRichEditOleCallback> callback;

private:
    Log& log_;
    bool giveInterface_;
    bool takeCallback_;
    QWidget* widget_ = new QWidget; // goes with the control it is put in
};

OleVerb MenuVerb(std::int32_t verb, const char* name)
{
    return { verb, QString::fromUtf8(name), OLEVERBATTRIB_ONCONTAINERMENU };
}

struct Fixture {
    Log log;
    FakeWindow* window = new FakeWindow(log);
    TOLEEdit edit { std::unique_ptr<RichEditWindow>(window) };

    std::shared_ptr<FakeObject> Select(std::string name, std::optional<std::vector<OleVerb>> verbs)
    {
        window->ole->selection = std::make_shared<FakeObject>(std::move(name), log, std::move(verbs));
        return window->ole->selection;
    }
};

template <class F> std::string ErrorOf(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

QStringList Captions(const QMenu* menu)
{
    QStringList captions;
    for (const QAction* action : menu->actions())
        captions << action->text();
    return captions;
}

} // namespace

TEST(TOLEEdit, WindowWithoutObjectsOrCallbackIsRefused)
{
    const struct {
        bool giveInterface, takeCallback;
        const char* error;
    } cases[] = {
        { false, true, "Unable to get interface" },
        { true, false, "Unable to set callback" },
        { true, true, "no error" },
    };
    for (const auto& c : cases) {
        Log log;
        EXPECT_EQ(ErrorOf([&] {
            TOLEEdit edit(std::make_unique<FakeWindow>(log, c.giveInterface, c.takeCallback));
            EXPECT_TRUE(edit.RichEditOle());
            EXPECT_TRUE(edit.AutoVerbMenu);
            EXPECT_FALSE(edit.StreamSelection);
        }),
            c.error);
    }
}

TEST(TOLEEdit, PlainTextGivesTheOrdinaryMenuAndDropsTheVerbMenu)
{
    Fixture f;
    QMenu assigned;
    f.edit.PopupMenu = &assigned;
    f.Select("A", std::vector { MenuVerb(0, "Otwórz") });
    ASSERT_NE(f.edit.GetPopupMenu(), &assigned);
    ASSERT_TRUE(f.edit.VerbMenu());

    f.window->ole->selection.reset();
    EXPECT_EQ(f.edit.GetPopupMenu(), &assigned);
    EXPECT_FALSE(f.edit.VerbMenu());
    EXPECT_FALSE(f.edit.VerbList());
    EXPECT_FALSE(f.edit.SelectedObject());

    f.Select("B", std::vector { MenuVerb(0, "Otwórz") });
    f.edit.AutoVerbMenu = false;
    EXPECT_EQ(f.edit.GetPopupMenu(), &assigned);
}

TEST(TOLEEdit, ObjectWithoutMenuVerbsShowsNoMenuAndIsAskedOnce)
{
    const std::optional<std::vector<OleVerb>> cases[] = {
        std::vector<OleVerb> {},
        std::nullopt, // the object cannot list its verbs
        std::vector { MenuVerb(-1, "Pokaż"), MenuVerb(0, "Otwórz") },
        std::vector { OleVerb { 0, QStringLiteral("Otwórz"), 0 }, MenuVerb(1, "Edytuj") },
    };
    for (const auto& verbs : cases) {
        Fixture f;
        const auto object = f.Select("A", verbs);
        EXPECT_EQ(f.edit.GetPopupMenu(), nullptr);
        EXPECT_EQ(f.edit.GetPopupMenu(), nullptr);
        EXPECT_EQ(object->verbQueries, 1);
        EXPECT_EQ(f.edit.SelectedObject(), object);
        ASSERT_TRUE(f.edit.VerbList());
        EXPECT_TRUE(f.edit.VerbList()->empty());
    }
}

TEST(TOLEEdit, VerbMenuListsTheMenuVerbsInOrder)
{
    Fixture f;
    const auto object = f.Select("A",
        std::vector { MenuVerb(0, "Otwórz"), MenuVerb(1, "Edytuj"), OleVerb { 2, QStringLiteral("Ukryty"), 0 },
            MenuVerb(3, "Po ukrytym") });
    QMenu* menu = f.edit.GetPopupMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(Captions(menu), (QStringList { QStringLiteral("Otwórz"), QStringLiteral("Edytuj") }));
    EXPECT_EQ(menu->defaultAction(), menu->actions().at(0));
    EXPECT_EQ(f.edit.GetPopupMenu(), menu); // the same object: no new menu
    EXPECT_EQ(object->verbQueries, 1);

    menu->actions().at(1)->trigger();
    EXPECT_EQ(f.log, Log { "verb A 1" });

    // Another object gets a menu of its own.
    f.Select("B", std::vector { MenuVerb(0, "Pokaż") });
    QMenu* other = f.edit.GetPopupMenu();
    ASSERT_TRUE(other);
    EXPECT_EQ(Captions(other), QStringList { QStringLiteral("Pokaż") });
}

TEST(TOLEEdit, ExecuteVerbIndexRules)
{
    const struct {
        std::int32_t index;
        bool listFirst;
        const char* logged;
        const char* error;
    } cases[] = {
        { 0, false, "verb A 0", "no error" }, // primary verb without a list
        { -3, false, "verb A -3", "no error" }, // a verb number itself
        { 1, false, "verb A 7", "no error" }, // the list is built for it
        { 1, true, "verb A 7", "no error" },
        { 2, true, nullptr, "Invalid Verb" }, // the number of verbs
        { 5, false, nullptr, "Invalid Verb" },
    };
    for (const auto& c : cases) {
        Fixture f;
        f.Select("A", std::vector { MenuVerb(0, "Otwórz"), MenuVerb(7, "Drukuj") });
        f.edit.ExecuteVerb(1); // nothing selected yet: nothing happens
        EXPECT_TRUE(f.log.empty());
        f.edit.GetPopupMenu();
        if (!c.listFirst)
            f.edit.DestroyVerbMenu(); // selected, but no list yet
        EXPECT_EQ(ErrorOf([&] { f.edit.ExecuteVerb(c.index); }), c.error) << c.index;
        EXPECT_EQ(f.log, c.logged ? Log { c.logged } : Log {}) << c.index;
        if (c.index <= 0) {
            EXPECT_FALSE(f.edit.VerbList()) << "no list needed for " << c.index;
        }
    }
}

TEST(TOLEEdit, FailedSiteOrVerbIsAnOleError)
{
    Fixture f;
    const auto object = f.Select("A", std::vector { MenuVerb(0, "Otwórz") });
    f.edit.GetPopupMenu();
    object->doVerbResult = E_NOTIMPL;
    try {
        f.edit.ExecuteVerb(0);
        ADD_FAILURE() << "no error";
    } catch (const OleError& e) {
        EXPECT_EQ(e.Code, E_NOTIMPL);
        EXPECT_STREQ(e.what(), "Not implemented");
    }
    f.window->ole->siteResult = E_OUTOFMEMORY;
    EXPECT_THROW(f.edit.ExecuteVerb(0), OleError);
    EXPECT_EQ(f.log, Log { "verb A 0" });
}

TEST(TOLEEdit, ClearClosesEveryObjectFirstWithoutSaving)
{
    Fixture f;
    for (const char* name : { "A", "B", "C" })
        f.window->ole->objects.push_back(std::make_shared<FakeObject>(name, f.log));
    f.window->ole->failingIndex = 1; // skipped
    f.edit.Clear();
    EXPECT_EQ(f.log, (Log { "close A 1", "close C 1", "stream in \"\"" }));
}

TEST(TOLEEdit, DestructionClosesObjectsAndLetsGoOfTheCallback)
{
    Log log;
    auto* window = new FakeWindow(log);
    window->ole->objects.push_back(std::make_shared<FakeObject>("A", log));
    auto ole = window->ole;
    {
        TOLEEdit edit { std::unique_ptr<RichEditWindow>(window) };
        EXPECT_EQ(window->callback, edit.OleCallback());
    }
    EXPECT_EQ(log, Log { "close A 1" });
    EXPECT_EQ(ole.use_count(), 1);
}

TEST(TRichEditOleCallback, DropEffectByKeysWhenTheSourceAllowsIt)
{
    constexpr std::uint32_t all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    const struct {
        std::uint32_t keys, allowed, expected;
    } cases[] = {
        { 0, all, DROPEFFECT_MOVE },
        { MK_ALT, all, DROPEFFECT_MOVE },
        { MK_CONTROL, all, DROPEFFECT_COPY },
        { MK_CONTROL | MK_SHIFT, all, DROPEFFECT_LINK },
        { MK_SHIFT, all, DROPEFFECT_MOVE },
        { MK_CONTROL, DROPEFFECT_MOVE | DROPEFFECT_LINK, DROPEFFECT_MOVE | DROPEFFECT_LINK }, // copy not allowed
        { MK_CONTROL | MK_SHIFT, DROPEFFECT_COPY, DROPEFFECT_COPY },
        { 0, DROPEFFECT_COPY, DROPEFFECT_COPY },
        { 0, DROPEFFECT_NONE, DROPEFFECT_NONE },
    };
    TRichEditOleCallback callback(nullptr);
    for (const auto& c : cases) {
        std::uint32_t effect = c.allowed;
        EXPECT_EQ(callback.GetDragDropEffect(false, c.keys, effect), S_OK);
        EXPECT_EQ(effect, c.expected) << "keys " << c.keys << " allowed " << c.allowed;
    }
    std::uint32_t asSource = all;
    EXPECT_EQ(callback.GetDragDropEffect(true, MK_CONTROL, asSource), S_OK);
    EXPECT_EQ(asSource, all);

    // The real window asks its control's callback.
    TOLEEdit edit;
    auto& window = dynamic_cast<LineTextWindow&>(edit.Window());
    EXPECT_EQ(window.DropEffect(all, MK_CONTROL), DROPEFFECT_COPY);
    EXPECT_EQ(window.DropEffect(DROPEFFECT_MOVE, MK_CONTROL), DROPEFFECT_MOVE);
}

TEST(TRichEditOleCallback, DeleteObjectClosesWithoutSavingAndReleasesTheSelection)
{
    Fixture f;
    const auto object = f.Select("A", std::vector { MenuVerb(0, "Otwórz") });
    ASSERT_TRUE(f.edit.GetPopupMenu());
    EXPECT_EQ(f.window->callback->DeleteObject(object.get()), S_OK);
    EXPECT_FALSE(f.edit.SelectedObject());
    EXPECT_FALSE(f.edit.VerbMenu());
    EXPECT_EQ(f.log, Log { "close A 1" });
    f.edit.ExecuteVerb(0); // nothing selected any more
    EXPECT_EQ(f.log.size(), 1u);
}

TEST(TOLEEdit, PicturesInTheRealWindowOfferOpenAndCloseOnClear)
{
    TOLEEdit edit;
    auto& window = dynamic_cast<LineTextWindow&>(edit.Window());
    window.StreamIn("tekst", false);
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(window.InsertImage(image));
    window.SetSelection(5, 1);
    QMenu* menu = edit.GetPopupMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(Captions(menu), QStringList { QStringLiteral("Otwórz") });

    std::shared_ptr<EmbeddedObject> object;
    ASSERT_EQ(edit.RichEditOle()->GetObject(0, object), S_OK);
    const auto picture = std::dynamic_pointer_cast<ImageObject>(object);
    ASSERT_TRUE(picture);
    edit.Clear();
    EXPECT_TRUE(picture->Closed());
    EXPECT_EQ(edit.RichEditOle()->GetObjectCount(), 0);
    EXPECT_FALSE(edit.SelectedObject());
    EXPECT_EQ(window.TextLength(), 0);
}

TEST(ImageObject, PrimaryVerbShowsThePictureFromATemporaryFile)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::green);
    QString shown;
    bool opens = true;
    ImageObject object(image, std::make_shared<ObjectStorage>(), [&](const QUrl& url) {
        shown = url.toLocalFile();
        return opens;
    });
    EXPECT_EQ(object.Verbs()->size(), 1u);
    EXPECT_EQ(object.DoVerb(OLEIVERB_PRIMARY, nullptr, nullptr, {}), S_OK);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(QImage(shown).pixelColor(1, 1), QColor(Qt::green));
    EXPECT_EQ(object.DoVerb(5, nullptr, nullptr, {}), OLEOBJ_E_INVALIDVERB);
    opens = false;
    EXPECT_EQ(object.DoVerb(OLEIVERB_OPEN, nullptr, nullptr, {}), E_FAIL);
    object.Close(OLECLOSE_NOSAVE);
    EXPECT_FALSE(QFile::exists(shown));
}

TEST(TOLEEdit, LoadAndSaveFilesWithTheSelectionSwitch)
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.txt"));
    const QString second = dir.filePath(QStringLiteral("second.txt"));
    const QString saved = dir.filePath(QStringLiteral("saved.txt"));
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write(first, "Zestawienie 1\r\n\f\r\n");
    write(second, "Zestawienie 2\r\n");

    TOLEEdit edit;
    edit.Window().SetTextLimit(5); // a load lifts it
    edit.LoadFromFile(first);
    EXPECT_EQ(edit.Window().TextLimit(), LoadTextLimit);

    edit.Window().SetSelection(edit.Window().TextLength(), 0);
    edit.StreamSelection = true;
    edit.LoadFromFile(second);
    edit.StreamSelection = false;
    EXPECT_EQ(edit.Lines(), (QStringList { "Zestawienie 1", "\f", "Zestawienie 2" }));

    edit.Window().SetSelection(0, 5);
    edit.StreamSelection = true;
    edit.SaveToFile(saved);
    edit.StreamSelection = false;
    QFile part(saved);
    ASSERT_TRUE(part.open(QIODevice::ReadOnly));
    EXPECT_EQ(part.readAll(), "Zesta");
    part.close();

    edit.SaveToFile(saved); // overwritten
    edit.LoadFromFile(saved);
    EXPECT_EQ(edit.Text(), QStringLiteral("Zestawienie 1\n\f\nZestawienie 2\n"));

    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    EXPECT_EQ(ErrorOf([&] { edit.LoadFromFile(missing); }), "Cannot open file " + missing.toStdString());
    const QString noDir = dir.filePath(QStringLiteral("no/such/dir.txt"));
    EXPECT_EQ(ErrorOf([&] { edit.SaveToFile(noDir); }), "Cannot create file " + noDir.toStdString());
    EXPECT_EQ(edit.Text(), QStringLiteral("Zestawienie 1\n\f\nZestawienie 2\n"));
}
