#pragma once
// The main window's script runners: the twenty function buttons of the
// current collection and the custom-function menu built from the ".txt"
// scripts of the scripts folder that carry a "@Menu(caption)" line.

#include "app/helpers/menu_marker.h"

#include <QString>

class QAction;

namespace Align_V {

// Runs the script of function button n (1..20); a missing file is told with
// its path and runs nothing.
void RunFunctionButtonScript(int n);
// Runs the script of a custom-function menu item; the same message when
// its file is gone.
void RunCustomFunctionItem(QAction* item);
// Rebuilds the custom-function menu from the scripts folder: at most 127
// items sorted by caption; the 33rd, 66th and 99th start a new column.
void BuildCustomFunctionMenu();
inline constexpr int kMaxCustomFunctions = 127;
inline constexpr int kCustomFunctionColumn = 33;

} // namespace Align_V
