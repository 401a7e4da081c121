#pragma once
// The stream camera's control window: the video-amplifier properties and the
// camera's exposure, zoom, iris, focus, pan and tilt, with the ranges read
// from the device, every change sent at once. One window serves both slots
// (the last opener wins); the capture is looked up through the slot at every
// call, so a stopped slot receives nothing.

#include "app/form.h"
#include "ui_frm_wdm_control.h"

class TWDMCapture;

class TFRM_WDMControl : public TForm, public Ui::TFRM_WDMControl {
    Q_OBJECT
public:
    explicit TFRM_WDMControl(QWidget* parent = nullptr);

    // A row: scroll bar, value, min and max boxes, override box (null for
    // camera rows other than Exposure), the property number.
    struct Row {
        QScrollBar* bar;
        TNumInp *value, *min, *max;
        QCheckBox* override_;
        int property;
    };

    void ShowFor(int slot);
    void FillRows();
    int Slot() const { return slot_; }

    // A scroll sends the bar's new position, which the bar commits only after
    // the handler: rows 0..9 are Brightness..Gain; Exposure, Zoom, Iris, Focus.
    // Without a position the bar's current one is sent.
    void SCB_WDM_ProcAmpScroll(int row, int scrollPos);
    void SCB_WDM_CameraScroll(int row, int scrollPos);
    void SCB_WDM_ProcAmpScroll(int row);
    void SCB_WDM_CameraScroll(int row);
    void CPC_PanTiltXCoordChange();
    void CPC_PanTiltYCoordChange();
    void TNI_WDM_Min_ExposureExit();
    void TNI_WDM_Max_ExposureExit();
    void TNI_WDM_Min_BrightnessExit();
    void TNI_WDM_Max_BrightnessExit();
    void CKB_Override_ExposureClick();

    const std::vector<Row>& ProcAmpRows() const { return procAmp_; }
    const std::vector<Row>& CameraRows() const { return camera_; }

private:
    TWDMCapture* capture() const;
    void fillProcAmp(TWDMCapture* c, const Row& r);
    void fillCamera(TWDMCapture* c, const Row& r);
    void applyOverride(const Row& r);
    void fillPanTilt(TWDMCapture* c, bool pan);
    int slot_ = 0;
    std::vector<Row> procAmp_;
    std::vector<Row> camera_;   // Exposure, Zoom, Iris, Focus
};

extern TFRM_WDMControl* FRM_WDMControl;
