#include "app/night_colors.h"

#include "app/profiles.h"
#include "app/settings.h"
#include "app/settings/key_engine.h"
#include "app/settings/key_table.h"
#include "app/settings/settings_file.h"
#include "platform/ini_document.h"
#include "platform/paths.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QWidget>
#include <optional>

namespace NightColors {
namespace {

std::optional<QPalette> g_saved;

const QString kPrefix = QStringLiteral("Nite_");
const QString kSuffix = QStringLiteral(".ini");

QComboBox* schemeCombo()
{
    QWidget* pref = Settings::FindWindow(QStringLiteral("FRM_Pref"));
    return pref ? pref->findChild<QComboBox*>(QStringLiteral("CBX_NiteColor")) : nullptr;
}

} // namespace

void SaveSystemColors() { g_saved = QApplication::palette(); }

void RestoreSystemColors()
{
    if (g_saved)
        QApplication::setPalette(*g_saved);
}

bool SystemColorsSaved() { return g_saved.has_value(); }

QStringList ListNightColorFiles()
{
    QStringList names;
    const QDir dir(platform::programDir());
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& f : files) {
        if (f.size() >= kPrefix.size() + kSuffix.size() && f.startsWith(kPrefix, Qt::CaseInsensitive)
            && f.endsWith(kSuffix, Qt::CaseInsensitive))
            names << f.mid(kPrefix.size(), f.size() - kPrefix.size() - kSuffix.size());
    }
    return names;
}

void LoadNightColorChoice()
{
    Settings::NotifyStep(QStringLiteral("LoadNightColorChoice"));
    QComboBox* combo = schemeCombo();
    if (!combo)
        return;
    combo->clear();
    combo->addItems(ListNightColorFiles());
    // The stored list position, read from the open settings document.
    if (const Settings::KeySpec* key = Settings::FindKey(u"Prefs", u"Couleur_Nuit")) {
        Settings::SettingsFileSession file(Settings::SettingsFileSession::Mode::Share);
        Settings::KeyEngine(file.doc()).load(*key);
    }
}

QString NightColorFilePath(const QString& name)
{
    const QString fileName = kPrefix + name + kSuffix;
    const QString found = platform::findFileNoCase(platform::programDir(), fileName);
    return found.isEmpty() ? platform::joinPath(platform::programDir(), fileName) : found;
}

void LoadNightColors(const QString& name)
{
    Settings::NotifyStep(QStringLiteral("LoadNightColors"));
    Settings::NoteCollector notes;
    // A name that cannot be a file name has no file: the defaults.
    const QString path = Profiles::IsValidName(name) ? NightColorFilePath(name) : QString();
    platform::IniDocument doc;
    if (!path.isEmpty() && !doc.load(path))
        Settings::AddLoadNotes({doc.errorString()});
    Settings::KeyEngine engine(doc);
    for (const Settings::KeySpec& key : Settings::SchemeKeys())
        engine.load(key);
    Settings::AddLoadNotes(engine.notes());
}

bool SaveNightColors(const QString& name)
{
    if (!Profiles::CheckName(name))
        return false;
    const QString path = NightColorFilePath(name);
    platform::IniDocument doc;
    bool ok = doc.load(path);
    if (ok) {
        Settings::KeyEngine engine(doc);
        for (const Settings::KeySpec& key : Settings::SchemeKeys())
            engine.save(key);
        ok = doc.save();
    }
    if (!ok)
        Settings::ReportWriteError(path, doc.errorString());
    return ok;
}

bool EraseNightColors(const QString& name)
{
    if (!Profiles::IsValidName(name))
        return true;
    const QString found = platform::findFileNoCase(platform::programDir(), kPrefix + name + kSuffix);
    if (found.isEmpty())
        return true;
    QFile f(found);
    if (f.remove())
        return true;
    Settings::ReportWriteError(found, f.errorString());
    return false;
}

} // namespace NightColors
