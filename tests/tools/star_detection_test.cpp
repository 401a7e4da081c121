// The star search of the image tool.

#include "image_tool_fixture.h"

#include "app/frm_alv.h"
#include "imaging/pipeline_state.h"
#include "kernels/raster.h"
#include "support/star_field.h"
#include "tools/frm_tool_images.h"
#include "tools/star_detection.h"

#include <cmath>

using namespace StarDetection;

namespace {

int brightestGrey(const kernels::Bitmap24& b)
{
    int best = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            const std::uint8_t* p = b.scanLine(y) + 3 * x;
            best = std::max(best, (p[0] + p[1] + p[2]) / 3);
        }
    return best;
}

// A round star of radius 3 centred on (x, y).
void roundStar(kernels::Bitmap24& b, int x, int y)
{
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
            if (dx * dx + dy * dy <= 9)
                kernels::setPixel(b, x + dx, y + dy, kernels::rgbColour(250, 250, 250));
}

} // namespace

TEST(StarSearch, EachStarOnceNearItsCentreOverTheWholeFrame)
{
    const testsupport::StarField field({.width = 640, .height = 480, .seed = 11, .stars = 30, .noise = 1.0});
    const kernels::Bitmap24 source = field.render();
    kernels::Bitmap24 target(640, 480), result(640, 480);
    std::vector<QPoint> lines;
    const int threshold = 90;
    const int n = FindStars(target, source, threshold, true, 100, 4, lines, &result);
    const auto& list = CurrentList();
    EXPECT_EQ(int(list.size()), n);
    EXPECT_EQ(int(lines.size()), n);

    // Stars clearly above the threshold and apart from the others are each
    // found once, (X - 1, Y - 1) within a pixel of the centre; every found
    // star is one of the field's.
    const auto& stars = field.stars();
    int expected = 0;
    for (const auto& s : stars) {
        const double level = 20 + s.peak;
        bool alone = true;
        for (const auto& o : stars)
            if (&o != &s && std::hypot(o.x - s.x, o.y - s.y) < 12)
                alone = false;
        if (!alone || level < threshold + 30)
            continue;
        ++expected;
        int hits = 0;
        for (const TStar& f : list)
            if (std::abs(f.X - 1 - s.x) <= 1.0 && std::abs(f.Y - 1 - s.y) <= 1.0)
                ++hits;
        EXPECT_EQ(hits, 1) << s.x << "," << s.y << " peak " << s.peak;
    }
    EXPECT_GT(expected, 5);
    for (const TStar& f : list) {
        bool known = false;
        for (const auto& s : stars)
            known = known || std::hypot(f.X - 1 - s.x, f.Y - 1 - s.y) <= 4;
        EXPECT_TRUE(known) << f.X << "," << f.Y;
        EXPECT_GE(f.Radius, 0);
    }
    // The first star is circled in red on the target.
    ASSERT_FALSE(list.empty());
    int red = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            red += kernels::pixel(target, x, y) == kernels::rgbColour(255, 0, 0);
    EXPECT_GT(red, 8 * n);
}

TEST(StarSearch, TheSpiralReachesTheSidesOfAWideFrame)
{
    // A lone star near the left edge of a wide frame.
    kernels::Bitmap24 source(640, 480), target(640, 480);
    roundStar(source, 5, 202);
    std::vector<QPoint> lines;
    EXPECT_EQ(FindStars(target, source, 100, false, 0, 4, lines), 1);
    ASSERT_EQ(lines.size(), 1u);
    const TStar& s = CurrentList().front();
    EXPECT_NEAR(s.X - 1, 5, 1.0);
    EXPECT_NEAR(s.Y - 1, 202, 1.0);
    // And of a tall one, to the right.
    kernels::Bitmap24 tall(200, 600), tallTarget(200, 600);
    roundStar(tall, 193, 13);
    EXPECT_EQ(FindStars(tallTarget, tall, 100, false, 0, 4, lines), 1);
}

TEST(StarSearch, NothingAboveTheThresholdListsRotateAndOddInputs)
{
    const testsupport::StarField field({.width = 320, .height = 240, .seed = 5, .stars = 10});
    const kernels::Bitmap24 source = field.render();
    kernels::Bitmap24 target(320, 240), result(320, 240);
    std::vector<QPoint> lines{{1, 2}};
    StarListIndex = 0;
    EXPECT_EQ(FindStars(target, source, brightestGrey(source), true, 0, 4, lines, &result), 0);
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(CurrentList().empty());
    EXPECT_TRUE(kernels::SamePixels(result, source));
    EXPECT_EQ(StarListIndex, 1);

    // Four searches fill lists 1, 2, 3 and 1 again; the others keep theirs.
    FindStars(target, source, 60, true, 0, 4, lines);
    EXPECT_EQ(StarListIndex, 2);
    const auto second = StarLists[1].size();
    EXPECT_GT(second, 0u);
    FindStars(target, source, 60, true, 0, 0, lines);   // diameter 0 starts at 0
    EXPECT_EQ(StarListIndex, 3);
    FindStars(target, source, 255, true, 0, 1, lines);
    EXPECT_EQ(StarListIndex, 1);
    EXPECT_TRUE(StarLists[0].empty());
    EXPECT_EQ(StarLists[1].size(), second);

    // Empty bitmaps and a source of another size than the target.
    kernels::Bitmap24 empty;
    EXPECT_EQ(FindStars(empty, source, 60, true, 0, 4, lines), 0);
    EXPECT_EQ(FindStars(target, empty, 60, true, 0, 4, lines, &result), 0);
    kernels::Bitmap24 small(100, 50);
    roundStar(small, 43, 23);
    EXPECT_EQ(FindStars(target, small, 100, true, 0, 4, lines, &result), 1);
    kernels::Bitmap24 bigTarget(30, 30);
    EXPECT_EQ(FindStars(bigTarget, source, 255, true, 0, 4, lines, &result), 0);
}

TEST(StarSearch, ABrightFrameAtThresholdZeroEnds)
{
    kernels::Bitmap24 source(320, 240), target(320, 240);
    kernels::fillRect(source, {0, 0, 320, 240}, kernels::rgbColour(200, 200, 200));
    std::vector<QPoint> lines;
    const int n = FindStars(target, source, 0, true, 0, 4, lines);
    EXPECT_GE(n, 1);
    EXPECT_EQ(int(lines.size()), n);
}

TEST_F(ImageTool, FindStarsButtonListsTheStarsOfTheShownImage)
{
    const testsupport::StarField field({.width = 64, .height = 48, .seed = 2, .stars = 3, .noise = 0.5,
                                        .minPeak = 200, .maxPeak = 230});
    FRM_Alv->Image1->SetPictureSize(64, 48);
    FRM_Alv->Image1->Bitmap() = field.render();
    FRM_Tool_Images->SPED_Seuil->setValue(150);
    FRM_Tool_Images->BTN_FindStars->click();
    EXPECT_GE(FRM_Tool_Images->LSB_BSC_OK->count(), 1);
    EXPECT_EQ(FRM_Tool_Images->LSB_BSC_OK->count(), int(CurrentList().size()));
    EXPECT_TRUE(FRM_Tool_Images->LSB_BSC_OK->item(0)->text().contains(u','));
    FRM_Tool_Images->BTN_Clear->click();
    EXPECT_EQ(FRM_Tool_Images->LSB_BSC_OK->count(), 0);
    FRM_Tool_Images->BTN_ShowStars->click();
    EXPECT_EQ(FRM_Tool_Images->LSB_BSC_OK->count(), int(CurrentList().size()));
}
