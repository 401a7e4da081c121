#pragma once
// The main window's script runners: the twenty function buttons of the
// current collection and the custom-function menu built from the ".txt"
// scripts of the scripts folder that carry a "@Menu(caption)" line.

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
// The caption of the first line of a text file that holds marker (letter
// case ignored): the text between the line's first "(" and its matching
// ")", where a ")" inside double quotes does not close. Empty when the file
// cannot be read, holds no such line or the line has no closing ")".
QString FindMenuMarker(const QString& fileName, const QString& marker);

inline constexpr int kMaxCustomFunctions = 127;
inline constexpr int kCustomFunctionColumn = 33;

} // namespace Align_V
