#include "kernels/image_files.h"
#include "kernels/picture_files.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

using namespace kernels;
using PictureFiles::Result;

namespace {

std::vector<std::uint8_t> readAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray b = f.readAll();
    return {b.begin(), b.end()};
}

Bitmap24 gradient(int w, int h)
{
    Bitmap24 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = std::uint8_t(4 * x), p[1] = std::uint8_t(8 * y), p[2] = std::uint8_t(x + y);
        }
    return b;
}

void put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + i] = std::uint8_t(x >> (8 * i));
}

// A BMP of 3 x 2 pixels with the given depth, palette entries and row order.
std::vector<std::uint8_t> smallBmp(int bits, bool topDown)
{
    const int w = 3, h = 2, palette = bits == 8 ? 4 : 0;
    const std::size_t stride = ((w * bits + 31) / 32) * 4, off = 54 + 4 * palette;
    std::vector<std::uint8_t> v(off + stride * h, 0);
    v[0] = 'B', v[1] = 'M';
    put32(v, 2, std::uint32_t(v.size()));
    put32(v, 10, std::uint32_t(off));
    put32(v, 14, 40);
    put32(v, 18, w);
    put32(v, 22, std::uint32_t(topDown ? -h : h));
    v[26] = 1, v[28] = std::uint8_t(bits);
    put32(v, 46, std::uint32_t(palette));
    for (int i = 0; i < palette; ++i)
        v[54 + 4 * i] = std::uint8_t(10 * i), v[55 + 4 * i] = std::uint8_t(20 * i), v[56 + 4 * i] = std::uint8_t(30 * i);
    // File row r holds picture row (topDown ? r : h - 1 - r); pixel x of
    // picture row y is level 10 y + x (index y + x for the palette).
    for (int r = 0; r < h; ++r) {
        const int y = topDown ? r : h - 1 - r;
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = v.data() + off + stride * r;
            if (bits == 8)
                p[x] = std::uint8_t(y + x);
            else
                for (int c = 0; c < 3; ++c)
                    p[x * bits / 8 + c] = std::uint8_t(10 * y + x + 100 * c);
        }
    }
    return v;
}

} // namespace

TEST(PictureFiles, ReadsWhatTheWritersWroteAndEveryBmpLayout)
{
    QTemporaryDir dir;
    const Bitmap24 picture = gradient(37, 21);
    const QString bmp = dir.filePath(QStringLiteral("a.BMP")), jpg = dir.filePath(QStringLiteral("a.jpeg"));
    ASSERT_TRUE(ImageFiles::WriteBmp24(bmp, picture));
    ASSERT_TRUE(ImageFiles::WriteJpeg(jpg, picture, 100));
    EXPECT_EQ(PictureFiles::KindOf(bmp), PictureFiles::Kind::Bmp);
    EXPECT_EQ(PictureFiles::KindOf(QStringLiteral("x.JPG")), PictureFiles::Kind::Jpeg);
    EXPECT_EQ(PictureFiles::KindOf(QStringLiteral("x.png")), PictureFiles::Kind::Other);

    Bitmap24 got;
    auto bytes = readAll(bmp);
    ASSERT_EQ(PictureFiles::DecodeBmp(bytes.data(), bytes.size(), got), Result::Ok);
    for (int y = 0; y < picture.height(); ++y)
        ASSERT_TRUE(std::equal(picture.scanLine(y), picture.scanLine(y) + 3 * 37, got.scanLine(y))) << y;
    bytes = readAll(jpg);
    ASSERT_EQ(PictureFiles::DecodeJpeg(bytes.data(), bytes.size(), got), Result::Ok);
    ASSERT_EQ(got.width(), 37);
    ASSERT_EQ(got.height(), 21);
    EXPECT_NEAR(got.scanLine(20)[3 * 36], picture.scanLine(20)[3 * 36], 6);

    for (bool topDown : {false, true}) {
        for (int bits : {24, 32}) {
            bytes = smallBmp(bits, topDown);
            ASSERT_EQ(PictureFiles::DecodeBmp(bytes.data(), bytes.size(), got), Result::Ok) << bits;
            EXPECT_EQ(got.scanLine(1)[3 * 2 + 0], 12) << bits << " bits, top-down " << topDown;
            EXPECT_EQ(got.scanLine(0)[3 * 1 + 2], 201);
        }
        bytes = smallBmp(8, topDown);
        ASSERT_EQ(PictureFiles::DecodeBmp(bytes.data(), bytes.size(), got), Result::Ok);
        // Row 1, column 2: palette entry 3.
        EXPECT_EQ(got.scanLine(1)[6], 30);
        EXPECT_EQ(got.scanLine(1)[7], 60);
        EXPECT_EQ(got.scanLine(1)[8], 90);
    }
}

TEST(PictureFiles, RefusesBadFilesAndLeavesTheBitmapAsItWas)
{
    const Bitmap24 before = gradient(5, 4);
    Bitmap24 got = before;
    QString reason;
    auto unchanged = [&] {
        return got.width() == 5 && std::equal(before.bits(), before.bits() + before.byteCount(), got.bits());
    };

    auto bytes = smallBmp(24, false);
    EXPECT_EQ(PictureFiles::DecodeBmp(bytes.data(), bytes.size() - 1, got, &reason), Result::Truncated);
    EXPECT_TRUE(unchanged());
    auto sixteen = smallBmp(24, false);
    sixteen[28] = 16;
    EXPECT_EQ(PictureFiles::DecodeBmp(sixteen.data(), sixteen.size(), got, &reason), Result::Refused);
    EXPECT_TRUE(reason.contains(QStringLiteral("16 bits"))) << reason.toStdString();
    auto huge = smallBmp(24, false);
    put32(huge, 18, 0x7fffffff);
    EXPECT_EQ(PictureFiles::DecodeBmp(huge.data(), huge.size(), got, &reason), Result::Refused);
    auto palette = smallBmp(8, false);
    put32(palette, 46, 300);
    EXPECT_EQ(PictureFiles::DecodeBmp(palette.data(), palette.size(), got, &reason), Result::Refused);
    EXPECT_TRUE(unchanged());

    QTemporaryDir dir;
    const QString jpg = dir.filePath(QStringLiteral("a.jpg"));
    ASSERT_TRUE(ImageFiles::WriteJpeg(jpg, gradient(64, 48), 90));
    bytes = readAll(jpg);
    EXPECT_EQ(PictureFiles::DecodeJpeg(bytes.data(), bytes.size() / 2, got, &reason), Result::Truncated)
        << "a file still being written";
    EXPECT_EQ(PictureFiles::DecodeJpeg(bytes.data(), 40, got, &reason), Result::Truncated);
    EXPECT_EQ(PictureFiles::DecodeJpeg(smallBmp(24, true).data(), 60, got, &reason), Result::Refused);
}
