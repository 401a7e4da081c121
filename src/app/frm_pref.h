#pragma once
// The Preferences dialog. It holds every setting of the program in its
// controls: other windows read a setting from the control itself
// (FRM_Pref->CKB_Carte_Etoiles->isChecked()), and the settings store copies
// the controls from and to the settings file. Its handlers are public and
// named after the control and the event, so the settings store, scripts and
// other windows can run them as a user's action would.
//
// Folder edits hold the folder as the user typed or stored it ("\" or "/");
// read a folder through the Folder() accessors, which give the local form
// with one trailing separator and the default when the edit is empty.

#include "app/form.h"
#include "app/log.h"
#include "app/path_dialog.h"
#include "telescope/prg_suivi.h"
#include "ui_frm_pref.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class TColorPanel;
class QTimer;
class QCheckBox;

class TFRM_Pref : public TForm, public Ui::TFRM_Pref {
    Q_OBJECT
public:
    explicit TFRM_Pref(QWidget* parent = nullptr);
    ~TFRM_Pref() override;

    void FormCreate() override;
    void FormDestroy();

    // OK: applies the long-exposure settings, redraws the sky chart when
    // the chart page is showing, saves the settings and hides the window.
    void BTN_OKClick();

    // General page.
    void RDB_WM_BeginnerClick();
    void RDB_WM_ExpertClick();
    void RDB_Onglets_Menu_En_HautClick();
    void RDB_Onglets_Menu_En_BasClick();

    // Folders and disk.
    void BBTN_Repertoire_BitmapsClick();
    void BBTN_Repertoire_ScriptsClick();
    void BBTN_Repertoire_IconesClick();   // also the filters' button
    void BBTN_Repertoire_SonsClick();
    void BBTN_Repertoire_driversClick();
    // Run when editing of a folder edit finishes (and by the settings store
    // after loading): an empty edit gets its default folder, and the folder
    // gets one trailing separator.
    void EDT_Repertoire_BitmapsChange();   // also the drivers' and filters' edits
    void EDT_Repertoire_ScriptsChange();
    void EDT_Repertoire_SonsChange();
    void CKB_Jouer_un_sonClick();
    void EDT_Son_a_jouerChange();
    void BTN_ChargeSonClick();

    // Equipment profiles.
    void CBX_OptiqueChange();
    void CBX_OptiqueDropDown();
    void CBX_MontureChange();
    void CBX_MontureDropDown();
    void CBX_CameraChange();
    void CBX_CameraDropDown();
    void BTN_Nouveau_OptiqueClick();
    void BTN_Sup_OptiqueClick();
    void BTN_Enregistrer_OptiqueClick();
    void BTN_Nouveau_MontureClick();
    void BTN_Sup_MontureClick();
    void BTN_Enregistrer_MontureClick();
    void BTN_Nouveau_CameraClick();
    void BTN_Sup_CameraClick();
    void BTN_Enregistrer_CameraClick();
    void TNI_FocaleExit();   // also TNI_Barlow and TNI_Reducteur
    void TNI_BarlowExit();
    void TNI_ReducteurExit();
    void TNI_Rayon_AzExit();   // also the other three mount inputs
    void TNI_Rayon_AltExit();
    void TNI_Fil_AzExit();
    void TNI_Fil_AltExit();
    void TNI_Larg_PixExit();   // also the other three camera inputs
    void TNI_Haut_PixExit();
    void TNI_NbPix_XExit();
    void TNI_NbPix_YExit();

    // Optics and camera.
    void CKB_BarlowClick();
    void CKB_ReducteurClick();
    void CKB_RenvoiCoudeClick();
    void BTN_Calculer_TaillePixClick();
    void CKB_VestaModClick();
    void RDB_RAWMode_1Click();
    void RDB_RAWMode_2Click();
    void RDB_RAWMode_3Click();
    void RDB_RAWMode_4Click();

    // Long exposures.
    void RDB_QV_ParallelClick();
    void RDB_QV_SerialClick();
    void RDB_QV_USBClick();
    void CBX_Vesta_PortChange();
    void BTN_TestWriteClick();
    void BTN_TestPlusClick();
    void BTN_TestMoinsClick();
    void BTN_Start_PoseClick();
    void BTN_Stop_PoseClick();
    void CKB_LongueposePermanentClick();
    void RDB_VestaClick();
    void RDB_ToucamClick();

    // Image selection and focusing.
    void SCB_Finesse_SelectionChange();
    void SCB_Precision_MAPChange();
    void SCB_Sensibilite_MAPChange();
    void SPED_Nb_MesuresChange();

    // Language, debug log, reticle.
    void CBX_LangueChange();
    void CKB_DebugClick();
    void RDB_CarreClick();
    void RDB_CercleClick();
    void RDB_CroixClick();
    void RDB_PointClick();

    // Colour panels: the chart panels share the first handler, the night
    // colour panels the second; the panel clicked is passed.
    void PNL_Carte_Couleur_EtoileClick(TColorPanel* panel);
    void PNL_Color_ScrollbarClick(TColorPanel* panel);

    // Night colours.
    void CBX_NiteColorChange();
    void BTN_Nouveau_Couleur_NuitClick();
    void BTN_Sup_Couleur_NuitClick();
    void BTN_Enregistrer_Couleur_NuitClick();
    void BTN_GetFromWindowsClick();

    // Start-up script.
    void CKB_Startup_ScriptClick();
    void EDT_Startup_ScriptChange();
    void BBTN_Startup_ScriptClick();

public Q_SLOTS:
    // ---- Telescope control (frm_pref_telescope.cpp). Slots, so other
    // windows and scripts can run each one by name ("FRM_Pref.BTN_Mount_StopClick").
    // Interface choices. The mount page's radio buttons share the guide
    // page's handlers; all but the focuser ones end the ASCOM bridge once no
    // interface is left on ASCOM.
    void RDB_Autoguide_AucunClick();
    void RDB_Autoguide_LX200Click();
    void RDB_Autoguide_MarrickClick();
    void RDB_Autoguide_QuillonClick();
    void RDB_Autoguide_VennerClick();
    void RDB_Mount_VennerClick();
    void RDB_Autoguide_KitsRus108Click();
    void RDB_Autoguide_PluginClick();
    void RDB_Mount_PluginClick();
    // Starts the bridge when none runs (all three ASCOM buttons).
    void RDB_Focus_ASCOMClick();
    void RDB_Focus_LX200Click();
    void RDB_Focus_VennerClick();
    void RDB_Focus_QuillonClick();
    void RDB_Focus_AucunClick();

    // Connection and test buttons. A press of N, S, E, O starts a move held
    // until its release, which stops exactly that move.
    void BTN_Mount_ConnecterClick();
    void BTN_Autoguide_ConnecterClick();
    void BTN_Mount_DeconnecterClick();
    void BTN_Autoguide_DeconnecterClick();
    void BTN_Mount_NordMouseDown();
    void BTN_Mount_SudMouseDown();
    void BTN_Mount_EstMouseDown();
    void BTN_Mount_OuestMouseDown();
    void BTN_Autoguide_NordMouseDown();
    void BTN_Autoguide_SudMouseDown();
    void BTN_Autoguide_EstMouseDown();
    void BTN_Autoguide_OuestMouseDown();
    void BTN_Mount_NordMouseUp();   // every direction button's release
    void BTN_Mount_StopClick();
    void BTN_Focus_ConnecterClick();
    void BTN_Focus_DeconnecterClick();
    void BTN_InMouseDown();
    void BTN_OutMouseDown();
    void BTN_InMouseUp();           // also BTN_Out's
    // The driver chooser: its answer is applied when it comes; a cancel
    // changes nothing.
    void BTN_ChooseClick();
    void BTN_ASCOM_ConfigurerClick();
    void IMG_ASCOMClick();
    void CKB_Historique_CommClick();
    void CKB_Affiche_EtenduClick();
    void BTN_Choix_RelaisClick();
    void BTN_Interface_SetupClick();
    void CBX_AG_PariteChange();
    void BTN_Calibrate_JoystickClick();

    // Motor speeds and their profiles.
    void TNI_Vitesse_EstExit();     // the four speed inputs
    void TNI_Vitesse_OuestExit();
    void TNI_Vitesse_NordExit();
    void TNI_Vitesse_SudExit();
    void CKB_Correct_SidClick();
    void CKB_GOTO_InverseADClick();
    void CKB_GOTO_InverseDECClick();
    void CKB_GUIDE_InverseADClick();
    void CKB_GUIDE_InverseDECClick();
    void CKB_InverseAD_CarteClick();
    void CKB_InverseDEC_CarteClick();
    void CBX_Vitesse_MoteurChange();
    void CBX_Vitesse_MoteurDropDown();
    void CBX_Vitesse_MoteurKeyDown(int key);
    void CBX_Vitesse_MoteurExit();
    void BTN_Nouveau_VitesseClick();
    void BTN_Sup_VitesseClick();
    void BTN_Enregistrer_VitesseClick();
    void BTN_Enregistrer_AutoguidageClick();
    void BTN_ApprendreClick();

    // Guiding offset file and end of goto.
    void BBTN_Fichier_DecalageClick();
    void CKB_Fin_Goto_Jouer_un_sonClick();   // also EDT_Fin_GOTO_Son_a_jouer's change
    void BTN_Fin_GOTO_ChargeSonClick();
    void CKB_Fin_GOTO_ExecuteScriptClick();  // also EDT_Fin_GOTO_Script's change
    void BBTN_Fin_GOTO_ScriptClick();

public:

    // The folders of the folder edits, local form, one trailing "/"; the
    // default under ProgramDir when the edit is empty.
    QString BitmapsFolder() const;
    QString ScriptsFolder() const;
    QString IconsFolder() const;
    QString FiltersFolder() const;
    QString SoundsFolder() const;
    // The start-up script's file: a stored name is taken in the scripts
    // folder, a full path where it points; empty for an empty name.
    QString StartupScriptPath() const;

    // The port address of CBX_Vesta_Port's text: the hexadecimal number at
    // its start ("$0378 (LPT1)" gives 0x378); none when the text does not
    // start with one.
    std::optional<std::uint16_t> VestaPortAddress() const;

    // The folder dialog of the folder buttons and its title.
    TPathDialog PTD_Repertoire;

protected:
    // Every port write of the test buttons goes through here, with its
    // traffic label.
    virtual bool WritePort(std::uint16_t port, std::uint8_t value, const QString& label);

protected:
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addCaptionControls();
    void bindHandlers();
    void bindTelescopeHandlers();
    void arrangeInterfaceGroups();
    void pressDirection(std::uint8_t direction, std::uint8_t source);
    void releaseDirection();
    void copyInversion(QCheckBox* box);
    void fillFocuserPorts(bool parallel);
    void pollChooser();
    // The move a direction button holds, the focuser direction held (-1
    // none), and the chooser poll.
    Prg_Suivi::THeldMove held_;
    int focuserHeld_ = -1;
    QTimer* chooserPoll_ = nullptr;
    int chooserTicks_ = 0;
    bool writeTestByte(std::uint8_t value, const QString& label);
    // WritePort, telling the user when the port could not be written.
    bool writePortOrTell(std::uint16_t port, std::uint8_t value, const QString& label);
    std::uint8_t lineLevelsByte(bool active) const;
    void browseFolder(QLineEdit* edit, const QString& defaultName);
    void normaliseFolderEdit(QLineEdit* edit, const QString& defaultName);
    void rebaseImageName();
    void chooseColor(TColorPanel* panel);
    void opticsChanged(bool redrawChart);
    void cameraChanged();
};

extern TFRM_Pref* FRM_Pref;

// Values the dialog's handlers keep besides the controls.
extern std::uint8_t ReticleFrameShape;    // RDB_Carre 0, RDB_Cercle 1
extern std::uint8_t ReticleCentreShape;   // RDB_Croix 0, RDB_Point 1
extern std::uint8_t RawBayerMode;         // 1 GR, 2 RG, 3 BG, 4 GB
extern long double FocusTolerance;        // (1000 - SCB_Precision_MAP) / 1000
extern long double FocusSensitivity;      // (1000 - SCB_Sensibilite_MAP) / 1000
extern std::uint8_t LongExposureTestByte; // last pattern the test buttons wrote
// Set by opening a profile combo's list (or the arrow keys of the speed
// combo): the next change of a profile combo loads the profile named.
extern bool ProfileComboTouched;
// The open "Debug.log" of the program directory; null while debugging is off.
extern std::unique_ptr<TLog> DebugLog;
// The remembered item indexes of CBX_Vesta_Port in the parallel and the
// serial port lists (settings Exposure/Vesta_Port and Vesta_Port_RS232).
extern std::int32_t VestaPortIndex;
extern std::int32_t VestaSerialPortIndex;
// The focus measurements averaged by the focusing aid (cleared when the
// number of measurements changes).
extern std::uint8_t FocusMeasureBuffer[510];

namespace Preferences {

// A file named in an edit exists; relative names are taken in the program
// directory.
bool DataFileExists(const QString& text);

// The motor speeds from the speed inputs, the sidereal correction and the
// goto Right Ascension inversion (seconds of arc per second).
void ApplyMotorSpeeds();
inline constexpr double kSiderealRate = 15.041017;
// The translated word for a drift direction: vertical axis "le bas" when
// positive, else "le haut"; horizontal "Est" when positive, else "Ouest".
QString DirectionName(bool vertical, bool positive);
// Shows the joystick calibration modally; true for OK. Installed by the
// joystick window; while none is, the calibration counts as cancelled.
extern std::function<bool()> RunJoystickCalibration;

// Fills LongExposureParams from the long-exposure controls.
void ApplyLongExposureSettings();

// "Debug.log" in the program directory.
QString DebugLogPath();

} // namespace Preferences
