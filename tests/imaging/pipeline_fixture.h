#pragma once
// The program's windows with the pipeline state at its start values, slot 1
// live with a 640 x 480 star field, the display zone computed, and a
// recorded message service, sound service and clock. No camera runs
// unless a test starts the built-in star-field camera: frames are processed
// only when a test asks.

#include "kernels/bitmap24.h"
#include "platform/camera_device.h"
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
    // Whether every pixel of the bitmap is black.
    static bool allBlack(const kernels::Bitmap24& b);
    // Whether the full-screen view, open, shows the result view stretched.
    static bool fullScreenShowsTheResult();
    // The main window's speed button the user sees: the expert bar's, or
    // its twin on the beginner bar.
    static QWidget* shownTwin(QWidget* expert, QWidget* beginner);
    // Starts the built-in star-field camera on slot 1 with the camera's
    // start button, its line chosen in the driver dialog. The camera is
    // stopped after the test.
    void startStarFieldCamera();
    // n frames of the started camera through the frame road (its frame timer).
    void cameraFrames(int n);
    // Camera 1's "Format" menu item, width x height chosen on the format page.
    static void chooseCameraFormat(int width, int height);
    // A stack of n camera frames as the user makes it: "Active" ticked on
    // the image tool's integration page, n images, "Demarrer"; the stack
    // ends by itself at the n-th frame.
    void stackCameraFrames(int n);

    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    testsupport::RecordingSoundService sounds;
    testsupport::FakeClock clock;
    platform::SimulatedPortAccess ports;
    QStringList reports;   // the event boundary's reports
    testsupport::StarField field{{.width = 640, .height = 480, .seed = 3, .stars = 50}};
    platform::CameraTable grabCameras;
};
