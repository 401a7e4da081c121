#include "capture/frm_wdm_control.h"

#include "app/systeme.h"
#include "app/ui/control_adapters.h"
#include "capture/camera_slots.h"
#include "capture/wdm_capture.h"

#include <QScrollBar>
#include <algorithm>

TFRM_WDMControl* FRM_WDMControl = nullptr;

TFRM_WDMControl::TFRM_WDMControl(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    procAmp_ = {
        {SCB_WDM_Brightness, TNI_WDM_Brightness, TNI_WDM_Min_Brightness, TNI_WDM_Max_Brightness, CKB_Override_Brightness, 0},
        {SCB_WDM_Contrast, TNI_WDM_Contrast, TNI_WDM_Min_Contrast, TNI_WDM_Max_Contrast, CKB_Override_Contrast, 1},
        {SCB_WDM_Hue, TNI_WDM_Hue, TNI_WDM_Min_Hue, TNI_WDM_Max_Hue, CKB_Override_Hue, 2},
        {SCB_WDM_Saturation, TNI_WDM_Saturation, TNI_WDM_Min_Saturation, TNI_WDM_Max_Saturation, CKB_Override_Saturation, 3},
        {SCB_WDM_Sharpness, TNI_WDM_Sharpness, TNI_WDM_Min_Sharpness, TNI_WDM_Max_Sharpness, CKB_Override_Sharpness, 4},
        {SCB_WDM_Gamma, TNI_WDM_Gamma, TNI_WDM_Min_Gamma, TNI_WDM_Max_Gamma, CKB_Override_Gamma, 5},
        {SCB_WDM_ColorEnable, TNI_WDM_ColorEnable, TNI_WDM_Min_ColorEnable, TNI_WDM_Max_ColorEnable, CKB_Override_ColorEnable, 6},
        {SCB_WDM_WhiteBalance, TNI_WDM_WhiteBalance, TNI_WDM_Min_WhiteBalance, TNI_WDM_Max_WhiteBalance,
         CKB_Override_WhiteBalance, 7},
        {SCB_WDM_BackLightCompensation, TNI_WDM_BackLightCompensation, TNI_WDM_Min_BackLightCompensation,
         TNI_WDM_Max_BackLightCompensation, CKB_Override_BacklightCompensation, 8},
        {SCB_WDM_Gain, TNI_WDM_Gain, TNI_WDM_Min_Gain, TNI_WDM_Max_Gain, CKB_Override_Gain, 9},
    };
    camera_ = {
        {SCB_WDM_Exposure, TNI_WDM_Exposure, TNI_WDM_Min_Exposure, TNI_WDM_Max_Exposure, CKB_Override_Exposure, 4},
        {SCB_WDM_Zoom, TNI_WDM_Zoom, TNI_WDM_Min_Zoom, TNI_WDM_Max_Zoom, nullptr, 3},
        {SCB_WDM_Iris, TNI_WDM_Iris, TNI_WDM_Min_Iris, TNI_WDM_Max_Iris, nullptr, 5},
        {SCB_WDM_Focus, TNI_WDM_Focus, TNI_WDM_Min_Focus, TNI_WDM_Max_Focus, nullptr, 6},
    };
    for (int i = 0; i < static_cast<int>(procAmp_.size()); ++i)
        app::bindScrollBarScroll(procAmp_[i].bar, [this, i](int, int& pos) { SCB_WDM_ProcAmpScroll(i, pos); }, this);
    for (int i = 0; i < static_cast<int>(camera_.size()); ++i)
        app::bindScrollBarScroll(camera_[i].bar, [this, i](int, int& pos) { SCB_WDM_CameraScroll(i, pos); }, this);
    CPC_PanTilt->OnXCoordChange = [this](TcpCoord*, int, int) { CPC_PanTiltXCoordChange(); };
    CPC_PanTilt->OnYCoordChange = [this](TcpCoord*, int, int) { CPC_PanTiltYCoordChange(); };
    app::bindNumInpExit(TNI_WDM_Min_Exposure, [this] { TNI_WDM_Min_ExposureExit(); }, this);
    app::bindNumInpExit(TNI_WDM_Max_Exposure, [this] { TNI_WDM_Max_ExposureExit(); }, this);
    app::bindNumInpExit(TNI_WDM_Min_Brightness, [this] { TNI_WDM_Min_BrightnessExit(); }, this);
    app::bindNumInpExit(TNI_WDM_Max_Brightness, [this] { TNI_WDM_Max_BrightnessExit(); }, this);
    app::bindCheckBoxClick(CKB_Override_Exposure, [this] { CKB_Override_ExposureClick(); }, this);
}

TWDMCapture* TFRM_WDMControl::capture() const
{
    if (slot_ != 1 && slot_ != 2)
        return nullptr;
    TWDMCapture* c = WdmCaptures[slot_].get();
    return c && c->Running() ? c : nullptr;
}

void TFRM_WDMControl::ShowFor(int slot)
{
    slot_ = slot;
    FillRows();
    Systeme::ShowFormOnScreen(this);
}

static std::int32_t trunc32(long double v)
{
    return static_cast<std::int32_t>(std::clamp<long double>(v, INT32_MIN, INT32_MAX));
}

static void setBar(QScrollBar* bar, std::int32_t min, std::int32_t max, std::int32_t position, std::int32_t page)
{
    const QSignalBlocker quiet(bar);
    bar->setMaximum(max);
    bar->setMinimum(min);
    bar->setValue(position);
    bar->setPageStep(page);
}

void TFRM_WDMControl::fillProcAmp(TWDMCapture* c, const Row& r)
{
    std::int32_t min = trunc32(r.min->Value()), max = trunc32(r.max->Value()), value = trunc32(r.value->Value());
    std::int32_t flags = 0, step = 0;
    if (c)
        c->GetVideoProcs(r.property, min, value, flags, step, max);
    r.min->SetValue(min);
    r.max->SetValue(max);
    r.value->SetValue(value);
    const bool none = r.min->Value() == 0 && r.max->Value() == 0;
    for (QWidget* w : {static_cast<QWidget*>(r.min), static_cast<QWidget*>(r.max), static_cast<QWidget*>(r.value),
                       static_cast<QWidget*>(r.bar)})
        w->setEnabled(!none);
    if (!none)
        setBar(r.bar, min, max, value, std::max(1, (max - min) / 32));
}

void TFRM_WDMControl::applyOverride(const Row& r)
{
    if (r.override_ && r.override_->isChecked())
        for (QWidget* w : {static_cast<QWidget*>(r.bar), static_cast<QWidget*>(r.min), static_cast<QWidget*>(r.max)})
            w->setEnabled(true);
}

void TFRM_WDMControl::fillCamera(TWDMCapture* c, const Row& r)
{
    std::int32_t min = trunc32(r.min->Value()), max = trunc32(r.max->Value()), flags = 0, step = 0;
    if (c)
        c->GetCameracaps(r.property, min, flags, step, max);
    r.min->SetValue(min);
    r.max->SetValue(max);
    const std::int32_t value = trunc32(r.value->Value());   // the value last shown, not the device's
    r.value->SetValue(r.value->Value());
    const bool none = min == 0 && max == 0;
    for (QWidget* w : {static_cast<QWidget*>(r.min), static_cast<QWidget*>(r.max), static_cast<QWidget*>(r.value),
                       static_cast<QWidget*>(r.bar)})
        w->setEnabled(!none);
    if (!none)
        setBar(r.bar, min, max, value, (max - min) / 32);
}

void TFRM_WDMControl::fillPanTilt(TWDMCapture* c, bool pan)
{
    TNumInp* minBox = pan ? TNI_WDM_Min_Pan : TNI_WDM_Min_Tilt;
    TNumInp* maxBox = pan ? TNI_WDM_Max_Pan : TNI_WDM_Max_Tilt;
    TNumInp* valueBox = pan ? TNI_WDM_Pan : TNI_WDM_Tilt;
    std::int32_t min = trunc32(minBox->Value()), max = trunc32(maxBox->Value()), flags = 0, step = 0;
    if (c)
        c->GetCameracaps(pan ? 0 : 1, min, flags, step, max);
    minBox->SetValue(min);
    maxBox->SetValue(max);
    const bool none = min == 0 && max == 0;
    for (QWidget* w : {static_cast<QWidget*>(minBox), static_cast<QWidget*>(maxBox), static_cast<QWidget*>(valueBox),
                       static_cast<QWidget*>(CPC_PanTilt)})
        w->setEnabled(!none);
    if (none)
        return;
    if (pan) {
        CPC_PanTilt->SetXmax(max);
        CPC_PanTilt->SetXmin(min);
        CPC_PanTilt->SetXCoordinate(trunc32(valueBox->Value()));
    } else {
        CPC_PanTilt->SetYmax(max);
        CPC_PanTilt->SetYmin(min);
        CPC_PanTilt->SetYCoordinate(trunc32(valueBox->Value()));
    }
    // Centred 175 pixels from the left edge once its ranges have sized it,
    // but never pushed out of the window. The window's own width: the pad's
    // parent, the client area, has none of its own before the first show.
    const int windowWidth = width() - centralWidget()->mapTo(this, QPoint(0, 0)).x();
    const int left = std::min(175 - CPC_PanTilt->width() / 2, windowWidth - CPC_PanTilt->width());
    CPC_PanTilt->move(std::max(0, left), CPC_PanTilt->y());
}

void TFRM_WDMControl::FillRows()
{
    TWDMCapture* c = capture();
    for (const Row& r : procAmp_) {
        fillProcAmp(c, r);
        applyOverride(r);
    }
    fillCamera(c, camera_[0]);
    applyOverride(camera_[0]);
    for (std::size_t i = 1; i < camera_.size(); ++i)
        fillCamera(c, camera_[i]);
    fillPanTilt(c, true);
    fillPanTilt(c, false);
}

void TFRM_WDMControl::SCB_WDM_ProcAmpScroll(int row, int scrollPos)
{
    const Row& r = procAmp_.at(row);
    r.value->SetValue(scrollPos);
    if (TWDMCapture* c = capture())
        c->SetVideoProcs(r.property, trunc32(r.value->Value()));
}

void TFRM_WDMControl::SCB_WDM_CameraScroll(int row, int scrollPos)
{
    const Row& r = camera_.at(row);
    r.value->SetValue(scrollPos);
    if (TWDMCapture* c = capture())
        c->SetCameraCaps(r.property, trunc32(r.value->Value()));
}

void TFRM_WDMControl::SCB_WDM_ProcAmpScroll(int row) { SCB_WDM_ProcAmpScroll(row, procAmp_.at(row).bar->value()); }

void TFRM_WDMControl::SCB_WDM_CameraScroll(int row) { SCB_WDM_CameraScroll(row, camera_.at(row).bar->value()); }

void TFRM_WDMControl::CPC_PanTiltXCoordChange()
{
    TNI_WDM_Pan->SetValue(CPC_PanTilt->XCoordinate());
    if (TWDMCapture* c = capture())
        c->SetCameraCaps(0, trunc32(TNI_WDM_Pan->Value()));
}

void TFRM_WDMControl::CPC_PanTiltYCoordChange()
{
    TNI_WDM_Tilt->SetValue(CPC_PanTilt->YCoordinate());
    if (TWDMCapture* c = capture())
        c->SetCameraCaps(1, trunc32(TNI_WDM_Tilt->Value()));
}

void TFRM_WDMControl::TNI_WDM_Min_ExposureExit()
{
    SCB_WDM_Exposure->setMinimum(trunc32(TNI_WDM_Min_Exposure->Value()));
}

void TFRM_WDMControl::TNI_WDM_Max_ExposureExit()
{
    SCB_WDM_Exposure->setMaximum(trunc32(TNI_WDM_Max_Exposure->Value()));
}

void TFRM_WDMControl::TNI_WDM_Min_BrightnessExit()
{
    SCB_WDM_Brightness->setMinimum(trunc32(TNI_WDM_Min_Brightness->Value()));
}

void TFRM_WDMControl::TNI_WDM_Max_BrightnessExit()
{
    SCB_WDM_Brightness->setMaximum(trunc32(TNI_WDM_Max_Brightness->Value()));
}

void TFRM_WDMControl::CKB_Override_ExposureClick()
{
    if (!CKB_Override_Exposure->isChecked())
        return;
    for (QWidget* w : {static_cast<QWidget*>(SCB_WDM_Exposure), static_cast<QWidget*>(TNI_WDM_Min_Exposure),
                       static_cast<QWidget*>(TNI_WDM_Max_Exposure)})
        w->setEnabled(true);
}

namespace WDMControl {

void ShowWDMControl(int slot)
{
    if (FRM_WDMControl)
        FRM_WDMControl->ShowFor(slot);
}

} // namespace WDMControl
