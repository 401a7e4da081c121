#include "translation/language.h"

#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/settings/key_engine.h"
#include "app/settings/key_table.h"
#include "app/settings/settings_file.h"
#include "platform/ini_document.h"
#include "platform/paths.h"
#include "translation/translated_texts.h"

#include <QDir>
#include <QFileInfo>

QString LanguageFilePath;

namespace Settings {

void LoadLanguageChoice()
{
    if (!FRM_Pref)
        return;
    QComboBox* combo = FRM_Pref->CBX_Langue;
    combo->clear();
    const QStringList files = QDir(platform::programDir())
                                  .entryList({QStringLiteral("Lang_*.ini")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& f : files)
        combo->addItem(QFileInfo(f).completeBaseName().mid(5));
    platform::IniDocument ini(SettingsFilePath);
    const int index = ini.readInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), -1);
    const bool inList = index >= -1 && index < combo->count();
    combo->setCurrentIndex(inList ? index : -1);
    // The stored choice is written back as it was until the user picks a
    // language, even one this program directory has no file for. The first
    // language with no language file at all is the program's own texts.
    const KeySpec* key = FindKey(u"Prefs", u"Langue");
    KeyEngine(ini).keepStored(*key);
    if (!inList && !(index == 0 && combo->count() == 0)) {
        AddLoadNotes({QStringLiteral("CBX_Langue (Prefs/Langue) : la langue %1 n'existe pas (la liste en a %2) ; "
                                     "la valeur en place est gardée")
                          .arg(index)
                          .arg(combo->count())});
    }
}

void ApplyTranslation()
{
    // Until language files are read, the windows keep the French texts they
    // are created with and the message texts take their French defaults.
    Translation::ResetTexts();
}

} // namespace Settings
