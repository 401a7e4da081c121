#include "translation/language.h"

#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/settings/key_engine.h"
#include "app/settings/key_table.h"
#include "app/settings/settings_file.h"
#include "platform/ini_document.h"
#include "platform/paths.h"
#include "translation/translated_texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>
#include <utility>

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

namespace {
// The file the language choice is read from: the settings file, or while
// there is none (its first start, or a program directory the template could
// not be copied into) the template it would have been copied from.
QString languageChoiceFile()
{
    if (QFile::exists(SettingsFilePath))
        return SettingsFilePath;
    return platform::findFileNoCase(platform::programDir(), kTemplateFileName);
}
} // namespace

QString ChosenLanguageName()
{
    const platform::IniDocument ini(languageChoiceFile());
    const QStringList names = ListLanguageFiles();
    const int index = ini.readInteger(QStringLiteral("Prefs"), QStringLiteral("Langue"), 0);
    return index >= 0 && index < names.size() ? names[index] : QString();
}

void LoadLanguageChoice()
{
    if (!FRM_Pref)
        return;
    QComboBox* combo = FRM_Pref->CBX_Langue;
    combo->clear();
    combo->addItems(ListLanguageFiles());
    platform::IniDocument ini(languageChoiceFile());
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
        AddLoadNotes({TranslatedTexts.MSG_Reglages_Langue_Absente.arg(index)
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

QString QtLanguageCode(const QString& languageName)
{
    static const std::pair<const char*, const char*> known[] = {
        {"fran", "fr"},   {"english", ""},  {"anglais", ""},  {"deutsch", "de"}, {"allemand", "de"},
        {"espa", "es"},   {"italia", "it"}, {"nederland", "nl"}, {"portug", "pt_BR"}, {"polsk", "pl"},
        {"polski", "pl"}, {"cesk", "cs"},   {"russ", "ru"},
    };
    const QString name = languageName.trimmed().toLower();
    if (name.isEmpty())
        return QStringLiteral("fr");
    for (const auto& [start, code] : known)
        if (name.startsWith(QLatin1String(start)))
            return QString::fromLatin1(code);
    return {};
}

bool ApplyQtTranslations(const QString& languageName)
{
    static QPointer<QTranslator> installed;
    if (!qApp)
        return false;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    const QString code = QtLanguageCode(languageName);
    if (code.isEmpty())
        return languageName.trimmed().toLower().startsWith(QLatin1String("engl"));
    auto* translator = new QTranslator(qApp);
    if (!translator->load(QStringLiteral("qtbase_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

} // namespace Translation
