// The byte store under the text window: the line index through edits, line ends,
// every byte, searching with the Windows-1250 case fold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "richedit/textstore.h"

using zest::richedit::TextStore;
using Pos = TextStore::Pos;

namespace
{

// The line starts as the index holds them, checked against the bytes themselves.
std::vector<Pos> Starts(const TextStore& store)
{
    std::vector<Pos> starts;
    for (Pos line = 0; line < store.LineCount(); ++line)
        starts.push_back(store.LineStart(line));
    return starts;
}

std::vector<Pos> ExpectedStarts(const std::string& bytes)
{
    std::vector<Pos> starts { 0 };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            starts.push_back(static_cast<Pos>(i + 1));
    }
    return starts;
}

void ExpectConsistent(const TextStore& store, const std::string& expected)
{
    EXPECT_EQ(std::string(store.Bytes(0, store.Length())), expected);
    EXPECT_EQ(Starts(store), ExpectedStarts(expected));
    Pos longest = 0;
    for (Pos line = 0; line < store.LineCount(); ++line) {
        longest = std::max<Pos>(longest, static_cast<Pos>(store.Line(line).size()));
        EXPECT_EQ(store.LineOf(store.LineStart(line)), line);
        EXPECT_EQ(store.LineOf(store.LineEnd(line)), line);
    }
    EXPECT_EQ(store.LongestLine(), longest);
}

} // namespace

TEST(TextStore, LineIndexFollowsEditsAtTheStartMiddleAndEnd)
{
    const struct {
        const char* name;
        Pos start, end;
        std::string bytes;
        std::string expected;
    } cases[] = {
        { "insert at start", 0, 0, "x\r\n", "x\nab\ncdef\n\ngh" },
        { "insert lines in the middle", 4, 4, "1\r\n2\n3\r", "ab\nc1\n2\n3\ndef\n\ngh" },
        { "append at end", 11, 11, "\r\nij\r\n", "ab\ncdef\n\ngh\nij\n" },
        { "delete across breaks", 1, 9, "", "agh" },
        { "delete one break", 2, 3, "", "abcdef\n\ngh" },
        { "replace a line by two", 3, 7, "X\r\nY", "ab\nX\nY\n\ngh" },
        { "replace everything", 0, 11, "new", "new" },
        { "delete the longest line", 3, 8, "", "ab\n\ngh" },
        { "clamped past the end", 9, 99, "Z", "ab\ncdef\n\nZ" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TextStore store;
        store.Assign("ab\r\ncdef\r\n\r\ngh");
        ASSERT_EQ(store.LongestLine(), 4);
        store.Replace(c.start, c.end, c.bytes);
        ExpectConsistent(store, c.expected);
    }
}

TEST(TextStore, ManySmallEditsKeepTheIndexRight)
{
    TextStore store;
    std::string model;
    // A fixed sequence of inserts and deletes all over the text.
    unsigned seed = 7;
    const auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int i = 0; i < 400; ++i) {
        const Pos at = model.empty() ? 0 : static_cast<Pos>(next() % (model.size() + 1));
        if (next() % 3 == 0 && !model.empty()) {
            const Pos end = std::min<Pos>(at + static_cast<Pos>(next() % 5), static_cast<Pos>(model.size()));
            store.Replace(at, end, {});
            model.erase(static_cast<std::size_t>(at), static_cast<std::size_t>(end - at));
        } else {
            const std::string piece = next() % 2 ? "a\r\nb" : "cd\n";
            store.Replace(at, at, piece);
            model.insert(static_cast<std::size_t>(at), piece == "a\r\nb" ? "a\nb" : piece);
        }
    }
    ExpectConsistent(store, model);
}

TEST(TextStore, LineEndsAndEveryByte)
{
    const struct {
        std::string in, held, out;
    } cases[] = {
        { "a\r\nb", "a\nb", "a\r\nb" },
        { "a\rb\nc", "a\nb\nc", "a\r\nb\r\nc" },
        { "a\r\r\nb", "a\n\nb", "a\r\n\r\nb" },
        { "a\n\rb", "a\n\nb", "a\r\n\r\nb" },
        { "\r", "\n", "\r\n" },
        { "\f\r\n\f", "\f\n\f", "\f\r\n\f" },
        { "", "", "" },
    };
    for (const auto& c : cases) {
        TextStore store;
        store.Assign(c.in);
        EXPECT_EQ(std::string(store.Bytes(0, store.Length())), c.held) << c.in;
        EXPECT_EQ(store.CrLf(0, store.Length()), c.out) << c.in;
    }

    std::string all;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            all += static_cast<char>(b);
    }
    TextStore store;
    store.Assign(all);
    EXPECT_EQ(store.CrLf(0, store.Length()), all);
    EXPECT_EQ(store.LineCount(), 1);
}

TEST(TextStore, FindFoldsPolishLettersAndKeepsToTheRange)
{
    TextStore store;
    // "ĄĆĘŁŃÓŚŹŻ ąćęłńóśźż zażółć_x Zażółć" in Windows-1250.
    store.Assign("\xa5\xc6\xca\xa3\xd1\xd3\x8c\x8f\xaf \xb9\xe6\xea\xb3\xf1\xf3\x9c\x9f\xbf za\xbf\xf3\xb3\xe6_x "
                 "Za\xbf\xf3\xb3\xe6");
    const QString upper = QString::fromUtf8("ĄĆĘŁŃÓŚŹŻ");
    const QString lower = QString::fromUtf8("ąćęłńóśźż");
    const QString word = QString::fromUtf8("zażółć");
    const struct {
        const char* name;
        QString what;
        Pos from, to;
        bool matchCase, wholeWord;
        Pos expected;
    } cases[] = {
        { "upper finds lower", upper, 1, -1, false, false, 10 },
        { "lower finds upper", lower, 0, -1, false, false, 0 },
        { "match case", lower, 0, -1, true, false, 10 },
        { "match case upper", upper, 1, -1, true, false, -1 },
        { "part of a word", word, 0, -1, false, false, 20 },
        { "whole word skips zażółć_x", word, 0, -1, false, true, 29 },
        { "whole word at the end, match case", QString::fromUtf8("Zażółć"), 0, -1, true, true, 29 },
        { "match must end by `to`", word, 21, 34, false, false, -1 },
        { "match ending at `to`", word, 21, 35, false, false, 29 },
        { "from past the match", word, 30, -1, false, false, -1 },
        { "negative from", word, -1, -1, false, false, -1 },
        { "empty needle", QString(), 0, -1, false, false, -1 },
        { "character without a byte", QString::fromUtf8("ж"), 0, -1, false, false, -1 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(store.Find(c.what, c.from, c.to, { c.matchCase, c.wholeWord }), c.expected) << c.name;

    EXPECT_EQ(TextStore::FoldByte(0xA3), 0xB3); // Ł ł
    EXPECT_EQ(TextStore::FoldByte(0x8C), 0x9C); // Ś ś
    EXPECT_TRUE(TextStore::IsWordByte(0xBF)); // ż
    EXPECT_FALSE(TextStore::IsWordByte(0xA0)); // no-break space
}

TEST(TextStore, FindAcrossALongTextAndRepeatedPrefixes)
{
    TextStore store;
    std::string text(1 << 20, 'a');
    text += "aab";
    store.Assign(text);
    EXPECT_EQ(store.Find(QStringLiteral("AAB"), 0, -1, {}), static_cast<Pos>(text.size() - 3));
    EXPECT_EQ(store.Find(QStringLiteral("AAB"), 0, -1, { true, false }), -1);
    EXPECT_EQ(store.Find(QStringLiteral("b"), 0, -1, { false, true }), -1); // "aab" is one word
}
