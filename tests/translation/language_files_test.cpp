#include "translation_fixture.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "platform/paths.h"
#include "translation/language.h"
#include "translation/language_file.h"
#include "translation/translated_texts.h"

#include <QDir>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>

namespace {

Translation::LanguageFile parsed(const QByteArray& bytes, const char* section = "English")
{
    Translation::LanguageFile f;
    f.parse(bytes, QString::fromLatin1(section));
    return f;
}

} // namespace

TEST_F(LanguageFiles, ReadingFollowsTheProfileFileRules)
{
    const QByteArray longValue(10000, 'a');
    const auto f = parsed("junk line\r\n[other]\r\nA=other\r\n"
                          "  [ ENGLISH ]  \r\n"
                          "  Key One  =  spaced value  \r\n"
                          "QUOTED=\"  inner  \"\r\n"
                          "Half=\"open\r\n"
                          "Empty=\r\n"
                          "no equals sign\r\n"
                          "Long=" + longValue + "\r\n"
                          "key one=second\r\n"
                          "Cr=one\rAfterCr=two\nAfterLf=three\r\n"
                          "[english]\r\nLater=x\r\n");
    EXPECT_TRUE(f.hasSection());
    EXPECT_EQ(f.read(u"key one", QStringLiteral("d")), QStringLiteral("spaced value"));
    EXPECT_EQ(f.read(u"quoted", QStringLiteral("d")), QStringLiteral("  inner  "));
    EXPECT_EQ(f.read(u"Half", QStringLiteral("d")), QStringLiteral("\"open"));
    EXPECT_EQ(f.read(u"Empty", QStringLiteral("d")), QString());
    EXPECT_EQ(f.read(u"Long", QStringLiteral("d")).size(), 2047);
    EXPECT_EQ(f.read(u"AfterCr", QStringLiteral("d")), QStringLiteral("two"));
    EXPECT_EQ(f.read(u"AfterLf", QStringLiteral("d")), QStringLiteral("three"));
    EXPECT_EQ(f.read(u"A", QStringLiteral("d")), QStringLiteral("d"));       // another section
    EXPECT_EQ(f.read(u"Later", QStringLiteral("d")), QStringLiteral("d"));   // the first section only
    EXPECT_EQ(f.read(u"no equals sign", QStringLiteral("d")), QStringLiteral("d"));

    // Bytes the code page leaves undefined, a BOM, a missing section.
    Translation::LanguageFile cp = parsed("[English]\r\nT=\x98\xC0\r\n");
    cp.setCodePage(1251);
    EXPECT_EQ(cp.read(u"T", {}), QString(QChar(0x98)) + QChar(0x0410));
    EXPECT_EQ(parsed("\xEF\xBB\xBF[English]\r\nT=\xC3\xA9t\xC3\xA9\r\n").read(u"T", {}), QStringLiteral("été"));
    EXPECT_FALSE(parsed("[Deutsch]\r\nT=x\r\n").hasSection());
    EXPECT_EQ(parsed({}).keyCount(), 0);
    // A 10 MB file of junk around the section still reads its keys.
    QByteArray big = "[English]\r\n" + QByteArray(10 << 20, 'j') + "\r\nK=v\r\n";
    EXPECT_EQ(parsed(big).read(u"K", {}), QStringLiteral("v"));

    // A folder or a missing file reads as no file.
    const QString tmp = QDir::tempPath();
    EXPECT_EQ(Translation::LanguageFile(tmp, QStringLiteral("x")).keyCount(), 0);
    EXPECT_EQ(Translation::LanguageFile(tmp + QStringLiteral("/nj-no-such-file.ini"), QStringLiteral("x")).keyCount(), 0);
}

TEST_F(LanguageFiles, AreListedAndTheSavedChoiceNamesTheFile)
{
    dir.writeFile(QStringLiteral("lang_English.ini"), "[English]\r\nMSG_OK=Okay\r\n");
    dir.writeFile(QStringLiteral("Lang_Deutsch.ini"), "[Deutsch]\r\n");
    dir.writeFile(QStringLiteral("Lang_.ini"), "");
    dir.writeFile(QStringLiteral("Lang_x.ini/inside"), "");   // a folder matching the pattern
    dir.writeFile(QStringLiteral("Other.ini"), "");
    EXPECT_EQ(Settings::ListLanguageFiles(),
              QStringList({QString(), QStringLiteral("Deutsch"), QStringLiteral("English")}));

    const auto choose = [&](const QByteArray& settings) {
        dir.writeFile(Settings::kSettingsFileName, settings);
        SettingsFilePath = dir.filePath(Settings::kSettingsFileName);
        Settings::LoadLanguageChoice();
        return FRM_Pref->CBX_Langue->currentText();
    };
    EXPECT_EQ(choose("[Prefs]\r\n"), QString());   // index 0: the empty name
    EXPECT_EQ(FRM_Pref->CBX_Langue->count(), 3);
    EXPECT_EQ(choose("[Prefs]\r\nLangue=2\r\n"), QStringLiteral("English"));
    EXPECT_EQ(LanguageFilePath, dir.filePath(QStringLiteral("Lang_English.ini")));
    // The name listed opens that very file, whatever the case of its name.
    EXPECT_EQ(Translation::ResolveLanguageFile(LanguageFilePath), dir.filePath(QStringLiteral("lang_English.ini")));
    Settings::ApplyTranslation();
    EXPECT_EQ(TranslatedTexts.MSG_OK, QStringLiteral("Okay"));

    for (const QByteArray& saved : {QByteArray("-5"), QByteArray("999"), QByteArray("abc")}) {
        EXPECT_EQ(choose("[Prefs]\r\nLangue=" + saved + "\r\n"), QString()) << saved.constData();
        EXPECT_EQ(FRM_Pref->CBX_Langue->currentIndex(), saved == "abc" ? 0 : -1);
    }

    // A file removed between the listing and the pass: French, no message.
    choose("[Prefs]\r\nLangue=2\r\n");
    QFile::remove(dir.filePath(QStringLiteral("lang_English.ini")));
    Settings::ApplyTranslation();
    EXPECT_EQ(TranslatedTexts.MSG_OK, QStringLiteral("OK"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LanguageFiles, ShippedEnglishAtStartAndFrenchPickedInThePreferences)
{
    dir.copyShipped({"Lang_English.ini", "Lang_Francais.ini"});
    // The first activation: settings, language choice ("English" saved), pass.
    dir.writeFile(Settings::kSettingsFileName, "[Prefs]\r\nLangue=0\r\n");
    FRM_Alv->FormActivate();
    EXPECT_EQ(FRM_Pref->CBX_Langue->currentText(), QStringLiteral("English"));
    auto* file = FRM_Alv->findChild<QMenu*>(QStringLiteral("MNU_Fichier"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->title(), QStringLiteral("&File"));
    EXPECT_EQ(TranslatedTexts.MSG_Script_not_found, QStringLiteral("Script not found"));
    EXPECT_EQ(TranslatedTexts.Txt_OUI, QStringLiteral("YES"));
    // Qt's own buttons and dialogs speak the same language.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));

    // Picking French in the open Preferences changes the texts at once; the
    // choice reaches the settings file only when the settings are saved.
    FRM_Pref->CBX_Langue->setCurrentIndex(1);
    FRM_Pref->CBX_LangueChange();
    EXPECT_EQ(file->title(), QStringLiteral("&Fichier"));
    EXPECT_EQ(TranslatedTexts.Txt_OUI, QStringLiteral("OUI"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"))
        << "Qt's translations are installed by scripts/install-deps.sh";
    EXPECT_TRUE(dir.readFile(Settings::kSettingsFileName).contains("Langue=0"));
    // And back to English.
    FRM_Pref->CBX_Langue->setCurrentIndex(0);
    FRM_Pref->CBX_LangueChange();
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

TEST_F(LanguageFiles, FreshProgramDirectoryStartsInFrench)
{
    dir.copyShipped({"Lang_English.ini", "Lang_Francais.ini", "nightjarpro.one"});
    FRM_Alv->FormActivate();
    EXPECT_EQ(FRM_Pref->CBX_Langue->currentText(), QStringLiteral("Francais"));
    EXPECT_EQ(FRM_Alv->findChild<QMenu*>(QStringLiteral("MNU_Fichier"))->title(), QStringLiteral("&Fichier"));
    EXPECT_EQ(TranslatedTexts.Txt_OUI, QStringLiteral("OUI"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"));
}

// A language file written before the labels had their own names keys them
// by window and generated name: it loads without a word, its old keys
// change nothing, and the keys of the table reach the labels by their names.
TEST_F(LanguageFiles, OldKeysLoadQuietlyAndTheTableKeysReachTheNamedLabels)
{
    auto text = [](const char* name) {
        auto* l = FRM_Pref->findChild<QLabel*>(QString::fromLatin1(name));
        return l ? l->text() : QStringLiteral("<none>");
    };
    useNoLanguage();
    const QString french = text("LBL_BitmapDir");
    useLanguage(QStringLiteral("Ancien"),
                "FRM_Pref.lbl_6.Caption=Pictures:\r\n"
                "FRM_Pref.lbl_265.Caption=Hot tracking\r\n"
                "FRM_Input.BTN_Annuler.Caption=Cancel\r\n");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(text("LBL_BitmapDir"), french);
    EXPECT_EQ(FRM_Pref->findChild<QLabel*>(QStringLiteral("lbl_6")), nullptr);

    useLanguage(QStringLiteral("Nouveau"),
                "LBL_BitmapDir.Caption=Pictures\r\n"
                "LBL_Hottracking_color.Caption=Hot tracking\r\n"
                "LBL_ASCOM_Telescope.Caption=Telescope\r\n");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(text("LBL_BitmapDir"), QStringLiteral("Pictures"));
    EXPECT_EQ(text("LBL_Hottracking_color"), QStringLiteral("Hot tracking"));
    EXPECT_EQ(text("LBL_ASCOM_Telescope"), QStringLiteral("Telescope"));
}
