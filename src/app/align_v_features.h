#pragma once
// Small routines of the main window that other windows and scripts call:
// the script runner by name, the tool windows it shows, the collimation aid,
// the image tool's check-box toggles, the hand pad's goto helpers and the
// saving of the displayed image.

#include <QString>
#include <functional>

namespace Align_V {

// Runs the script file whose path is the scripts folder followed directly
// by fileName: the script window names it, loads it on a new call level and
// runs it from its first line. False, without a message, when the file does
// not exist (the caller reports); false too when it cannot be read, told
// there, or with failure given written there for the caller to report.
bool RunScriptByName(const QString& fileName, QString* failure = nullptr);

// Brings the hand pad's goto controls in line with the chosen mount.
void UpdateHandPadControls();

// Windows the menus show: the script window, the sky chart (redrawn), the
// planner, the mini source, the full-screen view (the current slot's frame
// routine run once to fill it).
void ShowScriptWindow();
void ShowSkyChart();
void ShowPlanner();
void ShowSmallSource();
void ShowFullScreen();

// Arms the drift-star procedure for collimation: tracking on, frames
// chosen, the four steps in the message window, "Collimation" named as the
// operation and the execute and abort buttons enabled.
void StartCollimationAid();

// Check-box toggles of the image tool and the long-exposure window: each
// changes its box once and applies the new state. The Apply routines apply
// the box's current state (a user's click has already changed it).
void ToggleHoldspan();
void ApplyHoldspan();
void ToggleCurves();
void ApplyCurves();
void ToggleLuminance();
void ApplyLuminance();
void ToggleFilter();
void ApplyFilter();
void ToggleMosaic();

// The luminance weights of the image tool's pad position (x, y):
// red, green and blue.
struct LuminanceWeights {
    double red = 0, green = 0, blue = 0;
};
LuminanceWeights LuminanceWeightsAt(double x, double y);

// Catalogue look-ups and the spoken prompts, supplied by the windows that
// own them. A look-up gives right ascension and declination in radians, 99
// when not found; an empty look-up finds nothing.
struct THooks {
    std::function<void(const QString& name, double& ra, double& dec)> FindDeepSkyObject;
    std::function<void(const QString& name, double& ra, double& dec)> FindSaoStar;
    std::function<void(const QString& key, int wait_ms)> PlayVoicePrompt;
};
extern THooks Hooks;

inline constexpr double kNotFound = 99;

// The hand pad's goto of a catalogue object or of typed coordinates.
// started is true only when a goto was started.
void GotoObject(bool& started);
// Switches the hand pad between relative and absolute goto and gives the
// goto dialog the same mode.
void ToggleRelativeMode();

// Saves the picture of the main window's current page (source 1, source 2,
// result or mosaic) to path: JPEG for ".jpg" or ".jpeg" in any letter case,
// at the image tool's JPEG quality, BMP otherwise. An empty picture or a
// failed write is told once; false then, and no partial file is left.
bool SaveDisplayedImage(const QString& path);

} // namespace Align_V
