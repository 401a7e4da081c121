#include "app/helpers/str_helpers.h"

#include <gtest/gtest.h>

using namespace StrHelpers;

TEST(StrHelpers, FieldsSplitOutsideQuotesAndKeepTheQuotes)
{
    const QString s = QStringLiteral("a,\"b,c\",d");
    EXPECT_EQ(CountFields(s, u','), 3);
    EXPECT_EQ(ExtractField(s, u',', 0), "a");
    EXPECT_EQ(ExtractField(s, u',', 2), "\"b,c\"");
    EXPECT_EQ(ExtractField(s, u',', 3), "d");
    EXPECT_EQ(ExtractField(s, u',', 4), "");
    EXPECT_EQ(ExtractFieldStr(s, 2, QStringLiteral(",")), "\"b,c\"");
    EXPECT_EQ(ExtractFieldStr(s, 1, QString()), s);

    EXPECT_EQ(CountFields(QStringLiteral("a,b,"), u','), 2);
    EXPECT_EQ(CountFields(QString(), u','), 0);
    EXPECT_EQ(CountFields(QStringLiteral(",,"), u','), 2);
    EXPECT_EQ(ExtractField(QStringLiteral("a,,c"), u',', 2), "");
    EXPECT_EQ(ExtractField(QStringLiteral("a,,c"), u',', 3), "c");
}

TEST(StrHelpers, CommandWordAndParenArgsOfScriptLines)
{
    EXPECT_EQ(ExtractCommandWord(QStringLiteral("  goto.origin(5h,22d)")), "goto.origin");
    EXPECT_EQ(ExtractCommandWord(QStringLiteral("//x")), "//");
    EXPECT_EQ(ExtractCommandWord(QStringLiteral("a/b/c")), "a/b/");
    EXPECT_EQ(ExtractCommandWord(QStringLiteral(":lbl")), ":");
    EXPECT_EQ(ExtractCommandWord(QStringLiteral("lbl:")), "lbl");
    EXPECT_EQ(ExtractCommandWord(QStringLiteral("x:=1")), "x");

    EXPECT_EQ(ExtractParenArgs(QStringLiteral("print(\"a)b\",2) rest")), "\"a)b\",2");
    EXPECT_EQ(ExtractParenArgs(QStringLiteral("f(1,2")), "1,2");
    EXPECT_EQ(ExtractParenArgs(QStringLiteral("f()")), "");
    EXPECT_EQ(ExtractParenArgs(QStringLiteral("no args")), "");
}

TEST(StrHelpers, NumbersNeedADigitAndClassTestsRefuseEmptyText)
{
    for (const char* yes : {"-12.5", "007", ".5"})
        EXPECT_TRUE(IsNumber(QString::fromLatin1(yes))) << yes;
    for (const char* no : {"", "-", ".", "1.2.3", "1-2", "1,5"})
        EXPECT_FALSE(IsNumber(QString::fromLatin1(no))) << no;
    EXPECT_TRUE(IsDigitChar(QStringLiteral(".5")));
    EXPECT_FALSE(IsLetterChar(QStringLiteral("é")));
    EXPECT_FALSE(IsDigitChar(QString()) || IsLetterChar(QString()) || IsArithOperator(QString())
                 || IsComparisonChar(QString()));
}

TEST(StrHelpers, EditingHelpers)
{
    EXPECT_EQ(CollapseSpaces(QStringLiteral("  alpha   cen  ")), " alpha cen ");
    EXPECT_EQ(RemoveFileExt(QStringLiteral("M31.FIT")), "M31");
    EXPECT_EQ(RemoveFileExt(QStringLiteral("img.v2/frame")), "img.v2/frame");
    EXPECT_EQ(RemoveFileExt(QStringLiteral("C:\\a.b\\c.d.avi")), "C:\\a.b\\c.d");
    EXPECT_EQ(PadLeft(QStringLiteral("42"), u'0', 4), "0042");
    EXPECT_EQ(PadLeft(QStringLiteral("12345"), u'0', 4), "12345");
}

TEST(StrHelpersJoinPath, OneSeparatorAndRootsKept)
{
    EXPECT_EQ(StrHelpers::JoinPath(QStringLiteral("/"), QStringLiteral("\\x")), QStringLiteral("/x"));
    EXPECT_EQ(StrHelpers::JoinPath(QStringLiteral("/dir"), QStringLiteral("\\x")), QStringLiteral("/dir/x"));
    EXPECT_EQ(StrHelpers::JoinPath(QStringLiteral("/dir/"), QStringLiteral("x")), QStringLiteral("/dir/x"));
}
