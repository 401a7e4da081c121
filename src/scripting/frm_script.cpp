#include "scripting/frm_script.h"

#include "app/ui/event_boundary.h"
#include "scripting/scripts.h"

TFRM_Script* FRM_Script = nullptr;

TFRM_Script::TFRM_Script(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    TMR_Script = new QTimer(this);
    TMR_Script->setObjectName(QStringLiteral("TMR_Script"));
    TMR_Script->setInterval(Scripts::kDefaultScriptRate_ms);
    connect(TMR_Script, &QTimer::timeout, this,
            [this] { app::runGuarded(QStringLiteral("TMR_Script"), [this] { TMR_ScriptTimer(); }); });
}

void TFRM_Script::TMR_ScriptTimer()
{
    Scripts::ExecuteNextLine();
}
