#pragma once

#include "app/form.h"
#include "ui_frm_tool_affichage.h"

#include <cstdint>
#include <memory>

class TLog;

class TFRM_Tool_Affichage : public TForm, public Ui::TFRM_Tool_Affichage {
    Q_OBJECT
public:
    explicit TFRM_Tool_Affichage(QWidget* parent = nullptr);

    // Starts the FWHM log when the box is checked and a file name is set,
    // stops it when unchecked.
    void CKB_Save_FWHMClick();

    // Applies a display-zone width (scroll code 4: a position; 8: end of
    // scroll, which only gives the bar back the width shown). The zone-size
    // rules of the "Zones" page come with its own handlers; this applies the
    // width and recomputes the zone.
    void SCB_Taille_ZAffichScroll(QObject* sender, int scrollCode, int& scrollPos);
    QString FWHMLogFileName;

    // Frame-rate choice of camera 1 / 2: "Auto" lets a stream or plug-in
    // slot run its frame tick on every announced frame (its timer off);
    // "Custom" takes the interval bar; a number f paces the slot's frame
    // timer at 1000 div f ms.
    void CBX_Cam1_IPSChange();
    void CBX_Cam2_IPSChange();
};

extern TFRM_Tool_Affichage* FRM_Tool_Affichage;

// The slot whose frames are tracked and guided (1 or 2).
extern std::uint8_t GuideSourceSlot;

// The FWHM log, open while CKB_Save_FWHM is on.
extern std::unique_ptr<TLog> FWHMLog;
