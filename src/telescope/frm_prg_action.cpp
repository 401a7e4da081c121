#include "telescope/frm_prg_action.h"

TFRM_Prg_Action* FRM_Prg_Action = nullptr;

TFRM_Prg_Action::TFRM_Prg_Action(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    TMR_Restart_Detecting = new QTimer(this);
    TMR_Restart_Detecting->setObjectName(QStringLiteral("TMR_Restart_Detecting"));
}
