#include "app/settings.h"

#include "app/frm_pref.h"
#include "platform/ini_document.h"
#include "scripting/scripts.h"

QString SettingsFilePath;
bool StartupPrefsLoaded = false;

namespace Settings {
namespace {
const QString kPrefs = QStringLiteral("Prefs");
}

void LoadSettings()
{
    // The settings store fills the controls from this file.
    platform::IniDocument ini(SettingsFilePath);
    Scripts::SetScriptRate(ini.readInteger(QStringLiteral("Scripts"), QStringLiteral("Scriptrate"),
                                           Scripts::kDefaultScriptRate_ms));
}

void SaveSettings()
{
    platform::IniDocument ini;
    if (!ini.load(SettingsFilePath))
        throw SettingsError(ini.errorString());
    if (FRM_Pref)
        ini.writeInteger(kPrefs, QStringLiteral("Langue"), FRM_Pref->CBX_Langue->currentIndex());
    if (!ini.save())
        throw SettingsError(ini.errorString());
}

void LoadDriversDir()
{
    const platform::IniDocument ini(SettingsFilePath);
    const QString dir = ini.readString(kPrefs, QStringLiteral("EDT_Repertoire_drivers"), QStringLiteral("\\drivers"));
    if (FRM_Pref)
        FRM_Pref->EDT_Repertoire_drivers->setText(dir);
}

void LoadMiscPrefs()
{
    StartupPrefsLoaded = true;
}

void LoadWindowLayout()
{
}

} // namespace Settings
