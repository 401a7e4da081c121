#pragma once
// The main window. It finishes the start-up at its first activation (settings,
// translation, ports, script bar, bitmaps, plug-ins, codec choice, window
// layout, start-up script) and ends the program when it closes (captures
// stopped, plug-ins and ports released, settings saved).
//
// Its behaviour is split by concern: frm_alv.cpp (creation, lifecycle),
// capture/frm_alv_capture.cpp (camera-slot commands).

#include "app/form.h"
#include "ui_frm_alv.h"

#include <QTimer>
#include <functional>

class TFRM_Progress;

class TFRM_Alv : public TForm, public Ui::TFRM_Alv {
    Q_OBJECT
public:
    explicit TFRM_Alv(QWidget* parent = nullptr);
    ~TFRM_Alv() override;

    void FormCreate() override;
    void FormActivate() override;
    void FormCloseQuery(bool& canClose) override;
    void FormClose(TCloseAction& action) override;
    void FormDestroy();
    void FormResize();

    // Camera slots (capture services).
    void MNU_Cam1_ArreterClick();
    void MNU_Cam2_ArreterClick();
    void StopCaptureWindow(int slot);

    // Frame pipeline (imaging/frm_alv_frame_size.cpp, imaging/frm_alv_mouse.cpp).
    // Adapts the views and the zone controls to a slot's new frame size.
    void SetSourceDimensions(int slot);
    // Clicks on the source views; button 0 left, 1 right; shift is the
    // shift-state set (1 Shift, 2 Alt, 4 Ctrl, button bits 8, 16, 32).
    void Image1MouseUp(QObject* sender, int button, int shift, int x, int y);
    void Image2MouseUp(QObject* sender, int button, int shift, int x, int y);

    QTimer* Timer_Cam1 = nullptr;
    QTimer* Timer_Cam2 = nullptr;
    QTimer* TMR_Exposure = nullptr;
    QTimer* TMR_Exposure_Guide = nullptr;
    QTimer* TMR_Blink = nullptr;
    QTimer* TMR_Appr = nullptr;

    // Set once the first activation has run.
    bool FirstActivationDone = false;
    // One entry per custom-function script: caption, "|", file path; sorted.
    QStringList CustomFunctionList;
    // The extra progress window, created with the main window, freed at close.
    TFRM_Progress* ExtraProgress = nullptr;

    // Whether the application's message hook is installed.
    bool MessageHookInstalled() const;

    // Receives the name of each start-up and close step as it runs; tests
    // use it to check the order.
    std::function<void(const QString&)> StepObserver;
    void step(const QString& name) const
    {
        if (StepObserver)
            StepObserver(name);
    }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void RunFirstActivationSteps();
    void FinishStartup();
    void InstallMessageHook();
    void RemoveMessageHook();

    QObject* messageHook_ = nullptr;
    bool activating_ = false;
    bool destroyed_ = false;
};

extern TFRM_Alv* FRM_Alv;
