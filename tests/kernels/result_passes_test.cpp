#include "kernels/result_passes.h"
#include "kernels/result_rows.h"
#include "kernels/row_pool.h"
#include "support/star_field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using kernels::AccumulateJob;
using kernels::DeepPlanes;
using testsupport::uniformBitmap;

namespace {

DeepPlanes& planes()
{
    static DeepPlanes p;
    return p;
}

void fill(int plane, int w, int h, std::uint16_t v0, std::uint16_t v1, std::uint16_t v2)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint16_t* p = planes().pixel(plane, x, y);
            p[0] = v0;
            p[1] = v1;
            p[2] = v2;
        }
}

kernels::LevelStats run(const AccumulateJob& job)
{
    static kernels::ResultTables tables;
    kernels::LevelStats s{1 << 30, 0};
    EXPECT_TRUE(kernels::Accumulate(planes(), job, tables, s));
    return s;
}

AccumulateJob correction(int w, int h)
{
    AccumulateJob j;
    j.width = w;
    j.height = h;
    j.correct = true;
    return j;
}

} // namespace

TEST(ResultPasses, SumsAreLimitedTo255Times256)
{
    planes().clearAll();
    const kernels::Bitmap24 white = uniformBitmap(8, 8, 255, 255, 255);
    AccumulateJob job;
    job.width = 8;
    job.height = 8;
    job.frame = &white;
    job.plainCopy = true;
    kernels::LevelStats s;
    for (int i = 0; i < 257; ++i)
        s = run(job);
    EXPECT_EQ(planes().pixel(0, 3, 3)[0], 65280);
    EXPECT_EQ(planes().pixel(0, 7, 7)[2], 65280);
    EXPECT_EQ(planes().pixel(5, 7, 7)[1], 65280);
    EXPECT_EQ(s.max, 65280);

    // With 2 x 2 binning each result pixel takes a block of 1020 and stays
    // at the limit; the result is half the frame.
    job.binning = 2;
    job.width = 4;
    job.height = 4;
    run(job);
    EXPECT_EQ(planes().pixel(0, 3, 3)[0], 65280);

    // Subtracting the oldest frame of a loop never goes below 0.
    planes().clear(0);
    const kernels::Bitmap24 grey = uniformBitmap(8, 8, 10, 20, 30);
    job = {};
    job.width = 8;
    job.height = 8;
    job.frame = &grey;
    job.subtract = &white;
    run(job);
    EXPECT_EQ(planes().pixel(0, 0, 0)[2], 0);
}

TEST(ResultPasses, DarkSubtractionAndFlatDivisionRoundAsTheStoredImagesExpect)
{
    planes().clearAll();
    // Round(x - 0.5) with halves to even: 3 - 0.5 = 2.5 gives 2, 4 - 0.5 = 3.5
    // gives 4; a dark larger than the sum leaves 0.
    fill(0, 3, 1, 10, 10, 10);
    planes().pixel(1, 0, 0)[0] = 3;
    planes().pixel(1, 0, 0)[1] = 4;
    planes().pixel(1, 0, 0)[2] = 200;
    AccumulateJob j = correction(3, 1);
    j.dark = true;
    j.darkLevel = 1.0;
    j.darkRatio = 1.0;
    j.darkFrames = 1;
    run(j);
    const std::uint16_t* p5 = planes().pixel(5, 0, 0);
    EXPECT_EQ(p5[0], 8);
    EXPECT_EQ(p5[1], 6);
    EXPECT_EQ(p5[2], 0);

    // Flat: a flat word of 0 or 1 multiplies by the mean (1 x 3 - 0.5 = 2.5
    // gives 2, 1 x 4 - 0.5 gives 4); a large quotient stops at 65280.
    planes().clearAll();
    fill(0, 2, 1, 1, 1, 200);
    planes().pixel(2, 0, 0)[0] = 0;
    planes().pixel(2, 0, 0)[1] = 1;
    planes().pixel(2, 0, 0)[2] = 2;
    j = correction(1, 1);
    j.flat = true;
    j.flatMeans = {3.0, 4.0, 1000.0};
    const kernels::LevelStats s = run(j);
    p5 = planes().pixel(5, 0, 0);
    EXPECT_EQ(p5[0], 2);
    EXPECT_EQ(p5[1], 4);
    EXPECT_EQ(p5[2], 65280);
    EXPECT_EQ(s.max, 65280);
    EXPECT_EQ(s.min, 2);
    EXPECT_EQ(p5[3], 0);

    // Means that are no numbers give 0, not garbage.
    j.flatMeans = {std::numeric_limits<double>::quiet_NaN(), 1, 1};
    run(j);
    EXPECT_EQ(planes().pixel(5, 0, 0)[0], 0);
}

TEST(ResultPasses, HotPixelsTakeTheMeanOfTheirNeighbourhoodBorder)
{
    planes().clearAll();
    const int W = 10, H = 10;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            std::uint16_t* p = planes().pixel(0, x, y);
            p[0] = p[1] = p[2] = std::uint16_t(10 * x + y);
        }
    planes().pixel(1, 4, 4)[0] = 240;   // hot: 240 > 255 - 25.5
    planes().pixel(1, 0, 0)[0] = 240;   // hot, in the corner
    planes().pixel(1, 6, 6)[0] = 200;   // not hot
    AccumulateJob j = correction(W, H);
    j.dark = true;
    j.darkSmart = true;
    j.darkLevel = 10 * (2.56 - 0.01);
    j.darkFrames = 1;
    j.maxLevel = 255;
    j.darkRadius = 1;
    j.zone = {0, 0, W, H};
    run(j);
    // Columns 3..6, rows 3..5: the top and bottom rows and the two end
    // columns of the middle row, 10 pixels.
    auto v = [](int x, int y) { return 10 * x + y; };
    int border = 0;
    for (int x = 3; x <= 6; ++x)
        border += v(x, 3) + v(x, 5);
    border += v(3, 4) + v(6, 4);
    EXPECT_EQ(planes().pixel(5, 4, 4)[0], border / 10);
    EXPECT_EQ(planes().pixel(5, 4, 4)[1], v(4, 4));   // only the hot channel
    EXPECT_EQ(planes().pixel(5, 6, 6)[0], v(6, 6));
    // Clipped by the zone: columns 0..2, rows 0..1, the divisor unchanged.
    EXPECT_EQ(planes().pixel(5, 0, 0)[0], (v(0, 0) + v(1, 0) + v(2, 0) + v(0, 1) + v(1, 1) + v(2, 1)) / 10);

    // A hot pixel on the last rendered row and column reads nothing beyond them.
    planes().pixel(1, W - 1, H - 1)[0] = 240;
    j.zone = {0, 0, 4000, 4000};
    run(j);
    EXPECT_EQ(planes().pixel(5, W - 1, H - 1)[0], (v(8, 8) + v(9, 8) + v(8, 9) + v(9, 9)) / 10);
}

TEST(ResultPasses, DisplayLevelsCurvesColoursAndLuminance)
{
    kernels::ResultTables t;
    // Range 0 counts as 1: every level above the low threshold is white.
    const std::uint8_t* L = t.levels(100, 0, nullptr);
    EXPECT_EQ(L[100], 0);
    EXPECT_EQ(L[101], 255);
    L = t.levels(0, 512, nullptr);
    EXPECT_EQ(L[511], 255);
    EXPECT_EQ(L[300], 150);
    // The straight tone curve doubles each stretched level, up to 255.
    std::array<std::int32_t, 256> straight;
    for (int i = 0; i < 256; ++i)
        straight[std::size_t(i)] = i;
    L = t.levels(0, 256, straight.data());
    EXPECT_EQ(L[40], 80);
    EXPECT_EQ(L[200], 255);

    planes().clearAll();
    std::uint16_t* p = planes().pixel(5, 0, 0);
    p[0] = 30;    // blue
    p[1] = 60;    // green
    p[2] = 150;   // red
    kernels::Bitmap24 out(1, 1);
    kernels::DisplayJob dj;
    dj.width = dj.height = 1;
    dj.levels = t.levels(0, 256, nullptr);
    dj.grey = true;
    dj.showGreen = false;
    kernels::DisplayPass(planes(), dj, out);
    EXPECT_EQ(out.scanLine(0)[0], 90);   // (150 + 30) / 2
    dj.showRed = dj.showBlue = false;
    kernels::DisplayPass(planes(), dj, out);
    EXPECT_EQ(out.scanLine(0)[2], 0);

    dj = {};
    dj.width = dj.height = 1;
    dj.levels = t.levels(0, 256, nullptr);
    dj.showGreen = false;
    dj.mixRed = {1, 0.5, 0.25, 0.25, 2.0};   // (75 + 15 + 7.5) x 2 = 195
    kernels::DisplayPass(planes(), dj, out);
    EXPECT_EQ(out.scanLine(0)[2], 195);
    EXPECT_EQ(out.scanLine(0)[1], 0);
    EXPECT_EQ(out.scanLine(0)[0], 30);
    // Weights that are no number or huge give black or white, never garbage.
    dj.mixRed = {1, std::numeric_limits<double>::quiet_NaN(), 0, 0, 1};
    dj.mixBlue = {1, 1e300, 1e300, 0, 1e300};
    kernels::DisplayPass(planes(), dj, out);
    EXPECT_EQ(out.scanLine(0)[2], 0);
    EXPECT_EQ(out.scanLine(0)[0], 255);
    // Saturation 4 pushes each value four times as far from the mean (80).
    dj = {};
    dj.width = dj.height = 1;
    dj.levels = t.levels(0, 256, nullptr);
    dj.saturation = 4;
    kernels::DisplayPass(planes(), dj, out);
    EXPECT_EQ(out.scanLine(0)[0], 0);     // (30 - 80) x 4 + 80 < 0
    EXPECT_EQ(out.scanLine(0)[1], 0);
    EXPECT_EQ(out.scanLine(0)[2], 255);

    // Luminance: standard weights scaled by the brightest channel.
    kernels::Bitmap24 b = uniformBitmap(1, 1, 0, 50, 100);
    kernels::LuminanceTransfer(b, 1, 0, 0, 0);   // L = 59.5
    EXPECT_EQ(b.scanLine(0)[2], 60);            // 59.5 to even
    EXPECT_EQ(b.scanLine(0)[1], 30);            // 29.75
    b = uniformBitmap(1, 1, 0, 50, 100);
    kernels::LuminanceTransfer(b, 3, 1, 1, 1);   // L = 150; channel / 256 x L
    EXPECT_EQ(b.scanLine(0)[2], 59);            // 58.59
    b = uniformBitmap(1, 1, 0, 50, 100);
    kernels::LuminanceTransfer(b, 7, 1, 1, 1);
    EXPECT_EQ(b.scanLine(0)[2], 100);
}

// The vector loops give the portable loops' words bit for bit: odd widths
// (vector bodies with portable tails of every length), rows on each of the
// four 8-byte offsets from a 32-byte boundary (where a fresh sum's
// streamed part starts after a portable head), binning, a loop
// frame narrower than the sum, a cleared sum, dark and flat alone and
// together, flat words 0 and 1, means that are no numbers, words above the
// limit and a fourth word that must be kept.
TEST(ResultPasses, VectorAndPortableRoutesGiveTheSameWords)
{
    if (!kernels::VectorRouteAvailable())
        GTEST_SKIP() << "no vector route on this processor";
    static DeepPlanes portable, vector;
    std::mt19937 rng(11);
    auto any = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto randomFrame = [&](int w, int h) {
        kernels::Bitmap24 b(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < 3 * w; ++x)
                b.scanLine(y)[x] = std::uint8_t(any(0, 255));
        return b;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::array<double, 3> meansSets[] = {{5000, 4321.5, 3.0}, {nan, 1e300, 0.0}, {65280, 1, 7777.25}};
    int checked = 0;
    for (int width : {1, 2, 5, 7, 9, 13, 37, 101}) {
        for (int variant = 0; variant < 12; ++variant) {
            const int height = 4;
            const int B = variant % 4 == 3 ? 2 : 1;
            for (DeepPlanes* p : {&portable, &vector})
                p->clearAll();
            for (int plane : {0, 1, 2, 5})
                for (int y = 0; y < height + 1; ++y)
                    for (int x = 0; x < width + 2; ++x) {
                        std::uint16_t w[4];
                        for (std::uint16_t& v : w)
                            v = std::uint16_t(plane == 2 && any(0, 4) == 0 ? any(0, 1) : any(0, 65535));
                        std::memcpy(portable.pixel(plane, x, y), w, sizeof w);
                        std::memcpy(vector.pixel(plane, x, y), w, sizeof w);
                    }
            if (variant % 5 == 4)
                for (DeepPlanes* p : {&portable, &vector})
                    p->clear(0);
            const kernels::Bitmap24 frame = randomFrame(width * B + 1, height * B);
            const kernels::Bitmap24 oldest = randomFrame(std::max(width * B - 3, 1), height * B - 1);
            AccumulateJob j;
            j.width = width;
            j.height = height;
            j.binning = B;
            j.frame = variant % 6 == 5 ? nullptr : &frame;
            j.subtract = variant % 3 == 1 ? &oldest : nullptr;
            j.plainCopy = variant % 4 == 0;
            j.correct = !j.plainCopy;
            j.dark = variant % 2 == 1;
            // Variant 5's dark amounts of even words fall on halves.
            j.darkLevel = variant % 7 == 3 ? 1e300 : variant == 5 ? 0.5 : 0.37 * (variant + 1);
            j.darkRatio = variant == 5 ? 1.0 : 17.0 / (variant + 3);
            j.darkFrames = 3;
            j.flat = variant % 3 != 2;
            j.flatMeans = meansSets[variant % 3];
            // Three passes with the same tables: the dark amounts worked out
            // in the pass, then kept in a plane and read from it.
            kernels::ResultTables tp, tv;
            for (int pass = 0; pass < 3; ++pass) {
                kernels::LevelStats sp{1 << 30, 0}, sv = sp;
                kernels::SetPassRoute(kernels::PassRoute::Portable);
                kernels::Accumulate(portable, j, tp, sp);
                kernels::SetPassRoute(kernels::PassRoute::Best);
                kernels::Accumulate(vector, j, tv, sv);
                EXPECT_EQ(sp.min, sv.min) << "width " << width << " variant " << variant << " pass " << pass;
                EXPECT_EQ(sp.max, sv.max) << "width " << width << " variant " << variant << " pass " << pass;
                for (int plane : {0, 5})
                    for (int y = 0; y < height + 1; ++y)
                        ASSERT_EQ(std::memcmp(portable.row(plane, y), vector.row(plane, y), (width + 2) * 8), 0)
                            << "plane " << plane << " row " << y << " width " << width << " variant " << variant
                            << " pass " << pass;
            }
            ++checked;
        }
    }
    EXPECT_EQ(checked, 96);

    // The level table, filled by runs, is the stretch word by word.
    kernels::ResultTables t;
    for (auto [low, range] : {std::pair{0, 1}, {100, 3}, {1000, 700}, {30000, 65535}, {65000, 123456789}}) {
        const std::uint8_t* L = t.levels(std::uint16_t(low), range, nullptr);
        for (int w = 0; w < 65536; w += 7)
            ASSERT_EQ(L[w], w <= low ? 0 : std::min<std::int64_t>(255, std::int64_t(w - low) * 256 / range)) << w;
    }
}

// The display pass works the plain stretch out on the vector route: the
// same bytes as the level table, for rows of every length around the
// vector step, words at and around the thresholds, ranges from 0 to beyond
// what any word reaches, and channels left out.
TEST(ResultPasses, VectorStretchShowsTheLevelTable)
{
    if (!kernels::VectorRouteAvailable())
        GTEST_SKIP() << "no vector route on this processor";
    std::mt19937 rng(29);
    auto any = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const std::pair<int, std::int32_t> stretches[] = {{0, 0},       {0, 1},          {100, 3},     {1000, 700},
                                                      {12, 255},    {12, 257},       {0, 65535},   {30000, 65535},
                                                      {65535, 1},   {0, 65535 * 256}, {0, 65535 * 256 + 1},
                                                      {65000, 123456789}, {4321, 40000}};
    kernels::ResultTables t;
    int rowsChecked = 0;
    for (const auto& [low, range] : stretches) {
        planes().clearAll();
        const int width = 1 + (rowsChecked % 23);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 40; ++x) {
                std::uint16_t* p = planes().pixel(5, x, y);
                for (int k = 0; k < 4; ++k) {
                    const int pick = any(0, 5);
                    const std::int64_t edge = pick == 0   ? low
                                              : pick == 1 ? low + 1
                                              : pick == 2 ? std::int64_t(low) + range
                                              : pick == 3 ? std::int64_t(low) + range - 1
                                                          : any(0, 65535);
                    p[k] = std::uint16_t(std::clamp<std::int64_t>(edge + (pick < 4 ? any(-1, 1) : 0), 0, 65535));
                }
            }
        for (int shown = 0; shown < 8; ++shown) {
            kernels::DisplayJob dj;
            dj.height = 24;
            dj.low = std::uint16_t(low);
            dj.range = range;
            dj.levels = t.levels(dj.low, range, nullptr);
            dj.plainStretch = true;
            dj.showBlue = shown & 1;
            dj.showGreen = shown & 2;
            dj.showRed = shown & 4;
            for (int w : {width, 9, 10, 11, 17, 18, 26, 37, 40}) {
                dj.width = w;
                kernels::Bitmap24 a(w, 24), b(w, 24);
                kernels::SetPassRoute(kernels::PassRoute::Portable);
                kernels::DisplayPass(planes(), dj, a);
                kernels::SetPassRoute(kernels::PassRoute::Best);
                kernels::DisplayPass(planes(), dj, b);
                for (int y = 0; y < 24; ++y, ++rowsChecked)
                    ASSERT_EQ(std::memcmp(a.scanLine(y), b.scanLine(y), std::size_t(w) * 3), 0)
                        << "low " << low << " range " << range << " width " << w << " row " << y << " shown "
                        << shown;
            }
        }
    }
    EXPECT_GT(rowsChecked, 10000);
}

// The vector stretch divides every word exactly: all 65536 words, spread
// over the three lanes shown, against the level table, for the ranges around every power of two
// (where the divisor's shift changes), small ranges one by one and
// scattered large ones, with and without a low threshold.
TEST(ResultPasses, VectorStretchIsExactForEveryWordAndRange)
{
    if (!kernels::VectorRouteAvailable())
        GTEST_SKIP() << "no vector route on this processor";
    constexpr int kWidth = 1281, kRows = 18;   // 23058 pixels of three words shown
    planes().clearAll();
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kWidth; ++x) {
            std::uint16_t* p = planes().pixel(5, x, y);
            const int n = y * kWidth + x;
            for (int k = 0; k < 4; ++k)
                p[k] = std::uint16_t(3 * n + k);
        }
    std::vector<std::int32_t> ranges;
    for (int l = 0; l <= 25; ++l)
        for (int d : {-1, 0, 1})
            ranges.push_back((1 << l) + d);
    for (int r = 2; r < 300; ++r)
        ranges.push_back(r);
    std::mt19937 rng(41);
    for (int i = 0; i < 40; ++i)
        ranges.push_back(std::uniform_int_distribution<std::int32_t>(300, 65535 * 256 + 2)(rng));
    ranges.push_back(2147483647);
    kernels::ResultTables t;
    kernels::Bitmap24 a(kWidth, kRows), b(kWidth, kRows);
    for (std::int32_t range : ranges) {
        for (std::uint16_t low : {std::uint16_t(0), std::uint16_t(777)}) {
            kernels::DisplayJob dj;
            dj.width = kWidth;
            dj.height = kRows;
            dj.low = low;
            dj.range = range;
            dj.levels = t.levels(low, range, nullptr);
            dj.plainStretch = true;
            kernels::SetPassRoute(kernels::PassRoute::Portable);
            kernels::DisplayPass(planes(), dj, a);
            kernels::SetPassRoute(kernels::PassRoute::Best);
            kernels::DisplayPass(planes(), dj, b);
            for (int y = 0; y < kRows; ++y)
                ASSERT_EQ(std::memcmp(a.scanLine(y), b.scanLine(y), std::size_t(kWidth) * 3), 0)
                    << "range " << range << " low " << low << " row " << y;
        }
    }
}

// A running sum with a dark (and a flat) takes a new dark ratio at every
// frame; the vector route looks the amounts up over the dark's span of
// words. Its words are the portable route's while the dark changes under
// it: words beyond the span on either side, a dark cleared and refilled,
// a larger size, a new level, the largest words, and without the flat.
TEST(ResultPasses, DarkAmountsOfARunningSumFollowTheDark)
{
    if (!kernels::VectorRouteAvailable())
        GTEST_SKIP() << "no vector route on this processor";
    static DeepPlanes portable, vector;
    for (DeepPlanes* p : {&portable, &vector})
        p->clearAll();
    std::mt19937 rng(43);
    auto any = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int H = 6;
    auto setWord = [&](int plane, int x, int y, int k, int v) {
        portable.pixel(plane, x, y)[k] = std::uint16_t(v);
        vector.pixel(plane, x, y)[k] = std::uint16_t(v);
    };
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < 40; ++x)
            for (int k = 0; k < 4; ++k) {
                setWord(0, x, y, k, any(0, 65280));
                setWord(1, x, y, k, any(1400, 1600));
                setWord(2, x, y, k, any(0, 9) == 0 ? any(0, 1) : any(4000, 6000));
            }
    AccumulateJob j;
    j.width = 29;
    j.height = H;
    j.correct = true;
    j.dark = true;
    j.darkLevel = 0.5;
    j.darkFrames = 10;
    j.flat = true;
    j.flatMeans = {5000, 4800.5, 5100};
    kernels::ResultTables tp, tv;
    int frame = 0;
    // Three frames; with sameRatio the first keeps the last frame's ratio
    // (the dark changed, its amounts not yet kept).
    auto check = [&](const char* after, bool sameRatio = false) {
        for (int n = 0; n < 3; ++n, ++frame) {
            // Ratios on halves and beyond: the amounts reach 65535.
            if (!(sameRatio && n == 0))
                j.darkRatio = (frame + 1) / 10.0 + (frame % 4 == 3 ? 40 : 0);
            kernels::LevelStats sp{1 << 30, 0}, sv = sp;
            kernels::SetPassRoute(kernels::PassRoute::Portable);
            kernels::Accumulate(portable, j, tp, sp);
            kernels::SetPassRoute(kernels::PassRoute::Best);
            kernels::Accumulate(vector, j, tv, sv);
            EXPECT_EQ(sp.min, sv.min) << after << " frame " << frame;
            EXPECT_EQ(sp.max, sv.max) << after << " frame " << frame;
            for (int y = 0; y < H; ++y)
                ASSERT_EQ(std::memcmp(portable.row(5, y), vector.row(5, y), std::size_t(j.width) * 8), 0)
                    << after << ": frame " << frame << " row " << y;
        }
    };
    check("steady");
    setWord(1, 28, H - 1, 2, 3000);
    setWord(1, 0, 0, 0, 7);
    check("words beyond the span", true);
    setWord(1, 3, 2, 1, 65535);
    check("the largest dark word", true);
    for (DeepPlanes* p : {&portable, &vector})
        p->clear(1);
    check("the dark cleared");
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < 40; ++x)
            for (int k = 0; k < 3; ++k)
                setWord(1, x, y, k, any(200, 260));
    check("the dark refilled narrower");
    j.width = 37;
    check("a larger size");
    j.darkLevel = 0.37;
    check("a new level");
    j.flat = false;
    check("without a flat");
    setWord(1, 5, 1, 0, 4000);
    check("without a flat, a word beyond the span", true);
    kernels::SetPassRoute(kernels::PassRoute::Best);
}

// The dark amounts worked out once and kept follow every change on the next
// frame: a dark word written, the dark cleared, a new level, a new ratio and
// a larger size; on both routes.
TEST(ResultPasses, KeptDarkAmountsFollowTheDarkLevelRatioAndSize)
{
    for (const auto route : {kernels::PassRoute::Portable, kernels::PassRoute::Best}) {
        kernels::SetPassRoute(route);
        planes().clearAll();
        int W = 9;
        const int H = 5;
        fill(0, 12, H, 5000, 6000, 7000);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < 12; ++x)
                for (int k = 0; k < 3; ++k)
                    planes().pixel(1, x, y)[k] = std::uint16_t(100 * (x + 1) + 10 * y + k);
        AccumulateJob j = correction(W, H);
        j.dark = true;
        j.darkLevel = 0.75;
        j.darkRatio = 3.0;
        j.darkFrames = 4;
        kernels::ResultTables tables;
        auto frame = [&](const char* after) {
            kernels::LevelStats s{1 << 30, 0};
            kernels::Accumulate(planes(), j, tables, s);
            const kernels::DeepPlanes& p = planes();
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x)
                    for (int k = 0; k < 3; ++k) {
                        const int P = p.pixel(0, x, y)[k];
                        const int d = kernels::rows::darkAmount(p.pixel(1, x, y)[k], j.darkLevel, j.darkRatio);
                        ASSERT_EQ(p.pixel(5, x, y)[k], P - std::min(P, d))
                            << after << ": pixel " << x << "," << y << " word " << k;
                    }
        };
        for (int n = 0; n < 3; ++n)
            frame("steady");
        planes().pixel(1, 4, 2)[1] = 2900;
        frame("a dark word written");
        frame("a dark word written");
        frame("a dark word written");
        j.darkLevel = 0.5;
        frame("a new level");
        frame("a new level");
        frame("a new level");
        j.darkRatio = 7.0;
        frame("a new ratio");
        frame("a new ratio");
        frame("a new ratio");
        W = 12;
        j.width = W;
        frame("a larger size");
        frame("a larger size");
        frame("a larger size");
        planes().clear(1);
        frame("the dark cleared");
        EXPECT_EQ(planes().pixel(5, 4, 2)[1], 6000);
    }
    kernels::SetPassRoute(kernels::PassRoute::Best);
}

// Rows split across a pool give the words, the extremes and the displayed
// bytes of one thread, for heights that split unevenly, with and without
// binning, subtraction, dark and flat, and every display variant.
TEST(ResultPasses, RowsOnThePoolGiveTheSameWordsAndBytes)
{
    static DeepPlanes single, pooled;
    kernels::RowPool pool(4);
    std::mt19937 rng(23);
    auto any = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto randomFrame = [&](int w, int h) {
        kernels::Bitmap24 b(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < 3 * w; ++x)
                b.scanLine(y)[x] = std::uint8_t(any(0, 255));
        return b;
    };
    for (const auto& [width, height] : {std::pair{37, 131}, {64, 64}, {5, 257}, {101, 32}}) {
        for (int variant = 0; variant < 6; ++variant) {
            const int B = variant == 3 ? 2 : 1;
            for (DeepPlanes* p : {&single, &pooled})
                p->clearAll();
            for (int plane : {0, 1, 2})
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) {
                        std::uint16_t w[4];
                        for (std::uint16_t& v : w)
                            v = std::uint16_t(any(0, plane == 0 ? 60000 : 9000));
                        std::memcpy(single.pixel(plane, x, y), w, sizeof w);
                        std::memcpy(pooled.pixel(plane, x, y), w, sizeof w);
                    }
            const kernels::Bitmap24 frame = randomFrame(width * B, height * B);
            const kernels::Bitmap24 oldest = randomFrame(width * B - 2, height * B - 5);
            AccumulateJob j;
            j.width = width;
            j.height = height;
            j.binning = B;
            j.frame = &frame;
            j.subtract = variant % 2 == 1 ? &oldest : nullptr;
            j.plainCopy = variant == 0;
            j.correct = !j.plainCopy;
            j.dark = variant >= 2;
            j.darkLevel = 0.61;
            j.darkRatio = 1.7;
            j.darkFrames = 4;
            j.flat = variant != 2;
            j.flatMeans = {5000, 4200, 3900};
            kernels::ResultTables ts, tp;
            kernels::LevelStats ss{1 << 30, 0}, sp = ss;
            kernels::Accumulate(single, j, ts, ss);
            j.pool = &pool;
            kernels::Accumulate(pooled, j, tp, sp);
            EXPECT_EQ(ss.min, sp.min) << width << "x" << height << " variant " << variant;
            EXPECT_EQ(ss.max, sp.max) << width << "x" << height << " variant " << variant;
            for (int plane : {0, 5})
                for (int y = 0; y < height; ++y)
                    ASSERT_EQ(std::memcmp(single.row(plane, y), pooled.row(plane, y), std::size_t(width) * 8), 0)
                        << "plane " << plane << " row " << y << " " << width << "x" << height << " variant " << variant;

            kernels::DisplayJob dj;
            dj.width = width;
            dj.height = height;
            dj.levels = ts.levels(std::uint16_t(ss.min), std::int32_t(ss.max - ss.min), nullptr);
            dj.grey = variant == 4;
            dj.showGreen = variant != 5;
            if (variant == 5) {
                dj.mixRed = {1, 0.5, 0.3, 0.2, 1.1};
                dj.saturation = 1.4;
            }
            kernels::Bitmap24 a(width, height), b(width, height);
            kernels::DisplayPass(single, dj, a);
            dj.pool = &pool;
            kernels::DisplayPass(pooled, dj, b);
            for (int y = 0; y < height; ++y)
                ASSERT_EQ(std::memcmp(a.scanLine(y), b.scanLine(y), std::size_t(width) * 3), 0)
                    << "display row " << y << " " << width << "x" << height << " variant " << variant;
        }
    }
}

// The display pass run behind the correction, row by row, shows the bytes
// of the display pass run afterwards, also into the bitmap it copies to,
// on one thread and on a pool; where the pass does not write every word
// the display reads (hot pixels, a display wider or taller than the pass)
// it leaves the display to the caller and says so.
TEST(ResultPasses, DisplayBehindTheCorrectionShowsTheBytesOfTheDisplayPass)
{
    static DeepPlanes ahead, behind;
    kernels::RowPool pool(3);
    std::mt19937 rng(31);
    auto any = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    struct Case {
        int width, height;
        bool plainCopy, dark, smart, flat, grey, onPool;
        int displayWidth, displayHeight;   // of the display job and the bitmaps
        bool shown;                        // done behind the correction
    };
    const Case cases[] = {
        {37, 41, false, true, false, true, false, false, 37, 41, true},
        {37, 41, false, true, false, true, false, true, 37, 41, true},
        {70, 67, true, false, false, false, false, true, 70, 67, true},
        {9, 5, false, false, false, true, true, false, 9, 5, true},
        {33, 40, false, true, false, false, false, true, 20, 17, true},
        {33, 40, false, true, true, false, false, false, 33, 40, false},
        {33, 40, false, true, false, true, false, true, 34, 40, false},
        {33, 40, false, true, false, true, false, false, 33, 41, false},
    };
    for (const Case& c : cases) {
        for (DeepPlanes* p : {&ahead, &behind})
            p->clearAll();
        for (int plane : {0, 1, 2, 5})
            for (int y = 0; y < c.height + 2; ++y)
                for (int x = 0; x < c.width + 2; ++x) {
                    std::uint16_t w[4];
                    for (std::uint16_t& v : w)
                        v = std::uint16_t(any(0, plane == 0 ? 60000 : 9000));
                    std::memcpy(ahead.pixel(plane, x, y), w, sizeof w);
                    std::memcpy(behind.pixel(plane, x, y), w, sizeof w);
                }
        AccumulateJob j;
        j.width = c.width;
        j.height = c.height;
        j.plainCopy = c.plainCopy;
        j.correct = !c.plainCopy;
        j.dark = c.dark;
        j.darkSmart = c.smart;
        j.darkLevel = 0.61;
        j.darkRatio = 1.7;
        j.darkFrames = 4;
        j.flat = c.flat;
        j.flatMeans = {5000, 4200, 3900};
        j.zone = {0, 0, c.width, c.height};
        j.pool = c.onPool ? &pool : nullptr;
        kernels::ResultTables ta, tb;
        kernels::DisplayJob dj;
        dj.width = c.displayWidth;
        dj.height = c.displayHeight;
        dj.low = 900;
        dj.range = 30000;
        dj.levels = ta.levels(dj.low, dj.range, nullptr);
        dj.plainStretch = true;
        dj.grey = c.grey;
        dj.pool = j.pool;
        const std::string what = std::to_string(c.width) + "x" + std::to_string(c.height) + " display "
                                 + std::to_string(c.displayWidth) + "x" + std::to_string(c.displayHeight);

        // Afterwards: the pass, the display pass, then a copy.
        kernels::Bitmap24 a(c.displayWidth, c.displayHeight), aCopy(c.displayWidth, c.displayHeight);
        kernels::LevelStats sa{1 << 30, 0}, sb = sa;
        kernels::Accumulate(ahead, j, ta, sa);
        kernels::DisplayPass(ahead, dj, a);
        for (int y = 0; y < c.displayHeight; ++y)
            std::memcpy(aCopy.scanLine(y), a.scanLine(y), std::size_t(c.displayWidth) * 3);
        // The display pass alone, also into a copy: both hold those bytes.
        {
            kernels::Bitmap24 own(c.displayWidth, c.displayHeight), copied(c.displayWidth, c.displayHeight);
            kernels::DisplayJob copying = dj;
            copying.copyInto = &copied;
            kernels::DisplayPass(ahead, copying, own);
            for (int y = 0; y < c.displayHeight; ++y)
                for (const kernels::Bitmap24* o : {&own, &copied})
                    ASSERT_EQ(std::memcmp(a.scanLine(y), o->scanLine(y), std::size_t(c.displayWidth) * 3), 0)
                        << what << (o == &own ? " display" : " display copy") << " row " << y;
        }

        // Behind the correction, into b and its copy.
        kernels::Bitmap24 b(c.displayWidth, c.displayHeight), bCopy(c.displayWidth, c.displayHeight);
        kernels::DisplayJob djb = dj;
        djb.levels = tb.levels(dj.low, dj.range, nullptr);
        djb.copyInto = &bCopy;
        bool displayed = !c.shown;
        j.display = &djb;
        j.displayInto = &b;
        j.displayed = &displayed;
        kernels::Accumulate(behind, j, tb, sb);
        ASSERT_EQ(displayed, c.shown) << what;
        if (!displayed)
            kernels::DisplayPass(behind, djb, b);
        EXPECT_EQ(sa.min, sb.min) << what;
        EXPECT_EQ(sa.max, sb.max) << what;
        for (int y = 0; y < c.height; ++y)
            ASSERT_EQ(std::memcmp(ahead.row(5, y), behind.row(5, y), std::size_t(c.width) * 8), 0) << what << " row " << y;
        for (int y = 0; y < c.displayHeight; ++y) {
            ASSERT_EQ(std::memcmp(a.scanLine(y), b.scanLine(y), std::size_t(c.displayWidth) * 3), 0)
                << what << " display row " << y;
            ASSERT_EQ(std::memcmp(aCopy.scanLine(y), bCopy.scanLine(y), std::size_t(c.displayWidth) * 3), 0)
                << what << " copied row " << y;
        }
    }
}

// Every row of a run goes to exactly one part, in order, whatever the split.
TEST(RowPool, EachRowOnceInOrderedBands)
{
    for (int threads : {1, 2, 3, 4, 7}) {
        kernels::RowPool pool(threads);
        for (int rows : {0, 1, 31, 32, 64, 100, 129, 1000}) {
            std::vector<int> seen(std::size_t(rows), 0);
            std::vector<std::pair<int, int>> bands(std::size_t(threads), {-1, -1});
            pool.Run(rows, [&](int part, int first, int end) {
                bands[std::size_t(part)] = {first, end};
                for (int r = first; r < end; ++r)
                    ++seen[std::size_t(r)];
            });
            for (int r = 0; r < rows; ++r)
                ASSERT_EQ(seen[std::size_t(r)], 1) << threads << " threads, " << rows << " rows, row " << r;
            const int parts = pool.Parts(rows);
            for (int p = 1; p < parts && rows > 0; ++p)
                EXPECT_EQ(bands[std::size_t(p)].first, bands[std::size_t(p - 1)].second);
        }
        EXPECT_THROW(pool.Run(200, [&pool](int part, int, int) {
            if (part == pool.Parts(200) - 1)
                throw std::runtime_error("band");
        }), std::runtime_error);
    }
}
