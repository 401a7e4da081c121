#include "telescope/frm_img_ref.h"

#include "app/ui/control_adapters.h"
#include "app/ui/long_timer.h"
#include "imaging/frame_helpers.h"

TFRM_ImgRef* FRM_ImgRef = nullptr;

TFRM_ImgRef::TFRM_ImgRef(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    CBX_Unite->setCurrentIndex(0);
    TMR_ImgRef = new app::TLongTimer(this);
    TMR_ImgRef->setObjectName(QStringLiteral("TMR_ImgRef"));
    TMR_ImgRef->setHandler([this] { TMR_ImgRefTimer(); });
    using W = TFRM_ImgRef;
    app::bindButtonClick(BTN_Def_ImgRef_Manuel, this, &W::BTN_Def_ImgRef_ManuelClick);
    app::bindComboChange(CBX_Unite, this, &W::CBX_UniteChange);
    app::bindCheckBoxClick(CKB_Def_ImgRef_Auto, this, &W::CKB_Def_ImgRef_AutoClick);
    app::bindButtonClick(BTN_Ok, this, &W::BTN_OkClick);
}

std::int64_t TFRM_ImgRef::UnitMs(int unitIndex)
{
    switch (unitIndex) {
    case 1:
        return 60'000;
    case 2:
        return 3'600'000;
    default:
        return 1000;
    }
}

void TFRM_ImgRef::BTN_Def_ImgRef_ManuelClick()
{
    Align_V::DefineMotionReference();
}

void TFRM_ImgRef::CBX_UniteChange()
{
    BTN_Def_ImgRef_ManuelClick();
}

void TFRM_ImgRef::CKB_Def_ImgRef_AutoClick()
{
    if (!CKB_Def_ImgRef_Auto->isChecked())
        TMR_ImgRef->setEnabled(false);
}

void TFRM_ImgRef::BTN_OkClick()
{
    if (CKB_Def_ImgRef_Auto->isChecked()) {
        const std::int64_t interval = std::int64_t(SPED_Definir_toutes_les->value()) * UnitMs(CBX_Unite->currentIndex());
        if (interval != 0) {
            TMR_ImgRef->setInterval(interval);
            TMR_ImgRef->setEnabled(true);
            BTN_Def_ImgRef_ManuelClick();
        }
    }
    close();
}

void TFRM_ImgRef::TMR_ImgRefTimer()
{
    BTN_Def_ImgRef_ManuelClick();
}
