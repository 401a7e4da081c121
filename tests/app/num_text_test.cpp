#include "app/helpers/num_text.h"

#include <gtest/gtest.h>

using namespace NumText;

TEST(NumText, HexAndBinaryTexts)
{
    EXPECT_EQ(HexToInt(QStringLiteral("$0378")), 0x378u);
    EXPECT_EQ(HexToInt(QStringLiteral("3bc")), 0x3BCu);
    EXPECT_EQ(HexToInt(QStringLiteral(" $278 ")), 0x278u);
    EXPECT_EQ(HexToInt(QStringLiteral("$FFFFFFFFFFFFFFFF")), 0xFFFFFFFFFFFFFFFFu);
    EXPECT_FALSE(HexToInt(QString()));
    EXPECT_FALSE(HexToInt(QStringLiteral("$")));
    EXPECT_FALSE(HexToInt(QStringLiteral("$03G8")));
    EXPECT_FALSE(HexToInt(QStringLiteral("$10000000000000000")));

    EXPECT_EQ(IntToBin(5), "00000101");
    EXPECT_EQ(IntToBin(0x1FF), "111111111");
    EXPECT_EQ(BinToInt(QStringLiteral("00000101")), 5u);
    EXPECT_FALSE(BinToInt(QStringLiteral("102")));
    EXPECT_FALSE(BinToInt(QString()));

    EXPECT_EQ(IntPower(2, 0), 1u);
    EXPECT_EQ(IntPower(10, 3), 1000u);
}
