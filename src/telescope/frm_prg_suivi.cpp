#include "telescope/frm_prg_suivi.h"

TFRM_Prg_Suivi* FRM_Prg_Suivi = nullptr;

TFRM_Prg_Suivi::TFRM_Prg_Suivi(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    TMR_Suivi_AD = new QTimer(this);
    TMR_Suivi_AD->setObjectName(QStringLiteral("TMR_Suivi_AD"));
    TMR_Suivi_Dec = new QTimer(this);
    TMR_Suivi_Dec->setObjectName(QStringLiteral("TMR_Suivi_Dec"));
}
