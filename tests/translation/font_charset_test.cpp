#include "translation_fixture.h"

#include "app/frm_alv.h"
#include "app/settings/key_engine.h"
#include "capture/frm_pilote.h"
#include "platform/codepage.h"
#include "translation/language.h"
#include "translation/language_file.h"
#include "translation/translation_table.h"

#include <QMenu>

namespace {

int windowCharset(const char* name)
{
    QWidget* w = Settings::FindWindow(QString::fromLatin1(name));
    return w ? w->property("fontCharset").toInt() : -999;
}

} // namespace

TEST_F(FontCharset, CharsetValuesConvertAsTheFileFormatSays)
{
    using Translation::parseCharset;
    EXPECT_EQ(parseCharset(QStringLiteral("1:Default charset")), 1);
    EXPECT_EQ(parseCharset(QStringLiteral("204;Cyrillique")), 204);
    EXPECT_EQ(parseCharset(QStringLiteral("  204;x")), 204);
    EXPECT_EQ(parseCharset(QStringLiteral("204 ;x")), 1);
    EXPECT_EQ(parseCharset(QStringLiteral("\"204;x\"")), 1);
    EXPECT_EQ(parseCharset(QStringLiteral("$CC")), 204);
    EXPECT_EQ(parseCharset(QStringLiteral("xCC")), 204);
    EXPECT_EQ(parseCharset(QStringLiteral("0xCC")), 204);
    EXPECT_EQ(parseCharset(QStringLiteral("300")), 300);
    EXPECT_EQ(parseCharset(QStringLiteral("-1")), -1);
    EXPECT_EQ(parseCharset(QStringLiteral("abc")), 1);
    EXPECT_EQ(parseCharset(QStringLiteral("99999999999")), 1);
    EXPECT_EQ(parseCharset(QStringLiteral("$")), 1);
    EXPECT_EQ(parseCharset(QString()), 1);
    EXPECT_EQ(Translation::codePageOfCharset(204), 1251);
    EXPECT_EQ(Translation::codePageOfCharset(300), 1252);  // 44
    EXPECT_EQ(Translation::codePageOfCharset(238), 1250);
}

TEST_F(FontCharset, OfTheLanguageReachesEveryWindowAndTheDriverDialog)
{
    useNoLanguage();
    for (const char* name : Translation::CharsetWindows()) {
        if (Settings::FindWindow(QString::fromLatin1(name))) {
            EXPECT_EQ(windowCharset(name), 1) << name;
        }
    }

    // A Cyrillic file: its 8-bit texts are read in code page 1251.
    const QString cyrillic = QStringLiteral("&Файл");
    useLanguage(QStringLiteral("Russe"),
                "Charset=204;Cyrillique\r\nMNU_Fichier.Caption=" + platform::encodeCodePage(1251, cyrillic) + "\r\n");
    EXPECT_EQ(::FontCharset, 204);
    EXPECT_EQ(windowCharset("FRM_Alv"), 204);
    EXPECT_EQ(windowCharset("FRM_Sky"), 204);
    EXPECT_EQ(FRM_Alv->findChild<QMenu*>(QStringLiteral("MNU_Fichier"))->title(), cyrillic);
    TFRM_Pilote pilote;
    EXPECT_EQ(pilote.property("fontCharset").toInt(), 204);

    useLanguage(QStringLiteral("Grand"), "Charset=300\r\n");
    EXPECT_EQ(::FontCharset, 300);
    EXPECT_EQ(windowCharset("FRM_Pref"), 44);

    useLanguage(QStringLiteral("Zero"), "Charset=0;ANSI\r\n");
    EXPECT_EQ(::FontCharset, 0);
    EXPECT_EQ(windowCharset("FRM_Alv"), 0);
    EXPECT_EQ(FRM_Alv->findChild<QMenu*>(QStringLiteral("MNU_Fichier"))->title(), QStringLiteral("&Fichier"));
}
