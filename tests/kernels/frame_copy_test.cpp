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

// Taking from a hand-over: a bitmap of the hand-over's layout receives the
// delivered buffer itself; any other bitmap (or a hand-over without a
// layout) gets a copy with the same pixels in its top-left corner.
TEST(TakeFrame, ExchangesBuffersWhenTheLayoutsMatchAndCopiesOtherwise)
{
    const std::vector<std::uint8_t> grey = {10, 20, 30, 40, 50, 60};
    const platform::FrameView frame{3, 2, 3, platform::PixelFormat::Mono8, grey.data(), grey.size()};
    auto expectFrame = [&](const kernels::Bitmap24& b) {
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(b.scanLine(y)[3 * x + c], grey[std::size_t(3 * y + x)]) << x << "," << y;
    };

    kernels::Bitmap24 live(5, 4);
    platform::FrameHandOver h;
    h.arm(1, nullptr, kernels::LayoutOf(live));
    ASSERT_TRUE(h.deliver(1, frame));
    const std::uint8_t* before = live.bits();
    ASSERT_TRUE(kernels::TakeFrame(h, live));
    EXPECT_NE(live.bits(), before) << "the buffers were exchanged";
    expectFrame(live);
    EXPECT_EQ(live.scanLine(3)[14], 0) << "black outside the frame";
    EXPECT_FALSE(kernels::TakeFrame(h, live)) << "taken once";

    kernels::Bitmap24 other(4, 4);
    ASSERT_TRUE(h.deliver(1, frame));
    before = other.bits();
    ASSERT_TRUE(kernels::TakeFrame(h, other));
    EXPECT_EQ(other.bits(), before) << "another layout is copied into";
    expectFrame(other);

    platform::FrameHandOver packed;
    packed.arm(2, nullptr);
    ASSERT_TRUE(packed.deliver(2, frame));
    before = live.bits();
    ASSERT_TRUE(kernels::TakeFrame(packed, live));
    EXPECT_EQ(live.bits(), before);
    expectFrame(live);
    kernels::Bitmap24 small(2, 2);
    EXPECT_FALSE(kernels::TakeFrame(packed, small)) << "too small";
}
