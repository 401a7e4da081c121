#pragma once
// Night colour schemes: 29 colours, one per system colour element, kept in
// "Nite_" + name + ".ini" of the program directory (section "NiteColor") and
// edited in the panels PNL_Color_... of the Preferences dialog. Scheme files
// are found without regard to the letter case of their names.
//
// The day colours in force at start-up are saved and put back when night
// mode is switched off.

#include <QString>
#include <QStringList>

namespace NightColors {

void SaveSystemColors();
void RestoreSystemColors();
bool SystemColorsSaved();

// The scheme names of the "nite_*.ini" files of the program directory (any
// letter case), in directory order.
QStringList ListNightColorFiles();
// Fills CBX_NiteColor with the scheme names and selects the list position
// stored as Prefs/Couleur_Nuit (default 0).
void LoadNightColorChoice();
// Reads the scheme into the 29 panels; a missing file or key gives the defaults.
void LoadNightColors(const QString& name);
// Writes the panels into the scheme file (created when needed). False when
// the name is refused or the file cannot be written (both told to the user).
bool SaveNightColors(const QString& name);
// Deletes the scheme file. False when it exists and cannot be deleted.
bool EraseNightColors(const QString& name);
// The scheme's file: an existing one whatever its letter case, else
// ProgramDir/Nite_<name>.ini.
QString NightColorFilePath(const QString& name);

} // namespace NightColors

using NightColors::LoadNightColorChoice;
using NightColors::LoadNightColors;
using NightColors::RestoreSystemColors;
using NightColors::SaveNightColors;
using NightColors::SaveSystemColors;
