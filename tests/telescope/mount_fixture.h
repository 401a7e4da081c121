#pragma once
// The program's windows in a temporary program directory, with simulated
// ports, a fake clock, recorded message boxes and an LX200 mount simulated on
// a pseudo-terminal that the Preferences dialog's "      COM3" opens. Every
// wait of the program moves the fake clock and lets the mount answer.

#include "app/frm_pref.h"
#include "platform/clock.h"
#include "platform/port_access_sim.h"
#include "support/fakes.h"
#include "support/temp_program_dir.h"
#include "telescope/sim/simulated_lx200_mount.h"

#include <QStringList>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

class PumpingSleeper final : public platform::Sleeper {
public:
    PumpingSleeper(testsupport::FakeClock& clock, std::function<void()> pump);
    ~PumpingSleeper() override;
    bool sleepMs(std::int64_t duration_ms) override;
    std::vector<std::int64_t> waits;

private:
    testsupport::FakeClock& clock_;
    std::function<void()> pump_;
};

// A user's click, press or release on a control: its window is shown on the
// page and group that hold it, and the mouse acts at the control's centre (a
// disabled control takes no click). False, with a test failure, when the
// control is not on screen.
bool clickOnScreen(QWidget* control);
bool pressOnScreen(QWidget* control);
bool releaseOnScreen(QWidget* control);

// A script that waits for the mount (as its goto and move commands leave it),
// and whether it was resumed.
void startWaitingScript(bool& waitFlag);
bool scriptResumed();

class MountTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Interface choices of the Preferences dialog.
    void chooseMount(QRadioButton* mount);
    void chooseGuide(QRadioButton* guide);
    TFRM_Pref& pref() { return *FRM_Pref; }
    // Lets the mount conversation run (events processed, the simulated mount
    // pumped) until nothing is queued for the mount; false after timeout_ms
    // of real time.
    bool settle(int timeout_ms = 5000);
    // The simulated mount's library holding Messier 31 (NGC 224) alone, at
    // 0 h 42.7 m, +41 16', as the converted deep-sky catalogue has it.
    void libraryWithM31();
    // The reports that reached the message window.
    QStringList reports;

    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    testsupport::FakeClock clock;
    Telescope::SimulatedLx200Mount mount;
    PumpingSleeper sleeper{clock, [this] { mount.pump(); }};
    platform::SimulatedPortAccess ports;
};
