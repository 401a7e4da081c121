#pragma once
// Every window of the program created in a temporary program directory,
// with simulated ports and recorded message boxes; freed after the test.

#include "app/frm_alv.h"
#include "app/startup.h"
#include "platform/port_access.h"
#include "platform/port_access_sim.h"
#include "support/fakes.h"
#include "support/temp_program_dir.h"

#include <gtest/gtest.h>
#include <memory>

class ProgramWindows : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the first activation and records the step names.
    void activate();
    // The main window as the user meets it after start-up, without running
    // the start-up: texts at their defaults, window enabled, a large screen.
    void asStarted();

    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    platform::SimulatedPortAccess ports;
    QStringList steps;
};
