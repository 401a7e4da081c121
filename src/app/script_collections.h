#pragma once
// Script-button collections ("Script_" + name + ".ini" in the program
// directory): the list shown in both collection combos of the main window.

#include <QString>
#include <QStringList>

extern int CurrentScriptCollectionIndex;
extern QStringList ScriptCollectionList;
extern QString ScriptCollectionFilePath;

// Lists the collections into CBX_ScriptCollection and CBX_ScriptCollection_B,
// selects CurrentScriptCollectionIndex and builds the script-button bar
// from the chosen collection.
void LoadScriptCollection();
