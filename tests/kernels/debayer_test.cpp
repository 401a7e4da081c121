#include "kernels/debayer.h"

#include "kernels/clone_route.h"
#include "kernels/row_pool.h"
#include "support/star_field.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using kernels::Bitmap24;

namespace {

// The rebuild written out pixel by pixel, channel by channel.
void referenceDebayer(const Bitmap24& s, Bitmap24& d, int mode)
{
    d.resize(s.width(), s.height());
    if (mode < 1 || mode > 4 || s.width() < 3 || s.height() < 3)
        return;
    // 0 red, 1 green on a red row, 2 green on a blue row, 3 blue.
    static const int sites[4][4] = {{1, 0, 3, 2}, {0, 1, 2, 3}, {3, 2, 1, 0}, {2, 3, 0, 1}};
    auto S = [&](int x, int y, int c) { return int(s.scanLine(y)[3 * x + c]); };
    for (int y = 1; y < s.height() - 1; ++y)
        for (int x = 1; x < s.width() - 1; ++x) {
            const int site = sites[mode - 1][(x & 1) + 2 * (y & 1)];
            auto H = [&](int c) { return (S(x - 1, y, c) + S(x + 1, y, c)) >> 1; };
            auto V = [&](int c) { return (S(x, y - 1, c) + S(x, y + 1, c)) >> 1; };
            auto X = [&](int c) {
                return (S(x - 1, y - 1, c) + S(x + 1, y - 1, c) + S(x - 1, y + 1, c) + S(x + 1, y + 1, c)) >> 2;
            };
            auto P = [&](int c) { return (S(x, y - 1, c) + S(x - 1, y, c) + S(x + 1, y, c) + S(x, y + 1, c)) >> 2; };
            int b = 0, g = 0, r = 0;
            switch (site) {
            case 0: r = S(x, y, 2), g = P(1), b = X(0); break;
            case 3: b = S(x, y, 0), g = P(1), r = X(2); break;
            case 1: r = H(2), g = S(x, y, 1), b = V(0); break;
            default: r = V(2), g = S(x, y, 1), b = H(0); break;
            }
            std::uint8_t* p = d.scanLine(y) + 3 * x;
            p[0] = std::uint8_t(b), p[1] = std::uint8_t(g), p[2] = std::uint8_t(r);
        }
}

Bitmap24 filled(int w, int h, std::uint8_t level)
{
    Bitmap24 b(w, h);
    for (int y = 0; y < h; ++y)
        std::fill(b.scanLine(y), b.scanLine(y) + 3 * w, level);
    return b;
}


} // namespace

TEST(DebayerFrame, EqualsThePlainRebuildOnRandomFramesOfEveryShape)
{
    std::mt19937 rng(7);
    for (const auto& [w, h] : {std::pair{3, 3}, {17, 5}, {21, 9}, {49, 7}, {97, 13}, {331, 11}, {641, 33}})
        for (int mode = 1; mode <= 4; ++mode) {
            Bitmap24 src(w, h);
            for (std::size_t i = 0; i < src.byteCount(); ++i)
                src.bits()[i] = std::uint8_t(rng());
            Bitmap24 fast = filled(w, h, 77), plain = filled(w, h, 77);
            kernels::DebayerFrame(src, fast, mode);
            referenceDebayer(src, plain, mode);
            EXPECT_TRUE(kernels::SamePixels(fast, plain)) << w << " x " << h << " mode " << mode;
            // The same bitmap as source and destination reads the frame as it was.
            Bitmap24 inPlace = src;
            kernels::DebayerFrame(inPlace, inPlace, mode);
            referenceDebayer(src, plain = src, mode);
            EXPECT_TRUE(kernels::SamePixels(inPlace, plain)) << "in place, " << w << " x " << h << " mode " << mode;
        }
}

TEST(DebayerFrame, WritesOnlyInnerPixelsAndPlacesTheSitesOfEachMode)
{
    // 3 x 3 writes its middle pixel only; the border keeps the previous content.
    Bitmap24 d = filled(3, 3, 9);
    kernels::DebayerFrame(filled(3, 3, 200), d, 1);
    EXPECT_EQ(d.scanLine(1)[3], 200);
    EXPECT_EQ(d.scanLine(0)[0], 9);
    EXPECT_EQ(d.scanLine(2)[8], 9);
    EXPECT_EQ(d.scanLine(1)[0], 9);

    // Too small, or an unknown mode: resized only.
    Bitmap24 small = filled(2, 5, 9);
    kernels::DebayerFrame(filled(2, 5, 100), small, 1);
    EXPECT_EQ(small.scanLine(2)[3], 9);
    Bitmap24 other;
    kernels::DebayerFrame(filled(8, 6, 100), other, 5);
    EXPECT_EQ(other.width(), 8);
    EXPECT_EQ(other.height(), 6);
    EXPECT_EQ(other.scanLine(2)[6], 0);

    // Even grey stays grey.
    Bitmap24 grey;
    kernels::DebayerFrame(filled(9, 7, 123), grey, 1);
    for (int y = 1; y < 6; ++y)
        for (int i = 3; i < 24; ++i)
            ASSERT_EQ(grey.scanLine(y)[i], 123);

    // A single lit red (blue) site keeps its own red (blue) and lends none of it
    // to the other colour's mean there.
    const int red[4][2] = {{1, 2}, {2, 2}, {1, 1}, {2, 1}};
    const int blue[4][2] = {{2, 1}, {1, 1}, {2, 2}, {1, 2}};
    for (int mode = 1; mode <= 4; ++mode) {
        Bitmap24 s = filled(5, 5, 0), o;
        s.scanLine(red[mode - 1][1])[3 * red[mode - 1][0] + 2] = 240;   // red byte
        s.scanLine(blue[mode - 1][1])[3 * blue[mode - 1][0]] = 120;     // blue byte
        kernels::DebayerFrame(s, o, mode);
        EXPECT_EQ(o.scanLine(red[mode - 1][1])[3 * red[mode - 1][0] + 2], 240) << "red site, mode " << mode;
        EXPECT_EQ(o.scanLine(blue[mode - 1][1])[3 * blue[mode - 1][0]], 120) << "blue site, mode " << mode;
        // The blue site sees the red one as a diagonal: a quarter of it.
        EXPECT_EQ(o.scanLine(blue[mode - 1][1])[3 * blue[mode - 1][0] + 2], 60) << "mode " << mode;
    }
}

TEST(DebayerFrame, RowsSplitAcrossThreadsGiveTheBytesOfOneThreadInPlaceToo)
{
    std::mt19937 rng(11);
    // Inner rows split into uneven bands and pieces; widths off the vector
    // step; both copies of the row loops.
    for (const auto route : {kernels::CloneRoute::Best, kernels::CloneRoute::Portable}) {
        kernels::SetCloneRoute(route);
        for (const int threads : {2, 3, 4}) {
            kernels::RowPool pool(threads);
            for (const auto& [w, h] : {std::pair{53, 131}, {1283, 70}, {18, 200}})
                for (int mode = 1; mode <= 4; ++mode) {
                    Bitmap24 src(w, h);
                    for (std::size_t i = 0; i < src.byteCount(); ++i)
                        src.bits()[i] = std::uint8_t(rng());
                    Bitmap24 one = filled(w, h, 5), many = filled(w, h, 5);
                    kernels::DebayerFrame(src, one, mode);
                    kernels::DebayerFrame(src, many, mode, &pool);
                    EXPECT_TRUE(kernels::SamePixels(one, many))
                        << threads << " threads, " << w << " x " << h << " mode " << mode << " route " << int(route);
                    Bitmap24 reference;
                    referenceDebayer(src, reference = src, mode);
                    Bitmap24 inPlace = src;
                    kernels::DebayerFrame(inPlace, inPlace, mode, &pool);
                    EXPECT_TRUE(kernels::SamePixels(inPlace, reference)) << "in place, " << threads << " threads, "
                                                                         << w << " x " << h << " mode " << mode;
                }
        }
    }
    kernels::SetCloneRoute(kernels::CloneRoute::Best);
}

// Rows read where they lie (one byte a pixel, or three, with padded rows)
// give the bytes of the rebuild of a bitmap holding them: odd and even
// sizes, every arrangement, one thread and a pool, both copies of the row
// loops, a destination of the same size (its border kept) or another
// (resized, its border zero).
TEST(DebayerFrame, RowsReadInPlaceGiveTheBytesOfTheBitmapRebuild)
{
    std::mt19937 rng(13);
    kernels::RowPool pool(3);
    for (const auto route : {kernels::CloneRoute::Best, kernels::CloneRoute::Portable}) {
        kernels::SetCloneRoute(route);
        for (const auto& [w, h] : {std::pair{3, 3}, {17, 5}, {50, 7}, {331, 70}, {641, 13}})
            for (const int bytes : {1, 3})
                for (int mode = 1; mode <= 4; ++mode) {
                    const std::ptrdiff_t stride = std::ptrdiff_t(w) * bytes + 5;   // rows padded, unaligned
                    std::vector<std::uint8_t> frame(std::size_t(stride) * std::size_t(h));
                    for (auto& b : frame)
                        b = std::uint8_t(rng());
                    // The frame as the copy would hold it.
                    Bitmap24 copy(w, h);
                    for (int y = 0; y < h; ++y)
                        for (int x = 0; x < w; ++x)
                            for (int c = 0; c < 3; ++c)
                                copy.scanLine(y)[3 * x + c] = frame[std::size_t(y * stride + x * bytes + (bytes == 3 ? c : 0))];
                    const kernels::MosaicRows rows{frame.data(), stride, w, h, bytes};
                    for (kernels::RowPool* threads : {static_cast<kernels::RowPool*>(nullptr), &pool})
                        for (const int destinationWidth : {w, w + 2}) {
                            Bitmap24 direct = filled(destinationWidth, h, 9), copied = filled(destinationWidth, h, 9);
                            kernels::DebayerFrame(rows, direct, mode, threads);
                            kernels::DebayerFrame(copy, copied, mode, threads);
                            EXPECT_EQ(direct.width(), w);
                            EXPECT_TRUE(kernels::SamePixels(direct, copied))
                                << w << " x " << h << ", " << bytes << " bytes a pixel, mode " << mode << ", route "
                                << int(route) << (threads ? ", pool" : "") << ", destination width " << destinationWidth;
                        }
                }
    }
    kernels::SetCloneRoute(kernels::CloneRoute::Best);

    // Rows that are not all there are never read: the destination is only
    // resized.
    const std::vector<std::uint8_t> frame(64, 200);
    for (const kernels::MosaicRows& bad : {kernels::MosaicRows{nullptr, 8, 8, 8, 1},
                                           kernels::MosaicRows{frame.data(), 7, 8, 8, 1},
                                           kernels::MosaicRows{frame.data(), 8, 8, 8, 2},
                                           kernels::MosaicRows{frame.data() + 56, -8, 8, 8, 1}}) {
        Bitmap24 d = filled(8, 8, 9);
        kernels::DebayerFrame(bad, d, 1, nullptr);
        EXPECT_EQ(d.scanLine(3)[9], 9) << "stride " << bad.stride << ", " << bad.bytesPerPixel << " bytes a pixel";
    }
}
