#include "program_windows_fixture.h"

#include "capture/plugin_mgr.h"
#include "app/systeme.h"
#include "scripting/scripts.h"
#include "support/program/fresh_process.h"
#include "translation/translated_texts.h"

void ProgramWindows::SetUp()
{
    testsupport::StartAsAFreshProcess();
    platform::setPortAccess(&ports);
    Startup::CreateWindows();
    FRM_Alv->StepObserver = [this](const QString& s) { steps << s; };
}

void ProgramWindows::TearDown()
{
    Systeme::SetScreenSizeProvider({});
    Startup::DestroyWindows();
    PluginManager.reset();
    Scripts::StopAll();
    // A handler run by a test may have opened the ports; the next test starts
    // as the program does, with them closed.
    Systeme::ClosePortDriver();
    platform::setPortAccess(nullptr);
    // A language chosen by a test is let go with its windows: the texts are
    // the French ones again, as the next start of the program has them.
    Translation::ResetTexts();
}

void ProgramWindows::activate()
{
    FRM_Alv->FormActivate();
}

void ProgramWindows::asStarted()
{
    Systeme::SetScreenSizeProvider([] { return QSize(1600, 1000); });
    Translation::ResetTexts();
    // Enabling the window enables its menus: the operations menu starts off.
    FRM_Alv->setEnabled(true);
    FRM_Alv->MNU_Operations->menuAction()->setEnabled(false);
}
