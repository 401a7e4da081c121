#pragma once
// The program's windows with the pipeline state at its start values, slot 1
// live with a 640 x 480 star field, the display zone computed, and a
// recorded message service, sound service and clock. No camera runs:
// frames are processed only when a test asks.

#include "kernels/bitmap24.h"
#include "platform/port_access_sim.h"
#include "support/fakes.h"
#include "support/star_field.h"
#include "support/temp_program_dir.h"

#include <QStringList>
#include <gtest/gtest.h>

class PipelineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Copies a frame into SlotBitmaps[slot][0].
    void setFrame(const kernels::Bitmap24& frame, int slot = 1);
    // Runs the per-frame routine; returns Keep.
    std::uint8_t processFrame(std::uint8_t draw = 1, std::uint8_t slot = 1);
    // Gives the result view (and so the result) a size.
    void setResultSize(int width, int height);
    // Colour of a pixel of a bitmap, red in the low byte.
    static std::uint32_t at(const kernels::Bitmap24& b, int x, int y);

    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    testsupport::RecordingSoundService sounds;
    testsupport::FakeClock clock;
    platform::SimulatedPortAccess ports;
    QStringList reports;   // the event boundary's reports
    testsupport::StarField field{{.width = 640, .height = 480, .seed = 3, .stars = 50}};
};
