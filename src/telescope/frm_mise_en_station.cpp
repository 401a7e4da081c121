#include "telescope/frm_mise_en_station.h"

#include "app/controls/float_text.h"
#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/settings.h"
#include "app/ui/control_adapters.h"
#include "capture/camera_slots.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "platform/message_service.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"

#include <algorithm>
#include <cmath>
#include <QSignalBlocker>
#include <numbers>

TFRM_MiseEnStation* FRM_MiseEnStation = nullptr;
double PixelAngle = 0;

namespace {

constexpr double kPi = 3.141592653589793;

double num(const TCustomNumInp* input)
{
    return input ? double(input->Value()) : 0.0;
}

QString general4(double value)
{
    return app::FloatToStrF(value, app::FloatFormat::General, 4, 0);
}

// The instruction lines of both methods, each after its prefix.
QString instructionLines()
{
    const TTranslatedTexts& t = TranslatedTexts;
    return QStringList{QStringLiteral("1-") + t.MSG_MES1, QStringLiteral("2-") + t.MSG_MES2,
                       QStringLiteral("3-") + t.MSG_MES3, QStringLiteral("4-") + t.MSG_MES4,
                       QStringLiteral("  ") + t.MSG_MES5}
        .join(QStringLiteral("\r\n"));
}

// Arms `code` on the main window as "M.en station".
void arm(std::uint8_t code)
{
    if (FRM_Alv)
        FRM_Alv->ArmOperation(code, &TTranslatedTexts::MSG_Operation_MES);
}

void clearResults(TFRM_MiseEnStation& w)
{
    for (QLineEdit* e : {w.EDT_Deplacement, w.EDT_Tours, w.EDT_AngleTraineeNS, w.EDT_AngleTraineeEO, w.EDT_Erreur_polaire})
        e->clear();
}

} // namespace

TFRM_MiseEnStation::TFRM_MiseEnStation(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    // The new radius reads as one sentence that names the axis chosen: the
    // language file's caption for the azimuth, the program's own for the
    // altitude. The axis word beside it is kept for the handlers but not
    // shown, since each sentence names its axis.
    azimuthRadiusCaption_ = LBL_NouveauRayon->text();
    LBL_Altaz->hide();
    PCTRL_Bigourdan->setCurrentWidget(TBS_Parametres);
    PCTRL_Methode->setCurrentWidget(TBS_Bigourdan);

    using W = TFRM_MiseEnStation;
    app::bindButtonClick(BTN_Demar_MES, this, &W::BTN_Demar_MESClick);
    app::bindButtonClick(BTN_Demarre_King, this, &W::BTN_Demarre_KingClick);
    app::bindButtonClick(BTN_Pause, this, &W::BTN_PauseClick);
    app::bindButtonClick(BTN_Orientation, this, &W::BTN_OrientationClick);
    app::bindButtonClick(BTN_Premiere_Correction, this, &W::BTN_Premiere_CorrectionClick);
    app::bindRadioClick(RDB_Correct_Azimuth, this, &W::RDB_Correct_AzimuthClick);
    app::bindRadioClick(RDB_Correct_Altitude, this, &W::RDB_Correct_AltitudeClick);
    app::bindButtonClick(BTN_Calculer, this, &W::BTN_CalculerClick);
    app::bindButtonClick(BTN_Applique_Modif, this, &W::BTN_Applique_ModifClick);
    app::bindButtonClick(BTN_Quitter, this, &W::BTN_QuitterClick);

    const std::pair<const char*, void (W::*)()> named[] = {
        {"FRM_MiseEnStation.BTN_CalculerClick", &W::BTN_CalculerClick},
        {"FRM_MiseEnStation.BTN_PauseClick", &W::BTN_PauseClick},
        {"FRM_MiseEnStation.ShowTexts", &W::ShowTexts},
    };
    for (const auto& [name, method] : named)
        Settings::RegisterHandler(QString::fromLatin1(name), [m = method] {
            if (FRM_MiseEnStation)
                (FRM_MiseEnStation->*m)();
        });
}

void TFRM_MiseEnStation::FormActivate()
{
    // The divisors of the computation are at least 1.
    if (FRM_Pref) {
        FRM_Pref->TNI_Larg_Pix->SetMin(0);
        FRM_Pref->TNI_Haut_Pix->SetMin(0);
    }
    TNI_Duree_Pose->SetMin(1);
    TNI_Long_Trainee_X->SetMin(1);
    TNI_Long_Trainee_Y->SetMin(1);
}

void TFRM_MiseEnStation::FormClose(TCloseAction&)
{
    // Only this window's own operation ends with it; another window's
    // recording or a learning goes on.
    if (FRM_Alv) {
        FRM_Alv->EndWindowOperation(1, 4);
        FRM_Alv->HoldOperationsMenu(false);
    }
}

void TFRM_MiseEnStation::BTN_Demar_MESClick()
{
    MiseEnStation::PrepareMeasure();
    arm(1);
    Msg::ShowMessageText(true, instructionLines());
}

void TFRM_MiseEnStation::BTN_Demarre_KingClick()
{
    KingPaused = 0;
    MiseEnStation::PrepareMeasure();
    arm(3);
    Msg::ShowMessageText(false, instructionLines());
}

void TFRM_MiseEnStation::BTN_PauseClick()
{
    KingPaused = KingPaused ? 0 : 1;
    showPauseCaption();
}

void TFRM_MiseEnStation::showPauseCaption()
{
    BTN_Pause->setText(KingPaused ? TranslatedTexts.MSG_King_Reactiver : TranslatedTexts.MSG_King_Pause);
}

void TFRM_MiseEnStation::showRadiusCaption()
{
    LBL_NouveauRayon->setText(RDB_Correct_Altitude->isChecked() ? TranslatedTexts.MSG_Nouveau_Rayon_Altitude
                                                                : azimuthRadiusCaption_);
}

void TFRM_MiseEnStation::ShowTexts()
{
    azimuthRadiusCaption_ = LBL_NouveauRayon->text();
    showPauseCaption();
    showRadiusCaption();
}

void TFRM_MiseEnStation::KingStopped()
{
    // The pause released, whatever cleared its flag first (a new King
    // start does before it arms).
    KingPaused = 1;
    BTN_PauseClick();
    BTN_Pause->setEnabled(false);
}

void TFRM_MiseEnStation::BTN_OrientationClick()
{
    // Closed first: the close would otherwise end the operation just armed.
    close();
    if (FRM_Alv)
        FRM_Alv->MNU_TailleOrientCaptClick();
}

void TFRM_MiseEnStation::BTN_Premiere_CorrectionClick()
{
    bool ok = false;
    const double v = EDT_Deplacement->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        platform::messages().show({QStringLiteral("'%1' is not a valid floating point value").arg(EDT_Deplacement->text()),
                                   platform::MsgKind::Error, platform::MsgButtons::Ok,
                                   QStringLiteral("FRM_MiseEnStation.BTN_Premiere_Correction"), {}});
        return;
    }
    TNI_Premiere_Correction->SetValue(v);
}

void TFRM_MiseEnStation::RDB_Correct_AzimuthClick()
{
    LBL_Altaz->setText(QStringLiteral("azimuth (mm):"));
    showRadiusCaption();
}

void TFRM_MiseEnStation::RDB_Correct_AltitudeClick()
{
    LBL_Altaz->setText(QStringLiteral("altitude (mm):"));
    showRadiusCaption();
}

void TFRM_MiseEnStation::BTN_CalculerClick()
{
    if (FRM_Pref) {
        const double radius = num(RDB_Correct_Azimuth->isChecked() ? FRM_Pref->TNI_Rayon_Az : FRM_Pref->TNI_Rayon_Alt);
        const double first = num(TNI_Premiere_Correction);
        if (first != 0) {
            const double r = radius * num(TNI_Correction_Effective) / first;
            if (std::isfinite(r) && r >= double(TNI_Nouveau_Rayon->Min()) && r <= double(TNI_Nouveau_Rayon->Max()))
                TNI_Nouveau_Rayon->SetValue(r);
        }
    }
    MiseEnStation::ComputeBigourdan();
}

void TFRM_MiseEnStation::BTN_Applique_ModifClick()
{
    if (!FRM_Pref)
        return;
    (RDB_Correct_Azimuth->isChecked() ? FRM_Pref->TNI_Rayon_Az : FRM_Pref->TNI_Rayon_Alt)->SetValue(TNI_Nouveau_Rayon->Value());
}

void TFRM_MiseEnStation::BTN_QuitterClick()
{
    close();
}

namespace MiseEnStation {

void PrepareMeasure()
{
    if (auto* s = FRM_Tool_Suivi; s && !s->CKB_Suivi->isChecked()) {
        {
            const QSignalBlocker quiet(s->CKB_Suivi);
            s->CKB_Suivi->setChecked(true);
        }
        s->RDB_Cadres->setChecked(true);
        s->CKB_SuiviClick();
    }
    const double width = FRM_Tool_Mesures ? num(FRM_Tool_Mesures->TNI_Larg_Pix) : 0.0;
    PixelAngle = CalcHelpers::AngularSize(CalcHelpers::Millimetres(double(EffectiveFocalLength)),
                                          CalcHelpers::Micrometres(width));
}

void ComputeBigourdan()
{
    TFRM_MiseEnStation* w = FRM_MiseEnStation;
    if (!w)
        return;
    const TCameraSlot& cam = CameraSlots[CurrentCameraSlot == 2 ? 2 : 1];
    const double W = cam.width, H = cam.height;
    const double focal = double(EffectiveFocalLength);
    const double duration = num(w->TNI_Duree_Pose);
    const bool altitude = w->RDB_Est->isChecked() || w->RDB_Ouest->isChecked();
    const double radius = FRM_Pref ? num(altitude ? FRM_Pref->TNI_Rayon_Alt : FRM_Pref->TNI_Rayon_Az) : 0.0;
    const double pitch = FRM_Pref ? num(altitude ? FRM_Pref->TNI_Fil_Alt : FRM_Pref->TNI_Fil_Az) : 0.0;
    const double delta = num(w->TNI_Decl_Etoile) / 180 * kPi;
    // No frame, no optics, no time, no screw or the pole itself: no result
    // rather than a division by 0.
    if (W <= 0 || H <= 0 || focal <= 0 || duration <= 0 || pitch <= 0 || std::abs(std::cos(delta)) < 1e-9
        || !FRM_Pref || !FRM_Tool_Mesures) {
        clearResults(*w);
        return;
    }
    const TFRM_Pref& p = *FRM_Pref;
    const double aX = CalcHelpers::AngularSize(CalcHelpers::Millimetres(focal),
                                               CalcHelpers::Micrometres(num(FRM_Tool_Mesures->TNI_Larg_Pix) / W * num(p.TNI_NbPix_X)));
    const double aY = CalcHelpers::AngularSize(CalcHelpers::Millimetres(focal),
                                               CalcHelpers::Micrometres(num(FRM_Tool_Mesures->TNI_Haut_Pix) / H * num(p.TNI_NbPix_Y)));
    // Each trail is scaled by the other axis's pixel angle.
    const double dX = num(w->TNI_Long_Trainee_X) * aY;
    const double dY = num(w->TNI_Long_Trainee_Y) * aX;
    const double L = std::sqrt(dX * dX + dY * dY);
    const double angle = ProcedureDirection / 180 * kPi;
    const double NS = std::abs(std::sin(angle)) * L;
    const double EW = std::cos(angle) * L;
    const double T = duration * EarthRotationRate;
    const double sin2 = std::sin(T) * std::sin(T);
    const double cos2 = std::cos(T) * std::cos(T);
    if (sin2 <= 0) {
        clearResults(*w);
        return;
    }
    const double q = std::min(std::max((std::cos(NS / std::cos(delta)) - cos2) / sin2, -1.0), 1.0);
    const double E = std::acos(q);
    const double V = CalcHelpers::RadToArcsec(EW) / duration;
    const double D = radius * E;
    const double turns = D / pitch;
    if (!std::isfinite(E) || !std::isfinite(V) || !std::isfinite(D) || !std::isfinite(turns) || !std::isfinite(NS)) {
        clearResults(*w);
        return;
    }
    w->EDT_Deplacement->setText(general4(D));
    w->EDT_Tours->setText(general4(turns));
    w->TNI_Erreur_Vitesse->SetValue(std::clamp<long double>(V, w->TNI_Erreur_Vitesse->Min(), w->TNI_Erreur_Vitesse->Max()));
    w->EDT_AngleTraineeNS->setText(CalcHelpers::DecToStr(CalcHelpers::RadToArcsec(NS)));
    w->EDT_AngleTraineeEO->setText(CalcHelpers::DecToStr(CalcHelpers::RadToArcsec(EW)));
    w->EDT_Erreur_polaire->setText(CalcHelpers::DecToStr(CalcHelpers::RadToArcsec(E)));
}

} // namespace MiseEnStation
