#include "platform/codepage.h"

#include <gtest/gtest.h>

TEST(Cp1252, RoundTripsAccentsDegreeAndEuro)
{
    const QByteArray bytes("\xE9t\xE9 25\xB0 \x80 \x9C", 11);
    const QString text = platform::fromCp1252(bytes);
    EXPECT_EQ(text, QString::fromUtf8("été 25° € œ"));
    EXPECT_EQ(platform::toCp1252(text), bytes);
    EXPECT_EQ(platform::toCp1252(QString::fromUtf8("α")), QByteArray("?"));
}

TEST(CodePages, GoldenBytesOfTheLanguageFilePages)
{
    using platform::decodeCodePage;
    using platform::encodeCodePage;
    const QByteArray russian("\xCF\xF0\xE8\xE2\xE5\xF2");   // cp1251
    const QByteArray polish("\xA3\xF3\x64\x9F");            // cp1250
    const QByteArray greek("\xD9\xEC\xE5\xE3\xE1");         // cp1253
    const QByteArray japanese("\x93\xFA\x96\x7B");          // cp932
    bool ok = false;
    EXPECT_EQ(decodeCodePage(1251, russian, &ok), QString::fromUtf8("Привет"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(decodeCodePage(1250, polish), QString::fromUtf8("Łódź"));
    EXPECT_EQ(decodeCodePage(1253, greek), QString::fromUtf8("Ωμεγα"));
    EXPECT_EQ(decodeCodePage(932, japanese), QString::fromUtf8("日本"));
    EXPECT_EQ(encodeCodePage(1251, QString::fromUtf8("Привет")), russian);
    EXPECT_EQ(encodeCodePage(1250, QString::fromUtf8("Łódź")), polish);
    EXPECT_EQ(encodeCodePage(932, QString::fromUtf8("日本")), japanese);

    // What a page cannot hold: "?" on writing; an undefined byte of a 125x
    // page reads as the control of the same value, a broken double byte as U+FFFD.
    EXPECT_EQ(encodeCodePage(1251, QString::fromUtf8("Я€α😀")), QByteArray("\xDF\x88??", 4));
    EXPECT_EQ(decodeCodePage(1251, QByteArray("a\x98z")), QString::fromUtf8("a\u0098z"));
    EXPECT_EQ(decodeCodePage(932, QByteArray("a\x93")), QString::fromUtf8("a\uFFFD"));

    // An unknown page is CP1252, and says so.
    EXPECT_EQ(decodeCodePage(4711, QByteArray("\xE9"), &ok), QString::fromUtf8("é"));
    EXPECT_FALSE(ok);
    EXPECT_EQ(encodeCodePage(4711, QString::fromUtf8("é"), &ok), QByteArray("\xE9"));
    EXPECT_FALSE(ok);
    for (int cp : {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258})
        EXPECT_TRUE(platform::isCodePageSupported(cp)) << cp;
    EXPECT_FALSE(platform::isCodePageSupported(437));
}
