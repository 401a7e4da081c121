#include "app/profiles.h"

#include "app/frm_pref.h"
#include "app/settings.h"
#include "app/settings/key_engine.h"
#include "app/settings/key_table.h"
#include "app/settings/settings_file.h"
#include "app/ui/control_adapters.h"
#include "platform/message_service.h"
#include "translation/translated_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QTabWidget>
#include <QWidget>

QString CurrentSpeedProfileName;

namespace Profiles {
namespace {

const char* loaderName(Kind kind)
{
    switch (kind) {
    case Kind::Optics: return "LoadOpticsProfile";
    case Kind::Mount: return "LoadMountProfile";
    case Kind::MotorSpeeds: return "LoadMotorSpeedProfile";
    case Kind::Camera: return "LoadCameraProfile";
    }
    return "";
}

bool isChecked(QWidget* window, const char* name)
{
    auto* b = window ? window->findChild<QAbstractButton*>(QString::fromLatin1(name)) : nullptr;
    return b && b->isChecked();
}

// Shows or hides a page of the tab widget that holds it.
void setPageVisible(QWidget* page, bool visible)
{
    for (QWidget* p = page ? page->parentWidget() : nullptr; p; p = p->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(p)) {
            const int i = tabs->indexOf(page);
            if (i >= 0) {
                tabs->setTabVisible(i, visible);
                return;
            }
        }
    }
}

// After the long-exposure modification key: the dialog's own handler, the
// long-exposure page only while the box is checked, and the main window's
// long-exposure commands disabled.
void afterVestaMod(QWidget* pref)
{
    Settings::RunHandler(QStringLiteral("FRM_Pref.CKB_VestaModClick"));
    if (pref)
        setPageVisible(pref->findChild<QWidget*>(QStringLiteral("TBS_Poselongue")), isChecked(pref, "CKB_VestaMod"));
    if (QWidget* alv = Settings::FindWindow(QStringLiteral("FRM_Alv"))) {
        for (const char* name : {"MNU_Cam1_PoseLongue", "MNU_Cam2_Poselongue"}) {
            if (auto* a = alv->findChild<QAction*>(QString::fromLatin1(name)))
                a->setEnabled(false);
        }
        for (const char* name : {"SPDB_Cam1_PoseLongue", "SPDB_Cam1_PoseLongue_B", "SPDB_Cam2_Poselongue",
                                 "SPDB_Cam2_PoseLongue_B"}) {
            if (auto* w = alv->findChild<QWidget*>(QString::fromLatin1(name)))
                w->setEnabled(false);
        }
    }
}

} // namespace

QString Prefix(Kind kind)
{
    switch (kind) {
    case Kind::Optics: return QStringLiteral("Optique.");
    case Kind::Mount: return QStringLiteral("Monture.");
    case Kind::MotorSpeeds: return QStringLiteral("Vitesse_Moteur.");
    case Kind::Camera: return QStringLiteral("Camera.");
    }
    return {};
}

QStringList ListProfiles(const QString& prefix)
{
    Settings::SettingsFileSession file(Settings::SettingsFileSession::Mode::Share);
    QStringList names;
    for (const QString& section : file.doc().readSections()) {
        if (section.startsWith(prefix, Qt::CaseSensitive))
            names << section.mid(prefix.size());
    }
    if (names.isEmpty())
        names << kDefaultName;
    return names;
}

void LoadProfile(Kind kind, const QString& name)
{
    Settings::NotifyStep(QString::fromLatin1(loaderName(kind)));
    Settings::NoteCollector notes;
    Settings::SettingsFileSession file(Settings::SettingsFileSession::Mode::Share);
    if (!file.readable())
        Settings::AddLoadNotes({file.error()});
    const QString prefix = Prefix(kind);
    Settings::KeyEngine engine(file.doc(), prefix + name);
    QWidget* pref = Settings::FindWindow(QStringLiteral("FRM_Pref"));
    for (const Settings::KeySpec& key : Settings::ProfileKeys(prefix)) {
        engine.load(key);
        const QString k = key.keyName();
        if (k == QLatin1String("VestaModChecked")) {
            afterVestaMod(pref);
        } else if (k.startsWith(QLatin1String("RDB_RAWMode_")) && isChecked(pref, key.control)) {
            RawBayerMode = static_cast<std::uint8_t>(k.mid(12, 1).toInt());
        }
    }
    Settings::AddLoadNotes(engine.notes());
    if (kind == Kind::MotorSpeeds) {
        // Their exit handlers copy the speeds into the guiding's speed table.
        for (const char* input : {"TNI_Vitesse_Est", "TNI_Vitesse_Nord", "TNI_Vitesse_Sud", "TNI_Vitesse_Ouest"})
            Settings::RunHandler(QStringLiteral("FRM_Pref.") + QString::fromLatin1(input) + QStringLiteral("Exit"));
    }
    if (file.ownsDocument() && kind != Kind::MotorSpeeds)
        Settings::UpdateOpticsDerived();
}

bool SaveProfile(Kind kind, const QString& name)
{
    if (!CheckName(name))
        return false;
    Settings::SettingsFileSession file(Settings::SettingsFileSession::Mode::Share);
    const QString prefix = Prefix(kind);
    Settings::KeyEngine engine(file.doc(), prefix + name);
    for (const Settings::KeySpec& key : Settings::ProfileKeys(prefix))
        engine.save(key);
    if (!file.commit()) {
        Settings::ReportWriteError(SettingsFilePath, file.error());
        return false;
    }
    return true;
}

bool EraseProfile(const QString& section)
{
    if (section.trimmed().isEmpty())
        return true;
    Settings::SettingsFileSession file(Settings::SettingsFileSession::Mode::Share);
    file.doc().eraseSection(section);
    if (!file.commit()) {
        Settings::ReportWriteError(SettingsFilePath, file.error());
        return false;
    }
    return true;
}

void BindProfileList(QComboBox* combo, std::function<void()> changeHandler, QObject* context)
{
    // The combo's change is the user's taking of an entry of the list
    // (setting it from code runs nothing).
    app::bindComboChange(combo, [h = std::move(changeHandler)] {
        ProfileComboTouched = true;
        h();
    }, context);
}

int AddSorted(QComboBox* combo, const QString& name)
{
    int i = 0;
    while (i < combo->count() && QString::compare(combo->itemText(i), name, Qt::CaseInsensitive) <= 0)
        ++i;
    combo->insertItem(i, name);
    return i;
}

void FillSorted(QComboBox* combo, const QStringList& names)
{
    combo->clear();
    for (const QString& name : names)
        AddSorted(combo, name);
}

bool IsValidName(const QString& name, QString* reason)
{
    auto refuse = [&](const QString& why) {
        if (reason) {
            QString shown = name;
            for (QChar& c : shown) {
                if (c.unicode() < 0x20 || c.category() == QChar::Other_Control)
                    c = u'?';
            }
            *reason = TranslatedTexts.MSG_Profil_Nom_Refuse.arg(shown, why);
        }
        return false;
    };
    if (name.trimmed().isEmpty())
        return refuse(TranslatedTexts.MSG_Profil_Nom_Vide);
    if (name.front().isSpace() || name.back().isSpace())
        return refuse(TranslatedTexts.MSG_Profil_Nom_Blanc);
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || c.unicode() < 0x20)
            return refuse(TranslatedTexts.MSG_Profil_Nom_Controle);
    }
    for (const char* bad : {"/", "\\", "..", ":", "[", "]", "="}) {
        if (name.contains(QLatin1String(bad)))
            return refuse(TranslatedTexts.MSG_Profil_Nom_Contient.arg(QLatin1String(bad)));
    }
    return true;
}

bool CheckName(const QString& name)
{
    QString reason;
    if (IsValidName(name, &reason))
        return true;
    platform::messages().show(
        {reason, platform::MsgKind::Warning, platform::MsgButtons::Ok, QStringLiteral("Profiles.Name"), {}});
    return false;
}

} // namespace Profiles

void LoadOpticsProfile(const QString& name) { Profiles::LoadProfile(Profiles::Kind::Optics, name); }
void LoadMountProfile(const QString& name) { Profiles::LoadProfile(Profiles::Kind::Mount, name); }
void LoadMotorSpeedProfile(const QString& name) { Profiles::LoadProfile(Profiles::Kind::MotorSpeeds, name); }
void LoadCameraProfile(const QString& name) { Profiles::LoadProfile(Profiles::Kind::Camera, name); }
bool SaveOpticsProfile(const QString& name) { return Profiles::SaveProfile(Profiles::Kind::Optics, name); }
bool SaveMountProfile(const QString& name) { return Profiles::SaveProfile(Profiles::Kind::Mount, name); }
bool SaveCameraProfile(const QString& name) { return Profiles::SaveProfile(Profiles::Kind::Camera, name); }
bool EraseProfile(const QString& section) { return Profiles::EraseProfile(section); }

namespace Settings {
bool SaveMotorSpeedProfile(const QString& name) { return Profiles::SaveProfile(Profiles::Kind::MotorSpeeds, name); }
}
