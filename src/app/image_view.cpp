#include "app/image_view.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

TImageView::TImageView(QWidget* parent) : QWidget(parent) {}

void TImageView::SetOpaqueStyle()
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void TImageView::SetPictureSize(int width, int height)
{
    bitmap_.resize(std::max(width, 0), std::max(height, 0));
    update();
}

void TImageView::SetPicture(const QImage& picture)
{
    const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
    bitmap_.resize(bgr.width(), bgr.height());
    for (int y = 0; y < bgr.height(); ++y)
        std::memcpy(bitmap_.scanLine(y), bgr.constScanLine(y), std::size_t(bgr.width()) * 3);
    update();
}

QImage TImageView::Picture() const
{
    if (bitmap_.isEmpty())
        return QImage();
    return QImage(bitmap_.bits(), bitmap_.width(), bitmap_.height(), static_cast<qsizetype>(bitmap_.stride()),
                  QImage::Format_BGR888)
        .copy();
}

void TImageView::Clear()
{
    if (bitmap_.isEmpty())
        bitmap_.resize(std::max(1, width()), std::max(1, height()));
    std::memset(bitmap_.bits(), 0, bitmap_.byteCount());
    update();
}

void TImageView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (bitmap_.isEmpty()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    p.drawImage(0, 0, bitmap_.view());
    // Outside the picture there is nothing to show: black, not background.
    if (bitmap_.width() < width())
        p.fillRect(bitmap_.width(), 0, width() - bitmap_.width(), height(), Qt::black);
    if (bitmap_.height() < height())
        p.fillRect(0, bitmap_.height(), std::min(width(), bitmap_.width()), height() - bitmap_.height(), Qt::black);
}
