// Equipment profiles, night colour schemes, derived optics, the guiding
// offset file and the start-up readers of the settings file.

#include "settings_store_fixture.h"

#include "app/controls/color_panel.h"
#include "app/controls/num_inp.h"
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

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

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

namespace {

// Every profile section of the settings file, key by key.
QMap<QString, QMap<QString, QString>> profileSections(const platform::IniDocument& ini)
{
    QMap<QString, QMap<QString, QString>> sections;
    for (const QString& section : ini.readSections()) {
        if (!section.startsWith(QStringLiteral("Optique.")) && !section.startsWith(QStringLiteral("Monture."))
            && !section.startsWith(QStringLiteral("Vitesse_Moteur.")) && !section.startsWith(QStringLiteral("Camera.")))
            continue;
        for (const QString& key : ini.readSection(section))
            sections[section][key] = ini.readString(section, key, {});
    }
    return sections;
}

// One notch of the mouse wheel over the closed list, which has the keyboard
// (a list without it leaves the wheel to the page): up (+1) or down (-1).
void wheel(QComboBox* list, int notches)
{
    QApplication::setActiveWindow(list->window());
    list->setFocus();
    const QPointF at(list->width() / 2.0, list->height() / 2.0);
    QWheelEvent e(at, list->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(list, &e);
}

void key(QComboBox* list, Qt::Key k)
{
    list->setFocus();
    QTest::keyClick(list, k);
}

} // namespace

// The wheel and the arrow keys over a closed profile list step to another
// name; the profile of that name loads, so that saving (OK, leaving an
// input, closing the program) writes each profile back as it was and only
// the one the user edited changes. The same holds for the speed lists of
// the hand pad and of the goto dialog.
TEST_F(SettingsStore, SteppingThroughClosedProfileListsLoadsEachProfileAndSavingChangesOnlyTheEditedOne)
{
    writeSettings("[Prefs]\r\nOptique_Courante=Lunette\r\nMonture_Courante=EQ6\r\n"
                  "Vitesse_Moteur_Courante=Rapide\r\nCamera_Courante=Toucam\r\n"
                  "[Optique.Lunette]\r\nFocale=5000000\r\n[Optique.Newton]\r\nFocale=12000000\r\n"
                  "[Monture.EQ6]\r\nRayon_Az=20\r\n[Monture.HEQ5]\r\nRayon_Az=30\r\n"
                  "[Vitesse_Moteur.Lent]\r\nAG_Vitesse_Est=5000\r\n[Vitesse_Moteur.Rapide]\r\nAG_Vitesse_Est=30000\r\n"
                  "[Camera.Toucam]\r\nLarg_Pix=5600\r\n[Camera.Vesta]\r\nLarg_Pix=9000\r\n");
    // Every key of every profile written once, then the current ones back.
    for (const auto& [kind, names] : {std::pair{Profiles::Kind::Optics, QStringList{"Lunette", "Newton"}},
                                      std::pair{Profiles::Kind::Mount, QStringList{"EQ6", "HEQ5"}},
                                      std::pair{Profiles::Kind::MotorSpeeds, QStringList{"Lent", "Rapide"}},
                                      std::pair{Profiles::Kind::Camera, QStringList{"Toucam", "Vesta"}}})
        for (const QString& name : names) {
            Profiles::LoadProfile(kind, name);
            ASSERT_TRUE(Profiles::SaveProfile(kind, name));
        }
    load();
    const auto before = profileSections(file());
    ASSERT_EQ(before.size(), 8);

    TFRM_Pref& p = *FRM_Pref;
    p.show();
    const auto focal = [&] { return double(p.TNI_Focale->Value()); };
    const auto radius = [&] { return double(p.TNI_Rayon_Az->Value()); };
    const auto east = [&] { return double(p.TNI_Vitesse_Est->Value()); };
    const auto pixel = [&] { return double(p.TNI_Larg_Pix->Value()); };

    p.PGC_Preferences->setCurrentWidget(p.TBS_Optique);
    ASSERT_EQ(focal(), 500);
    wheel(p.CBX_Optique, -1);
    EXPECT_EQ(p.CBX_Optique->currentText(), QStringLiteral("Newton"));
    EXPECT_EQ(focal(), 1200);
    key(p.CBX_Optique, Qt::Key_Up);
    EXPECT_EQ(focal(), 500);
    key(p.CBX_Optique, Qt::Key_Down);
    EXPECT_EQ(focal(), 1200);
    // A name of the list typed in full is taken from the list too; a new
    // name typed loads nothing.
    p.CBX_Optique->lineEdit()->selectAll();
    QTest::keyClicks(p.CBX_Optique, QStringLiteral("lunette"));
    QTest::keyClick(p.CBX_Optique, Qt::Key_Return);
    EXPECT_EQ(p.CBX_Optique->currentText(), QStringLiteral("Lunette"));
    EXPECT_EQ(focal(), 500);
    p.CBX_Optique->lineEdit()->selectAll();
    QTest::keyClicks(p.CBX_Optique, QStringLiteral("Apo"));
    QTest::keyClick(p.CBX_Optique, Qt::Key_Return);
    EXPECT_EQ(focal(), 500);
    wheel(p.CBX_Optique, -1);
    EXPECT_EQ(p.CBX_Optique->currentText(), QStringLiteral("Newton"));
    EXPECT_EQ(focal(), 1200);

    p.PGC_Preferences->setCurrentWidget(p.TBS_Monture);
    ASSERT_EQ(radius(), 20);
    key(p.CBX_Monture, Qt::Key_Down);
    EXPECT_EQ(p.CBX_Monture->currentText(), QStringLiteral("HEQ5"));
    EXPECT_EQ(radius(), 30);
    wheel(p.CBX_Monture, 1);
    EXPECT_EQ(radius(), 20);
    wheel(p.CBX_Monture, -1);
    EXPECT_EQ(radius(), 30);

    p.PGC_Preferences->setCurrentWidget(p.TBS_Camera);
    ASSERT_EQ(pixel(), 5.6);
    wheel(p.CBX_Camera, -1);
    EXPECT_EQ(p.CBX_Camera->currentText(), QStringLiteral("Vesta"));
    EXPECT_EQ(pixel(), 9);
    key(p.CBX_Camera, Qt::Key_Up);
    EXPECT_EQ(pixel(), 5.6);

    p.PGC_Preferences->setCurrentWidget(p.TBS_Telescope);
    ASSERT_EQ(east(), 30);
    wheel(p.CBX_Vitesse_Moteur, 1);
    EXPECT_EQ(p.CBX_Vitesse_Moteur->currentText(), QStringLiteral("Lent"));
    EXPECT_EQ(east(), 5);
    EXPECT_EQ(CurrentSpeedProfileName, QStringLiteral("Lent"));
    key(p.CBX_Vitesse_Moteur, Qt::Key_Down);
    EXPECT_EQ(east(), 30);
    wheel(p.CBX_Vitesse_Moteur, 1);
    EXPECT_EQ(east(), 5);

    // The hand pad's and the goto dialog's speed lists.
    FRM_Raquette->FormActivate();
    wheel(FRM_Raquette->CBX_Vitesse_Moteur, -1);
    EXPECT_EQ(p.CBX_Vitesse_Moteur->currentText(), QStringLiteral("Rapide"));
    EXPECT_EQ(east(), 30);
    FRM_ObjectAction->FormActivate();
    key(FRM_ObjectAction->CBX_Vitesse_Moteur, Qt::Key_Up);
    EXPECT_EQ(p.CBX_Vitesse_Moteur->currentText(), QStringLiteral("Lent"));
    EXPECT_EQ(east(), 5);
    wheel(FRM_ObjectAction->CBX_Vitesse_Moteur, -1);
    EXPECT_EQ(east(), 30);
    EXPECT_FALSE(ProfileComboTouched);

    // The one profile the user edits: the focal length of the Newton.
    p.TNI_Focale->setText(QStringLiteral("1250"));
    ASSERT_TRUE(p.TNI_Focale->DoExit());
    save();

    auto expected = before;
    expected[QStringLiteral("Optique.Newton")][QStringLiteral("Focale")] = QStringLiteral("12500000");
    EXPECT_EQ(profileSections(file()), expected);
    const platform::IniDocument saved = file();
    const auto current = [&](const char* k) { return saved.readString(QStringLiteral("Prefs"), QString::fromLatin1(k), {}); };
    EXPECT_EQ(current("Optique_Courante"), QStringLiteral("Newton"));
    EXPECT_EQ(current("Monture_Courante"), QStringLiteral("HEQ5"));
    EXPECT_EQ(current("Camera_Courante"), QStringLiteral("Toucam"));
    EXPECT_EQ(current("Vitesse_Moteur_Courante"), QStringLiteral("Rapide"));
    EXPECT_TRUE(boxes.shown.empty());
    p.hide();
}

// "Suppr." erases the profile shown: its name leaves the field with it, the
// entry that takes its place loads, and neither leaving an input nor the
// next save writes the erased section back. Erasing the last entry of a
// list leaves no name: the values stay and nothing is saved under a name.
TEST_F(SettingsStore, AnErasedProfileIsNotWrittenBack)
{
    writeSettings("[Prefs]\r\nOptique_Courante=Newton\r\nMonture_Courante=EQ6\r\nCamera_Courante=Toucam\r\n"
                  "[Optique.Lunette]\r\nFocale=5000000\r\n[Optique.Newton]\r\nFocale=12000000\r\n"
                  "[Monture.EQ6]\r\nRayon_Az=20\r\n[Monture.HEQ5]\r\nRayon_Az=30\r\n"
                  "[Camera.Toucam]\r\nLarg_Pix=5600\r\n");
    load();
    TFRM_Pref& p = *FRM_Pref;
    p.show();
    struct Page {
        QWidget* page;
        QComboBox* list;
        QPushButton* erase;
        TCustomNumInp* input;
        const char* erased;
        const char* shown;    // the entry that takes its place; none when empty
        double loaded;        // its value in the input
    };
    const Page pages[] = {
        {p.TBS_Optique, p.CBX_Optique, p.BTN_Sup_Optique, p.TNI_Focale, "Optique.Newton", "Lunette", 500},
        {p.TBS_Monture, p.CBX_Monture, p.BTN_Sup_Monture, p.TNI_Rayon_Az, "Monture.EQ6", "HEQ5", 30},
        {p.TBS_Camera, p.CBX_Camera, p.BTN_Sup_Camera, p.TNI_Larg_Pix, "Camera.Toucam", "", 5.6}};
    for (const Page& page : pages) {
        p.PGC_Preferences->setCurrentWidget(page.page);
        QTest::mouseClick(page.erase, Qt::LeftButton);
        EXPECT_EQ(page.list->currentText(), QString::fromLatin1(page.shown)) << page.erased;
        EXPECT_EQ(double(page.input->Value()), page.loaded) << page.erased;
        EXPECT_EQ(page.list->findText(QString::fromLatin1(page.erased).section(QLatin1Char('.'), 1)), -1);
        page.input->setText(QStringLiteral("12"));
        page.input->DoExit();
        EXPECT_FALSE(file().sectionExists(QString::fromLatin1(page.erased))) << page.erased;
    }
    save();
    const platform::IniDocument saved = file();
    const QStringList sections = saved.readSections();
    EXPECT_FALSE(sections.contains(QStringLiteral("Optique.Newton")));
    EXPECT_FALSE(sections.contains(QStringLiteral("Monture.EQ6")));
    EXPECT_FALSE(sections.contains(QStringLiteral("Camera.Toucam")));
    EXPECT_EQ(saved.readString(QStringLiteral("Optique.Lunette"), QStringLiteral("Focale"), {}), QStringLiteral("120000"));
    EXPECT_EQ(saved.readString(QStringLiteral("Prefs"), QStringLiteral("Monture_Courante"), {}), QStringLiteral("HEQ5"));
    EXPECT_EQ(saved.readString(QStringLiteral("Prefs"), QStringLiteral("Camera_Courante"), QStringLiteral("?")), QString());
    EXPECT_TRUE(boxes.shown.empty()) << "an input left with no profile named saves nothing, silently";

    // The next start takes the empty name as it was left, without a word.
    load();
    EXPECT_EQ(p.CBX_Camera->currentText(), QString());
    EXPECT_FALSE(messageWindowText().contains(QStringLiteral("Camera_Courante"))) << messageWindowText().toStdString();
    p.hide();
}

// The same for night colour schemes: "Suppr." deletes the scheme's file and
// shows (and loads) the scheme that takes its place, so neither the next
// save nor the exit writes the erased file back; "Ajouter" makes the new
// scheme the entry the list stands on.
TEST_F(SettingsStore, AnErasedNightColourSchemeIsNotWrittenBack)
{
    dir.writeFile(QStringLiteral("Nite_Rouge.ini"), "[NiteColor]\r\nPNL_Color_Scrollbar=4242\r\n");
    dir.writeFile(QStringLiteral("Nite_Sombre.ini"), "[NiteColor]\r\nPNL_Color_Scrollbar=1717\r\n");
    writeSettings("[Prefs]\r\nCouleurs Nuit=Rouge\r\n");
    load();
    TFRM_Pref& p = *FRM_Pref;
    p.show();
    p.PGC_Preferences->setCurrentWidget(p.TBS_NiteColors);
    ASSERT_EQ(p.CBX_NiteColor->currentText(), QStringLiteral("Rouge"));
    p.TNI_Vitesse_Est->SetValue(5);
    ASSERT_TRUE(Profiles::SaveProfile(Profiles::Kind::MotorSpeeds, QStringLiteral("Lent")));
    p.TNI_Vitesse_Est->SetValue(9);

    QTest::mouseClick(p.BTN_Sup_Couleur_Nuit, Qt::LeftButton);
    EXPECT_FALSE(dir.exists(QStringLiteral("Nite_Rouge.ini")));
    EXPECT_EQ(p.CBX_NiteColor->currentText(), QStringLiteral("Sombre"));
    EXPECT_EQ(p.PNL_Color_Scrollbar->Color(), 1717);
    // The scheme that took its place was no choice from a profile list: a
    // speed profile's name typed next, and its list left, loads nothing.
    p.CBX_Vitesse_Moteur->setEditText(QStringLiteral("Lent"));
    p.CBX_Vitesse_MoteurExit();
    EXPECT_EQ(double(p.TNI_Vitesse_Est->Value()), 9);
    save();
    EXPECT_FALSE(dir.exists(QStringLiteral("Nite_Rouge.ini")));
    EXPECT_EQ(file().readString(QStringLiteral("Prefs"), QStringLiteral("Couleurs Nuit"), {}), QStringLiteral("Sombre"));

    // The last scheme erased leaves no name, and nothing is written under one.
    QTest::mouseClick(p.BTN_Sup_Couleur_Nuit, Qt::LeftButton);
    EXPECT_EQ(p.CBX_NiteColor->currentText(), QString());
    save();
    EXPECT_EQ(NightColors::ListNightColorFiles(), QStringList());

    p.CBX_NiteColor->lineEdit()->setText(QStringLiteral("Nouvelle"));
    QTest::mouseClick(p.BTN_Nouveau_Couleur_Nuit, Qt::LeftButton);
    EXPECT_EQ(p.CBX_NiteColor->currentIndex(), 0);
    EXPECT_EQ(NightColors::ListNightColorFiles(), QStringList{"Nouvelle"});
    p.hide();
}

// A profile just added ("Ajouter") is the entry the list stands on: one
// wheel notch up shows and loads the name above it, one down comes back.
TEST_F(SettingsStore, TheWheelStepsFromAProfileJustAdded)
{
    writeSettings("[Prefs]\r\nOptique_Courante=Newton\r\n"
                  "[Optique.Lunette]\r\nFocale=5000000\r\n[Optique.Newton]\r\nFocale=12000000\r\n");
    load();
    TFRM_Pref& p = *FRM_Pref;
    p.show();
    p.PGC_Preferences->setCurrentWidget(p.TBS_Optique);
    p.CBX_Optique->lineEdit()->selectAll();
    QTest::keyClicks(p.CBX_Optique, QStringLiteral("Maksutov"));
    p.TNI_Focale->setText(QStringLiteral("1300"));
    ASSERT_TRUE(p.TNI_Focale->DoExit());
    QTest::mouseClick(p.BTN_Nouveau_Optique, Qt::LeftButton);
    ASSERT_EQ(p.CBX_Optique->itemText(1), QStringLiteral("Maksutov"));

    wheel(p.CBX_Optique, 1);
    EXPECT_EQ(p.CBX_Optique->currentText(), QStringLiteral("Lunette"));
    EXPECT_EQ(double(p.TNI_Focale->Value()), 500);
    wheel(p.CBX_Optique, -1);
    EXPECT_EQ(p.CBX_Optique->currentText(), QStringLiteral("Maksutov"));
    EXPECT_EQ(double(p.TNI_Focale->Value()), 1300);
    p.hide();
}
