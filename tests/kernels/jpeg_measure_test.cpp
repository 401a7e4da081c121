#include "kernels/jpeg_measure.h"
#include "support/star_field.h"

#include <gtest/gtest.h>

TEST(JpegMeasure, MoreDetailGivesALargerImageAndTheSameFrameTheSameSize)
{
    const testsupport::StarField field({.width = 320, .height = 240, .seed = 11, .stars = 60});
    const kernels::Bitmap24 stars = field.render();
    const kernels::Bitmap24 flat = testsupport::uniformBitmap(320, 240, 20, 20, 20);
    const kernels::Rect all{0, 0, 320, 240};
    const std::int64_t s = kernels::JpegCompressedSize(stars, all, 30);
    EXPECT_GT(s, kernels::JpegCompressedSize(flat, all, 30) * 5 / 4);
    EXPECT_EQ(s, kernels::JpegCompressedSize(field.render(), all, 30));
    EXPECT_GT(kernels::JpegCompressedSize(stars, all, 90), s);
    // A rectangle past the bitmap is clipped; nothing left measures 0.
    EXPECT_EQ(kernels::JpegCompressedSize(stars, {-50, -50, 370, 290}, 30), s);
    EXPECT_EQ(kernels::JpegCompressedSize(stars, {400, 0, 500, 10}, 30), 0);
    EXPECT_GT(kernels::JpegCompressedSize(stars, all, -5), 0);
}

TEST(JpegMeasure, ReusedCoderMeasuresEachSizeAlikeInAnyOrder)
{
    const testsupport::StarField field({.width = 640, .height = 480, .seed = 5, .stars = 80});
    const kernels::Bitmap24 stars = field.render();
    const kernels::Rect big{0, 0, 640, 480}, small{100, 50, 180, 110}, thin{0, 0, 640, 1};
    const std::int64_t b = kernels::JpegCompressedSize(stars, big, 50);
    const std::int64_t s = kernels::JpegCompressedSize(stars, small, 50);
    const std::int64_t t = kernels::JpegCompressedSize(stars, thin, 50);
    // The image memory kept from a larger picture serves smaller ones and back.
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(kernels::JpegCompressedSize(stars, thin, 50), t);
        EXPECT_EQ(kernels::JpegCompressedSize(stars, big, 50), b);
        EXPECT_EQ(kernels::JpegCompressedSize(stars, small, 50), s);
    }
    EXPECT_GT(b, s);
    EXPECT_GT(s, 0);
    EXPECT_GT(t, 0);
}
