#pragma once
// Small routines of the main window that other windows and scripts call.

#include <QString>

namespace Align_V {

// Runs a script file named relative to the scripts folder; false, without
// a message, when the file does not exist.
bool RunNamedScript(const QString& fileName);

// Brings the hand pad's goto controls in line with the chosen mount.
void UpdateHandPadControls();

// The main window's sky-chart command: shows the chart window and redraws
// the chart with the filters of the Preferences dialog.
void ShowSkyChart();

} // namespace Align_V
