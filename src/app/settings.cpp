#include "app/settings.h"

#include "app/controls/num_inp.h"
#include "app/form.h"
#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "app/helpers/calc_helpers.h"
#include "app/night_colors.h"
#include "app/profiles.h"
#include "app/settings/guide_offset.h"
#include "app/settings/key_engine.h"
#include "app/settings/key_table.h"
#include "app/settings/port_lists.h"
#include "app/settings/settings_file.h"
#include "app/systeme.h"
#include "capture/camera_slots.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "telescope/frm_object_action.h"
#include "telescope/mount_state.h"
#include "telescope/sky/sky_chart.h"
#include "translation/translated_texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QAbstractSlider>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QSpinBox>
#include <QWidget>

#include <algorithm>
#include <cmath>

QString SettingsFilePath;
bool StartupPrefsLoaded = false;
QString HelpFilePath;

std::int32_t LastVideoWidth = 640;
std::int32_t LastVideoHeight = 480;
double LastSampling = 0.63;
std::int32_t GuidePortParity = 3;
std::int32_t FocusPortParity = 3;
std::int32_t SavedZoneSize = 640;
QString LastOpenDir;
std::int32_t GuideAverageInterval = 10;
long double EffectiveFocalLength = 2000;

namespace Settings {
namespace {
// The place and size of a window as section "Windows" stores them, when
// they are the user's. A place stored with the first place the program gave
// the window beside it (its "_FirstPlace" key naming that same place) is
// the program's: it reads as none, and the window takes a first place
// again. A place without that key, as every file of an earlier version
// stores them, is the user's.
class StoredPlace {
public:
    StoredPlace(const platform::IniDocument& doc, const QString& window) : doc_(doc), window_(window)
    {
        const bool stored = exists("_Left") || exists("_Top");
        const QStringList first =
            doc.readString(kSection, window + QStringLiteral("_FirstPlace"), QString()).split(u',');
        const bool program = first.size() == 2 && first[0].trimmed() == storedText("_Left")
                             && first[1].trimmed() == storedText("_Top");
        users_ = stored && !program;
    }
    // True when the file holds a place the user chose.
    bool users() const { return users_; }
    // The stored value of the key (of suffix "_Left", "_Top", "_Width" or
    // "_Height") where the place is the user's, else `def`.
    int read(const char* suffix, int def) const
    {
        return users_ ? doc_.readInteger(kSection, window_ + QLatin1String(suffix), def) : def;
    }
    // Notes the window's place as the user's, or has it wait for its first
    // place (with `first`; else it has the place it opens at without one).
    void note(QWidget* w, bool first = true) const
    {
        if (users_)
            Systeme::NoteUserPlace(w);
        else if (first)
            Systeme::NeedsFirstPlace(w);
        else
            Systeme::ForgetUserPlace(w);
    }

private:
    inline static const QString kSection = QStringLiteral("Windows");
    bool exists(const char* suffix) const { return doc_.valueExists(kSection, window_ + QLatin1String(suffix)); }
    QString storedText(const char* suffix) const
    {
        return QString::number(doc_.readInteger(kSection, window_ + QLatin1String(suffix), 0));
    }

    const platform::IniDocument& doc_;
    QString window_;
    bool users_ = false;
};
} // namespace

namespace {

const QString kPref = QStringLiteral("FRM_Pref");
// Why the settings file could not be read at the last load; empty when it was.
QString UnreadableFileError;

const KeySpec& key(const char* section, const char* name)
{
    const KeySpec* k = FindKey(QString::fromLatin1(section), QString::fromLatin1(name));
    Q_ASSERT(k);
    return *k;
}

template <class T = QWidget>
T* control(const QString& window, const char* name)
{
    QWidget* w = FindWindow(window);
    return w ? w->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

bool checked(const QString& window, const char* name)
{
    auto* b = control<QAbstractButton>(window, name);
    return b && b->isChecked();
}

void setEnabled(const QString& window, const char* name, bool on)
{
    if (auto* w = control<QWidget>(window, name))
        w->setEnabled(on);
    else if (QWidget* win = FindWindow(window)) {
        if (auto* a = win->findChild<QAction*>(QString::fromLatin1(name)))
            a->setEnabled(on);
    }
}

void raise(const QString& window, const char* name)
{
    if (auto* w = control<QWidget>(window, name))
        w->raise();
}

std::optional<long double> numInp(QWidget* window, const char* name)
{
    auto* n = window ? window->findChild<TCustomNumInp*>(QString::fromLatin1(name)) : nullptr;
    if (!n)
        return std::nullopt;
    return n->Value();
}

void setNumInp(QWidget* window, const char* name, long double v)
{
    if (auto* n = window ? window->findChild<TCustomNumInp*>(QString::fromLatin1(name)) : nullptr)
        n->SetValue(v);
}

void step(int n) { NotifyStep(QStringLiteral("LoadSettings.%1").arg(n)); }

// The text of a profile combo of the Preferences dialog; the stored name
// when the dialog has no such combo.
QString comboText(const char* combo, const KeyEngine& keys, const KeySpec& nameKey)
{
    if (auto* c = control<QComboBox>(kPref, combo))
        return c->currentText();
    return keys.storedText(nameKey);
}

void listInto(const char* combo, const QString& prefix)
{
    NotifyStep(QStringLiteral("ListProfiles ") + prefix);
    const QStringList names = Profiles::ListProfiles(prefix);
    if (auto* c = control<QComboBox>(kPref, combo))
        Profiles::FillSorted(c, names);
}

void loadAll(KeyEngine& keys, int stepNumber)
{
    for (int sub = 0; sub < 8; ++sub)
        keys.loadStep(stepNumber, sub);
}

void copyTemplateIfMissing()
{
    if (QFile::exists(SettingsFilePath))
        return;
    const QString found = platform::findFileNoCase(platform::programDir(), kTemplateFileName);
    if (found.isEmpty())
        return;
    // QFile::copy never replaces an existing file.
    QFile::copy(found, SettingsFilePath);
}

int centred(int screen, int size) { return std::max(0, (screen - size) / 2); }

// A stored position off the screen (a monitor gone, a smaller resolution)
// is brought onto it once; the next save stores where the window went, so
// it does not move again at the next start. The place is the window's own:
// one shown before (a note of the start) and given a first place then does
// not take another each time it shows again.
void placeOnScreen(QWidget* w, int left, int top)
{
    Systeme::KeepPlaceGiven(w);
    Systeme::PlaceOnScreen(w, QPoint(left, top));
}

} // namespace

void LoadSettings()
{
    NoteCollector notes;

    step(1);
    QDir().mkpath(platform::joinPath(platform::programDir(), QStringLiteral("Bitmaps")));
    step(2);
    copyTemplateIfMissing();

    {
        step(3);
        SettingsFileSession file(SettingsFileSession::Mode::Hold);
        UnreadableFileError = file.readable() ? QString() : file.error();
        if (!file.readable())
            AddLoadNotes({file.error() + TranslatedTexts.MSG_Reglages_Defaut_Pris});
        KeyEngine keys(file.doc());

        step(4);
        HelpFilePath = platform::joinPath(platform::programDir(), QStringLiteral("Nightjar.hlp"));

        step(5);
        listInto("CBX_Optique", Profiles::Prefix(Profiles::Kind::Optics));
        keys.loadStep(5);
        step(6);
        keys.loadStep(6);
        step(7);
        LoadOpticsProfile(comboText("CBX_Optique", keys, key("Prefs", "Optique_Courante")));

        step(8);
        listInto("CBX_Monture", Profiles::Prefix(Profiles::Kind::Mount));
        keys.loadStep(8);
        LoadMountProfile(comboText("CBX_Monture", keys, key("Prefs", "Monture_Courante")));

        step(9);
        listInto("CBX_Vitesse_Moteur", Profiles::Prefix(Profiles::Kind::MotorSpeeds));
        keys.loadStep(9);
        LoadMotorSpeedProfile(comboText("CBX_Vitesse_Moteur", keys, key("Prefs", "Vitesse_Moteur_Courante")));

        step(10);
        LoadNightColorChoice();
        keys.loadStep(10, 1);
        LoadNightColors(comboText("CBX_NiteColor", keys, key("Prefs", "Couleurs Nuit")));

        step(11);
        loadAll(keys, 11);
        step(12);
        loadAll(keys, 12);
        RunHandler(QStringLiteral("Align_V.BuildCustomFunctionMenu"));
        step(13);
        loadAll(keys, 13);
        step(14);
        loadAll(keys, 14);

        step(15);
        keys.loadStep(15, 0);
        if (checked(kPref, "RDB_QV_Parallel"))
            raise(kPref, "GRB_QV_Parallel");
        else if (checked(kPref, "RDB_QV_Serial"))
            raise(kPref, "GRB_QV_Serial");
        else if (checked(kPref, "RDB_QV_USB"))
            raise(kPref, "GRB_QV_USB");
        keys.loadStep(15, 1);
        if (checked(kPref, "RDB_QV_Parallel"))
            FillPortCombo(control<QComboBox>(kPref, "CBX_Vesta_Port"), kParallelPortList, VestaPortIndex);
        else if (checked(kPref, "RDB_QV_Serial"))
            FillPortCombo(control<QComboBox>(kPref, "CBX_Vesta_Port"), kSerialPortList, VestaSerialPortIndex);

        step(16);
        loadAll(keys, 16);
        RunHandler(QStringLiteral("Preferences.ApplyLongExposureSettings"));

        step(17);
        listInto("CBX_Camera", Profiles::Prefix(Profiles::Kind::Camera));
        keys.loadStep(17, 0);
        LoadCameraProfile(comboText("CBX_Camera", keys, key("Prefs", "Camera_Courante")));
        keys.loadStep(17, 1);

        step(18);
        {
            const QString img = QStringLiteral("FRM_Tool_Images");
            QWidget* tool = FindWindow(img);
            auto* scbMin = control<QAbstractSlider>(img, "SCB_Minimum");
            auto* scbMax = control<QAbstractSlider>(img, "SCB_Maximum");
            auto whole = [&](const char* input) {
                return static_cast<int>(std::clamp<long double>(std::trunc(numInp(tool, input).value_or(0)),
                                                                -2147483647.0L, 2147483647.0L));
            };
            keys.loadStep(18, 0);
            if (scbMax) {
                scbMax->setMaximum(whole("TNI_Seuil_MaxMax"));
                scbMax->setMinimum(whole("TNI_Seuil_MaxMin"));
            }
            if (scbMin) {
                scbMin->setMaximum(whole("TNI_Seuil_MinMax"));
                scbMin->setMinimum(whole("TNI_Seuil_MinMin"));
            }
            keys.loadStep(18, 1);
            if (scbMin)
                scbMin->setValue(whole("TNI_Seuil_Min"));
            keys.loadStep(18, 2);
            if (scbMax)
                scbMax->setValue(whole("TNI_Seuil_Max"));
        }

        step(19);
        loadAll(keys, 19);
        step(20);
        loadAll(keys, 20);
        step(21);
        loadAll(keys, 21);

        step(22);
        {
            const QString aff = QStringLiteral("FRM_Tool_Affichage");
            keys.loadStep(22, 0);
            QWidget* tool = FindWindow(aff);
            for (int cam = 1; cam <= 2; ++cam) {
                const QByteArray bar = QStringLiteral("SCB_Cam%1_Tps_Rafraichissement").arg(cam).toLatin1();
                const QByteArray input = QStringLiteral("TNI_Cam%1_Tps_Rafraichissement").arg(cam).toLatin1();
                if (auto* s = control<QAbstractSlider>(aff, bar.constData()))
                    setNumInp(tool, input.constData(), s->value());
            }
            keys.loadStep(22, 1);
            RunHandler(QStringLiteral("FRM_Tool_Affichage.CBX_Cam1_IPSChange"));
            RunHandler(QStringLiteral("FRM_Tool_Affichage.CBX_Cam2_IPSChange"));
            keys.loadStep(22, 2);
        }

        step(23);
        keys.loadStep(23, 0);
        RunHandler(checked(kPref, "RDB_WM_Beginner") ? QStringLiteral("FRM_Pref.RDB_WM_BeginnerClick")
                                                     : QStringLiteral("FRM_Pref.RDB_WM_ExpertClick"));
        keys.loadStep(23, 1);
        RunHandler(checked(kPref, "RDB_Onglets_Menu_En_Haut") ? QStringLiteral("FRM_Pref.RDB_Onglets_Menu_En_HautClick")
                                                              : QStringLiteral("FRM_Pref.RDB_Onglets_Menu_En_BasClick"));
        keys.loadStep(23, 2);

        step(24);
        keys.loadStep(24, 0);
        FillPortCombo(control<QComboBox>(kPref, "CBX_AG_PortSerie"), kSerialPortList, -1);
        keys.loadStep(24, 1);
        FillPortCombo(control<QComboBox>(kPref, "CBX_AG_PortParallele"), kParallelPortList, -1);
        keys.loadStep(24, 2);
        keys.loadStep(24, 3);

        step(25);
        keys.loadStep(25, 0);
        RunHandler(checked(kPref, "RDB_Focus_Aucun") ? QStringLiteral("Raquette.DisableFocusControls")
                                                     : QStringLiteral("Raquette.EnableFocusControls"));
        if (checked(kPref, "RDB_Focus_Quillon")) {
            FillPortCombo(control<QComboBox>(kPref, "CBX_AG_Focus_PortParallele"), kParallelPortList, -1);
            keys.loadStep(25, 1);
        } else if (checked(kPref, "RDB_Focus_Venner") || checked(kPref, "RDB_Focus_LX200")) {
            FillPortCombo(control<QComboBox>(kPref, "CBX_AG_Focus_PortSerie"), kSerialPortList, -1);
            keys.loadStep(25, 2);
        }
        // The port index of a focuser port whose list is not loaded keeps
        // its stored value for the next save.
        if (!checked(kPref, "RDB_Focus_Quillon"))
            keys.keepStored(key("Focus", "AG_Focus_PortParallele"));
        if (!checked(kPref, "RDB_Focus_Venner") && !checked(kPref, "RDB_Focus_LX200"))
            keys.keepStored(key("Focus", "AG_Focus_PortSerie"));
        keys.loadStep(25, 3);

        step(26);
        keys.loadStep(26, 0);
        keys.loadStep(26, 1);
        keys.loadStep(26, 2);
        if (auto* s = control<QSpinBox>(QStringLiteral("FRM_Tool_Suivi"), "SPED_Intervalle_Moy"))
            GuideAverageInterval = s->value();
        keys.loadStep(26, 3);

        step(27);
        {
            // As the "Aucune" button leaves them, the mount page's
            // "Connecter" too: with no mount it has nothing to connect.
            const bool noMount = checked(kPref, "RDB_Mount_Aucun");
            setEnabled(QStringLiteral("FRM_Tool_Suivi"), "RDB_Autoguidage", !noMount);
            setEnabled(QStringLiteral("FRM_Alv"), "MNU_Telescope", !noMount);
            setEnabled(QStringLiteral("FRM_Longuepose"), "CKB_Selfguide_Active", !noMount);
            setEnabled(kPref, "BTN_Mount_Connecter", !noMount);
            setEnabled(kPref, "SPED_Duree_impulsions", checked(kPref, "RDB_Autoguide_Marrick"));
            RunHandler(QStringLiteral("Raquette.FollowInterfaces"));
        }

        step(28);
        keys.loadStep(28);
        {
            const KeySpec& k = key("Autoguide", "AG_Fichier_Decalage");
            const auto* edit = control<QLineEdit>(kPref, "EDT_Fichier_Decalage");
            const QString name = edit ? edit->text() : keys.storedText(k);
            if (!name.isEmpty()) {
                NotifyStep(QStringLiteral("Preferences.LoadGuideOffsetFile"));
                setEnabled(kPref, "CKB_Fichier_decalage", Preferences::LoadGuideOffsetFile(name));
            }
        }

        step(29);
        loadAll(keys, 29);
        step(30);
        loadAll(keys, 30);

        step(31);
        AddLoadNotes(keys.notes());
        RestoreGotoPoints();
    }
    UpdateOpticsDerived();
    RunHandler(QStringLiteral("FRM_Tool_Mesures.FollowPreferencesOptics"));
}

void SaveSettings()
{
    NotifyStep(QStringLiteral("SaveSettings"));
    SettingsFileSession file(SettingsFileSession::Mode::Hold);
    if (!file.readable())
        throw SettingsError(file.error());
    KeyEngine keys(file.doc());
    // The other files the save writes (the night colour scheme) are told
    // with the settings file's own failure, in the one box of the save.
    WriteErrorCollector otherFiles;

    QSet<const KeySpec*> written;
    auto save = [&](const KeySpec& k) {
        keys.save(k);
        written.insert(&k);
    };
    save(key("Prefs", "Langue"));

    // Each current profile name, then the profile itself under that name.
    struct Current {
        const char* nameKey;
        std::function<bool(const QString&)> save;
    };
    const Current currents[] = {
        {"Optique_Courante", SaveOpticsProfile},
        {"Monture_Courante", SaveMountProfile},
        {"Camera_Courante", SaveCameraProfile},
        {"Vitesse_Moteur_Courante", SaveMotorSpeedProfile},
        {"Couleurs Nuit", SaveNightColors},
    };
    for (const Current& c : currents) {
        const KeySpec& k = key("Prefs", c.nameKey);
        save(k);
        // Without a name (no entry chosen) there is nothing to save under.
        if (const auto name = keys.currentText(k); name && !name->isEmpty())
            c.save(*name);
    }

    // A window not opened yet is stored at the first place it opens at, as
    // the program's place (its "_FirstPlace" key): at the next start it
    // takes a first place again.
    for (const KeySpec& k : KeyTable()) {
        if (k.kind == KeyKind::Geometry && k.window)
            Systeme::PlaceFirst(FindWindow(QString::fromLatin1(k.window)));
    }
    for (const KeySpec& k : KeyTable()) {
        if (k.has(ProfileKey) || k.has(SchemeKey) || written.contains(&k))
            continue;
        // Windows are written only while they exist.
        if (k.kind == KeyKind::Geometry && !FindWindow(QString::fromLatin1(k.window)))
            continue;
        keys.save(k);
    }

    QStringList errors;
    const bool committed = file.commit();
    if (!committed)
        errors << file.error();
    for (const WriteErrorCollector::Failure& f : otherFiles.failures())
        errors << f.error;
    if (!errors.isEmpty())
        throw SettingsError(errors.join(u'\n'), committed ? otherFiles.failures().constFirst().path : QString());
}

void UpdateOpticsDerived()
{
    QWidget* mes = FindWindow(QStringLiteral("FRM_Tool_Mesures"));
    QWidget* source = checked(QStringLiteral("FRM_Tool_Mesures"), "RDB_Preferences") ? FindWindow(kPref) : mes;
    if (!source)
        return;
    const auto focal = numInp(source, "TNI_Focale");
    if (!focal)
        return;
    auto factor = [&](const char* box, const char* input) -> long double {
        auto* b = source->findChild<QAbstractButton*>(QString::fromLatin1(box));
        return b && b->isChecked() ? numInp(source, input).value_or(1.0L) : 1.0L;
    };
    EffectiveFocalLength = CalcHelpers::Product3(*focal, factor("CKB_Barlow", "TNI_Barlow"),
                                                 factor("CKB_Reducteur", "TNI_Reducteur"));
    setNumInp(source, "TNI_Focale_Reelle", EffectiveFocalLength);
}

void SetAngleUnitCaptions(int slot)
{
    QWidget* mes = FindWindow(QStringLiteral("FRM_Tool_Mesures"));
    if (!mes)
        return;
    const int slotWidth = slot == 1 || slot == 2 ? CameraSlots[slot].width : 0;
    const long double width = slotWidth >= 1 ? slotWidth : LastVideoWidth;
    // Without a width or a focal length there is no sampling to show.
    if (!(width > 0) || EffectiveFocalLength == 0)
        return;
    const long double pixel = numInp(mes, "TNI_Larg_Pix").value_or(0) * numInp(mes, "TNI_NbPix_X").value_or(0) / width;
    const double sampling = CalcHelpers::RadToArcsec(CalcHelpers::AngularSize(
        CalcHelpers::Millimetres(static_cast<double>(EffectiveFocalLength)),
        CalcHelpers::Micrometres(static_cast<double>(pixel))));
    if (!std::isfinite(sampling))
        return;
    setNumInp(mes, "TNI_Echantillonnage", sampling);
    const long double shown = numInp(mes, "TNI_Echantillonnage").value_or(sampling);
    LastSampling = static_cast<double>(shown);

    setNumInp(mes, "TNI_ChampX", numInp(mes, "TNI_Lx").value_or(0) * shown);
    setNumInp(mes, "TNI_ChampY", numInp(mes, "TNI_Ly").value_or(0) * shown);
    auto* label = mes->findChild<QLabel*>(QStringLiteral("LBL_Unite_champ"));
    QString unit = TranslatedTexts.MSG_Unite_Secondes;
    const long double fieldX = numInp(mes, "TNI_ChampX").value_or(0);
    long double divisor = 1;
    if (fieldX >= 7200) {
        divisor = 3600;
        unit = TranslatedTexts.MSG_Unite_Degres;
    } else if (fieldX >= 120) {
        divisor = 60;
        unit = TranslatedTexts.MSG_Unite_Minutes;
    }
    if (divisor != 1) {
        setNumInp(mes, "TNI_ChampX", fieldX / divisor);
        setNumInp(mes, "TNI_ChampY", numInp(mes, "TNI_ChampY").value_or(0) / divisor);
    }
    if (label)
        label->setText(unit);
}

void LoadDriversDir()
{
    SettingsFileSession file(SettingsFileSession::Mode::Share);
    KeyEngine(file.doc()).load(key("Prefs", "EDT_Repertoire_drivers"));
}

void LoadMiscPrefs()
{
    SettingsFileSession file(SettingsFileSession::Mode::Share);
    platform::IniDocument& doc = file.doc();
    auto readInt = [&](const char* section, const char* name, int def) {
        return doc.readInteger(QString::fromLatin1(section), QString::fromLatin1(name), def);
    };
    const QSize screen = Systeme::ScreenSize();

    // 1. The sequence file type. The stored text is an item's text; the
    // default "BMP" and texts of older versions name only its beginning.
    if (auto* combo = control<QComboBox>(QStringLiteral("FRM_Tool_Images"), "CBX_TypeFichier")) {
        QString type = doc.readString(QStringLiteral("Prefs"), QStringLiteral("Type_Fichier"), QStringLiteral("BMP"));
        if (type.isEmpty())
            type = QStringLiteral("BMP");
        int index = combo->findText(type, Qt::MatchFixedString);
        if (index < 0)
            index = combo->findText(type, Qt::MatchStartsWith);
        if (index >= 0) {
            combo->setCurrentIndex(index);
        } else {
            // A type this version does not know: the list keeps its choice.
            AddLoadNotes({TranslatedTexts.MSG_Reglages_Type_Fichier.arg(type)});
            if (combo->currentIndex() < 0 && combo->count() > 0)
                combo->setCurrentIndex(0);
        }
        // "BMP" names the item "BMP (24 bits RGB)": the stored text stays
        // until the user picks another type.
        KeyEngine(doc).keepStored(key("Prefs", "Type_Fichier"));
        RunHandler(QStringLiteral("FRM_Tool_Images.CBX_TypeFichierChange"));
    }

    // 2. Script window. Without a place of the user's it opens at its first
    // place, at its first size, as the other tool windows do: centred, it
    // would cover the main window's tool bars.
    if (QWidget* w = FindWindow(QStringLiteral("FRM_Script"))) {
        const StoredPlace stored(doc, QStringLiteral("FRM_Script"));
        Systeme::ResizeAsStored(w, QSize(stored.read("_Width", 400), stored.read("_Height", 300)));
        placeOnScreen(w, stored.read("_Left", centred(screen.width(), 400)),
                      stored.read("_Top", centred(screen.height(), 300)));
        stored.note(w);
    }

    // 3. Sky chart window: placed (shown by the window layout, with the
    // script window, when they were left open).
    if (QWidget* w = FindWindow(QStringLiteral("FRM_Sky"))) {
        const StoredPlace stored(doc, QStringLiteral("FRM_Sky"));
        Systeme::ResizeAsStored(w, QSize(stored.read("_Width", 640), stored.read("_Height", 480)));
        placeOnScreen(w, stored.read("_Left", 0), stored.read("_Top", 0));
        stored.note(w);
    }

    // 4. Spoken assistant, only while the hand pad is enabled.
    if (QWidget* pad = FindWindow(QStringLiteral("FRM_Raquette")); pad && pad->isEnabled())
        KeyEngine(doc).load(key("Prefs", "CKB_Assist_Vocal.Checked"));

    // 5. Goto mode: relative only when stored and possible.
    auto* relative = control<QAbstractButton>(QStringLiteral("FRM_Raquette"), "RDB_Relatif");
    const bool useRelative = readInt("GOTO", "GotoMode", 1) == 2 && relative && relative->isEnabled();
    for (const QString& window : {QStringLiteral("FRM_Raquette"), QStringLiteral("FRM_ObjectAction")}) {
        if (auto* b = control<QAbstractButton>(window, useRelative ? "RDB_Relatif" : "RDB_Absolu"))
            b->setChecked(true);
    }

    // 6. A guide port on a plug-in: its guiders are listed once the
    // plug-ins are loaded, which comes after the settings.
    if (auto* plugin = control<QAbstractButton>(QStringLiteral("FRM_Pref"), "RDB_Autoguide_Plugin");
        plugin && plugin->isChecked())
        RunHandler(QStringLiteral("FRM_Pref.RDB_Autoguide_PluginClick"));

    StartupPrefsLoaded = true;
}

namespace {
int positiveOr(int v, int fallback) { return v > 0 ? v : fallback; }

// The message window's size and place (the layout never shows it): without
// a place of the user's, centred for its default size.
void placeMessageWindow(const platform::IniDocument& doc)
{
    QWidget* msg = FindWindow(QStringLiteral("FRM_Message"));
    if (!msg)
        return;
    const QSize screen = Systeme::ScreenSize();
    const auto readInt = [&](const QString& name, int def) {
        return doc.readInteger(QStringLiteral("Windows"), name, def);
    };
    const int width = positiveOr(readInt(QStringLiteral("FRM_Message_Width"), 250), 250);
    const int height = positiveOr(readInt(QStringLiteral("FRM_Message_Height"), 350), 350);
    Systeme::ResizeAsStored(msg, QSize(width, height));
    const StoredPlace place(doc, QStringLiteral("FRM_Message"));
    placeOnScreen(msg, place.read("_Left", centred(screen.width(), 250)),
                  place.read("_Top", centred(screen.height(), 350)));
    place.note(msg, false);
}

// The windows the window layout gives no first place: the main window,
// those placed by the other start-up preferences or with a place of their
// own when none is stored, and the one that centres itself.
bool placedOtherwise(const QString& name)
{
    static const QSet<QString> names = {QStringLiteral("FRM_Alv"), QStringLiteral("FRM_Message"),
                                        QStringLiteral("FRM_Script"), QStringLiteral("FRM_Input")};
    return names.contains(name);
}
} // namespace

void PlaceMessageWindow()
{
    SettingsFileSession file(SettingsFileSession::Mode::Share);
    placeMessageWindow(file.doc());
}

void LoadWindowLayout()
{
    SettingsFileSession file(SettingsFileSession::Mode::Share);
    platform::IniDocument& doc = file.doc();
    auto readInt = [&](const QString& name, int def) { return doc.readInteger(QStringLiteral("Windows"), name, def); };
    QSet<QString> stored;
    // The windows it brings back, which it stacks as they were left.
    QList<QWidget*> restored;
    const auto bringBack = [&](QWidget* w) {
        Systeme::ShowFormOnScreen(w);
        if (w && !restored.contains(w))
            restored.append(w);
    };

    // Places a window; shows it when its "visible" key is set (and `show`).
    auto place = [&](const QString& window, const QString& visibleKey, bool show,
                     const std::function<void(QWidget*)>& beforeShow = {}) {
        QWidget* w = FindWindow(window);
        if (!w)
            return;
        stored.insert(window);
        const StoredPlace place(doc, window);
        placeOnScreen(w, place.read("_Left", 0), place.read("_Top", 0));
        place.note(w);
        if (show && readInt(visibleKey, 0) != 0) {
            if (beforeShow)
                beforeShow(w);
            bringBack(w);
        }
    };
    auto tlv = [&](const QString& window, const std::function<void(QWidget*)>& beforeShow = {}) {
        place(window, window + QStringLiteral("_visible"), true, beforeShow);
    };

    if (QWidget* alv = FindWindow(QStringLiteral("FRM_Alv"))) {
        // Sizes of 0 or less take the defaults; an unknown state is the
        // normal one.
        const int height = positiveOr(readInt(QStringLiteral("FRM_AlV_Height"), 600), 600);
        const int width = positiveOr(readInt(QStringLiteral("FRM_AlV_Width"), 800), 800);
        // It lays its views and tool bar out at any size: on a screen no
        // larger than that, its whole frame takes the screen's free area.
        alv->resize(QSize(width, height).boundedTo(Systeme::RoomInsideScreen(alv)));
        const QPoint fresh = Systeme::MainWindowDefaultCorner();
        placeOnScreen(alv, readInt(QStringLiteral("FRM_AlV_Left"), fresh.x()),
                      readInt(QStringLiteral("FRM_AlV_Top"), fresh.y()));
        const int state = readInt(QStringLiteral("FRM_AlV_WindowState"), 0);
        alv->setWindowState(state == 1 ? Qt::WindowMinimized : state == 2 ? Qt::WindowMaximized : Qt::WindowNoState);
        NotifyStep(QStringLiteral("FRM_Alv.FormActivate"));
        if (FRM_Alv && alv == FRM_Alv)
            FRM_Alv->FormActivate();
        restored.append(alv);
    }
    // The script window and the chart left open come back once the main
    // window has its place: where they go depends on where its bars are.
    if (readInt(QStringLiteral("FRM_Script_visible"), 0) != 0)
        bringBack(FindWindow(QStringLiteral("FRM_Script")));
    if (readInt(QStringLiteral("FRM_Sky_visible"), 0) != 0) {
        bringBack(FindWindow(QStringLiteral("FRM_Sky")));
        RunHandler(QStringLiteral("Sky.RedrawChart"));
    }
    place(QStringLiteral("FRM_MiseEnStation"), QStringLiteral("FRM_MiseEnstation_visible"), true);
    tlv(QStringLiteral("FRM_Pref"));
    tlv(QStringLiteral("FRM_Tool_Affichage"));
    tlv(QStringLiteral("FRM_Tool_Images"));
    tlv(QStringLiteral("FRM_Tool_Mesures"));
    place(QStringLiteral("FRM_Longuepose"), {}, false);
    // The goto dialog comes back as it opens: its caption and the current
    // object's coordinates (an empty caption would show the program's name).
    tlv(QStringLiteral("FRM_ObjectAction"),
        [](QWidget*) { RunHandler(QStringLiteral("FRM_ObjectAction.ShowCurrentObject")); });
    tlv(QStringLiteral("FRM_ImgRef"));
    tlv(QStringLiteral("FRM_Detect_Mvt"));
    tlv(QStringLiteral("FRM_ComTrafic"), [](QWidget*) {
        if (auto* b = control<QAbstractButton>(kPref, "CKB_Historique_Comm"))
            b->setChecked(true);
    });
    placeMessageWindow(doc);
    tlv(QStringLiteral("FRM_Prg_Suivi"));
    place(QStringLiteral("FRM_PlayControl"), {}, false);
    tlv(QStringLiteral("FRM_ObjectAction"));
    tlv(QStringLiteral("FRM_FWHM"));
    tlv(QStringLiteral("FRM_Prg_Suivi"));
    tlv(QStringLiteral("FRM_Raquette"));
    tlv(QStringLiteral("FRM_ScrCmd"));
    tlv(QStringLiteral("FRM_Tool_Suivi"));

    // The windows with no place stored, and those whose place is never
    // stored, take their first places as they first open (a window stored
    // before it opened is stored at its first place).
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const QString name = w->objectName();
        if (!qobject_cast<TForm*>(w) || stored.contains(name) || placedOtherwise(name) || name == u"FRM_Sky"
            || w->isVisible() || w->windowModality() != Qt::NonModal
            || (w->windowType() != Qt::Window && w->windowType() != Qt::Tool))
            continue;
        Systeme::NeedsFirstPlace(w);
    }

    // Shown in the order above, the windows are then stacked as the user
    // left them: the one in front at the close is in front again, and the
    // windows shown otherwise during the start-up (a note about the
    // settings) in front of them.
    Systeme::RestoreStacking(doc.readString(QStringLiteral("Windows"), QStringLiteral("Empilement"), QString())
                                 .split(u',', Qt::SkipEmptyParts),
                             restored);
}

void RestoreGotoPoints()
{
    NotifyStep(QStringLiteral("RestoreGotoPoints"));
    // The dialog's two buttons take the current object: pass each point
    // through it, then put the current object back. The destination comes
    // from the hand pad as sender, so the pad keeps the catalogue, number
    // and coordinates the user left on it.
    const double keptRa = Sky::GotoCurrentRA;
    const double keptDec = Sky::GotoCurrentDec;
    const double destinationRa = Sky::GotoDestinationRA;
    const double destinationDec = Sky::GotoDestinationDec;
    Sky::GotoCurrentRA = Sky::GotoOriginRA;
    Sky::GotoCurrentDec = Sky::GotoOriginDec;
    RunHandler(QStringLiteral("FRM_ObjectAction.BTN_Devient_OrigineClick"));
    Sky::GotoCurrentRA = destinationRa;
    Sky::GotoCurrentDec = destinationDec;
    RunDestinationHandlerFromHandPad();
    Sky::GotoCurrentRA = keptRa;
    Sky::GotoCurrentDec = keptDec;
}

QByteArray DefaultSettingsBytes()
{
    platform::IniDocument doc;
    auto put = [&](const KeySpec& k, const QString& section) {
        if (k.writable() && k.def && !k.has(MachineDefault))
            doc.writeString(section, k.keyName(), QString::fromLatin1(k.def));
    };
    // The order of a first save: the language, each current profile name
    // followed by its profile, then every other key.
    put(key("Prefs", "Langue"), QStringLiteral("Prefs"));
    const std::pair<const char*, Profiles::Kind> profiles[] = {
        {"Optique_Courante", Profiles::Kind::Optics},
        {"Monture_Courante", Profiles::Kind::Mount},
        {"Camera_Courante", Profiles::Kind::Camera},
        {"Vitesse_Moteur_Courante", Profiles::Kind::MotorSpeeds},
    };
    for (const auto& [nameKey, kind] : profiles) {
        const KeySpec& k = key("Prefs", nameKey);
        put(k, QStringLiteral("Prefs"));
        const QString prefix = Profiles::Prefix(kind);
        for (const KeySpec& p : ProfileKeys(prefix))
            put(p, prefix + QString::fromLatin1(k.def));
    }
    put(key("Prefs", "Couleurs Nuit"), QStringLiteral("Prefs"));
    for (const KeySpec& k : KeyTable()) {
        if (k.has(ProfileKey) || k.has(SchemeKey) || doc.valueExists(k.sectionName(), k.keyName()))
            continue;
        put(k, k.sectionName());
    }
    return doc.toBytes();
}

void ReportSaveFailure(const SettingsError& e)
{
    // A file that could not be read was reported by the load already.
    if (!UnreadableFileError.isEmpty() && e.message() == UnreadableFileError)
        return;
    platform::messages().show({TranslatedTexts.MSG_Settings_not_saved + QStringLiteral(" (")
                                   + (e.path().isEmpty() ? SettingsFilePath : e.path()) + QStringLiteral(") : ")
                                   + e.message(),
                               platform::MsgKind::Error, platform::MsgButtons::Ok,
                               QStringLiteral("Settings.Save"), {}});
}

} // namespace Settings
