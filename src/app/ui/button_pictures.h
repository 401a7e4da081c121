#pragma once
// The pictures of the program's picture buttons, drawn here rather than read
// from files, each a shape that tells its command. They are drawn when shown,
// at the size asked, in the colours of the application's palette: the
// buttons' text colour, greyed on a disabled button, and a few colours of
// their own by day (run green, stop red, pause blue, record and night red,
// the open folder yellow). In night mode only the scheme's colours are used.
// A camera's buttons carry its number in their bottom right corner.
//
// A button that shows whether what it commands is on (stacking, the filter,
// guiding...) shows its picture lit while it is: the picture on a block of
// the highlight colour by day, and at night, where the highlight may be the
// button's own face colour, inverted (the face colour on a block of the
// scheme's text colour), so that the state reads at a glance either way.

#include <QIcon>

class QAbstractButton;

namespace app {

enum class ButtonPicture {
    // Scripts, operations and the sequencer.
    Stop, Run, Pause, Night, Record,
    // Files.
    OpenFile, OpenSequence, SaveFile, ScriptEditor,
    // A camera: its source, advanced controls, format and modes.
    CameraSource, CameraControls, CameraFormat, ImageMode, StreamMode, LongExposureMode,
    // The image tool's pages and the histogram.
    Thresholds, Selection, Integration, Filters, Histogram, Dark, Flat, Merlans,
    // The display tool, the small source and the full screen.
    RefreshRate, Zones, CameraRoles, SmallSource, FullScreen,
    // Measures, focus, guiding, motion, chart and planner.
    Reticle, Sampling, Distances, Declination, Focus, Autoguiding, MotionDetection, SkyChart, Planner,
};

// `camera` 1 or 2 marks the picture with that camera's number; `lit` draws
// it as the picture of a state that is on.
QIcon PictureOf(ButtonPicture picture, int camera = 0, bool lit = false);

// Gives `button` the picture (plain) as its own, which ShowOwnPicture shows
// again lit or plain whatever the button showed in between.
void SetPicture(QAbstractButton* button, ButtonPicture picture, int camera = 0);
// Shows the button's own picture, lit or plain; a button that has none
// shows no picture (its caption, if any).
void ShowOwnPicture(QAbstractButton* button, bool lit);

} // namespace app
