#include "app/image_view.h"

#include <QPainter>

#include <immintrin.h>

#include <algorithm>
#include <cstring>

TImageView::TImageView(QWidget* parent) : QWidget(parent) {}

void TImageView::SetOpaqueStyle()
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void TImageView::Fill(std::function<void()> fill)
{
    waitingFill_ = nullptr;
    if (isVisible()) {
        fill();
    } else {
        waitingFill_ = std::move(fill);
        pictureChanged();
    }
}

void TImageView::RunWaitingFill() const
{
    if (!waitingFill_)
        return;
    // Taken out first: the fill draws through Bitmap().
    const std::function<void()> fill = std::move(waitingFill_);
    waitingFill_ = nullptr;
    fill();
}

void TImageView::SetPictureSize(int width, int height)
{
    RunWaitingFill();
    stale_ = true;
    bitmap_.resize(std::max(width, 0), std::max(height, 0));
    update();
    pictureChanged();
}

void TImageView::SetPicture(const QImage& picture)
{
    const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
    waitingFill_ = nullptr;
    stale_ = true;
    bitmap_.resize(bgr.width(), bgr.height());
    for (int y = 0; y < bgr.height(); ++y)
        std::memcpy(bitmap_.scanLine(y), bgr.constScanLine(y), std::size_t(bgr.width()) * 3);
    update();
    pictureChanged();
}

QImage TImageView::Picture() const
{
    RunWaitingFill();
    if (bitmap_.isEmpty())
        return QImage();
    return QImage(bitmap_.bits(), bitmap_.width(), bitmap_.height(), static_cast<qsizetype>(bitmap_.stride()),
                  QImage::Format_BGR888)
        .copy();
}

void TImageView::Clear()
{
    waitingFill_ = nullptr;
    if (bitmap_.isEmpty())
        bitmap_.resize(std::max(1, width()), std::max(1, height()));
    stale_ = true;
    std::memset(bitmap_.bits(), 0, bitmap_.byteCount());
    update();
    pictureChanged();
}

const QImage& TImageView::ScreenPicture()
{
    RunWaitingFill();
    if (!stale_ && screen_.width() == bitmap_.width() && screen_.height() == bitmap_.height())
        return screen_;
    if (screen_.width() != bitmap_.width() || screen_.height() != bitmap_.height())
        screen_ = bitmap_.isEmpty() ? QImage() : QImage(bitmap_.width(), bitmap_.height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap_.height(); ++y)
        app::Bgr24ToRgb32(bitmap_.scanLine(y), reinterpret_cast<std::uint32_t*>(screen_.scanLine(y)), bitmap_.width());
    stale_ = false;
    return screen_;
}

void TImageView::paintEvent(QPaintEvent*)
{
    RunWaitingFill();
    QPainter p(this);
    if (bitmap_.isEmpty()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    p.drawImage(0, 0, ScreenPicture());
    // Outside the picture there is nothing to show: black, not background.
    if (bitmap_.width() < width())
        p.fillRect(bitmap_.width(), 0, width() - bitmap_.width(), height(), Qt::black);
    if (bitmap_.height() < height())
        p.fillRect(0, bitmap_.height(), std::min(width(), bitmap_.width()), height() - bitmap_.height(), Qt::black);
}

namespace app {

void Bgr24ToRgb32Portable(const std::uint8_t* from, std::uint32_t* to, int pixels)
{
    for (int i = 0; i < pixels; ++i, from += 3)
        to[i] = 0xff000000u | std::uint32_t(from[2]) << 16 | std::uint32_t(from[1]) << 8 | from[0];
}

namespace {

__attribute__((target("ssse3"))) void bgr24ToRgb32Ssse3(const std::uint8_t* from, std::uint32_t* to, int pixels)
{
    // Four pixels a step from a 16-byte load, while it stays inside the row.
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
    int i = 0;
    for (; i + 6 <= pixels; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 3 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_or_si128(_mm_shuffle_epi8(v, spread), opaque));
    }
    Bgr24ToRgb32Portable(from + 3 * i, to + i, pixels - i);
}

} // namespace

void Bgr24ToRgb32(const std::uint8_t* from, std::uint32_t* to, int pixels)
{
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3)
        bgr24ToRgb32Ssse3(from, to, pixels);
    else
        Bgr24ToRgb32Portable(from, to, pixels);
}

} // namespace app
