#pragma once
// The correlation method of the tracking step: a reference picture of the
// detection zone is taken once, and each frame a square spiral of candidate
// positions around the zone centre is compared with it until one correlates
// above 0.975 (or the spiral's last leg, of length 14, is done).
//
// Both pictures are compared on a sampling grid: every step-th row and
// column of the reference, step = trunc(sqrt(reference width)) div P + 1
// for the precision P (1..10). The channel value of a pixel is B + G + R,
// or three times one of R, G, B.

#include "kernels/bitmap24.h"
#include "kernels/guide_measure.h"

#include <cstdint>
#include <vector>

namespace kernels::guide {

enum class Channel { RGB = 0, R = 1, G = 2, B = 3 };

// What ZoneCorrelation answers when it cannot compare (a flat picture,
// pictures of different sizes): such a value is never taken.
inline constexpr double kNoCorrelation = 99999999.0;

struct ZoneReference {
    Bitmap24 bitmap;          // W x H picture of the zone
    double mean = 0;          // mean channel value over the grid
    double sumSq = 0;         // sum of squared deviations over the grid (not divided)
};

// Spacing of the sampling grid of a reference `width` pixels wide.
int gridStep(int width, int precision);

// Takes the reference: the rectangle (x - w div 2, y - h div 2, x + w div 2
// + 1, y + h div 2 + 1) of the frame, shrunk or stretched (nearest
// neighbour) onto a w x h picture; parts outside the frame are black.
void captureZoneReference(const FrameView& frame, int x, int y, int w, int h, int precision, Channel channel,
                          ZoneReference& ref);

// Normalised cross-correlation of the candidate with the reference over
// the reference's grid, -1 .. 1; kNoCorrelation when the two differ in size
// or either is flat on the grid.
double zoneCorrelation(const ZoneReference& ref, const Bitmap24& candidate, int precision, Channel channel);

// Spacing of the spiral's candidates for a zone `zoneW` pixels wide.
int spiralStep(int zoneW, int precision);

struct CorrelationSearch {
    Point result;             // best candidate, or the zone centre when none correlated above 0
    double best = 0;          // its correlation (0 when none)
    int lastLeg = 0;          // length of the spiral's last leg
    int evaluated = 0;        // candidates compared
};

// Reused grid tables of the search, so that steps allocate nothing.
struct CorrelationScratch {
    std::vector<int> columns;
    std::vector<int> rows;
    std::vector<int> refValues;
};

// The spiral search around the zone centre. A candidate is the zone
// rectangle (x - halfW .. x + halfW, y - halfH .. y + halfH) moved by the
// candidate's offset and mapped onto the zoneW x zoneH reference as the
// capture maps it; candidates that would read outside the frame are
// skipped. The first candidate is the zone centre itself.
CorrelationSearch searchCorrelation(const FrameView& frame, const ZoneReference& ref, const Zone& zone, int zoneW,
                                    int zoneH, int precision, Channel channel, CorrelationScratch& scratch);

} // namespace kernels::guide
