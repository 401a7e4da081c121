#pragma once
// The program's windows with the frame pipeline's bitmaps, slot 1 showing a
// 640 x 480 frame of one Gaussian star, and a guider plug-in as the guide
// interface that records every move and stop. Fake clock and sleeper.

#include "kernels/bitmap24.h"
#include "platform/port_access_sim.h"
#include "support/fakes.h"
#include "support/temp_program_dir.h"

#include <QStringList>
#include <gtest/gtest.h>

class TrackingTest : public ::testing::Test {
public:
    // The guider's calls since the last clear: "move d" and "stop d", with
    // d 0 North, 1 South, 2 East, 3 West.
    static QStringList& calls();

protected:
    void SetUp() override;
    void TearDown() override;

    // A frame of sky level 20 with a star of the given peak at (x, y) (a
    // dark spot on a bright sky with `dark`) into SlotBitmaps[1][0].
    void showStar(double x, double y, int peak = 200, bool dark = false);
    // One tracking step of the frame routine: the zone of size Z at
    // TrackedStarPos; returns its result byte.
    std::uint8_t step(int Z = 40);
    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    testsupport::RecordingSoundService sounds;
    testsupport::FakeClock clock;
    testsupport::FakeSleeper sleeper{&clock};
    platform::SimulatedPortAccess ports;
};
