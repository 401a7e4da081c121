#include "translation/language.h"

#include "app/frm_pref.h"
#include "app/settings.h"
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
    const platform::IniDocument ini(SettingsFilePath);
    const int index = ini.readInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 0);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    LanguageFilePath = platform::joinPath(platform::programDir(),
                                          QStringLiteral("Lang_") + combo->currentText() + QStringLiteral(".ini"));
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
