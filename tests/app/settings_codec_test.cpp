// Encoding of settings values: scaled integers, stored numbers, folders.

#include "app/controls/num_inp.h"
#include "app/settings/key_codec.h"

#include <gtest/gtest.h>

using namespace Settings;

TEST(SettingsCodec, StoredIntegersSurviveTenSaveAndLoadCycles)
{
    // A value read back from its stored integer is stored as that integer
    // again, however often the settings are saved (truncation alone loses
    // one unit for some of them, and the setting drifts down at each save).
    for (std::int64_t n = 1; n <= 200'000; ++n) {
        std::int64_t stored = n;
        for (int cycle = 0; cycle < 10; ++cycle)
            stored = ScaledToStored(StoredToScaled(stored, 1000), 1000, Rounding::Trunc);
        if (stored != n) {
            ADD_FAILURE() << n << " became " << stored;
            break;
        }
    }
    // The same through a numeric input, as loading and saving do.
    TNumInp input;
    std::int64_t stored = 2;
    for (int cycle = 0; cycle < 10; ++cycle) {
        input.SetValue(StoredToScaled(stored, 1000));
        stored = ScaledToStored(input.Value(), 1000, Rounding::Trunc);
    }
    EXPECT_EQ(stored, 2);
}

TEST(SettingsCodec, TruncationAndRoundingOfRealValues)
{
    // Only products within 1e-9 of an integer snap; others truncate toward zero.
    EXPECT_EQ(ScaledToStored(0.0029L, 1000, Rounding::Trunc), 2);
    EXPECT_EQ(ScaledToStored(-0.0029L, 1000, Rounding::Trunc), -2);
    EXPECT_EQ(ScaledToStored(1.9999L, 1, Rounding::Trunc), 1);
    EXPECT_EQ(ScaledToStored(1.99999999999999L, 1, Rounding::Trunc), 2);
    EXPECT_EQ(ScaledToStored(0.63L, 1000, Rounding::Trunc), 630);
    // Round: to nearest, halves to even.
    EXPECT_EQ(ScaledToStored(0.8L, 1000, Rounding::Round), 800);
    EXPECT_EQ(ScaledToStored(2.5L, 1, Rounding::Round), 2);
    EXPECT_EQ(ScaledToStored(3.5L, 1, Rounding::Round), 4);
    EXPECT_EQ(ScaledToStored(-2.5L, 1, Rounding::Round), -2);
    // Beyond 64 bits: clamped, never undefined.
    EXPECT_EQ(ScaledToStored(1e30L, 1000, Rounding::Trunc), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(ScaledToStored(-1e30L, 1000, Rounding::Round), std::numeric_limits<std::int64_t>::min());
}

TEST(SettingsCodec, StoredNumbersAndFolders)
{
    EXPECT_EQ(ParseStoredInteger(QStringLiteral(" -42 ")), -42);
    EXPECT_EQ(ParseStoredInteger(QStringLiteral("$FF")), 255);
    EXPECT_EQ(ParseStoredInteger(QStringLiteral("0x10")), 16);
    EXPECT_EQ(ParseStoredInteger(QStringLiteral("$FFFFFFFF")), -1);
    EXPECT_EQ(ParseStoredInteger(QStringLiteral("9223372036854775807")), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(ParseStoredInteger(QStringLiteral("-9223372036854775808")), std::numeric_limits<std::int64_t>::min());
    for (const char* bad : {"", "abc", "12.5", "1e3", "--1", "$", "99999999999999999999", "$1FFFFFFFF"})
        EXPECT_FALSE(ParseStoredInteger(QString::fromLatin1(bad))) << bad;

    EXPECT_EQ(NormaliseFolder(QStringLiteral("C:\\Images")), QStringLiteral("C:\\Images\\"));
    EXPECT_EQ(NormaliseFolder(QStringLiteral("/home/me/img//")), QStringLiteral("/home/me/img/"));
    EXPECT_EQ(NormaliseFolder(QStringLiteral("Scripts\\")), QStringLiteral("Scripts\\"));
    EXPECT_EQ(NormaliseFolder(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(NormaliseFolder(QString()), QString());
}
