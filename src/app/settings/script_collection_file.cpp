#include "app/settings/script_collection_file.h"

namespace ScriptBar {
namespace {

QString key(const char* stem, int n)
{
    return QLatin1String(stem) + QString::number(n);
}

} // namespace

TScriptButtons ReadCollection(const platform::IniDocument& doc)
{
    const QString section = QLatin1String(kSection);
    TScriptButtons buttons;
    for (int n = 1; n <= kFunctionButtonCount; ++n)
        buttons[n] = {doc.readString(section, key("BTN_Script_", n), {}), doc.readString(section, key("BTN_Hint_", n), {}),
                      doc.readString(section, key("BTN_Icone_", n), {})};
    return buttons;
}

void WriteCollection(platform::IniDocument& doc, const TScriptButtons& buttons)
{
    const QString section = QLatin1String(kSection);
    for (int n = 1; n <= kFunctionButtonCount; ++n) {
        doc.writeString(section, key("BTN_Script_", n), buttons[n].Script);
        doc.writeString(section, key("BTN_Icone_", n), buttons[n].Icon);
        doc.writeString(section, key("BTN_Hint_", n), buttons[n].Hint);
    }
}

} // namespace ScriptBar
