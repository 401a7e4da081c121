#include "scripting/frm_script.h"

#include "app/ui/event_boundary.h"
#include "scripting/scripts.h"

TFRM_Script* FRM_Script = nullptr;

namespace {

void bindMenu(QAction* item, QObject* context, std::function<void()> handler)
{
    QObject::connect(item, &QAction::triggered, context, [item, handler = std::move(handler)] {
        app::runGuarded(item->objectName(), handler);
    });
}

} // namespace

TFRM_Script::TFRM_Script(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    TMR_Script = new QTimer(this);
    TMR_Script->setObjectName(QStringLiteral("TMR_Script"));
    TMR_Script->setInterval(Scripts::kDefaultScriptRate_ms);
    connect(TMR_Script, &QTimer::timeout, this,
            [this] { app::runGuarded(QStringLiteral("TMR_Script"), [this] { TMR_ScriptTimer(); }); });
    bindMenu(MNU_ExecuterDuDebut, this, [this] { MNU_ExecuterDuDebutClick(MNU_ExecuterDuDebut); });
    bindMenu(MNU_ExecuterDuCurseur, this, [this] { MNU_ExecuterDuCurseurClick(); });
    bindMenu(MNU_Pause, this, [this] { MNU_PauseClick(); });
    bindMenu(MNU_Arreter, this, [this] { MNU_ArreterClick(); });
}

void TFRM_Script::MNU_ExecuterDuDebutClick(QObject* sender)
{
    Scripts::RunFromStart(sender == MNU_ExecuterDuDebut);
}

void TFRM_Script::MNU_ExecuterDuCurseurClick()
{
    Scripts::RunFromCaret();
}

void TFRM_Script::MNU_PauseClick()
{
    Scripts::PauseScript();
}

void TFRM_Script::MNU_ArreterClick()
{
    Scripts::StopScript();
}

void TFRM_Script::TMR_ScriptTimer()
{
    Scripts::Tick();
}
