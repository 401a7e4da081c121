#pragma once

#include "app/form.h"
#include "ui_frm_tool_mesures.h"

#include "kernels/bitmap24.h"

#include <cstdint>

// The comparison picture laid on the reticle: the picture (black is
// transparent), its reference point in picture pixels, the object's image
// half size in frame pixels, and whether that size was found acceptable.
struct TOverlayPictureRecord {
    kernels::Bitmap24 Picture;
    std::int32_t CX = 0;
    std::int32_t CY = 0;
    std::int32_t HalfWidth = 0;
    std::int32_t HalfHeight = 0;
    std::uint8_t Valid = 0;
};

class TFRM_Tool_Mesures : public TForm, public Ui::TFRM_Tool_Mesures {
    Q_OBJECT
public:
    explicit TFRM_Tool_Mesures(QWidget* parent = nullptr);

    // Recomputes the surface measure (comes with the measurement tools).
    void BTN_Surface_CalculerClick() {}

    TOverlayPictureRecord OverlayPictureRecord;
};

extern TFRM_Tool_Mesures* FRM_Tool_Mesures;
