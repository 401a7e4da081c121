#include "app/frm_pref.h"

#include "app/controls/color_panel.h"

TFRM_Pref* FRM_Pref = nullptr;
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

TFRM_Pref::TFRM_Pref(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}

TFRM_Pref::~TFRM_Pref() = default;

void TFRM_Pref::FormCreate() {}
void TFRM_Pref::FormDestroy() {}
void TFRM_Pref::BTN_OKClick() {}
void TFRM_Pref::RDB_WM_BeginnerClick() {}
void TFRM_Pref::RDB_WM_ExpertClick() {}
void TFRM_Pref::RDB_Onglets_Menu_En_HautClick() {}
void TFRM_Pref::RDB_Onglets_Menu_En_BasClick() {}
void TFRM_Pref::BBTN_Repertoire_BitmapsClick() {}
void TFRM_Pref::BBTN_Repertoire_ScriptsClick() {}
void TFRM_Pref::BBTN_Repertoire_IconesClick() {}
void TFRM_Pref::BBTN_Repertoire_SonsClick() {}
void TFRM_Pref::BBTN_Repertoire_driversClick() {}
void TFRM_Pref::EDT_Repertoire_BitmapsChange() {}
void TFRM_Pref::EDT_Repertoire_ScriptsChange() {}
void TFRM_Pref::EDT_Repertoire_SonsChange() {}
void TFRM_Pref::CKB_Jouer_un_sonClick() {}
void TFRM_Pref::EDT_Son_a_jouerChange() {}
void TFRM_Pref::BTN_ChargeSonClick() {}
void TFRM_Pref::CBX_OptiqueChange() {}
void TFRM_Pref::CBX_OptiqueDropDown() {}
void TFRM_Pref::CBX_MontureChange() {}
void TFRM_Pref::CBX_MontureDropDown() {}
void TFRM_Pref::CBX_CameraChange() {}
void TFRM_Pref::CBX_CameraDropDown() {}
void TFRM_Pref::BTN_Nouveau_OptiqueClick() {}
void TFRM_Pref::BTN_Sup_OptiqueClick() {}
void TFRM_Pref::BTN_Enregistrer_OptiqueClick() {}
void TFRM_Pref::BTN_Nouveau_MontureClick() {}
void TFRM_Pref::BTN_Sup_MontureClick() {}
void TFRM_Pref::BTN_Enregistrer_MontureClick() {}
void TFRM_Pref::BTN_Nouveau_CameraClick() {}
void TFRM_Pref::BTN_Sup_CameraClick() {}
void TFRM_Pref::BTN_Enregistrer_CameraClick() {}
void TFRM_Pref::TNI_FocaleExit() {}
void TFRM_Pref::TNI_BarlowExit() {}
void TFRM_Pref::TNI_ReducteurExit() {}
void TFRM_Pref::TNI_Rayon_AzExit() {}
void TFRM_Pref::TNI_Rayon_AltExit() {}
void TFRM_Pref::TNI_Fil_AzExit() {}
void TFRM_Pref::TNI_Fil_AltExit() {}
void TFRM_Pref::TNI_Larg_PixExit() {}
void TFRM_Pref::TNI_Haut_PixExit() {}
void TFRM_Pref::TNI_NbPix_XExit() {}
void TFRM_Pref::TNI_NbPix_YExit() {}
void TFRM_Pref::CKB_BarlowClick() {}
void TFRM_Pref::CKB_ReducteurClick() {}
void TFRM_Pref::CKB_RenvoiCoudeClick() {}
void TFRM_Pref::BTN_Calculer_TaillePixClick() {}
void TFRM_Pref::CKB_VestaModClick() {}
void TFRM_Pref::RDB_RAWMode_1Click() {}
void TFRM_Pref::RDB_RAWMode_2Click() {}
void TFRM_Pref::RDB_RAWMode_3Click() {}
void TFRM_Pref::RDB_RAWMode_4Click() {}
void TFRM_Pref::RDB_QV_ParallelClick() {}
void TFRM_Pref::RDB_QV_SerialClick() {}
void TFRM_Pref::RDB_QV_USBClick() {}
void TFRM_Pref::CBX_Vesta_PortChange() {}
void TFRM_Pref::BTN_TestWriteClick() {}
void TFRM_Pref::BTN_TestPlusClick() {}
void TFRM_Pref::BTN_TestMoinsClick() {}
void TFRM_Pref::BTN_Start_PoseClick() {}
void TFRM_Pref::BTN_Stop_PoseClick() {}
void TFRM_Pref::CKB_LongueposePermanentClick() {}
void TFRM_Pref::RDB_VestaClick() {}
void TFRM_Pref::RDB_ToucamClick() {}
void TFRM_Pref::SCB_Finesse_SelectionChange() {}
void TFRM_Pref::SCB_Precision_MAPChange() {}
void TFRM_Pref::SCB_Sensibilite_MAPChange() {}
void TFRM_Pref::SPED_Nb_MesuresChange() {}
void TFRM_Pref::CBX_LangueChange() {}
void TFRM_Pref::CKB_DebugClick() {}
void TFRM_Pref::RDB_CarreClick() {}
void TFRM_Pref::RDB_CercleClick() {}
void TFRM_Pref::RDB_CroixClick() {}
void TFRM_Pref::RDB_PointClick() {}
void TFRM_Pref::PNL_Carte_Couleur_EtoileClick(TColorPanel* panel) {}
void TFRM_Pref::PNL_Color_ScrollbarClick(TColorPanel* panel) {}
void TFRM_Pref::CBX_NiteColorChange() {}
void TFRM_Pref::BTN_Nouveau_Couleur_NuitClick() {}
void TFRM_Pref::BTN_Sup_Couleur_NuitClick() {}
void TFRM_Pref::BTN_Enregistrer_Couleur_NuitClick() {}
void TFRM_Pref::BTN_GetFromWindowsClick() {}
void TFRM_Pref::CKB_Startup_ScriptClick() {}
void TFRM_Pref::EDT_Startup_ScriptChange() {}
void TFRM_Pref::BBTN_Startup_ScriptClick() {}
QString TFRM_Pref::BitmapsFolder() const { return {}; }
QString TFRM_Pref::ScriptsFolder() const { return {}; }
QString TFRM_Pref::IconsFolder() const { return {}; }
QString TFRM_Pref::FiltersFolder() const { return {}; }
QString TFRM_Pref::SoundsFolder() const { return {}; }
std::optional<std::uint16_t> TFRM_Pref::VestaPortAddress() const { return {}; }

namespace Preferences {
void ApplyLongExposureSettings() {}
QString DebugLogPath() { return {}; }
} // namespace Preferences
