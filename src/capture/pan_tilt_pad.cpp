#include "capture/pan_tilt_pad.h"

#include "app/ui/event_boundary.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

TPanTiltPad::TPanTiltPad(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(40, 40);
}

void TPanTiltPad::SetXCoordinate(double x)
{
    if (x == x_)
        return;
    x_ = x;
    update();
    if (OnXCoordChange)
        app::runGuarded(objectName(), OnXCoordChange);
}

void TPanTiltPad::SetYCoordinate(double y)
{
    if (y == y_)
        return;
    y_ = y;
    update();
    if (OnYCoordChange)
        app::runGuarded(objectName(), OnYCoordChange);
}

void TPanTiltPad::moveTo(const QPointF& p)
{
    if (!isEnabled() || width() < 2 || height() < 2)
        return;
    const double fx = std::clamp(p.x() / (width() - 1), 0.0, 1.0);
    const double fy = std::clamp(p.y() / (height() - 1), 0.0, 1.0);
    SetXCoordinate(static_cast<int>(Xmin + fx * (Xmax - Xmin)));
    SetYCoordinate(static_cast<int>(Ymin + fy * (Ymax - Ymin)));
}

void TPanTiltPad::mousePressEvent(QMouseEvent* e)
{
    moveTo(e->position());
}

void TPanTiltPad::mouseMoveEvent(QMouseEvent* e)
{
    if (e->buttons() & Qt::LeftButton)
        moveTo(e->position());
}

void TPanTiltPad::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().text().color());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const double fx = Xmax > Xmin ? (x_ - Xmin) / (Xmax - Xmin) : 0.5;
    const double fy = Ymax > Ymin ? (y_ - Ymin) / (Ymax - Ymin) : 0.5;
    const int cx = static_cast<int>(fx * (width() - 1)), cy = static_cast<int>(fy * (height() - 1));
    p.drawLine(cx, 0, cx, height());
    p.drawLine(0, cy, width(), cy);
}
