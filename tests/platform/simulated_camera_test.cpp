#include "platform/camera_device.h"
#include "platform/simulated_camera.h"
#include "platform/star_field.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

std::vector<std::uint8_t> render(const platform::StarField& f, std::int64_t frame, double t, double ox = 0, double oy = 0)
{
    std::vector<std::uint8_t> px(f.frameBytes());
    f.render(frame, t, ox, oy, 1.0, px.data(), f.minStride());
    return px;
}

// Brightness-weighted centre of the pixels above `level` within `radius` of (x, y).
void centroid(const std::vector<std::uint8_t>& px, const platform::StarField& f, double x, double y, double& cx,
              double& cy)
{
    const int w = f.settings().width, bpp = f.bytesPerPixel();
    double sum = 0, sx = 0, sy = 0;
    for (int j = int(y) - 6; j <= int(y) + 6; ++j)
        for (int i = int(x) - 6; i <= int(x) + 6; ++i) {
            const double v = px[(j * w + i) * bpp + 1];
            if (v < 80)
                continue;
            sum += v;
            sx += v * i;
            sy += v * j;
        }
    cx = sx / sum;
    cy = sy / sum;
}

// A 200 x 150 sky of one star that does not tremble, with little noise.
platform::StarFieldSettings oneSteadyStar()
{
    platform::StarFieldSettings s;
    s.width = 200;
    s.height = 150;
    s.starCount = 1;
    s.tremble_px = 0;
    s.noise = 1;
    return s;
}

} // namespace

TEST(StarField, SameSeedSameFramesAndTheFieldDriftsAndFollowsTheMount)
{
    platform::StarFieldSettings s;
    s.width = 200;
    s.height = 150;
    s.starCount = 20;
    s.fwhm = 3.5;
    const platform::StarField a(s), b(s);
    EXPECT_EQ(render(a, 3, 0.1), render(b, 3, 0.1));
    EXPECT_NE(render(a, 3, 0.1), render(a, 4, 0.1)) << "noise and seeing change from frame to frame";

    s.seed = 2;
    EXPECT_NE(render(a, 3, 0.1), render(platform::StarField(s), 3, 0.1));

    // The guide star starts in the middle and drifts with the settings' rate;
    // a mount offset moves it as much. The seeing trembles by about 0.4 pixel.
    double x0, y0, x1, y1, x2, y2;
    centroid(render(a, 0, 0), a, 100, 75, x0, y0);
    centroid(render(a, 0, 4.0), a, 106, 76.6, x1, y1);
    centroid(render(a, 0, 4.0, -3, 2), a, 103, 78.6, x2, y2);
    EXPECT_NEAR(x0, 100, 1.0);
    EXPECT_NEAR(y0, 75, 1.0);
    EXPECT_NEAR(x1 - x0, 4.0 * s.driftX_pxPerS, 1.0);
    EXPECT_NEAR(y1 - y0, 4.0 * s.driftY_pxPerS, 1.0);
    EXPECT_NEAR(x2 - x1, -3, 1.0);
    EXPECT_NEAR(y2 - y1, 2, 1.0);
}

TEST(StarField, BayerMosaicIsOneBytePerPixelWithTheStarsColour)
{
    platform::StarFieldSettings s;
    s.width = 64;
    s.height = 48;
    s.starCount = 1;
    s.noise = 0;
    s.tremble_px = 0;
    s.bayer = true;
    const platform::StarField f(s);
    EXPECT_EQ(f.bytesPerPixel(), 1);
    EXPECT_EQ(f.frameBytes(), 64u * 48u);
    // The guide star (tint blue-white: red 0.8, blue 1.0) sits on pixel
    // (32, 24), an even row and column: a red site. Its diagonal neighbours
    // are blue sites and see its full blue light.
    const auto px = render(f, 0, 0);
    EXPECT_EQ(px[24 * 64 + 32], 14 + 184);
    s.colour = false;
    const auto white = render(platform::StarField(s), 0, 0);
    EXPECT_EQ(white[24 * 64 + 32], 14 + 230);
    EXPECT_EQ(px[25 * 64 + 33], white[25 * 64 + 33]);
}

TEST(SimulatedCamera, GrabsOnTheMonotonicClockAndKeepsOnlyItsOwnFormats)
{
    testsupport::FakeClock clock;
    platform::StarFieldSettings s;
    s.width = 80;
    s.height = 60;
    platform::SimulatedCamera cam(s);
    std::vector<std::uint8_t> first, second;
    auto keep = [](std::vector<std::uint8_t>& into) {
        return [&into](const platform::FrameView& f) {
            EXPECT_TRUE(f.isComplete());
            into.assign(f.data, f.data + f.size);
        };
    };
    EXPECT_FALSE(cam.grabFrame(keep(first))) << "not open";
    ASSERT_TRUE(cam.open());
    ASSERT_TRUE(cam.grabFrame(keep(first)));
    clock.advanceMs(1000);
    ASSERT_TRUE(cam.grabFrame(keep(second)));
    EXPECT_EQ(first.size(), 80u * 60u * 3u);
    EXPECT_NE(first, second);

    EXPECT_FALSE(cam.setFormat({0, 0, 24}));
    EXPECT_FALSE(cam.setFormat({320, 240, 8})) << "8 bits only with the mosaic";
    ASSERT_TRUE(cam.setFormat({320, 240, 24}));
    EXPECT_EQ(cam.format().width, 320);
    ASSERT_TRUE(cam.grabFrame(keep(first)));
    EXPECT_EQ(first.size(), 320u * 240u * 3u);
}

TEST(CameraFamilies, TheSystemGrabFamilyHoldsTheSimulatorAndTablesRefuseUnknownIndices)
{
    const auto devices = platform::grabCameras().devices();
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(devices[0].name, QStringLiteral("Simulateur ciel etoile"));
    ASSERT_GE(devices.size(), 2u);
    EXPECT_EQ(devices[1].name, QStringLiteral("Simulateur ciel etoile RGGB"));
    const auto rggb = platform::grabCameras().create(1);
    ASSERT_NE(rggb, nullptr);
    EXPECT_EQ(rggb->format().bitCount, 8) << "the raw mosaic, one byte a pixel";
    EXPECT_NE(platform::grabCameras().create(0), nullptr);
    EXPECT_EQ(platform::grabCameras().create(static_cast<int>(devices.size())), nullptr);
    EXPECT_EQ(platform::grabCameras().create(-1), nullptr);

    platform::CameraTable table;
    platform::setStreamCameras(&table);
    table.add({QStringLiteral("A"), {}}, [] { return std::make_unique<platform::SimulatedCamera>(); });
    EXPECT_EQ(platform::streamCameras().devices().size(), 1u);
    platform::setStreamCameras(nullptr);
    EXPECT_TRUE(platform::streamCameras().devices().empty());
}

// The simulated mount's periodic error swings the field along X with its
// amplitude and period; without it (the default) the frames are those of a
// mount without one, byte for byte.
TEST(StarField, PeriodicErrorSwingsTheFieldAlongXOnly)
{
    platform::StarFieldSettings s;
    s.width = 200;
    s.height = 150;
    s.starCount = 20;
    s.tremble_px = 0;
    s.driftX_pxPerS = s.driftY_pxPerS = 0;
    const platform::StarField still(s);
    platform::StarFieldSettings none = s;
    none.periodicError_px = 5;   // a period of 0: no error
    EXPECT_EQ(render(still, 2, 7.5), render(platform::StarField(none), 2, 7.5));

    s.periodicError_px = 8;
    s.periodicPeriod_s = 120;
    const platform::StarField swinging(s);
    for (const double t : {0.0, 30.0, 60.0, 90.0, 100.0}) {
        double x, y, x0, y0;
        swinging.position(0, t, 0, 0, x, y);
        still.position(0, t, 0, 0, x0, y0);
        EXPECT_NEAR(x - x0, 8 * std::sin(2 * M_PI * t / 120), 1e-9) << t;
        EXPECT_EQ(y, y0);
        EXPECT_NEAR(swinging.periodicOffset(t), x - x0, 1e-9);
    }
    double cx, cy;
    centroid(render(swinging, 0, 30), swinging, 108, 75, cx, cy);
    EXPECT_NEAR(cx, 108, 0.5);
    EXPECT_NEAR(cy, 75, 0.5);
}

TEST(StarField, PeriodicErrorFromTheEnvironment)
{
    platform::StarFieldSettings s;
    for (const char* bad : {"", "8", "8;120", "x,120", "8,0", "8,-5", "8,abc"}) {
        ::setenv("NJ_SIM_PERIODIC_ERROR", bad, 1);
        platform::ApplySimulatedMountEnvironment(s);
        EXPECT_EQ(s.periodicError_px, 0) << bad;
        EXPECT_EQ(s.periodicPeriod_s, 0) << bad;
    }
    ::setenv("NJ_SIM_PERIODIC_ERROR", "2.5,90", 1);
    platform::ApplySimulatedMountEnvironment(s);
    EXPECT_EQ(s.periodicError_px, 2.5);
    EXPECT_EQ(s.periodicPeriod_s, 90);

    // The program's simulated cameras take it when they are made.
    for (int i : {0, 1}) {
        const auto camera = platform::grabCameras().create(i);
        auto* simulated = dynamic_cast<platform::SimulatedCamera*>(camera.get());
        ASSERT_NE(simulated, nullptr);
        EXPECT_EQ(simulated->field().settings().periodicError_px, 2.5) << i;
        EXPECT_EQ(simulated->field().settings().periodicPeriod_s, 90) << i;
    }
    ::unsetenv("NJ_SIM_PERIODIC_ERROR");
    const auto plain = platform::grabCameras().create(0);
    EXPECT_EQ(dynamic_cast<platform::SimulatedCamera*>(plain.get())->field().settings().periodicError_px, 0);
}

// Stars are stamped on their own patches only; where patches overlap, each
// pixel still gets the sky plus the light of every star, whichever patch
// is drawn last. Checked against a plain per-pixel sum over all stars, on a
// crowded field whose stars cross every edge, in colour, grey and mosaic.
TEST(StarField, CrowdedFieldMatchesAPlainSumOverAllStars)
{
    for (const int mode : {0, 1, 2}) {
        platform::StarFieldSettings s;
        s.width = 61;
        s.height = 47;
        s.starCount = 150;
        s.noise = 0;
        s.tremble_px = 0;
        s.fwhm = 3.7;
        s.colour = mode != 1;
        s.bayer = mode == 2;
        const platform::StarField f(s);
        const double t = 3.3, ox = 7.25, oy = -2.5, gain = 1.3;
        std::vector<std::uint8_t> px(f.frameBytes());
        f.render(5, t, ox, oy, gain, px.data(), f.minStride());
        const double sigma = s.fwhm / 2.3548;
        const int reach = static_cast<int>(std::ceil(4 * sigma));
        int differ = 0;
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
                double light[3] = {14, 14, 14};   // blue, green, red
                for (std::size_t i = 0; i < f.stars().size(); ++i) {
                    double sx, sy;
                    f.position(i, t, ox, oy, sx, sy);
                    if (std::abs(x - static_cast<int>(sx)) > reach || std::abs(y - static_cast<int>(sy)) > reach)
                        continue;
                    const auto& st = f.stars()[i];
                    const double level = st.peak * gain * std::exp(-((x - sx) * (x - sx) + (y - sy) * (y - sy)) / (2 * sigma * sigma));
                    light[0] += level * (s.colour ? st.b : 1);
                    light[1] += level * (s.colour ? st.g : 1);
                    light[2] += level * (s.colour ? st.r : 1);
                }
                auto byte = [](double v) { return static_cast<int>(std::clamp(std::lround(v), 0L, 255L)); };
                if (s.bayer) {
                    const int site = (y % 2 == 0) ? (x % 2 == 0 ? 2 : 1) : (x % 2 == 0 ? 1 : 0);
                    differ += px[y * s.width + x] != byte(light[site]);
                } else {
                    for (int k = 0; k < 3; ++k)
                        differ += px[(y * s.width + x) * 3 + k] != byte(light[k]);
                }
            }
        EXPECT_EQ(differ, 0) << "mode " << mode;
    }
}

// The noise has the settings' deviation around the sky level, changes from
// frame to frame, and the noise of one frame tells nothing of the next.
TEST(StarField, NoiseHasItsDeviationAndChangesFromFrameToFrame)
{
    platform::StarFieldSettings s;
    s.width = 160;
    s.height = 120;
    s.starCount = 0;
    s.background = 60;
    s.noise = 5;
    s.bayer = true;
    const platform::StarField f(s);
    std::vector<std::vector<std::uint8_t>> frames;
    for (int n = 0; n < 4; ++n)
        frames.push_back(render(f, n, n / 30.0));
    for (const auto& px : frames) {
        double sum = 0, sum2 = 0;
        for (const auto v : px) {
            sum += v;
            sum2 += double(v) * v;
        }
        const double mean = sum / double(px.size()), sd = std::sqrt(sum2 / double(px.size()) - mean * mean);
        EXPECT_NEAR(mean, 60, 0.2);
        EXPECT_NEAR(sd, 5, 0.25);
    }
    for (int n = 1; n < 4; ++n) {
        double c = 0;
        for (std::size_t i = 0; i < frames[0].size(); ++i)
            c += (frames[n - 1][i] - 60.0) * (frames[n][i] - 60.0);
        EXPECT_LT(std::abs(c / double(frames[0].size()) / 25.0), 0.05) << n;
    }
    // A narrower drawing is the top-left part of the full frame.
    std::vector<std::uint8_t> part(50 * 30);
    f.render(2, 2 / 30.0, 0, 0, 1.0, part.data(), 50, 50, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 50; ++x)
            ASSERT_EQ(part[y * 50 + x], frames[2][y * 160 + x]) << x << "," << y;
}

// Grabs hand over the frame drawn ahead on the camera's thread: once grabs
// come at a steady pace each shows the sky at the time of its grab (the
// second, before any pace is known, shows the time of the first), and a
// format change never hands over a frame of the old size.
TEST(SimulatedCamera, GrabsFollowTheSkyAtTheTimeOfTheGrab)
{
    testsupport::FakeClock clock;
    const platform::StarFieldSettings s = oneSteadyStar();
    platform::SimulatedCamera cam(s);
    ASSERT_TRUE(cam.open());
    std::vector<std::uint8_t> px;
    auto keep = [&px](const platform::FrameView& f) { px.assign(f.data, f.data + f.size); };
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(cam.grabFrame(keep));
        const double t = i == 1 ? 0 : 2 * i;
        double cx, cy;
        centroid(px, cam.field(), 100 + 1.5 * t, 75 + 0.4 * t, cx, cy);
        EXPECT_NEAR(cx, 100 + 1.5 * t, 0.5) << i;
        EXPECT_NEAR(cy, 75 + 0.4 * t, 0.5) << i;
        clock.advanceMs(2000);
    }
    EXPECT_EQ(cam.framesRendered(), 4);
    ASSERT_TRUE(cam.setFormat({64, 48, 24}));
    ASSERT_TRUE(cam.grabFrame(keep));
    EXPECT_EQ(px.size(), 64u * 48u * 3u);
    ASSERT_TRUE(cam.grabFrame(keep));
    EXPECT_EQ(px.size(), 64u * 48u * 3u);
    cam.close();
}

// The program's simulated mount carries the sky of the built-in simulated
// cameras: their frames show the star moved by the offset its source gives
// (read when the frame is drawn, on the camera's drawing thread), and back
// where the drift puts it once the source is cleared.
TEST(SimulatedCamera, TheSkyFollowsTheSimulatedMountsOffset)
{
    testsupport::FakeClock clock;
    const platform::StarFieldSettings s = oneSteadyStar();
    std::atomic<double> ox{12}, oy{-7};
    platform::setSimulatedMountOffset([&](double& x, double& y) {
        x = ox;
        y = oy;
    });
    double x, y;
    platform::simulatedMountOffset(x, y);
    EXPECT_EQ(x, 12);
    EXPECT_EQ(y, -7);
    std::vector<std::uint8_t> px;
    auto keep = [&px](const platform::FrameView& f) { px.assign(f.data, f.data + f.size); };
    double cx, cy;
    {
        platform::SimulatedCamera cam(s);
        ASSERT_TRUE(cam.open());
        ASSERT_TRUE(cam.grabFrame(keep));
        centroid(px, cam.field(), 112, 68, cx, cy);
        EXPECT_NEAR(cx, 112, 0.5);
        EXPECT_NEAR(cy, 68, 0.5);
        // A move of the mount reaches the frames drawn after it; the one
        // drawn ahead at the last grab may still show the sky before it.
        ox = -20;
        oy = 5;
        ASSERT_TRUE(cam.grabFrame(keep));
        ASSERT_TRUE(cam.grabFrame(keep));
        centroid(px, cam.field(), 80, 80, cx, cy);
        EXPECT_NEAR(cx, 80, 0.5);
        EXPECT_NEAR(cy, 80, 0.5);
    }
    ox = std::nan("");   // a source that has nothing sensible to give moves nothing
    platform::simulatedMountOffset(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    platform::setSimulatedMountOffset({});
    platform::SimulatedCamera cam(s);
    ASSERT_TRUE(cam.open());
    ASSERT_TRUE(cam.grabFrame(keep));
    centroid(px, cam.field(), 100, 75, cx, cy);
    EXPECT_NEAR(cx, 100, 0.5);
    EXPECT_NEAR(cy, 75, 0.5);
}
