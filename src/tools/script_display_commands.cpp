// Script commands of the reticle, the display and detection zones and the
// tool windows. They set the controls of the measurement window and the
// display tool, click on the guided source view and run the main window's
// menu handlers, as the user would.

#include "app/controls/num_inp.h"
#include "app/frm_alv.h"
#include "app/settings.h"
#include "imaging/overlays.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "scripting/command_fields.h"
#include "scripting/frm_planificateur.h"
#include "scripting/frm_script.h"
#include "scripting/script_commands.h"
#include "scripting/scripts.h"
#include "telescope/frm_detect_mvt.h"
#include "telescope/frm_sky.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_info.h"
#include "tools/frm_small.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"

#include "platform/message_service.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QScrollBar>

#include <cmath>
#include <functional>

namespace Scripts {

namespace {

const QString kCannotChangeDisplaySize = QStringLiteral("Cannot change display size...");

// "on" / "off" into a check box (whose click handler the box runs when its
// state changes), then the named handler once more. False for another value.
bool SetOnOff(const QString& value, QCheckBox* box, const char* handler = nullptr)
{
    if (value != QLatin1String("on") && value != QLatin1String("off"))
        return false;
    box->setChecked(value == QLatin1String("on"));
    if (handler)
        Settings::RunHandler(QString::fromLatin1(handler));
    return true;
}

// A right-button release on the guided slot's source view: the display zone
// goes there (Shift: to the frame's centre). Another slot: nothing.
void ReleaseOnGuidedView(int button, int shift, int x, int y)
{
    if (GuideSourceSlot == 1)
        FRM_Alv->Image1MouseUp(FRM_Alv->Image1, button, shift, x, y);
    else if (GuideSourceSlot == 2)
        FRM_Alv->Image2MouseUp(FRM_Alv->Image2, button, shift, x, y);
}

// A size of the display zone into one of its bars. With a bar that cannot
// be used (a camera that fixes the size) the user is told and the script
// goes on.
void SetZoneBar(const QString& arguments, QScrollBar* bar, const std::function<void(int)>& scroll, bool onlyFreeRatio)
{
    std::int32_t v = 0;
    if (!EvalIntField(arguments, bar->value(), v))
        return;
    if (!onlyFreeRatio || FRM_Tool_Affichage->RDB_Ratio_Libre->isChecked()) {
        if (bar->isEnabled()) {
            bar->setValue(v);
            scroll(v);
        } else {
            platform::messages().show({kCannotChangeDisplaySize, platform::MsgKind::Information,
                                       platform::MsgButtons::Ok, {}, {}});
        }
    }
    CommandDone();
}

// A tool window: field 1 "show" runs show(), "hide" hides the window that
// hide() names; other values stop with field 1. show() and hide() may stop
// the script themselves (then they return false).
void ShowOrHide(const QString& arguments, const std::function<bool()>& show, const std::function<QWidget*()>& hide)
{
    const QString action = CommandField(arguments, 1);
    if (action == QLatin1String("show")) {
        if (!show())
            return;
    } else if (action == QLatin1String("hide")) {
        if (QWidget* w = hide())
            w->close();
    } else {
        ScriptError(action);
        return;
    }
    CommandDone();
}

template <class Handler>
std::function<bool()> Menu(Handler handler)
{
    return [handler] {
        (FRM_Alv->*handler)();
        return true;
    };
}

} // namespace

void CmdReticle(std::uint8_t, const QString& arguments)
{
    if (!SetOnOff(arguments, FRM_Tool_Mesures->CKB_Reticule, "FRM_Tool_Mesures.CKB_ReticuleClick")) {
        ScriptError(arguments);
        return;
    }
    CommandDone();
}

void CmdReticlePosition(std::uint8_t, const QString& arguments)
{
    bool sourceOk = false;
    const QString sourceText = CommandField(arguments, 1).trimmed();
    std::int32_t source = sourceText.toInt(&sourceOk);
    if (!sourceOk)
        source = 1;
    std::int32_t x = 0, y = 0;
    if (!EvalIntField(CommandField(arguments, 2), 99999, x) || !EvalIntField(CommandField(arguments, 3), 99999, y))
        return;
    if (x == 99999) {
        ScriptError(CommandField(arguments, 2));
        return;
    }
    if (y == 99999) {
        ScriptError(CommandField(arguments, 3));
        return;
    }
    // The frame redrawn belongs to one of the two camera slots.
    if (source != 1 && source != 2) {
        ScriptError(QStringLiteral("Cam = %1, (0 < Cam < 3)").arg(source));
        return;
    }
    TFRM_Tool_Mesures* m = FRM_Tool_Mesures;
    MeasureCentre = QPoint(x, y);   // the reticle's centre
    if (m->CKB_Reticule->isChecked()) {
        Align_V::ClearOverlay();
        Align_V::DrawReticle(x, y, m->CKB_Croix->isChecked(), double(m->TNI_Echantillonnage->Value()),
                             double(m->TNI_Orient->Value()), m->CKB_Cercles->isChecked(), std::uint8_t(source));
    }
    if (m->CKB_Fichier_Comparaison->isChecked() && m->OverlayPictureRecord.Valid)
        Align_V::DrawOverlayPicture(x, y);
    std::uint8_t keep = 0;
    Align_V::ProcessFrame(1, keep, std::uint8_t(source));
    CommandDone();
}

void CmdReticlePositionCenteron(std::uint8_t, const QString& arguments)
{
    const QString where = CommandField(arguments, 2);
    if (where == QLatin1String("screen"))
        Settings::RunHandler(QStringLiteral("FRM_Tool_Mesures.BTN_Centrer_Reticule_sur_ecranClick"));
    else if (where == QLatin1String("track"))
        Settings::RunHandler(QStringLiteral("FRM_Tool_Mesures.BTN_Centrer_reticule_sur_mireClick"));
    else {
        ScriptError(where);
        return;
    }
    CommandDone();
}

void CmdReticleShowCircle(std::uint8_t, const QString& arguments)
{
    const QString value = CommandField(arguments, 2);
    if (!SetOnOff(value, FRM_Tool_Mesures->CKB_Cercles, "FRM_Tool_Mesures.CKB_CerclesClick")) {
        ScriptError(value);
        return;
    }
    CommandDone();
}

void CmdReticleShowCross(std::uint8_t, const QString& arguments)
{
    const QString value = CommandField(arguments, 2);
    if (!SetOnOff(value, FRM_Tool_Mesures->CKB_Croix, "FRM_Tool_Mesures.CKB_CroixClick")) {
        ScriptError(value);
        return;
    }
    CommandDone();
}

void CmdDisplayZoneSize(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Affichage* w = FRM_Tool_Affichage;
    SetZoneBar(arguments, w->SCB_Taille_ZAffich, [w](int v) { w->SCB_Taille_ZAffichScroll(w->SCB_Taille_ZAffich, 5, v); },
               false);
}

void CmdDisplayZoneWidth(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Affichage* w = FRM_Tool_Affichage;
    SetZoneBar(arguments, w->SCB_Taille_ZAffich, [w](int v) { w->SCB_Taille_ZAffichScroll(w->SCB_Taille_ZAffich, 5, v); },
               true);
}

void CmdDisplayZoneHeight(std::uint8_t, const QString& arguments)
{
    SetZoneBar(arguments, FRM_Tool_Affichage->SCB_Taille_ZAffichV,
               [](int) { Settings::RunHandler(QStringLiteral("FRM_Tool_Affichage.SCB_Taille_ZAffichVScroll")); }, true);
}

void CmdDisplayZoneRatio(std::uint8_t, const QString& arguments)
{
    TFRM_Tool_Affichage* w = FRM_Tool_Affichage;
    ChooseRadio(arguments, {{"screen", w->RDB_Ratio_Ecran, "FRM_Tool_Affichage.RDB_Ratio_EcranClick"},
                            {"free", w->RDB_Ratio_Libre, "FRM_Tool_Affichage.RDB_Ratio_LibreClick"}});
}

void CmdDisplayZonePosition(std::uint8_t, const QString& arguments)
{
    std::int32_t x = 0, y = 0;
    if (!EvalIntField(CommandField(arguments, 1), TrackedStarPos.x(), x)
        || !EvalIntField(CommandField(arguments, 2), TrackedStarPos.y(), y))
        return;
    ReleaseOnGuidedView(1, 0, x, y);
    CommandDone();
}

void CmdDisplayZonePositionCenter(std::uint8_t, const QString&)
{
    ReleaseOnGuidedView(1, 1, 1, 1);
    CommandDone();
}

void CmdZoneLink(std::uint8_t, const QString& arguments)
{
    if (!SetOnOff(arguments, FRM_Tool_Affichage->CKB_Zones_Liees)) {
        ScriptError(arguments);
        return;
    }
    CommandDone();
}

void CmdWindowCamsettings(std::uint8_t, const QString& arguments)
{
    const int cam = CameraField(CommandField(arguments, 1));
    if (cam == 0)
        return;
    const QString page = CommandField(arguments, 2);
    if (page == QLatin1String("format"))
        cam == 1 ? FRM_Alv->MNU_Cam1_FormatClick() : FRM_Alv->MNU_Cam2_FormatClick();
    else if (page == QLatin1String("source"))
        cam == 1 ? FRM_Alv->MNU_Cam1_SourceClick() : FRM_Alv->MNU_Cam2_SourceClick();
    else {
        ScriptError(page);
        return;
    }
    CommandDone();
}

void CmdWindowDisplay(std::uint8_t, const QString& arguments)
{
    ShowOrHide(
        arguments,
        [&arguments] {
            const QString page = CommandField(arguments, 2);
            if (page == QLatin1String("cameras"))
                FRM_Alv->MNU_Affichage_CamerasClick();
            else if (page == QLatin1String("reticle"))
                FRM_Alv->MNU_Affichage_ReticuleClick();
            else if (page == QLatin1String("speed"))
                FRM_Alv->MNU_Affichage_RafraichissementClick();
            else if (page == QLatin1String("zones"))
                FRM_Alv->MNU_Affichage_ZonesClick();
            else {
                ScriptError(page);
                return false;
            }
            return true;
        },
        [] { return FRM_Tool_Affichage; });
}

void CmdWindowFocus(std::uint8_t, const QString& arguments)
{
    ShowOrHide(arguments, Menu(&TFRM_Alv::MNU_MAPClick), [] { return FRM_Tool_Affichage; });
}

void CmdWindowMinisource(std::uint8_t, const QString& arguments)
{
    ShowOrHide(arguments, Menu(&TFRM_Alv::MNU_Affichage_MiniSourceClick), [] { return FRM_Small; });
}

void CmdWindowImages(std::uint8_t, const QString& arguments)
{
    const QString page = CommandField(arguments, 2);
    ShowOrHide(
        arguments,
        [&page] {
            TFRM_Alv* a = FRM_Alv;
            if (page == QLatin1String("autoselect"))
                a->MNU_Images_SelectionClick();
            else if (page == QLatin1String("darks"))
                a->MNU_Images_DarksClick();
            else if (page == QLatin1String("filters"))
                a->MNU_Images_FiltresClick();
            else if (page == QLatin1String("flats"))
                a->MNU_Images_FlatsClick();
            else if (page == QLatin1String("information"))
                a->MNU_Images_InformationClick();
            else if (page == QLatin1String("integration"))
                a->MNU_Images_IntegrationClick();
            else if (page == QLatin1String("levels"))
                a->MNU_Images_SeuilsClick();
            else if (page == QLatin1String("sequencer"))
                a->MNU_Images_EnregistrementClick();
            else {
                ScriptError(page);
                return false;
            }
            return true;
        },
        [&page]() -> QWidget* {
            if (page == QLatin1String("information"))
                return FRM_Info;
            return FRM_Tool_Images;
        });
}

void CmdWindowMeasure(std::uint8_t, const QString& arguments)
{
    ShowOrHide(
        arguments,
        [&arguments] {
            const QString page = CommandField(arguments, 2);
            if (page == QLatin1String("sampling"))
                FRM_Alv->MNU_Mesures_EchantillonageClick();
            else if (page == QLatin1String("distances"))
                FRM_Alv->MNU_Mesures_DistancesClick();
            else if (page == QLatin1String("declination"))
                FRM_Alv->MNU_Mesures_DeclinaisonClick();
            else {
                ScriptError(arguments);
                return false;
            }
            return true;
        },
        [] { return FRM_Tool_Mesures; });
}

void CmdWindowMosaics(std::uint8_t, const QString& arguments)
{
    ShowOrHide(arguments, Menu(&TFRM_Alv::MNU_PlanificateurClick), [] { return FRM_Planificateur; });
}

void CmdWindowMvtdetect(std::uint8_t, const QString& arguments)
{
    ShowOrHide(arguments, Menu(&TFRM_Alv::MNU_DetectMvtClick), [] { return FRM_Detect_Mvt; });
}

void CmdWindowScripts(std::uint8_t, const QString& arguments)
{
    const QString action = CommandField(arguments, 1);
    if (action == QLatin1String("hide")) {
        // Only hidden: closing the script window would act on the script.
        FRM_Script->hide();
        CommandDone();
        return;
    }
    ShowOrHide(arguments, Menu(&TFRM_Alv::MNU_ScriptsClick), [] { return FRM_Script; });
}

void CmdWindowSky(std::uint8_t, const QString& arguments)
{
    ShowOrHide(arguments, Menu(&TFRM_Alv::MNU_SkyClick), [] { return FRM_Sky; });
}

void CmdWindowTrack(std::uint8_t, const QString& arguments)
{
    ShowOrHide(arguments, Menu(&TFRM_Alv::MNU_Suivi_autoguidageClick), [] { return FRM_Tool_Suivi; });
}

} // namespace Scripts

namespace {
const Scripts::CommandRegistrar registrar{
    {"reticle", Scripts::CmdReticle},
    {"reticle.position", Scripts::CmdReticlePosition},
    {"reticle.position.centeron", Scripts::CmdReticlePositionCenteron},
    {"reticle.show.circle", Scripts::CmdReticleShowCircle},
    {"reticle.show.cross", Scripts::CmdReticleShowCross},
    {"display.zone.size", Scripts::CmdDisplayZoneSize},
    {"display.zone.width", Scripts::CmdDisplayZoneWidth},
    {"display.zone.height", Scripts::CmdDisplayZoneHeight},
    {"display.zone.ratio", Scripts::CmdDisplayZoneRatio},
    {"display.zone.position", Scripts::CmdDisplayZonePosition},
    {"display.zone.position.center", Scripts::CmdDisplayZonePositionCenter},
    {"zone.link", Scripts::CmdZoneLink},
    {"window.camsettings", Scripts::CmdWindowCamsettings},
    {"window.display", Scripts::CmdWindowDisplay},
    {"window.focus", Scripts::CmdWindowFocus},
    {"window.minisource", Scripts::CmdWindowMinisource},
    {"window.images", Scripts::CmdWindowImages},
    {"window.measure", Scripts::CmdWindowMeasure},
    {"window.mosaics", Scripts::CmdWindowMosaics},
    {"window.mvtdetect", Scripts::CmdWindowMvtdetect},
    {"window.scripts", Scripts::CmdWindowScripts},
    {"window.sky", Scripts::CmdWindowSky},
    {"window.track", Scripts::CmdWindowTrack},
};
}
