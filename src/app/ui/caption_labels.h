#pragma once
// Caption labels a window's language-file keys name but its layout lacks:
// made in code beside the control they caption, or kept hidden when the
// window has no place for them.

#include <QString>

class QLabel;
class QWidget;

namespace app {

// A label named `name` showing `text`, put just before `control` in the
// layout that holds it (a grid cell becomes the label and the control side
// by side). Without a layout the label is a hidden child of the control's
// parent.
QLabel* AddCaptionBefore(QWidget* control, const char* name, const QString& text);

// A hidden label named `name` showing `text`, child of `window`.
QLabel* AddHiddenCaption(QWidget* window, const char* name, const QString& text);

} // namespace app
