// Equipment profiles, night colour schemes, derived optics, the guiding
// offset file and the start-up readers of the settings file.

#include "settings_store_fixture.h"

#include "app/controls/color_panel.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/night_colors.h"
#include "app/profiles.h"
#include "app/settings/guide_offset.h"
#include "app/systeme.h"
#include "capture/camera_slots.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_raquette.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"

#include <QTabWidget>

using namespace Settings;

TEST_F(SettingsStore, ProfilesAreListedByExactPrefixAndLoadedWithTheirRules)
{
    writeSettings("[Optique.C8]\r\nFocale=999999\r\nBarlow=500\r\nReducteur=5\r\nBarlowChecked=1\r\n"
                  "[optique.minuscule]\r\nFocale=1\r\n[Optique.]\r\n[Monture.M]\r\nRayon_Az=999999\r\nFil_Az=2500\r\n"
                  "[Camera.Q]\r\nLarg_Pix=999999\r\nVestaModChecked=1\r\nRDB_RAWMode_3.Checked=1\r\n");
    EXPECT_EQ(Profiles::ListProfiles(QStringLiteral("Optique.")), (QStringList{"C8", ""}));
    EXPECT_EQ(Profiles::ListProfiles(QStringLiteral("Vitesse_Moteur.")), QStringList{"Defaut"});

    LoadOpticsProfile(QStringLiteral("C8"));
    EXPECT_EQ(FRM_Pref->TNI_Focale->Value(), 2000);     // 999999 stands for a missing key
    EXPECT_EQ(FRM_Pref->TNI_Barlow->Value(), 1.0L);     // raised to at least 1
    EXPECT_DOUBLE_EQ(static_cast<double>(FRM_Pref->TNI_Reducteur->Value()), 0.01);   // raised to at least 0.01
    EXPECT_TRUE(FRM_Pref->CKB_Barlow->isChecked());
    LoadMountProfile(QStringLiteral("M"));
    EXPECT_EQ(FRM_Pref->TNI_Rayon_Az->Value(), 15);
    EXPECT_EQ(FRM_Pref->TNI_Fil_Az->Value(), 2.5L);

    FRM_Alv->MNU_Cam1_PoseLongue->setEnabled(true);
    LoadCameraProfile(QStringLiteral("Q"));
    EXPECT_EQ(FRM_Pref->TNI_Larg_Pix->Value(), 7.4L);
    EXPECT_EQ(RawBayerMode, 3);
    EXPECT_FALSE(FRM_Alv->MNU_Cam1_PoseLongue->isEnabled());
    EXPECT_TRUE(FRM_Pref->PGC_Preferences->isTabVisible(FRM_Pref->PGC_Preferences->indexOf(FRM_Pref->TBS_Poselongue)));
    LoadCameraProfile(QStringLiteral("absent"));
    EXPECT_FALSE(FRM_Pref->CKB_VestaMod->isChecked());
    EXPECT_FALSE(FRM_Pref->PGC_Preferences->isTabVisible(FRM_Pref->PGC_Preferences->indexOf(FRM_Pref->TBS_Poselongue)));

    // Loading on its own recomputes the derived optics.
    FRM_Tool_Mesures->RDB_Preferences->setChecked(true);
    FRM_Pref->CKB_Barlow->setChecked(false);
    writeSettings("[Optique.F]\r\nFocale=8000000\r\n");
    LoadOpticsProfile(QStringLiteral("F"));
    EXPECT_EQ(EffectiveFocalLength, 800);
}

TEST_F(SettingsStore, ProfileSectionsAreWrittenExactlyAndErasedWhole)
{
    writeSettings("[Prefs]\r\nNom_Image=x\r\n[Optique.Autre]\r\nFocale=1\r\n");
    FRM_Pref->TNI_Focale->SetValue(2032);
    FRM_Pref->CKB_Barlow->setChecked(true);
    FRM_Pref->TNI_Barlow->SetValue(2.5L);
    FRM_Pref->CKB_Reducteur->setChecked(false);
    FRM_Pref->TNI_Reducteur->SetValue(0.63L);
    FRM_Pref->CKB_RenvoiCoude->setChecked(true);
    EXPECT_TRUE(SaveOpticsProfile(QStringLiteral("C8 f/10")) == false);   // a separator: refused
    EXPECT_TRUE(SaveOpticsProfile(QStringLiteral("C8 f10")));
    EXPECT_EQ(fileBytes(), QByteArray("[Prefs]\r\nNom_Image=x\r\n[Optique.Autre]\r\nFocale=1\r\n"
                                      "[Optique.C8 f10]\r\nFocale=20320000\r\nBarlowChecked=1\r\nBarlow=2500\r\n"
                                      "ReducteurChecked=0\r\nReducteur=630\r\nRenvoiCoudeChecked=1\r\n"));
    EXPECT_TRUE(EraseProfile(QStringLiteral("Optique.Autre")));
    EXPECT_FALSE(fileBytes().contains("Autre"));
}

TEST_F(SettingsStore, NamesThatWouldBreakTheFilesAreRefusedWithAMessage)
{
    writeSettings("[Prefs]\r\n");
    const QByteArray before = fileBytes();
    const QStringList bad = {"", "  ", " a", "a ", "..", "a/b", "a\\b", "a:b", "a[b", "a]b", "a=b", "a\nb", "a\tb"};
    for (const QString& name : bad) {
        boxes.clear();
        EXPECT_FALSE(SaveMountProfile(name)) << name.toStdString();
        EXPECT_FALSE(SaveNightColors(name)) << name.toStdString();
        EXPECT_EQ(boxes.shown.size(), 2u) << name.toStdString();
    }
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(NightColors::ListNightColorFiles(), QStringList());
    EXPECT_TRUE(Profiles::IsValidName(QStringLiteral("Lunette 80/600").replace(u'/', u'-')));
    EXPECT_TRUE(Profiles::IsValidName(QStringLiteral("Équatoriale n°2")));
}

TEST_F(SettingsStore, NightColourSchemesAreFoundWhateverTheirCase)
{
    dir.writeFile(QStringLiteral("nite_Rouge.ini"), "[NiteColor]\r\nPNL_Color_Scrollbar=4242\r\n");
    EXPECT_EQ(NightColors::ListNightColorFiles(), QStringList{"Rouge"});
    FRM_Pref->PNL_Color_Button_text->setColor(77);
    LoadNightColors(QStringLiteral("Rouge"));
    EXPECT_EQ(FRM_Pref->PNL_Color_Scrollbar->Color(), 4242);
    EXPECT_EQ(FRM_Pref->PNL_Color_Gray_text->Color(), 8421504);   // missing: the default
    EXPECT_EQ(FRM_Pref->PNL_Color_Button_text->Color(), 77);      // missing: kept

    FRM_Pref->PNL_Color_Scrollbar->setColor(128);
    EXPECT_TRUE(SaveNightColors(QStringLiteral("Rouge")));
    EXPECT_FALSE(dir.exists(QStringLiteral("Nite_Rouge.ini")));
    const QByteArray scheme = dir.readFile(QStringLiteral("nite_Rouge.ini"));
    EXPECT_TRUE(scheme.startsWith("[NiteColor]\r\nPNL_Color_Scrollbar=128\r\nPNL_Color_Background=0\r\n"));
    EXPECT_EQ(scheme.count("\r\n"), 30);
    EXPECT_TRUE(scheme.contains("PNL_Color_Hightlight_text=0\r\n"));
    EXPECT_TRUE(NightColors::EraseNightColors(QStringLiteral("ROUGE")));
    EXPECT_EQ(NightColors::ListNightColorFiles(), QStringList());
}

TEST_F(SettingsStore, DerivedOpticsAndFieldUnits)
{
    FRM_Tool_Mesures->RDB_Preferences->setChecked(true);
    FRM_Pref->TNI_Focale->SetValue(2000);
    FRM_Pref->CKB_Barlow->setChecked(false);
    FRM_Pref->CKB_Reducteur->setChecked(false);
    UpdateOpticsDerived();
    EXPECT_EQ(EffectiveFocalLength, 2000);
    EXPECT_EQ(FRM_Pref->TNI_Focale_Reelle->Value(), 2000);

    FRM_Tool_Mesures->TNI_Larg_Pix->SetValue(5.6L);
    FRM_Tool_Mesures->TNI_NbPix_X->SetValue(640);
    CameraSlots[1].width = 640;
    auto fieldFor = [](long double arcsec) {
        const long double sampling = FRM_Tool_Mesures->TNI_Echantillonnage->Value();
        FRM_Tool_Mesures->TNI_Lx->SetValue(arcsec / sampling * (1 + 1e-12L));
        FRM_Tool_Mesures->TNI_Ly->SetValue(0);
        SetAngleUnitCaptions(1);
        return std::pair(static_cast<double>(FRM_Tool_Mesures->TNI_ChampX->Value()),
                         FRM_Tool_Mesures->LBL_Unite_champ->text());
    };
    SetAngleUnitCaptions(1);
    EXPECT_NEAR(static_cast<double>(FRM_Tool_Mesures->TNI_Echantillonnage->Value()), 0.5775, 5e-5);
    EXPECT_NEAR(LastSampling, 0.5775, 5e-5);
    auto [seconds, secondsUnit] = fieldFor(119);
    EXPECT_NEAR(seconds, 119, 1e-6);
    EXPECT_EQ(secondsUnit, QStringLiteral("(Secondes)"));
    auto [minutes, minutesUnit] = fieldFor(7199);
    EXPECT_NEAR(minutes, 119.98333, 1e-4);
    EXPECT_EQ(minutesUnit, QStringLiteral("(Minutes)"));
    auto [degrees, degreesUnit] = fieldFor(7200);
    EXPECT_NEAR(degrees, 2, 1e-6);
    EXPECT_EQ(degreesUnit, QStringLiteral("(Degrés)"));

    // No width, or no focal length: the captions stay as they are.
    CameraSlots[1].width = 0;
    LastVideoWidth = 0;
    SetAngleUnitCaptions(1);
    EXPECT_EQ(FRM_Tool_Mesures->LBL_Unite_champ->text(), QStringLiteral("(Degrés)"));
    CameraSlots[1].width = 640;
    FRM_Pref->TNI_Focale->SetValue(0);
    EffectiveFocalLength = 0;
    const long double sampling = FRM_Tool_Mesures->TNI_Echantillonnage->Value();
    SetAngleUnitCaptions(1);
    EXPECT_EQ(FRM_Tool_Mesures->TNI_Echantillonnage->Value(), sampling);
}

TEST_F(SettingsStore, GuidingOffsetFile)
{
    dir.writeFile(QStringLiteral("off.txt"), "12,34\r\n// 1,2\r\n5,\r\nx,7\r\nsans virgule\n-3, 4\n");
    EXPECT_TRUE(Preferences::LoadGuideOffsetFile(QStringLiteral("off.txt")));
    ASSERT_EQ(GuideOffsetTable.count, 3);
    EXPECT_EQ(GuideOffsetTable.pairs[0].x, 12);
    EXPECT_EQ(GuideOffsetTable.pairs[0].y, 34);
    EXPECT_EQ(GuideOffsetTable.pairs[1].x, 0);
    EXPECT_EQ(GuideOffsetTable.pairs[1].y, 7);
    EXPECT_EQ(GuideOffsetTable.pairs[2].x, -3);

    // Lines beyond the table are left out, with a note.
    QByteArray many;
    for (int i = 0; i < 1300; ++i)
        many += QByteArray::number(i) + ",1\r\n";
    dir.writeFile(QStringLiteral("long.txt"), many);
    EXPECT_TRUE(Preferences::LoadGuideOffsetFile(QStringLiteral("long.txt")));
    EXPECT_EQ(GuideOffsetTable.count, 1280);
    EXPECT_EQ(GuideOffsetTable.pairs[1279].x, 1279);
    EXPECT_EQ(messageWindowText().count(QStringLiteral("long.txt")), 1);

    // No usable line, or no file: not loaded, the table kept; at start-up
    // the check box stays disabled.
    dir.writeFile(QStringLiteral("vide.txt"), "// rien\r\n1,\r\n");
    EXPECT_FALSE(Preferences::LoadGuideOffsetFile(QStringLiteral("vide.txt")));
    EXPECT_FALSE(Preferences::LoadGuideOffsetFile(QStringLiteral("absent.txt")));
    EXPECT_EQ(GuideOffsetTable.count, 1280);
    writeSettings("[Autoguide]\r\nAG_Fichier_Decalage=vide.txt\r\n");
    load();
    EXPECT_FALSE(FRM_Pref->CKB_Fichier_decalage->isEnabled());
    writeSettings("[Autoguide]\r\nAG_Fichier_Decalage=off.txt\r\n");
    load();
    EXPECT_TRUE(FRM_Pref->CKB_Fichier_decalage->isEnabled());
}

TEST_F(SettingsStore, StartupReadersOfFileTypeGotoModeAndWindowLayout)
{
    Systeme::SetScreenSizeProvider([] { return QSize(1024, 768); });
    writeSettings("[Prefs]\r\n[GOTO]\r\nGotoMode=2\r\n[Windows]\r\nFRM_Alv_Width=900\r\n");
    FRM_Raquette->RDB_Relatif->setEnabled(false);
    LoadMiscPrefs();
    // "BMP" names only the beginning of its entry.
    EXPECT_EQ(FRM_Tool_Images->CBX_TypeFichier->currentText(), QStringLiteral("BMP (24 bits RGB)"));
    EXPECT_TRUE(FRM_ObjectAction->RDB_Absolu->isChecked());   // relative mode is not possible
    EXPECT_TRUE(StartupPrefsLoaded);
    writeSettings("[Prefs]\r\nType_Fichier=inconnu\r\n[GOTO]\r\nGotoMode=2\r\n");
    FRM_Raquette->RDB_Relatif->setEnabled(true);
    LoadMiscPrefs();
    EXPECT_EQ(FRM_Tool_Images->CBX_TypeFichier->currentIndex(), 0);
    EXPECT_TRUE(FRM_Raquette->RDB_Relatif->isChecked());
    EXPECT_TRUE(FRM_ObjectAction->RDB_Relatif->isChecked());

    writeSettings("[Windows]\r\nFRM_Alv_Width=900\r\n");
    LoadWindowLayout();
    EXPECT_EQ(FRM_Alv->geometry().size(), QSize(900, 600));   // the written spelling is read too
    EXPECT_EQ(FRM_Alv->pos(), QPoint(112, 84));
    EXPECT_EQ(FRM_Message->size(), QSize(250, 350));
    EXPECT_EQ(FRM_Message->pos(), QPoint(387, 209));
    Systeme::SetScreenSizeProvider({});
}
