#include "translation/language.h"

#include "app/frm_pref.h"
#include "app/settings.h"
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
    const platform::IniDocument ini(SettingsFilePath);
    const int index = ini.readInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), -1);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void ApplyTranslation()
{
    // Until language files are read, the windows keep the French texts they
    // are created with and the message texts take their French defaults.
    Translation::ResetTexts();
}

} // namespace Settings
