#include "script_fixture.h"

#include "app/startup.h"
#include "scripting/frm_script.h"
#include "scripting/script_commands.h"
#include "support/program/fresh_process.h"

#include <stdexcept>

namespace scripttest {

QStringList logged;
std::vector<TVariable> snapshot;

namespace {
const Scripts::CommandRegistrar testCommands{
    {"test.log", [](std::uint8_t, const QString& a) { logged << a; Scripts::ScriptNext(10); }},
    {"test.snapshot", [](std::uint8_t, const QString&) { snapshot = Scripts::CurrentScript().Variables; Scripts::ScriptNext(10); }},
    {"test.wait", [](std::uint8_t, const QString&) { Scripts::BeginWait(Scripts::WaitSequence); }},
    {"test.throw", [](std::uint8_t, const QString&) { throw std::runtime_error("boom"); }},
    {"test.delay", [](std::uint8_t, const QString& a) { Scripts::ScriptNext(a.toInt()); }},
};
} // namespace

} // namespace scripttest

void ScriptFixture::SetUp()
{
    testsupport::StartAsAFreshProcess();
    Startup::CreateWindows();
    Scripts::StopAll();
    scripttest::logged.clear();
    scripttest::snapshot.clear();
}

void ScriptFixture::TearDown()
{
    Scripts::StopAll();
    Scripts::Cam1Online = Scripts::Cam2Online = Scripts::ObjectInField = false;
    Startup::DestroyWindows();
}

void ScriptFixture::setText(const QString& text) { FRM_Script->Memo_Script->setPlainText(text); }

void ScriptFixture::run() { FRM_Script->MNU_ExecuterDuDebutClick(FRM_Script->MNU_ExecuterDuDebut); }

std::vector<int> ScriptFixture::ticks(int max)
{
    std::vector<int> intervals;
    while (clockArmed() && static_cast<int>(intervals.size()) < max) {
        intervals.push_back(FRM_Script->TMR_Script->interval());
        FRM_Script->TMR_ScriptTimer();
    }
    return intervals;
}

std::vector<int> ScriptFixture::runScript(const QString& text, int max)
{
    setText(text);
    run();
    return ticks(max);
}

bool ScriptFixture::clockArmed() const { return FRM_Script->TMR_Script->isActive(); }

QString ScriptFixture::value(const QString& name) const
{
    for (const TVariable& v : scripttest::snapshot) {
        if (v.Name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        switch (v.VarType) {
        case 0: return QString::number(v.IntValue);
        case 1: return Scripts::FloatToStr(v.DblValue);
        default: return v.StrValue;
        }
    }
    return QStringLiteral("<none>");
}
