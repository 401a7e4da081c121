#include "app/image_view.h"

#include <QPainter>

TImageView::TImageView(QWidget* parent) : QWidget(parent) {}

void TImageView::SetOpaqueStyle()
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void TImageView::SetPicture(const QImage& picture)
{
    picture_ = picture;
    update();
}

void TImageView::Clear()
{
    if (picture_.isNull())
        picture_ = QImage(qMax(1, width()), qMax(1, height()), QImage::Format_RGB32);
    picture_.fill(Qt::black);
    update();
}

void TImageView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (picture_.isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    p.drawImage(0, 0, picture_);
    // Outside the picture there is nothing to show: black, not background.
    if (picture_.width() < width())
        p.fillRect(picture_.width(), 0, width() - picture_.width(), height(), Qt::black);
    if (picture_.height() < height())
        p.fillRect(0, picture_.height(), qMin(width(), picture_.width()), height() - picture_.height(), Qt::black);
}
