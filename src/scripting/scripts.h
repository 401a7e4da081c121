#pragma once
// Script levels and the engine's pacing. The script window's timer runs one
// line per tick; ScriptNext arms it so the running script goes on after a
// delay. The command interpreter itself comes with the script language.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

struct TScript {
    std::uint8_t State = 0;   // 1 running
    QStringList Lines;
    int LineIndex = 0;
    QString FileName;
};

namespace Scripts {

extern std::vector<std::unique_ptr<TScript>> ScriptLevels;
extern int CurrentLevel;   // index into ScriptLevels, -1 when none
extern bool ScriptRunning;
extern bool ScriptPaused;
extern std::uint8_t ObjectInField;
// Camera 1 / 2 started successfully (%cam1_online, %cam2_online).
extern bool Cam1Online;
extern bool Cam2Online;

constexpr int kDefaultScriptRate_ms = 250;

// The current level, or nullptr.
TScript* Current();

// Lets the running script go on with its next line after delay_ms.
void ScriptNext(int delay_ms);

// Loads a script file into the current level, pushing a new level first
// when asked (or when there is none). False when the file cannot be read.
bool LoadScript(const QString& fileName, bool newLevel);

// Loads the file on a new level and starts running it.
bool RunScriptFile(const QString& fileName);

// One tick of the engine: steps to the next line; at the end of the
// current level the level is dropped and, at the last level, the run ends.
void ExecuteNextLine();

// Stops every level.
void StopAll();

} // namespace Scripts
