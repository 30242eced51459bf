// The preview window: its panel, loading runs, finding, saving and clearing the text.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QToolButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <ostream>

#include "messagerecorder.h"
#include "preview/buttonicons.h"
#include "preview/finddialog.h"
#include "preview/twiz.h"
#include "previewtest.h"
#include "richedit/oleriche.h"

using namespace zest::preview::test;
using zest::preview::ButtonPicture;
using zest::richedit::Position;

namespace
{

struct ButtonCase {
    const char* Name;
    int X;
    const char* ToolTip;
};

const ButtonCase Buttons[] = {
    { "SpeedButton2", 16, "Drukuj" },
    { "SpeedButton3", 52, "Ustawienia drukarki" },
    { "SpeedButton4", 88, "Szukaj tekstu" },
    { "SpeedButton5", 124, "Zapisz na dysku" },
    { "SpeedButton6", 160, "Wyczyść zawartość okna" },
};

// Some pixel of the picture is drawn.
bool HasPicture(const QIcon& icon)
{
    const QImage image = icon.pixmap(20, 20).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
    return false;
}

} // namespace

TEST(Twiz, PanelHoldsTheButtonsWithPicturesAndTheNumberingBox)
{
    Twiz wiz;
    EXPECT_EQ(wiz.windowTitle(), QString::fromUtf8("Wizualizacja wyników analizy"));
    EXPECT_EQ(wiz.geometry(), QRect(267, 152, 697, 480));
    for (const ButtonCase& b : Buttons) {
        SCOPED_TRACE(b.Name);
        auto* button = wiz.findChild<QToolButton*>(QString::fromLatin1(b.Name));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->geometry(), QRect(b.X, 8, 25, 25));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.ToolTip));
        EXPECT_TRUE(button->autoRaise());
        EXPECT_TRUE(HasPicture(button->icon()));
    }
    EXPECT_TRUE(wiz.numery()->isChecked());
    EXPECT_EQ(wiz.numery()->text(), QStringLiteral("Numeracja stron"));
    EXPECT_EQ(wiz.numery()->geometry(), QRect(200, 16, 153, 17));

    // Without any icon theme every button still has a picture of its own.
    for (ButtonPicture p : { ButtonPicture::Print, ButtonPicture::PrinterSetup, ButtonPicture::Find,
             ButtonPicture::Save, ButtonPicture::Clear, ButtonPicture::SavePdf })
        EXPECT_TRUE(HasPicture(zest::preview::DrawnIcon(p)));

    const auto& margins = wiz.rich().Margins;
    EXPECT_EQ(margins.Top(), 20);
    EXPECT_EQ(margins.Bottom(), 20);
    EXPECT_EQ(margins.Left(), 25);
    EXPECT_EQ(margins.Right(), 20);
    EXPECT_FALSE(wiz.rich().Naglowek.Linia);
    EXPECT_EQ(wiz.rich().Window().Widget()->font().pixelSize(), 13);
}

TEST(Twiz, ClosingOnlyHidesAndKeepsTheText)
{
    auto wiz = PreviewWith("Kowal\r\n");
    wiz->show();
    EXPECT_TRUE(wiz->close());
    EXPECT_FALSE(wiz->isVisible());
    EXPECT_EQ(wiz->Text(), "Kowal\r\n");
}

// ---- LoadResults ------------------------------------------------------------------

struct LoadCase {
    const char* Name;
    bool Append;
    const char* Expected;
};

void PrintTo(const LoadCase& c, std::ostream* os)
{
    *os << c.Name;
}

class LoadResults : public testing::TestWithParam<LoadCase>
{
};

TEST_P(LoadResults, ReplacesOrAppendsWhereverTheCaretStands)
{
    auto wiz = PreviewWith("pierwszy\r\n\f\r\n");
    wiz->rich().Window().SetSelection(2, 3); // the caret is not at the end
    const std::string second = WriteTestFile(QStringLiteral("second_run.txt"), "drugi \xBF\xF3\xB3\xE6\r\n");
    wiz->LoadResults(second, GetParam().Append);
    EXPECT_EQ(wiz->Text(), GetParam().Expected);
    EXPECT_FALSE(wiz->rich().StreamSelection);
}

INSTANTIATE_TEST_SUITE_P(Twiz, LoadResults,
    testing::Values(LoadCase { "append", true, "pierwszy\r\n\f\r\ndrugi \xBF\xF3\xB3\xE6\r\n" },
        LoadCase { "replace", false, "drugi \xBF\xF3\xB3\xE6\r\n" }),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Twiz, UnreadableFileThrowsAndChangesNothing)
{
    for (bool append : { false, true }) {
        SCOPED_TRACE(append);
        auto wiz = PreviewWith("zostaje\r\n");
        const std::string missing = QFile::encodeName(TestPath(QStringLiteral("no_such_run.txt"))).toStdString();
        try {
            wiz->LoadResults(missing, append);
            ADD_FAILURE() << "no error";
        } catch (const std::exception& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
        }
        EXPECT_EQ(wiz->Text(), "zostaje\r\n");
        EXPECT_FALSE(wiz->rich().StreamSelection);
    }
}

// ---- Find -------------------------------------------------------------------------

namespace
{

//                            0         1         2         3
//                            0123456789012345678901234567890123456
const char* const Haystack = "alfa beta Alfa alfabet alfa \xAF\xD3\xA3W \xBF\xF3\xB3w\r\n"; // ŻÓŁW żółw

struct FindCase {
    const char* Name;
    const char* What;
    bool MatchCase;
    bool WholeWord;
    std::vector<Position> Matches; // in order, from a window where nothing is selected
};

void PrintTo(const FindCase& c, std::ostream* os)
{
    *os << c.Name;
}

class Find : public testing::TestWithParam<FindCase>
{
};

} // namespace

TEST_P(Find, RunsForwardFromTheTopThenAfterEachMatch)
{
    const FindCase& c = GetParam();
    auto wiz = PreviewWith(Haystack);
    auto& window = wiz->rich().Window();
    window.SetSelection(window.TextLength(), 0); // caret at the end, nothing selected
    wiz->FindDialog1()->SetFindText(QString::fromUtf8(c.What));
    wiz->FindDialog1()->SetMatchCase(c.MatchCase);
    wiz->FindDialog1()->SetWholeWord(c.WholeWord);
    for (Position expected : c.Matches) {
        wiz->FindDialog1Find();
        EXPECT_EQ(window.SelStart(), expected);
        EXPECT_EQ(window.SelLength(), QString::fromUtf8(c.What).size());
    }
    // Past the last match nothing changes.
    const Position lastStart = window.SelStart(), lastLength = window.SelLength();
    wiz->FindDialog1Find();
    EXPECT_EQ(window.SelStart(), lastStart);
    EXPECT_EQ(window.SelLength(), lastLength);
}

INSTANTIATE_TEST_SUITE_P(Twiz, Find,
    testing::Values(FindCase { "any_case", "alfa", false, false, { 0, 10, 15, 23 } },
        FindCase { "match_case", "Alfa", true, false, { 10 } },
        FindCase { "whole_word", "alfa", false, true, { 0, 10, 23 } },
        FindCase { "whole_word_match_case", "alfa", true, true, { 0, 23 } },
        FindCase { "polish_letters_any_case", "żółw", false, false, { 28, 33 } },
        FindCase { "polish_letters_match_case", "żółw", true, true, { 33 } }),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Twiz, FindStartsAfterTheSelectionAndFocusesTheMatchOnly)
{
    auto wiz = PreviewWith(Haystack);
    wiz->show();
    wiz->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(wiz.get()));
    auto& window = wiz->rich().Window();
    QWidget* text = window.Widget();

    // A selection the user made: the search goes on after it.
    window.SetSelection(1, 3);
    wiz->numery()->setFocus();
    wiz->FindDialog1()->SetFindText(QStringLiteral("zeta"));
    wiz->FindDialog1Find();
    EXPECT_EQ(window.SelStart(), 1);
    EXPECT_EQ(window.SelLength(), 3);
    EXPECT_TRUE(wiz->numery()->hasFocus());
    EXPECT_FALSE(text->hasFocus());

    wiz->FindDialog1()->SetFindText(QStringLiteral("alfa"));
    wiz->FindDialog1Find();
    EXPECT_EQ(window.SelStart(), 10);
    EXPECT_EQ(window.SelLength(), 4);
    EXPECT_TRUE(text->hasFocus());

    // F3 goes on with the same text.
    wiz->FindNext();
    EXPECT_EQ(window.SelStart(), 15);
}

TEST(Twiz, FindButtonOpensTheDialogWithoutBlocking)
{
    Twiz wiz;
    wiz.show();
    wiz.SpeedButton4Click();
    EXPECT_TRUE(wiz.FindDialog1()->isVisible());
    EXPECT_FALSE(wiz.FindDialog1()->isModal());
    wiz.FindDialog1()->hide();
}

// ---- Save and clear ---------------------------------------------------------------

TEST(Twiz, SaveAndReloadGiveTheSameBytes)
{
    const std::string statement = "KOWAL Jan \xAF\xF3\xB3kiewska\r\n---\r\n\f\r\nDRUGI\r\n\f\r\n";
    auto wiz = PreviewWith(statement);
    const QString path = TestPath(QStringLiteral("saved_statement.txt"));
    QFile::remove(path);
    wiz->SaveDialog1 = [&](QWidget*) { return path; };
    zest::test::MessageRecorder boxes;
    wiz->SpeedButton5Click();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(ReadFile(path), statement);

    Twiz again;
    again.LoadResults(QFile::encodeName(path).toStdString(), false);
    EXPECT_EQ(again.Text(), statement);

    // Saving over it replaces the file.
    wiz->rich().Clear();
    wiz->SpeedButton5Click();
    EXPECT_EQ(ReadFile(path), "");
}

TEST(Twiz, SaveThatCannotCreateItsFileSaysSoAndLeavesNothing)
{
    auto wiz = PreviewWith("tekst\r\n");
    const QString path = TestPath(QStringLiteral("no_such_dir/statement.txt"));
    wiz->SaveDialog1 = [&](QWidget*) { return path; };
    zest::test::MessageRecorder boxes;
    wiz->SpeedButton5Click();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].Text, "Cannot create file " + path);
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(wiz->Text(), "tekst\r\n");
}

TEST(Twiz, ClearEmptiesTheTextAndIsHarmlessOnAnEmptyWindow)
{
    Twiz empty;
    zest::test::MessageRecorder boxes;
    empty.SpeedButton6Click();
    EXPECT_EQ(empty.Text(), "");

    auto wiz = PreviewWith("tekst\r\n\f\r\n");
    wiz->SpeedButton6Click();
    EXPECT_EQ(wiz->Text(), "");
    EXPECT_EQ(wiz->rich().Window().TextLength(), 0);
    EXPECT_TRUE(boxes.boxes.empty());
}
