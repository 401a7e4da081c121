#pragma once
// The display tool window: the focusing aid and its FWHM log ("Mise au
// point", frm_tool_affichage_focus.cpp), the frame rates of both camera
// slots ("Rafraichissement"), the roles of the two sources and the layout of
// parallel capture ("Cameras"), and the display and detection zones
// ("Zones").

#include "app/form.h"
#include "ui_frm_tool_affichage.h"

#include "tools/util_affichage.h"

#include <cstdint>

class TFRM_Tool_Affichage : public TForm, public Ui::TFRM_Tool_Affichage {
    Q_OBJECT
public:
    explicit TFRM_Tool_Affichage(QWidget* parent = nullptr);
    ~TFRM_Tool_Affichage() override;

    // ---- "Mise au point"
    // The focusing aid on (statistics reset, tracking on for the FWHM
    // method, automatic selection off) or off (the log closed).
    void CKB_MAPClick();
    // Resets the history, the current measure and best and worst, while on.
    void BTN_Reset_MAPClick();
    void RDB_Methode_FWHMClick();
    void RDB_Methode_DCTClick();
    void CKB_FWHM_AutoClick();
    // The large read-out window shown or closed.
    void CKB_GROS_FWHMClick();
    void SPDB_Save_FWHMClick();
    // Starts the FWHM log when the box is checked and a file name is set,
    // stops it when unchecked; a log that cannot be created unchecks it.
    void CKB_Save_FWHMClick();

    // ---- "Rafraichissement"
    // Frame-rate choice of camera 1 / 2: "Auto" lets a stream or plug-in
    // slot run its frame tick on every announced frame (its timer off);
    // "Custom" takes the interval bar; a number f paces the slot's frame
    // timer at 1000 div f ms.
    void CBX_Cam1_IPSChange();
    void CBX_Cam2_IPSChange();
    void SCB_Cam1_Tps_RafraichissementChange();
    void SCB_Cam2_Tps_RafraichissementChange();
    void TNI_Cam1_Tps_RafraichissementKeyUp();
    void TNI_Cam2_Tps_RafraichissementKeyUp();

    // ---- "Cameras": the source the tools act on and the guided source,
    // each pair exclusive; the hidden camera choices; the result layouts.
    void CKB_Src1_ImageClick();
    void CKB_Src2_ImageClick();
    void CKB_Src1_AutoguidageClick();
    void CKB_Src2_AutoguidageClick();
    void RDB_Src1_Cam1Click();
    void RDB_Src1_Cam2Click();
    void RDB_Src2_Cam1Click();
    void RDB_Src2_Cam2Click();
    void CKB_DoubleEnregClick();
    void SPDB_Src1_Disposition1Click() { layoutClick(1, 1); }
    void SPDB_Src1_Disposition2Click() { layoutClick(1, 2); }
    void SPDB_Src1_Disposition3Click() { layoutClick(1, 3); }
    void SPDB_Src2_Disposition1Click() { layoutClick(2, 1); }
    void SPDB_Src2_Disposition2Click() { layoutClick(2, 2); }
    void SPDB_Src2_Disposition3Click() { layoutClick(2, 3); }
    // The measurement window's orientation bar changed: the reticle is redrawn.
    void SCB_OrientChange();

    // ---- "Zones"
    // Applies a display-zone width (scroll code 4: a position; 8: end of
    // scroll, which only gives the bar back the width shown): the height
    // follows the ratio, a binned slot halves the width, the sizes snap to
    // multiples of 4 when asked; then the result is sized and redrawn.
    void SCB_Taille_ZAffichScroll(QObject* sender, int scrollCode, int& scrollPos);
    void SCB_Taille_ZAffichVScroll(QObject* sender, int scrollCode, int& scrollPos);
    void TNI_Taille_ZAffichExit();
    // The detection zone, kept equal to the tracking window's.
    void SCB_Taille_ZDetectScroll(int scrollCode, int& scrollPos);
    void TNI_Taille_ZDetectExit();
    void RDB_Ratio_EcranClick();
    void RDB_Ratio_LibreClick();
    // Centring: the detection zone on the frame centre, the display zone on
    // the frame centre, the display zone back on the target.
    void BTN_Centrer_DetectClick();
    void BTN_Centrer_AffichClick();
    void BTN_Centrer_Affich_MireClick();

    // The rules of the zone size for the current slot.
    Util_Affichage::ZoneRules CurrentZoneRules() const;

private:
    void bindHandlers();
    void registerHandlers();
    void bindFocusHandlers();
    void layoutClick(int group, int button);
    void zoneTail();
    void redrawZoneOutlines();
    void sourceChoice(QCheckBox* box, QCheckBox* other, std::uint8_t& slotByte, std::uint8_t checkedSlot,
                      void (*followSlot)(std::uint8_t previous));
};

extern TFRM_Tool_Affichage* FRM_Tool_Affichage;

// The slot whose frames are tracked and guided (1 or 2).
extern std::uint8_t GuideSourceSlot;
