#include "app/controls/coord_pad.h"

#include "app/ui/event_boundary.h"

#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

// ---------------------------------------------------------------- Speed button

TcpSpeedButton::TcpSpeedButton(QWidget* parent) : QToolButton(parent)
{
    connect(this, &QToolButton::clicked, this, [this] {
        // A held button has already moved at each tick.
        if (!std::exchange(repeated_, false) && OnStep)
            app::runGuarded(objectName(), OnStep);
    });
}

void TcpSpeedButton::mousePressEvent(QMouseEvent* event)
{
    QToolButton::mousePressEvent(event);
    if (!timer_) {
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, &TcpSpeedButton::RepeatTick);
    }
    repeated_ = false;
    timer_->setInterval(InitialPause);
    timer_->start();
}

void TcpSpeedButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (timer_)
        timer_->stop();
    QToolButton::mouseReleaseEvent(event);
    repeated_ = false;
}

void TcpSpeedButton::RepeatTick()
{
    if (timer_)
        timer_->setInterval(RepeatPause);
    if (!isDown()) {
        if (timer_)
            timer_->stop();
        return;
    }
    repeated_ = true;
    if (OnStep)
        app::runGuarded(objectName(), OnStep);
}

// ---------------------------------------------------------------- Pad

namespace {

QColor fromTColor(std::uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

// The grid value at or before v, counted from the start of the range.
int ontoGrid(int start, int step, int v)
{
    const long long k = (static_cast<long long>(v) - start) / step;
    return int(start + k * step);
}

// The step with the direction of the range start..end.
int directed(int step, int start, int end)
{
    const int magnitude = std::abs(step);
    return end < start ? -magnitude : magnitude;
}

bool within(int v, int a, int b) { return v >= std::min(a, b) && v <= std::max(a, b); }

int clampTo(int v, int a, int b) { return std::clamp(v, std::min(a, b), std::max(a, b)); }

int cellCount(int start, int end, int step) { return int((static_cast<long long>(end) - start) / step + 1); }

} // namespace

TcpCoord::TcpCoord(QWidget* parent) : QFrame(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    const auto make = [this](Qt::ArrowType arrow, const char* name, std::function<void()> step) {
        auto* b = new TcpSpeedButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setArrowType(arrow);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->OnStep = std::move(step);
        return b;
    };
    left_ = make(Qt::LeftArrow, "Gauche", [this] { SetCoordinates(x_ - xstep_, y_); });
    right_ = make(Qt::RightArrow, "Droite", [this] { SetCoordinates(x_ + xstep_, y_); });
    up_ = make(Qt::UpArrow, "Haut", [this] { SetCoordinates(x_, y_ - ystep_); });
    down_ = make(Qt::DownArrow, "Bas", [this] { SetCoordinates(x_, y_ + ystep_); });
    resize(200, 200);
    layoutPad();
}

void TcpCoord::SetPadSize(int width, int height)
{
    wantW_ = std::max(0, width);
    wantH_ = std::max(0, height);
    fitCells();
}

void TcpCoord::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (!laying_)
        layoutPad();
}

void TcpCoord::layoutPad()
{
    // A size the pad did not give itself (its window's design, a resize, a
    // layout) is the size asked from now on. Taken here rather than in the
    // resize event: a hidden pad receives that event only when shown, long
    // after its window has set ranges on it.
    if (size() != laidSize_) {
        wantW_ = width();
        wantH_ = height();
    }
    fitCells();
}

bool TcpCoord::inScrolledPage() const
{
    for (const QWidget* w = this; w && !w->isWindow(); w = w->parentWidget()) {
        const QWidget* viewport = w->parentWidget();
        const auto* area = viewport ? qobject_cast<const QAbstractScrollArea*>(viewport->parentWidget()) : nullptr;
        if (area && area->viewport() == viewport)
            return true;
    }
    return false;
}

bool TcpCoord::event(QEvent* event)
{
    const bool done = QFrame::event(event);
    // Moved into a scrolled page or out of one (its page may move after it
    // did, before it shows): the room it has changed.
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show)
        fitCells();
    return done;
}

void TcpCoord::fitCells()
{
    if (laying_)
        return;
    laying_ = true;
    // The room from the pad's corner to its window's right and bottom edges;
    // a pad that is its own window has no limit. A pad in a scrolled page
    // has the page's room, which grows with what it holds: whatever the
    // window's size, it takes the size of its cells, up to a screen.
    int roomW = INT_MAX, roomH = INT_MAX;
    if (inScrolledPage()) {
        if (const QScreen* s = screen()) {
            roomW = s->availableSize().width();
            roomH = s->availableSize().height();
        }
    } else if (QWidget* win = window(); win != this) {
        const QPoint at = mapTo(win, QPoint(0, 0));
        roomW = win->width() - at.x();
        roomH = win->height() - at.y();
    }
    const auto axis = [](int want, int cells, int room, double& cell) {
        cell = std::max(1.0, std::round(double(want - 2 * kBorder) / cells));
        const long long whole = static_cast<long long>(cells * cell) + 2 * kBorder;
        // (No room worth the name: a window not sized yet.)
        if (whole <= room || room <= 2 * kBorder)
            return int(whole);
        // Whole cells would reach past the window (more steps than pixels):
        // the pad keeps the size asked, within the room it has, and the
        // cells become fractions of a pixel.
        const int size = std::max(std::min(want, room), 2 * kBorder + 1);
        cell = double(size - 2 * kBorder) / cells;
        return size;
    };
    const int w = axis(wantW_, cellCount(xmin_, xmax_, xstep_), roomW, cellW_);
    const int h = axis(wantH_, cellCount(ymin_, ymax_, ystep_), roomH, cellH_);
    QWidget* p = parentWidget();
    laidSize_ = QSize(w, h);
    if (p && p->layout())
        setFixedSize(w, h);
    else
        resize(w, h);
    const int b = kBorder;
    left_->setGeometry(0, (h - b) / 2, b, b);
    right_->setGeometry(w - b, (h - b) / 2, b, b);
    up_->setGeometry((w - b) / 2, 0, b, b);
    down_->setGeometry((w - b) / 2, h - b, b, b);
    laying_ = false;
    update();
}

// A new step of one axis: 0 is ignored; the far end and the point go onto
// the new grid.
static bool restep(int v, int start, int& end, int& step, int& value)
{
    if (v == 0)
        return false;
    step = directed(v, start, end);
    end = ontoGrid(start, step, end);
    value = ontoGrid(start, step, value);
    return true;
}

void TcpCoord::SetXStep(int v)
{
    if (restep(v, xmin_, xmax_, xstep_, x_))
        layoutPad();
}

void TcpCoord::SetYStep(int v)
{
    if (restep(v, ymin_, ymax_, ystep_, y_))
        layoutPad();
}

void TcpCoord::SetRanges(int xmin, int xmax, int ymin, int ymax)
{
    xmin_ = xmin;
    xmax_ = xmax;
    ymin_ = ymin;
    ymax_ = ymax;
    xstep_ = directed(xstep_, xmin_, xmax_);
    ystep_ = directed(ystep_, ymin_, ymax_);
    xmax_ = ontoGrid(xmin_, xstep_, xmax_);
    ymax_ = ontoGrid(ymin_, ystep_, ymax_);
    x_ = within(x_, xmin_, xmax_) ? ontoGrid(xmin_, xstep_, x_) : xmin_;
    y_ = within(y_, ymin_, ymax_) ? ontoGrid(ymin_, ystep_, y_) : ymin_;
    layoutPad();
}

void TcpCoord::SetXmin(int v) { SetRanges(v, xmax_, ymin_, ymax_); }
void TcpCoord::SetXmax(int v) { SetRanges(xmin_, v, ymin_, ymax_); }
void TcpCoord::SetYmin(int v) { SetRanges(xmin_, xmax_, v, ymax_); }
void TcpCoord::SetYmax(int v) { SetRanges(xmin_, xmax_, ymin_, v); }

void TcpCoord::xChanged()
{
    if (OnXCoordChange)
        OnXCoordChange(this, x_, y_);
    if (OnCoordChange)
        OnCoordChange(this, x_, y_);
}

void TcpCoord::yChanged()
{
    if (OnYCoordChange)
        OnYCoordChange(this, x_, y_);
    if (OnCoordChange)
        OnCoordChange(this, x_, y_);
}

void TcpCoord::SetXCoordinate(int v)
{
    if (!within(v, xmin_, xmax_))
        return;
    x_ = v;
    xChanged();
    update();
}

void TcpCoord::SetYCoordinate(int v)
{
    if (!within(v, ymin_, ymax_))
        return;
    y_ = v;
    yChanged();
    update();
}

void TcpCoord::SetCoordinates(int x, int y)
{
    x = clampTo(x, xmin_, xmax_);
    y = clampTo(y, ymin_, ymax_);
    const bool xc = x != x_;
    const bool yc = y != y_;
    if (xc) {
        x_ = x;
        xChanged();
    }
    if (yc) {
        y_ = y;
        yChanged();
    }
    if (xc || yc)
        update();
}

void TcpCoord::SetInitialPause(int ms)
{
    if (ms >= 1)
        for (TcpSpeedButton* b : {left_, right_, up_, down_})
            b->InitialPause = ms;
}

void TcpCoord::SetRepeatPause(int ms)
{
    if (ms >= 1)
        for (TcpSpeedButton* b : {left_, right_, up_, down_})
            b->RepeatPause = ms;
}

void TcpCoord::SetFlat(bool flat)
{
    for (TcpSpeedButton* b : {left_, right_, up_, down_})
        b->setAutoRaise(flat);
}

void TcpCoord::SetColorZone(std::uint32_t c)
{
    ColorZone = c;
    update();
}

void TcpCoord::SetColorCoord(std::uint32_t c)
{
    ColorCoord = c;
    update();
}

void TcpCoord::SetThumbStyle(TCroixstyle style)
{
    ThumbStyle = style;
    update();
}

void TcpCoord::SetCoordFormat(const QString& format)
{
    CoordFormat = format;
    update();
}

QString TcpCoord::ThumbText() const
{
    QString text = CoordFormat;
    const qsizetype ix = text.indexOf(QLatin1String("[x]"), 0, Qt::CaseInsensitive);
    if (ix >= 0)
        text.replace(ix, 3, QString::number(x_));
    const qsizetype iy = text.indexOf(QLatin1String("[y]"), 0, Qt::CaseInsensitive);
    if (iy >= 0)
        text.replace(iy, 3, QString::number(y_));
    return text;
}

QPointF TcpCoord::ThumbCentre() const
{
    return {double(x_ - xmin_) / xstep_ * cellW_ + cellW_ / 2 + kBorder,
            double(y_ - ymin_) / ystep_ * cellH_ + cellH_ / 2 + kBorder};
}

void TcpCoord::pointAt(QPoint p)
{
    const int cx = int(std::floor((p.x() - kBorder) / cellW_));
    const int cy = int(std::floor((p.y() - kBorder) / cellH_));
    SetCoordinates(int(std::clamp<long long>(xmin_ + static_cast<long long>(cx) * xstep_, INT32_MIN, INT32_MAX)),
                   int(std::clamp<long long>(ymin_ + static_cast<long long>(cy) * ystep_, INT32_MIN, INT32_MAX)));
}

void TcpCoord::mousePressEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::LeftButton)
        pointAt(event->position().toPoint());
    QFrame::mousePressEvent(event);
}

void TcpCoord::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::LeftButton)
        pointAt(event->position().toPoint());
    QFrame::mouseMoveEvent(event);
}

void TcpCoord::keyPressEvent(QKeyEvent* event)
{
    const bool pad = event->modifiers() & Qt::KeypadModifier;
    const int sx = xstep_, sy = ystep_;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_PageUp: SetCoordinates(x_, y_ - sy); break;
    case Qt::Key_Down:
    case Qt::Key_PageDown: SetCoordinates(x_, y_ + sy); break;
    case Qt::Key_Left: SetCoordinates(x_ - sx, y_); break;
    case Qt::Key_Right: SetCoordinates(x_ + sx, y_); break;
    case Qt::Key_Home: SetCoordinates(xmin_, ymin_); break;
    case Qt::Key_End: SetCoordinates(xmax_, ymax_); break;
    case Qt::Key_8: if (pad) SetCoordinates(x_, y_ - sy); break;
    case Qt::Key_2: if (pad) SetCoordinates(x_, y_ + sy); break;
    case Qt::Key_4: if (pad) SetCoordinates(x_ - sx, y_); break;
    case Qt::Key_6: if (pad) SetCoordinates(x_ + sx, y_); break;
    case Qt::Key_7: if (pad) SetCoordinates(x_ - sx, y_ - sy); break;
    case Qt::Key_9: if (pad) SetCoordinates(x_ + sx, y_ - sy); break;
    case Qt::Key_1: if (pad) SetCoordinates(x_ - sx, y_ + sy); break;
    case Qt::Key_3: if (pad) SetCoordinates(x_ + sx, y_ + sy); break;
    default: break;
    }
    QFrame::keyPressEvent(event);
}

void TcpCoord::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRectF zone(kBorder, kBorder, width() - 2 * kBorder, height() - 2 * kBorder);
    painter.fillRect(zone, fromTColor(ColorZone));
    const QPointF c = ThumbCentre();
    if (ThumbStyle == TCroixstyle::csCoordinates) {
        const QString text = ThumbText();
        const QFontMetrics fm = painter.fontMetrics();
        const double tw = fm.horizontalAdvance(text);
        const double th = fm.height();
        const double left = std::clamp(c.x() - tw / 2, double(kBorder), std::max(double(kBorder), width() - kBorder - tw));
        const double top = std::clamp(c.y() - th / 2, double(kBorder), std::max(double(kBorder), height() - kBorder - th));
        painter.setPen(fromTColor(ColorCoord));
        painter.drawText(QRectF(left, top, tw, th), Qt::AlignCenter, text);
        return;
    }
    // The 11 by 11 thumbs.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1));
    const QRectF box(c.x() - 5, c.y() - 5, 10, 10);
    switch (ThumbStyle) {
    case TCroixstyle::csCross:
        painter.drawLine(QPointF(c.x() - 5, c.y()), QPointF(c.x() + 5, c.y()));
        painter.drawLine(QPointF(c.x(), c.y() - 5), QPointF(c.x(), c.y() + 5));
        break;
    case TCroixstyle::csCircle: painter.drawEllipse(box); break;
    case TCroixstyle::csDiamond:
        painter.drawPolygon(QPolygonF({QPointF(c.x(), c.y() - 5), QPointF(c.x() + 5, c.y()), QPointF(c.x(), c.y() + 5),
                                       QPointF(c.x() - 5, c.y())}));
        break;
    case TCroixstyle::csSquare: painter.drawRect(box); break;
    case TCroixstyle::csCoordinates: break;
    }
}
