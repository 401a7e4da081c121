#include "kernels/frame_copy.h"

#include <gtest/gtest.h>

#include <vector>

TEST(CopyFrameToBitmap, CopiesWhatWasDeliveredAndSkipsShortFrames)
{
    kernels::Bitmap24 dst;
    // 3 x 2 grey frame with a stride of 4: each level goes to all three channels.
    const std::vector<std::uint8_t> grey = {10, 20, 30, 0, 40, 50, 60, 0};
    platform::FrameView f{3, 2, 4, platform::PixelFormat::Mono8, grey.data(), 7};
    EXPECT_FALSE(kernels::CopyFrameToBitmap({3, 2, 4, platform::PixelFormat::Mono8, grey.data(), 6}, dst))
        << "one byte short";
    EXPECT_TRUE(dst.isEmpty()) << "a skipped frame leaves the bitmap alone";
    ASSERT_TRUE(kernels::CopyFrameToBitmap(f, dst)) << "the last row needs no padding; an empty bitmap takes the size";
    ASSERT_EQ(dst.width(), 3);
    ASSERT_EQ(dst.height(), 2);
    EXPECT_EQ(dst.scanLine(1)[6], 60);
    EXPECT_EQ(dst.scanLine(1)[8], 60);

    // A smaller frame goes into the top-left corner; the rest is kept.
    const std::vector<std::uint8_t> bgr = {1, 2, 3, 4, 5, 6, 9, 9, 7, 8, 9, 10, 11, 12, 9, 9};
    ASSERT_TRUE(kernels::CopyFrameToBitmap({2, 2, 8, platform::PixelFormat::Bgr24, bgr.data(), bgr.size()}, dst));
    EXPECT_EQ(dst.width(), 3);
    EXPECT_EQ(std::vector<std::uint8_t>(dst.scanLine(1), dst.scanLine(1) + 9),
              (std::vector<std::uint8_t>{7, 8, 9, 10, 11, 12, 60, 60, 60}));
    const std::vector<std::uint8_t> big(4 * 2 * 3, 1);
    EXPECT_FALSE(kernels::CopyFrameToBitmap({4, 2, 12, platform::PixelFormat::Bgr24, big.data(), big.size()}, dst))
        << "wider than the bitmap";
}
