#pragma once
// The motion-detection reference image: defined now, or again every period
// while the automatic box is checked.

#include "app/form.h"
#include "ui_frm_img_ref.h"

namespace app {
class TLongTimer;
}

class TFRM_ImgRef : public TForm, public Ui::TFRM_ImgRef {
    Q_OBJECT
public:
    explicit TFRM_ImgRef(QWidget* parent = nullptr);

    // The period of CBX_Unite's unit in milliseconds.
    static std::int64_t UnitMs(int unitIndex);

    // The period timer (a long timer: hours would overflow a Qt interval).
    app::TLongTimer* TMR_ImgRef = nullptr;

public slots:
    void BTN_Def_ImgRef_ManuelClick();
    void CBX_UniteChange();
    void CKB_Def_ImgRef_AutoClick();
    void BTN_OkClick();
    void TMR_ImgRefTimer();
};

extern TFRM_ImgRef* FRM_ImgRef;
