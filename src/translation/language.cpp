#include "translation/language.h"

#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/settings/key_engine.h"
#include "app/settings/key_table.h"
#include "app/settings/settings_file.h"
#include "platform/ini_document.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>

QString LanguageFilePath;

namespace Settings {

QStringList ListLanguageFiles()
{
    // The directory order is no order on Linux, and the saved choice is an
    // index: the names are sorted so that the index keeps meaning the same.
    QDir dir(platform::programDir());
    const QStringList files = dir.entryList({QStringLiteral("lang_*.ini")},
                                            QDir::Files | QDir::Hidden | QDir::System,
                                            QDir::Name | QDir::IgnoreCase);
    QStringList names;
    names.reserve(files.size());
    for (const QString& f : files)
        names.append(f.mid(5, f.size() - 9));
    return names;
}

void LoadLanguageChoice()
{
    if (!FRM_Pref)
        return;
    QComboBox* combo = FRM_Pref->CBX_Langue;
    combo->clear();
    combo->addItems(ListLanguageFiles());
    platform::IniDocument ini(SettingsFilePath);
    const int index = ini.readInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 0);
    const bool inList = index >= -1 && index < combo->count();
    combo->setCurrentIndex(inList ? index : -1);
    LanguageFilePath = platform::joinPath(platform::programDir(),
                                          QStringLiteral("Lang_") + combo->currentText() + QStringLiteral(".ini"));
    // The stored choice is written back as it was until the user picks a
    // language, even one this program directory has no file for.
    const KeySpec* key = FindKey(u"Prefs", u"Langue");
    KeyEngine(ini).keepStored(*key);
    if (!inList && !(index == 0 && combo->count() == 0)) {
        AddLoadNotes({QStringLiteral("CBX_Langue (Prefs/Langue) : la langue %1 n'existe pas (la liste en a %2) ; "
                                     "la valeur en place est gardée")
                          .arg(index)
                          .arg(combo->count())});
    }
}

} // namespace Settings

namespace Translation {

QString ResolveLanguageFile(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    if (info.isFile())
        return path;
    const QString found = platform::findFileNoCase(info.path(), info.fileName());
    return !found.isEmpty() && QFileInfo(found).isFile() ? found : QString();
}

} // namespace Translation
