// The main window's menus and tool bars: captions and start states, tool
// windows on their pages, handlers of later windows run by name, image
// saving, help, night mode, collimation, the goto of a catalogue object and
// the image tool's toggles.

#include "program_windows_fixture.h"

#include "app/align_v_features.h"
#include "app/desktop.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "capture/camera_slots.h"
#include "imaging/pipeline_state.h"
#include "platform/dialog_service.h"
#include "scripting/scripts.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/sky/sky_chart.h"
#include "tools/frm_info.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"
#include "tools/util_images.h"
#include "translation/translated_texts.h"

#include <QAction>
#include <QImage>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

class MainMenus : public ProgramWindows {
protected:
    void SetUp() override
    {
        ProgramWindows::SetUp();
        asStarted();
    }
    void TearDown() override
    {
        for (const QString& name : registered)
            Settings::UnregisterHandler(name);
        Align_V::Hooks = {};
        Desktop::SetDocumentOpener({});
        ProgramWindows::TearDown();
    }
    // Registers a handler that records its name when it runs.
    void record(const QString& name)
    {
        registered << name;
        Settings::RegisterHandler(name, [this, name] { ran << name; });
    }
    QAction* action(const char* name) const { return FRM_Alv->findChild<QAction*>(QLatin1String(name)); }
    QString messageWindow() const { return FRM_Message->MEMO_Message->toPlainText(); }

    QStringList registered;
    QStringList ran;
    testsupport::RecordingDialogService dialogs;
};

using ToolBars = MainMenus;

} // namespace

TEST_F(MainMenus, EveryItemCarriesItsCaptionAndOnlyHelpHasAKey)
{
    const std::pair<const char*, const char*> captions[] = {
        {"MNU_Ouvrirsequence", "Ouvrir sequence"},   {"MNU_Fermer", "&Fermer"},
        {"MNU_Enregistrer", "Enregistrer"},          {"MNU_Cam1_WDMControl", "Contrôles avancés WDM"},
        {"MNU_Images_Merlans", "Elimination des \"Oreilles\""},
        {"MNU_Mesures_Echantillonage", "Echantillonnage"}, {"MNU_Sky", "&Carte"},
        {"MNU_Planificateur", "P&lanificateur"},     {"MNU_Options", "&Preferences"},
        {"MNU_Erreur_MES", "Aide à la &mise en station"}, {"MNU_Telescope", "&Telescope"},
        {"MNU_Aide", "Aide"},                        {"MNU_Apropos", "&A Propos.."},
    };
    for (const auto& [name, caption] : captions) {
        ASSERT_TRUE(action(name)) << name;
        EXPECT_EQ(action(name)->text(), QString::fromUtf8(caption)) << name;
    }
    EXPECT_EQ(FRM_Alv->MNU_PFonctions->title(), QStringLiteral("F&onctions personnalisées"));
    EXPECT_FALSE(action("MNU_Cam1_WDMControl")->isEnabled());
    EXPECT_FALSE(action("MNU_Cam2_WDMControl")->isEnabled());
    EXPECT_FALSE(action("MNU_Cam1_Pilote")->isVisible());
    EXPECT_FALSE(FRM_Alv->MNU_Operations->menuAction()->isEnabled());

    for (QAction* a : FRM_Alv->findChildren<QAction*>())
        if (!a->shortcut().isEmpty()) {
            EXPECT_EQ(a->objectName(), QStringLiteral("MNU_Aide")) << a->shortcut().toString().toStdString();
        }
    EXPECT_EQ(action("MNU_Aide")->shortcut(), QKeySequence(Qt::Key_F1));
}

TEST_F(MainMenus, WindowItemsShowTheirWindowOnTheirPage)
{
    struct Case {
        const char* item;
        QWidget* window;
        QTabWidget* pages;
        QWidget* page;
    };
    const Case cases[] = {
        {"MNU_Mesures_Distances", FRM_Tool_Mesures, FRM_Tool_Mesures->PGC_Mesures, FRM_Tool_Mesures->TBS_Distances},
        {"MNU_Affichage_Reticule", FRM_Tool_Mesures, FRM_Tool_Mesures->PGC_Mesures, FRM_Tool_Mesures->TBS_Reticule},
        {"MNU_Images_Merlans", FRM_Tool_Images, FRM_Tool_Images->PGC_Images, FRM_Tool_Images->TBS_Merlan},
        {"MNU_Images_Enregistrement", FRM_Tool_Images, FRM_Tool_Images->PGC_Images, FRM_Tool_Images->TBS_Enregistrement},
        {"MNU_MAP", FRM_Tool_Affichage, FRM_Tool_Affichage->PGC_Affichage, FRM_Tool_Affichage->TBS_Mise_au_point},
        {"MNU_Affichage_Cameras", FRM_Tool_Affichage, FRM_Tool_Affichage->PGC_Affichage, FRM_Tool_Affichage->TBS_Cameras},
        {"MNU_Images_Information", FRM_Info, nullptr, nullptr},
        {"MNU_Telescope", FRM_Raquette, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        c.window->hide();
        if (c.pages)
            c.pages->setCurrentIndex(c.pages->count() - 1 == c.pages->indexOf(c.page) ? 0 : c.pages->count() - 1);
        action(c.item)->trigger();
        EXPECT_TRUE(c.window->isVisible()) << c.item;
        if (c.pages) {
            EXPECT_EQ(c.pages->currentWidget(), c.page) << c.item;
        }
    }
}

TEST_F(MainMenus, LaterWindowsRoutinesRunByTheirNames)
{
    // Every name the menus and tool bars call for a window still to come.
    const QStringList expected = {
        "FRM_Alv.MNU_Ouvrir_ImageClick", "FRM_Alv.MNU_Ouvrir_DarkClick", "FRM_Alv.MNU_Ouvrir_FlatClick",
        "FRM_Alv.MNU_OuvrirsequenceClick", "FRM_Alv.MNU_Cam1_PiloteClick", "FRM_Alv.MNU_Cam1_FormatClick",
        "FRM_Alv.MNU_Cam1_SourceClick", "FRM_Alv.MNU_Cam1_WDMControlClick", "FRM_Alv.MNU_Cam1_ImageClick",
        "FRM_Alv.MNU_Cam1_StreamClick", "FRM_Alv.MNU_Cam1_PoseLongueClick", "FRM_Alv.MNU_Cam2_PiloteClick",
        "FRM_Alv.MNU_Cam2_FormatClick", "FRM_Alv.MNU_Cam2_SourceClick", "FRM_Alv.MNU_Cam2_WDMControlClick",
        "FRM_Alv.MNU_Cam2_ImageClick", "FRM_Alv.MNU_Cam2_StreamClick", "FRM_Alv.MNU_Cam2_PoselongueClick",
        "FRM_Alv.SPDB_Cam1_ImageClick", "FRM_Alv.SPDB_Cam1_StreamClick", "FRM_Alv.SPDB_Cam1_PoseLongueClick",
        "FRM_Alv.SPDB_Cam2_ImageClick", "FRM_Alv.SPDB_Cam2_StreamClick", "FRM_Alv.SPDB_Cam2_PoseLongueClick",
        "FRM_Alv.MNU_TailleOrientCaptClick", "FRM_Alv.MNU_Erreur_MESClick", "FRM_Alv.MNU_Erreur_PeriodiqueClick",
        "FRM_Alv.MNU_Decl_EtoileClick", "FRM_Alv.SPDB_ExecuterClick", "FRM_Alv.SPDB_AbortClick",
        "Sky.RedrawChart", "FRM_ObjectAction.BTN_Devient_DestinationClick", "FRM_ObjectAction.BTN_GotoClick",
        "FRM_Tool_Suivi.CKB_SuiviClick", "FRM_Tool_Images.EqualizerPoints", "NightColors.ReadNightColors",
        "NightColors.ApplyNightColors", "FRM_Script.MNU_NouveauClick"};
    EXPECT_EQ(TFRM_Alv::MenuHandlerNames(), expected);

    // Unregistered, an item does nothing; registered, it runs its name.
    FRM_Alv->SPDB_Cam2_Source_B->setEnabled(true);
    FRM_Alv->SPDB_Executer->setEnabled(true);
    action("MNU_Cam1_Source")->trigger();
    FRM_Alv->SPDB_Cam2_Source_B->click();
    record(QStringLiteral("FRM_Alv.MNU_Cam1_SourceClick"));
    record(QStringLiteral("FRM_Alv.MNU_Cam2_SourceClick"));
    record(QStringLiteral("FRM_Alv.MNU_Erreur_MESClick"));
    record(QStringLiteral("FRM_Alv.SPDB_ExecuterClick"));
    action("MNU_Cam1_Source")->trigger();
    FRM_Alv->SPDB_Cam2_Source_B->click();
    action("MNU_Erreur_MES")->trigger();
    FRM_Alv->SPDB_Executer->click();
    EXPECT_EQ(ran, (QStringList{"FRM_Alv.MNU_Cam1_SourceClick", "FRM_Alv.MNU_Cam2_SourceClick",
                                "FRM_Alv.MNU_Erreur_MESClick", "FRM_Alv.SPDB_ExecuterClick"}));
    EXPECT_FALSE(FRM_Alv->SPDB_Cam2_Source->isChecked());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainMenus, TheDisplayedImageIsSavedAsJpegOrBmpByItsExtension)
{
    FRM_Alv->Image1->SetPictureSize(64, 48);
    std::fill_n(FRM_Alv->Image1->Bitmap().bits(), FRM_Alv->Image1->Bitmap().byteCount(), std::uint8_t(0x80));
    FRM_Alv->Image3->SetPictureSize(32, 16);
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Source1);
    const QString jpeg = dir.filePath(QStringLiteral("M42.JPG"));
    const QString bmp = dir.filePath(QStringLiteral("m42.png"));
    dialogs.saveAnswers = {jpeg, std::nullopt, bmp};
    action("MNU_Enregistrer")->trigger();
    EXPECT_TRUE(dir.readFile(QStringLiteral("M42.JPG")).startsWith("\xFF\xD8")) << "JPEG whatever the letter case";
    EXPECT_EQ(QImage(jpeg).size(), QSize(64, 48));

    FRM_Alv->SPDB_Enregistrer->click();   // cancelled: nothing written
    EXPECT_FALSE(dir.exists(QStringLiteral("m42.png")));

    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Resultat);
    FRM_Alv->SPDB_Enregistrer_B->click();
    EXPECT_TRUE(dir.readFile(QStringLiteral("m42.png")).startsWith("BM")) << "other extensions are BMP";
    EXPECT_EQ(QImage(bmp, "BMP").size(), QSize(32, 16));

    // An empty view or a folder that is not there: one message, no file.
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Mosaique);
    EXPECT_FALSE(Align_V::SaveDisplayedImage(dir.filePath(QStringLiteral("vide.bmp"))));
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Source1);
    EXPECT_FALSE(Align_V::SaveDisplayedImage(dir.filePath(QStringLiteral("absent/m42.jpg"))));
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_FALSE(dir.exists(QStringLiteral("vide.bmp")));
    EXPECT_FALSE(dir.exists(QStringLiteral("absent/m42.jpg")));
}

TEST_F(MainMenus, HelpOpensTheHelpFileOfTheProgramDirectory)
{
    QStringList opened;
    Desktop::SetDocumentOpener([&](const QString& path) {
        opened << path;
        return true;
    });
    action("MNU_Aide")->trigger();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.endsWith(dir.path() + QStringLiteral("/Nightjarpro.chm")));
    EXPECT_TRUE(opened.isEmpty());

    dir.writeFile(QStringLiteral("Nightjarpro.chm"), "ITSF");
    FRM_Alv->show();
    FRM_Alv->setEnabled(true);
    FRM_Alv->activateWindow();
    QTest::keyClick(FRM_Alv, Qt::Key_F1);
    if (opened.isEmpty())
        action("MNU_Aide")->trigger();   // no focus on this platform
    EXPECT_EQ(opened, QStringList{dir.path() + QStringLiteral("/Nightjarpro.chm")});
}

TEST_F(MainMenus, NightModeSwapsTheColoursAndBothButtonsFollow)
{
    record(QStringLiteral("NightColors.ReadNightColors"));
    record(QStringLiteral("NightColors.ApplyNightColors"));
    EXPECT_FALSE(FRM_Alv->SPDB_Nite->isChecked());
    FRM_Alv->SPDB_Nite_B->click();
    EXPECT_TRUE(FRM_Alv->SPDB_Nite->isChecked());
    EXPECT_TRUE(FRM_Alv->SPDB_Nite_B->isChecked());
    EXPECT_EQ(ran, (QStringList{"NightColors.ReadNightColors", "NightColors.ApplyNightColors"}));
    FRM_Alv->SPDB_Nite->click();
    EXPECT_FALSE(FRM_Alv->SPDB_Nite_B->isChecked());
    EXPECT_EQ(ran.size(), 2);
}

TEST_F(MainMenus, CollimationArmsTheDriftStarProcedure)
{
    record(QStringLiteral("FRM_Tool_Suivi.CKB_SuiviClick"));
    FRM_Tool_Suivi->CKB_Suivi->setChecked(false);
    action("MNU_Collimation")->trigger();
    EXPECT_EQ(ran, QStringList{"FRM_Tool_Suivi.CKB_SuiviClick"});
    EXPECT_TRUE(FRM_Tool_Suivi->CKB_Suivi->isChecked());
    EXPECT_TRUE(FRM_Tool_Suivi->RDB_Cadres->isChecked());
    EXPECT_EQ(messageWindow(), QStringLiteral("1-Cliquer sur l'etoile\n2-Cliquer sur le bouton \"Executer\"\n"
                                              "3-Attendre le message de fin d'execution\n4-ou cliquer sur \"Arrêter\""));
    EXPECT_EQ(ProcedureState, 15);
    EXPECT_EQ(FRM_Alv->PNL_Action->text(), QStringLiteral("Collimation"));
    EXPECT_TRUE(FRM_Alv->SPDB_Executer->isEnabled());
    EXPECT_TRUE(FRM_Alv->SPDB_Abort->isEnabled());
    // Tracking already on is not started again.
    action("MNU_Collimation")->trigger();
    EXPECT_EQ(ran.size(), 1);
    ProcedureState = 0;
}

TEST_F(MainMenus, GotoObjectStartsOnlyWhenTheObjectIsFoundAndThePositionKnown)
{
    record(QStringLiteral("FRM_ObjectAction.BTN_Devient_DestinationClick"));
    QStringList looked;
    QStringList prompts;
    Align_V::Hooks.FindDeepSkyObject = [&](const QString& name, double& ra, double& dec) {
        looked << name;
        if (name == QLatin1String("M42")) {
            ra = 1.4632;
            dec = -0.0953;
        }
    };
    Align_V::Hooks.PlayVoicePrompt = [&](const QString& key, int ms) { prompts << key + QString::number(ms); };
    TFRM_Raquette& r = *FRM_Raquette;
    bool started = true;

    // None of the program's catalogues chosen (a planet of the mount's
    // library): nothing happens.
    r.RDB_Planete->setChecked(true);
    for (QRadioButton* b : {r.RDB_Messier, r.RDB_NGC, r.RDB_IC, r.RDB_UGC, r.RDB_Etoile_SAO, r.RDB_Coords})
        ASSERT_FALSE(b->isChecked());
    Align_V::GotoObject(started);
    EXPECT_FALSE(started);
    EXPECT_TRUE(ran.isEmpty());

    // Not found: told, spoken with the assistant on, no goto.
    r.RDB_NGC->setChecked(true);
    r.EDT_Numero->setText(QStringLiteral(" 9999 "));
    r.CKB_Assist_Vocal->setChecked(true);
    Scripts::GotoRunning = true;
    Align_V::GotoObject(started);
    EXPECT_FALSE(started);
    EXPECT_EQ(looked, QStringList{"NGC9999"});
    EXPECT_EQ(messageWindow(), QStringLiteral("Objet non trouvé"));
    EXPECT_EQ(prompts, QStringList{"S_Objet_non_trouve900"});
    EXPECT_FALSE(Scripts::GotoRunning);

    // Found, the mount's position known: the goto starts at the object.
    bool gotoStarts = true;
    registered << QStringLiteral("FRM_ObjectAction.BTN_GotoClick");
    Settings::RegisterHandler(QStringLiteral("FRM_ObjectAction.BTN_GotoClick"), [&] {
        ran << QStringLiteral("FRM_ObjectAction.BTN_GotoClick");
        if (gotoStarts)
            Scripts::GotoRunning = true;
    });
    Sky::GotoOriginRA = Sky::GotoOriginDec = 0;
    r.RDB_Messier->setChecked(true);
    r.EDT_Numero->setText(QStringLiteral("42"));
    Align_V::GotoObject(started);
    EXPECT_TRUE(started);
    EXPECT_DOUBLE_EQ(Sky::GotoCurrentRA, 1.4632 * 648000 / std::numbers::pi);
    EXPECT_EQ(ran.mid(ran.size() - 2), (QStringList{"FRM_ObjectAction.BTN_Devient_DestinationClick",
                                                    "FRM_ObjectAction.BTN_GotoClick"}));
    EXPECT_TRUE(FRM_ObjectAction->RDB_Relatif->isChecked());
    EXPECT_EQ(int(r.TNI_RaH->Value()), 5);   // 1.4632 rad is 5h 35m
    EXPECT_EQ(int(r.TNI_RaM->Value()), 35);

    // Typed coordinates are converted once: 0h 1m 39s is a position, not
    // "not found"; the target is that angle in radians.
    r.RDB_Coords->setChecked(true);
    r.TNI_RaH->SetValue(0);
    r.TNI_RaM->SetValue(1);
    r.TNI_RaS->SetValue(39);
    r.TNI_DecD->SetValue(10);
    r.TNI_DecM->SetValue(0);
    r.TNI_DecS->SetValue(0);
    Align_V::GotoObject(started);
    EXPECT_TRUE(started);
    EXPECT_NEAR(Sky::GotoCurrentRA, 99 * 15, 1e-9);   // seconds of arc
    EXPECT_NEAR(Sky::GotoCurrentDec, 10 * 3600, 1e-9);
    EXPECT_EQ(int(r.TNI_RaS->Value()), 39);

    // A goto the dialog does not start is not reported as started.
    gotoStarts = false;
    Align_V::GotoObject(started);
    EXPECT_FALSE(started);
    EXPECT_FALSE(Scripts::GotoRunning);

    // The position unknown: no goto, two lines in the message window.
    Sky::GotoOriginRA = Align_V::kNotFound;
    Scripts::GotoRunning = true;
    Align_V::GotoObject(started);
    EXPECT_FALSE(started);
    EXPECT_FALSE(Scripts::GotoRunning);
    EXPECT_EQ(messageWindow().count(u'\n'), 1);
}

TEST_F(MainMenus, ImageToolTogglesApplyTheirNewState)
{
    TFRM_Tool_Images& t = *FRM_Tool_Images;
    t.CPC_L->setProperty("XCoordinate", 64);
    t.CPC_L->setProperty("YCoordinate", 42);
    t.CKB_L->setChecked(false);
    Align_V::ToggleLuminance();
    EXPECT_TRUE(t.CKB_L->isChecked());
    EXPECT_EQ(t.EDT_L_R->text(), QStringLiteral("34"));
    EXPECT_EQ(t.EDT_L_G->text(), QStringLiteral("33"));
    EXPECT_EQ(t.EDT_L_B->text(), QStringLiteral("33"));
    EXPECT_EQ(LuminanceMix.Enabled, 1);

    // The filter glyph follows the filter; the thresholds follow it while
    // integration is off.
    QImage off(8, 8, QImage::Format_RGB32);
    off.fill(Qt::white);
    QImage on(8, 8, QImage::Format_RGB32);
    on.fill(Qt::black);
    QDir().mkpath(dir.filePath(QStringLiteral("Icons")));
    ASSERT_TRUE(off.save(dir.filePath(QStringLiteral("Icons/Sharpen.bmp")), "BMP"));
    ASSERT_TRUE(on.save(dir.filePath(QStringLiteral("Icons/Sharpen_I.bmp")), "BMP"));
    t.CKB_Integration->setChecked(false);
    t.CKB_Filtre->setChecked(false);
    Align_V::ToggleFilter();
    EXPECT_TRUE(t.CKB_utiliser_seuils->isChecked());
    const QImage glyph = FRM_Alv->SPDB_Filtres->icon().pixmap(8, 8).toImage();
    EXPECT_EQ(QColor(glyph.pixel(2, 2)), QColor(Qt::black));
    Align_V::ToggleFilter();
    EXPECT_FALSE(t.CKB_utiliser_seuils->isChecked());
    EXPECT_EQ(QColor(FRM_Alv->SPDB_Filtres_B->icon().pixmap(8, 8).toImage().pixel(2, 2)), QColor(Qt::white));

    // Relative mode: the hand pad and the goto dialog switch together.
    FRM_Raquette->RDB_Absolu->setChecked(true);
    Align_V::ToggleRelativeMode();
    EXPECT_TRUE(FRM_Raquette->RDB_Relatif->isChecked());
    EXPECT_TRUE(FRM_ObjectAction->RDB_Relatif->isChecked());
    Align_V::ToggleRelativeMode();
    EXPECT_TRUE(FRM_Raquette->RDB_Absolu->isChecked());
    EXPECT_TRUE(FRM_ObjectAction->RDB_Absolu->isChecked());
}

TEST_F(MainMenus, AButtonHeldOnTheFirstViewMovesLikeAReleaseOnTheSecond)
{
    // Nothing is held at start: a move does nothing.
    FRM_Alv->Image2MouseMove(FRM_Alv, 0, 10, 10);
    FRM_Alv->Image1MouseDown(FRM_Alv->Image1, 1, 16, 0, 0);
    FRM_Alv->Image1MouseDown(FRM_Alv->Image1, 2, 16 | 32, 0, 0);
    EXPECT_EQ(MouseButtonHeld[1], 1);
    // A move with both buttons down keeps both held; the second view's
    // mouse-up releases none of them.
    FRM_Alv->Image2MouseMove(FRM_Alv, 16 | 32, 10, 10);
    EXPECT_EQ(MouseButtonHeld[1], 1);
    EXPECT_EQ(MouseButtonHeld[2], 1);
    // A move that shows the right button up: it was released elsewhere.
    FRM_Alv->Image2MouseMove(FRM_Alv, 32, 10, 10);
    EXPECT_EQ(MouseButtonHeld[1], 0);
    EXPECT_EQ(MouseButtonHeld[2], 1);
    // The first view's own release clears its button; the main window as
    // sender (a drag) does not.
    FRM_Alv->Image1MouseUp(FRM_Alv, 2, 32, 0, 0);
    EXPECT_EQ(MouseButtonHeld[2], 1);
    FRM_Alv->Image1MouseUp(FRM_Alv->Image1, 2, 0, 0, 0);
    EXPECT_EQ(MouseButtonHeld[2], 0);
}

TEST_F(ToolBars, BothLayoutsHoldEveryButtonAndOneIsShown)
{
    for (int n = 1; n <= 20; ++n) {
        for (const QString& name : {QStringLiteral("SPDB_F%1").arg(n), QStringLiteral("SPDB_F%1_B").arg(n)}) {
            auto* b = FRM_Alv->findChild<QToolButton*>(name);
            ASSERT_TRUE(b) << name.toStdString();
            EXPECT_EQ(b->text(), QString::number(n));
            EXPECT_EQ(b->property("Tag").toInt(), n);
        }
    }
    QStringList pages;
    for (int i = 0; i < FRM_Alv->PGC_Control->count(); ++i)
        pages << FRM_Alv->PGC_Control->tabText(i);
    EXPECT_EQ(pages, (QStringList{"Lecture Fichiers", "Contrôle Camera", "Regions/Affichage", "Align./Autoguid.",
                                  "PreTraitement", "Addition/Traitement", "Enregistrement", "Assistants/Outils",
                                  "Scripts"}));
    EXPECT_TRUE(FRM_Alv->TBS_Scripts->isAncestorOf(FRM_Alv->SPDB_F20_B));
    EXPECT_TRUE(FRM_Alv->ToolBar2->isAncestorOf(FRM_Alv->CBX_ScriptCollection));
    EXPECT_EQ(FRM_Alv->SPDB_Ouvrir_B->text(), QStringLiteral("Charger un ou des fichiers "));
    EXPECT_EQ(FRM_Alv->LBL_Operation->text(), QStringLiteral("Opération : "));
    EXPECT_EQ(FRM_Alv->PNL_Action->text(), QStringLiteral("Aucun"));
    EXPECT_EQ(FRM_Alv->LBL_Rec->text(), QStringLiteral(" Rec"));
    EXPECT_EQ(FRM_Alv->SPDB_Abort->toolTip(), QStringLiteral("Arrêter"));
    EXPECT_EQ(FRM_Alv->SPDB_Executer->toolTip(), QStringLiteral("Executer"));
    EXPECT_EQ(FRM_Alv->SPDB_Nite->toolTip(), QStringLiteral("Mode nuit"));
    EXPECT_FALSE(FRM_Alv->PNL_Toolbar_Beginner->isHidden());
    EXPECT_TRUE(FRM_Alv->PNL_Toolbar_Expert->isHidden());
    FRM_Pref->RDB_WM_ExpertClick();
    EXPECT_TRUE(FRM_Alv->PNL_Toolbar_Beginner->isHidden());
    EXPECT_FALSE(FRM_Alv->PNL_Toolbar_Expert->isHidden());
}

TEST_F(ToolBars, WindowButtonsShowTheirPageAndSpringBackInEitherLayout)
{
    const std::pair<QToolButton*, QToolButton*> twins[] = {
        {FRM_Alv->SPDB_Distances, FRM_Alv->SPDB_Distances_B}, {FRM_Alv->SPDB_Seuils, FRM_Alv->SPDB_Seuils_B},
        {FRM_Alv->SPDB_Focus, FRM_Alv->SPDB_Focus_B},         {FRM_Alv->SPDB_Scripts, FRM_Alv->SPDB_Scripts_B},
        {FRM_Alv->SPDB_Histo, FRM_Alv->SPDB_Histo_B},
    };
    for (const auto& [expert, beginner] : twins) {
        for (QToolButton* clicked : {expert, beginner}) {
            expert->setChecked(true);
            beginner->setChecked(true);
            clicked->setChecked(false);
            clicked->click();
            EXPECT_FALSE(expert->isChecked()) << clicked->objectName().toStdString();
            EXPECT_FALSE(beginner->isChecked()) << clicked->objectName().toStdString();
        }
    }
    EXPECT_TRUE(FRM_Tool_Mesures->isVisible());
    EXPECT_EQ(FRM_Tool_Mesures->PGC_Mesures->currentWidget(), FRM_Tool_Mesures->TBS_Distances);
    EXPECT_EQ(FRM_Tool_Affichage->PGC_Affichage->currentWidget(), FRM_Tool_Affichage->TBS_Mise_au_point);
    EXPECT_TRUE(FRM_Info->isVisible());
}

TEST_F(ToolBars, CameraOneStopWaitsForAGrabCaptureInProgress)
{
    FRM_Alv->SPDB_Cam1_Stop->setEnabled(true);
    FRM_Alv->SPDB_Cam1_Start->setEnabled(false);
    CameraSlots[1].sourceKind = 0;
    CameraSlots[1].captureInProgress = 1;
    FRM_Alv->SPDB_Cam1_StopClick();
    EXPECT_FALSE(steps.contains(QStringLiteral("MNU_Cam1_ArreterClick")));
    EXPECT_TRUE(FRM_Alv->SPDB_Cam1_Stop->isEnabled());
    EXPECT_EQ(CameraSlots[1].captureInProgress, 1);

    CameraSlots[1].captureInProgress = 0;
    FRM_Alv->SPDB_Cam1_Stop_B->setEnabled(true);
    FRM_Alv->SPDB_Cam1_Stop_B->click();
    EXPECT_TRUE(steps.contains(QStringLiteral("MNU_Cam1_ArreterClick")));
    EXPECT_FALSE(FRM_Alv->SPDB_Cam1_Stop->isEnabled());
    EXPECT_TRUE(FRM_Alv->SPDB_Cam1_Start->isEnabled());
    CameraSlots = {};
}
