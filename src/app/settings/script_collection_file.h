#pragma once
// The contents of a script-button collection file: section "PFonctions",
// for each button n from 1 to 20 the keys "BTN_Script_" + n, "BTN_Icone_" + n
// and "BTN_Hint_" + n, written in that order. Missing keys are empty.

#include "platform/ini_document.h"

#include <QString>

#include <array>

// One function button's assignment; file names are relative to the
// scripts and icons folders of the Preferences.
struct TScriptButton {
    QString Script;
    QString Hint;
    QString Icon;
    friend bool operator==(const TScriptButton&, const TScriptButton&) = default;
};

inline constexpr int kFunctionButtonCount = 20;
// Entries 1..20 (0 unused).
using TScriptButtons = std::array<TScriptButton, kFunctionButtonCount + 1>;

namespace ScriptBar {

inline constexpr char kSection[] = "PFonctions";

TScriptButtons ReadCollection(const platform::IniDocument& doc);
// Writes all twenty entries; other lines of the document are kept.
void WriteCollection(platform::IniDocument& doc, const TScriptButtons& buttons);

} // namespace ScriptBar
