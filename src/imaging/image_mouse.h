#pragma once
// The distance measure between the two points set by Alt-clicks on the
// views (MeasurePoint and its previous value, MeasureDelta between them).

namespace Align_V {

// MeasuredAngle (seconds of arc, at the measurement window's image scale)
// and MeasuredSize (at the object's distance, in the distance's unit) from
// MeasureDelta, shown in the measurement window. The main window registers
// it as "Align_V.UpdateDistanceMeasure" for the windows that change the
// scale, the distance or the points.
void UpdateDistanceMeasure();

} // namespace Align_V
