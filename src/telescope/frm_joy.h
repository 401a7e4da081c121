#pragma once
// Joystick calibration window. Start-up sets its folder to the program
// directory and loads the calibration from "Joystick.ini".

#include "app/form.h"
#include "ui_frm_joy.h"

#include <array>
#include <cstdint>
#include <functional>

class TfrmJoy : public TForm, public Ui::TfrmJoy {
    Q_OBJECT
public:
    explicit TfrmJoy(QWidget* parent = nullptr);

    using JoystickHandler = std::function<void(std::uint16_t buttons, double x, double y, double z, double r)>;

    QString Folder;
    bool Active = false;

    // Dead zone (min, max) and full scale of X, Y, Z and R.
    struct AxisCalibration {
        std::uint16_t centreMin = 1;
        std::uint16_t centreMax = 2;
        std::uint16_t maxValue = 3;
    };
    std::array<AxisCalibration, 4> Calibration;

    // Reads section "Calibration" of Folder + "Joystick.ini"; missing keys
    // keep their defaults.
    void LoadCalibration();
    void SetJoystickHandler(JoystickHandler handler) { handler_ = std::move(handler); }

private:
    JoystickHandler handler_;
};

extern TfrmJoy* frmJoy;
