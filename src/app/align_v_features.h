#pragma once
// Small routines of the main window that other windows and scripts call.

#include <QString>

namespace Align_V {

// Runs the script file whose path is the scripts folder followed directly
// by fileName: the script window names it, loads it on a new call level and
// runs it from its first line. False, without a message, when the file does
// not exist (the caller reports).
bool RunScriptByName(const QString& fileName);

// Brings the hand pad's goto controls in line with the chosen mount.
void UpdateHandPadControls();

// The main window's sky-chart command: shows the chart window and redraws
// the chart with the filters of the Preferences dialog.
void ShowSkyChart();

} // namespace Align_V
