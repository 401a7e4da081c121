// The main window's menus and tool bars: every item and speed button, the
// night-mode button, the help file and the saving of the displayed image.
// Items whose routine belongs to another window run it through the handler
// registry by name (kNamedHandlers); that window registers the name.

#include "app/frm_alv.h"

#include "app/about_box.h"
#include "app/align_v_features.h"
#include "app/desktop.h"
#include "app/frm_pref.h"
#include "app/night_colors.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "app/ui/button_pictures.h"
#include "app/ui/button_rows.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "app/ui/press_guard.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "platform/dialog_service.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "telescope/frm_detect_mvt.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_info.h"
#include "tools/frm_ressources.h"
#include "tools/frm_small.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"

#include <QFileInfo>

namespace {

// Menu items and speed buttons whose routine another window supplies:
// the control, and the name it runs. Windows register these names.
struct NamedHandler {
    const char* control;
    const char* handler;
};

constexpr NamedHandler kNamedHandlers[] = {
    // File sources.
    {"MNU_Ouvrir_Image", "FRM_Alv.MNU_Ouvrir_ImageClick"},
    {"MNU_Ouvrir_Dark", "FRM_Alv.MNU_Ouvrir_DarkClick"},
    {"MNU_Ouvrir_Flat", "FRM_Alv.MNU_Ouvrir_FlatClick"},
    {"MNU_Ouvrirsequence", "FRM_Alv.MNU_OuvrirsequenceClick"},
    // Camera driver, format, source, WDM controls and modes.
    {"MNU_Cam1_Pilote", "FRM_Alv.MNU_Cam1_PiloteClick"},
    {"MNU_Cam1_Format", "FRM_Alv.MNU_Cam1_FormatClick"},
    {"MNU_Cam1_Source", "FRM_Alv.MNU_Cam1_SourceClick"},
    {"MNU_Cam1_WDMControl", "FRM_Alv.MNU_Cam1_WDMControlClick"},
    {"MNU_Cam1_Image", "FRM_Alv.MNU_Cam1_ImageClick"},
    {"MNU_Cam1_Stream", "FRM_Alv.MNU_Cam1_StreamClick"},
    {"MNU_Cam1_PoseLongue", "FRM_Alv.MNU_Cam1_PoseLongueClick"},
    {"MNU_Cam2_Pilote", "FRM_Alv.MNU_Cam2_PiloteClick"},
    {"MNU_Cam2_Format", "FRM_Alv.MNU_Cam2_FormatClick"},
    {"MNU_Cam2_Source", "FRM_Alv.MNU_Cam2_SourceClick"},
    {"MNU_Cam2_WDMControl", "FRM_Alv.MNU_Cam2_WDMControlClick"},
    {"MNU_Cam2_Image", "FRM_Alv.MNU_Cam2_ImageClick"},
    {"MNU_Cam2_Stream", "FRM_Alv.MNU_Cam2_StreamClick"},
    {"MNU_Cam2_Poselongue", "FRM_Alv.MNU_Cam2_PoselongueClick"},
    {"SPDB_Cam1_Image", "FRM_Alv.SPDB_Cam1_ImageClick"},
    {"SPDB_Cam1_Image_B", "FRM_Alv.SPDB_Cam1_ImageClick"},
    {"SPDB_Cam1_Stream", "FRM_Alv.SPDB_Cam1_StreamClick"},
    {"SPDB_Cam1_Stream_B", "FRM_Alv.SPDB_Cam1_StreamClick"},
    {"SPDB_Cam1_PoseLongue", "FRM_Alv.SPDB_Cam1_PoseLongueClick"},
    {"SPDB_Cam1_PoseLongue_B", "FRM_Alv.SPDB_Cam1_PoseLongueClick"},
    {"SPDB_Cam2_Image", "FRM_Alv.SPDB_Cam2_ImageClick"},
    {"SPDB_Cam2_Image_B", "FRM_Alv.SPDB_Cam2_ImageClick"},
    {"SPDB_Cam2_Stream", "FRM_Alv.SPDB_Cam2_StreamClick"},
    {"SPDB_Cam2_Stream_B", "FRM_Alv.SPDB_Cam2_StreamClick"},
    {"SPDB_Cam2_Poselongue", "FRM_Alv.SPDB_Cam2_PoseLongueClick"},
    {"SPDB_Cam2_PoseLongue_B", "FRM_Alv.SPDB_Cam2_PoseLongueClick"},
    // Star-measurement procedures and their execute and abort buttons.
    {"MNU_TailleOrientCapt", "FRM_Alv.MNU_TailleOrientCaptClick"},
    {"MNU_Erreur_MES", "FRM_Alv.MNU_Erreur_MESClick"},
    {"MNU_Erreur_Periodique", "FRM_Alv.MNU_Erreur_PeriodiqueClick"},
    {"MNU_Decl_Etoile", "FRM_Alv.MNU_Decl_EtoileClick"},
    {"SPDB_Executer", "FRM_Alv.SPDB_ExecuterClick"},
    {"SPDB_Abort", "FRM_Alv.SPDB_AbortClick"},
};

// Names the main window's routines run without a control of their own
// (goto, collimation, toggles, night mode, button properties).
constexpr const char* kRoutineHandlers[] = {
    "Sky.RedrawChart",                               // chart and goto
    "FRM_ObjectAction.BTN_Devient_DestinationClick", // goto of a catalogue object
    "FRM_ObjectAction.BTN_GotoClick",
    "FRM_Tool_Suivi.CKB_SuiviClick",                 // collimation aid
    "FRM_Tool_Images.EqualizerPoints",               // curves toggle
    "NightColors.ReadNightColors",                   // night mode
    "NightColors.ApplyNightColors",
    "FRM_Script.MNU_NouveauClick",                   // a new script from the button properties
};
// The source, format, WDM and file speed buttons run their menu item's name.

void runNamed(const char* name)
{
    Settings::RunHandler(QString::fromLatin1(name));
}

// Shows a tool window on screen with its page control on one page.
void showOnPage(QWidget* window, QTabWidget* pages, QWidget* page)
{
    if (!window)
        return;
    Systeme::ShowFormOnScreen(window);
    if (pages && page)
        pages->setCurrentWidget(page);
}

void release(std::initializer_list<QToolButton*> buttons)
{
    for (QToolButton* b : buttons)
        if (b)
            b->setChecked(false);
}

} // namespace

QStringList TFRM_Alv::MenuHandlerNames()
{
    QStringList names;
    for (const NamedHandler& h : kNamedHandlers)
        names << QString::fromLatin1(h.handler);
    for (const char* h : kRoutineHandlers)
        names << QString::fromLatin1(h);
    names.removeDuplicates();
    return names;
}

void TFRM_Alv::ConnectMenuHandlers()
{
    for (const NamedHandler& h : kNamedHandlers) {
        const QString control = QString::fromLatin1(h.control);
        const char* name = h.handler;
        if (auto* action = findChild<QAction*>(control))
            app::bindMenuItemClick(action, [name] { runNamed(name); }, this);
        else if (auto* button = findChild<QToolButton*>(control))
            app::bindSpeedButtonClick(button, [name] { runNamed(name); }, this);
    }

    using W = TFRM_Alv;
    app::bindMenuItemClick(MNU_Fermer, this, &W::MNU_FermerClick);
    app::bindMenuItemClick(MNU_Enregistrer, this, &W::MNU_EnregistrerClick);
    app::bindMenuItemClick(MNU_Images_Seuils, this, &W::MNU_Images_SeuilsClick);
    app::bindMenuItemClick(MNU_Images_Integration, this, &W::MNU_Images_IntegrationClick);
    app::bindMenuItemClick(MNU_Images_Filtres, this, &W::MNU_Images_FiltresClick);
    app::bindMenuItemClick(MNU_Images_Darks, this, &W::MNU_Images_DarksClick);
    app::bindMenuItemClick(MNU_Images_Flats, this, &W::MNU_Images_FlatsClick);
    app::bindMenuItemClick(MNU_Images_Merlans, this, &W::MNU_Images_MerlansClick);
    app::bindMenuItemClick(MNU_Images_Information, this, &W::MNU_Images_InformationClick);
    app::bindMenuItemClick(MNU_Images_Selection, this, &W::MNU_Images_SelectionClick);
    app::bindMenuItemClick(MNU_Images_Enregistrement, this, &W::MNU_Images_EnregistrementClick);
    app::bindMenuItemClick(MNU_Affichage_Rafraichissement, this, &W::MNU_Affichage_RafraichissementClick);
    app::bindMenuItemClick(MNU_Affichage_Zones, this, &W::MNU_Affichage_ZonesClick);
    app::bindMenuItemClick(MNU_Affichage_Cameras, this, &W::MNU_Affichage_CamerasClick);
    app::bindMenuItemClick(MNU_Affichage_MiniSource, this, &W::MNU_Affichage_MiniSourceClick);
    app::bindMenuItemClick(MNU_PleinEcran, this, &W::MNU_PleinEcranClick);
    app::bindMenuItemClick(MNU_Affichage_Reticule, this, &W::MNU_Affichage_ReticuleClick);
    app::bindMenuItemClick(MNU_Mesures_Echantillonage, this, &W::MNU_Mesures_EchantillonageClick);
    app::bindMenuItemClick(MNU_Mesures_Distances, this, &W::MNU_Mesures_DistancesClick);
    app::bindMenuItemClick(MNU_Mesures_Declinaison, this, &W::MNU_Mesures_DeclinaisonClick);
    app::bindMenuItemClick(MNU_MAP, this, &W::MNU_MAPClick);
    app::bindMenuItemClick(MNU_Suivi_autoguidage, this, &W::MNU_Suivi_autoguidageClick);
    app::bindMenuItemClick(MNU_DetectMvt, this, &W::MNU_DetectMvtClick);
    app::bindMenuItemClick(MNU_Sky, this, &W::MNU_SkyClick);
    app::bindMenuItemClick(MNU_Planificateur, this, &W::MNU_PlanificateurClick);
    // The goto dialog's "create a mosaic" opens the planner through this name.
    Settings::RegisterHandler(QStringLiteral("FRM_Alv.MNU_PlanificateurClick"), [] {
        if (FRM_Alv)
            FRM_Alv->MNU_PlanificateurClick();
    });
    app::bindMenuItemClick(MNU_Scripts, this, &W::MNU_ScriptsClick);
    app::bindMenuItemClick(MNU_Options, this, &W::MNU_OptionsClick);
    app::bindMenuItemClick(MNU_Collimation, this, &W::MNU_CollimationClick);
    app::bindMenuItemClick(MNU_Telescope, this, &W::MNU_TelescopeClick);
    app::bindMenuItemClick(MNU_Aide, this, &W::MNU_AideClick);
    app::bindMenuItemClick(MNU_Apropos, this, &W::MNU_AproposClick);
    app::bindMenuItemClick(MNU_Ressources, this, &W::MNU_RessourcesClick);

    // Speed buttons that show a window run the menu's handler and spring
    // back up, both twins; those that open a dialog spring back first.
    struct Twin {
        QToolButton* expert;
        QToolButton* beginner;
        void (W::*handler)();
        bool releaseFirst;
    };
    const Twin twins[] = {
        {SPDB_Seuils, SPDB_Seuils_B, &W::MNU_Images_SeuilsClick, false},
        {SPDB_Integration, SPDB_Integration_B, &W::MNU_Images_IntegrationClick, false},
        {SPDB_Filtres, SPDB_Filtres_B, &W::MNU_Images_FiltresClick, false},
        {SPDB_Dark, SPDB_Dark_B, &W::MNU_Images_DarksClick, false},
        {SPDB_Flat, SPDB_Flat_B, &W::MNU_Images_FlatsClick, false},
        {SPDB_Merlans, SPDB_Merlans_B, &W::MNU_Images_MerlansClick, false},
        {SPDB_Histo, SPDB_Histo_B, &W::MNU_Images_InformationClick, false},
        {SPDB_Select, SPDB_Select_B, &W::MNU_Images_SelectionClick, false},
        {SPDB_Enregistrement, SPDB_Enregistrement_B, &W::MNU_Images_EnregistrementClick, false},
        {SPDB_Rafraichissement, SPDB_Rafraichissement_B, &W::MNU_Affichage_RafraichissementClick, false},
        {SPDB_Zones, SPDB_Zones_B, &W::MNU_Affichage_ZonesClick, false},
        {SPDB_Cameras, SPDB_Cameras_B, &W::MNU_Affichage_CamerasClick, false},
        {SPDB_Minisource, SPDB_Minisource_B, &W::MNU_Affichage_MiniSourceClick, false},
        {SPDB_PleinEcran, SPDB_PleinEcran_B, &W::MNU_PleinEcranClick, false},
        {SPDB_Reticule, SPDB_Reticule_B, &W::MNU_Affichage_ReticuleClick, false},
        {SPDB_Echantillonage, SPDB_Echantillonage_B, &W::MNU_Mesures_EchantillonageClick, false},
        {SPDB_Distances, SPDB_Distances_B, &W::MNU_Mesures_DistancesClick, false},
        {SPDB_Declinaison, SPDB_Declinaison_B, &W::MNU_Mesures_DeclinaisonClick, false},
        {SPDB_Focus, SPDB_Focus_B, &W::MNU_MAPClick, false},
        {SPDB_Autoguidage, SPDB_Autoguidage_B, &W::MNU_Suivi_autoguidageClick, false},
        {SPDB_Detect_mvt, SPDB_Detect_mvt_B, &W::MNU_DetectMvtClick, false},
        {SPDB_Carte, SPDB_Carte_B, &W::MNU_SkyClick, true},
        {SPDB_Planif, SPDB_Planif_B, &W::MNU_PlanificateurClick, true},
        {SPDB_Scripts, SPDB_Scripts_B, &W::MNU_ScriptsClick, true},
    };
    for (const Twin& t : twins) {
        auto run = [this, t] {
            if (t.releaseFirst)
                release({t.expert, t.beginner});
            (this->*t.handler)();
            release({t.expert, t.beginner});
        };
        app::bindSpeedButtonClick(t.expert, run, this);
        app::bindSpeedButtonClick(t.beginner, run, this);
    }
    // Dialog buttons of the camera and file sources, run by name.
    struct Dialog {
        QToolButton* button;
        std::initializer_list<QToolButton*> released;
        const char* handler;
    };
    const Dialog dialogs[] = {
        {SPDB_Cam1_Source, {SPDB_Cam1_Source, SPDB_Cam1_Source_B}, "FRM_Alv.MNU_Cam1_SourceClick"},
        {SPDB_Cam1_Source_B, {SPDB_Cam1_Source, SPDB_Cam1_Source_B}, "FRM_Alv.MNU_Cam1_SourceClick"},
        {SPDB_Cam2_Source, {SPDB_Cam2_Source, SPDB_Cam2_Source_B}, "FRM_Alv.MNU_Cam2_SourceClick"},
        {SPDB_Cam2_Source_B, {SPDB_Cam2_Source, SPDB_Cam2_Source_B}, "FRM_Alv.MNU_Cam2_SourceClick"},
        {SPDB_Cam1_Format, {SPDB_Cam1_Format, SPDB_Cam1_Format_B}, "FRM_Alv.MNU_Cam1_FormatClick"},
        {SPDB_Cam1_Format_B, {SPDB_Cam1_Format, SPDB_Cam1_Format_B}, "FRM_Alv.MNU_Cam1_FormatClick"},
        {SPDB_Cam2_Format, {SPDB_Cam2_Format}, "FRM_Alv.MNU_Cam2_FormatClick"},
        {SPDB_Cam2_Format_B, {SPDB_Cam2_Format}, "FRM_Alv.MNU_Cam2_FormatClick"},
        {SPDB_Cam1_WDMControl, {SPDB_Cam1_WDMControl, SPDB_Cam1_WDMControl_B}, "FRM_Alv.MNU_Cam1_WDMControlClick"},
        {SPDB_Cam1_WDMControl_B, {SPDB_Cam1_WDMControl, SPDB_Cam1_WDMControl_B}, "FRM_Alv.MNU_Cam1_WDMControlClick"},
        {SPDB_Cam2_WDMControl, {SPDB_Cam2_WDMControl, SPDB_Cam2_WDMControl_B}, "FRM_Alv.MNU_Cam2_WDMControlClick"},
        {SPDB_Cam2_WDMControl_B, {SPDB_Cam2_WDMControl, SPDB_Cam2_WDMControl_B}, "FRM_Alv.MNU_Cam2_WDMControlClick"},
    };
    for (const Dialog& d : dialogs) {
        const std::vector<QToolButton*> released(d.released);
        app::bindSpeedButtonClick(d.button, [released, name = d.handler] {
            for (QToolButton* b : released)
                b->setChecked(false);
            runNamed(name);
        }, this);
    }
    app::bindSpeedButtonClick(SPDB_Ouvrir, [this] {
        runNamed("FRM_Alv.MNU_Ouvrir_ImageClick");
        release({SPDB_Ouvrir});
    }, this);
    app::bindSpeedButtonClick(SPDB_Ouvrir_B, this, &W::SPDB_Ouvrir_BClick);
    for (QToolButton* b : std::initializer_list<QToolButton*>{SPDB_OuvrirSequence, SPDB_OuvrirSequence_B})
        app::bindSpeedButtonClick(b, [b] {
            runNamed("FRM_Alv.MNU_OuvrirsequenceClick");
            b->setChecked(false);
        }, this);
    app::bindSpeedButtonClick(SPDB_Enregistrer, this, &W::MNU_EnregistrerClick);
    app::bindSpeedButtonClick(SPDB_Enregistrer_B, this, &W::MNU_EnregistrerClick);
    for (QToolButton* b : std::initializer_list<QToolButton*>{SPDB_Executer_Script, SPDB_Executer_Script_B})
        app::bindSpeedButtonClick(b, this, &W::SPDB_Executer_ScriptClick);
    for (QToolButton* b : std::initializer_list<QToolButton*>{SPDB_Pauser_Script, SPDB_Pauser_Script_B})
        app::bindSpeedButtonClick(b, this, &W::SPDB_Pauser_ScriptClick);
    for (QToolButton* b : std::initializer_list<QToolButton*>{SPDB_Arreter_Script, SPDB_Arreter_Script_B})
        app::bindSpeedButtonClick(b, this, &W::SPDB_Arreter_ScriptClick);
    for (QToolButton* b : std::initializer_list<QToolButton*>{SPDB_Abort, SPDB_Arreter_Script, SPDB_Arreter_Script_B})
        app::MarkStopButton(b);
    for (QToolButton* b : std::initializer_list<QToolButton*>{SPDB_Nite, SPDB_Nite_B})
        app::bindSpeedButtonClick(b, [this, b] { SPDB_NiteClick(b); }, this);

    connect(PGC_Main, &QTabWidget::currentChanged, this,
            [this] { app::runGuarded(QStringLiteral("PGC_Main"), [this] { PGC_MainChange(); }); });
}

// ---------------------------------------------------------------- Fichier

void TFRM_Alv::MNU_FermerClick()
{
    close();
}

void TFRM_Alv::MNU_EnregistrerClick()
{
    platform::FileDialogRequest request;
    request.title = TranslatedTexts.MSG_Titre_Enregistrer;
    request.filter = QStringLiteral("Images (*.jpg *.jpeg *.bmp);;JPEG (*.jpg *.jpeg);;Bitmaps (*.bmp);;")
                     + Translation::AllFilesFilter();
    const std::optional<QString> path = platform::dialogs().saveFile(request);
    if (path)
        Align_V::SaveDisplayedImage(*path);
}

// ---------------------------------------------------------------- Fonctions

void TFRM_Alv::MNU_Images_SeuilsClick()
{
    showOnPage(FRM_Tool_Images, FRM_Tool_Images->PGC_Images, FRM_Tool_Images->TBS_Seuils);
}
void TFRM_Alv::MNU_Images_IntegrationClick()
{
    showOnPage(FRM_Tool_Images, FRM_Tool_Images->PGC_Images, FRM_Tool_Images->TBS_Integration);
}
void TFRM_Alv::MNU_Images_FiltresClick()
{
    showOnPage(FRM_Tool_Images, FRM_Tool_Images->PGC_Images, FRM_Tool_Images->TBS_Filtres);
}
void TFRM_Alv::MNU_Images_DarksClick()
{
    showOnPage(FRM_Tool_Images, FRM_Tool_Images->PGC_Images, FRM_Tool_Images->TBS_Dark);
}
void TFRM_Alv::MNU_Images_FlatsClick()
{
    showOnPage(FRM_Tool_Images, FRM_Tool_Images->PGC_Images, FRM_Tool_Images->TBS_Flat);
}
void TFRM_Alv::MNU_Images_MerlansClick()
{
    showOnPage(FRM_Tool_Images, FRM_Tool_Images->PGC_Images, FRM_Tool_Images->TBS_Merlan);
}
void TFRM_Alv::MNU_Images_InformationClick()
{
    showOnPage(FRM_Info, nullptr, nullptr);
}
void TFRM_Alv::MNU_Images_SelectionClick()
{
    showOnPage(FRM_Tool_Images, FRM_Tool_Images->PGC_Images, FRM_Tool_Images->TBS_Select_Images);
}
void TFRM_Alv::MNU_Images_EnregistrementClick()
{
    showOnPage(FRM_Tool_Images, FRM_Tool_Images->PGC_Images, FRM_Tool_Images->TBS_Enregistrement);
}
void TFRM_Alv::MNU_Affichage_RafraichissementClick()
{
    showOnPage(FRM_Tool_Affichage, FRM_Tool_Affichage->PGC_Affichage, FRM_Tool_Affichage->TBS_Rafraichissement);
}
void TFRM_Alv::MNU_Affichage_ZonesClick()
{
    showOnPage(FRM_Tool_Affichage, FRM_Tool_Affichage->PGC_Affichage, FRM_Tool_Affichage->TBS_Zones);
}
void TFRM_Alv::MNU_Affichage_CamerasClick()
{
    showOnPage(FRM_Tool_Affichage, FRM_Tool_Affichage->PGC_Affichage, FRM_Tool_Affichage->TBS_Cameras);
}
void TFRM_Alv::MNU_Affichage_MiniSourceClick()
{
    Align_V::ShowSmallSource();
}
void TFRM_Alv::MNU_PleinEcranClick()
{
    Align_V::ShowFullScreen();
}
void TFRM_Alv::MNU_Affichage_ReticuleClick()
{
    showOnPage(FRM_Tool_Mesures, FRM_Tool_Mesures->PGC_Mesures, FRM_Tool_Mesures->TBS_Reticule);
}
void TFRM_Alv::MNU_Mesures_EchantillonageClick()
{
    showOnPage(FRM_Tool_Mesures, FRM_Tool_Mesures->PGC_Mesures, FRM_Tool_Mesures->TBS_Echantillonnage);
}
void TFRM_Alv::MNU_Mesures_DistancesClick()
{
    showOnPage(FRM_Tool_Mesures, FRM_Tool_Mesures->PGC_Mesures, FRM_Tool_Mesures->TBS_Distances);
}
void TFRM_Alv::MNU_Mesures_DeclinaisonClick()
{
    showOnPage(FRM_Tool_Mesures, FRM_Tool_Mesures->PGC_Mesures, FRM_Tool_Mesures->TBS_Declinaison);
}
void TFRM_Alv::MNU_MAPClick()
{
    showOnPage(FRM_Tool_Affichage, FRM_Tool_Affichage->PGC_Affichage, FRM_Tool_Affichage->TBS_Mise_au_point);
}
void TFRM_Alv::MNU_Suivi_autoguidageClick()
{
    showOnPage(FRM_Tool_Suivi, nullptr, nullptr);
}
void TFRM_Alv::MNU_DetectMvtClick()
{
    showOnPage(FRM_Detect_Mvt, nullptr, nullptr);
}
void TFRM_Alv::MNU_SkyClick()
{
    Align_V::ShowSkyChart();
}
void TFRM_Alv::MNU_PlanificateurClick()
{
    Align_V::ShowPlanner();
}
void TFRM_Alv::MNU_ScriptsClick()
{
    Align_V::ShowScriptWindow();
}

// ---------------------------------------------------------------- other menus

void TFRM_Alv::MNU_OptionsClick()
{
    showOnPage(FRM_Pref, nullptr, nullptr);
}

void TFRM_Alv::MNU_CollimationClick()
{
    Align_V::StartCollimationAid();
}

void TFRM_Alv::MNU_TelescopeClick()
{
    showOnPage(FRM_Raquette, nullptr, nullptr);
}

void TFRM_Alv::MNU_AideClick()
{
    const QString path = platform::joinPath(platform::programDir(), QStringLiteral("Nightjarpro.chm"));
    const QString found = platform::findFileNoCase(platform::programDir(), QStringLiteral("Nightjarpro.chm"));
    if (found.isEmpty() || !Desktop::OpenDocument(found))
        platform::showError(TranslatedTexts.MSG_Aide_Introuvable + path);
}

void TFRM_Alv::MNU_AproposClick()
{
    showOnPage(AboutBox, nullptr, nullptr);
}

void TFRM_Alv::MNU_RessourcesClick()
{
    showOnPage(FRM_Ressources, nullptr, nullptr);
}

// ---------------------------------------------------------------- tool bars

void TFRM_Alv::SetUpPictureButtons()
{
    // The picture of each command, the same in every bar that shows it.
    using P = app::ButtonPicture;
    const std::pair<QToolButton*, P> pictures[] = {
        {SPDB_Ouvrir, P::OpenFile}, {SPDB_OuvrirSequence, P::OpenSequence},
        {SPDB_Enregistrer, P::SaveFile}, {SPDB_Enregistrement, P::Record},
        {SPDB_Seuils, P::Thresholds}, {SPDB_Select, P::Selection},
        {SPDB_Integration, P::Integration}, {SPDB_Filtres, P::Filters},
        {SPDB_Histo, P::Histogram}, {SPDB_Dark, P::Dark},
        {SPDB_Flat, P::Flat}, {SPDB_Merlans, P::Merlans},
        {SPDB_Rafraichissement, P::RefreshRate}, {SPDB_Zones, P::Zones},
        {SPDB_Cameras, P::CameraRoles}, {SPDB_Minisource, P::SmallSource},
        {SPDB_PleinEcran, P::FullScreen}, {SPDB_Reticule, P::Reticle},
        {SPDB_Echantillonage, P::Sampling}, {SPDB_Distances, P::Distances},
        {SPDB_Declinaison, P::Declination}, {SPDB_Focus, P::Focus},
        {SPDB_Autoguidage, P::Autoguiding}, {SPDB_Detect_mvt, P::MotionDetection},
        {SPDB_Carte, P::SkyChart}, {SPDB_Planif, P::Planner},
        {SPDB_Scripts, P::ScriptEditor}, {SPDB_Executer_Script, P::Run},
        {SPDB_Pauser_Script, P::Pause}, {SPDB_Arreter_Script, P::Stop},
        {SPDB_Executer, P::Run}, {SPDB_Abort, P::Stop},
        {SPDB_Nite, P::Night},
    };
    for (const auto& [button, picture] : pictures)
        app::SetPicture(button, picture);
    // A camera's buttons carry its number.
    const std::pair<QToolButton*, P> cameras[][8] = {
        {{SPDB_Cam1_Start, P::Run}, {SPDB_Cam1_Stop, P::Stop}, {SPDB_Cam1_Source, P::CameraSource},
         {SPDB_Cam1_WDMControl, P::CameraControls}, {SPDB_Cam1_Format, P::CameraFormat},
         {SPDB_Cam1_Image, P::ImageMode}, {SPDB_Cam1_Stream, P::StreamMode}, {SPDB_Cam1_PoseLongue, P::LongExposureMode}},
        {{SPDB_Cam2_Start, P::Run}, {SPDB_Cam2_Stop, P::Stop}, {SPDB_Cam2_Source, P::CameraSource},
         {SPDB_Cam2_WDMControl, P::CameraControls}, {SPDB_Cam2_Format, P::CameraFormat},
         {SPDB_Cam2_Image, P::ImageMode}, {SPDB_Cam2_Stream, P::StreamMode}, {SPDB_Cam2_Poselongue, P::LongExposureMode}},
    };
    for (int camera = 1; camera <= 2; ++camera)
        for (const auto& [button, picture] : cameras[camera - 1])
            app::SetPicture(button, picture, camera);

    // The expert tool bars' buttons are alike, square, a picture and its
    // frame; the function buttons as wide as their numbers need. Each bar's
    // buttons go in rows across the window, as many as its width needs.
    constexpr int kPicture = 16;
    constexpr int kSide = kPicture + 6;
    for (QWidget* bar : {ToolBar1, ToolBar2}) {
        for (QToolButton* b : bar->findChildren<QToolButton*>()) {
            b->setIconSize(QSize(kPicture, kPicture));
            b->setToolButtonStyle(Qt::ToolButtonIconOnly);
            const bool number = !b->text().isEmpty();
            const int caption = number ? b->fontMetrics().horizontalAdvance(QStringLiteral("20")) + 8 : 0;
            b->setFixedSize(std::max(kSide, caption), kSide);
        }
    }
    // The collection's name reads whole.
    CBX_ScriptCollection->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    CBX_ScriptCollection->setMinimumContentsLength(12);
    app::ButtonRows::Replace(ToolBar1->layout());
    app::ButtonRows::Replace(ToolBar2->layout());
}

void TFRM_Alv::SPDB_NiteClick(QObject* sender)
{
    // Both buttons show the same state.
    auto* clicked = qobject_cast<QToolButton*>(sender);
    const bool down = clicked ? clicked->isChecked() : SPDB_Nite->isChecked();
    SPDB_Nite->setChecked(down);
    SPDB_Nite_B->setChecked(down);
    if (down) {
        runNamed("NightColors.ReadNightColors");
        runNamed("NightColors.ApplyNightColors");
    } else {
        RestoreSystemColors();
    }
}

void TFRM_Alv::SPDB_Executer_ScriptClick()
{
    if (!FRM_Script)
        return;
    if (Scripts::ScriptPaused)
        FRM_Script->MNU_ExecuterDuCurseurClick();
    else
        FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut);
}

void TFRM_Alv::SPDB_Pauser_ScriptClick()
{
    if (FRM_Script)
        FRM_Script->MNU_PauseClick();
}

void TFRM_Alv::SPDB_Arreter_ScriptClick()
{
    if (FRM_Script)
        FRM_Script->MNU_ArreterClick();
}

// ---------------------------------------------------------------- views

void TFRM_Alv::PGC_MainChange()
{
    if (FRM_Small && FRM_Small->isVisible()) {
        Align_V::ComputeDisplayZone(FRM_Small->RDB_Source1->isChecked() ? 1 : 2);
        if (MiniZoneFrameBitmap)
            Align_V::DrawZoneRect(*MiniZoneFrameBitmap, MiniZoneImageRect, 1);
    }
    const QWidget* page = PGC_Main->currentWidget();
    if (page == TBS_Source1 || page == TBS_Source2) {
        SourceViewShown = 1;
        Align_V::ComputeDisplayZone(page == TBS_Source1 ? 1 : 2);
        if (ZoneFrameBitmap)
            Align_V::DrawZoneRect(*ZoneFrameBitmap, ZoneImageRect, 1);
    }
}

void TFRM_Alv::CKB_Visu_PermanenteClick()
{
    PermanentDisplay = FRM_Tool_Images && FRM_Tool_Images->CKB_Visu_Permanente->isChecked();
}

