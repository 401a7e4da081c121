#pragma once
// Set-up shared by the autoguiding tests that run frames of a one-star sky
// through the frame pipeline: the sky, the guide camera's slot aimed at its
// star, and guide moves of exactly their length.

#include "support/star_field.h"

#include <QPoint>

class TFRM_Pref;

// A 320 x 240 sky with one star, well inside the frame.
testsupport::StarField guideStarSky();

// Slot 1 as the guide camera over field's frame, the frame pipeline's
// bitmaps and start values fresh and the pipeline running, the tracked star
// and the display zone on star.
void aimTheGuideCameraAt(const testsupport::StarField& field, QPoint star);

// Guide moves of exactly their length: no neutral zone, backlash or inertia.
void plainGuideMoves(TFRM_Pref& p);

// The guide camera aimed at the sky's star, guide moves of exactly their
// length, 2"/pixel, a correction with every frame, and tracking and
// autoguiding ticked in the tracking window with the mouse (called inside
// ASSERT_NO_FATAL_FAILURE).
void startAutoguidingOnTheStar(const testsupport::StarField& sky, TFRM_Pref& p);
