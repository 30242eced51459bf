#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "widgets/wintext.h"

using zest::cp1250::Refuse;
using zest::cp1250::Substitute;
using zest::ui::FromWin1250;
using zest::ui::ToWin1250;

namespace
{

// The five bytes that Windows-1250 leaves without a character.
bool Unassigned(int byte)
{
    return byte == 0x81 || byte == 0x83 || byte == 0x88 || byte == 0x90 || byte == 0x98;
}

} // namespace

TEST(Win1250, EveryAssignedByteComesBackAsItWent)
{
    for (int b = 1; b < 256; ++b) {
        if (Unassigned(b))
            continue;
        const std::string in(1, static_cast<char>(b));
        const QString text = FromWin1250(in);
        ASSERT_EQ(text.size(), 1) << "byte " << b;
        EXPECT_EQ(ToWin1250(text, Refuse), in) << "byte " << b;
    }
    EXPECT_EQ(FromWin1250("\xA3\xF3"
                          "d\x9F"),
        QString::fromUtf8("Łódź"));
    EXPECT_EQ(
        ToWin1250(QString::fromUtf8("Zażółć gęślą jaźń"), Substitute), "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1");
}

TEST(Win1250, WhatTheCodePageLacksBecomesOneSubstituteAndNothingIsDropped)
{
    // A character outside the code page, and half a character at the end (a lone high
    // surrogate, as a broken paste leaves it): each becomes one substitute byte, so the
    // text keeps its length and what follows it.
    EXPECT_EQ(ToWin1250(QString::fromUtf8("a€b漢c"), Substitute),
        "a\x80"
        "b?c");
    EXPECT_FALSE(ToWin1250(QString::fromUtf8("a€b漢c"), Refuse));

    QString half = QStringLiteral("ab");
    half.append(QChar(0xD83D));
    EXPECT_EQ(ToWin1250(half, Substitute), "ab?");
    EXPECT_FALSE(ToWin1250(half, Refuse));
}
