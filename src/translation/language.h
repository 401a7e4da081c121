#pragma once
// The language choice and the run-time translation of the windows.

#include <QString>
#include <QStringList>

#include <cstdint>

class QWidget;

// The chosen language file: ProgramDir + "/Lang_" + name + ".ini"; empty
// before the first choice.
extern QString LanguageFilePath;

// The font character set of the current language: 0 before the first
// translation pass, then the language file's "Charset" (1 when missing).
extern std::int32_t FontCharset;

namespace Settings {

// The language names of the "lang_*.ini" files of the program directory
// (letter case ignored; folders skipped), sorted without regard to case.
QStringList ListLanguageFiles();

// Fills FRM_Pref.CBX_Langue with the languages found (once per run),
// selects the saved choice (Prefs/Langue, an item index, default 0) and
// sets LanguageFilePath from it.
void LoadLanguageChoice();

// The language name the settings file chooses (Prefs/Langue, an index into
// ListLanguageFiles(), as LoadLanguageChoice reads it; the template's when
// the settings file is still missing, since the load copies it); empty when
// the index names no language.
QString ChosenLanguageName();

// The translated texts that messages are built from, in the language the
// settings file chooses. The start-up takes them before it reads the
// settings, so that every message of the start-up, the notes of the load
// among them, is in that language; the windows are translated afterwards
// by ApplyTranslation, which reads the same texts again.
void ApplyChosenLanguageTexts();

// Translates the captions, hints, menus, lists, chart and status texts of
// every window and the translated texts from the chosen language file;
// what the file lacks is put back to French. Sets the font character set.
void ApplyTranslation();

// Stores `charset` in FontCharset and gives the windows that follow the
// language a font for its character set (its low 8 bits).
void ApplyFontCharset(std::int32_t charset);

} // namespace Settings

namespace Translation {

// Gives one window a font for the current FontCharset (a window created
// after the pass, such as the capture-driver dialog).
void ApplyFontCharsetTo(QWidget* window);

// Gives a window made after the pass (a dialog made when it opens) its
// texts of the program's own in the chosen language, French where the
// language file has none.
void TranslateWindow(QWidget* window);

// The language file that `path` names, found without regard to the letter
// case of its name ("lang_English.ini" for ".../Lang_English.ini"); empty
// when there is none.
QString ResolveLanguageFile(const QString& path);

// The code of Qt's own translation files ("fr") for a language of the
// language list ("Francais"); French when no language is chosen; empty for
// English and for languages Qt has no name for here.
QString QtLanguageCode(const QString& languageName);

// Loads Qt's own texts (file dialogs, standard buttons, edit menus) in the
// language of that name from the translations of the Qt installation, in
// place of those loaded before; English needs none. False when a language
// other than English has no such file.
bool ApplyQtTranslations(const QString& languageName);

} // namespace Translation
