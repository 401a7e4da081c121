#pragma once
// The program's windows with the image tool saving into a temporary folder:
// a 64 x 48 result view, a 37 x 23 gradient in plane 5 as the render pass
// wrote it, a fake clock, recorded boxes, sounds and dialogs, and a free-space
// query that answers what the test says.

#include "platform/port_access_sim.h"
#include "support/fakes.h"
#include "support/temp_program_dir.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

class ImageTool : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // "<dir>/" + name as the prefix (set as code does, no handler of the user).
    void setPrefix(const QString& name);
    void chooseType(const QString& itemText);
    // Names of the files in the temporary folder with this extension, sorted.
    QStringList files(const QString& extension) const;
    // Moves the fake clock and wakes the sequence timers.
    void advance(std::int64_t ms);
    // Frames kept by the frame loops.
    void frames(int count);
    // A script at level 0 that waits for the sequence, as image.sequence(startwait) leaves it.
    void waitingScript();
    bool scriptResumed() const;

    testsupport::TempProgramDir dir;
    testsupport::RecordingMessageService boxes;
    testsupport::RecordingSoundService sounds;
    testsupport::RecordingDialogService dialogs;
    testsupport::FakeClock clock;
    platform::SimulatedPortAccess ports;
    double freeBytes = 1e12;   // what the free-space query answers
};
