#include "app/ui/button_pictures.h"

#include "app/night_colors.h"

#include <QAbstractButton>
#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

#include <cmath>
#include <functional>
#include <numbers>

namespace app {
namespace {

// Every picture is drawn on a grid of 16 x 16 units, lines on the middles
// of the units, whatever size it is shown at.
struct Brush {
    QPainter& p;
    QColor ink;        // lines and shapes: the buttons' text colour
    QColor face;       // the button's face, for cut-outs
    bool daylight;     // colours of the picture's own allowed
    qreal stroke = 1.0;

    QColor accent(const QColor& c) const { return daylight ? c : ink; }
    void lines(qreal width = 1.0)
    {
        QPen pen(ink, width * stroke);
        pen.setJoinStyle(Qt::MiterJoin);
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
    }
    void fill(const QColor& c)
    {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
    }
    void outlined(const QColor& inside)
    {
        lines();
        p.setBrush(inside);
    }
    void line(qreal x1, qreal y1, qreal x2, qreal y2) { p.drawLine(QPointF(x1, y1), QPointF(x2, y2)); }
    void polyline(std::initializer_list<QPointF> points) { p.drawPolyline(points.begin(), int(points.size())); }
    void polygon(std::initializer_list<QPointF> points) { p.drawPolygon(points.begin(), int(points.size())); }
    // An arrow's head with its tip at `tip`, pointing away from `from`.
    void head(QPointF tip, QPointF from, qreal length = 3.0)
    {
        QPointF d = tip - from;
        d /= std::hypot(d.x(), d.y());
        const QPointF n(-d.y(), d.x());
        fill(ink);
        polygon({tip, tip - d * length + n * length * 0.65, tip - d * length - n * length * 0.65});
    }
    void arrow(QPointF from, QPointF tip)
    {
        QPointF d = tip - from;
        d /= std::hypot(d.x(), d.y());
        lines();
        p.drawLine(from, tip - d * 2.0);
        head(tip, from);
    }
    // A star of four points.
    void star(QPointF c, qreal r)
    {
        const qreal w = r * 0.3;
        fill(ink);
        polygon({c + QPointF(0, -r), c + QPointF(w, -w), c + QPointF(r, 0), c + QPointF(w, w), c + QPointF(0, r),
                 c + QPointF(-w, w), c + QPointF(-r, 0), c + QPointF(-w, -w)});
    }
    // Draws `draw` on its 16-unit grid into `area` of this grid.
    void within(const QRectF& area, const std::function<void(Brush&)>& draw)
    {
        p.save();
        p.translate(area.topLeft());
        p.scale(area.width() / 16.0, area.height() / 16.0);
        Brush inner{p, ink, face, daylight, stroke * 16.0 / area.width()};
        draw(inner);
        p.restore();
    }
};

const QColor kRunGreen(20, 150, 20);
const QColor kStopRed(190, 20, 20);
const QColor kPauseBlue(30, 60, 170);
const QColor kNightRed(200, 30, 30);
const QColor kFolderYellow(235, 195, 80);

void frame(Brush& b, const QColor& inside = Qt::transparent)
{
    b.outlined(inside);
    b.p.drawRect(QRectF(1.5, 2.5, 13, 11));
}

void draw(Brush& b, ButtonPicture picture)
{
    QPainter& p = b.p;
    switch (picture) {
    case ButtonPicture::Stop:
        b.fill(b.accent(kStopRed));
        p.drawRect(QRectF(3, 3, 10, 10));
        break;
    case ButtonPicture::Run:
        b.fill(b.accent(kRunGreen));
        b.polygon({{4, 2}, {13, 8}, {4, 14}});
        break;
    case ButtonPicture::Pause:
        b.fill(b.accent(kPauseBlue));
        p.drawRect(QRectF(3, 3, 4, 10));
        p.drawRect(QRectF(9, 3, 4, 10));
        break;
    case ButtonPicture::Night: {
        QPainterPath moon;
        moon.addEllipse(QRectF(2, 2, 12, 12));
        QPainterPath bite;
        bite.addEllipse(QRectF(6, 0, 11, 11));
        b.fill(b.accent(kNightRed));
        p.drawPath(moon.subtracted(bite));
        break;
    }
    case ButtonPicture::Record:
        b.outlined(b.accent(kStopRed));
        p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
        break;
    case ButtonPicture::OpenFile:
        b.lines();
        b.polyline({{1.5, 13.5}, {1.5, 2.5}, {5.5, 2.5}, {7, 4.5}, {12.5, 4.5}, {12.5, 6.5}});
        b.outlined(b.daylight ? kFolderYellow : b.face);
        b.polygon({{1.5, 13.5}, {4.5, 6.5}, {15, 6.5}, {12.5, 13.5}});
        break;
    case ButtonPicture::OpenSequence:
        b.outlined(b.face);
        for (int i = 0; i < 3; ++i)
            p.drawRect(QRectF(1.5 + 2 * i, 1.5 + 2 * i, 8, 10));
        break;
    case ButtonPicture::SaveFile:
        b.lines();
        b.polygon({{2.5, 2.5}, {11.5, 2.5}, {13.5, 4.5}, {13.5, 13.5}, {2.5, 13.5}});
        p.drawRect(QRectF(5.5, 2.5, 5, 4));
        p.drawRect(QRectF(4.5, 9.5, 7, 4));
        b.fill(b.ink);
        p.drawRect(QRectF(8, 3.5, 1.5, 2));
        break;
    case ButtonPicture::ScriptEditor:
        b.outlined(b.face);
        b.polygon({{3.5, 1.5}, {10, 1.5}, {12.5, 4}, {12.5, 14.5}, {3.5, 14.5}});
        b.lines();
        b.line(5, 5.5, 9, 5.5);
        b.line(6.5, 7.5, 11, 7.5);
        b.line(6.5, 9.5, 10, 9.5);
        b.line(5, 11.5, 9.5, 11.5);
        break;
    case ButtonPicture::CameraSource:
        b.outlined(b.face);
        p.drawRoundedRect(QRectF(1.5, 4.5, 9, 7), 1, 1);
        b.polygon({{10.5, 7}, {14.5, 4.5}, {14.5, 11.5}, {10.5, 9}});
        break;
    case ButtonPicture::CameraControls:
        b.lines();
        for (qreal x : {3.5, 7.5, 11.5})
            b.line(x, 1.5, x, 14.5);
        b.fill(b.ink);
        p.drawRect(QRectF(1.5, 9, 4, 3));
        p.drawRect(QRectF(5.5, 4, 4, 3));
        p.drawRect(QRectF(9.5, 7, 4, 3));
        break;
    case ButtonPicture::CameraFormat:
        b.lines();
        p.drawRect(QRectF(1.5, 3.5, 13, 9));
        b.arrow({7, 8}, {3.5, 10.5});
        b.arrow({9, 8}, {12.5, 5.5});
        break;
    case ButtonPicture::ImageMode:
        frame(b);
        b.star({8, 8}, 4);
        break;
    case ButtonPicture::StreamMode:
        b.fill(b.ink);
        p.drawRect(QRectF(2, 1, 12, 14));
        b.fill(b.face);
        for (qreal y : {2.5, 5.5, 8.5, 11.5}) {
            p.drawRect(QRectF(3, y, 1.5, 1.5));
            p.drawRect(QRectF(11.5, y, 1.5, 1.5));
        }
        p.drawRect(QRectF(5.5, 2.5, 5, 4.5));
        p.drawRect(QRectF(5.5, 8.5, 5, 4.5));
        break;
    case ButtonPicture::LongExposureMode:
        b.lines();
        p.drawEllipse(QPointF(7.5, 7.5), 6.5, 6.5);
        b.polyline({{7.5, 3}, {7.5, 7.5}, {11.5, 7.5}});
        break;
    case ButtonPicture::Thresholds:
        b.lines();
        b.polyline({{1, 10.5}, {5, 10.5}, {11, 2.5}, {15, 2.5}});
        b.fill(b.ink);
        b.polygon({{3, 15}, {5, 12.5}, {7, 15}});
        b.polygon({{9, 15}, {11, 12.5}, {13, 15}});
        break;
    case ButtonPicture::Selection:
        b.lines();
        p.drawRect(QRectF(1.5, 3.5, 9, 9));
        b.lines(1.8);
        b.polyline({{4.5, 7.5}, {7.5, 11}, {14.5, 2.5}});
        break;
    case ButtonPicture::Integration:
        b.lines(2);
        b.polyline({{12, 5}, {12, 3}, {4, 3}, {8.5, 8}, {4, 13}, {12, 13}, {12, 11}});
        break;
    case ButtonPicture::Filters:
        b.outlined(b.face);
        b.polygon({{1.5, 2.5}, {14.5, 2.5}, {9.5, 8.5}, {9.5, 13.5}, {6.5, 15}, {6.5, 8.5}});
        break;
    case ButtonPicture::Histogram: {
        b.fill(b.ink);
        const qreal heights[] = {3, 8, 12, 7, 3};
        for (int i = 0; i < 5; ++i)
            p.drawRect(QRectF(1 + 3 * i, 14 - heights[i], 2, heights[i]));
        b.lines();
        b.line(0.5, 14.5, 15.5, 14.5);
        break;
    }
    case ButtonPicture::Dark:
        // A black frame with its few hot pixels; at night, where the ink is
        // the brightest colour, its outline only, so that it does not read as
        // a lit picture.
        frame(b, b.daylight ? b.ink : b.face);
        b.fill(b.daylight ? b.face : b.ink);
        for (const QPointF& hot : {QPointF(4, 5), QPointF(10, 7), QPointF(6, 10)})
            p.drawRect(QRectF(hot, QSizeF(1.5, 1.5)));
        break;
    case ButtonPicture::Flat: {
        QColor light = b.face;
        light.setRgbF(b.face.redF() * 0.7 + b.ink.redF() * 0.3, b.face.greenF() * 0.7 + b.ink.greenF() * 0.3,
                      b.face.blueF() * 0.7 + b.ink.blueF() * 0.3);
        frame(b, light);
        break;
    }
    case ButtonPicture::Merlans: {
        QPainterPath eye;
        eye.moveTo(1, 8);
        eye.quadTo(8, 0.5, 15, 8);
        eye.quadTo(8, 15.5, 1, 8);
        b.lines(1.3);
        p.drawPath(eye);
        b.fill(b.ink);
        p.drawEllipse(QPointF(8, 8), 3.2, 3.2);
        // The stroke through it, set off from the eye by the face colour.
        p.setPen(QPen(b.face, 2.6 * b.stroke));
        b.line(2.5, 14, 13.5, 2);
        b.lines(1.3);
        b.line(2.5, 14, 13.5, 2);
        break;
    }
    case ButtonPicture::RefreshRate: {
        const QRectF circle(2.5, 2.5, 11, 11);
        QPainterPath arc;
        arc.arcMoveTo(circle, 70);
        arc.arcTo(circle, 70, 260);
        b.lines(1.3);
        p.drawPath(arc);
        const qreal end = 330 * std::numbers::pi / 180;
        const QPointF at(8 + 5.5 * std::cos(end), 8 - 5.5 * std::sin(end));
        const QPointF along(-std::sin(end), -std::cos(end));
        b.head(at + along * 2.0, at - along, 3.5);
        break;
    }
    case ButtonPicture::Zones: {
        QPen dashed(b.ink, b.stroke);
        dashed.setDashPattern({2, 1.5});
        p.setPen(dashed);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        b.lines();
        p.drawRect(QRectF(5.5, 5.5, 5, 5));
        break;
    }
    case ButtonPicture::CameraRoles:
        // Two cameras.
        b.outlined(b.face);
        for (const QPointF at : {QPointF(0, 0), QPointF(5, 7)}) {
            p.drawRect(QRectF(at + QPointF(0.5, 2.5), QSizeF(6, 5)));
            b.polygon({at + QPointF(6.5, 4), at + QPointF(9.5, 2.5), at + QPointF(9.5, 7.5), at + QPointF(6.5, 6)});
        }
        break;
    case ButtonPicture::SmallSource:
        frame(b);
        b.fill(b.ink);
        p.drawRect(QRectF(8, 8, 5, 4));
        break;
    case ButtonPicture::FullScreen:
        b.arrow({6, 6}, {1.5, 1.5});
        b.arrow({10, 6}, {14.5, 1.5});
        b.arrow({6, 10}, {1.5, 14.5});
        b.arrow({10, 10}, {14.5, 14.5});
        break;
    case ButtonPicture::Reticle:
        b.lines();
        p.drawEllipse(QPointF(7.5, 7.5), 4.5, 4.5);
        b.line(7.5, 0, 7.5, 5.5);
        b.line(7.5, 9.5, 7.5, 15);
        b.line(0, 7.5, 5.5, 7.5);
        b.line(9.5, 7.5, 15, 7.5);
        break;
    case ButtonPicture::Sampling:
        b.fill(b.ink);
        for (int row = 0; row < 4; ++row)
            for (int col = row % 2; col < 4; col += 2)
                p.drawRect(QRectF(2 + 3 * col, 2 + 3 * row, 3, 3));
        b.lines();
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        break;
    case ButtonPicture::Distances:
        b.lines();
        b.line(1.5, 3.5, 1.5, 11.5);
        b.line(14.5, 3.5, 14.5, 11.5);
        b.arrow({8, 7.5}, {2.5, 7.5});
        b.arrow({8, 7.5}, {13.5, 7.5});
        break;
    case ButtonPicture::Declination: {
        b.lines();
        b.polyline({{10.5, 5}, {2, 14.5}, {15, 14.5}});
        QPainterPath arc;
        const QRectF circle(-4, 8.5, 12, 12);
        arc.arcMoveTo(circle, 0);
        arc.arcTo(circle, 0, 48);
        p.drawPath(arc);
        b.star({12.5, 3}, 3);
        break;
    }
    case ButtonPicture::Focus:
        b.lines();
        b.polyline({{1.5, 5.5}, {1.5, 1.5}, {5.5, 1.5}});
        b.polyline({{10.5, 1.5}, {14.5, 1.5}, {14.5, 5.5}});
        b.polyline({{1.5, 10.5}, {1.5, 14.5}, {5.5, 14.5}});
        b.polyline({{10.5, 14.5}, {14.5, 14.5}, {14.5, 10.5}});
        b.fill(b.ink);
        p.drawEllipse(QPointF(8, 8), 2, 2);
        break;
    case ButtonPicture::Autoguiding:
        b.lines();
        p.drawRect(QRectF(3.5, 3.5, 8, 8));
        b.line(7.5, 0, 7.5, 3.5);
        b.line(7.5, 11.5, 7.5, 15);
        b.line(0, 7.5, 3.5, 7.5);
        b.line(11.5, 7.5, 15, 7.5);
        b.star({7.5, 7.5}, 3);
        break;
    case ButtonPicture::MotionDetection:
        b.fill(b.ink);
        p.drawEllipse(QPointF(11.5, 7.5), 3.2, 3.2);
        b.lines();
        b.line(1.5, 4.5, 6.5, 4.5);
        b.line(0.5, 7.5, 6.5, 7.5);
        b.line(1.5, 10.5, 6.5, 10.5);
        break;
    case ButtonPicture::SkyChart:
        b.lines(0.8);
        b.polyline({{2.5, 12.5}, {5.5, 7.5}, {10, 9.5}, {13.5, 3.5}});
        b.line(10, 9.5, 11.5, 14);
        b.fill(b.ink);
        for (const QPointF& s : {QPointF(2.5, 12.5), QPointF(5.5, 7.5), QPointF(10, 9.5), QPointF(13.5, 3.5),
                                 QPointF(11.5, 14)})
            p.drawEllipse(s, 1.5, 1.5);
        break;
    case ButtonPicture::Planner:
        b.lines();
        for (qreal x : {1.5, 8.5})
            for (qreal y : {1.5, 8.5})
                p.drawRect(QRectF(x, y, 6, 6));
        break;
    }
}

// The camera's number, in the button's face colour on a block of ink, in
// the picture's bottom right corner.
void cameraNumber(Brush& b, int number)
{
    QPainter& p = b.p;
    b.fill(b.face);
    p.drawRoundedRect(QRectF(8, 7, 8, 9), 1.5, 1.5);
    b.fill(b.ink);
    p.drawRoundedRect(QRectF(9, 8, 7, 8), 1.2, 1.2);
    QPen pen(b.face, 1.3 * b.stroke);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPainterPath digit;
    if (number == 1) {
        digit.moveTo(11.2, 10.6);
        digit.lineTo(12.9, 9.4);
        digit.lineTo(12.9, 14.8);
    } else {
        digit.moveTo(10.7, 11);
        digit.cubicTo(10.7, 8.8, 14.6, 8.8, 14.3, 11.3);
        digit.lineTo(10.8, 14.4);
        digit.lineTo(14.8, 14.4);
    }
    p.drawPath(digit);
}

class PictureEngine final : public QIconEngine {
public:
    PictureEngine(ButtonPicture picture, int camera, bool lit) : picture_(picture), camera_(camera), lit_(lit) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const QPalette colours = QApplication::palette();
        const bool disabled = mode == QIcon::Disabled;
        const bool night = NightColors::NightModeOn();
        QColor ink = colours.color(disabled ? QPalette::Disabled : QPalette::Active, QPalette::ButtonText);
        QColor face = colours.color(QPalette::Active, QPalette::Button);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        if (lit_) {
            // The block, and the picture in the colour that stands out on it.
            QColor block = ink;
            QColor on = face;
            if (!disabled && !night) {
                block = colours.color(QPalette::Active, QPalette::Highlight);
                on = colours.color(QPalette::Active, QPalette::HighlightedText);
            }
            painter->setPen(Qt::NoPen);
            painter->setBrush(block);
            painter->drawRoundedRect(QRectF(0, 0, 16, 16), 3, 3);
            ink = on;
            face = block;
        }
        Brush b{*painter, ink, face, !disabled && !night && !lit_};
        const auto picture = [this](Brush& inner) { draw(inner, picture_); };
        const QRectF whole = lit_ ? QRectF(1.5, 1.5, 13, 13) : QRectF(0, 0, 16, 16);
        if (camera_ == 1 || camera_ == 2) {
            b.within(QRectF(whole.topLeft(), whole.size() * (13.0 / 16.0)), picture);
            cameraNumber(b, camera_);
        } else {
            b.within(whole, picture);
        }
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {QSize(16, 16), QSize(32, 32)}; }
    QIconEngine* clone() const override { return new PictureEngine(*this); }
    QString key() const override { return QStringLiteral("nj_picture"); }

private:
    ButtonPicture picture_;
    int camera_;
    bool lit_;
};

// The button's own picture, kept on it by SetPicture.
constexpr const char* kOwnPicture = "nj_ownPicture";
constexpr const char* kOwnPictureCamera = "nj_ownPictureCamera";

} // namespace

QIcon PictureOf(ButtonPicture picture, int camera, bool lit)
{
    return QIcon(new PictureEngine(picture, camera, lit));
}

void SetPicture(QAbstractButton* button, ButtonPicture picture, int camera)
{
    button->setProperty(kOwnPicture, int(picture));
    button->setProperty(kOwnPictureCamera, camera);
    button->setIcon(PictureOf(picture, camera));
}

void ShowOwnPicture(QAbstractButton* button, bool lit)
{
    const QVariant own = button->property(kOwnPicture);
    if (!own.isValid()) {
        button->setIcon(QIcon());
        return;
    }
    button->setIcon(PictureOf(ButtonPicture(own.toInt()), button->property(kOwnPictureCamera).toInt(), lit));
}

} // namespace app
