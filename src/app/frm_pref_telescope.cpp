// The telescope-control pages of the Preferences dialog: interface choices,
// the connection and direction test buttons, the ASCOM bridge, motor speeds
// and their profiles, inversions, the guiding offset file and the end-of-goto
// actions. The handlers call the mount command layer (telescope/prg_suivi.h).

#include "app/frm_pref.h"

#include "app/frm_alv.h"
#include "app/frm_message.h"
#include "app/profiles.h"
#include "app/settings.h"
#include "app/settings/guide_offset.h"
#include "app/settings/key_engine.h"
#include "app/settings/port_lists.h"
#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "app/ui/event_boundary.h"
#include "app/ui/press_guard.h"
#include "capture/plugin_mgr.h"
#include "capture/port_io.h"
#include "app/settings/settings_file.h"
#include "platform/ini_document.h"
#include "imaging/pipeline_state.h"
#include "platform/dialog_service.h"
#include "platform/paths.h"
#include "telescope/ascom_bridge.h"
#include "telescope/frm_com_trafic.h"
#include "telescope/frm_joy.h"
#include "telescope/frm_object_action.h"
#include "telescope/frm_prg_suivi.h"
#include "telescope/frm_raquette.h"
#include "telescope/frm_tool_suivi.h"
#include "telescope/mount_state.h"
#include "telescope/prg_suivi.h"
#include "translation/translated_texts.h"

#include <QAction>
#include <QDesktopServices>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QFileInfo>
#include <QHideEvent>
#include <QShowEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace {

using Prg_Suivi::Interface;

// How long the driver chooser may stay open before its answer is no longer
// awaited, and how often it is looked at.
constexpr int kChooserPoll_ms = 100;
constexpr int kChooserPatience_ms = 10 * 60 * 1000;

// A control or menu item of another window, by name; nothing while that
// window or control does not exist yet.
void enableNamed(QWidget* window, const char* name, bool on)
{
    if (!window)
        return;
    if (auto* w = window->findChild<QWidget*>(QString::fromLatin1(name)))
        w->setEnabled(on);
    else if (auto* a = window->findChild<QAction*>(QString::fromLatin1(name)))
        a->setEnabled(on);
}

// Brings one of the overlapping group boxes of a page to the front: it is
// shown and its siblings hidden.
void toFront(QWidget* group)
{
    if (QWidget* panel = group->parentWidget())
        for (QWidget* sibling : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (sibling != group && sibling->inherits("QGroupBox"))
                sibling->hide();
    group->show();
    group->raise();
}

// The windows that follow whether a mount interface is chosen.
void enableMountUsers(bool on)
{
    enableNamed(FRM_Tool_Suivi, "RDB_Autoguidage", on);
    enableNamed(FRM_Alv, "MNU_Telescope", on);
    enableNamed(Settings::FindWindow(QStringLiteral("FRM_Longuepose")), "CKB_Selfguide_Active", on);
    Prg_Suivi::OfferMountConnection(on);
}

// The hand pad's goto group follows the interfaces chosen (one rule, from
// their state).
void followInterfaces() { Settings::RunHandler(QStringLiteral("Raquette.FollowInterfaces")); }

// After an interface choice: the hand pad's controls follow, while it shows
// and once the start-up preferences are loaded.
void refreshHandPad()
{
    if (StartupPrefsLoaded && FRM_Raquette && FRM_Raquette->isVisible())
        Settings::RunHandler(QStringLiteral("Raquette.RefreshControls"));
}

// The bridge ends when an interface choice leaves nothing on ASCOM: a guide
// box chosen beside an ASCOM mount keeps the mount's driver.
void stopUnusedBridge()
{
    if (FRM_Pref
        && (FRM_Pref->RDB_Mount_ASCOM->isChecked() || FRM_Pref->RDB_Autoguide_ASCOM->isChecked()
            || FRM_Pref->RDB_Focus_ASCOM->isChecked()))
        return;
    AscomBridge::StopBridge();
}

bool sameText(const QString& a, const QString& b) { return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0; }

} // namespace

// ---------------------------------------------------------------- Binding

void TFRM_Pref::bindTelescopeHandlers()
{
    using namespace app;
    using W = TFRM_Pref;

    for (QRadioButton* r : {RDB_Mount_Aucun, RDB_Autoguide_Aucun})
        bindRadioClick(r, this, &W::RDB_Autoguide_AucunClick);
    for (QRadioButton* r : {RDB_Mount_LX200, RDB_Autoguide_LX200})
        bindRadioClick(r, this, &W::RDB_Autoguide_LX200Click);
    bindRadioClick(RDB_Autoguide_Marrick, this, &W::RDB_Autoguide_MarrickClick);
    for (QRadioButton* r : {RDB_Mount_Quillon, RDB_Autoguide_Quillon})
        bindRadioClick(r, this, &W::RDB_Autoguide_QuillonClick);
    bindRadioClick(RDB_Autoguide_Venner, this, &W::RDB_Autoguide_VennerClick);
    for (QRadioButton* r : {RDB_Mount_KitsRus108, RDB_Autoguide_KitsRus108})
        bindRadioClick(r, this, &W::RDB_Autoguide_KitsRus108Click);
    bindRadioClick(RDB_Mount_Plugin, this, &W::RDB_Mount_PluginClick);
    bindRadioClick(RDB_Autoguide_Plugin, this, &W::RDB_Autoguide_PluginClick);
    for (QRadioButton* r : {RDB_Mount_ASCOM, RDB_Focus_ASCOM, RDB_Autoguide_ASCOM})
        bindRadioClick(r, this, &W::RDB_Focus_ASCOMClick);
    bindRadioClick(RDB_Focus_LX200, this, &W::RDB_Focus_LX200Click);
    bindRadioClick(RDB_Focus_Venner, this, &W::RDB_Focus_VennerClick);
    bindRadioClick(RDB_Focus_Quillon, this, &W::RDB_Focus_QuillonClick);
    bindRadioClick(RDB_Focus_Aucun, this, &W::RDB_Focus_AucunClick);

    bindButtonClick(BTN_Mount_Connecter, this, &W::BTN_Mount_ConnecterClick);
    bindButtonClick(BTN_Autoguide_Connecter, this, &W::BTN_Autoguide_ConnecterClick);
    bindButtonClick(BTN_Mount_Deconnecter, this, &W::BTN_Mount_DeconnecterClick);
    bindButtonClick(BTN_Autoguide_Deconnecter, this, &W::BTN_Autoguide_DeconnecterClick);
    bindButtonClick(BTN_Mount_Stop, this, &W::BTN_Mount_StopClick);
    bindButtonClick(BTN_Autoguide_Stop, this, &W::BTN_Mount_StopClick);
    app::MarkStopButton(BTN_Mount_Stop);
    app::MarkStopButton(BTN_Autoguide_Stop);
    const auto press = [this](QAbstractButton* button, void (W::*down)(), void (W::*up)()) {
        connect(button, &QAbstractButton::pressed, this,
                [this, button, down] { app::runGuarded(button->objectName(), [&] { (this->*down)(); }); });
        connect(button, &QAbstractButton::released, this,
                [this, button, up] { app::runGuarded(button->objectName(), [&] { (this->*up)(); }); });
    };
    press(BTN_Mount_Nord, &W::BTN_Mount_NordMouseDown, &W::BTN_Mount_NordMouseUp);
    press(BTN_Mount_Sud, &W::BTN_Mount_SudMouseDown, &W::BTN_Mount_NordMouseUp);
    press(BTN_Mount_Est, &W::BTN_Mount_EstMouseDown, &W::BTN_Mount_NordMouseUp);
    press(BTN_Mount_Ouest, &W::BTN_Mount_OuestMouseDown, &W::BTN_Mount_NordMouseUp);
    press(BTN_Autoguide_Nord, &W::BTN_Autoguide_NordMouseDown, &W::BTN_Mount_NordMouseUp);
    press(BTN_Autoguide_Sud, &W::BTN_Autoguide_SudMouseDown, &W::BTN_Mount_NordMouseUp);
    press(BTN_Autoguide_Est, &W::BTN_Autoguide_EstMouseDown, &W::BTN_Mount_NordMouseUp);
    press(BTN_Autoguide_Ouest, &W::BTN_Autoguide_OuestMouseDown, &W::BTN_Mount_NordMouseUp);
    press(BTN_In, &W::BTN_InMouseDown, &W::BTN_InMouseUp);
    press(BTN_Out, &W::BTN_OutMouseDown, &W::BTN_InMouseUp);
    bindButtonClick(BTN_Focus_Connecter, this, &W::BTN_Focus_ConnecterClick);
    bindButtonClick(BTN_Focus_Deconnecter, this, &W::BTN_Focus_DeconnecterClick);

    bindButtonClick(BTN_Choose, this, &W::BTN_ChooseClick);
    bindButtonClick(BTN_ASCOM_Configurer, this, &W::BTN_ASCOM_ConfigurerClick);
    IMG_ASCOM->installEventFilter(this);
    bindCheckBoxClick(CKB_Historique_Comm, this, &W::CKB_Historique_CommClick);
    bindCheckBoxClick(CKB_Affiche_Etendu, this, &W::CKB_Affiche_EtenduClick);
    bindButtonClick(BTN_Choix_Relais, this, &W::BTN_Choix_RelaisClick);
    bindButtonClick(BTN_Interface_Setup, this, &W::BTN_Interface_SetupClick);
    bindComboChange(CBX_AG_Parite, this, &W::CBX_AG_PariteChange);
    bindButtonClick(BTN_Calibrate_Joystick, this, &W::BTN_Calibrate_JoystickClick);

    bindNumInpExit(TNI_Vitesse_Est, this, &W::TNI_Vitesse_EstExit);
    bindNumInpExit(TNI_Vitesse_Ouest, this, &W::TNI_Vitesse_OuestExit);
    bindNumInpExit(TNI_Vitesse_Nord, this, &W::TNI_Vitesse_NordExit);
    bindNumInpExit(TNI_Vitesse_Sud, this, &W::TNI_Vitesse_SudExit);
    bindCheckBoxClick(CKB_Correct_Sid, this, &W::CKB_Correct_SidClick);
    bindCheckBoxClick(CKB_GOTO_InverseAD, this, &W::CKB_GOTO_InverseADClick);
    bindCheckBoxClick(CKB_GOTO_InverseDEC, this, &W::CKB_GOTO_InverseDECClick);
    bindCheckBoxClick(CKB_GUIDE_InverseAD, this, &W::CKB_GUIDE_InverseADClick);
    bindCheckBoxClick(CKB_GUIDE_InverseDEC, this, &W::CKB_GUIDE_InverseDECClick);
    bindCheckBoxClick(CKB_InverseAD_Carte, this, &W::CKB_InverseAD_CarteClick);
    bindCheckBoxClick(CKB_InverseDEC_Carte, this, &W::CKB_InverseDEC_CarteClick);
    Profiles::BindProfileList(CBX_Vitesse_Moteur, [this] { CBX_Vitesse_MoteurChange(); }, this);
    bindComboDropDown(CBX_Vitesse_Moteur, this, &W::CBX_Vitesse_MoteurDropDown);
    CBX_Vitesse_Moteur->installEventFilter(this);
    if (QLineEdit* edit = CBX_Vitesse_Moteur->lineEdit())
        edit->installEventFilter(this);   // where the focus goes in an editable combo
    bindButtonClick(BTN_Nouveau_Vitesse, this, &W::BTN_Nouveau_VitesseClick);
    bindButtonClick(BTN_Sup_Vitesse, this, &W::BTN_Sup_VitesseClick);
    bindButtonClick(BTN_Enregistrer_Vitesse, this, &W::BTN_Enregistrer_VitesseClick);
    bindButtonClick(BTN_Enregistrer_Autoguidage, this, &W::BTN_Enregistrer_AutoguidageClick);
    bindButtonClick(BTN_Apprendre, this, &W::BTN_ApprendreClick);

    bindButtonClick(BBTN_Fichier_Decalage, this, &W::BBTN_Fichier_DecalageClick);
    bindCheckBoxClick(CKB_Fin_Goto_Jouer_un_son, this, &W::CKB_Fin_Goto_Jouer_un_sonClick);
    bindEditUserChange(EDT_Fin_GOTO_Son_a_jouer, this, &W::CKB_Fin_Goto_Jouer_un_sonClick);
    bindButtonClick(BTN_Fin_GOTO_ChargeSon, this, &W::BTN_Fin_GOTO_ChargeSonClick);
    bindCheckBoxClick(CKB_Fin_GOTO_ExecuteScript, this, &W::CKB_Fin_GOTO_ExecuteScriptClick);
    bindEditUserChange(EDT_Fin_GOTO_Script, this, &W::CKB_Fin_GOTO_ExecuteScriptClick);
    bindButtonClick(BBTN_Fin_GOTO_Script, this, &W::BBTN_Fin_GOTO_ScriptClick);
    arrangeInterfaceGroups();
}

bool TFRM_Pref::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == IMG_ASCOM && event->type() == QEvent::MouseButtonRelease) {
        app::runGuarded(QStringLiteral("IMG_ASCOM"), [this] { IMG_ASCOMClick(); });
        return true;
    }
    if ((watched == CBX_Vitesse_Moteur || watched == CBX_Vitesse_Moteur->lineEdit()) && event->type() == QEvent::KeyPress)
        CBX_Vitesse_MoteurKeyDown(static_cast<QKeyEvent*>(event)->key());
    // Leaving the combo (not merely opening its list).
    const bool speedCombo = watched == CBX_Vitesse_Moteur || watched == CBX_Vitesse_Moteur->lineEdit();
    if (speedCombo && event->type() == QEvent::FocusOut
        && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        app::runGuarded(QStringLiteral("CBX_Vitesse_Moteur"), [this] { CBX_Vitesse_MoteurExit(); });
    return TForm::eventFilter(watched, event);
}

// The interface pages show the group of the interface chosen, whether it
// was chosen by a click, by the settings file or by the layout's defaults.
void TFRM_Pref::arrangeInterfaceGroups()
{
    const auto chosen = [](std::initializer_list<QRadioButton*> radios) {
        return std::any_of(radios.begin(), radios.end(), [](QRadioButton* r) { return r->isChecked(); });
    };
    QWidget* mount = GRB_Aucun;
    if (chosen({RDB_Mount_ASCOM}) || (RDB_Mount_Aucun->isChecked() && chosen({RDB_Autoguide_ASCOM})))
        mount = GRB_ASCOM;
    else if (chosen({RDB_Mount_Plugin}) || (RDB_Mount_Aucun->isChecked() && chosen({RDB_Autoguide_Plugin})))
        mount = GRB_Choix_Plugins_Mount;
    else if (chosen({RDB_Mount_Quillon}) || (RDB_Mount_Aucun->isChecked() && chosen({RDB_Autoguide_Quillon})))
        mount = GRB_InterfaceParallele;
    else if (!RDB_Mount_Aucun->isChecked()
             || chosen({RDB_Autoguide_LX200, RDB_Autoguide_Marrick, RDB_Autoguide_Venner, RDB_Autoguide_KitsRus108}))
        mount = GRB_InterfaceSerie;
    toFront(mount);
    GRB_LX200_Guidemode->setVisible(RDB_Mount_LX200->isChecked() || RDB_Autoguide_LX200->isChecked());
    BTN_Choix_Relais->setVisible(RDB_Mount_KitsRus108->isChecked() || RDB_Autoguide_KitsRus108->isChecked());
    QWidget* focuser = GRB_Focus_Aucun;
    if (chosen({RDB_Focus_LX200, RDB_Focus_Venner}))
        focuser = GRB_Focus_InterfaceSerie;
    else if (RDB_Focus_Quillon->isChecked())
        focuser = GRB_Focus_InterfaceParallele;
    toFront(focuser);
}

void TFRM_Pref::showEvent(QShowEvent* event)
{
    app::runGuarded(QStringLiteral("FRM_Pref.Show"), [this] { arrangeInterfaceGroups(); });
    TForm::showEvent(event);
}

// A held direction or focuser button whose window goes away is let go.
void TFRM_Pref::hideEvent(QHideEvent* event)
{
    app::runGuarded(QStringLiteral("FRM_Pref.Hide"), [this] { releaseDirection(); });
    app::runGuarded(QStringLiteral("FRM_Pref.Hide"), [this] { BTN_InMouseUp(); });
    TForm::hideEvent(event);
}

// ---------------------------------------------------------------- Interfaces

void TFRM_Pref::RDB_Autoguide_AucunClick()
{
    stopUnusedBridge();
    // No guide box beside a chosen mount: the mount and what uses it stay.
    if (!RDB_Mount_Aucun->isChecked()) {
        followInterfaces();
        refreshHandPad();
        return;
    }
    followInterfaces();
    toFront(GRB_Aucun);
    enableNamed(FRM_Tool_Suivi, "RDB_Autoguidage", false);
    if (RDB_Focus_Aucun->isChecked())
        enableNamed(FRM_Alv, "MNU_Telescope", false);
    enableNamed(Settings::FindWindow(QStringLiteral("FRM_Longuepose")), "CKB_Selfguide_Active", false);
    Prg_Suivi::OfferMountConnection(false);
    refreshHandPad();
}

void TFRM_Pref::RDB_Autoguide_LX200Click()
{
    stopUnusedBridge();
    GuideInterfaceCode = ComChannel::LX200;
    followInterfaces();
    if (FRM_Raquette) {
        FRM_Raquette->CBX_Rate->clear();
        FRM_Raquette->CBX_Rate->addItems({QStringLiteral("Slew"), QStringLiteral("Find"), QStringLiteral("Cntr"),
                                          QStringLiteral("Guide")});
        FRM_Raquette->CBX_Rate->setCurrentIndex(0);
    }
    GRB_LX200_Guidemode->show();
    BTN_Choix_Relais->hide();
    toFront(GRB_InterfaceSerie);
    SPED_Duree_impulsions->setEnabled(false);
    enableMountUsers(true);
    refreshHandPad();
}

void TFRM_Pref::RDB_Autoguide_MarrickClick()
{
    stopUnusedBridge();
    GuideInterfaceCode = ComChannel::Marrick;
    followInterfaces();
    GRB_LX200_Guidemode->hide();
    BTN_Choix_Relais->hide();
    toFront(GRB_InterfaceSerie);
    SPED_Duree_impulsions->setEnabled(true);
    enableMountUsers(true);
    refreshHandPad();
}

void TFRM_Pref::RDB_Autoguide_QuillonClick()
{
    stopUnusedBridge();
    Align_V::InitQuillonPort();
    GuideInterfaceCode = ComChannel::Quillon;
    followInterfaces();
    toFront(GRB_InterfaceParallele);
    SPED_Duree_impulsions->setEnabled(false);
    enableMountUsers(true);
    refreshHandPad();
}

void TFRM_Pref::RDB_Autoguide_VennerClick()
{
    stopUnusedBridge();
    GuideInterfaceCode = ComChannel::Venner;
    followInterfaces();
    toFront(GRB_InterfaceSerie);
    SPED_Duree_impulsions->setEnabled(true);
    enableMountUsers(true);
    refreshHandPad();
}

void TFRM_Pref::RDB_Mount_VennerClick() { RDB_Autoguide_VennerClick(); }

void TFRM_Pref::RDB_Autoguide_KitsRus108Click()
{
    stopUnusedBridge();
    GuideInterfaceCode = ComChannel::KitsRus;
    followInterfaces();
    BTN_Choix_Relais->show();
    toFront(GRB_InterfaceSerie);
    SPED_Duree_impulsions->setEnabled(false);
    enableMountUsers(true);
    refreshHandPad();
}

void TFRM_Pref::RDB_Autoguide_PluginClick()
{
    stopUnusedBridge();
    toFront(GRB_Choix_Plugins_Mount);
    // Each guider of the loaded plug-ins as "plug-in:device"; list index i
    // is guider record i.
    if (PluginManager) {
        CBX_Autoguide_Plugin->clear();
        for (const TGuiderRecord* g : PluginManager->Guiders)
            CBX_Autoguide_Plugin->addItem((g->Guider.Owner ? g->Guider.Owner->FriendlyName : QString()) + u':' + g->Name);
    }
    if (CBX_Autoguide_Plugin->count() > 0)
        CBX_Autoguide_Plugin->setCurrentIndex(0);
    // A plug-in's guider or mount serves autoguiding and the telescope menu
    // as every other interface does.
    enableMountUsers(true);
    followInterfaces();
    refreshHandPad();
}

void TFRM_Pref::RDB_Mount_PluginClick() { RDB_Autoguide_PluginClick(); }

void TFRM_Pref::RDB_Focus_ASCOMClick()
{
    followInterfaces();
    GRB_LX200_Guidemode->hide();
    toFront(GRB_ASCOM);
    // One worker per driver: mount, guide port and focuser share it.
    if (!AscomBridge::Running())
        Settings::RunHandler(QStringLiteral("AscomBridge.Start"));
    if (AscomBridge::Running() && FRM_Alv && FRM_Alv->FirstActivationDone) {
        AscomBridge::Signal(AscomBridge::rqActiver);
        Prg_Suivi::OfferMountConnection(true);
        // An LX200 mount keeps its own layout beside an ASCOM focuser or guider.
        if (!RDB_Mount_LX200->isChecked())
            Settings::RunHandler(QStringLiteral("Raquette.EnableAscomControls"));
    } else if (!AscomBridge::Running()) {
        LBL_Error_Ascom->setText(TranslatedTexts.MSG_Pont_ASCOM_Indisponible);
    }
    enableNamed(FRM_Tool_Suivi, "RDB_Autoguidage", true);
    enableNamed(FRM_Alv, "MNU_Telescope", true);
    refreshHandPad();
}

void TFRM_Pref::fillFocuserPorts(bool parallel)
{
    QComboBox* combo = parallel ? CBX_AG_Focus_PortParallele : CBX_AG_Focus_PortSerie;
    const QString key = parallel ? QStringLiteral("AG_Focus_PortParallele") : QStringLiteral("AG_Focus_PortSerie");
    // No list (told once): the ports shown stay, so does the choice.
    const QStringList ports = Settings::ReadPortList(parallel ? Settings::kParallelPortList : Settings::kSerialPortList);
    if (ports.isEmpty())
        return;
    int index = 0;
    {
        Settings::SettingsFileSession file(Settings::SettingsFileSession::Mode::Share);
        index = file.doc().readInteger(QStringLiteral("Focus"), key, 0);
    }
    combo->clear();
    combo->addItems(ports);
    combo->setCurrentIndex(index >= 0 && index < ports.size() ? index : -1);
}

void TFRM_Pref::RDB_Focus_LX200Click()
{
    fillFocuserPorts(false);
    const bool shared = RDB_Mount_LX200->isChecked() && CBX_AG_Focus_PortSerie->currentIndex() >= 0
                        && sameText(CBX_AG_Focus_PortSerie->currentText(), CBX_AG_PortSerie->currentText());
    FocuserInterfaceCode = shared ? ComChannel::LX200 : ComChannel::LX200Focuser;
    Settings::RunHandler(QStringLiteral("Raquette.EnableFocusControls"));
    toFront(GRB_Focus_InterfaceSerie);
    enableNamed(FRM_Alv, "MNU_Telescope", true);
}

void TFRM_Pref::RDB_Focus_VennerClick()
{
    fillFocuserPorts(false);
    FocuserInterfaceCode = ComChannel::Venner;
    Settings::RunHandler(QStringLiteral("Raquette.EnableFocusControls"));
    toFront(GRB_Focus_InterfaceSerie);
    enableNamed(FRM_Alv, "MNU_Telescope", true);
}

void TFRM_Pref::RDB_Focus_QuillonClick()
{
    fillFocuserPorts(true);
    Align_V::InitQuillonPort();
    FocuserInterfaceCode = ComChannel::Quillon;
    Settings::RunHandler(QStringLiteral("Raquette.EnableFocusControls"));
    toFront(GRB_Focus_InterfaceParallele);
    enableNamed(FRM_Alv, "MNU_Telescope", true);
}

void TFRM_Pref::RDB_Focus_AucunClick()
{
    // No focuser: nothing for the hand pad's focus buttons to move, nor for
    // the telescope menu when no mount or guide port is chosen either.
    Settings::RunHandler(QStringLiteral("Raquette.DisableFocusControls"));
    if (RDB_Mount_Aucun->isChecked() && RDB_Autoguide_Aucun->isChecked())
        enableNamed(FRM_Alv, "MNU_Telescope", false);
    toFront(GRB_Focus_Aucun);
}

// ---------------------------------------------------------------- Test buttons

void TFRM_Pref::BTN_Mount_ConnecterClick() { Prg_Suivi::MountConnectClick(); }
void TFRM_Pref::BTN_Autoguide_ConnecterClick() { Prg_Suivi::GuideConnectClick(); }
void TFRM_Pref::BTN_Mount_DeconnecterClick() { Prg_Suivi::MountDisconnectClick(); }
// The guide page's button disconnects the guide port, which its Connect
// button connected (and unlocks that page), not the mount.
void TFRM_Pref::BTN_Autoguide_DeconnecterClick() { Prg_Suivi::GuideDisconnectClick(); }

void TFRM_Pref::pressDirection(std::uint8_t direction, std::uint8_t source)
{
    releaseDirection();   // a release lost on the way is made up for first
    held_ = Prg_Suivi::StartHeldMove(direction, source);
}

void TFRM_Pref::releaseDirection()
{
    Prg_Suivi::StopHeldMove(held_);
}

void TFRM_Pref::BTN_Mount_NordMouseDown() { pressDirection(dirNorth, 0); }
void TFRM_Pref::BTN_Mount_SudMouseDown() { pressDirection(dirSouth, 0); }
void TFRM_Pref::BTN_Mount_EstMouseDown() { pressDirection(dirEast, 0); }
void TFRM_Pref::BTN_Mount_OuestMouseDown() { pressDirection(dirWest, 0); }
// The guide port's test buttons drive the guiding's motion source.
void TFRM_Pref::BTN_Autoguide_NordMouseDown() { pressDirection(dirNorth, 1); }
void TFRM_Pref::BTN_Autoguide_SudMouseDown() { pressDirection(dirSouth, 1); }
void TFRM_Pref::BTN_Autoguide_EstMouseDown() { pressDirection(dirEast, 1); }
void TFRM_Pref::BTN_Autoguide_OuestMouseDown() { pressDirection(dirWest, 1); }
void TFRM_Pref::BTN_Mount_NordMouseUp() { releaseDirection(); }

void TFRM_Pref::BTN_Mount_StopClick()
{
    held_.active = false;
    if (FRM_Prg_Suivi) {
        FRM_Prg_Suivi->TMR_Suivi_AD->stop();
        FRM_Prg_Suivi->TMR_Suivi_Dec->stop();
    }
    Prg_Suivi::StopMount();
}

void TFRM_Pref::BTN_Focus_ConnecterClick() { Prg_Suivi::ConnectFocuser(); }
// The focuser's button takes the mount down with it.
void TFRM_Pref::BTN_Focus_DeconnecterClick() { Prg_Suivi::FocuserDisconnectClick(); }

void TFRM_Pref::BTN_InMouseDown()
{
    BTN_InMouseUp();
    focuserHeld_ = 0;
    Prg_Suivi::StartFocuser(0, false);
}

void TFRM_Pref::BTN_OutMouseDown()
{
    BTN_InMouseUp();
    focuserHeld_ = 1;
    Prg_Suivi::StartFocuser(1, false);
}

void TFRM_Pref::BTN_InMouseUp()
{
    if (focuserHeld_ < 0)
        return;
    const auto direction = std::uint8_t(focuserHeld_);
    focuserHeld_ = -1;
    Prg_Suivi::StopFocuser(direction);
}

// ---------------------------------------------------------------- ASCOM

void TFRM_Pref::BTN_ChooseClick()
{
    if (AscomBridge::Running() && AscomBridge::Installed()->ChoosesByDiscovery()
        && Settings::RunHandler(QStringLiteral("AscomBridge.Choose")))
        return;
    if (!AscomBridge::Running()) {
        LBL_Error_Ascom->setText(TranslatedTexts.MSG_Pont_ASCOM_Indisponible);
        return;
    }
    AscomBridge::AscomSharedData.Name.clear();
    AscomBridge::Signal(AscomBridge::rqChoose);
    // The user answers the chooser in his own time: its answer is looked for
    // without holding the window.
    if (!chooserPoll_) {
        chooserPoll_ = new QTimer(this);
        chooserPoll_->setInterval(kChooserPoll_ms);
        connect(chooserPoll_, &QTimer::timeout, this,
                [this] { app::runGuarded(QStringLiteral("BTN_Choose"), [this] { pollChooser(); }); });
    }
    chooserTicks_ = 0;
    chooserPoll_->start();
}

void TFRM_Pref::pollChooser()
{
    if (!AscomBridge::Running() || ++chooserTicks_ * kChooserPoll_ms > kChooserPatience_ms) {
        chooserPoll_->stop();
        return;
    }
    if (!AscomBridge::Installed()->WaitDataSet(0))
        return;
    chooserPoll_->stop();
    const AscomBridge::TASCOM_CMD& shared = AscomBridge::AscomSharedData;
    if (shared.Name.isEmpty())
        return;   // cancelled: everything stays as it was
    EDT_ASCOM_Telescope->setText(shared.Name);
    const bool connected = shared.Connected != 0;
    BTN_ASCOM_Configurer->setEnabled(true);
    BTN_Mount_Deconnecter->setEnabled(connected);
    BTN_Mount_Connecter->setEnabled(!connected);
}

void TFRM_Pref::BTN_ASCOM_ConfigurerClick()
{
    if (AscomBridge::Running() && AscomBridge::Installed()->ChoosesByDiscovery()
        && Settings::RunHandler(QStringLiteral("AscomBridge.Configure")))
        return;
    if (!EDT_ASCOM_Telescope->text().isEmpty())
        AscomBridge::Signal(AscomBridge::rqSetupDialog);
}

void TFRM_Pref::IMG_ASCOMClick() { QDesktopServices::openUrl(QUrl(QStringLiteral("https://ascom-standards.org/"))); }

// ---------------------------------------------------------------- Windows

void TFRM_Pref::CKB_Historique_CommClick()
{
    if (!FRM_ComTrafic)
        return;
    if (CKB_Historique_Comm->isChecked())
        Systeme::ShowFormOnScreen(FRM_ComTrafic);
    else
        FRM_ComTrafic->hide();
}

void TFRM_Pref::CKB_Affiche_EtenduClick()
{
    if (!FRM_Prg_Suivi)
        return;
    if (CKB_Affiche_Etendu->isChecked())
        Systeme::ShowFormOnScreen(FRM_Prg_Suivi);
    else
        FRM_Prg_Suivi->hide();
}

void TFRM_Pref::BTN_Choix_RelaisClick() { toFront(GRB_Choix_Relais); }

void TFRM_Pref::BTN_Interface_SetupClick()
{
    GRB_Choix_Relais->hide();
    toFront(GRB_InterfaceSerie);
}

void TFRM_Pref::CBX_AG_PariteChange() { GuidePortParity = CBX_AG_Parite->currentIndex(); }

void TFRM_Pref::BTN_Calibrate_JoystickClick()
{
    if (!frmJoy)
        return;
    const auto saved = frmJoy->Calibration;
    frmJoy->Active = false;
    const bool ok = Preferences::RunJoystickCalibration && Preferences::RunJoystickCalibration();
    if (ok) {
        frmJoy->Active = true;
    } else {
        frmJoy->Calibration = saved;
    }
}

// ---------------------------------------------------------------- Motor speeds

void Preferences::ApplyMotorSpeeds()
{
    if (!FRM_Pref)
        return;
    const TFRM_Pref& p = *FRM_Pref;
    const double east = double(p.TNI_Vitesse_Est->Value());
    const double west = double(p.TNI_Vitesse_Ouest->Value());
    if (!p.CKB_Correct_Sid->isChecked()) {
        MotorSpeeds.East = east;
        MotorSpeeds.West = west;
    } else if (!p.CKB_GOTO_InverseAD->isChecked()) {
        MotorSpeeds.East = east + kSiderealRate;
        MotorSpeeds.West = std::max(0.1, west - kSiderealRate);
    } else {
        MotorSpeeds.East = std::max(0.1, east - kSiderealRate);
        MotorSpeeds.West = west + kSiderealRate;
    }
    MotorSpeeds.North = double(p.TNI_Vitesse_Nord->Value());
    MotorSpeeds.South = double(p.TNI_Vitesse_Sud->Value());
    // A speed of 0 or below times no pulse and moves no estimate: the
    // slowest speed stands for it.
    for (double* v : {&MotorSpeeds.East, &MotorSpeeds.West, &MotorSpeeds.North, &MotorSpeeds.South})
        if (!(*v >= 0.1))
            *v = 0.1;
}

void TFRM_Pref::TNI_Vitesse_EstExit() { Preferences::ApplyMotorSpeeds(); }
void TFRM_Pref::TNI_Vitesse_OuestExit() { Preferences::ApplyMotorSpeeds(); }
void TFRM_Pref::TNI_Vitesse_NordExit() { Preferences::ApplyMotorSpeeds(); }
void TFRM_Pref::TNI_Vitesse_SudExit() { Preferences::ApplyMotorSpeeds(); }
void TFRM_Pref::CKB_Correct_SidClick() { Preferences::ApplyMotorSpeeds(); }

void TFRM_Pref::copyInversion(QCheckBox* box)
{
    Preferences::ApplyMotorSpeeds();
    for (QWidget* window : {static_cast<QWidget*>(FRM_Raquette), static_cast<QWidget*>(FRM_Tool_Suivi)})
        if (window)
            if (auto* twin = window->findChild<QCheckBox*>(box->objectName()))
                twin->setChecked(box->isChecked());
}

void TFRM_Pref::CKB_GOTO_InverseADClick() { copyInversion(CKB_GOTO_InverseAD); }
void TFRM_Pref::CKB_GOTO_InverseDECClick() { copyInversion(CKB_GOTO_InverseDEC); }
void TFRM_Pref::CKB_GUIDE_InverseADClick() { copyInversion(CKB_GUIDE_InverseAD); }
void TFRM_Pref::CKB_GUIDE_InverseDECClick() { copyInversion(CKB_GUIDE_InverseDEC); }
void TFRM_Pref::CKB_InverseAD_CarteClick() { copyInversion(CKB_InverseAD_Carte); }
void TFRM_Pref::CKB_InverseDEC_CarteClick() { copyInversion(CKB_InverseDEC_Carte); }

// ---------------------------------------------------------------- Speed profiles

void TFRM_Pref::CBX_Vitesse_MoteurChange()
{
    if (ProfileComboTouched) {
        ProfileComboTouched = false;
        Profiles::LoadProfile(Profiles::Kind::MotorSpeeds, CBX_Vitesse_Moteur->currentText());
    }
    CurrentSpeedProfileName = CBX_Vitesse_Moteur->currentText();
}

void TFRM_Pref::CBX_Vitesse_MoteurDropDown() { ProfileComboTouched = true; }

void TFRM_Pref::CBX_Vitesse_MoteurKeyDown(int key)
{
    if (key == Qt::Key_Up || key == Qt::Key_Down || key == 38 || key == 40)
        ProfileComboTouched = true;
}

// The other speed combos follow the name and load it, in this order: the
// goto dialog's, the mosaic planner's, the hand pad's.
void TFRM_Pref::CBX_Vitesse_MoteurExit()
{
    const QString name = CBX_Vitesse_Moteur->currentText();
    for (const char* window : {"FRM_ObjectAction", "FRM_Planificateur", "FRM_Raquette"}) {
        QWidget* w = Settings::FindWindow(QString::fromLatin1(window));
        auto* combo = w ? w->findChild<QComboBox*>(QStringLiteral("CBX_Vitesse_Moteur")) : nullptr;
        if (!combo)
            continue;
        // A name the other list lacks joins it, so its handler reads this name.
        int i = combo->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (i < 0 && !name.isEmpty()) {
            combo->addItem(name);
            i = combo->count() - 1;
        }
        combo->setCurrentIndex(i);
        if (combo->isEditable())
            combo->setEditText(name);
        // The goto dialog's handler is its own member, not a named one.
        if (!Settings::RunHandler(QString::fromLatin1(window) + QStringLiteral(".CBX_Vitesse_MoteurChange"))
            && w == FRM_ObjectAction)
            FRM_ObjectAction->CBX_Vitesse_MoteurChange();
    }
}

void TFRM_Pref::BTN_Nouveau_VitesseClick()
{
    const QString name = CBX_Vitesse_Moteur->currentText();
    if (Profiles::SaveProfile(Profiles::Kind::MotorSpeeds, name))
        CBX_Vitesse_Moteur->setCurrentIndex(Profiles::AddSorted(CBX_Vitesse_Moteur, name));
}

void TFRM_Pref::BTN_Enregistrer_VitesseClick()
{
    Profiles::SaveProfile(Profiles::Kind::MotorSpeeds, CBX_Vitesse_Moteur->currentText());
}

void TFRM_Pref::BTN_Enregistrer_AutoguidageClick() { BTN_Enregistrer_VitesseClick(); }

void TFRM_Pref::BTN_Sup_VitesseClick()
{
    const int position = CBX_Vitesse_Moteur->findText(CBX_Vitesse_Moteur->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (position < 0) {
        // A name not in the list: nothing to erase; the combo is cleared and
        // every default loaded.
        CBX_Vitesse_Moteur->setCurrentIndex(-1);
        CBX_Vitesse_Moteur->setEditText(QString());
        Profiles::LoadProfile(Profiles::Kind::MotorSpeeds, QString());
        CurrentSpeedProfileName.clear();
        return;
    }
    if (!Profiles::EraseProfile(Profiles::Prefix(Profiles::Kind::MotorSpeeds) + CBX_Vitesse_Moteur->itemText(position)))
        return;
    CBX_Vitesse_Moteur->removeItem(position);
    if (position < CBX_Vitesse_Moteur->count()) {
        // The entry that followed the erased one takes its place.
        CBX_Vitesse_Moteur->setCurrentIndex(position);
        const QString next = CBX_Vitesse_Moteur->itemText(position);
        Profiles::LoadProfile(Profiles::Kind::MotorSpeeds, next);
        CurrentSpeedProfileName = next;
    } else {
        // The last entry: none is chosen and nothing is loaded; the
        // controls keep the speeds in use.
        CBX_Vitesse_Moteur->setCurrentIndex(-1);
        CBX_Vitesse_Moteur->setEditText(QString());
        CurrentSpeedProfileName.clear();
    }
}

// Speed learning: the camera runs, tracking is on, the user is led through
// four steps by the assistant.
void TFRM_Pref::BTN_ApprendreClick()
{
    if (FRM_Alv) {
        if (auto* start = FRM_Alv->findChild<QAbstractButton*>(QStringLiteral("SPDB_Cam1_Start")); start && start->isEnabled())
            start->click();
    }
    if (FRM_Tool_Suivi) {
        if (!FRM_Tool_Suivi->CKB_Suivi->isChecked())
            FRM_Tool_Suivi->CKB_Suivi->setChecked(true);
        // Autoguiding off, as a click on "Suivi logiciel" leaves it: the
        // guide corrections would fight the learning moves. (Unchecking
        // "Autoguidage" alone changes nothing in an exclusive group.)
        if (FRM_Tool_Suivi->RDB_Autoguidage->isChecked())
            FRM_Tool_Suivi->RDB_Suivi_logiciel->setChecked(true);
        // Re-centring would send its corrections during the moves as well.
        FRM_Tool_Suivi->CKB_Recentrage->setChecked(false);
    }
    const QString steps[] = {TranslatedTexts.MSG_MES1, TranslatedTexts.MSG_MES2, TranslatedTexts.MSG_MES3,
                             TranslatedTexts.MSG_MES4};
    for (int i = 0; i < 4; ++i)
        Msg::ShowMessageText(i == 0, QString::number(i + 1) + QStringLiteral("- ") + steps[i]);
    if (FRM_Alv)
        FRM_Alv->ArmOperation(13, &TTranslatedTexts::MSG_Operation_Appr_Guidage);
}

// ---------------------------------------------------------------- Offsets, end of goto

void TFRM_Pref::BBTN_Fichier_DecalageClick()
{
    platform::FileDialogRequest request;
    request.title = TranslatedTexts.MSG_Titre_Fichier_Decalage;
    request.directory = platform::programDir();
    request.filter = TranslatedTexts.MSG_Filtre_Texte + QStringLiteral(" (*.txt);;") + Translation::AllFilesFilter();
    const std::optional<QString> chosen = platform::dialogs().openFile(request);
    if (!chosen)
        return;
    EDT_Fichier_Decalage->setText(*chosen);
    const bool loaded = Preferences::LoadGuideOffsetFile(*chosen);
    CKB_Fichier_decalage->setEnabled(loaded);
    CKB_Fichier_decalage->setChecked(loaded);
}

void TFRM_Pref::CKB_Fin_Goto_Jouer_un_sonClick()
{
    if (CKB_Fin_Goto_Jouer_un_son->isChecked() && !Preferences::DataFileExists(EDT_Fin_GOTO_Son_a_jouer->text()))
        CKB_Fin_Goto_Jouer_un_son->setChecked(false);
}

void TFRM_Pref::BTN_Fin_GOTO_ChargeSonClick()
{
    platform::FileDialogRequest request;
    request.title = TranslatedTexts.MSG_Titre_Son_A_Jouer;
    request.directory = SoundsFolder();
    request.filter = QStringLiteral("Son (*.wav)");
    if (const std::optional<QString> chosen = platform::dialogs().openFile(request)) {
        EDT_Fin_GOTO_Son_a_jouer->setText(*chosen);
        CKB_Fin_Goto_Jouer_un_sonClick();
    }
}

void TFRM_Pref::CKB_Fin_GOTO_ExecuteScriptClick()
{
    const QString text = EDT_Fin_GOTO_Script->text();
    const bool exists = Preferences::DataFileExists(text) || (!text.trimmed().isEmpty() && QFileInfo(ScriptsFolder() + platform::fromStoredPath(text)).isFile());
    if (CKB_Fin_GOTO_ExecuteScript->isChecked() && !exists)
        CKB_Fin_GOTO_ExecuteScript->setChecked(false);
}

void TFRM_Pref::BBTN_Fin_GOTO_ScriptClick()
{
    platform::FileDialogRequest request;
    request.title = TranslatedTexts.MSG_Titre_Script_Fin_Goto;
    request.directory = ScriptsFolder();
    request.filter = QStringLiteral("Scripts (*.script *.txt)");
    if (const std::optional<QString> chosen = platform::dialogs().openFile(request))
        EDT_Fin_GOTO_Script->setText(*chosen);
}

// ---------------------------------------------------------------- Other routines

std::function<bool()> Preferences::RunJoystickCalibration;

QString Preferences::DirectionName(bool vertical, bool positive)
{
    if (vertical)
        return positive ? TranslatedTexts.Txt_Lebas : TranslatedTexts.Txt_Lehaut;
    return positive ? TranslatedTexts.Txt_Est : TranslatedTexts.Txt_Ouest;
}
