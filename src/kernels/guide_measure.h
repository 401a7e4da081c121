#pragma once
// Where is the guide star? The measurement methods of the tracking step, as
// plain functions over a 24-bit frame: brightest pixel, bright centroid,
// dark axes, object limits, the radial scan of collimation and the drift
// accumulator. The correlation search lives in guide_correlation.h.
//
// Every method looks at the detection zone around (x, y) with half sizes
// halfW and halfH: rows y - halfH .. y + halfH - 1 and columns x - halfW ..
// x + halfW (one column more than rows, as the tracking window always did),
// always clipped to the frame, so a zone at or beyond the border, larger
// than the frame, or of half size 0 reads nothing outside the pixels.
// Grey level of a pixel: (R + G + B) div 3.
//
// The tracking step (telescope/tracking) chooses the method, supplies the
// settings read from the windows and keeps the program's state; nothing
// here draws or keeps state between calls.

#include "kernels/bitmap24.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kernels::guide {

inline int greyOf(const std::uint8_t* bgr) { return (int(bgr[0]) + bgr[1] + bgr[2]) / 3; }

// The pixels a method may read: the top-left width x height part of a
// 24-bit bitmap (a slot bitmap is larger than the camera's frame).
class FrameView {
public:
    FrameView() = default;
    FrameView(const Bitmap24& bitmap) : FrameView(bitmap, bitmap.width(), bitmap.height()) {}
    // The part is clipped to the bitmap.
    FrameView(const Bitmap24& bitmap, int width, int height)
        : bits_(bitmap.bits()), stride_(bitmap.stride()), width_(width < bitmap.width() ? width : bitmap.width()),
          height_(height < bitmap.height() ? height : bitmap.height())
    {
        if (width_ <= 0 || height_ <= 0)
            width_ = height_ = 0;
    }

    int width() const { return width_; }
    int height() const { return height_; }
    bool isEmpty() const { return width_ <= 0; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    // Row y, which must lie inside.
    const std::uint8_t* scanLine(int y) const { return bits_ + y * stride_; }
    const std::uint8_t* pixel(int x, int y) const { return scanLine(y) + std::ptrdiff_t(x) * 3; }

private:
    const std::uint8_t* bits_ = nullptr;
    std::ptrdiff_t stride_ = 0;
    int width_ = 0;
    int height_ = 0;
};

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

// Inclusive edges of a rectangle.
struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const Box&) const = default;
};

// The detection zone of one step.
struct Zone {
    int x = 0;          // centre
    int y = 0;
    int halfW = 0;      // zone width div 2
    int halfH = 0;      // zone height div 2
};

// The rows and columns the pixel scans read: the zone clipped to the frame.
// Empty when nothing of the zone lies inside.
struct ScanRange {
    int left = 0, top = 0, right = -1, bottom = -1;   // inclusive
    bool empty() const { return right < left || bottom < top; }
};
ScanRange scanRange(const FrameView& frame, const Zone& zone);

// Keeps the zone centre where the zone lies inside a frame of width x
// height: a centre with x - halfW < 1 moves to halfW + 1, one with x + halfW
// beyond width moves to width - (halfW + 1), and y likewise. Returns true
// when the centre had to move (the star is at the border). A zone larger
// than the frame cannot be kept inside; the scans clip it.
bool clampZone(int& x, int& y, int halfW, int halfH, int width, int height);

// How the pixel scans count for the focusing measure and the mean level.
// Off: every grey level goes to zoneSum. On: to focusSum, and pixels above
// the threshold are counted in brightCount.
struct FocusCounting {
    bool on = false;
    int threshold = 0;
};

// What the pixel scans leave behind. zoneSum accumulates over the scans of
// a step; focusSum and brightCount start again at 0 with each scan.
// brightest only rises and darkest only falls.
struct ZoneLevels {
    std::int64_t zoneSum = 0;
    std::int64_t focusSum = 0;
    std::int32_t brightCount = 0;
    int brightest = 0;
    int darkest = 255;
};

// The brightness measure: grey levels of rows max(0, y - halfH) ..
// min(height - 1, y + halfH) - 1 and columns max(0, x - halfW) ..
// min(width - 1, x + halfW), counted as above.
void measureZoneBrightness(const FrameView& frame, const Zone& zone, const FocusCounting& focus, ZoneLevels& levels);

// "Pixel Brillant": the first pixel in scan order whose grey exceeds the
// brightest so far by more than `sensitivity`; levels.brightest is raised
// only by that rule. The zone centre when no pixel qualifies.
Point brightestPixel(const FrameView& frame, const Zone& zone, int sensitivity, const FocusCounting& focus,
                     ZoneLevels& levels);

// "Somme Axes" on bright objects: centroid weighted by grey cubed. A zone
// with no light at all gives (0, 0) (the step's no-star rule then keeps
// the zone centre).
Point brightCentroid(const FrameView& frame, const Zone& zone, const FocusCounting& focus, ZoneLevels& levels);

// Column and row sums of the dark-axes method, kept between calls so that
// steps allocate nothing once the largest zone has been seen.
struct AxisSums {
    std::vector<std::int64_t> columns;
    std::vector<std::int64_t> rows;
};

// "Somme Axes" on dark objects: the darkest column and the darkest row,
// each replaced only by one darker by more than `sensitivity`. The zone
// centre when nothing of the zone lies in the frame.
Point darkAxes(const FrameView& frame, const Zone& zone, int sensitivity, const FocusCounting& focus,
               ZoneLevels& levels, AxisSums& sums);

// Counting rule of the limit scans: a pixel counts when its grey is above
// the threshold, or below it for dark objects.
struct LimitRule {
    int threshold = 0;
    bool darkObjects = false;
};

struct LimitsResult {
    int edges = 0;      // edges found, 0..4 (limits) or 0..19 (radial)
    Box box;            // the edges or the rays' bounding box, when found
    Point centre;       // centre of the box; the zone centre when not found
    bool found() const { return edges >= 4; }
};

// "Detect.Limites": from each side of the zone, lines are added to a count
// of the pixels that count until the count grows beyond that of the line
// before (or, for the first counting line, beyond the zone's width or
// height); the edge is the line just outside.
LimitsResult objectLimits(const FrameView& frame, const Zone& zone, const LimitRule& rule);

// The radial scan of collimation: 19 rays, 18 degrees apart from 0 to 324,
// each running from the centre to the first counting pixel. A ray reaches
// at most min(halfW, halfH) - 1 pixels out and stops at the frame border;
// a ray without a counting pixel ends at its zone end point.
LimitsResult radialLimits(const FrameView& frame, const Zone& zone, const LimitRule& rule);

// The drift of "Derive": speeds in pixels per second accumulate; whole
// pixels (truncated toward zero) are handed out and the fractions kept.
struct DriftAccumulator {
    double accX = 0;
    double accY = 0;

    void reset() { accX = accY = 0; }
    // Adds dt_s seconds at the given speeds; stepX, stepY receive the whole
    // pixels to move.
    void advance(double dt_s, double speedX, double speedY, int& stepX, int& stepY);
};

} // namespace kernels::guide
