#include "app/align_v_features.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "capture/camera_slots.h"
#include "capture/frm_longuepose.h"
#include "imaging/pipeline_state.h"
#include "imaging/process_frame.h"
#include "kernels/rounding.h"
#include "kernels/image_files.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "scripting/frm_planificateur.h"
#include "scripting/frm_script.h"
#include "scripting/scripts.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_sky.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/sky/sky_chart.h"
#include "tools/frm_full_screen.h"
#include "tools/frm_small.h"
#include "tools/frm_tool_images.h"
#include "tools/util_images.h"
#include "translation/translated_texts.h"

#include <QFileInfo>

#include <cmath>
#include <numbers>

namespace Align_V {

THooks Hooks;

bool RunScriptByName(const QString& fileName, QString* failure)
{
    // The scripts folder as read from the dialog ends with its separator.
    const QString folder = FRM_Pref ? FRM_Pref->ScriptsFolder() : QString();
    const QString path = platform::resolveDataFile(folder + platform::fromStoredPath(fileName));
    if (fileName.trimmed().isEmpty() || !QFileInfo(path).isFile())
        return false;
    return Scripts::RunScriptFile(path, failure);
}

void UpdateHandPadControls()
{
    if (!FRM_Raquette || !FRM_Pref)
        return;
    TFRM_Raquette& r = *FRM_Raquette;
    if (!FRM_Pref->RDB_Mount_LX200->isChecked()) {
        for (QWidget* w : std::initializer_list<QWidget*>{r.BTN_Sync, r.RDB_Messier, r.RDB_NGC, r.RDB_IC, r.RDB_UGC,
                                                          r.RDB_Etoile_SAO, r.RDB_Coords, r.EDT_Numero, r.RDB_Relatif})
            w->setEnabled(true);
        r.OfferGoto(true);
        for (QWidget* w : std::initializer_list<QWidget*>{r.RDB_Etoile, r.RDB_Planete, r.CBX_Planete})
            w->setEnabled(false);
    }
    r.CKB_Assist_Vocal->setEnabled(true);
}

// ---------------------------------------------------------------- windows

void ShowScriptWindow()
{
    if (FRM_Script)
        Systeme::ShowFormOnScreen(FRM_Script);
}

void ShowSkyChart()
{
    if (!FRM_Sky)
        return;
    Systeme::ShowFormOnScreen(FRM_Sky);
    // The chart window also draws the chart when it paints.
    if (!Settings::RunHandler(QStringLiteral("Sky.RedrawChart")))
        FRM_Sky->update();
}

void ShowPlanner()
{
    if (FRM_Planificateur)
        Systeme::ShowFormOnScreen(FRM_Planificateur);
}

void ShowSmallSource()
{
    if (FRM_Small)
        Systeme::ShowFormOnScreen(FRM_Small);
}

void ShowFullScreen()
{
    if (!FRM_FullScreen || !FRM_Alv)
        return;
    Systeme::ShowFormOnScreen(FRM_FullScreen);
    FRM_Alv->MNU_PleinEcran->setCheckable(true);
    FRM_Alv->MNU_PleinEcran->setChecked(true);
    std::uint8_t keep = 0;
    ProcessFrame(1, keep, CurrentCameraSlot);
}

// ---------------------------------------------------------------- collimation

void StartCollimationAid()
{
    if (FRM_Tool_Suivi) {
        if (!FRM_Tool_Suivi->CKB_Suivi->isChecked()) {
            FRM_Tool_Suivi->CKB_Suivi->setChecked(true);
            Settings::RunHandler(QStringLiteral("FRM_Tool_Suivi.CKB_SuiviClick"));
        }
        FRM_Tool_Suivi->RDB_Cadres->setChecked(true);
    }
    const TTranslatedTexts& t = TranslatedTexts;
    Msg::ShowMessageText(true, QStringLiteral("1-") + t.MSG_Setderive1 + QStringLiteral("\r\n2-") + t.MSG_Setderive2
                                   + QStringLiteral("\r\n3-") + t.MSG_Setderive3 + QStringLiteral("\r\n4-")
                                   + t.MSG_Setderive4);
    if (FRM_Alv)
        FRM_Alv->ArmOperation(15, &TTranslatedTexts::MSG_Operation_Collimation);
}

// ---------------------------------------------------------------- toggles

namespace {

// Changes a check box once and applies its new state.
void toggle(QAbstractButton* box, void (*apply)())
{
    if (!box)
        return;
    box->setChecked(!box->isChecked());
    apply();
}

} // namespace

void ApplyHoldspan()
{
    if (FRM_Longuepose)
        FRM_Longuepose->SPED_MinExp->setEnabled(FRM_Longuepose->CKB_Holdspan->isChecked());
}

void ToggleHoldspan()
{
    toggle(FRM_Longuepose ? FRM_Longuepose->CKB_Holdspan : nullptr, &ApplyHoldspan);
}

void ApplyCurves()
{
    if (!FRM_Tool_Images)
        return;
    ToneCurveActive = FRM_Tool_Images->CKB_Equal->isChecked();
    Settings::RunHandler(QStringLiteral("FRM_Tool_Images.EqualizerPoints"));
}

void ToggleCurves()
{
    toggle(FRM_Tool_Images ? FRM_Tool_Images->CKB_Equal : nullptr, &ApplyCurves);
}

LuminanceWeights LuminanceWeightsAt(double x, double y)
{
    LuminanceWeights w;
    w.blue = x / 128;
    w.green = 1 - w.blue;
    w.red = (64 - y) / 64;
    w.blue = (1 - w.red) * w.blue;
    w.green = (1 - w.red) * w.green;
    return w;
}

void ApplyLuminance()
{
    if (!FRM_Tool_Images)
        return;
    TFRM_Tool_Images& t = *FRM_Tool_Images;
    const LuminanceWeights w = LuminanceWeightsAt(t.CPC_L->property("XCoordinate").toDouble(),
                                                  t.CPC_L->property("YCoordinate").toDouble());
    LuminanceMix.Enabled = t.CKB_L->isChecked() ? 1 : 0;
    LuminanceMix.WeightR = w.red;
    LuminanceMix.WeightG = w.green;
    LuminanceMix.WeightB = w.blue;
    LuminanceMix.Multiplier = 1.0;
    t.EDT_L_R->setText(QString::number(kernels::roundHalfEvenToInt(w.red * 100)));
    t.EDT_L_G->setText(QString::number(kernels::roundHalfEvenToInt(w.green * 100)));
    t.EDT_L_B->setText(QString::number(kernels::roundHalfEvenToInt(w.blue * 100)));
    Util_Images::RefreshResultImage();
}

void ToggleLuminance()
{
    toggle(FRM_Tool_Images ? FRM_Tool_Images->CKB_L : nullptr, &ApplyLuminance);
}

void ApplyFilter()
{
    if (!FRM_Tool_Images)
        return;
    TFRM_Tool_Images& t = *FRM_Tool_Images;
    const bool on = t.CKB_Filtre->isChecked();
    // The filter's glyph files are those of the program's own "Icons" folder.
    if (FRM_Alv)
        Util_Images::ShowButtonState({FRM_Alv->SPDB_Filtres, FRM_Alv->SPDB_Filtres_B}, QStringLiteral("Sharpen"), on,
                                     platform::joinPath(platform::programDir(), QStringLiteral("Icons")));
    if (!t.CKB_Integration->isChecked())
        t.CKB_utiliser_seuils->setChecked(on);
    Util_Images::RefreshResultImage();
}

void ToggleFilter()
{
    toggle(FRM_Tool_Images ? FRM_Tool_Images->CKB_Filtre : nullptr, &ApplyFilter);
}

void ToggleMosaic()
{
    if (FRM_Alv)
        FRM_Alv->CKB_Mosaique_Active->setChecked(!FRM_Alv->CKB_Mosaique_Active->isChecked());
}

// ---------------------------------------------------------------- goto

namespace {

constexpr double kArcsecPerRadian = 648000.0 / std::numbers::pi;

void notFound()
{
    Scripts::GotoRunning = false;
    Msg::ShowMessageText(true, TranslatedTexts.MSG_Object_not_found);
    if (FRM_Raquette && FRM_Raquette->CKB_Assist_Vocal->isChecked() && Hooks.PlayVoicePrompt)
        Hooks.PlayVoicePrompt(QStringLiteral("S_Objet_non_trouve"), 900);
}

void lookUp(const std::function<void(const QString&, double&, double&)>& find, const QString& name, double& ra,
            double& dec)
{
    ra = dec = kNotFound;
    if (find)
        find(name, ra, dec);
}

void setRelative(bool relative)
{
    for (auto [rel, abs] : {std::pair<QRadioButton*, QRadioButton*>{FRM_Raquette ? FRM_Raquette->RDB_Relatif : nullptr,
                                                                    FRM_Raquette ? FRM_Raquette->RDB_Absolu : nullptr},
                            {FRM_ObjectAction ? FRM_ObjectAction->RDB_Relatif : nullptr,
                             FRM_ObjectAction ? FRM_ObjectAction->RDB_Absolu : nullptr}})
        if (rel && abs)
            (relative ? rel : abs)->setChecked(true);
}

} // namespace

void GotoObject(bool& started)
{
    started = false;
    if (!FRM_Raquette)
        return;
    TFRM_Raquette& r = *FRM_Raquette;
    if (!(r.RDB_Messier->isChecked() || r.RDB_NGC->isChecked() || r.RDB_IC->isChecked() || r.RDB_UGC->isChecked()
          || r.RDB_Etoile_SAO->isChecked() || r.RDB_Coords->isChecked()))
        return;
    Settings::RunHandler(QStringLiteral("Sky.RedrawChart"));

    // Right ascension and declination in radians, 99 when not found.
    double ra = kNotFound;
    double dec = kNotFound;
    const QString number = r.EDT_Numero->text().trimmed();
    if (r.RDB_NGC->isChecked())
        lookUp(Hooks.FindDeepSkyObject, QStringLiteral("NGC") + number, ra, dec);
    else if (r.RDB_IC->isChecked())
        lookUp(Hooks.FindDeepSkyObject, QStringLiteral("IC") + number, ra, dec);
    else if (r.RDB_UGC->isChecked())
        lookUp(Hooks.FindDeepSkyObject, QStringLiteral("UGC") + number, ra, dec);
    else if (r.RDB_Messier->isChecked())
        lookUp(Hooks.FindDeepSkyObject, QStringLiteral("M") + number, ra, dec);
    else if (r.RDB_Etoile_SAO->isChecked())
        lookUp(Hooks.FindSaoStar, QStringLiteral("SAO") + number, ra, dec);
    else {
        // Typed coordinates: seconds of arc, made radians like the look-ups;
        // refused (and told) off the sky.
        const auto position = r.TypedPosition();
        if (!position)
            return;
        ra = position->first / kArcsecPerRadian;
        dec = position->second / kArcsecPerRadian;
    }
    if (!r.RDB_Coords->isChecked() && (ra == kNotFound || dec == kNotFound)) {
        notFound();
        return;
    }

    // The goto dialog takes the object as its destination.
    Sky::GotoCurrentRA = ra * kArcsecPerRadian;
    Sky::GotoCurrentDec = dec * kArcsecPerRadian;
    if (!(FRM_Pref && FRM_Pref->RDB_Mount_ASCOM->isChecked()) && FRM_ObjectAction)
        FRM_ObjectAction->RDB_Relatif->setChecked(true);
    RunDestinationHandlerFromHandPad();

    if (Sky::OriginSet()) {
        Object_Action::ShowPosition({r.TNI_RaH, r.TNI_RaM, r.TNI_RaS, r.TNI_DecD, r.TNI_DecM, r.TNI_DecS},
                                    ra * kArcsecPerRadian, dec * kArcsecPerRadian);
        // The goto dialog marks a goto it really starts as running.
        Scripts::GotoRunning = false;
        started = Settings::RunHandler(QStringLiteral("FRM_ObjectAction.BTN_GotoClick")) && Scripts::GotoRunning;
        return;
    }
    Scripts::GotoRunning = false;
    Settings::RunHandler(QStringLiteral("Sky.RedrawChart"));
    Msg::ShowMessageText(true, TranslatedTexts.MSG_Position_Telescope_Inconnue);
    Msg::ShowMessageText(false, TranslatedTexts.MSG_Synchroniser_Avant_Goto);
}

void ToggleRelativeMode()
{
    if (!FRM_Raquette)
        return;
    setRelative(!FRM_Raquette->RDB_Relatif->isChecked());
}

// ---------------------------------------------------------------- saving

bool SaveDisplayedImage(const QString& path)
{
    if (!FRM_Alv)
        return false;
    TFRM_Alv& w = *FRM_Alv;
    const QWidget* page = w.PGC_Main->currentWidget();
    const TImageView* view = page == w.TBS_Source2    ? w.Image2
                             : page == w.TBS_Resultat ? w.Image3
                             : page == w.TBS_Mosaique ? w.IMG_Mosaic
                                                      : w.Image1;
    const kernels::Bitmap24& picture = view->Bitmap();
    if (picture.isEmpty()) {
        platform::showError(TranslatedTexts.MSG_Aucune_Image_A_Enregistrer + path);
        return false;
    }
    const QString suffix = QFileInfo(path).suffix().toLower();
    QString error;
    const bool ok = (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
                        ? kernels::ImageFiles::WriteJpeg(path, picture, FRM_Tool_Images->SPED_Qualite_Jpeg->value(),
                                                         &error)
                        : kernels::ImageFiles::WriteBmp24(path, picture, &error);
    if (!ok)
        platform::showError(error);
    return ok;
}

} // namespace Align_V
