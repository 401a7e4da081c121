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
