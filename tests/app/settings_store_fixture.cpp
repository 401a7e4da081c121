#include "settings_store_fixture.h"

#include "app/frm_message.h"
#include "app/settings/key_engine.h"
#include "app/ui/event_boundary.h"
#include "platform/paths.h"

void SettingsStore::SetUp()
{
    ProgramWindows::SetUp();
    Settings::ForgetUnappliedKeys();
    app::resetReportedCauses();
    SettingsFilePath = platform::joinPath(dir.path(), Settings::kSettingsFileName);
    Settings::SetStepObserver([this](const QString& s) { storeSteps << s; });
}

void SettingsStore::TearDown()
{
    Settings::SetStepObserver({});
    ProgramWindows::TearDown();
}

QString SettingsStore::messageWindowText() const
{
    return FRM_Message ? FRM_Message->MEMO_Message->toPlainText() : QString();
}
