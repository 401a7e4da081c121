// The measurement operations of the main window: the Operations menu arms
// one, the execute button starts it on the tracked star, the abort button
// stops it (back to armed) or, while armed, drops it. The per-frame work is
// the frame routine's (imaging/procedures.cpp).

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/frm_pref.h"
#include "app/log.h"
#include "app/settings.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "capture/camera_slots.h"
#include "imaging/frame_helpers.h"
#include "imaging/pipeline_state.h"
#include "platform/clock.h"
#include "telescope/frm_err_period.h"
#include "telescope/frm_mise_en_station.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/tracking/tracking_state.h"
#include "tools/frm_tool_affichage.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"

#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {

// Tracking on (with its resets) and a measuring method rather than the
// programmed drift.
void trackWithMeasure()
{
    auto* s = FRM_Tool_Suivi;
    if (!s)
        return;
    if (!s->CKB_Suivi->isChecked())
        s->CKB_Suivi->setChecked(true);   // runs CKB_SuiviClick
    if (s->RDB_Derive->isChecked())
        s->RDB_Colimacon->setChecked(true);
}

// The instruction lines of the message window, each after its prefix.
QString instructions(std::initializer_list<std::pair<const char*, QString>> lines)
{
    QStringList out;
    for (const auto& [number, text] : lines)
        out << QString::fromLatin1(number) + text;
    return out.join(QStringLiteral("\r\n"));
}

void reticleOn()
{
    if (auto* m = FRM_Tool_Mesures) {
        m->CKB_Reticule->setChecked(true);
        m->CKB_Cercles->setChecked(true);
        m->CKB_Croix->setChecked(true);
    }
    Settings::RunHandler(QStringLiteral("FRM_Tool_Mesures.CKB_ReticuleClick"));
}

// What a running operation leaves behind when it stops: its file closed,
// its window's controls given back, the mount's moves ended.
void stopRunning(std::uint8_t s)
{
    switch (s) {
    case 4:
        if (FRM_MiseEnStation)
            FRM_MiseEnStation->KingStopped();
        break;
    case 10:
        if (FRM_ErrPeriod)
            FRM_ErrPeriod->RecordingStopped();
        else
            TLog::Close(PeLog);
        break;
    case 12:
        TrackDrift.reset();
        DriftGuideSeconds = std::int32_t(std::lround(ProcedureElapsed));
        break;
    case 14:
        Align_V::StopLearning();
        break;
    default:
        break;
    }
}

} // namespace

void TFRM_Alv::ConnectOperationHandlers()
{
    TMR_Appr->stop();
    connect(TMR_Appr, &QTimer::timeout, this,
            [this] { app::runGuarded(QStringLiteral("TMR_Appr"), [this] { TMR_ApprTimer(); }); });
    using W = TFRM_Alv;
    const std::pair<const char*, void (W::*)()> named[] = {
        {"FRM_Alv.MNU_Decl_EtoileClick", &W::MNU_Decl_EtoileClick},
        {"FRM_Alv.MNU_TailleOrientCaptClick", &W::MNU_TailleOrientCaptClick},
        {"FRM_Alv.MNU_Erreur_PeriodiqueClick", &W::MNU_Erreur_PeriodiqueClick},
        {"FRM_Alv.MNU_Erreur_MESClick", &W::MNU_Erreur_MESClick},
        {"FRM_Alv.BTN_SetDeriveClick", &W::BTN_SetDeriveClick},
        {"FRM_Alv.SPDB_ExecuterClick", &W::SPDB_ExecuterClick},
        {"FRM_Alv.SPDB_AbortClick", &W::SPDB_AbortClick},
        {"FRM_Alv.RDB_DeriveClick", &W::RDB_DeriveClick},
        {"FRM_Alv.BTN_DecalerClick", &W::BTN_DecalerClick},
    };
    for (const auto& [name, method] : named)
        Settings::RegisterHandler(QString::fromLatin1(name), [m = method] {
            if (FRM_Alv)
                (FRM_Alv->*m)();
        });
    // After a language change: the operation armed or running named in the
    // new language, or "no operation" in it.
    Settings::RegisterHandler(QStringLiteral("FRM_Alv.ShowOperation"), [] {
        if (!FRM_Alv)
            return;
        if (ProcedureState == 0)
            FRM_Alv->ShowOperation(&TTranslatedTexts::MSG_Aucune_Operation);
        else if (FRM_Alv->OperationName)
            FRM_Alv->ShowOperation(FRM_Alv->OperationName);
    });
}

void TFRM_Alv::ShowOperation(QString TTranslatedTexts::*name)
{
    OperationName = name;
    FitOperationPanel();
    PNL_Action->setText(TranslatedTexts.*name);
}

void TFRM_Alv::FitOperationPanel()
{
    // As wide as the longest name it can show, in the language in use: the
    // execute and abort buttons left of it keep their places whatever the
    // operation.
    static constexpr QString TTranslatedTexts::*kNames[] = {
        &TTranslatedTexts::MSG_Aucune_Operation,       &TTranslatedTexts::MSG_Operation_MES,
        &TTranslatedTexts::MSG_Operation_Orientation,  &TTranslatedTexts::MSG_Operation_Decl_Etoile,
        &TTranslatedTexts::MSG_Operation_Err_Periodique, &TTranslatedTexts::MSG_Operation_Def_Derive,
        &TTranslatedTexts::MSG_Operation_Appr_Guidage, &TTranslatedTexts::MSG_Operation_Collimation,
    };
    const QString shown = PNL_Action->text();
    int widest = 0;
    for (QString TTranslatedTexts::*name : kNames) {
        PNL_Action->setText(TranslatedTexts.*name);
        widest = std::max(widest, PNL_Action->sizeHint().width());
    }
    PNL_Action->setText(shown);
    widest = std::max(widest, PNL_Action->sizeHint().width());
    PNL_Action->setMinimumWidth(widest);
}

void TFRM_Alv::MNU_Decl_EtoileClick()
{
    trackWithMeasure();
    const TTranslatedTexts& t = TranslatedTexts;
    Msg::ShowMessageText(true, instructions({{"1-", t.MSG_DeclEtoile1},
                                             {"2-", t.MSG_DeclEtoile2},
                                             {"3-", t.MSG_DeclEtoile3},
                                             {"4-", t.MSG_DeclEtoile4},
                                             {"  ", t.MSG_DeclEtoile5}}));
    ArmOperation(7, &TTranslatedTexts::MSG_Operation_Decl_Etoile);
}

void TFRM_Alv::BTN_SetDeriveClick()
{
    trackWithMeasure();
    const TTranslatedTexts& t = TranslatedTexts;
    Msg::ShowMessageText(true, instructions({{"1-", t.MSG_Setderive1},
                                             {"2-", t.MSG_Setderive2},
                                             {"3-", t.MSG_Setderive3},
                                             {"  ", t.MSG_Setderive4}}));
    ArmOperation(11, &TTranslatedTexts::MSG_Operation_Def_Derive);
}

void TFRM_Alv::MNU_TailleOrientCaptClick()
{
    HoldOperationsMenu(true);
    trackWithMeasure();
    const TTranslatedTexts& t = TranslatedTexts;
    Msg::ShowMessageText(true, instructions({{"1-", t.MSG_TailleOrientCapt1},
                                             {"2-", t.MSG_TailleOrientCapt2},
                                             {"3-", t.MSG_TailleOrientCapt3},
                                             {"5-", t.MSG_TailleOrientCapt4},
                                             {"", t.MSG_TailleOrientCapt5}}));
    ArmOperation(7, &TTranslatedTexts::MSG_Operation_Orientation);
}

void TFRM_Alv::MNU_Erreur_PeriodiqueClick()
{
    HoldOperationsMenu(true);
    if (FRM_ErrPeriod)
        Systeme::ShowFormOnScreen(FRM_ErrPeriod);
}

void TFRM_Alv::MNU_Erreur_MESClick()
{
    HoldOperationsMenu(true);
    if (auto* w = FRM_MiseEnStation) {
        Systeme::ShowFormOnScreen(w);
        w->PCTRL_Bigourdan->setCurrentWidget(w->TBS_Parametres);
    }
}

void TFRM_Alv::SPDB_ExecuterClick()
{
    ProcedureStart.pos = QPointF(TrackedStarPos);
    ProcedureStarPos = TrackedStarPos;
    switch (ProcedureState) {
    case 1:
        if (FRM_MiseEnStation)
            FRM_MiseEnStation->PCTRL_Bigourdan->setCurrentWidget(FRM_MiseEnStation->TBS_Correct);
        reticleOn();
        ProcedureState = 2;
        ShowOperation(&TTranslatedTexts::MSG_Operation_MES);
        break;
    case 3:
        reticleOn();
        if (FRM_MiseEnStation)
            FRM_MiseEnStation->BTN_Pause->setEnabled(true);
        ProcedureState = 4;
        ShowOperation(&TTranslatedTexts::MSG_Operation_MES);
        break;
    case 5: {
        ProcedureState = 6;
        const TCameraSlot& cam = CameraSlots[GuideSourceSlot == 2 ? 2 : 1];
        if (FRM_Pref && cam.width > 0 && cam.height > 0) {
            FRM_Pref->TNI_NbPix_X->SetValue(cam.width);
            FRM_Pref->TNI_NbPix_Y->SetValue(cam.height);
        }
        break;
    }
    case 7:
        ShowOperation(&TTranslatedTexts::MSG_Operation_Orientation);
        ProcedureState = 8;
        break;
    case 9:
        reticleOn();
        ShowOperation(&TTranslatedTexts::MSG_Operation_Err_Periodique);
        if (FRM_ErrPeriod)
            FRM_ErrPeriod->RecordingStarted();
        ProcedureState = 10;
        break;
    case 11:
        ShowOperation(&TTranslatedTexts::MSG_Operation_Def_Derive);
        DriftGuideSeconds = 0;
        TrackDrift.reset();
        ProcedureState = 12;
        break;
    case 13:
        reticleOn();
        ShowOperation(&TTranslatedTexts::MSG_Operation_Appr_Guidage);
        Learning = {};
        if (FRM_Pref)
            FRM_Pref->EDT_Etape_Appr->setText(QStringLiteral("1"));
        ProcedureState = 14;
        break;
    case 15:
        Settings::RunHandler(QStringLiteral("FRM_Tool_Mesures.CKB_ReticuleClick"));
        if (FRM_Tool_Suivi)
            FRM_Tool_Suivi->RDB_Cadres->setChecked(true);
        ProcedureState = 16;
        ShowOperation(&TTranslatedTexts::MSG_Operation_Collimation);
        break;
    default:
        break;
    }
    ProcedureStart.time_ms = platform::clock().monotonicMs();
    SPDB_Executer->setDown(false);
    SPDB_Executer->setChecked(false);
    SPDB_Executer->setEnabled(false);
    SPDB_Abort->setEnabled(true);
}

void TFRM_Alv::SPDB_AbortClick()
{
    const std::uint8_t s = ProcedureState;
    if (s % 2 == 1 && s <= 15) {
        ShowOperation(&TTranslatedTexts::MSG_Aucune_Operation);
        ProcedureState = 0;
        HoldOperationsMenu(false);
        SPDB_Executer->setEnabled(false);
        SPDB_Abort->setEnabled(false);
    } else if (s != 0 && s % 2 == 0 && s <= 16) {
        stopRunning(s);
        ProcedureState = std::uint8_t(s - 1);
        SPDB_Executer->setEnabled(true);
        Msg::ShowMessageText(true, TranslatedTexts.MSG_ExecutionTerminee);
    }
    SPDB_Abort->setDown(false);
    SPDB_Abort->setChecked(false);
}

void TFRM_Alv::ArmOperation(std::uint8_t code, QString TTranslatedTexts::*name)
{
    // What still runs (a recording's file, a learning's move "until
    // stopped", a window's locked controls) must not outlive it.
    const std::uint8_t s = ProcedureState;
    if (s != 0 && s % 2 == 0 && s <= 16)
        stopRunning(s);
    ProcedureState = code;
    ShowOperation(name);
    SPDB_Executer->setEnabled(true);
    SPDB_Abort->setEnabled(true);
}

void TFRM_Alv::EndWindowOperation(std::uint8_t first, std::uint8_t last)
{
    const auto own = [&] { return ProcedureState >= first && ProcedureState <= last; };
    // Running: stopped as the user's abort stops it, which leaves it armed;
    // armed: the abort drops it.
    if (own() && ProcedureState % 2 == 0)
        SPDB_AbortClick();
    if (own())
        SPDB_AbortClick();
}

void TFRM_Alv::DropOperation()
{
    const std::uint8_t s = ProcedureState;
    if (s != 0 && s % 2 == 0 && s <= 16)
        stopRunning(s);
    ProcedureState = 0;
    ShowOperation(&TTranslatedTexts::MSG_Aucune_Operation);
    SPDB_Executer->setEnabled(false);
    SPDB_Abort->setEnabled(false);
    // The menu an arming from it took away; a measurement window still open
    // keeps it until that window closes. The caller decides whether the menu
    // is offered at all.
    const bool windowOpen = (FRM_ErrPeriod && FRM_ErrPeriod->isVisible())
                            || (FRM_MiseEnStation && FRM_MiseEnStation->isVisible());
    HoldOperationsMenu(windowOpen);
}

void TFRM_Alv::SetOperationsSource(bool runs)
{
    OperationsSourceRuns = runs;
    FollowOperationsMenu();
}

void TFRM_Alv::HoldOperationsMenu(bool held)
{
    MNU_Operations->setEnabled(!held);
    FollowOperationsMenu();
}

void TFRM_Alv::FollowOperationsMenu()
{
    MNU_Operations->menuAction()->setEnabled(OperationsSourceRuns && MNU_Operations->isEnabled());
}

void TFRM_Alv::TMR_ApprTimer()
{
    Learning.tick = 1;
}

void TFRM_Alv::RDB_DeriveClick()
{
    Align_V::ResetDriftClocks();
}

void TFRM_Alv::BTN_DecalerClick()
{
    Align_V::ApplyNextShift();
}
