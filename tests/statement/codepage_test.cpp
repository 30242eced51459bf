// The Windows-1250 codec: every byte both ways, broken input under each policy, and the
// system text that enters error messages.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "statement/codepage.h"
#include "statement/errortext.h"

namespace cp = zest::cp1250;

TEST(CodePage, EveryByteComesBackThroughUtf8AndUtf16)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(cp::FromUtf8(cp::ToUtf8(all), cp::Refuse), all);
    const std::u16string units = cp::ToUtf16(all);
    ASSERT_EQ(units.size(), 256u);
    EXPECT_EQ(cp::FromUtf16(units, cp::Refuse), all);
    EXPECT_EQ(cp::ToUtf8("Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1 \x80"), "Zażółć gęślą jaźń €");
}

struct Broken {
    const char* Name;
    std::string Utf8;
    std::string Substituted;
};

TEST(CodePage, BrokenOrForeignUtf8IsSubstitutedOnceOrRefused)
{
    const Broken cases[] = {
        { "outside the code page", "a\xCE\xA9z", "a?z" }, // Ω
        { "four bytes", "a\xF0\x9F\x98\x80z", "a?z" },
        { "cut short at the end", "a\xC5", "a?" },
        { "cut short inside", "a\xE2\x82z", "a?z" },
        { "stray continuation", "a\x80\x80z", "a??z" },
        { "overlong", "\xC0\xAF\xE0\x80\xAF", "?????" },
        { "encoded surrogate", "\xED\xA0\x80", "???" },
        { "above U+10FFFF", "\xF4\x90\x80\x80", "????" },
    };
    for (const Broken& c : cases) {
        EXPECT_EQ(cp::FromUtf8(c.Utf8, cp::Substitute), c.Substituted) << c.Name;
        EXPECT_FALSE(cp::FromUtf8(c.Utf8, cp::Refuse)) << c.Name;
    }
}

TEST(CodePage, SurrogatesCountAsOneCharacterAndAloneAreBroken)
{
    const std::u16string pair = u"a\U0001F600b";
    EXPECT_EQ(cp::FromUtf16(pair, cp::Substitute), "a?b");
    std::u16string half = u"ab";
    half += char16_t(0xD83D); // half a character at the end, as a broken paste leaves it
    EXPECT_EQ(cp::FromUtf16(half, cp::Substitute), "ab?");
    EXPECT_FALSE(cp::FromUtf16(half, cp::Refuse));
    const std::u16string low = { u'a', char16_t(0xDE00), u'b' };
    EXPECT_EQ(cp::FromUtf16(low, cp::Substitute), "a?b");
}

// File names and system messages enter error texts in the program's code page.
TEST(ErrorTextRule, PathsAndSystemMessagesAreWindows1250)
{
    EXPECT_EQ(zest::PathText("/tmp/za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87/x"), "/tmp/za\xBF\xF3\xB3\xE6/x");
    EXPECT_EQ(zest::PathText("/tmp/\xFF"), "/tmp/?");
    EXPECT_EQ(zest::SystemText(ENOENT), cp::FromUtf8(std::strerror(ENOENT), cp::Substitute));
}
