#include "app/controls/color_panel.h"

#include <QColor>
#include <QMouseEvent>
#include <QPalette>

TColorPanel::TColorPanel(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    setColor(0);
}

void TColorPanel::setColor(int color)
{
    color_ = color;
    QPalette p = palette();
    p.setColor(QPalette::Window, color < 0 ? QPalette().color(QPalette::Window) : toQColor(color));
    setPalette(p);
}

QColor TColorPanel::toQColor(int color)
{
    const auto c = static_cast<quint32>(color);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

int TColorPanel::fromQColor(const QColor& color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

void TColorPanel::mouseReleaseEvent(QMouseEvent* event)
{
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
