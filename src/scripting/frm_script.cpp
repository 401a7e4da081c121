#include "scripting/frm_script.h"

TFRM_Script* FRM_Script = nullptr;

TFRM_Script::TFRM_Script(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    TMR_Script = new QTimer(this);
    TMR_Script->setObjectName(QStringLiteral("TMR_Script"));
}
