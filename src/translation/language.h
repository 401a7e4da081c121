#pragma once
// The language choice and the run-time translation of the windows. The
// translation itself comes with the language files; until then the windows
// keep their French texts and these hooks only keep the choice.

#include <QString>

// The chosen language file: ProgramDir + "/Lang_" + name + ".ini"; empty
// while none is chosen.
extern QString LanguageFilePath;

namespace Settings {

// Fills FRM_Pref.CBX_Langue with the language files ("Lang_" + name +
// ".ini") of the program directory and selects the saved choice
// (Prefs/Langue, an item index).
void LoadLanguageChoice();

// Translates the captions, hints and items of every window and the
// translated texts from the chosen language file.
void ApplyTranslation();

} // namespace Settings
