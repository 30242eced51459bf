// What a text window under the printable control must do, as the window over the byte
// store does it: streaming, searching, the text limit, pictures as embedded objects,
// pages on a PDF printer.
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

#include "richedit/linetextwindow.h"

using namespace zest::richedit;

namespace
{

// Qt's window definitions declare a global HRESULT on Windows.
using HRESULT = zest::richedit::HRESULT;

// Records what the window asks of its container; storage and insertion can be refused.
class RecordingCallback final : public IRichEditOleCallback
{
public:
    HRESULT storageResult = S_OK;
    HRESULT insertResult = S_OK;
    std::vector<EmbeddedObject*> deleted;

    HRESULT GetNewStorage(std::shared_ptr<ObjectStorage>& storage) override
    {
        storage = Succeeded(storageResult) ? std::make_shared<ObjectStorage>() : nullptr;
        return storageResult;
    }
    HRESULT GetInPlaceContext(QWidget*&, QWidget*&) override { return E_NOTIMPL; }
    HRESULT ShowContainerUI(bool) override { return E_NOTIMPL; }
    HRESULT QueryInsertObject(const QString&, const ObjectStorage*, std::int64_t) override { return insertResult; }
    HRESULT DeleteObject(EmbeddedObject* object) override
    {
        deleted.push_back(object);
        return S_OK;
    }
    HRESULT QueryAcceptData(const QMimeData*, bool) override { return S_OK; }
    HRESULT ContextSensitiveHelp(bool) override { return E_NOTIMPL; }
    HRESULT GetClipboardData(std::int64_t, std::int64_t, QMimeData*&) override { return E_NOTIMPL; }
    HRESULT GetDragDropEffect(bool, std::uint32_t, std::uint32_t&) override { return S_OK; }
    HRESULT GetContextMenu(std::int64_t, std::int64_t, EmbeddedObject*, QMenu*&) override { return S_OK; }
};

QImage RedSquare()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
}

} // namespace

TEST(TextWindow, StreamInReplacesOrReplacesTheSelection)
{
    LineTextWindow w;
    w.StreamIn("first\r\nline", false);
    EXPECT_EQ(w.TextLength(), 10); // a line break is one position
    EXPECT_EQ(w.SelStart(), 10);
    EXPECT_EQ(w.SelLength(), 0);

    w.StreamIn("\r\nsecond", true); // the caret stands at the end: an append
    EXPECT_EQ(w.StreamOut(false), "first\r\nline\r\nsecond");
    EXPECT_EQ(w.SelStart(), w.TextLength());

    w.SetSelection(6, 4); // "line"
    w.StreamIn("LINE\r\nX", true);
    EXPECT_EQ(w.StreamOut(false), "first\r\nLINE\r\nX\r\nsecond");
    EXPECT_EQ(w.SelStart(), 12);
    EXPECT_EQ(w.SelLength(), 0);

    w.StreamIn("new", false);
    EXPECT_EQ(w.StreamOut(false), "new");
}

TEST(TextWindow, LineEndsBecomeOneBreakAndComeOutAsCrLf)
{
    const struct {
        std::string in, out;
        Position length;
    } cases[] = {
        { "a\r\nb", "a\r\nb", 3 },
        { "a\nb", "a\r\nb", 3 },
        { "a\rb", "a\r\nb", 3 },
        { "a\r\r\nb", "a\r\n\r\nb", 4 },
        { "a\n\rb", "a\r\n\r\nb", 4 },
        { "a\r\n", "a\r\n", 2 },
        { "\f\r\n\f", "\f\r\n\f", 3 },
        { "", "", 0 },
    };
    for (const auto& c : cases) {
        LineTextWindow w;
        w.StreamIn(c.in, false);
        EXPECT_EQ(w.TextLength(), c.length) << c.in;
        EXPECT_EQ(w.StreamOut(false), c.out) << c.in;
    }
}

TEST(TextWindow, StreamOutOfTheSelection)
{
    LineTextWindow w;
    w.StreamIn("abc\r\ndef\r\nghi", false);
    const struct {
        Position start, length;
        std::string out;
    } cases[] = {
        { 1, 5, "bc\r\nde" },
        { 3, 1, "\r\n" },
        { 4, 3, "def" },
        { 4, 4, "def\r\n" },
        { 5, 0, "" },
        { 0, 99, "abc\r\ndef\r\nghi" },
    };
    for (const auto& c : cases) {
        w.SetSelection(c.start, c.length);
        EXPECT_EQ(w.StreamOut(true), c.out) << c.start << "+" << c.length;
    }
}

TEST(TextWindow, EveryWindows1250ByteRoundTrips)
{
    // Every byte but CR and LF, which are line ends, in lines of 32 with form feeds
    // between some of them; NBSP (0xA0) and the undefined bytes included.
    std::string text;
    for (int b = 0; b < 256; ++b) {
        if (b == '\r' || b == '\n')
            continue;
        text += static_cast<char>(b);
        if (b % 32 == 31)
            text += b % 64 == 63 ? "\r\n\f\r\n" : "\r\n";
    }
    LineTextWindow w;
    w.StreamIn(text, false);
    EXPECT_EQ(w.StreamOut(false), text);

    w.SetSelection(0, w.TextLength());
    EXPECT_EQ(w.StreamOut(true), text);
}

TEST(TextWindow, FindText)
{
    LineTextWindow w;
    // "Kowal" at 0, "kowalski" at 6, form feed at 15, "KOWAL" at 17, "kowal_x" at 23, "Żółw" at 31.
    w.StreamIn("Kowal kowalski\r\n\f KOWAL.kowal_x \xaf\xf3\xb3w", false); // "Żółw"
    const struct {
        const char16_t* what;
        Position from, to;
        bool matchCase, wholeWord;
        Position expected;
    } cases[] = {
        { u"kowal", 0, -1, false, false, 0 },
        { u"kowal", 0, -1, true, false, 6 },
        { u"kowal", 1, -1, false, false, 6 },
        { u"kowal", 1, -1, false, true, 17 },
        { u"KOWAL", 0, -1, true, true, 17 },
        { u"kowal", 19, -1, false, true, -1 }, // "kowal_x" is no whole "kowal"
        { u"kowal", 19, -1, false, false, 23 },
        { u"kowal", 1, 10, false, false, -1 }, // the match would end past `to`
        { u"kowal", 1, 11, false, false, 6 },
        { u"\f", 0, -1, false, false, 15 },
        { u"żółw", 0, -1, false, true, 31 },
        { u"żółw", 0, -1, true, false, -1 },
        { u"brak", 0, -1, false, false, -1 },
        { u"", 0, -1, false, false, -1 },
        { u"kowal", 99, -1, false, false, -1 },
    };
    for (const auto& c : cases) {
        const QString what = QString::fromUtf16(c.what);
        EXPECT_EQ(w.FindText(what, c.from, c.to, { c.matchCase, c.wholeWord }), c.expected)
            << what.toStdString() << " from " << c.from << " case " << c.matchCase << " word " << c.wholeWord;
    }
}

TEST(TextWindow, TextLimitRefusesWhatWouldNotFitAndKeepsTheText)
{
    LineTextWindow w;
    EXPECT_EQ(w.TextLimit(), DefaultTextLimit);
    w.SetTextLimit(10);
    w.StreamIn("0123456789", false); // exactly at the limit
    EXPECT_THROW(w.StreamIn("x", true), TextLimitError);
    EXPECT_EQ(w.StreamOut(false), "0123456789");

    w.SetSelection(2, 3);
    w.StreamIn("abc", true); // replacing three by three fits
    EXPECT_EQ(w.StreamOut(false), "01abc56789");
    EXPECT_THROW(w.StreamIn("0123456789A", false), TextLimitError);
    EXPECT_EQ(w.StreamOut(false), "01abc56789");
    EXPECT_THROW(w.InsertImage(RedSquare()), TextLimitError);
}

TEST(TextWindow, PicturesBecomeObjectsThatLeaveWithTheirCharacter)
{
    LineTextWindow w;
    auto callback = std::make_shared<RecordingCallback>();
    ASSERT_TRUE(w.SetOleCallback(callback));
    const auto ole = w.GetOleInterface();
    ASSERT_TRUE(ole);

    w.StreamIn("ab\r\ncd", false);
    w.SetSelection(1, 0);
    ASSERT_TRUE(w.InsertImage(RedSquare()));
    w.SetSelection(5, 0);
    ASSERT_TRUE(w.InsertImage(RedSquare()));
    EXPECT_EQ(ole->GetObjectCount(), 2);
    EXPECT_EQ(w.TextLength(), 7);
    EXPECT_EQ(w.StreamOut(false), "ab\r\ncd"); // objects have no bytes

    std::shared_ptr<EmbeddedObject> first, second, selected;
    ASSERT_EQ(ole->GetObject(0, first), S_OK);
    ASSERT_EQ(ole->GetObject(1, second), S_OK);
    EXPECT_EQ(ole->GetObject(2, selected), E_INVALIDARG);

    w.SetSelection(1, 0);
    EXPECT_TRUE(Failed(ole->GetObject(REO_IOB_SELECTION, selected)));
    w.SetSelection(1, 1);
    ASSERT_EQ(ole->GetObject(REO_IOB_SELECTION, selected), S_OK);
    EXPECT_EQ(selected, first);
    const auto image = std::dynamic_pointer_cast<ImageObject>(first);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Image().pixelColor(3, 3), QColor(Qt::red));

    // Text typed before an object moves it along; deleting its character deletes it.
    w.SetSelection(0, 0);
    w.StreamIn("xx", true);
    EXPECT_EQ(ole->GetObjectCount(), 2);
    w.SetSelection(3, 1);
    w.StreamIn("", true);
    ASSERT_EQ(callback->deleted.size(), 1u);
    EXPECT_EQ(callback->deleted[0], first.get());
    EXPECT_EQ(ole->GetObjectCount(), 1);

    w.StreamIn("all new", false);
    ASSERT_EQ(callback->deleted.size(), 2u);
    EXPECT_EQ(callback->deleted[1], second.get());
    EXPECT_EQ(ole->GetObjectCount(), 0);
}

TEST(TextWindow, TheCallbackCanRefuseAnObject)
{
    for (const bool failStorage : { true, false }) {
        LineTextWindow w;
        auto callback = std::make_shared<RecordingCallback>();
        (failStorage ? callback->storageResult : callback->insertResult) = failStorage ? E_OUTOFMEMORY : S_FALSE;
        w.SetOleCallback(callback);
        w.StreamIn("ab", false);
        EXPECT_FALSE(w.InsertImage(RedSquare()));
        EXPECT_EQ(w.GetOleInterface()->GetObjectCount(), 0);
        EXPECT_EQ(w.TextLength(), 2);
    }
}

TEST(TextWindow, FormatRangeAdvancesToTheEndOnAPdfPrinter)
{
    std::string text;
    for (int line = 0; line < 300; ++line)
        text += "Linia " + std::to_string(line) + (line % 100 == 99 ? "\r\n\f\r\n" : "\r\n");
    LineTextWindow w;
    w.StreamIn(text, false);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(
        QString::fromUtf8(ZEST_TEST_TMP) + QStringLiteral("/textwindow_pages-%1.pdf").arg(getpid()));
    QPainter painter(&printer);
    const TwipsRect page { 0, 0, 11906, 16838 };
    const TwipsRect rect { 1417, 1134, 11906 - 1134, 16838 - 1134 };
    Position first = 0;
    int pages = 0;
    while (first >= 0) {
        ASSERT_LT(pages, 50);
        if (pages++ > 0)
            printer.newPage();
        const Position next = w.FormatRange({ &painter, rect, page, first, -1 });
        ASSERT_TRUE(next == -1 || next > first) << first << " -> " << next;
        first = next;
    }
    w.ReleaseFormatRange();
    EXPECT_GE(pages, 4);
}
