#include "telescope/frm_tool_suivi.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/log.h"
#include "app/settings.h"
#include "app/settings/guide_offset.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "capture/camera_slots.h"
#include "imaging/display_zone.h"
#include "imaging/pipeline_state.h"
#include "platform/clock.h"
#include "platform/dialog_service.h"
#include "platform/message_service.h"
#include "telescope/frm_prg_action_ls.h"
#include "telescope/frm_raquette.h"
#include "telescope/prg_suivi.h"
#include "telescope/track_step.h"
#include "telescope/tracking/find_best_zone.h"
#include "telescope/tracking/guide_log.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"
#include "tools/util_images.h"
#include "translation/translated_texts.h"

#include <QMouseEvent>
#include <cmath>

TFRM_Tool_Suivi* FRM_Tool_Suivi = nullptr;

namespace {

int zoneSize()
{
    return FRM_Tool_Affichage ? int(std::trunc(double(FRM_Tool_Affichage->TNI_Taille_ZDetect->Value()))) : 40;
}

void setFormatEnabled(bool enabled)
{
    if (!FRM_Alv)
        return;
    const bool second = GuideSourceSlot == 2;
    (second ? FRM_Alv->SPDB_Cam2_Format : FRM_Alv->SPDB_Cam1_Format)->setEnabled(enabled);
    (second ? FRM_Alv->MNU_Cam2_Format : FRM_Alv->MNU_Cam1_Format)->setEnabled(enabled);
}

} // namespace

TFRM_Tool_Suivi::TFRM_Tool_Suivi(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlag(Qt::Tool, true);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    CBX_Couleurs_Suivi->setCurrentIndex(0);
    // The two panels float over the window and are dragged by their frame.
    for (QWidget* panel : {static_cast<QWidget*>(PNL_SetDerive), static_cast<QWidget*>(PNL_Inversion)}) {
        centralLayout->removeWidget(panel);
        panel->hide();
        panel->adjustSize();
        panel->installEventFilter(this);
    }
    for (QWidget* w : {static_cast<QWidget*>(GRB_Vitesse_Derive), static_cast<QWidget*>(LBL_Derive_AD),
                       static_cast<QWidget*>(LBL_Derive_Dec)})
        w->installEventFilter(this);

    using W = TFRM_Tool_Suivi;
    app::bindCheckBoxClick(CKB_Suivi, this, &W::CKB_SuiviClick);
    app::bindRadioClick(RDB_Autoguidage, this, &W::RDB_AutoguidageClick);
    connect(RDB_Autoguidage, &QAbstractButton::toggled, this, [] { Prg_Suivi::FollowAutoguidingChoice(); });
    app::bindRadioClick(RDB_Suivi_logiciel, this, &W::RDB_Suivi_logicielClick);
    app::bindCheckBoxClick(CKB_Guide_On_Result, this, &W::CKB_Guide_On_ResultClick);
    app::bindRadioClick(RDB_Derive, this, &W::RDB_DeriveClick);
    app::bindCheckBoxClick(CKB_Drift_Star, this, &W::RDB_DeriveClick);
    app::bindRadioClick(RDB_Colimacon, this, &W::RDB_ColimaconClick);
    app::bindRadioClick(RDB_Somax, this, &W::RDB_SomaxClick);
    app::bindRadioClick(RDB_Cadres, this, &W::RDB_CadresClick);
    app::bindRadioClick(RDB_Correlation, this, &W::RDB_CorrelationClick);
    app::bindSpinEditChange(SPED_Sensibilite, this, &W::SPED_SensibiliteChange);
    app::bindSpinEditChange(SPED_Intervalle_Moy, this, &W::SPED_Intervalle_MoyChange);
    app::bindNumInpExit(TNI_Taille_ZDetect, this, &W::TNI_Taille_ZDetectExit);
    app::bindScrollBarScroll(SCB_Taille_ZDetect,
                             [this](int code, int& pos) { SCB_Taille_ZDetectScroll(code, pos); }, this);
    app::bindButtonClick(BTN_SetDerive_Guidage, this, &W::BTN_SetDerive_GuidageClick);
    app::bindButtonClick(BTN_Inversions, this, &W::BTN_InversionsClick);
    app::bindButtonClick(BTN_Inversion_Ok, this, &W::BTN_Inversion_OkClick);
    app::bindButtonClick(BTN_Derive_Ok, this, &W::BTN_Derive_OkClick);
    app::bindButtonClick(BTN_SetDerive, this, &W::BTN_SetDeriveClick);
    app::bindButtonClick(BTN_Param_Autoguidage, this, &W::BTN_Param_AutoguidageClick);
    app::bindButtonClick(BTN_Decaler, this, &W::BTN_DecalerClick);
    app::bindButtonClick(BTN_Config_lost_star, this, &W::BTN_Config_lost_starClick);
    app::bindCheckBoxClick(CKB_Recentrage, this, &W::CKB_RecentrageClick);
    app::bindButtonClick(BBTN_Charge_Fichier_Guidage, this, &W::BBTN_Charge_Fichier_GuidageClick);
    app::bindCheckBoxClick(CKB_Log_Guidage, this, &W::CKB_Log_GuidageClick);
    app::bindButtonClick(BTN_FindBest, this, &W::BTN_FindBestClick);
    for (QCheckBox* box : {CKB_GOTO_InverseDEC, CKB_GOTO_InverseAD, CKB_GUIDE_InverseDEC, CKB_GUIDE_InverseAD,
                           CKB_InverseDEC_Carte, CKB_InverseAD_Carte})
        app::bindCheckBoxClick(box, [this, box] { CopyInversion(box); }, this);

    Settings::RegisterHandler(QStringLiteral("FRM_Tool_Suivi.CKB_SuiviClick"), [] {
        if (FRM_Tool_Suivi)
            FRM_Tool_Suivi->CKB_SuiviClick();
    });
    Settings::RegisterHandler(QStringLiteral("FRM_Tool_Suivi.BTN_FindBestClick"), [] {
        if (FRM_Tool_Suivi)
            FRM_Tool_Suivi->BTN_FindBestClick();
    });
}

bool TFRM_Tool_Suivi::eventFilter(QObject* watched, QEvent* event)
{
    QWidget* panel = watched == PNL_Inversion ? static_cast<QWidget*>(PNL_Inversion)
                                               : static_cast<QWidget*>(PNL_SetDerive);
    if (watched != PNL_Inversion && watched != PNL_SetDerive && watched != GRB_Vitesse_Derive
        && watched != LBL_Derive_AD && watched != LBL_Derive_Dec)
        return TForm::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() == Qt::LeftButton) {
            dragged_ = panel;
            dragOffset_ = mouse->globalPosition().toPoint() - panel->pos();
            return true;
        }
        break;
    case QEvent::MouseMove:
        if (dragged_ == panel && (mouse->buttons() & Qt::LeftButton)) {
            // The panel stays inside the window.
            const QWidget* area = panel->parentWidget();
            QPoint p = mouse->globalPosition().toPoint() - dragOffset_;
            p.setX(std::clamp(p.x(), 0, std::max(0, area->width() - panel->width())));
            p.setY(std::clamp(p.y(), 0, std::max(0, area->height() - panel->height())));
            panel->move(p);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (dragged_ == panel) {
            dragged_ = nullptr;
            return true;
        }
        break;
    default:
        break;
    }
    return TForm::eventFilter(watched, event);
}

void TFRM_Tool_Suivi::CaptureReferenceIfCorrelating()
{
    if (!CKB_Suivi->isChecked() || !RDB_Correlation->isChecked())
        return;
    const int Z = zoneSize();
    Align_V::CaptureZoneReference(Align_V::SourceFrame(GuideSourceSlot, 0, false), TrackedStarPos.x(),
                                  TrackedStarPos.y(), Z, Z, SPED_Correl_Precision->value(),
                                  CBX_Couleurs_Suivi->currentIndex());
}

void TFRM_Tool_Suivi::CKB_SuiviClick()
{
    // Tracking switched on or off meanwhile: a restart still due after the
    // loss of the star no longer applies.
    if (FRM_PRG_Action_LS)
        FRM_PRG_Action_LS->TMR_Restart_Guiding->stop();
    GuideCounter = 0;
    TrackAverageCount = 0;
    Settings::RunHandler(QStringLiteral("FRM_Alv.RDB_DeriveClick"));
    ReferenceDirty = 1;
    CaptureReferenceIfCorrelating();
    const bool on = CKB_Suivi->isChecked();
    if (FRM_Alv)
        Util_Images::ShowButtonState({FRM_Alv->SPDB_Autoguidage}, QStringLiteral("Autoguidage"), on);
    setFormatEnabled(!on);
    // Last: tracking is off and shown off even when a stop cannot be sent.
    if (!on)
        Prg_Suivi::StopGuidePort();
}

void TFRM_Tool_Suivi::GuidePortAnswered(bool connected)
{
    // Connected, the guide port is held by autoguiding: the Preferences
    // keep its "Deconnecter" off while autoguiding is chosen.
    if (!connected) {
        // Neither kind stays chosen: the user sees that guiding is not on.
        RDB_Autoguidage->setAutoExclusive(false);
        RDB_Autoguidage->setChecked(false);
        RDB_Autoguidage->setAutoExclusive(true);
    }
}

void TFRM_Tool_Suivi::RDB_AutoguidageClick()
{
    TrackAverageCount = 0;
    if (FRM_Tool_Affichage)
        FRM_Tool_Affichage->CKB_Zones_Liees->setChecked(false);
    // A driver that answers later (ASCOM) keeps the choice until it does.
    const bool connected = Prg_Suivi::ConnectGuidePort([](bool late) {
        if (FRM_Tool_Suivi)
            FRM_Tool_Suivi->GuidePortAnswered(late);
    });
    const bool answerToCome =
        Prg_Suivi::GuideConnectionKind() == Prg_Suivi::Interface::Ascom && Prg_Suivi::AscomConnectionUnderWay();
    if (connected || !answerToCome)
        GuidePortAnswered(connected);

    CKB_Guide_On_Result->setEnabled(true);
    if (CKB_Guide_On_Result->isChecked())
        CKB_Guide_On_ResultClick();
}

void TFRM_Tool_Suivi::RDB_Suivi_logicielClick()
{
    Prg_Suivi::LetGoOfGuidePort();
    CKB_Guide_On_Result->setEnabled(false);
    CKB_Guide_On_Result->setChecked(false);
}

void TFRM_Tool_Suivi::CKB_Guide_On_ResultClick()
{
    auto* a = FRM_Tool_Affichage;
    if (!a)
        return;
    if (CKB_Guide_On_Result->isChecked()) {
        const TCameraSlot& cam = CameraSlots[CurrentCameraSlot];
        for (auto [bar, size] : {std::pair{a->SCB_Taille_ZAffich, cam.width}, std::pair{a->SCB_Taille_ZAffichV, cam.height}}) {
            if (size > 0) {
                bar->setMaximum(size);
                bar->setValue(size);
            }
            bar->setEnabled(false);
        }
        Settings::RunHandler(QStringLiteral("FRM_Tool_Affichage.BTN_Centrer_AffichClick"));
        if (FRM_Alv)
            FRM_Alv->SCB_Taille_ZAffichChange();
    } else {
        a->SCB_Taille_ZAffich->setEnabled(true);
        if (a->RDB_Ratio_Libre->isChecked())
            a->SCB_Taille_ZAffichV->setEnabled(true);
    }
}

void TFRM_Tool_Suivi::RDB_DeriveClick()
{
    Align_V::ResetDriftClocks();
}

void TFRM_Tool_Suivi::EnableCorrelationControls()
{
    const bool on = RDB_Correlation->isChecked();
    SPED_Correl_Precision->setEnabled(on);
    CBX_Couleurs_Suivi->setEnabled(on);
}

void TFRM_Tool_Suivi::RDB_ColimaconClick()
{
    EnableCorrelationControls();
}

void TFRM_Tool_Suivi::RDB_SomaxClick()
{
    EnableCorrelationControls();
}

void TFRM_Tool_Suivi::RDB_CadresClick()
{
    EnableCorrelationControls();
}

void TFRM_Tool_Suivi::RDB_CorrelationClick()
{
    EnableCorrelationControls();
    ReferenceDirty = 1;
    CaptureReferenceIfCorrelating();
}

void TFRM_Tool_Suivi::SPED_SensibiliteChange()
{
    TrackSensitivity = std::uint16_t(SPED_Sensibilite->value());
}

void TFRM_Tool_Suivi::SPED_Intervalle_MoyChange()
{
    GuideAverageInterval = SPED_Intervalle_Moy->value();
    TrackAverageCount = 0;
}

void TFRM_Tool_Suivi::TNI_Taille_ZDetectExit()
{
    const int size = int(std::trunc(double(TNI_Taille_ZDetect->Value())));
    SCB_Taille_ZDetect->setValue(size);
    if (FRM_Tool_Affichage) {
        FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(size);
        FRM_Tool_Affichage->SCB_Taille_ZDetect->setValue(size);
    }
}

void TFRM_Tool_Suivi::SCB_Taille_ZDetectScroll(int, int& scrollPos)
{
    ZoneMoved = 1;
    TNI_Taille_ZDetect->SetValue(scrollPos);
    if (FRM_Tool_Affichage) {
        FRM_Tool_Affichage->TNI_Taille_ZDetect->SetValue(scrollPos);
        FRM_Tool_Affichage->SCB_Taille_ZDetect->setValue(scrollPos);
    }
    CaptureReferenceIfCorrelating();
    // Only the picture is drawn again: processing the same frame once more
    // would add it to a running addition and could correct the mount twice.
    if (FRM_Alv) {
        TImageView* view = CurrentCameraSlot == 2 ? FRM_Alv->Image2 : FRM_Alv->Image1;
        view->update();
        FRM_Alv->Image3->update();
    }
}

void TFRM_Tool_Suivi::BTN_SetDerive_GuidageClick()
{
    PNL_SetDerive->show();
    PNL_SetDerive->raise();
}

void TFRM_Tool_Suivi::BTN_InversionsClick()
{
    PNL_Inversion->show();
    PNL_Inversion->raise();
}

void TFRM_Tool_Suivi::BTN_Inversion_OkClick()
{
    PNL_Inversion->hide();
}

void TFRM_Tool_Suivi::BTN_Derive_OkClick()
{
    const double scale = FRM_Tool_Mesures ? double(FRM_Tool_Mesures->TNI_Echantillonnage->Value()) : 0.0;
    if (scale > 0) {
        const double sign = CKB_Derive_Inverse->isChecked() ? -1.0 : 1.0;
        TrackDriftSpeedX = sign * double(TNI_Vitesse_Derive_AD->Value()) / scale;
        TrackDriftSpeedY = sign * double(TNI_Vitesse_Derive_Dec->Value()) / scale;
    } else {
        platform::messages().show({TranslatedTexts.MSG_Derive_Sans_Camera,
                                   platform::MsgKind::Information, platform::MsgButtons::Ok, {}, {}});
    }
    PNL_SetDerive->hide();
    DriftDefined = 1;
}

void TFRM_Tool_Suivi::BTN_SetDeriveClick()
{
    if (FRM_Alv)
        FRM_Alv->BTN_SetDeriveClick();
}

void TFRM_Tool_Suivi::BTN_Param_AutoguidageClick()
{
    if (!FRM_Pref)
        return;
    Systeme::ShowFormOnScreen(FRM_Pref);
    FRM_Pref->PGC_Preferences->setCurrentWidget(FRM_Pref->TBS_Telescope);
    FRM_Pref->PGC_Ctrl_Telescope->setCurrentWidget(FRM_Pref->TBS_Autoguidage_GOTO);
}

void TFRM_Tool_Suivi::BTN_DecalerClick()
{
    Align_V::ApplyNextShift();
}

void TFRM_Tool_Suivi::BTN_Config_lost_starClick()
{
    if (FRM_PRG_Action_LS)
        Systeme::ShowFormOnScreen(FRM_PRG_Action_LS);
}

void TFRM_Tool_Suivi::CKB_RecentrageClick()
{
    if (!CKB_Recentrage->isChecked())
        return;
    // Its corrections need a mount or a guide interface to go through;
    // with none, the user is told so, as for a move asked on the hand pad.
    if (!Prg_Suivi::UserMoveCanGo()) {
        CKB_Recentrage->setChecked(false);
        return;
    }
    RecentreTarget = TrackedStarPos;
}

void TFRM_Tool_Suivi::BBTN_Charge_Fichier_GuidageClick()
{
    platform::FileDialogRequest request;
    request.fileName = EDT_Nom_Log_Guidage->text();
    request.filter = TranslatedTexts.MSG_Filtre_Fichiers_Texte + QStringLiteral(" (*.txt *.csv);;")
                     + Translation::AllFilesFilter(QStringLiteral("*.*"));
    if (auto name = platform::dialogs().saveFile(request))
        EDT_Nom_Log_Guidage->setText(*name);
}

void TFRM_Tool_Suivi::CKB_Log_GuidageClick()
{
    if (CKB_Log_Guidage->isChecked()) {
        const QString name = EDT_Nom_Log_Guidage->text().trimmed();
        if (name.isEmpty()) {
            CKB_Log_Guidage->setChecked(false);
            return;
        }
        if (!GuideLog) {
            GuideLog = TLog::Create(name, LogTimeMode::FromStart, GuideLogText::kGuideLogHeader);
            // The log told the user why the file could not be written; the
            // box does not claim a log that is not there.
            if (!GuideLog) {
                CKB_Log_Guidage->setChecked(false);
                return;
            }
        }
    } else if (GuideLog) {
        TLog::Close(GuideLog);
    }
    const bool editable = !CKB_Log_Guidage->isChecked();
    EDT_Nom_Log_Guidage->setEnabled(editable);
    BBTN_Charge_Fichier_Guidage->setEnabled(editable);
}

void TFRM_Tool_Suivi::BTN_FindBestClick()
{
    const auto& frame = SlotBitmaps[1][0];
    if (!frame || frame->isEmpty() || !FRM_Alv)
        return;
    const TCameraSlot& cam = CameraSlots[1];
    const int w = cam.width > 0 ? cam.width : frame->width();
    const int h = cam.height > 0 ? cam.height : frame->height();
    const int quality = FRM_Pref ? int(std::trunc(double(FRM_Pref->TNI_Finesse_Selection->Value()))) : 30;
    if (const auto centre = Align_V::FindBestZoneCentre(*frame, w, h, quality))
        FRM_Alv->Image1MouseUp(nullptr, 0, 0, centre->x(), centre->y());
}

void TFRM_Tool_Suivi::CopyInversion(QCheckBox* box)
{
    const QString name = box->objectName();
    for (QWidget* window : {static_cast<QWidget*>(FRM_Pref), static_cast<QWidget*>(FRM_Raquette)})
        if (auto* twin = app::findControl<QCheckBox>(window, name))
            twin->setChecked(box->isChecked());
}

namespace Align_V {

std::optional<QPoint> StepGuideOffset()
{
    TGuideOffsetTable& t = GuideOffsetTable;
    if (t.count <= 0)
        return std::nullopt;
    t.position = t.position % t.count + 1;
    const TGuideOffsetPair pair = t.pairs[std::size_t(t.position - 1)];
    const QPoint shift(pair.x, pair.y);
    PreviousTrackedStarPos = TrackedStarPos;
    TrackedStarPos += shift;
    return shift;
}

void ApplyNextShift()
{
    auto* s = FRM_Tool_Suivi;
    if (!s || !FRM_Pref || !s->CKB_Suivi->isChecked() || !FRM_Pref->CKB_Fichier_decalage->isChecked()
        || !s->RDB_Autoguidage->isChecked())
        return;
    const std::optional<QPoint> shift = StepGuideOffset();
    if (!shift)
        return;
    TrackedStarPosF = QPointF(TrackedStarPos);
    if (!(FRM_Tool_Affichage && FRM_Tool_Affichage->CKB_Zones_Liees->isChecked())) {
        PreviousDisplayZoneOffset = DisplayZoneOffset;
        DisplayZoneOffset -= *shift;
    }
    RedrawDisplayZone(GuideSourceSlot);
}

} // namespace Align_V
