// The text window's document without a window: pictures moving with the text, and the
// undo history against program edits, the text limit and its own size.
#include <QImage>
#include <gtest/gtest.h>

#include <string>

#include "richedit/textdocument.h"

using namespace zest::richedit;

namespace
{

QImage Square()
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    return image;
}

} // namespace

TEST(TextDocument, PicturesMoveWithTheTextAndAProgramEditEndsTheHistory)
{
    TextDocument d;
    d.Assign("abcd");
    ASSERT_TRUE(d.InsertPicture(Square(), 2, 2));
    EXPECT_EQ(d.CrLf(0, d.Length()), "abcd");

    d.UserReplace(0, 1, "XY\r\n"); // "XY\nb", the picture, "cd"
    ASSERT_EQ(d.Objects().size(), 1u);
    EXPECT_EQ(d.Objects()[0].At, 4);
    EXPECT_TRUE(d.CanUndo());
    EXPECT_EQ(d.Find(QStringLiteral(" c"), 0, -1, {}), -1); // the picture is no blank

    d.Replace(d.Length(), d.Length(), "!");
    EXPECT_FALSE(d.CanUndo());

    // A user's edit over the picture closes it: nothing can bring it back.
    const auto picture = d.Objects()[0].Picture;
    d.UserReplace(4, 6, "-");
    EXPECT_TRUE(d.Objects().empty());
    EXPECT_TRUE(picture->Closed());
    EXPECT_FALSE(d.CanUndo());
    EXPECT_EQ(d.CrLf(0, d.Length()), "XY\r\nb-d!");
}

TEST(TextDocument, UndoBeyondTheLimitIsRefusedAndKeepsTextAndHistory)
{
    TextDocument d;
    d.Assign("0123456789");
    d.UserReplace(2, 8, "x"); // "01x89"
    d.SetLimit(7);
    EXPECT_FALSE(d.Undo()); // would need 10 characters
    EXPECT_EQ(d.CrLf(0, d.Length()), "01x89");
    EXPECT_TRUE(d.CanUndo());

    d.SetLimit(10);
    const auto restored = d.Undo();
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->Start, 2);
    EXPECT_EQ(restored->End, 8);
    EXPECT_EQ(d.CrLf(0, d.Length()), "0123456789");
    ASSERT_TRUE(d.Redo());
    EXPECT_EQ(d.CrLf(0, d.Length()), "01x89");
    EXPECT_FALSE(d.CanRedo());
}

TEST(TextDocument, TheHistoryKeepsItsSize)
{
    TextDocument d;
    const std::string big(EditHistory::LimitBytes / 2, 'a');
    d.UserReplace(0, 0, "x");
    d.UserReplace(1, 1, big);
    d.UserReplace(0, 0, big); // the oldest edit, "x", makes room
    ASSERT_TRUE(d.Undo());
    ASSERT_TRUE(d.Undo());
    EXPECT_FALSE(d.CanUndo());
    EXPECT_EQ(d.CrLf(0, d.Length()), "x");

    d.UserReplace(0, d.Length(), std::string(EditHistory::LimitBytes + 1, 'b')); // too big to keep
    EXPECT_FALSE(d.CanUndo());
    EXPECT_FALSE(d.CanRedo());
}
