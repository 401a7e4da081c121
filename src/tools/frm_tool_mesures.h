#pragma once
// The measurement window: the image scale from the optics, distances
// between two marked points, the bright-object measure, the reticle with
// its comparison picture, and the star-declination read-out.

#include "app/form.h"
#include "ui_frm_tool_mesures.h"

#include "kernels/bitmap24.h"
#include "tools/util_mesure.h"

#include <cstdint>

// The comparison picture laid on the reticle: the picture (black is
// transparent), its physical size in metres, its reference point in picture
// pixels, the object's image half size in frame pixels, and whether that
// size was found acceptable (drawn only then).
struct TOverlayPictureRecord {
    kernels::Bitmap24 Picture;
    long double DX = 0;
    long double DY = 0;
    std::int32_t CX = 0;
    std::int32_t CY = 0;
    std::int32_t HalfWidth = 0;
    std::int32_t HalfHeight = 0;
    std::uint8_t Unit = 0;
    std::uint8_t Valid = 0;
};

class TFRM_Tool_Mesures : public TForm, public Ui::TFRM_Tool_Mesures {
    Q_OBJECT
public:
    explicit TFRM_Tool_Mesures(QWidget* parent = nullptr);
    ~TFRM_Tool_Mesures() override;

    // Optics: from the Preferences (copied, inputs disabled) or typed here.
    void RDB_PreferencesClick();
    void RDB_ManuelleClick();
    // The recomputation after any optics change: total focal length, image
    // scale and field, object distance, picture size check, reticle,
    // distance measure, sky chart.
    void TNI_FocaleExit();
    // The object distance (and its unit) changed.
    void TNI_DistObjetExit();

    // One bright-object measure on the image of the main window's page;
    // run on every frame while "Permanent" is checked.
    void BTN_Surface_CalculerClick();
    void SCB_Surface_Seuil_MiniScroll(int scrollCode, int& scrollPos);
    void SCB_Surface_Seuil_MaxiScroll(int scrollCode, int& scrollPos);

    // Redraws the reticle and the comparison picture when the guiding slot
    // is live.
    void CKB_ReticuleClick();
    void SCB_OrientScroll(int scrollCode, int& scrollPos);
    void BTN_Centrer_reticule_sur_mireClick();
    void BTN_Centrer_Reticule_sur_ecranClick();
    void BTN_Def_DeclinaisonClick();

    // Comparison picture: choose a ".ovl" file; switch the picture on or off.
    void BTN_Image_ComparativeClick();
    void CKB_Fichier_ComparaisonClick();

    TOverlayPictureRecord OverlayPictureRecord;

private:
    void bindHandlers();
    void registerHandlers();
    void redrawReticleLayer();
    void storeImageFit();
    void showDistanceMeasure() const;

    Util_Mesure::MeasureLineTable measureTable_;
};

extern TFRM_Tool_Mesures* FRM_Tool_Mesures;

namespace Util_Mesure {
// Recomputes the image scale and field for both camera slots, the guiding
// slot last: the window shows one scale, and the guide corrections read it,
// so it must be the guiding slot's even when the other slot's frame (or the
// last video width it falls back on) differs.
void UpdateImageScales();
} // namespace Util_Mesure
