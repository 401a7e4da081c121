#include "program_windows_fixture.h"

#include "capture/plugin_mgr.h"
#include "scripting/scripts.h"

void ProgramWindows::SetUp()
{
    platform::setPortAccess(&ports);
    Startup::CreateWindows();
    FRM_Alv->StepObserver = [this](const QString& s) { steps << s; };
}

void ProgramWindows::TearDown()
{
    Startup::DestroyWindows();
    PluginManager.reset();
    Scripts::StopAll();
    platform::setPortAccess(nullptr);
}

void ProgramWindows::activate()
{
    FRM_Alv->FormActivate();
}
