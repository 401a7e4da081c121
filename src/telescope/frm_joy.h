#pragma once
// Joystick calibration window. Start-up sets its folder to the program
// directory and loads the calibration from "Joystick.ini".

#include "app/form.h"
#include "ui_frm_joy.h"

#include <QTimer>
#include <QVector>
#include <array>
#include <cstdint>
#include <functional>

class TfrmJoy : public TForm, public Ui::TfrmJoy {
    Q_OBJECT
public:
    explicit TfrmJoy(QWidget* parent = nullptr);
    ~TfrmJoy() override;

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
    // keep their defaults, and so do values that do not fit in 16 bits. A
    // minimum above its maximum is kept: the mapping stays within 0..2.
    void LoadCalibration();
    void SetJoystickHandler(JoystickHandler handler) { handler_ = std::move(handler); }

    // One axis position (0..65535) as the handler gets it: 1.0 inside the
    // dead zone, 0..1 and 1..2 on either side; X and R increase with the
    // position, Y and Z decrease. Always within 0..2.
    static double MapAxis(int axis, std::uint16_t position, const AxisCalibration& c);

    // The Linux joystick device read (non-blocking js_event records; axes
    // 0..3 are X, Y, Z, R).
    QString DevicePath = QStringLiteral("/dev/input/js0");
    // Times the device was looked for (opened or not).
    int OpenAttempts = 0;
    static constexpr std::int64_t kReopenInterval_ms = 1000;
    // The 50 ms tick: reads what the stick sent, lets the full scales grow,
    // and calls the handler while one is installed and Active is set. A stick
    // that cannot be read (unplugged) hands the centre once, then nothing.
    // Nothing is read while the stick is off and the window is not shown;
    // an absent device is looked for at most once a second.
    void Timer1Timer();
    QTimer* Timer1 = nullptr;
    std::array<std::uint16_t, 4> Position{};
    std::uint32_t Buttons = 0;

    // Writes the twelve keys of section "Calibration" (dead zone of X, its
    // full scale, then Y, Z and R). False, the user told why, when the file
    // could not be written.
    bool SaveCalibration();

    // The calibration wizard. Step 0 waits for the first "Next"; the dead
    // zones grow around the centre while Step is 2.
    int Step = 0;
    // Reads the stick, lets the full scales (and in step 2 the dead zones)
    // grow, and shows positions, buttons and the out-of-centre boxes.
    void PollJoystick();
    void FormShow();
    void butNextClick();
    void butOKClick();      // saves and closes with OK
    void butCancelClick();  // closes without saving
    // Shows the wizard modally; true when it was closed with OK. The caller
    // keeps and restores the previous calibration.
    bool ShowModal();
    // Tests answer the modal wizard through this instead of an event loop.
    static void SetAnswerer(std::function<void(TfrmJoy&)> answerer);
    QVector<QWidget*> ButtonIndicators;

protected:
    void closeEvent(QCloseEvent* e) override;
    // While the wizard waits for its answer: Escape cancels, Enter presses
    // the button that has the keyboard.
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool readDevice();
    void endModal(bool ok);
    JoystickHandler handler_;
    class QEventLoop* loop_ = nullptr;
    bool modal_ = false;
    bool modalOk_ = false;
    bool lastReadOk_ = false;
    int fd_ = -1;
    std::int64_t lastOpenAttempt_ms_ = -1;
    QString lastOpenPath_;
    bool centreHanded_ = false;
};

extern TfrmJoy* frmJoy;
