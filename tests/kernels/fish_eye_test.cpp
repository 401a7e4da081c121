#include "kernels/fish_eye.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kernels;

namespace {

// A grey image from rows of levels (each pixel's three bytes equal).
Bitmap24 image(const std::vector<std::vector<int>>& rows)
{
    Bitmap24 b(int(rows[0].size()), int(rows.size()));
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            for (int c = 0; c < 3; ++c)
                b.scanLine(y)[3 * x + c] = std::uint8_t(rows[std::size_t(y)][std::size_t(x)]);
    return b;
}

std::vector<int> row(const Bitmap24& b, int y, int channel = 0)
{
    std::vector<int> out;
    for (int x = 0; x < b.width(); ++x)
        out.push_back(b.scanLine(y)[3 * x + channel]);
    return out;
}

// Background 120, a dark rim of 50 on both sides of a 4-pixel star of 200.
const std::vector<int> kRimmedStar = {120, 120, 120, 120, 120, 50, 50, 200, 200, 200,
                                      200, 50,  50,  120, 120, 120, 120, 120, 120, 120};

Bitmap24 run(Bitmap24 b, FishEyeSettings s = {})
{
    Bitmap24 copy;
    FishEyeAttenuation(b, s, copy);
    return b;
}

} // namespace

TEST(FishEye, RimmedStarGoldenRowsForEachLinearity)
{
    // E = round(4 x 0.8 + 0.5) + 1 = 5: the rims run over columns 2..6 and
    // 11..15, but only the dark pixels change.
    FishEyeSettings s;
    s.linearity = 1;   // straight ramp from 120 towards 200 in 6 steps
    EXPECT_EQ(row(run(image({kRimmedStar, kRimmedStar}), s), 0),
              (std::vector<int>{120, 120, 120, 120, 120, 173, 187, 200, 200, 200, 200, 187, 173, 120, 120, 120, 120,
                                120, 120, 120}));
    s.linearity = 2.5;   // the default: stays low, rises late (80 x 4^2.5 / 6^2.5 = 29.0)
    EXPECT_EQ(row(run(image({kRimmedStar, kRimmedStar}), s), 0),
              (std::vector<int>{120, 120, 120, 120, 120, 149, 171, 200, 200, 200, 200, 171, 149, 120, 120, 120, 120,
                                120, 120, 120}));
    s.linearity = 0;   // the edge value
    EXPECT_EQ(row(run(image({kRimmedStar, kRimmedStar}), s), 0),
              (std::vector<int>{120, 120, 120, 120, 120, 200, 200, 200, 200, 200, 200, 200, 200, 120, 120, 120, 120,
                                120, 120, 120}));
    // The last row is never visited.
    EXPECT_EQ(row(run(image({kRimmedStar, kRimmedStar}), s), 1), kRimmedStar);
}

TEST(FishEye, ChannelsRampSeparatelyRoundingHalvesToEven)
{
    Bitmap24 b = image({kRimmedStar, kRimmedStar});
    // The star's edge pixel at column 7 is blue 255, green 200, red 145.
    b.scanLine(0)[21] = 255;
    b.scanLine(0)[23] = 145;
    FishEyeSettings s;
    s.linearity = 1;
    const Bitmap24 out = run(b, s);
    EXPECT_EQ(out.scanLine(0)[3 * 6 + 0], 120 + 112);   // 135 x 5 / 6 = 112.5, to the even 112
    EXPECT_EQ(out.scanLine(0)[3 * 6 + 1], 187);
    EXPECT_EQ(out.scanLine(0)[3 * 6 + 2], 120 + 21);    // 25 x 5 / 6 = 20.8
}

TEST(FishEye, OnlyStarSizedRunsAndOnlyDarkRimPixels)
{
    // Runs of 1 and 2 bright pixels stay, as does a run of MaxStarRadius.
    const std::vector<int> small = {120, 50, 200, 50, 120, 120, 50, 200, 200, 50, 120, 120};
    EXPECT_EQ(row(run(image({small, small})), 0), small);
    FishEyeSettings s;
    s.maxStarRadius = 4;
    EXPECT_EQ(row(run(image({kRimmedStar, kRimmedStar}), s), 0), kRimmedStar);
    s.maxStarRadius = 0;
    EXPECT_EQ(row(run(image({kRimmedStar, kRimmedStar}), s), 0), kRimmedStar);
    // A rim pixel at MinDetect or above stays.
    std::vector<int> bright = kRimmedStar;
    bright[6] = 100;
    s = {};
    s.linearity = 1;
    const auto out = row(run(image({bright, bright}), s), 0);
    EXPECT_EQ(out[5], 173);
    EXPECT_EQ(out[6], 100);
}

TEST(FishEye, RunsCarryIntoTheNextRowAndEdgesStayInside)
{
    // Three bright pixels end row 0 and two start row 1: one run of 5, whose
    // right rim (E = round(4.5) + 1 = 5, columns 2..6) is corrected in row 1.
    const std::vector<int> r0 = {120, 120, 120, 120, 120, 120, 120, 200, 200, 200};
    const std::vector<int> r1 = {200, 200, 50, 50, 50, 50, 50, 120, 120, 120};
    FishEyeSettings s;
    s.linearity = 1;
    const Bitmap24 out = run(image({r0, r1, r1}), s);
    EXPECT_EQ(row(out, 0), r0);
    // Outside pixel column 7 (120), edge column 1 (200): 120 + 80 k / 6 from column 6 down.
    EXPECT_EQ(row(out, 1), (std::vector<int>{200, 200, 187, 173, 160, 147, 133, 120, 120, 120}));

    // A run that ends at the end of the row above has no edge in this row:
    // nothing is read before column 0 and nothing changes.
    const std::vector<int> e0 = {120, 120, 200, 200, 200, 200};
    const std::vector<int> e1 = {50, 50, 120, 120, 120, 120};
    EXPECT_EQ(row(run(image({e0, e1, e1}), s), 1), e1);

    // A left rim reaching column 0 takes column 0 as its outside pixel.
    const std::vector<int> left = {50, 50, 200, 200, 200, 200, 120, 120, 120, 120, 120, 120};
    EXPECT_EQ(row(run(image({left, left}), s), 0),
              (std::vector<int>{75, 100, 200, 200, 200, 200, 120, 120, 120, 120, 120, 120}));

    // The right rim stops one column before the last.
    const std::vector<int> right = {120, 120, 120, 120, 120, 200, 200, 200, 200, 50, 50, 50};
    const auto r = row(run(image({right, right}), s), 0);
    EXPECT_EQ(r[11], 50);
    EXPECT_NE(r[10], 50);
}

TEST(FishEye, DegenerateImagesAndSettings)
{
    for (auto [w, h] : {std::pair{1, 1}, {7, 1}, {0, 0}, {1, 5}}) {
        Bitmap24 b(w, h);
        for (int y = 0; y < h; ++y)
            std::fill_n(b.scanLine(y), w * 3, 200);
        const Bitmap24 before = b;
        Bitmap24 copy;
        FishEyeAttenuation(b, {}, copy);
        EXPECT_TRUE(SamePixels(b, before)) << w << "x" << h;
    }
    // The working copy is kept and reused at the same size.
    Bitmap24 b = image({kRimmedStar, kRimmedStar});
    Bitmap24 copy;
    FishEyeAttenuation(b, {}, copy);
    const std::uint8_t* kept = copy.bits();
    b = image({kRimmedStar, kRimmedStar});
    FishEyeAttenuation(b, {}, copy);
    EXPECT_EQ(copy.bits(), kept);
}
