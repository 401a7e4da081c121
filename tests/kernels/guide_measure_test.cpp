#include "kernels/guide_correlation.h"
#include "kernels/guide_measure.h"
#include "kernels/raster.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kernels;
using namespace kernels::guide;

namespace {

// A grey Gaussian star of the given peak above `background` at (x0, y0);
// `dark` paints a dark spot on a bright sky instead.
Bitmap24 starFrame(int w, int h, double x0, double y0, int background = 20, int peak = 200, double sigma = 2.0,
                   bool dark = false)
{
    Bitmap24 b(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = b.scanLine(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const double d2 = (x - x0) * (x - x0) + (y - y0) * (y - y0);
            const double star = peak * std::exp(-d2 / (2 * sigma * sigma));
            const int v = int(std::lround(dark ? 255 - background - star : background + star));
            p[0] = p[1] = p[2] = std::uint8_t(std::clamp(v, 0, 255));
        }
    }
    return b;
}

Bitmap24 uniform(int w, int h, std::uint8_t grey)
{
    Bitmap24 b(w, h);
    fillRect(b, boundsOf(b), rgbColour(grey, grey, grey));
    return b;
}

// Seeded noise, for pictures that correlate with nothing.
Bitmap24 noise(int w, int h, std::uint32_t seed)
{
    Bitmap24 b(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = b.scanLine(y);
        for (int i = 0; i < w * 3; ++i) {
            seed = seed * 1664525u + 1013904223u;
            p[i] = std::uint8_t(seed >> 24);
        }
    }
    return b;
}

} // namespace

TEST(GuideMeasure, EveryMethodFindsAGaussianStar)
{
    const double sx = 61.3, sy = 47.6;
    const Bitmap24 frame = starFrame(160, 120, sx, sy);
    const Zone zone{60, 46, 20, 20};
    FocusCounting off;
    ZoneLevels levels;

    Point p = brightestPixel(frame, zone, 0, off, levels);
    EXPECT_NEAR(p.x, sx, 0.5);
    EXPECT_NEAR(p.y, sy, 0.5);
    EXPECT_GT(levels.brightest, 200);
    EXPECT_EQ(levels.darkest, 20);

    levels = {};
    p = brightCentroid(frame, zone, off, levels);
    EXPECT_NEAR(p.x, sx, 0.5);
    EXPECT_NEAR(p.y, sy, 0.5);

    const LimitRule rule{levels.brightest / 2, false};
    LimitsResult lim = objectLimits(frame, zone, rule);
    ASSERT_TRUE(lim.found());
    EXPECT_NEAR(lim.centre.x, sx, 0.5);
    EXPECT_NEAR(lim.centre.y, sy, 0.5);
    EXPECT_LT(lim.box.left, sx);
    EXPECT_GT(lim.box.right, sx);

    // The radial scan finds the inner edge of a ring (a defocused star).
    Bitmap24 ring = uniform(160, 120, 10);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            if (std::abs(std::hypot(x - sx, y - sy) - 9) < 2)
                setPixel(ring, x, y, rgbColour(180, 180, 180));
    lim = radialLimits(ring, zone, {90, false});
    EXPECT_EQ(lim.edges, 19);
    EXPECT_NEAR(lim.centre.x, sx, 0.5);
    EXPECT_NEAR(lim.centre.y, sy, 0.5);
    EXPECT_GT(lim.box.right - lim.box.left, 10);

    const Bitmap24 dark = starFrame(160, 120, sx, sy, 20, 200, 2.0, true);
    AxisSums sums;
    levels = {};
    p = darkAxes(dark, zone, 0, off, levels, sums);
    EXPECT_NEAR(p.x, sx, 0.5);
    EXPECT_NEAR(p.y, sy, 0.5);
    EXPECT_TRUE(objectLimits(dark, zone, {100, true}).found());

    // Correlation: reference on the star, then the star moves by (+6, -3).
    ZoneReference ref;
    captureZoneReference(frame, 61, 48, 40, 40, 10, Channel::RGB, ref);
    EXPECT_NEAR(zoneCorrelation(ref, ref.bitmap, 10, Channel::RGB), 1.0, 1e-12);
    CorrelationScratch scratch;
    const Bitmap24 moved = starFrame(160, 120, sx + 6, sy - 3);
    const CorrelationSearch s = searchCorrelation(moved, ref, {61, 48, 20, 20}, 40, 40, 10, Channel::RGB, scratch);
    EXPECT_EQ(s.result, (Point{67, 45}));
    EXPECT_GT(s.best, 0.975);
    EXPECT_LT(s.lastLeg, 14);
}

TEST(GuideMeasure, UniformZoneAndTolerance)
{
    const Bitmap24 frame = uniform(100, 80, 90);
    const Zone zone{50, 40, 10, 8};   // rows 32..47, columns 40..60
    FocusCounting off;
    ZoneLevels levels;
    EXPECT_EQ(brightestPixel(frame, zone, 10, off, levels), (Point{40, 32}));
    EXPECT_EQ(levels.zoneSum, 90 * 16 * 21);
    levels = {};
    EXPECT_EQ(brightCentroid(frame, zone, off, levels), (Point{50, 39.5}));

    const LimitsResult lim = objectLimits(frame, zone, {45, false});
    ASSERT_TRUE(lim.found());
    EXPECT_EQ(lim.box, (Box{40, 31, 59, 48}));   // left, top - 1, right - 1, bottom
    EXPECT_EQ(lim.centre, (Point{49.5, 39.5}));

    // Tolerance 10: a pixel must beat the brightest by more than 10.
    Bitmap24 b = uniform(30, 30, 100);
    setPixel(b, 12, 10, rgbColour(110, 110, 110));
    setPixel(b, 14, 12, rgbColour(111, 111, 111));
    setPixel(b, 13, 13, rgbColour(200, 200, 200));
    const Zone z{15, 15, 5, 5};
    levels = {};
    EXPECT_EQ(brightestPixel(b, z, 10, off, levels), (Point{13, 13}));
    EXPECT_EQ(levels.brightest, 200);
    setPixel(b, 13, 13, rgbColour(100, 100, 100));
    levels = {};
    EXPECT_EQ(brightestPixel(b, z, 10, off, levels), (Point{14, 12}));
    EXPECT_EQ(levels.brightest, 111);
    levels = {};
    EXPECT_EQ(brightestPixel(b, z, 200, off, levels), (Point{15, 15}));   // nothing qualifies: zone centre

    // Focus counting: every level to the focus sum, pixels above the
    // threshold counted; the step's sum is left alone.
    levels = {};
    levels.zoneSum = 7;
    brightestPixel(b, z, 0, {true, 105}, levels);
    EXPECT_EQ(levels.brightCount, 2);
    EXPECT_EQ(levels.focusSum, 100 * 110 + 10 + 11);
    EXPECT_EQ(levels.zoneSum, 7);
}

TEST(GuideMeasure, DriftTruncatesTowardZeroAndKeepsTheFraction)
{
    DriftAccumulator d;
    int sx = 9, sy = 9;
    d.advance(1.0, -0.6, 0.3, sx, sy);
    EXPECT_EQ(sx, 0);
    EXPECT_EQ(sy, 0);
    d.reset();
    d.advance(2.0, -0.6, 0.75, sx, sy);
    EXPECT_EQ(sx, -1);
    EXPECT_EQ(sy, 1);
    EXPECT_NEAR(d.accX, -0.2, 1e-12);
    EXPECT_NEAR(d.accY, 0.5, 1e-12);
}

TEST(GuideMeasure, CorrelationSpiral)
{
    EXPECT_EQ(spiralStep(40, 10), 1);
    EXPECT_EQ(spiralStep(100, 2), 3);
    EXPECT_EQ(gridStep(40, 10), 1);
    EXPECT_EQ(gridStep(100, 2), 6);

    // Nothing correlates above 0.975: the spiral runs its fourteen legs
    // (the centre and 2 x (1 + ... + 14) candidates) and keeps the best.
    const Bitmap24 a = noise(300, 300, 1), b = noise(300, 300, 2);
    ZoneReference ref;
    captureZoneReference(a, 150, 150, 100, 100, 2, Channel::G, ref);
    CorrelationScratch scratch;
    CorrelationSearch s = searchCorrelation(b, ref, {150, 150, 50, 50}, 100, 100, 2, Channel::G, scratch);
    EXPECT_EQ(s.lastLeg, 14);
    EXPECT_EQ(s.evaluated, 211);
    EXPECT_LT(s.best, 0.5);

    // Near the border candidates that would leave the frame are skipped;
    // a flat reference never matches and the zone centre stays.
    s = searchCorrelation(b, ref, {51, 51, 50, 50}, 100, 100, 2, Channel::G, scratch);
    EXPECT_LT(s.evaluated, 211);
    captureZoneReference(uniform(50, 50, 80), 25, 25, 20, 20, 2, Channel::RGB, ref);
    EXPECT_EQ(zoneCorrelation(ref, ref.bitmap, 2, Channel::RGB), kNoCorrelation);
    s = searchCorrelation(b, ref, {150, 150, 10, 10}, 20, 20, 2, Channel::RGB, scratch);
    EXPECT_EQ(s.result, (Point{150, 150}));
    EXPECT_EQ(s.best, 0);
    // A reference of another size than the zone is not compared.
    EXPECT_EQ(zoneCorrelation(ref, noise(21, 20, 3), 2, Channel::RGB), kNoCorrelation);
    EXPECT_EQ(searchCorrelation(b, ref, {150, 150, 20, 20}, 40, 40, 2, Channel::RGB, scratch).evaluated, 0);
    // A reference reaching past the frame is black there.
    captureZoneReference(uniform(50, 50, 80), 2, 2, 10, 10, 2, Channel::RGB, ref);
    EXPECT_EQ(pixel(ref.bitmap, 0, 0), kBlack);
    EXPECT_EQ(pixel(ref.bitmap, 9, 9), rgbColour(80, 80, 80));
}

TEST(GuideMeasure, BadZonesStayInsideTheFrame)
{
    // Clamp: a zone at the border is pushed back and reported.
    int x = 3, y = 77;
    EXPECT_TRUE(clampZone(x, y, 5, 5, 100, 80));
    EXPECT_EQ(x, 6);
    EXPECT_EQ(y, 74);
    x = 50, y = 40;
    EXPECT_FALSE(clampZone(x, y, 5, 5, 100, 80));
    EXPECT_FALSE(clampZone(x = 95, y = 40, 5, 5, 100, 80));   // right edge at the frame width is admitted

    // Zones larger than the frame, at or beyond the border, of half size
    // 0, on a 1 x 1 frame: every method answers without reading outside.
    const Bitmap24 frame = starFrame(64, 48, 62, 1);
    const Bitmap24 tiny = uniform(1, 1, 255);
    const Bitmap24 empty;
    AxisSums sums;
    CorrelationScratch scratch;
    ZoneReference ref;
    captureZoneReference(frame, 32, 24, 40, 40, 2, Channel::RGB, ref);
    for (const Bitmap24* f : {&frame, &tiny, &empty}) {
        for (const Zone z : {Zone{32, 24, 100, 100}, Zone{63, 0, 20, 20}, Zone{-50, 200, 10, 10}, Zone{10, 10, 0, 0},
                             Zone{0, 0, 1, 1}, Zone{32, 24, 30, 4}}) {
            ZoneLevels levels;
            brightestPixel(*f, z, 0, {}, levels);
            brightCentroid(*f, z, {}, levels);
            darkAxes(*f, z, 0, {}, levels, sums);
            measureZoneBrightness(*f, z, {}, levels);
            objectLimits(*f, z, {10, false});
            radialLimits(*f, z, {10, false});
            searchCorrelation(*f, ref, z, 40, 40, 2, Channel::RGB, scratch);
            EXPECT_LE(levels.brightest, 255);
        }
    }
    ZoneLevels levels;
    EXPECT_EQ(brightestPixel(tiny, {0, 0, 0, 0}, 0, {}, levels), (Point{0, 0}));   // half 0: no rows
    EXPECT_EQ(levels.brightest, 0);
    EXPECT_EQ(brightestPixel(tiny, {0, 0, 0, 1}, 0, {}, levels), (Point{0, 0}));
    EXPECT_EQ(levels.brightest, 255);

    // A view of the camera's frame inside a larger slot bitmap reads only
    // the frame.
    Bitmap24 slot = uniform(100, 100, 10);
    setPixel(slot, 70, 20, kWhite);
    levels = {};
    EXPECT_EQ(brightestPixel(FrameView(slot, 60, 40), {30, 20, 50, 50}, 0, {}, levels), (Point{0, 0}));
    EXPECT_EQ(levels.brightest, 10);

    // Dark axes on a 1280 x 1280 frame with a zone over all of it.
    const Bitmap24 big = starFrame(1280, 1280, 1000.2, 1100.7, 20, 200, 2.0, true);
    levels = {};
    const Point p = darkAxes(big, {640, 640, 640, 640}, 0, {}, levels, sums);
    EXPECT_NEAR(p.x, 1000.2, 0.5);
    EXPECT_NEAR(p.y, 1100.7, 0.5);

    // The brightness measure leaves out the last row of a zone that
    // reaches the bottom of the frame.
    levels = {};
    measureZoneBrightness(uniform(10, 10, 1), {5, 5, 5, 5}, {}, levels);
    EXPECT_EQ(levels.zoneSum, 9 * 10);
}
