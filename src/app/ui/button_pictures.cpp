#include "app/ui/button_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace app {

QIcon PictureOf(ButtonPicture picture)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    switch (picture) {
    case ButtonPicture::Stop:
        p.setBrush(QColor(190, 20, 20));
        p.drawRect(3, 3, 10, 10);
        break;
    case ButtonPicture::Run:
        p.setBrush(QColor(20, 150, 20));
        p.drawPolygon(QPolygon({QPoint(4, 2), QPoint(13, 8), QPoint(4, 14)}));
        break;
    case ButtonPicture::Pause:
        p.setBrush(QColor(30, 60, 170));
        p.drawRect(3, 3, 4, 10);
        p.drawRect(9, 3, 4, 10);
        break;
    case ButtonPicture::Night: {
        QPainterPath moon;
        moon.addEllipse(QRectF(2, 2, 12, 12));
        QPainterPath bite;
        bite.addEllipse(QRectF(6, 0, 11, 11));
        p.setBrush(QColor(200, 30, 30));
        p.drawPath(moon.subtracted(bite));
        break;
    }
    }
    return QIcon(pixmap);
}

} // namespace app
