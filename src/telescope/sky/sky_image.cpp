#include "telescope/sky/sky_image.h"

#include "app/ui/event_boundary.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

TSkyImage::TSkyImage(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setMinimumSize(16, 16);
}

void TSkyImage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.drawImage(0, 0, picture_);
}

void TSkyImage::mouseMoveEvent(QMouseEvent* event)
{
    if (onMouseMove)
        app::runGuarded(QStringLiteral("FRM_Sky.IMG_SkyMouseMove"), [&] { onMouseMove(event->position().toPoint().x(), event->position().toPoint().y()); });
}

void TSkyImage::mouseReleaseEvent(QMouseEvent* event)
{
    if (onMouseUp) {
        const QPoint at = event->position().toPoint();
        app::runGuarded(QStringLiteral("FRM_Sky.IMG_SkyMouseUp"), [&] { onMouseUp(event->button(), at.x(), at.y(), event->globalPosition().toPoint()); });
    }
}

void TSkyImage::wheelEvent(QWheelEvent* event)
{
    if (onWheel)
        app::runGuarded(QStringLiteral("FRM_Sky.WndProc"), [&] { onWheel(event->angleDelta().y()); });
    event->accept();
}
