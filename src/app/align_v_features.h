#pragma once
// Small routines of the main window that other windows and scripts call.

#include <QString>

namespace Align_V {

// Runs a script file named relative to the scripts folder; false, without
// a message, when the file does not exist.
bool RunNamedScript(const QString& fileName);

// Brings the hand pad's goto controls in line with the chosen mount.
void UpdateHandPadControls();

} // namespace Align_V
