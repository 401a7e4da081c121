#include "app/image_view.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <cstring>
#include <vector>

// The vector conversion to the screen's format gives the plain one's words
// for every width around its step, up to the row's last byte.
TEST(ImageView, ScreenFormatConversionMatchesThePlainOne)
{
    std::vector<std::uint8_t> bgr(3 * 70);
    for (std::size_t i = 0; i < bgr.size(); ++i)
        bgr[i] = std::uint8_t(i * 37 + 11);
    for (int n = 0; n <= 70; ++n) {
        // The row ends where the bytes end, so a load past it would be seen.
        const std::uint8_t* from = bgr.data() + bgr.size() - std::size_t(3 * n);
        std::vector<std::uint32_t> fast(std::size_t(n) + 1, 0x12345678u), plain(std::size_t(n) + 1, 0x12345678u);
        app::Bgr24ToRgb32(from, fast.data(), n);
        app::Bgr24ToRgb32Portable(from, plain.data(), n);
        EXPECT_EQ(fast, plain) << n;
        if (n > 0) {
            EXPECT_EQ(plain[0], 0xff000000u | std::uint32_t(from[2]) << 16 | std::uint32_t(from[1]) << 8 | from[0]);
        }
    }
}

// The view paints its bitmap as it is after each change, whether drawn into
// through Bitmap() or replaced, and the copy in the screen's format is made
// once per change, not at each paint.
TEST(ImageView, PaintsTheLatestPictureAndConvertsOncePerChange)
{
    TImageView view;
    view.resize(9, 7);
    view.SetPictureSize(7, 5);
    auto paint = [&view] {
        QImage shot(9, 7, QImage::Format_RGB32);
        shot.fill(Qt::white);
        view.render(&shot);
        return shot;
    };
    std::memset(view.Bitmap().bits(), 0, view.Bitmap().byteCount());
    std::uint8_t* p = view.Bitmap().scanLine(4) + 6 * 3;
    p[0] = 10, p[1] = 20, p[2] = 30;   // blue, green, red of the last pixel
    view.Changed();
    QImage shot = paint();
    EXPECT_EQ(shot.pixel(6, 4), qRgb(30, 20, 10));
    EXPECT_EQ(shot.pixel(8, 6), qRgb(0, 0, 0)) << "black outside the picture";
    // Written behind the view's back (no Bitmap() call, no Changed()): a
    // paint shows the copy made for the last change.
    kernels::Bitmap24& kept = view.Bitmap();
    paint();
    kept.scanLine(4)[6 * 3] = 99;
    EXPECT_EQ(paint().pixel(6, 4), qRgb(30, 20, 10)) << "converted at a paint without a change";

    view.Bitmap().scanLine(0)[0] = 200;
    EXPECT_EQ(paint().pixel(0, 0), qRgb(0, 0, 200));
    QImage red(7, 5, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    view.SetPicture(red);
    EXPECT_EQ(paint().pixel(3, 2), qRgb(255, 0, 0));
    view.Clear();
    EXPECT_EQ(paint().pixel(3, 2), qRgb(0, 0, 0));
}
