#pragma once
// The information window: the colour histogram of the current source frame
// with its scale and saturation threshold, the pixel under the pointer, and
// the count and share of pixels at the level pointed in the histogram.

#include "app/form.h"
#include "ui_frm_info.h"

class TFRM_Info : public TForm, public Ui::TFRM_Info {
    Q_OBJECT
public:
    explicit TFRM_Info(QWidget* parent = nullptr);

    // The counts of each channel at the level x (0..255) and their share
    // of the current frame's pixels (0 before any frame).
    void Img_HistogrammeMouseMove(int x);
    // The threshold read-out takes the bar's position, then the frame is drawn.
    void SCB_Seuil_SaturChange();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
};

extern TFRM_Info* FRM_Info;
