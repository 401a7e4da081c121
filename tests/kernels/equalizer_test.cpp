#include "kernels/equalizer.h"

#include "support/fakes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

using namespace kernels::Equalizer;

namespace {

// The image tool's points: inner points keep X = 32 p, only `active` are on.
EqualizerCurve curveWith(std::initializer_list<std::pair<int, int>> active)
{
    EqualizerCurve curve;
    for (int p = 0; p < 9; ++p)
        curve.Points[p].X = p == 8 ? 255 : 32 * p;
    for (auto [p, y] : active) {
        curve.Points[p].Y = y;
        curve.Points[p].Active = 1;
    }
    return curve;
}

} // namespace

TEST(Equalizer, EndPointsOnlyGiveTheStraightLine)
{
    testsupport::RecordingMessageService messages;
    auto curve = curveWith({{0, 0}, {8, 255}});
    BuildEqualizerCurve(curve, 10);
    EXPECT_TRUE(messages.shown.empty());
    for (int i = 0; i < 256; ++i)
        EXPECT_LE(std::abs(curve.LUT[i] - i), 1) << "level " << i;
    EXPECT_EQ(curve.LUT[0], curve.LUT[1]);
    // Each switched-off slider sits at 255 minus the curve at X + 14.
    for (int p = 1; p <= 7; ++p) {
        ASSERT_TRUE(curve.SliderPositions[p - 1].has_value());
        EXPECT_EQ(*curve.SliderPositions[p - 1], 255 - curve.LUT[32 * p + 14]);
    }
}

TEST(Equalizer, ThreePointCurveMatchesReference)
{
    testsupport::RecordingMessageService messages;
    auto curve = curveWith({{0, 0}, {4, 200}, {8, 255}});
    BuildEqualizerCurve(curve, 10);
    // Computed independently in single precision from the same definition.
    const std::array<int, 256> golden = {
          3,   3,   5,   7,   9,  11,  13,  15,  17,  19,  21,  23,  25,  27,  29,  30,
         33,  34,  36,  38,  40,  42,  44,  45,  47,  49,  51,  53,  55,  57,  59,  61,
         63,  64,  66,  68,  70,  71,  73,  75,  76,  78,  80,  81,  83,  84,  87,  89,
         90,  92,  93,  95,  96,  99, 100, 102, 103, 105, 106, 109, 110, 112, 113, 114,
        116, 117, 120, 121, 122, 124, 125, 127, 129, 130, 132, 133, 134, 136, 137, 138,
        141, 142, 143, 145, 146, 147, 149, 150, 151, 154, 155, 156, 158, 159, 160, 161,
        163, 164, 165, 167, 168, 169, 170, 172, 173, 174, 176, 177, 178, 179, 181, 182,
        183, 184, 185, 186, 187, 188, 190, 191, 192, 193, 194, 195, 196, 197, 198, 199,
        200, 201, 202, 203, 204, 205, 206, 207, 207, 208, 209, 210, 211, 212, 213, 214,
        215, 216, 217, 217, 218, 218, 219, 220, 220, 221, 222, 223, 224, 225, 225, 226,
        226, 227, 228, 229, 229, 229, 230, 231, 232, 232, 232, 233, 234, 234, 235, 236,
        236, 236, 237, 237, 238, 239, 239, 240, 240, 240, 241, 241, 242, 242, 243, 243,
        244, 244, 245, 245, 245, 245, 246, 246, 247, 247, 247, 248, 248, 248, 249, 249,
        249, 249, 250, 250, 250, 251, 251, 251, 251, 252, 252, 252, 252, 252, 253, 253,
        253, 253, 253, 254, 254, 254, 254, 254, 254, 254, 255, 255, 255, 255, 255, 255,
        255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
    };
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(curve.LUT[i], golden[i]) << "level " << i;
    const std::array<std::optional<int>, 7> sliders = {168, 118, 74, std::nullopt, 20, 6, 0};
    EXPECT_EQ(curve.SliderPositions, sliders);
}

TEST(Equalizer, WrongCountIsReportedAndTheCurveStillBuilt)
{
    testsupport::RecordingMessageService messages;
    auto curve = curveWith({{0, 0}, {8, 255}});
    BuildEqualizerCurve(curve, 9);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text.toStdString(), "Incorrect number of points (nx3)+1");
    // Point 8 is the ninth record, so the line is still there.
    EXPECT_NEAR(curve.LUT[128], 128, 1);

    // Counts outside the ten records are limited to them.
    messages.clear();
    for (int count : {-5, 0, 1000, std::numeric_limits<int>::min()}) {
        BuildEqualizerCurve(curve, count);
        EXPECT_EQ(curve.LUT[0], curve.LUT[1]);
    }
    EXPECT_EQ(messages.shown.size(), 3u);   // 1000 is 3n + 1
    std::array<EqualizerPoint, 4> few{};
    ComputeControlPoints(few, 1, kSmoothing);   // no slot before the first
    ComputeControlPoints(few, 41, kSmoothing);  // more than there are
    EXPECT_EQ(messages.texts().last().toStdString(), "Incorrect number of Pts (nx3)+1");
}

TEST(Equalizer, DegenerateAndAbsurdPoints)
{
    testsupport::RecordingMessageService messages;
    // One active point: no segment, the curve stays 0 and every slider goes to 255.
    auto single = curveWith({{4, 100}});
    BuildEqualizerCurve(single, 10);
    for (int v : single.LUT)
        EXPECT_EQ(v, 0);
    for (int p : {1, 2, 3, 5, 6, 7})
        EXPECT_EQ(single.SliderPositions[p - 1], 255);

    // Levels of +-2^31 neither overflow nor hang; points off the 0..255 range drop out.
    auto wild = curveWith({{0, std::numeric_limits<int>::min()}, {4, std::numeric_limits<int>::max()}, {8, 255}});
    wild.Points[8].X = std::numeric_limits<int>::max();
    BuildEqualizerCurve(wild, 10);
    EXPECT_EQ(wild.LUT[0], wild.LUT[1]);

    EXPECT_EQ(ISqrt(0, 0, 3, 4), 5);
    EXPECT_EQ(ISqrt(255, 255, 0, 0), 360);
    EXPECT_GT(ISqrt(std::numeric_limits<int>::min(), 0, std::numeric_limits<int>::max(), 0), 0);
    const EqualizerPoint a{0, 0, 1}, b{255, 255, 1};
    EXPECT_EQ(BezierPoint(a, a, b, b, 1.0f), (CurvePoint{255, 255}));
    EXPECT_EQ(BezierPoint(a, a, b, b, 0.5f), (CurvePoint{128, 128}));   // 127.5 goes to the even neighbour
}
