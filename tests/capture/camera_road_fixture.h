#pragma once
// The program's windows, activated in a temporary program directory, with a
// scripted driver dialog, fake camera families and copies of the test
// plug-ins; every camera slot and global is put back afterwards.

#include "kernels/raster.h"
#include "platform/camera_device.h"
#include "platform/port_access_sim.h"
#include "support/fakes.h"
#include "support/temp_program_dir.h"

#include <gtest/gtest.h>

#include <QLibrary>
#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <vector>

// A grab device that reports one format and delivers frames of another size.
class FakeGrabDevice final : public platform::CameraDevice {
public:
    FakeGrabDevice(platform::CameraFormat reported, int width, int height, std::uint8_t level = 40)
        : reported_(reported), width_(width), height_(height), level_(level)
    {
    }
    bool open() override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    platform::CameraFormat format() const override { return reported_; }
    bool setFormat(const platform::CameraFormat&) override { return false; }
    bool grabFrame(const FrameCallback& sink) override;
    bool startStream(FrameCallback, double) override { return false; }
    void stopStream() override {}

private:
    platform::CameraFormat reported_;
    int width_, height_;
    std::uint8_t level_;
    bool open_ = false;
};

// Writes the frames, all of one size, as an uncompressed film of 25 frames a
// second, as a user may have recorded one; the codec chosen before is kept.
// False when a frame could not be written.
bool writeFilm(const QString& path, const std::vector<kernels::Bitmap24>& frames);

class CameraRoad : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The next driver dialog picks `line` and confirms, or cancels for -1.
    // A dialog that never came is no longer waited for after the test.
    void answerDriverDialog(int line);
    // Whether the last driver dialog answered stood above the windows kept
    // on top (the chart, the tracking window), which would hide it.
    bool driverDialogOnTop = false;
    // Runs the slot's format menu, its format page choosing width x height.
    void chooseFormat(int slot, int width, int height);
    // Opens `menu` and clicks `item` in it with the mouse, as the user
    // chooses it. False when the click chose nothing (a disabled item: the
    // menu stayed open, and is closed).
    bool chooseMenuItem(QMenu* menu, QAction* item);
    // Copies the simulator plug-in the program ships into its Plugins folder
    // and scans it again.
    void useSimulatorPlugin();
    // Copies the test plug-ins into the program's Plugins folder and scans it again.
    void usePlugins(const QStringList& names);
    // A test entry point of a copied plug-in.
    QFunctionPointer pluginFunction(const QString& plugin, const char* name);
    QString messageText() const;
    // The script window's editor takes `text` and runs it from the start, as
    // its menu does; the statements run as the program's events come.
    void runScriptText(const QString& text);

    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    platform::SimulatedPortAccess ports;
    platform::CameraTable grab;
    platform::CameraTable stream;
    QPointer<QTimer> driverDialogPoll;   // the wait for the next driver dialog
};
