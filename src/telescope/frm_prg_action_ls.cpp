#include "telescope/frm_prg_action_ls.h"

#include "app/align_v_features.h"
#include "app/frm_pref.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "platform/dialog_service.h"
#include "platform/paths.h"
#include "telescope/frm_prg_action.h"
#include "telescope/frm_tool_suivi.h"

#include <QFileInfo>

TFRM_PRG_Action_LS* FRM_PRG_Action_LS = nullptr;

TFRM_PRG_Action_LS::TFRM_PRG_Action_LS(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    TMR_Restart_Guiding = new QTimer(this);
    TMR_Restart_Guiding->setObjectName(QStringLiteral("TMR_Restart_Guiding"));
    TMR_Restart_Guiding->setInterval(3000);
    using W = TFRM_PRG_Action_LS;
    app::bindButtonClick(BTN_ChargeSon, this, &W::BTN_ChargeSonClick);
    app::bindCheckBoxClick(CKB_Jouer_un_son, this, &W::CKB_Jouer_un_sonClick);
    app::bindEditUserChange(EDT_Son_a_jouer, this, &W::EDT_Son_a_jouerChange);
    app::bindCheckBoxClick(CKB_Lost_Star_ExecuteScript, this, &W::CKB_Lost_Star_ExecuteScriptClick);
    app::bindEditUserChange(EDT_Lost_Star_Script, this, &W::EDT_Lost_Star_ScriptChange);
    app::bindButtonClick(BBTN_Lost_Star_Script, this, &W::BBTN_Lost_Star_ScriptClick);
    app::bindButtonClick(BTN_Ok, this, &W::BTN_OkClick);
    connect(TMR_Restart_Guiding, &QTimer::timeout, this,
            [this] { app::runGuarded(QStringLiteral("TMR_Restart_Guiding"), [this] { TMR_Restart_GuidingTimer(); }); });
}

void TFRM_PRG_Action_LS::BTN_ChargeSonClick()
{
    Align_V::ChooseActionSound(CKB_Jouer_un_son, EDT_Son_a_jouer, FRM_Pref ? FRM_Pref->SoundsFolder() : QString());
}

void TFRM_PRG_Action_LS::CKB_Jouer_un_sonClick()
{
    Align_V::UncheckMissingSound(CKB_Jouer_un_son, EDT_Son_a_jouer);
}

void TFRM_PRG_Action_LS::EDT_Son_a_jouerChange()
{
    Align_V::UncheckMissingSound(CKB_Jouer_un_son, EDT_Son_a_jouer);
}

void TFRM_PRG_Action_LS::CKB_Lost_Star_ExecuteScriptClick()
{
    const QString name = EDT_Lost_Star_Script->text();
    if (name.trimmed().isEmpty() || !QFileInfo(Align_V::ActionScriptPath(name)).isFile())
        CKB_Lost_Star_ExecuteScript->setChecked(false);
}

void TFRM_PRG_Action_LS::EDT_Lost_Star_ScriptChange()
{
    CKB_Lost_Star_ExecuteScriptClick();
}

void TFRM_PRG_Action_LS::BBTN_Lost_Star_ScriptClick()
{
    Align_V::ChooseActionScript(EDT_Lost_Star_Script, QStringLiteral("Text (*.txt)"));
}

void TFRM_PRG_Action_LS::TMR_Restart_GuidingTimer()
{
    TMR_Restart_Guiding->stop();
    // "Reprise au bout de" unticked during the pause asks for no restart.
    if (FRM_Tool_Suivi && CKB_Restart_Guiding->isChecked())
        FRM_Tool_Suivi->CKB_Suivi->setChecked(true);
}

void TFRM_PRG_Action_LS::BTN_OkClick()
{
    close();
}
