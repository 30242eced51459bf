// The window over the byte store as a user drives it, offscreen: keys, the mouse, the
// clipboard, typing within the limit, scrolling a found match into view.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "richedit/linetextwindow.h"

using namespace zest::richedit;

namespace
{

// A shown window holding `text`, the caret at the start.
std::unique_ptr<LineTextWindow> Shown(const std::string& text)
{
    auto w = std::make_unique<LineTextWindow>();
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    w->setFont(font);
    w->resize(400, 200);
    w->StreamIn(text, false);
    w->SetSelection(0, 0);
    w->show();
    w->setFocus();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    return w;
}

// Types `text` a character at a time, as a keyboard with those letters would.
void Type(QWidget* target, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
    }
}

std::string Lines(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "wiersz " + std::to_string(i) + "\r\n";
    return text;
}

} // namespace

TEST(LineTextWindow, KeysMoveTheCaretAndShiftExtendsTheSelection)
{
    auto w = Shown("abc\r\nde\r\nfghij");
    QWidget* target = w.get();
    QTest::keyClick(target, Qt::Key_End); // end of "abc"
    EXPECT_EQ(w->SelStart(), 3);
    QTest::keyClick(target, Qt::Key_Down); // column 3 is past "de": its end
    EXPECT_EQ(w->SelStart(), 6);
    QTest::keyClick(target, Qt::Key_Down); // the column wanted is kept: 3 in "fghij"
    EXPECT_EQ(w->SelStart(), 10);
    QTest::keyClick(target, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(target, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(w->SelStart(), 8);
    EXPECT_EQ(w->SelLength(), 2);
    QTest::keyClick(target, Qt::Key_Home, Qt::ShiftModifier); // anchor stays at 10
    EXPECT_EQ(w->SelStart(), 7);
    EXPECT_EQ(w->SelLength(), 3);
    QTest::keyClick(target, Qt::Key_Right); // collapses to the selection's end
    EXPECT_EQ(w->SelStart(), 10);
    EXPECT_EQ(w->SelLength(), 0);
    QTest::keyClick(target, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w->SelStart(), 0);
    EXPECT_EQ(w->SelLength(), 10);
    QTest::keyClick(target, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(w->SelStart(), 12);
    QTest::keyClick(target, Qt::Key_Left, Qt::ControlModifier); // to the start of "fghij"
    EXPECT_EQ(w->SelStart(), 7);
    QTest::keyClick(target, Qt::Key_Right); // crosses nothing past the end
    QTest::keyClick(target, Qt::Key_End);
    QTest::keyClick(target, Qt::Key_Right);
    EXPECT_EQ(w->SelStart(), 12);
}

TEST(LineTextWindow, TypingEditsTheTextWithinTheLimitAndNotWhenReadOnly)
{
    auto w = Shown("ab\r\ncd");
    QWidget* target = w.get();
    QTest::keyClick(target, Qt::Key_Right);
    Type(target, QString::fromUtf8("ż1"));
    QTest::keyClick(target, Qt::Key_Return);
    EXPECT_EQ(w->StreamOut(false),
        "a\xbf"
        "1\r\nb\r\ncd");
    QTest::keyClick(target, Qt::Key_Backspace); // the break just typed
    QTest::keyClick(target, Qt::Key_Delete); // "b"
    EXPECT_EQ(w->StreamOut(false),
        "a\xbf"
        "1\r\ncd");
    EXPECT_EQ(w->SelStart(), 3);

    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w->SelLength(), w->TextLength());
    QTest::keyClicks(target, QStringLiteral("x"));
    EXPECT_EQ(w->StreamOut(false), "x");

    w->SetTextLimit(2);
    QTest::keyClicks(target, QStringLiteral("yz")); // "z" would pass the limit
    EXPECT_EQ(w->StreamOut(false), "xy");

    w->SetReadOnly(true);
    QTest::keyClick(target, Qt::Key_Backspace);
    QTest::keyClicks(target, QStringLiteral("q"));
    EXPECT_EQ(w->StreamOut(false), "xy");
}

TEST(LineTextWindow, CopyCutAndPasteGoThroughTheClipboardAsText)
{
    auto w = Shown("Kowal\r\n\xafuraw");
    QWidget* target = w.get();
    w->SetSelection(3, 4); // "al\nŻ"
    QTest::keyClick(target, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("al\nŻ"));

    QTest::keyClick(target, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(w->StreamOut(false), "Kowuraw");
    QTest::keyClick(target, Qt::Key_End);
    QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w->StreamOut(false),
        "Kowuraw"
        "al\r\n\xaf");

    // Text from elsewhere: its line ends are breaks, a character without a byte is '?'.
    QGuiApplication::clipboard()->setText(QString::fromUtf8("\r\nщ!"));
    w->Paste();
    EXPECT_EQ(w->StreamOut(false),
        "Kowuraw"
        "al\r\n\xaf\r\n?!");

    std::unique_ptr<QMenu> menu(w->CreateStandardContextMenu());
    QStringList captions;
    for (const QAction* action : menu->actions())
        captions << action->text();
    EXPECT_EQ(captions,
        (QStringList {
            "&Cofnij", QString::fromUtf8("&Ponów"), "", "Wy&tnij", "&Kopiuj", "&Wklej", "", "Zaznacz &wszystko" }));
    EXPECT_TRUE(menu->actions()[0]->isEnabled()); // the paste can be undone
    EXPECT_FALSE(menu->actions()[1]->isEnabled());
}

TEST(LineTextWindow, MouseClicksPlaceTheCaretAndDragsSelect)
{
    // "abcdef" 0-5, break 6, "ghijkl" 7-12, break 13, "mnopqr" 14-19.
    auto w = Shown("abcdef\r\nghijkl\r\nmnopqr");
    QWidget* viewport = w->viewport();
    w->SetSelection(7, 0); // "g": the caret point tells where line 1 column 0 is drawn
    const QPoint g = w->CaretPoint();
    w->SetSelection(8, 0);
    const int cell = w->CaretPoint().x() - g.x();
    w->SetSelection(14, 0);
    const int lineHeight = w->CaretPoint().y() - g.y();
    ASSERT_GT(cell, 0);
    ASSERT_GT(lineHeight, 0);

    const QPoint onG = g + QPoint(cell / 2 + 1, lineHeight / 2); // right half of "g": before "h"
    QTest::mouseClick(viewport, Qt::LeftButton, {}, onG);
    EXPECT_EQ(w->SelStart(), 8);
    EXPECT_EQ(w->SelLength(), 0);

    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, onG + QPoint(3 * cell, lineHeight));
    EXPECT_EQ(w->SelStart(), 8);
    EXPECT_EQ(w->SelLength(), 10); // to before "q"

    QTest::mousePress(viewport, Qt::LeftButton, {}, g + QPoint(1, lineHeight / 2));
    QTest::mouseMove(viewport, g + QPoint(2 * cell + 1, -lineHeight / 2));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, g + QPoint(2 * cell + 1, -lineHeight / 2));
    EXPECT_EQ(w->SelStart(), 2);
    EXPECT_EQ(w->SelLength(), 5); // "cdef" and the break, back from the anchor at 7

    QTest::mouseDClick(viewport, Qt::LeftButton, {}, g + QPoint(cell, lineHeight + lineHeight / 2));
    EXPECT_EQ(w->SelStart(), 14);
    EXPECT_EQ(w->SelLength(), 6); // the word "mnopqr"
}

TEST(LineTextWindow, ASelectionFarDownIsScrolledIntoView)
{
    auto w = Shown(Lines(5000) + "koniec");
    EXPECT_EQ(w->FirstVisibleLine(), 0);
    const Position found = w->FindText(QStringLiteral("KONIEC"), 0, -1, {});
    ASSERT_GT(found, 0);
    w->SetSelection(found, 6);
    EXPECT_GT(w->FirstVisibleLine(), 4900);
    const QPoint caret = w->CaretPoint();
    EXPECT_TRUE(w->viewport()->rect().contains(caret)) << caret.x() << "," << caret.y();

    QTest::keyClick(w.get(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(w->FirstVisibleLine(), 0);
    QTest::keyClick(w.get(), Qt::Key_PageDown);
    EXPECT_GT(w->FirstVisibleLine(), 0);
    EXPECT_GT(w->SelStart(), 0);

    // A long line widens the horizontal range, and its end is scrolled to.
    w->StreamIn(std::string(3000, 'x') + "\r\nkrótki", false);
    EXPECT_GT(w->horizontalScrollBar()->maximum(), 1000);
    w->SetSelection(2999, 1);
    EXPECT_GT(w->horizontalScrollBar()->value(), 1000);
    EXPECT_TRUE(w->viewport()->rect().contains(w->CaretPoint()));
}

TEST(LineTextWindow, TypingOverAPictureDropsIt)
{
    auto w = Shown("ab");
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    w->SetSelection(1, 0);
    ASSERT_TRUE(w->InsertImage(image));
    EXPECT_EQ(w->TextLength(), 3);
    w->repaint(); // the picture is drawn in its cell

    std::shared_ptr<EmbeddedObject> object;
    ASSERT_EQ(w->GetOleInterface()->GetObject(0, object), S_OK);
    EXPECT_EQ(w->FindText(QStringLiteral(" "), 0, -1, {}), -1); // the object is no blank
    w->SetSelection(1, 1);
    QTest::keyClicks(w.get(), QStringLiteral("-"));
    EXPECT_EQ(w->StreamOut(false), "a-b");
    EXPECT_EQ(w->GetOleInterface()->GetObjectCount(), 0);
    EXPECT_TRUE(std::dynamic_pointer_cast<ImageObject>(object)->Closed());
}

TEST(LineTextWindow, UndoAndRedoTakeBackWhatWasTypedDeletedAndCut)
{
    auto w = Shown("ab\r\ncd");
    QWidget* target = w.get();
    QTest::keyClick(target, Qt::Key_End);
    Type(target, QStringLiteral("xyz")); // one word, undone at once
    QTest::keyClick(target, Qt::Key_Return);
    QTest::keyClick(target, Qt::Key_Backspace);
    QTest::keyClick(target, Qt::Key_Backspace);
    EXPECT_EQ(w->StreamOut(false), "abxy\r\ncd");

    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier); // the "z" deleted
    EXPECT_EQ(w->StreamOut(false), "abxyz\r\ncd");
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier); // the break deleted
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier); // the break typed
    EXPECT_EQ(w->StreamOut(false), "abxyz\r\ncd");
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier); // "xyz"
    EXPECT_EQ(w->StreamOut(false), "ab\r\ncd");
    EXPECT_FALSE(w->CanUndo());
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier); // nothing left: no change
    EXPECT_EQ(w->StreamOut(false), "ab\r\ncd");

    QTest::keyClick(target, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(w->StreamOut(false), "abxyz\r\ncd");
    EXPECT_EQ(w->SelStart(), 2); // the text put back is selected
    EXPECT_EQ(w->SelLength(), 3);
    Type(target, QStringLiteral("Q")); // a new edit: nothing left to redo
    EXPECT_FALSE(w->CanRedo());
    EXPECT_EQ(w->StreamOut(false), "abQ\r\ncd");

    // A cut comes back whole, line break and all.
    w->SelectAll();
    w->Cut();
    EXPECT_EQ(w->TextLength(), 0);
    w->Undo();
    EXPECT_EQ(w->StreamOut(false), "abQ\r\ncd");

    // Read-only windows keep their text; a load forgets the history.
    w->SetReadOnly(true);
    w->Undo();
    EXPECT_EQ(w->StreamOut(false), "abQ\r\ncd");
    w->SetReadOnly(false);
    w->StreamIn("nowy", false);
    EXPECT_FALSE(w->CanUndo());
    EXPECT_FALSE(w->CanRedo());
    w->Undo();
    EXPECT_EQ(w->StreamOut(false), "nowy");
}
