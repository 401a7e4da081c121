#include "telescope/frm_prg_action_ls.h"

TFRM_PRG_Action_LS* FRM_PRG_Action_LS = nullptr;

TFRM_PRG_Action_LS::TFRM_PRG_Action_LS(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    TMR_Restart_Guiding = new QTimer(this);
    TMR_Restart_Guiding->setObjectName(QStringLiteral("TMR_Restart_Guiding"));
}
