#pragma once
// The program block: process-wide formats, the program directory, the
// title and hint timing, and the windows created in their fixed order.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace Startup {

constexpr int kHintPause_ms = 0;
constexpr int kHintHidePause_ms = 5000;

// Global references of the windows, in their order of creation.
extern const QStringList kWindowNames;

// "Nightjar Pro 2.3".
QString ApplicationTitle();

// Numbers format and parse with "." whatever the user's locale.
void UseDotDecimalSeparator();
void InstallHintTiming();

// Steps 1 to 5 of the program block: "." separator, ProgramDir from the
// current directory, the message service with the application title,
// hint timing. Needs the QApplication.
void PrepareProcess();

// Creates every window in order, each stored in its global reference
// before its FormCreate runs; onCreated sees each one.
void CreateWindows(const std::function<void(QWidget*)>& onCreated = {});

// The joystick window reads its calibration from the program directory.
void LoadJoystickCalibration();

// Frees the windows, the last created first.
void DestroyWindows();

} // namespace Startup
