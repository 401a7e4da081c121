// The image files read back through the libraries other programs use:
// sizes, channel order, orientation, and what a failed write leaves.

#include "kernels/image_files.h"
#include "support/file_size_limit.h"
#include "support/temp_program_dir.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <csetjmp>
#include <cstdio>
#include <gtest/gtest.h>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

using namespace kernels;

namespace {

// A non-square gradient whose every pixel and channel differs, in a deep
// plane layout (rows of `stride` pixels, four words: blue, green, red, unused).
struct DeepGradient {
    int width, height, stride;
    std::vector<std::uint16_t> words;
    DeepGradient(int w, int h, int s = 1281) : width(w), height(h), stride(s), words(std::size_t(s) * h * 4, 7)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint16_t* p = &words[(std::size_t(y) * s + x) * 4];
                p[0] = blue(x, y);
                p[1] = green(x, y);
                p[2] = red(x, y);
            }
    }
    static std::uint16_t red(int x, int y) { return std::uint16_t(x * 1000 + y); }
    static std::uint16_t green(int x, int y) { return std::uint16_t(60000 - y * 900 - x); }
    static std::uint16_t blue(int x, int y) { return std::uint16_t(x * 37 + y * 511 + 3); }
    Deep16Image image() const { return {words.data(), std::ptrdiff_t(stride) * 4, width, height}; }
};

Bitmap24 gradientBitmap(int w, int h)
{
    Bitmap24 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = std::uint8_t(x * 5);
            p[1] = std::uint8_t(y * 9);
            p[2] = std::uint8_t(x + y * 3);
        }
    return b;
}

struct Rgb16 {
    int width = 0, height = 0;
    std::vector<std::uint16_t> samples;   // red, green, blue per pixel
    std::uint16_t at(int x, int y, int c) const { return samples[(std::size_t(y) * width + x) * 3 + c]; }
};

// A 16-bit RGB PNG's samples; empty for anything else.
Rgb16 readPng(const QString& path)
{
    Rgb16 out;
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_read_info(png, info);
        if (png_get_bit_depth(png, info) == 16 && png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB) {
            out.width = int(png_get_image_width(png, info));
            out.height = int(png_get_image_height(png, info));
            out.samples.resize(std::size_t(out.width) * out.height * 3);
            png_set_swap(png);
            for (int y = 0; y < out.height; ++y)
                png_read_row(png, reinterpret_cast<png_bytep>(&out.samples[std::size_t(y) * out.width * 3]), nullptr);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return out;
}

// The pages of a TIFF file as 16-bit RGB.
std::vector<Rgb16> readTiff(const QString& path)
{
    std::vector<Rgb16> pages;
    TIFFSetErrorHandler(nullptr);
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tif)
        return pages;
    do {
        Rgb16 page;
        std::uint32_t w = 0, h = 0;
        std::uint16_t bits = 0, spp = 0;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
        TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
        EXPECT_EQ(bits, 16);
        EXPECT_EQ(spp, 3);
        page.width = int(w);
        page.height = int(h);
        page.samples.resize(std::size_t(w) * h * 3);
        for (std::uint32_t y = 0; y < h; ++y)
            TIFFReadScanline(tif, &page.samples[std::size_t(y) * w * 3], y);
        pages.push_back(std::move(page));
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return pages;
}

void expectGradient(const Rgb16& read, const DeepGradient& g)
{
    ASSERT_EQ(read.width, g.width);
    ASSERT_EQ(read.height, g.height);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            ASSERT_EQ(read.at(x, y, 0), DeepGradient::red(x, y)) << x << "," << y;
            ASSERT_EQ(read.at(x, y, 1), DeepGradient::green(x, y)) << x << "," << y;
            ASSERT_EQ(read.at(x, y, 2), DeepGradient::blue(x, y)) << x << "," << y;
        }
}

} // namespace

TEST(ImageFiles, SixteenBitPngAndTiffReadBackUprightWithEveryChannelFromItsWord)
{
    testsupport::TempProgramDir dir;
    const DeepGradient g(37, 23);
    for (int level : {1, 6}) {
        const QString png = dir.filePath(QStringLiteral("g%1.png").arg(level));
        QString error;
        ASSERT_TRUE(ImageFiles::WritePng48(png, g.image(), level, &error)) << error.toStdString();
        expectGradient(readPng(png), g);
    }
    const QString tif = dir.filePath(QStringLiteral("g.tif"));
    ASSERT_TRUE(ImageFiles::WriteTiff48(tif, g.image()));
    const auto pages = readTiff(tif);
    ASSERT_EQ(pages.size(), 1u);
    expectGradient(pages[0], g);
}

TEST(ImageFiles, BmpIsBottomUpWithA54ByteHeaderAndJpegDecodesToTheSameSize)
{
    testsupport::TempProgramDir dir;
    const Bitmap24 b = gradientBitmap(41, 17);   // rows of 123 bytes padded to 124
    ASSERT_TRUE(ImageFiles::WriteBmp24(dir.filePath(QStringLiteral("g.bmp")), b));
    const QByteArray bytes = dir.readFile(QStringLiteral("g.bmp"));
    const int stride = 124;
    ASSERT_EQ(bytes.size(), 54 + stride * 17);
    auto u32 = [&](int at) { return qFromLittleEndian<std::uint32_t>(bytes.constData() + at); };
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(u32(2), std::uint32_t(bytes.size()));
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 41u);
    EXPECT_EQ(u32(22), 17u);   // positive height: bottom-up rows
    EXPECT_EQ(u32(26), 24u << 16 | 1) << "one plane, 24 bits";
    for (int y = 0; y < 17; ++y)
        EXPECT_EQ(bytes.mid(54 + (16 - y) * stride, stride),
                  QByteArray(reinterpret_cast<const char*>(b.scanLine(y)), stride))
            << "row " << y;

    const QString jpg = dir.filePath(QStringLiteral("g.jpg"));
    ASSERT_TRUE(ImageFiles::WriteJpeg(jpg, b, 80));
    const QByteArray jpeg = dir.readFile(QStringLiteral("g.jpg"));
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(jpeg.constData()), jpeg.size());
    ASSERT_EQ(jpeg_read_header(&cinfo, TRUE), JPEG_HEADER_OK);
    EXPECT_EQ(cinfo.image_width, 41u);
    EXPECT_EQ(cinfo.image_height, 17u);
    jpeg_destroy_decompress(&cinfo);
}

TEST(ImageFiles, FailuresNameTheFileAndLeaveNoTruncatedPicture)
{
    testsupport::TempProgramDir dir;
    const DeepGradient g(64, 48);
    const Bitmap24 b = gradientBitmap(64, 48);
    QString error;

    const QString missing = dir.filePath(QStringLiteral("nowhere/x.bmp"));
    EXPECT_FALSE(ImageFiles::WriteBmp24(missing, b, &error));
    EXPECT_TRUE(error.contains(missing));
    EXPECT_FALSE(ImageFiles::WriteTiff48(dir.filePath(QStringLiteral("nowhere/x.tif")), g.image(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("x.tif")));
    EXPECT_FALSE(ImageFiles::WritePng48(dir.filePath(QStringLiteral("empty.png")), Deep16Image{}, 1, &error));
    EXPECT_FALSE(dir.exists(QStringLiteral("empty.png")));

    // A full disk: every format fails and removes its partial file.
    {
        testsupport::FileSizeLimit limit(4096);
        for (const char* name : {"full.bmp", "full.jpg", "full.png", "full.tif"}) {
            const QString path = dir.filePath(QString::fromLatin1(name));
            const QString ext = QFileInfo(path).suffix();
            bool ok = ext == "bmp"   ? ImageFiles::WriteBmp24(path, b, &error)
                      : ext == "jpg" ? ImageFiles::WriteJpeg(path, gradientBitmap(640, 480), 100, &error)
                      : ext == "png" ? ImageFiles::WritePng48(path, g.image(), 0, &error)
                                     : ImageFiles::WriteTiff48(path, g.image(), &error);
            EXPECT_FALSE(ok) << name;
            EXPECT_TRUE(error.contains(path)) << error.toStdString();
            EXPECT_FALSE(QFile::exists(path)) << name;
        }
    }
}

TEST(ImageFiles, TiffPagesAppendAndAFailedPageClosesTheFileKeepingTheEarlierPages)
{
    testsupport::TempProgramDir dir;
    const QString path = dir.filePath(QStringLiteral("seq.tif"));
    const DeepGradient g(37, 23);
    const Bitmap24 b = gradientBitmap(20, 10);
    {
        TiffPageWriter w;
        ASSERT_TRUE(w.open(path));
        ASSERT_TRUE(w.addPage(g.image()));
        ASSERT_TRUE(w.addPage(b));
        EXPECT_EQ(w.pageCount(), 2);
        EXPECT_TRUE(w.close());
        EXPECT_FALSE(w.isOpen());
    }
    auto pages = readTiff(path);
    ASSERT_EQ(pages.size(), 2u);
    expectGradient(pages[0], g);
    EXPECT_EQ(pages[1].width, 20);
    EXPECT_EQ(pages[1].at(3, 2, 0), (3 + 2 * 3) * 257) << "red from the bitmap's third byte, widened";
    EXPECT_EQ(pages[1].at(3, 2, 2), 15 * 257);

    // Room for about two pages of 64 x 48 x 6 bytes, not three.
    const DeepGradient big(64, 48);
    TiffPageWriter w;
    ASSERT_TRUE(w.open(path));
    QString error;
    {
        testsupport::FileSizeLimit limit(2 * 64 * 48 * 6 + 2000);
        EXPECT_TRUE(w.addPage(big.image()));
        EXPECT_TRUE(w.addPage(big.image()));
        EXPECT_FALSE(w.addPage(big.image(), &error));
    }
    EXPECT_TRUE(error.contains(path));
    EXPECT_FALSE(w.isOpen()) << "closed once by the failure";
    EXPECT_FALSE(w.addPage(big.image(), &error)) << "nothing is appended to a closed file";
    EXPECT_TRUE(w.close());
    pages = readTiff(path);
    ASSERT_EQ(pages.size(), 2u);
    expectGradient(pages[1], big);
}

// The files are those every earlier version wrote, byte for byte: BMP rows
// with their padding, and TIFF strips, tags and directory chains as libtiff
// lays them out (single pictures with one, two and many strips, and a
// multi-page file mixing deep and 24-bit pages of several sizes).
TEST(ImageFiles, WrittenFilesKeepTheirExactBytes)
{
    testsupport::TempProgramDir dir;
    auto digest = [&](const QString& name) {
        return QCryptographicHash::hash(dir.readFile(name), QCryptographicHash::Sha1).toHex().toStdString();
    };
    struct Case {
        int width, height;
        const char* bmp;
        const char* tiff;
    };
    const Case cases[] = {
        {41, 17, "926e8a6ffab7f01dc8600a9ee5042d856cd12ce9", "5f39d791c96620df8f708abc35c3fd46c2f7e822"},
        {640, 480, "f901ce4894df3e953189bac6def0899838dfe9fa", "d84c97a8ac9f8f052dc207ba6fe1c3222f84b745"},
        {1280, 7, "925772a2414d75ce134760b21abb5d1495d3eff5", "e4937e9dd83b0223007c0279ffd16046824398a1"},
        {3, 1100, "6ba291011142a70742b77aaa1d96f2b931852d3b", "dd076a63ab629081f146208373e4d19e9c7c301c"},
    };
    for (const Case& c : cases) {
        const QString size = QStringLiteral("%1x%2").arg(c.width).arg(c.height);
        ASSERT_TRUE(ImageFiles::WriteBmp24(dir.filePath(size + ".bmp"), gradientBitmap(c.width, c.height)));
        const DeepGradient g(c.width, c.height, std::max(c.width, 1281));
        ASSERT_TRUE(ImageFiles::WriteTiff48(dir.filePath(size + ".tif"), g.image()));
        EXPECT_EQ(digest(size + ".bmp"), c.bmp) << size.toStdString();
        EXPECT_EQ(digest(size + ".tif"), c.tiff) << size.toStdString();
    }
    {
        TiffPageWriter w;
        ASSERT_TRUE(w.open(dir.filePath(QStringLiteral("pages.tif"))));
        ASSERT_TRUE(w.addPage(DeepGradient(37, 23).image()));
        ASSERT_TRUE(w.addPage(gradientBitmap(20, 10)));
        ASSERT_TRUE(w.addPage(DeepGradient(1280, 9).image()));
        ASSERT_TRUE(w.addPage(gradientBitmap(641, 3)));
        ASSERT_TRUE(w.close());
    }
    EXPECT_EQ(digest(QStringLiteral("pages.tif")), "7cc0d39e00022e5fcd093391e6e22840243763b0");
}
