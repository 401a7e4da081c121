#pragma once
// Day colours saved at start-up, put back when night mode is switched off.

namespace NightColors {

void SaveSystemColors();
void RestoreSystemColors();
bool SystemColorsSaved();

} // namespace NightColors

using NightColors::RestoreSystemColors;
using NightColors::SaveSystemColors;
