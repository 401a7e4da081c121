#include "scripting/scripts.h"

#include "platform/codepage.h"
#include "scripting/frm_script.h"

#include <QFile>
#include <QRegularExpression>

namespace Scripts {

std::vector<std::unique_ptr<TScript>> ScriptLevels;
int CurrentLevel = -1;
bool ScriptRunning = false;
bool ScriptPaused = false;
std::uint8_t ObjectInField = 0;
bool Cam1Online = false;
bool Cam2Online = false;

TScript* Current()
{
    if (CurrentLevel < 0 || CurrentLevel >= static_cast<int>(ScriptLevels.size()))
        return nullptr;
    return ScriptLevels[CurrentLevel].get();
}

void ScriptNext(int delay_ms)
{
    if (!FRM_Script)
        return;
    FRM_Script->TMR_Script->setInterval(delay_ms < 0 ? 0 : delay_ms);
    FRM_Script->TMR_Script->start();
}

bool LoadScript(const QString& fileName, bool newLevel)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QString text = platform::fromCp1252(f.readAll());
    if (newLevel || !Current()) {
        ScriptLevels.push_back(std::make_unique<TScript>());
        CurrentLevel = static_cast<int>(ScriptLevels.size()) - 1;
    }
    TScript* s = Current();
    s->Lines = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    if (!s->Lines.isEmpty() && s->Lines.last().isEmpty())
        s->Lines.removeLast();
    s->LineIndex = 0;
    s->FileName = fileName;
    return true;
}

bool RunScriptFile(const QString& fileName)
{
    if (!LoadScript(fileName, true))
        return false;
    Current()->State = 1;
    ScriptRunning = true;
    ScriptPaused = false;
    ScriptNext(0);
    return true;
}

void ExecuteNextLine()
{
    TScript* s = Current();
    if (!ScriptRunning || ScriptPaused || !s || s->State != 1) {
        if (FRM_Script)
            FRM_Script->TMR_Script->stop();
        return;
    }
    if (s->LineIndex < s->Lines.size()) {
        ++s->LineIndex;
        return;
    }
    ScriptLevels.pop_back();
    CurrentLevel = static_cast<int>(ScriptLevels.size()) - 1;
    if (CurrentLevel < 0)
        StopAll();
}

void StopAll()
{
    ScriptLevels.clear();
    CurrentLevel = -1;
    ScriptRunning = false;
    ScriptPaused = false;
    if (FRM_Script)
        FRM_Script->TMR_Script->stop();
}

} // namespace Scripts
