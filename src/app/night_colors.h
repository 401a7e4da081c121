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
#include <array>
#include <cstdint>

namespace NightColors {

// The system colours stand for the application palette: 5 Base, 8 Text,
// 13/14 Highlight and HighlightedText, 15 Window and Button, 16 Dark,
// 17 disabled texts, 18 WindowText and ButtonText, 20 Light, 21 Shadow,
// 22 Midlight, 23/24 tool tips, 25 AlternateBase, 26 Link; 0 the scroll
// bars' and 4/7 the menus' class palettes. The desktop and title-bar entries
// are kept but change nothing. Colours are 0x00BBGGRR.
inline constexpr int kSystemColorCount = 29;
extern std::array<std::uint32_t, kSystemColorCount> SavedSystemColors;
extern std::array<std::uint32_t, kSystemColorCount> NightColorTable;

// Keeps the palette in force (the day scheme) and its 29 colours.
void SaveSystemColors();
// Gives back exactly the palette saved; night mode is off.
void RestoreSystemColors();
bool SystemColorsSaved();
bool NightModeOn();
// The panels' colours into NightColorTable; then ApplyNightColors puts them
// on every window (night mode on).
void ReadNightColors();
void ApplyNightColors();
// The day colours into the panels ("Windows"). Out of night mode the current
// colours are saved first as the day colours; in night mode the saved day
// colours stay as they are.
void CopySystemColorsToPanels();
// A panel's stored colour as a colour: a negative value is the saved colour
// of the index in its low byte.
std::uint32_t ResolveColor(std::int32_t stored, int index);

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
