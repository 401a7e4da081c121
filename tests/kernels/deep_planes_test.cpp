#include "kernels/deep_planes.h"
#include "kernels/result_passes.h"

#include <gtest/gtest.h>

#include <cstring>

using kernels::DeepPlanes;

namespace {

// A 7 x 3 frame whose every pixel differs from its mirror images.
kernels::Bitmap24 asymmetricFrame()
{
    kernels::Bitmap24 f(7, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) {
            std::uint8_t* p = f.scanLine(y) + x * 3;
            p[0] = std::uint8_t(10 * x + y);        // blue
            p[1] = std::uint8_t(100 + 7 * y + x);   // green
            p[2] = std::uint8_t(200 + x * y);       // red
        }
    return f;
}

} // namespace

TEST(DeepPlanes, OneRowMajorLayoutForEveryReaderAndWriter)
{
    static DeepPlanes planes;
    ASSERT_TRUE(planes.isAllocated());
    EXPECT_EQ(DeepPlanes::kPlaneBytes, 13127688u);

    // Pixel (x, y) is element y x 1281 + x of its plane.
    const std::uint16_t* origin = planes.pixel(2, 0, 0);
    EXPECT_EQ(planes.pixel(2, 5, 3) - origin, (3 * 1281 + 5) * 4);
    EXPECT_EQ(planes.pixel(2, 1280, 1280) - origin, (1280 * 1281 + 1280) * 4);
    EXPECT_EQ(planes.row(2, 3) + 5 * 4, planes.pixel(2, 5, 3));
    EXPECT_EQ(planes.pixel(2, 1281, 0), nullptr);
    EXPECT_EQ(planes.pixel(2, 0, -1), nullptr);
    EXPECT_EQ(planes.pixel(6, 0, 0), nullptr);
    EXPECT_EQ(planes.row(-1, 0), nullptr);

    // A non-square frame added by the pass reads back through the accessor
    // at the same place, and the display pass turns plane 5 back into it.
    planes.clearAll();
    const kernels::Bitmap24 frame = asymmetricFrame();
    kernels::ResultTables tables;
    kernels::AccumulateJob job;
    job.width = 7;
    job.height = 3;
    job.frame = &frame;
    job.plainCopy = true;
    kernels::LevelStats stats{1 << 30, 0};
    ASSERT_TRUE(kernels::Accumulate(planes, job, tables, stats));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) {
            const std::uint8_t* f = frame.scanLine(y) + x * 3;
            const std::uint16_t* p = planes.pixel(0, x, y);
            const std::uint16_t* r = planes.pixel(5, x, y);
            ASSERT_EQ(p[0], f[0]) << x << "," << y;
            ASSERT_EQ(p[1], f[1]);
            ASSERT_EQ(p[2], f[2]);
            ASSERT_EQ(p[3], 0);
            ASSERT_EQ(r[2], f[2]);
        }
    EXPECT_EQ(planes.pixel(0, 7, 0)[0], 0);   // the first pixel after the frame's row
    EXPECT_EQ(planes.pixel(0, 0, 3)[0], 0);
    kernels::Bitmap24 shown(7, 3);
    kernels::DisplayJob dj;
    dj.width = 7;
    dj.height = 3;
    dj.levels = tables.levels(0, 256, nullptr);   // identity for 0..255
    kernels::DisplayPass(planes, dj, shown);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(0, std::memcmp(shown.scanLine(y), frame.scanLine(y), 21)) << y;
}

TEST(DeepPlanes, ClearedPlanesReadAsZerosWhateverPassFollows)
{
    static DeepPlanes planes;
    planes.pixel(1, 300, 200)[0] = 77;
    planes.clear(1);
    EXPECT_EQ(planes.pixel(1, 300, 200)[0], 0);

    // A pass that overwrites a smaller region after a clear gets it marked
    // as zeros; what it does not cover is zeroed for it.
    planes.pixel(1, 10, 10)[1] = 5;
    planes.pixel(1, 600, 5)[1] = 9;
    planes.clear(1);
    DeepPlanes::Region r = planes.overwrite(1, 20, 20);
    EXPECT_TRUE(r.zero);
    r.row(10)[10 * 4 + 1] = 3;
    EXPECT_EQ(planes.pixel(1, 600, 5)[1], 0);
    EXPECT_EQ(planes.pixel(1, 10, 10)[1], 3);
    EXPECT_FALSE(planes.overwrite(1, 20, 20).zero);
}
