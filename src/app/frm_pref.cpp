#include "app/frm_pref.h"

#include "app/align_v_features.h"
#include "app/controls/color_panel.h"
#include "app/controls/page_control.h"
#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/helpers/num_text.h"
#include "app/night_colors.h"
#include "app/profiles.h"
#include "app/settings.h"
#include "app/settings/port_lists.h"
#include "app/settings/settings_file.h"
#include "app/systeme.h"
#include "app/ui/caption_labels.h"
#include "app/ui/control_adapters.h"
#include "capture/camera_slots.h"
#include "capture/frm_longuepose.h"
#include "capture/long_exposure.h"
#include "capture/port_io.h"
#include "imaging/pipeline_state.h"
#include "platform/dialog_service.h"
#include "platform/message_service.h"
#include "platform/paths.h"
#include "platform/port_access.h"
#include "telescope/frm_sky.h"
#include "telescope/frm_tool_suivi.h"
#include "tools/frm_tool_images.h"
#include "tools/frm_tool_mesures.h"
#include "translation/language.h"
#include "translation/translated_texts.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <iterator>
#include <algorithm>
#include <cstring>
#include <functional>

TFRM_Pref* FRM_Pref = nullptr;

// Design state: circle frame and point centre checked, RAW mode 1, both
// focusing scroll bars at 990.
std::uint8_t ReticleFrameShape = 1;
std::uint8_t ReticleCentreShape = 1;
std::uint8_t RawBayerMode = 1;
long double FocusTolerance = 0.01L;
long double FocusSensitivity = 0.01L;
std::uint8_t LongExposureTestByte = 0;
bool ProfileComboTouched = false;
std::unique_ptr<TLog> DebugLog;
std::int32_t VestaPortIndex = 0;
std::int32_t VestaSerialPortIndex = 0;
std::uint8_t FocusMeasureBuffer[510] = {};

namespace {

using Profiles::Kind;

// A folder with exactly one trailing "/".
QString withSeparator(const QString& folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// The local form of a folder edit's text; the default folder of the program
// directory when it is empty.
QString folderOf(const QLineEdit* edit, const QString& defaultName)
{
    const QString text = edit->text();
    if (text.trimmed().isEmpty())
        return withSeparator(platform::joinPath(platform::programDir(), defaultName));
    return withSeparator(platform::fromStoredPath(text));
}

// The same resolved against the program directory when relative.
QString absoluteFolderOf(const QLineEdit* edit, const QString& defaultName)
{
    const QString folder = folderOf(edit, defaultName);
    return QDir::isRelativePath(folder) ? platform::joinPath(platform::programDir(), folder) : folder;
}

bool fileExists(const QString& text) { return Preferences::DataFileExists(text); }

void uncheckWhenMissing(QCheckBox* box, const QString& file)
{
    if (!fileExists(file))
        box->setChecked(false);
}

// A name refused by the profile store (told to the user) is not listed.
// The new entry is the one chosen in the list, so that the wheel and the
// arrow keys step from it.
void addNamed(QComboBox* combo, const std::function<bool(const QString&)>& save)
{
    const QString name = combo->currentText();
    if (save(name))
        combo->setCurrentIndex(Profiles::AddSorted(combo, name));
}

void addProfile(QComboBox* combo, Kind kind)
{
    addNamed(combo, [kind](const QString& name) { return Profiles::SaveProfile(kind, name); });
}

// "Suppr.": the profile (or night colour scheme) shown is erased and its
// name leaves the list (every entry of it). The list then shows the entry
// that took its place (the one that followed, or the one before when it was
// the last) and that one is loaded, as if chosen; with no entry left the
// field is emptied and the controls keep their values under no name. The
// erased name never stays in the field, where the next save would write the
// section (or the scheme's file) back.
void eraseNamed(QComboBox* combo, const std::function<bool(const QString&)>& erase,
                const std::function<void()>& changeHandler)
{
    const QString name = combo->currentText();
    const int index = combo->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0 || !erase(name))
        return;
    for (int i = combo->count() - 1; i >= 0; --i)
        if (combo->itemText(i) == name)
            combo->removeItem(i);
    if (combo->count() == 0) {
        combo->setCurrentIndex(-1);
        combo->setEditText(QString());
        return;
    }
    combo->setCurrentIndex(std::min(index, combo->count() - 1));
    changeHandler();
}

// The profile taking the erased one's place loads as if chosen from the
// list. Only the profile lists set the flag here: a night colour scheme
// loads without it and would leave it set for the next profile list the
// user merely types in.
void eraseProfile(QComboBox* combo, Kind kind, const std::function<void()>& changeHandler)
{
    eraseNamed(combo, [kind](const QString& name) { return Profiles::EraseProfile(Profiles::Prefix(kind) + name); },
               [&changeHandler] {
                   ProfileComboTouched = true;
                   changeHandler();
               });
}

// Leaving a value input saves the profile the list names; with no name
// (the last entry of the list erased) there is nothing to save under.
void saveNamedProfile(const QComboBox* combo, Kind kind)
{
    if (!combo->currentText().isEmpty())
        Profiles::SaveProfile(kind, combo->currentText());
}

// Pin numbers 2..9 are data bits 0..7.
std::optional<std::uint8_t> pinBit(const TCustomNumInp* pin)
{
    const long double v = pin->Value();
    if (!(v >= 2 && v <= 9))
        return std::nullopt;
    return static_cast<std::uint8_t>(pin->AsByte() - 2);
}

std::uint8_t level(const TCustomNumInp* input) { return input->AsByte() ? 1 : 0; }

} // namespace

TFRM_Pref::TFRM_Pref(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    // The long-exposure page shows only with the camera modification.
    PGC_Preferences->setTabVisible(PGC_Preferences->indexOf(TBS_Poselongue), CKB_VestaMod->isChecked());
    addCaptionControls();
    // The groups of the three line interfaces share one place on that page:
    // only the chosen interface's group shows, however it was chosen.
    const std::pair<QRadioButton*, QGroupBox*> lineGroups[] = {
        {RDB_QV_Parallel, GRB_QV_Parallel}, {RDB_QV_Serial, GRB_QV_Serial}, {RDB_QV_USB, GRB_QV_USB}};
    for (auto [choice, group] : lineGroups) {
        group->setVisible(choice->isChecked());
        connect(choice, &QRadioButton::toggled, group, &QWidget::setVisible);
    }
    bindHandlers();
    // Made shorter for a small screen, a page scrolls and "Ok" stays in
    // sight.
    ScrollEveryPage(*PGC_Preferences);
}

// Controls that carry a caption of the language files but have no place on
// the pages: the camera's software interface (one kind here) and three
// captions of the speed pages. They are made here, in the hidden panel, so
// a language file translates every control it names; the ASCOM address
// gets its caption beside it.
void TFRM_Pref::addCaptionControls()
{
    auto label = [](const char* name, const QString& text, QWidget* parent) {
        auto* l = new QLabel(text, parent);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto* hidden = qobject_cast<QGridLayout*>(PNL_Hidden->layout());
    auto* software = new QGroupBox(QStringLiteral("Interface Logicielle"), PNL_Hidden);
    software->setObjectName(QStringLiteral("GRB_Interface_Logicielle"));
    auto* softwareRows = new QVBoxLayout(software);
    for (const auto& [name, text] : {std::pair{"RDB_VFW", "Video For Windows"},
                                     std::pair{"RDB_DirectShow", "DirectShow (Nécessite DirectX 8.1 ou supérieur)"}}) {
        auto* r = new QRadioButton(QString::fromUtf8(text), software);
        r->setObjectName(QString::fromLatin1(name));
        softwareRows->addWidget(r);
    }
    const int row = hidden ? hidden->rowCount() : 0;
    QWidget* made[] = {software, label("LBL_Vitesse_Moteurs", QStringLiteral("Vitesse des moteurs"), PNL_Hidden),
                       label("LBL_Tps_Inertie", QStringLiteral("Temps d'inertie (ms)"), PNL_Hidden),
                       label("LBL_Apprentissage_Etape", QStringLiteral("Etape"), PNL_Hidden)};
    for (int i = 0; i < int(std::size(made)); ++i) {
        if (hidden)
            hidden->addWidget(made[i], row + i, 0);
    }

    app::AddCaptionBefore(EDT_ASCOM_Telescope, "LBL_ASCOM_Telescope", QStringLiteral("Télescope"));
}

TFRM_Pref::~TFRM_Pref() = default;

void TFRM_Pref::FormCreate() {}

void TFRM_Pref::FormDestroy() {}

void TFRM_Pref::bindHandlers()
{
    using namespace app;
    using W = TFRM_Pref;

    bindButtonClick(BTN_OK, this, &W::BTN_OKClick);

    bindRadioClick(RDB_WM_Beginner, this, &W::RDB_WM_BeginnerClick);
    bindRadioClick(RDB_WM_Expert, this, &W::RDB_WM_ExpertClick);
    bindRadioClick(RDB_Onglets_Menu_En_Haut, this, &W::RDB_Onglets_Menu_En_HautClick);
    bindRadioClick(RDB_Onglets_Menu_En_Bas, this, &W::RDB_Onglets_Menu_En_BasClick);

    bindButtonClick(BBTN_Repertoire_Bitmaps, this, &W::BBTN_Repertoire_BitmapsClick);
    bindButtonClick(BBTN_Repertoire_Scripts, this, &W::BBTN_Repertoire_ScriptsClick);
    bindButtonClick(BBTN_Repertoire_Icones, this, &W::BBTN_Repertoire_IconesClick);
    bindButtonClick(BBTN_Repertoire_Sons, this, &W::BBTN_Repertoire_SonsClick);
    bindButtonClick(BBTN_Repertoire_drivers, this, &W::BBTN_Repertoire_driversClick);
    bindButtonClick(BBTN_Repertoire_Filtres, [this] { browseFolder(EDT_Repertoire_Filtres, QStringLiteral("Filters")); }, this);
    // Folders are completed when editing finishes, not at every keystroke.
    bindEditExit(EDT_Repertoire_Bitmaps, this, &W::EDT_Repertoire_BitmapsChange);
    bindEditExit(EDT_Repertoire_Filtres, [this] { normaliseFolderEdit(EDT_Repertoire_Filtres, QStringLiteral("Filters")); }, this);
    bindEditExit(EDT_Repertoire_Icones, [this] { normaliseFolderEdit(EDT_Repertoire_Icones, QStringLiteral("Icons")); }, this);
    bindEditExit(EDT_Repertoire_Scripts, this, &W::EDT_Repertoire_ScriptsChange);
    bindEditExit(EDT_Repertoire_Sons, this, &W::EDT_Repertoire_SonsChange);
    bindCheckBoxClick(CKB_Jouer_un_son, this, &W::CKB_Jouer_un_sonClick);
    bindEditUserChange(EDT_Son_a_jouer, this, &W::EDT_Son_a_jouerChange);
    bindButtonClick(BTN_ChargeSon, this, &W::BTN_ChargeSonClick);

    Profiles::BindProfileList(CBX_Optique, [this] { CBX_OptiqueChange(); }, this);
    bindComboDropDown(CBX_Optique, this, &W::CBX_OptiqueDropDown);
    Profiles::BindProfileList(CBX_Monture, [this] { CBX_MontureChange(); }, this);
    bindComboDropDown(CBX_Monture, this, &W::CBX_MontureDropDown);
    Profiles::BindProfileList(CBX_Camera, [this] { CBX_CameraChange(); }, this);
    bindComboDropDown(CBX_Camera, this, &W::CBX_CameraDropDown);
    bindButtonClick(BTN_Nouveau_Optique, this, &W::BTN_Nouveau_OptiqueClick);
    bindButtonClick(BTN_Sup_Optique, this, &W::BTN_Sup_OptiqueClick);
    bindButtonClick(BTN_Enregistrer_Optique, this, &W::BTN_Enregistrer_OptiqueClick);
    bindButtonClick(BTN_Nouveau_Monture, this, &W::BTN_Nouveau_MontureClick);
    bindButtonClick(BTN_Sup_Monture, this, &W::BTN_Sup_MontureClick);
    bindButtonClick(BTN_Enregistrer_Monture, this, &W::BTN_Enregistrer_MontureClick);
    bindButtonClick(BTN_Nouveau_Camera, this, &W::BTN_Nouveau_CameraClick);
    bindButtonClick(BTN_Sup_Camera, this, &W::BTN_Sup_CameraClick);
    bindButtonClick(BTN_Enregistrer_Camera, this, &W::BTN_Enregistrer_CameraClick);
    bindNumInpExit(TNI_Focale, this, &W::TNI_FocaleExit);
    bindNumInpExit(TNI_Barlow, this, &W::TNI_BarlowExit);
    bindNumInpExit(TNI_Reducteur, this, &W::TNI_ReducteurExit);
    bindNumInpExit(TNI_Rayon_Az, this, &W::TNI_Rayon_AzExit);
    bindNumInpExit(TNI_Rayon_Alt, this, &W::TNI_Rayon_AltExit);
    bindNumInpExit(TNI_Fil_Az, this, &W::TNI_Fil_AzExit);
    bindNumInpExit(TNI_Fil_Alt, this, &W::TNI_Fil_AltExit);
    bindNumInpExit(TNI_Larg_Pix, this, &W::TNI_Larg_PixExit);
    bindNumInpExit(TNI_Haut_Pix, this, &W::TNI_Haut_PixExit);
    bindNumInpExit(TNI_NbPix_X, this, &W::TNI_NbPix_XExit);
    bindNumInpExit(TNI_NbPix_Y, this, &W::TNI_NbPix_YExit);

    bindCheckBoxClick(CKB_Barlow, this, &W::CKB_BarlowClick);
    bindCheckBoxClick(CKB_Reducteur, this, &W::CKB_ReducteurClick);
    bindCheckBoxClick(CKB_RenvoiCoude, this, &W::CKB_RenvoiCoudeClick);
    bindButtonClick(BTN_Calculer_TaillePix, this, &W::BTN_Calculer_TaillePixClick);
    bindCheckBoxClick(CKB_VestaMod, this, &W::CKB_VestaModClick);
    bindRadioClick(RDB_RAWMode_1, this, &W::RDB_RAWMode_1Click);
    bindRadioClick(RDB_RAWMode_2, this, &W::RDB_RAWMode_2Click);
    bindRadioClick(RDB_RAWMode_3, this, &W::RDB_RAWMode_3Click);
    bindRadioClick(RDB_RAWMode_4, this, &W::RDB_RAWMode_4Click);

    bindRadioClick(RDB_QV_Parallel, this, &W::RDB_QV_ParallelClick);
    bindRadioClick(RDB_QV_Serial, this, &W::RDB_QV_SerialClick);
    bindRadioClick(RDB_QV_USB, this, &W::RDB_QV_USBClick);
    bindComboChange(CBX_Vesta_Port, this, &W::CBX_Vesta_PortChange);
    bindButtonClick(BTN_TestWrite, this, &W::BTN_TestWriteClick);
    bindButtonClick(BTN_TestPlus, this, &W::BTN_TestPlusClick);
    bindButtonClick(BTN_TestMoins, this, &W::BTN_TestMoinsClick);
    bindButtonClick(BTN_Start_Pose, this, &W::BTN_Start_PoseClick);
    bindButtonClick(BTN_Stop_Pose, this, &W::BTN_Stop_PoseClick);
    bindCheckBoxClick(CKB_LongueposePermanent, this, &W::CKB_LongueposePermanentClick);
    bindRadioClick(RDB_Vesta, this, &W::RDB_VestaClick);
    bindRadioClick(RDB_Toucam, this, &W::RDB_ToucamClick);

    bindScrollBarChange(SCB_Finesse_Selection, this, &W::SCB_Finesse_SelectionChange);
    bindScrollBarChange(SCB_Precision_MAP, this, &W::SCB_Precision_MAPChange);
    bindScrollBarChange(SCB_Sensibilite_MAP, this, &W::SCB_Sensibilite_MAPChange);
    bindSpinEditChange(SPED_Nb_Mesures, this, &W::SPED_Nb_MesuresChange);

    bindComboChange(CBX_Langue, this, &W::CBX_LangueChange);
    bindCheckBoxClick(CKB_Debug, this, &W::CKB_DebugClick);
    bindRadioClick(RDB_Carre, this, &W::RDB_CarreClick);
    bindRadioClick(RDB_Cercle, this, &W::RDB_CercleClick);
    bindRadioClick(RDB_Croix, this, &W::RDB_CroixClick);
    bindRadioClick(RDB_Point, this, &W::RDB_PointClick);

    for (TColorPanel* panel : TBS_Carte->findChildren<TColorPanel*>())
        bindPanelClick(panel, [this, panel] { PNL_Carte_Couleur_EtoileClick(panel); }, this);
    for (TColorPanel* panel : TBS_NiteColors->findChildren<TColorPanel*>())
        bindPanelClick(panel, [this, panel] { PNL_Color_ScrollbarClick(panel); }, this);
    bindComboChange(CBX_NiteColor, this, &W::CBX_NiteColorChange);
    bindButtonClick(BTN_Nouveau_Couleur_Nuit, this, &W::BTN_Nouveau_Couleur_NuitClick);
    bindButtonClick(BTN_Sup_Couleur_Nuit, this, &W::BTN_Sup_Couleur_NuitClick);
    bindButtonClick(BTN_Enregistrer_Couleur_Nuit, this, &W::BTN_Enregistrer_Couleur_NuitClick);
    bindButtonClick(BTN_GetFromWindows, this, &W::BTN_GetFromWindowsClick);

    bindCheckBoxClick(CKB_Startup_Script, this, &W::CKB_Startup_ScriptClick);
    bindEditChange(EDT_Startup_Script, this, &W::EDT_Startup_ScriptChange);
    bindButtonClick(BBTN_Startup_Script, this, &W::BBTN_Startup_ScriptClick);

    bindTelescopeHandlers();
}

// ---------------------------------------------------------------- OK

void TFRM_Pref::BTN_OKClick()
{
    Preferences::ApplyLongExposureSettings();
    if (PGC_Preferences->currentWidget() == TBS_Carte)
        Align_V::ShowSkyChart();
    try {
        Settings::SaveSettings();
    } catch (const Settings::SettingsError& e) {
        // The controls keep the settings; the window stays open so the user
        // can try again or close it.
        Settings::ReportSaveFailure(e);
        return;
    }
    hide();
}

// ---------------------------------------------------------------- General

void TFRM_Pref::RDB_WM_BeginnerClick()
{
    GRB_MenuTabPosition->setVisible(true);
    if (!FRM_Alv)
        return;
    FRM_Alv->PNL_Toolbar_Beginner->setVisible(true);
    FRM_Alv->PNL_Toolbar_Expert->setVisible(false);
    if (RDB_Onglets_Menu_En_Bas->isChecked())
        RDB_Onglets_Menu_En_BasClick();
    else
        RDB_Onglets_Menu_En_HautClick();
    FRM_Alv->FormResize();
}

void TFRM_Pref::RDB_WM_ExpertClick()
{
    GRB_MenuTabPosition->setVisible(false);
    if (!FRM_Alv)
        return;
    FRM_Alv->PNL_Toolbar_Expert->setVisible(true);
    FRM_Alv->PNL_Toolbar_Beginner->setVisible(false);
    FRM_Alv->FormResize();
}

// The main window's menu page control comes with its menus; until then
// there is nothing to move.
void TFRM_Pref::RDB_Onglets_Menu_En_HautClick()
{
    if (auto* tabs = app::findControl<QTabWidget>(FRM_Alv, QStringLiteral("PGC_Control")))
        tabs->setTabPosition(QTabWidget::North);
}

void TFRM_Pref::RDB_Onglets_Menu_En_BasClick()
{
    if (auto* tabs = app::findControl<QTabWidget>(FRM_Alv, QStringLiteral("PGC_Control")))
        tabs->setTabPosition(QTabWidget::South);
}

// ---------------------------------------------------------------- Folders

QString TFRM_Pref::BitmapsFolder() const { return absoluteFolderOf(EDT_Repertoire_Bitmaps, QStringLiteral("Bitmaps")); }
QString TFRM_Pref::ScriptsFolder() const { return absoluteFolderOf(EDT_Repertoire_Scripts, QStringLiteral("Scripts")); }
QString TFRM_Pref::IconsFolder() const { return absoluteFolderOf(EDT_Repertoire_Icones, QStringLiteral("Icons")); }
QString TFRM_Pref::FiltersFolder() const { return absoluteFolderOf(EDT_Repertoire_Filtres, QStringLiteral("Filters")); }
QString TFRM_Pref::SoundsFolder() const { return absoluteFolderOf(EDT_Repertoire_Sons, QStringLiteral("Sounds")); }

void TFRM_Pref::normaliseFolderEdit(QLineEdit* edit, const QString& defaultName)
{
    const QString folder = folderOf(edit, defaultName);
    if (edit->text() != folder)
        edit->setText(folder);
}

void TFRM_Pref::browseFolder(QLineEdit* edit, const QString& defaultName)
{
    PTD_Repertoire.SetDirectory(absoluteFolderOf(edit, defaultName));
    if (PTD_Repertoire.Execute())
        edit->setText(withSeparator(platform::fromStoredPath(PTD_Repertoire.Directory())));
}

// The image tool's file name keeps its name part behind the new folder.
void TFRM_Pref::rebaseImageName()
{
    if (!FRM_Tool_Images)
        return;
    QLineEdit* name = FRM_Tool_Images->EDT_Nom_Image;
    const QString path = platform::fromStoredPath(name->text());
    const QString file = path.mid(path.lastIndexOf(u'/') + 1);
    name->setText(EDT_Repertoire_Bitmaps->text() + file);
}

void TFRM_Pref::BBTN_Repertoire_BitmapsClick()
{
    PTD_Repertoire.SetDirectory(BitmapsFolder());
    if (!PTD_Repertoire.Execute())
        return;
    EDT_Repertoire_Bitmaps->setText(withSeparator(platform::fromStoredPath(PTD_Repertoire.Directory())));
    rebaseImageName();
}

void TFRM_Pref::BBTN_Repertoire_ScriptsClick() { browseFolder(EDT_Repertoire_Scripts, QStringLiteral("Scripts")); }
void TFRM_Pref::BBTN_Repertoire_IconesClick() { browseFolder(EDT_Repertoire_Icones, QStringLiteral("Icons")); }
void TFRM_Pref::BBTN_Repertoire_SonsClick() { browseFolder(EDT_Repertoire_Sons, QStringLiteral("Sounds")); }

void TFRM_Pref::BBTN_Repertoire_driversClick()
{
    PTD_Repertoire.SetDirectory(platform::fromStoredPath(EDT_Repertoire_drivers->text()));
    if (PTD_Repertoire.Execute())
        EDT_Repertoire_drivers->setText(platform::fromStoredPath(PTD_Repertoire.Directory()));
}

void TFRM_Pref::EDT_Repertoire_BitmapsChange()
{
    normaliseFolderEdit(EDT_Repertoire_Bitmaps, QStringLiteral("Bitmaps"));
    rebaseImageName();
}

void TFRM_Pref::EDT_Repertoire_ScriptsChange() { normaliseFolderEdit(EDT_Repertoire_Scripts, QStringLiteral("Scripts")); }
void TFRM_Pref::EDT_Repertoire_SonsChange() { normaliseFolderEdit(EDT_Repertoire_Sons, QStringLiteral("Sounds")); }

void TFRM_Pref::CKB_Jouer_un_sonClick() { uncheckWhenMissing(CKB_Jouer_un_son, EDT_Son_a_jouer->text()); }
void TFRM_Pref::EDT_Son_a_jouerChange() { uncheckWhenMissing(CKB_Jouer_un_son, EDT_Son_a_jouer->text()); }

void TFRM_Pref::BTN_ChargeSonClick()
{
    const QString current = platform::fromStoredPath(EDT_Son_a_jouer->text());
    platform::FileDialogRequest request;
    request.title = TranslatedTexts.MSG_Titre_Son_A_Jouer;
    request.directory = current.trimmed().isEmpty() ? SoundsFolder() : QFileInfo(current).path();
    request.filter = QStringLiteral("Son (*.wav)");
    const std::optional<QString> chosen = platform::dialogs().openFile(request);
    if (!chosen)
        return;
    EDT_Son_a_jouer->setText(*chosen);
    uncheckWhenMissing(CKB_Jouer_un_son, *chosen);
}

// ---------------------------------------------------------------- Profiles

// The measurement window copies these optics while it takes them from here.
static void measurementsFollowOptics()
{
    Settings::RunHandler(QStringLiteral("FRM_Tool_Mesures.FollowPreferencesOptics"));
}

void TFRM_Pref::opticsChanged(bool redrawChart)
{
    measurementsFollowOptics();
    Settings::UpdateOpticsDerived();
    Util_Mesure::UpdateImageScales();
    if (redrawChart && FRM_Sky && FRM_Sky->isVisible())
        Align_V::ShowSkyChart();
}

void TFRM_Pref::cameraChanged()
{
    measurementsFollowOptics();
    Util_Mesure::UpdateImageScales();
}

void TFRM_Pref::CBX_OptiqueDropDown() { ProfileComboTouched = true; }
void TFRM_Pref::CBX_MontureDropDown() { ProfileComboTouched = true; }
void TFRM_Pref::CBX_CameraDropDown() { ProfileComboTouched = true; }

void TFRM_Pref::CBX_OptiqueChange()
{
    if (ProfileComboTouched)
        Profiles::LoadProfile(Kind::Optics, CBX_Optique->currentText());
    ProfileComboTouched = false;
    opticsChanged(true);
}

void TFRM_Pref::CBX_MontureChange()
{
    if (ProfileComboTouched)
        Profiles::LoadProfile(Kind::Mount, CBX_Monture->currentText());
    ProfileComboTouched = false;
}

void TFRM_Pref::CBX_CameraChange()
{
    if (ProfileComboTouched)
        Profiles::LoadProfile(Kind::Camera, CBX_Camera->currentText());
    ProfileComboTouched = false;
    cameraChanged();
}

void TFRM_Pref::BTN_Nouveau_OptiqueClick() { addProfile(CBX_Optique, Kind::Optics); }
void TFRM_Pref::BTN_Sup_OptiqueClick() { eraseProfile(CBX_Optique, Kind::Optics, [this] { CBX_OptiqueChange(); }); }
void TFRM_Pref::BTN_Enregistrer_OptiqueClick() { Profiles::SaveProfile(Kind::Optics, CBX_Optique->currentText()); }
void TFRM_Pref::BTN_Nouveau_MontureClick() { addProfile(CBX_Monture, Kind::Mount); }
void TFRM_Pref::BTN_Sup_MontureClick() { eraseProfile(CBX_Monture, Kind::Mount, [this] { CBX_MontureChange(); }); }
void TFRM_Pref::BTN_Enregistrer_MontureClick() { Profiles::SaveProfile(Kind::Mount, CBX_Monture->currentText()); }
void TFRM_Pref::BTN_Nouveau_CameraClick() { addProfile(CBX_Camera, Kind::Camera); }
void TFRM_Pref::BTN_Sup_CameraClick() { eraseProfile(CBX_Camera, Kind::Camera, [this] { CBX_CameraChange(); }); }
void TFRM_Pref::BTN_Enregistrer_CameraClick() { Profiles::SaveProfile(Kind::Camera, CBX_Camera->currentText()); }

void TFRM_Pref::TNI_FocaleExit()
{
    opticsChanged(true);
    saveNamedProfile(CBX_Optique, Kind::Optics);
}
void TFRM_Pref::TNI_BarlowExit() { TNI_FocaleExit(); }
void TFRM_Pref::TNI_ReducteurExit() { TNI_FocaleExit(); }

void TFRM_Pref::TNI_Rayon_AzExit() { saveNamedProfile(CBX_Monture, Kind::Mount); }
void TFRM_Pref::TNI_Rayon_AltExit() { TNI_Rayon_AzExit(); }
void TFRM_Pref::TNI_Fil_AzExit() { TNI_Rayon_AzExit(); }
void TFRM_Pref::TNI_Fil_AltExit() { TNI_Rayon_AzExit(); }

void TFRM_Pref::TNI_Larg_PixExit()
{
    cameraChanged();
    saveNamedProfile(CBX_Camera, Kind::Camera);
}
void TFRM_Pref::TNI_Haut_PixExit() { TNI_Larg_PixExit(); }
void TFRM_Pref::TNI_NbPix_XExit() { TNI_Larg_PixExit(); }
void TFRM_Pref::TNI_NbPix_YExit() { TNI_Larg_PixExit(); }

// ---------------------------------------------------------------- Optics and camera

void TFRM_Pref::CKB_BarlowClick()
{
    TNI_Barlow->setEnabled(CKB_Barlow->isChecked());
    opticsChanged(true);
}

void TFRM_Pref::CKB_ReducteurClick()
{
    TNI_Reducteur->setEnabled(CKB_Reducteur->isChecked());
    opticsChanged(true);
}

// The diagonal mirrors the image: the reticle is drawn again at once.
void TFRM_Pref::CKB_RenvoiCoudeClick()
{
    measurementsFollowOptics();
    Settings::RunHandler(QStringLiteral("FRM_Tool_Mesures.CKB_ReticuleClick"));
}

void TFRM_Pref::BTN_Calculer_TaillePixClick()
{
    if (FRM_Alv && FRM_Alv->SPDB_Cam1_Start->isEnabled())
        FRM_Alv->SPDB_Cam1_Start->click();
    if (FRM_Tool_Suivi && !FRM_Tool_Suivi->CKB_Suivi->isChecked())
        FRM_Tool_Suivi->CKB_Suivi->setChecked(true);   // runs its click handler
    const TTranslatedTexts& t = TranslatedTexts;
    Msg::ShowMessageText(true, QStringLiteral("1-") + t.MSG_TailleOrientCapt1 + QStringLiteral("\r\n2-")
                                   + t.MSG_TailleOrientCapt2 + QStringLiteral("\r\n3-") + t.MSG_TailleOrientCapt3
                                   + QStringLiteral("\r\n4-") + t.MSG_TailleOrientCapt4);
    // The camera's pixel size and orientation measured on the guide star.
    if (FRM_Alv)
        FRM_Alv->ArmOperation(5, &TTranslatedTexts::MSG_Operation_Orientation);
}

void TFRM_Pref::CKB_VestaModClick()
{
    const bool on = CKB_VestaMod->isChecked();
    PGC_Preferences->setTabVisible(PGC_Preferences->indexOf(TBS_Poselongue), on);
    if (FRM_Alv) {
        for (int slot = 1; slot <= 2; ++slot) {
            const std::uint8_t kind = CameraSlots[slot].sourceKind;
            if (kind != 0 && kind != 2)
                continue;
            (slot == 1 ? FRM_Alv->MNU_Cam1_PoseLongue : FRM_Alv->MNU_Cam2_Poselongue)->setEnabled(on);
            // The tool-bar buttons come with the main window's tool bars.
            const QString button = slot == 1 ? QStringLiteral("SPDB_Cam1_PoseLongue") : QStringLiteral("SPDB_Cam2_Poselongue");
            if (auto* b = app::findControl<QWidget>(FRM_Alv, button))
                b->setEnabled(on);
        }
    }
    Align_V::InitVestaPort();
}

void TFRM_Pref::RDB_RAWMode_1Click() { RawBayerMode = 1; }
void TFRM_Pref::RDB_RAWMode_2Click() { RawBayerMode = 2; }
void TFRM_Pref::RDB_RAWMode_3Click() { RawBayerMode = 3; }
void TFRM_Pref::RDB_RAWMode_4Click() { RawBayerMode = 4; }

// ---------------------------------------------------------------- Long exposures

std::optional<std::uint16_t> TFRM_Pref::VestaPortAddress() const
{
    const std::uint16_t port = Align_V::PortAddressFromText(CBX_Vesta_Port->currentText());
    return port ? std::optional<std::uint16_t>(port) : std::nullopt;
}

void TFRM_Pref::RDB_QV_ParallelClick()
{
    Settings::FillPortCombo(CBX_Vesta_Port, Settings::kParallelPortList, VestaPortIndex);
    GRB_QV_Parallel->raise();
}

void TFRM_Pref::RDB_QV_SerialClick()
{
    Settings::FillPortCombo(CBX_Vesta_Port, Settings::kSerialPortList, VestaSerialPortIndex);
    GRB_QV_Serial->raise();
}

void TFRM_Pref::RDB_QV_USBClick() { GRB_QV_USB->raise(); }

void TFRM_Pref::CBX_Vesta_PortChange()
{
    if (RDB_QV_Parallel->isChecked())
        VestaPortIndex = CBX_Vesta_Port->currentIndex();
    else if (RDB_QV_Serial->isChecked())
        VestaSerialPortIndex = CBX_Vesta_Port->currentIndex();
}

bool TFRM_Pref::WritePort(std::uint16_t port, std::uint8_t value, const QString& label)
{
    return Align_V::PortWrite(port, value, label);
}

bool TFRM_Pref::writePortOrTell(std::uint16_t port, std::uint8_t value, const QString& label)
{
    if (WritePort(port, value, label))
        return true;
    platform::messages().show({TranslatedTexts.MSG_Poses_Longues_Port_Ecriture.arg(
                                   QStringLiteral("%1").arg(port, 4, 16, QLatin1Char('0')).toUpper()),
                               platform::MsgKind::Error, platform::MsgButtons::Ok, QStringLiteral("CBX_Vesta_Port"), {}});
    return false;
}

// Writes a test pattern to the long-exposure port, shown in EDT_TestValue
// once written. A port text that names no address, or a port that cannot be
// written (the ports shut, its device missing), writes nothing and says so:
// the field and the byte "+" and "-" step from stay the last ones written.
bool TFRM_Pref::writeTestByte(std::uint8_t value, const QString& label)
{
    const std::optional<std::uint16_t> port = VestaPortAddress();
    if (!port) {
        platform::messages().show({TranslatedTexts.MSG_Port_Controle_Invalide
                                       .arg(CBX_Vesta_Port->currentText()),
                                   platform::MsgKind::Error, platform::MsgButtons::Ok,
                                   QStringLiteral("CBX_Vesta_Port"), {}});
        return false;
    }
    if (!writePortOrTell(*port, value, label))
        return false;
    LongExposureTestByte = value;
    EDT_TestValue->setText(NumText::IntToBin(value));
    return true;
}

// The four long-exposure lines at their active levels, or all inverted.
std::uint8_t TFRM_Pref::lineLevelsByte(bool active) const
{
    const std::pair<const TNumInp*, const TNumInp*> lines[] = {
        {TNI_Bit_Active_Odd, TNI_Vesta_ActiveValue_Odd},
        {TNI_Bit_Active_Even, TNI_Vesta_ActiveValue_Even},
        {TNI_Bit_Amp_Active, TNI_Amp_ActiveValue},
        {TNI_Bit_Longexp_Active, TNI_Longexp_ActiveValue},
    };
    std::uint8_t byte = 0;
    for (const auto& [pin, value] : lines) {
        const std::optional<std::uint8_t> bit = pinBit(pin);
        if (!bit)
            continue;
        const std::uint8_t v = active ? level(value) : std::uint8_t(1 - level(value));
        byte = static_cast<std::uint8_t>((byte & ~(1u << *bit)) | (v << *bit));
    }
    return byte;
}

void TFRM_Pref::BTN_TestWriteClick()
{
    if (!RDB_QV_Parallel->isChecked())
        return;
    const std::optional<std::uint64_t> value = NumText::BinToInt(EDT_TestValue->text().trimmed());
    if (!value || *value > 255) {
        platform::messages().show({TranslatedTexts.MSG_Octet_Binaire
                                       .arg(EDT_TestValue->text()),
                                   platform::MsgKind::Error, platform::MsgButtons::Ok,
                                   QStringLiteral("EDT_TestValue"), {}});
        return;
    }
    writeTestByte(static_cast<std::uint8_t>(*value), QStringLiteral("Write"));
}

void TFRM_Pref::BTN_TestPlusClick()
{
    if (RDB_QV_Parallel->isChecked() && LongExposureTestByte < 255)
        writeTestByte(static_cast<std::uint8_t>(LongExposureTestByte + 1), QStringLiteral("Write"));
}

void TFRM_Pref::BTN_TestMoinsClick()
{
    if (RDB_QV_Parallel->isChecked() && LongExposureTestByte > 0)
        writeTestByte(static_cast<std::uint8_t>(LongExposureTestByte - 1), QStringLiteral("Write"));
}

void TFRM_Pref::BTN_Start_PoseClick()
{
    if (RDB_QV_Parallel->isChecked())
        writeTestByte(lineLevelsByte(false), QStringLiteral("Test_Start_Pose"));
}

void TFRM_Pref::BTN_Stop_PoseClick()
{
    if (RDB_QV_Parallel->isChecked())
        writeTestByte(lineLevelsByte(true), QStringLiteral("Test_Stop_Pose"));
}

void TFRM_Pref::CKB_LongueposePermanentClick()
{
    if (!FRM_Longuepose || !FRM_Longuepose->BTN_Demarrer_Pose->isEnabled() || !RDB_QV_Parallel->isChecked())
        return;
    const std::optional<std::uint16_t> port = VestaPortAddress();
    const std::optional<std::uint8_t> bit = pinBit(TNI_Bit_Longexp_Active);
    if (!port || !bit || !PortDriverOpen)
        return;
    std::uint8_t byte = platform::portAccess().read(*port);
    const std::uint8_t mask = static_cast<std::uint8_t>(level(TNI_Longexp_ActiveValue) << *bit);
    byte = CKB_LongueposePermanent->isChecked() ? std::uint8_t(byte & ~mask) : std::uint8_t(byte | mask);
    writePortOrTell(*port, byte, QStringLiteral("Longuepose Permanent"));
}

// Controls of camera kinds the program no longer offers.
void TFRM_Pref::RDB_VestaClick() {}
void TFRM_Pref::RDB_ToucamClick() {}

// ---------------------------------------------------------------- Selection and focusing

void TFRM_Pref::SCB_Finesse_SelectionChange() { TNI_Finesse_Selection->SetValue(101 - SCB_Finesse_Selection->value()); }

void TFRM_Pref::SCB_Precision_MAPChange()
{
    const int position = SCB_Precision_MAP->value();
    TNI_Precision_MAP->SetValue(position);
    FocusTolerance = (1000 - position) / 1000.0L;
}

void TFRM_Pref::SCB_Sensibilite_MAPChange()
{
    const int position = SCB_Sensibilite_MAP->value();
    TNI_Sensibilite_MAP->SetValue(position);
    FocusSensitivity = (1000 - position) / 1000.0L;
}

void TFRM_Pref::SPED_Nb_MesuresChange()
{
    std::memset(FocusMeasureBuffer, 0, sizeof FocusMeasureBuffer);
    // The quality ring's sum, index and filled flag go with its values.
    Align_V::ResetQualityHistory();
}

// ---------------------------------------------------------------- Language, debug log, reticle

void TFRM_Pref::CBX_LangueChange()
{
    // The choice takes effect at once; it is stored with the settings.
    const QString name = CBX_Langue->currentText();
    LanguageFilePath = platform::joinPath(platform::programDir(), QStringLiteral("Lang_") + name + QStringLiteral(".ini"));
    Settings::ApplyTranslation();
}

void TFRM_Pref::CKB_DebugClick()
{
    if (!CKB_Debug->isChecked()) {
        TLog::Close(DebugLog);
        return;
    }
    if (DebugLog)
        return;
    DebugLog = TLog::Create(Preferences::DebugLogPath(), LogTimeMode::FromStart);
    if (!DebugLog)
        CKB_Debug->setChecked(false);   // TLog::Create has told the user
}

void TFRM_Pref::RDB_CarreClick() { ReticleFrameShape = 0; }
void TFRM_Pref::RDB_CercleClick() { ReticleFrameShape = 1; }
void TFRM_Pref::RDB_CroixClick() { ReticleCentreShape = 0; }
void TFRM_Pref::RDB_PointClick() { ReticleCentreShape = 1; }

// ---------------------------------------------------------------- Colours

void TFRM_Pref::chooseColor(TColorPanel* panel)
{
    if (!panel)
        return;
    if (const std::optional<std::int32_t> color = platform::dialogs().chooseColor(QStringLiteral("Couleur"), panel->Color()))
        panel->setColor(*color);
}

void TFRM_Pref::PNL_Carte_Couleur_EtoileClick(TColorPanel* panel) { chooseColor(panel ? panel : PNL_Carte_Couleur_Etoile); }
void TFRM_Pref::PNL_Color_ScrollbarClick(TColorPanel* panel) { chooseColor(panel ? panel : PNL_Color_Scrollbar); }

void TFRM_Pref::CBX_NiteColorChange() { NightColors::LoadNightColors(CBX_NiteColor->currentText()); }

void TFRM_Pref::BTN_Nouveau_Couleur_NuitClick() { addNamed(CBX_NiteColor, NightColors::SaveNightColors); }

// The scheme named is removed from the list and its file deleted.
void TFRM_Pref::BTN_Sup_Couleur_NuitClick()
{
    eraseNamed(CBX_NiteColor, NightColors::EraseNightColors, [this] { CBX_NiteColorChange(); });
}

void TFRM_Pref::BTN_Enregistrer_Couleur_NuitClick() { NightColors::SaveNightColors(CBX_NiteColor->currentText()); }
void TFRM_Pref::BTN_GetFromWindowsClick() { NightColors::CopySystemColorsToPanels(); }

// ---------------------------------------------------------------- Start-up script

QString TFRM_Pref::StartupScriptPath() const
{
    const QString name = platform::fromStoredPath(EDT_Startup_Script->text());
    if (name.trimmed().isEmpty())
        return {};
    return platform::resolveDataFile(QDir::isAbsolutePath(name) ? name : platform::joinPath(ScriptsFolder(), name));
}

// "Script introuvable", also before the first translation pass (the
// settings load comes first).
static QString scriptNotFoundText()
{
    if (!TranslatedTexts.MSG_Script_not_found.isEmpty())
        return TranslatedTexts.MSG_Script_not_found;
    const TTranslatedTextEntry* entry = Translation::FindText(u"MSG_Script_not_found");
    return entry ? entry->defaultText() : QString();
}

// The box stays ticked only for a script that exists. Unticked from the box
// itself (by the user or by the settings load), a named script that cannot
// be found is told; a change of the name unticks it silently.
static void keepStartupScriptOnlyIfFound(TFRM_Pref& w, bool tell)
{
    if (!w.CKB_Startup_Script->isChecked())
        return;
    const QString path = w.StartupScriptPath();
    if (!path.isEmpty() && QFileInfo(path).isFile())
        return;
    w.CKB_Startup_Script->setChecked(false);
    if (tell && !path.isEmpty())
        Settings::AddLoadNotes({scriptNotFoundText() + QStringLiteral(" : ") + path});
}

void TFRM_Pref::CKB_Startup_ScriptClick() { keepStartupScriptOnlyIfFound(*this, true); }

void TFRM_Pref::EDT_Startup_ScriptChange() { keepStartupScriptOnlyIfFound(*this, false); }

void TFRM_Pref::BBTN_Startup_ScriptClick()
{
    platform::FileDialogRequest request;
    // Titled as the check box that runs the script.
    request.title = CKB_Startup_Script->text();
    request.directory = ScriptsFolder();
    request.filter = QStringLiteral("Scripts (*.script *.txt)");
    const std::optional<QString> chosen = platform::dialogs().openFile(request);
    if (!chosen)
        return;
    // A script of the scripts folder is kept by its name there.
    const QString folder = ScriptsFolder();
    const QString path = platform::fromStoredPath(*chosen);
    EDT_Startup_Script->setText(path.startsWith(folder) ? path.mid(folder.size()) : path);
}

// ---------------------------------------------------------------- Preferences

namespace Preferences {

bool DataFileExists(const QString& text)
{
    if (text.trimmed().isEmpty())
        return false;
    return QFileInfo(platform::resolveDataFile(platform::fromStoredPath(text))).isFile();
}

QString DebugLogPath() { return platform::joinPath(platform::programDir(), QStringLiteral("Debug.log")); }

void ApplyLongExposureSettings()
{
    if (!FRM_Pref)
        return;
    const TFRM_Pref& p = *FRM_Pref;
    TLongExposureParams& r = LongExposureParams;
    r.PortAddress = p.VestaPortAddress();
    auto bitOf = [](const TCustomNumInp* pin) { return pinBit(pin).value_or(0); };
    r.OddLineBit = bitOf(p.TNI_Bit_Active_Odd);
    r.OddLineActive = level(p.TNI_Vesta_ActiveValue_Odd);
    r.EvenLineBit = bitOf(p.TNI_Bit_Active_Even);
    r.EvenLineActive = level(p.TNI_Vesta_ActiveValue_Even);
    r.AmpBit = bitOf(p.TNI_Bit_Amp_Active);
    r.AmpActive = level(p.TNI_Amp_ActiveValue);
    r.LongExpBit = bitOf(p.TNI_Bit_Longexp_Active);
    r.LongExpActive = level(p.TNI_Longexp_ActiveValue);
    switch (p.CBX_Ligne_guidage->currentIndex()) {
    case 0:
        r.GuideLineBit = r.OddLineBit;
        r.AlternateLines = 1;
        break;
    case 1:
        r.GuideLineBit = r.OddLineBit;
        r.AlternateLines = 0;
        break;
    case 2:
        r.GuideLineBit = r.EvenLineBit;
        r.AlternateLines = 0;
        break;
    default:
        break;
    }
    r.InterposeMs = p.SPED_Vesta_Interpose->value();
    if (FRM_Longuepose) {
        r.ExposureMs = FRM_Longuepose->SPED_Vesta_Pose->value();
        r.GuideExposureMs = FRM_Longuepose->SPED_Vesta_Pose_Guidage->value();
    }
}

} // namespace Preferences
