#include "telescope/frm_err_period.h"

#include "app/controls/float_text.h"
#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/log.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "capture/camera_slots.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "platform/dialog_service.h"
#include "telescope/frm_mise_en_station.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"

#include <QFileInfo>
#include <QLineSeries>
#include <algorithm>
#include <cmath>

TFRM_ErrPeriod* FRM_ErrPeriod = nullptr;

namespace {

constexpr double kPi = 3.141592653589793;

double num(const TCustomNumInp* input)
{
    return input ? double(input->Value()) : 0.0;
}

} // namespace

TFRM_ErrPeriod::TFRM_ErrPeriod(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    using W = TFRM_ErrPeriod;
    app::bindButtonClick(BTN_Demar_EP, this, &W::BTN_Demar_EPClick);
    app::bindButtonClick(BTN_Orientation, this, &W::BTN_OrientationClick);
    app::bindButtonClick(BTN_Reinit_Graphe, this, &W::BTN_Reinit_GrapheClick);
    app::bindCheckBoxClick(CKB_Fichier_EP, this, &W::CKB_Fichier_EPClick);
    app::bindButtonClick(BBTN_Charge_FichierPE, this, &W::BBTN_Charge_FichierPEClick);
    app::bindButtonClick(BTN_Quitter, this, &W::BTN_QuitterClick);
    CKB_Fichier_EPClick();

    Settings::RegisterHandler(QStringLiteral("ErrPeriod.MeasurePeriodicError"), [] { ErrPeriod::MeasurePeriodicError(); });
}

void TFRM_ErrPeriod::FormClose(TCloseAction&)
{
    // The recording ends with the window, running or armed; another
    // window's operation goes on.
    if (FRM_Alv) {
        FRM_Alv->EndWindowOperation(9, 10);
        FRM_Alv->HoldOperationsMenu(false);
    }
}

void TFRM_ErrPeriod::BTN_Demar_EPClick()
{
    MiseEnStation::PrepareMeasure();
    if (FRM_Alv)
        FRM_Alv->ArmOperation(9, &TTranslatedTexts::MSG_Operation_Err_Periodique);
    const TTranslatedTexts& t = TranslatedTexts;
    Msg::ShowMessageText(true, QStringList{t.MSG_MES1, t.MSG_MES2, t.MSG_MES3, t.MSG_MES4, t.MSG_MES5}.join(QStringLiteral("\r\n")));
}

void TFRM_ErrPeriod::BTN_OrientationClick()
{
    close();
    if (FRM_Alv)
        FRM_Alv->MNU_TailleOrientCaptClick();
}

void TFRM_ErrPeriod::BTN_Reinit_GrapheClick()
{
    CHRT_Erreur_Periodique->Clear();
}

void TFRM_ErrPeriod::CKB_Fichier_EPClick()
{
    const bool on = CKB_Fichier_EP->isChecked() && CKB_Fichier_EP->isEnabled();
    EDT_Nom_FichierPE->setEnabled(on);
    BBTN_Charge_FichierPE->setEnabled(on);
}

void TFRM_ErrPeriod::BBTN_Charge_FichierPEClick()
{
    platform::FileDialogRequest request;
    request.fileName = EDT_Nom_FichierPE->text();
    request.filter = QStringLiteral("text (*.txt)");
    if (auto name = platform::dialogs().saveFile(request)) {
        QString chosen = *name;
        if (QFileInfo(chosen).suffix().isEmpty())
            chosen += QStringLiteral(".txt");
        EDT_Nom_FichierPE->setText(chosen);
    }
}

void TFRM_ErrPeriod::BTN_QuitterClick()
{
    close();
}

void TFRM_ErrPeriod::RecordingStarted()
{
    // A recording that ended by itself may have left its log open: one log
    // per file.
    TLog::Close(PeLog);
    if (CKB_Fichier_EP->isChecked()) {
        PeLog = TLog::Create(EDT_Nom_FichierPE->text().trimmed(), LogTimeMode::None);
        // The log told the user; the box does not claim a file that is not there.
        if (!PeLog)
            CKB_Fichier_EP->setChecked(false);
    }
    for (QWidget* w : {static_cast<QWidget*>(CKB_Fichier_EP), static_cast<QWidget*>(EDT_Nom_FichierPE),
                       static_cast<QWidget*>(BBTN_Charge_FichierPE), static_cast<QWidget*>(BTN_Demar_EP)})
        w->setEnabled(false);
}

void TFRM_ErrPeriod::RecordingStopped()
{
    TLog::Close(PeLog);
    CHRT_Erreur_Periodique->Flush();
    CKB_Fichier_EP->setEnabled(true);
    BTN_Demar_EP->setEnabled(true);
    CKB_Fichier_EPClick();
}

namespace ErrPeriod {

void MeasurePeriodicError()
{
    TFRM_ErrPeriod* w = FRM_ErrPeriod;
    if (!w)
        return;
    const TCameraSlot& cam = CameraSlots[CurrentCameraSlot == 2 ? 2 : 1];
    const double W = cam.width, H = cam.height;
    const double focal = double(EffectiveFocalLength);
    // No frame or no optics: nothing to measure.
    if (W <= 0 || H <= 0 || focal <= 0 || !FRM_Pref || !FRM_Tool_Mesures) {
        w->EDT_AngleTraineeEO->clear();
        return;
    }
    const double aX = CalcHelpers::AngularSize(CalcHelpers::Millimetres(focal),
                                               CalcHelpers::Micrometres(num(FRM_Pref->TNI_NbPix_X) * (num(FRM_Tool_Mesures->TNI_Larg_Pix) / W)));
    const double aY = CalcHelpers::AngularSize(CalcHelpers::Millimetres(focal),
                                               CalcHelpers::Micrometres(num(FRM_Pref->TNI_NbPix_Y) * (num(FRM_Tool_Mesures->TNI_Haut_Pix) / H)));
    // Each axis scaled by the other axis's pixel angle.
    const double dX = PeriodicErrorTrail.x() * aY;
    const double dY = PeriodicErrorTrail.y() * aX;
    const double L = std::sqrt(dX * dX + dY * dY);
    const double e = -std::cos(ProcedureDirection / 180 * kPi) * L;
    if (!std::isfinite(e)) {
        w->EDT_AngleTraineeEO->clear();
        return;
    }
    w->EDT_Senserreur->setText(app::FloatToStrF(ProcedureDirection, app::FloatFormat::General, 3, 0));
    const double t = num(w->TNI_Duree_Pose);
    const double arcsec = e * 648000 / kPi;
    w->CHRT_Erreur_Periodique->AddPoint(t, arcsec);
    if (w->CKB_Fichier_EP->isChecked() && PeLog)
        PeLog->Add(app::FormatG(t) + QLatin1Char(';') + app::FormatG(arcsec));
    // No rate before any time has passed.
    if (t > 0) {
        TCustomNumInp* rate = w->TNI_Erreur_Vitesse;
        rate->SetValue(std::clamp<long double>(CalcHelpers::RadToArcsec(e) / t, rate->Min(), rate->Max()));
    }
    w->EDT_AngleTraineeEO->setText(CalcHelpers::DecToStr(CalcHelpers::RadToArcsec(e)));
}

} // namespace ErrPeriod
