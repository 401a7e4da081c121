#pragma once
// Script-button collections ("Script_" + name + ".ini" in the program
// directory, section "PFonctions"): the twenty function-button assignments
// of the collection built last, the list shown in both collection combos
// of the main window, and the rebuilding and saving of the forty buttons.

#include "app/settings/script_collection_file.h"

#include <QString>
#include <QStringList>

class QToolButton;

// Entries 1..20 (0 unused).
extern TScriptButtons ScriptButtons;
extern int CurrentScriptCollectionIndex;
extern QStringList ScriptCollectionList;
extern QString ScriptCollectionFilePath;
// The function button the properties window edits (1..20, 0 none) and its
// two buttons, chosen by the right click that opened the window and cleared
// when it closes.
extern int EditedButtonIndex;
extern QToolButton* EditedButton;
extern QToolButton* EditedButtonB;

namespace ScriptBar {

// The collection names of the "Script_*.ini" files of the program directory
// (any letter case), in name order without regard to letter case.
QStringList ListScriptCollections();
// The file of a collection: an existing one whatever its letter case, else
// ProgramDir/Script_<name>.ini.
QString CollectionFilePath(const QString& name);
// Whether a collection of that name exists (letter case ignored).
bool CollectionExists(const QString& name);

// The expert and beginner buttons of number n (1..20).
QToolButton* ExpertButton(int n);
QToolButton* BeginnerButton(int n);

// Gives both buttons of number n the face of ScriptButtons[n]: the picture
// of the icons folder when one is named and can be read (no caption), else
// no picture and the number as caption; the hint in both cases. A named
// picture that exists but cannot be read is added to `unreadable`.
void ApplyButtonFace(int n, QStringList* unreadable = nullptr);
// One message naming the pictures that could not be read; none without.
void ReportUnreadable(const QStringList& unreadable);

} // namespace ScriptBar

// Lists the collections into both combos, selects CurrentScriptCollectionIndex,
// sets ScriptCollectionFilePath for the chosen name (an empty name without
// collections) and builds the buttons from it.
void LoadScriptCollection();
// Reads a collection file into ScriptButtons and the forty buttons; missing
// files, sections and keys give empty entries.
void BuildScriptBar(const QString& path);
// Writes the twenty entries of ScriptButtons into a collection file,
// creating it when needed. A file that cannot be written is told once and
// left as it was; false then.
bool SaveScriptBar(const QString& path);
