// Guide corrections: a star offset in frame pixels becomes timed moves of
// the mount through the command layer, and one line of the guide log.

#include "telescope/track_step.h"

#include "app/controls/float_text.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "platform/clock.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "telescope/tracking/guide_log.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"

#include <cmath>
#include <numbers>

namespace Align_V {

namespace {

double numValue(const TCustomNumInp* input)
{
    const double v = input ? double(input->Value()) : 0.0;
    return std::isfinite(v) ? v : 0.0;
}

void setNum(TCustomNumInp* input, double value)
{
    if (input && std::isfinite(value))
        input->SetValue(std::clamp<long double>(value, input->Min(), input->Max()));
}

// One axis: a move of `arcsec` when the offset leaves the neutral zone and
// the direction's correction box is ticked, otherwise a stop of that
// direction.
void correctAxis(std::uint8_t direction, const QCheckBox* enabled, double pixels, double arcsec)
{
    const double neutral = FRM_Pref->SPED_Neutre->value() / 2.0;
    if (pixels > neutral && enabled->isChecked())
        Prg_Suivi::StartMotion(direction, false, true, arcsec);
    else
        Prg_Suivi::StopMountDirection(direction);
}

// The moves of one correction: theta in degrees, offsets in pixels and
// seconds of arc.
struct Moves {
    double theta, raPix, raArcsec, decPix, decArcsec;
    bool separate;
};

void send(const Moves& m)
{
    TFRM_Pref& p = *FRM_Pref;
    if (m.separate) {
        Prg_Suivi::StopMount();
        platform::sleeper().sleepMs(p.SPED_Delai_Separes->value());
    }
    MotionSource = 1;
    if (!m.separate || AxisToggle == 1) {
        if ((m.theta > 270 && m.theta < 360) || (m.theta >= 0 && m.theta <= 90))
            correctAxis(dirWest, p.CKB_Correct_Ouest, m.raPix, m.raArcsec);
        else
            correctAxis(dirEast, p.CKB_Correct_Est, m.raPix, m.raArcsec);
    }
    if (!m.separate || AxisToggle == 2) {
        if (m.theta > 0 && m.theta <= 180)
            correctAxis(dirSouth, p.CKB_Correct_Sud, m.decPix, m.decArcsec);
        else if (m.theta > 180 && m.theta <= 360)
            correctAxis(dirNorth, p.CKB_Correct_Nord, m.decPix, m.decArcsec);
    }
}

// The image scale was found missing and the user was told; cleared as soon
// as a scale is there again, so that a later loss is told too.
bool scaleMissingTold = false;

// Without an image scale no correction has a length: the user is told once
// what to set, and nothing is sent to the mount.
bool imageScaleMissing(double scale)
{
    if (scale > 0) {
        scaleMissingTold = false;
        return false;
    }
    if (!scaleMissingTold) {
        scaleMissingTold = true;
        Msg::ShowMessageText(false, TranslatedTexts.MSG_Autoguidage_Sans_Echantillonnage);
    }
    return true;
}

} // namespace

void SendGuideCorrection(double DX, double DY)
{
    if (!FRM_Pref || !std::isfinite(DX) || !std::isfinite(DY))
        return;
    TFRM_Pref& p = *FRM_Pref;
    const double L = std::sqrt(DX * DX + DY * DY);
    const double orientation = FRM_Tool_Mesures ? numValue(FRM_Tool_Mesures->TNI_Orient) : 0.0;
    const double theta = CalcHelpers::AddAngles(CalcHelpers::DriftDirection(DX, DY, L), -orientation);
    if (FRM_Prg_Suivi) {
        // All its digits, shown from the first one in the narrow field.
        FRM_Prg_Suivi->EDT_Sens_Erreur->setText(app::FormatG(theta));
        FRM_Prg_Suivi->EDT_Sens_Erreur->setCursorPosition(0);
    }

    const double rad = theta * 2 * std::numbers::pi / 360;
    const double raPix = std::fabs(std::cos(rad)) * L;
    const double decPix = std::fabs(std::sin(rad)) * L;
    const double scale = FRM_Tool_Mesures ? numValue(FRM_Tool_Mesures->TNI_Echantillonnage) : 0.0;
    const int declination = FRM_Tool_Suivi ? FRM_Tool_Suivi->SPED_Declinaison_Guide->value() : 0;
    const double raArcsec = raPix * scale / std::cos(declination * std::numbers::pi / 180);
    const double decArcsec = decPix * scale;
    if (FRM_Prg_Suivi) {
        setNum(FRM_Prg_Suivi->TNI_TR_AD, raPix);
        setNum(FRM_Prg_Suivi->TNI_TR_Dec, decPix);
    }

    if (imageScaleMissing(scale))
        return;
    // (The pulses below are distances: StartMotion puts an LX200 mount left
    // at "Find" or "Slew" at its guide rate first.)

    const Moves moves{theta, raPix, raArcsec, decPix, decArcsec, p.CKB_Axes_Separes->isChecked()};
    if (moves.separate)
        AxisToggle = std::uint8_t((AxisToggle & 1) + 1);
    // The frame routine and the image's mouse-ups send corrections: a
    // device that cannot be reached is told once and never takes the frame
    // with it. A correction that did not go out has no log line.
    const bool sent = Prg_Suivi::RunAutomatically([&moves] { send(moves); });

    if (sent && GuideLog && FRM_Tool_Suivi && FRM_Tool_Suivi->CKB_Log_Guidage->isChecked() && FRM_Prg_Suivi) {
        const auto* s = FRM_Prg_Suivi;
        GuideLog->Add(GuideLogText::GuideLine(DX, raPix, s->EDT_Duree_AD->text(), s->EDT_Dir_AD->text(), DY, decPix,
                                              s->EDT_Duree_Dec->text(), s->EDT_Dir_Dec->text(),
                                              TranslatedTexts.Txt_Ouest, TranslatedTexts.Txt_Nord));
    }
}

void SendCorrectionPulses(std::int32_t RA, std::int32_t Dec)
{
    if (RA < 0)
        Prg_Suivi::StartMotion(dirEast, false, true, -double(RA));
    else if (RA > 0)
        Prg_Suivi::StartMotion(dirWest, false, true, double(RA));
    if (FRM_Pref && FRM_Pref->CKB_Axes_Separes->isChecked()) {
        PendingDecPulse = Dec;
    } else if (Dec < 0) {
        Prg_Suivi::StartMotion(dirSouth, false, true, -double(Dec));
    } else if (Dec > 0) {
        Prg_Suivi::StartMotion(dirNorth, false, true, double(Dec));
    }
}

} // namespace Align_V
