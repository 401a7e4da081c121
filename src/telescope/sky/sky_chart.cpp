#include "telescope/sky/sky_chart.h"

#include "app/helpers/calc_helpers.h"
#include "telescope/sky/catalogues.h"

#include <QPainter>
#include <QHash>
#include <QStaticText>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace Sky {

double ChartCentreRA = 0;
double ChartCentreDec = 0.795;
double ChartFieldWidth = std::numbers::pi / 2;
double GotoOriginRA = kUnset, GotoOriginDec = kUnset;
double GotoDestinationRA = kUnset, GotoDestinationDec = kUnset;
double GotoCurrentRA = 0, GotoCurrentDec = 0;
ChartScale LastScale;
MosaicFieldGrid MosaicFieldTable{};
std::uint8_t MosaicTilesX = 0, MosaicTilesY = 0;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kDeg = kPi / 180.0;
constexpr double kArcsecToRad = kPi / 648000.0;
// Pixels further out than this are no pixels (NaN, huge values).
constexpr double kPixelLimit = 1e6;

// Sine and cosine of the whole degrees 0 to 360.
struct SinCosTable {
    std::array<double, 361> sin{}, cos{};
    SinCosTable()
    {
        for (int i = 0; i <= 360; ++i) {
            sin[std::size_t(i)] = std::sin(i * kDeg);
            cos[std::size_t(i)] = std::cos(i * kDeg);
        }
    }
};
const SinCosTable& sinCos()
{
    static const SinCosTable table;
    return table;
}

QColor toQColor(int stored) { return QColor(stored & 0xFF, (stored >> 8) & 0xFF, (stored >> 16) & 0xFF); }

bool inside(const QPoint& p, int w, int h) { return p.x() > 0 && p.x() < w && p.y() > 0 && p.y() < h; }

// A one-pixel line OR-ed into the image, both ends included, clipped to the
// image (Liang-Barsky, then a Bresenham walk).
void orLine(QImage& image, QPoint from, QPoint to, QRgb colour)
{
    const double w = image.width() - 1, h = image.height() - 1;
    double x0 = from.x(), y0 = from.y(), x1 = to.x(), y1 = to.y();
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0, w - x0, y0, h - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return;
    }
    int ax = int(std::lround(x0 + t0 * dx)), ay = int(std::lround(y0 + t0 * dy));
    const int bx = int(std::lround(x0 + t1 * dx)), by = int(std::lround(y0 + t1 * dy));
    const int sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
    const int ex = std::abs(bx - ax), ey = -std::abs(by - ay);
    int err = ex + ey;
    colour &= 0xFFFFFF;
    for (;;) {
        if (ax >= 0 && ay >= 0 && ax <= w && ay <= h) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(ay));
            line[ax] |= colour;
        }
        if (ax == bx && ay == by)
            break;
        const int e2 = 2 * err;
        if (e2 >= ey) {
            err += ey;
            ax += sx;
        }
        if (e2 <= ex) {
            err += ex;
            ay += sy;
        }
    }
}

// Pen position of a move-to / line-to walk; a point without a pixel breaks
// the walk.
struct PenWalk {
    QImage& image;
    QRgb colour;
    int w, h;
    std::optional<QPoint> at;
    void moveTo(std::optional<QPoint> p) { at = p; }
    // Line to p when p lies inside the image, else move there.
    void lineOrMove(std::optional<QPoint> p)
    {
        if (p && at && inside(*p, w, h))
            orLine(image, *at, *p, colour);
        at = p;
    }
};

// One-pixel cosmetic pens: lines are walked pixel by pixel, not stroked.
QPen pen(const QColor& colour, Qt::PenStyle style) { return QPen(colour, 0, style); }
QPen pen(int colour, Qt::PenStyle style) { return pen(toQColor(colour), style); }

void drawEllipse(QPainter& p, int cx, int cy, int a, int b) { p.drawEllipse(QRect(cx - a, cy - b, 2 * a, 2 * b)); }

void drawRotatedEllipse(QPainter& p, int px, int py, int a, int b, int angleDeg)
{
    const SinCosTable& t = sinCos();
    const int phi = ((angleDeg % 360) + 360) % 360;
    const double cp = t.cos[std::size_t(phi)], sp = t.sin[std::size_t(phi)];
    QPoint previous;
    for (int k = 0; k <= 90; ++k) {
        const int deg = -4 + 4 * k;
        const std::size_t index = std::size_t(deg < 0 ? deg + 360 : deg);
        const double u = a * t.cos[index], v = b * t.sin[index];
        const QPoint q(int(std::trunc(cp * u - sp * v)) + px, int(std::trunc(sp * u + cp * v)) + py);
        if (k > 0)
            p.drawLine(previous, q);
        previous = q;
    }
}

bool contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

bool isBlank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

bool passesClassFilter(DeepSkyKind kind, const std::string& cls, const ChartSettings& st)
{
    if (kind == DeepSkyKind::Galaxy) {
        if (isBlank(cls))
            return true;   // the catalogue gives no class: nothing to filter on
        return (contains(cls, "E") && st.galaxyE) || (contains(cls, "S") && !contains(cls, "SB") && st.galaxyS)
            || (contains(cls, "SB") && st.galaxySB) || (contains(cls, "Ir") && st.galaxyIr);
    }
    if (kind == DeepSkyKind::Planetary) {
        if (isBlank(cls))
            return true;
        for (int i = 0; i < 6; ++i)
            if (st.planetaryClasses[std::size_t(i)] && cls.find(char('1' + i)) != std::string::npos)
                return true;
        return false;
    }
    return true;
}

// Laid-out labels kept from one redraw to the next (the same stars and
// objects are labelled again); emptied when the font changes.
const QStaticText& laidOut(const QString& text, const QFont& font)
{
    static QFont cachedFont;
    static QHash<QString, QStaticText> cache;
    if (font != cachedFont || cache.size() > 50000) {
        cache.clear();
        cachedFont = font;
    }
    auto it = cache.find(text);
    if (it == cache.end()) {
        QStaticText t(text);
        t.setTextFormat(Qt::PlainText);
        t.prepare(QTransform(), font);
        it = cache.insert(text, t);
    }
    return *it;
}

// A label with its top left corner at `at`: the glyphs are painted over
// what is there, the background stays.
void drawText(QPainter& p, const QPoint& at, const QString& text)
{
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawStaticText(at, laidOut(text, p.font()));
    p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
}

struct DeepSkyDraw {
    const std::string& label;
    const std::string& type;
    int decDeg, raDeg, angle;
    double magnitude, radius2, radius1;
    int py, px;
    const std::string& cls;
};

void drawDeepSkySymbol(QPainter& p, const ChartSettings& st, const DeepSkyDraw& d)
{
    const DeepSkyKind kind = KindOfType(d.type);
    if (kind == DeepSkyKind::None)
        return;
    const KindSettings& ks = st.kinds[std::size_t(kind)];
    const double m = d.magnitude;
    if (!ks.show || !(ks.range.contains(m) || m == kUnset) || !passesClassFilter(kind, d.cls, st))
        return;

    const int a = std::max(4, int(std::trunc(d.radius1)));
    const int b = d.radius2 == 0 ? a : std::max(4, int(std::trunc(d.radius2)));
    const int level = std::max(20, DeepSkyLevel(m == kUnset ? 15 : m));
    int angle = d.angle;
    if (angle > 0) {
        angle = 360 - angle;
        double deltaA = ChartCentreRA / kDeg - d.raDeg;
        if (deltaA > 180)
            deltaA -= 360;
        angle = int(std::trunc(CalcHelpers::AddAngles(angle, -deltaA * std::sin(d.decDeg * kDeg))));
    }
    const int colour = ScaleColour(ks.colour, level);
    const int px = d.px, py = d.py;
    p.setBrush(Qt::NoBrush);
    switch (kind) {
    case DeepSkyKind::Galaxy:
        p.setPen(pen(colour, Qt::SolidLine));
        if (angle > 0 && a > 4)
            drawRotatedEllipse(p, px, py, a, b, angle);
        else if (a > 4)
            drawEllipse(p, px, py, a, b);
        else
            drawEllipse(p, px, py, a, b / 2);
        break;
    case DeepSkyKind::Planetary:
        p.setPen(pen(colour, Qt::SolidLine));
        drawEllipse(p, px, py, a, b);
        p.drawLine(px, py - b, px, py - 2 * b);
        p.drawLine(px, py + b, px, py + 2 * b);
        p.drawLine(px - a, py, px - 2 * a, py);
        p.drawLine(px + a, py, px + 2 * a, py);
        break;
    case DeepSkyKind::ClusterNebula:
    case DeepSkyKind::Nebula:
        p.setPen(pen(colour, Qt::SolidLine));
        p.drawLine(px - a, py - b, px + a, py - b);
        p.drawLine(px + a, py - b, px + a, py + b);
        p.drawLine(px + a, py + b, px - a, py + b);
        p.drawLine(px - a, py + b, px - a, py - b);
        break;
    case DeepSkyKind::OpenCluster:
        p.setPen(pen(colour, Qt::DotLine));
        if (angle < 1 || a < 5)
            drawEllipse(p, px, py, a, b);
        else
            drawRotatedEllipse(p, px, py, a, b, angle);
        break;
    case DeepSkyKind::GalaxyCluster:
        p.setPen(pen(colour, Qt::DotLine));
        drawEllipse(p, px, py, a, b);
        break;
    case DeepSkyKind::Globular:
        p.setPen(pen(colour, Qt::SolidLine));
        drawEllipse(p, px, py, a, b);
        p.drawLine(px, py - b, px, py + b);
        p.drawLine(px - a, py, px + a, py);
        break;
    case DeepSkyKind::Others:
        p.setPen(pen(colour, Qt::SolidLine));
        drawEllipse(p, px, py, a, b);
        break;
    case DeepSkyKind::None:
        break;
    }
    if (ks.label && ks.labelRange.contains(m)) {
        p.setFont(st.objectFont);
        p.setPen(toQColor(colour));
        drawText(p, QPoint(px - a, py + b / 2), QString::fromStdString(d.label));
    }
}

// The forward projection of unit vectors for one chart centre: no
// trigonometry per point but one arc cosine, and points further from the
// centre than `limit` (radians) are dropped at once.
struct Projector {
    double ca0, sa0, cd0, sd0, cosLimit;
    Projector(double ra0, double dec0, double limit)
        : ca0(std::cos(ra0)), sa0(std::sin(ra0)), cd0(std::cos(dec0)), sd0(std::sin(dec0)),
          cosLimit(limit >= kPi ? -2.0 : std::cos(limit))
    {
    }
    std::optional<PlanePoint> project(const std::array<double, 3>& v) const
    {
        const double a = v[0] * ca0 + v[1] * sa0;   // cos dec cos(ra - ra0)
        const double b = v[1] * ca0 - v[0] * sa0;   // cos dec sin(ra - ra0)
        const double cosc = std::clamp(sd0 * v[2] + cd0 * a, -1.0, 1.0);
        if (cosc < cosLimit)
            return std::nullopt;
        const double sinc = std::sqrt(std::max(0.0, 1.0 - cosc * cosc));
        if (sinc == 0)
            return cosc > 0 ? std::optional<PlanePoint>(PlanePoint{0, 0}) : std::nullopt;
        const double k = std::acos(cosc) / sinc;
        return PlanePoint{-k * b, k * (v[2] * cd0 - sd0 * a)};   // east to the left
    }
};



} // namespace

QString ShortNumber(double v)
{
    QString s = QString::number(v, 'f', 2);
    while (s.endsWith(QLatin1Char('0')))
        s.chop(1);
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

PlanePoint SkyToChart(double ra0, double dec0, double ra, double dec)
{
    const double dra = ra - ra0;
    const double cosc
        = std::clamp(std::sin(dec0) * std::sin(dec) + std::cos(dec0) * std::cos(dec) * std::cos(dra), -1.0, 1.0);
    const double c = std::acos(cosc);
    if (c == 0)
        return {0, 0};
    const double sinc = std::sin(c);
    if (!(sinc > 1e-12))
        return {std::nan(""), std::nan("")};   // the antipode has no single image
    const double k = c / sinc;
    return {k * std::cos(dec) * std::sin(dra),
            k * (std::sin(dec) * std::cos(dec0) - std::cos(dec) * std::sin(dec0) * std::cos(dra))};
}

SkyPoint ChartToSky(double ra0, double dec0, double x, double y)
{
    const double rho = std::hypot(x, y);
    double dec = dec0, ra = ra0;
    if (rho > 0) {
        const double c = rho;
        dec = std::asin(std::clamp(std::cos(c) * std::sin(dec0) + y * std::sin(c) * std::cos(dec0) / rho, -1.0, 1.0));
        ra = ra0 + std::atan2(x * std::sin(c), rho * std::cos(dec0) * std::cos(c) - y * std::sin(dec0) * std::sin(c));
    }
    ra = std::fmod(ra, kTwoPi);
    if (ra < 0)
        ra += kTwoPi;
    return {ra, dec};
}

ChartScale SetupChartScale(int left, int top, int right, int bottom, double fieldWidth)
{
    ChartScale s;
    s.width = right - left;
    s.height = bottom - top;
    const double w = std::max(1, s.width), h = std::max(1, s.height);
    const double ratio = w / h;
    s.xScale = w / fieldWidth;
    s.xOffset = left + w / 2;
    s.yScale = -h / (fieldWidth / ratio);
    s.yOffset = top + h / 2;
    return s;
}

std::optional<QPoint> ChartToPixel(const ChartScale& s, PlanePoint p)
{
    const double x = s.xScale * p.x + s.xOffset;
    const double y = s.yScale * p.y + s.yOffset;
    if (!(std::fabs(x) < kPixelLimit) || !(std::fabs(y) < kPixelLimit))
        return std::nullopt;
    return QPoint(int(std::lround(x)), int(std::lround(y)));
}

PlanePoint PixelToChart(const ChartScale& s, int x, int y)
{
    return {(x - s.xOffset) / s.xScale, (y - s.yOffset) / s.yScale};
}

SkyPoint PixelToSky(const ChartScale& s, int x, int y)
{
    const PlanePoint p = PixelToChart(s, x, y);
    return ChartToSky(ChartCentreRA, ChartCentreDec, -p.x, p.y);
}

std::optional<QPoint> SkyToPixel(const ChartScale& s, double ra, double dec)
{
    return ChartToPixel(s, SkyToChart(-ChartCentreRA, ChartCentreDec, -ra, dec));
}

double AngularDistance(double ra1, double dec1, double ra2, double dec2)
{
    const double dra = (ra2 - ra1) * kArcsecToRad;
    const double d1 = dec1 * kArcsecToRad, d2 = dec2 * kArcsecToRad;
    const double across = std::hypot(std::cos(d2) * std::sin(dra),
                                     std::cos(d1) * std::sin(d2) - std::sin(d1) * std::cos(d2) * std::cos(dra));
    const double along = std::sin(d1) * std::sin(d2) + std::cos(d1) * std::cos(d2) * std::cos(dra);
    return std::atan2(across, along) / kArcsecToRad;
}

int StarLevel(double m) { return std::min(255, int(std::trunc((8 - std::min(8.0, m)) * 255.0 / 8.0))); }

int DeepSkyLevel(double m) { return std::min(255, int(std::trunc((16 - std::min(16.0, m)) * 255.0 / 16.0))); }

int ScaleColour(int colour, int level)
{
    auto scale = [&](int shift) { return (int(((colour >> shift) & 0xFF) * level / 256.0)) << shift; };
    return int(colour & 0xFF000000) | scale(0) | scale(8) | scale(16);
}

std::array<SkyPoint, 5> MosaicFieldCorners(double dx, double dy, double rotation, double halfHeight, double halfWidth)
{
    const double c = std::cos(rotation), sn = std::sin(rotation);
    // Turned on the chart (y down), then as a plane point (y up) to the sky.
    auto sky = [&](double x, double y) {
        const double tx = x * c - y * sn, ty = x * sn + y * c;
        return ChartToSky(ChartCentreRA, ChartCentreDec, -tx, -ty);
    };
    return {sky(dx, dy), sky(dx - halfWidth, dy - halfHeight), sky(dx + halfWidth, dy - halfHeight),
            sky(dx + halfWidth, dy + halfHeight), sky(dx - halfWidth, dy + halfHeight)};
}

DeepSkyKind KindOfType(const std::string& t)
{
    auto any = [&](std::initializer_list<const char*> codes) {
        return std::any_of(codes.begin(), codes.end(), [&](const char* c) { return t == c; });
    };
    if (any({"gx", "galxy"}))
        return DeepSkyKind::Galaxy;
    if (any({"pl", "plnnb"}))
        return DeepSkyKind::Planetary;
    if (any({"c+n", "cl+nb", "smccn", "lmccn"}))
        return DeepSkyKind::ClusterNebula;
    if (any({"nb", "drknb", "brtnb", "gx+dn", "smcdn", "lmcdn"}))
        return DeepSkyKind::Nebula;
    if (any({"oc", "opncl", "lmcoc", "smcoc"}))
        return DeepSkyKind::OpenCluster;
    if (t == "galcl")
        return DeepSkyKind::GalaxyCluster;
    if (any({"gb", "glocl", "lmcgc", "smcgc", "gx+gc"}))
        return DeepSkyKind::Globular;
    if (any({"ast", "aster", "d*", "***", "1*", "2*", "3*", "4*", "5*", "*", "kt", "-", "nonex", "pd", "snrem", "?"}))
        return DeepSkyKind::Others;
    return DeepSkyKind::None;
}

void RenderChart(QImage& image, const ChartSettings& st)
{
    const int w = image.width(), h = image.height();
    const ChartScale s = SetupChartScale(0, 0, w, h, ChartFieldWidth);
    LastScale = s;
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    p.setBrush(Qt::NoBrush);
    const double ra0 = -ChartCentreRA, dec0 = ChartCentreDec;
    auto pixelOf = [&](double ra, double dec) { return ChartToPixel(s, SkyToChart(ra0, dec0, -ra, dec)); };
    // Catalogue objects: only those whose centre can fall inside the image.
    const double ratio = double(std::max(1, w)) / std::max(1, h);
    const Projector fast(ChartCentreRA, ChartCentreDec,
                         ChartFieldWidth / 2 * std::sqrt(1 + 1 / (ratio * ratio)) * 1.02 + 1e-6);
    auto catalogPixel = [&](const std::array<double, 3>& unit) -> std::optional<QPoint> {
        const auto plane = fast.project(unit);
        return plane ? ChartToPixel(s, *plane) : std::nullopt;
    };

    // Deep-sky objects.
    for (const DeepSkyRecord& r : DeepSkyCatalogue) {
        const auto px = catalogPixel(r.unit);
        if (!px || !inside(*px, w, h))
            continue;
        const double r1 = r.size1 * kPi / 10800.0 * s.xScale / 2;
        const double r2 = r.size2 * kPi / 10800.0 * s.xScale / 2;
        const std::string label = r.otherName.empty() ? r.name : r.otherName + " / " + r.name;
        const int angle = int(std::trunc(CalcHelpers::AddAngles(90, r.positionAngle)));
        drawDeepSkySymbol(p, st,
                          DeepSkyDraw{label, r.type, int(std::trunc(r.dec / 3600)), int(std::trunc(r.ra / 3600)),
                                      angle, r.magnitude, r2, r1, px->y(), px->x(), r.classText});
    }

    // Stars: grey discs by magnitude.
    if (st.stars) {
        p.setFont(st.starFont);
        for (const StarRecord& r : StarCatalogue) {
            const double m = r.magnitude;
            if (!r.filled || !(st.starRange.contains(m) || m == kUnset))
                continue;
            const auto px = catalogPixel(r.unit);
            if (!px || !inside(*px, w, h))
                continue;
            const int level = StarLevel(m);
            const QColor grey(level, level, level);
            const int radius = level / 64;
            if (radius < 1) {
                image.setPixel(*px, grey.rgb());
            } else {
                p.setPen(grey);
                p.setBrush(grey);
                p.drawEllipse(QRect(px->x() - radius, px->y() - radius, 2 * radius, 2 * radius));
                p.setBrush(Qt::NoBrush);
            }
            if (st.starLabels && st.starLabelRange.contains(m)) {
                QString text = QStringLiteral("SAO") + QString::fromLatin1(r.saoText().data(), 6);
                if (r.hasName())
                    text = QString::fromLatin1(r.nameText().data(), 10) + QStringLiteral(" / ") + text;
                p.setPen(grey);
                drawText(p, QPoint(px->x() + 2, px->y()), text);
            }
        }
    }

    // Constellation lines.
    if (st.constellations) {
        PenWalk walk{image, toQColor(st.constellationColour).rgb(), w, h, {}};
        for (const ConstellationSegment& c : ConstellationLines) {
            walk.moveTo(pixelOf(c.ra1, c.dec1));
            walk.lineOrMove(pixelOf(c.ra2, c.dec2));
        }
    }

    // Grid of meridians and parallels, sampled every 5 degrees.
    if (st.grid && st.gridRaStep > 0 && st.gridDecStep > 0) {
        PenWalk walk{image, toQColor(st.gridColour).rgb(), w, h, {}};
        const double dra = st.gridRaStep * kDeg, ddec = st.gridDecStep * kDeg, sample = 5 * kDeg;
        const int meridians = int(std::trunc(kTwoPi / dra));
        for (int i = 0; i <= meridians; ++i) {
            walk.moveTo(pixelOf(i * dra, 0));
            for (int j = 0; j <= int(std::trunc(kTwoPi / sample)); ++j)
                walk.lineOrMove(pixelOf(i * dra, j * sample));
        }
        const int parallels = int(std::trunc(kTwoPi / ddec));
        for (int j = 0; j <= parallels; ++j) {
            walk.moveTo(pixelOf(0, j * ddec));
            for (int i = 0; i <= int(std::trunc(kPi / sample)) + 1; ++i)
                walk.lineOrMove(pixelOf(i * sample, j * ddec));
        }
    }

    // Goto origin and destination.
    p.setPen(pen(QColor(Qt::red), Qt::SolidLine));
    p.setFont(st.objectFont);
    auto marker = [&](double ra, double dec, const QString& caption) -> std::optional<QPoint> {
        const auto px = pixelOf(ra * kArcsecToRad, dec * kArcsecToRad);
        if (!px)
            return px;
        p.drawLine(px->x() - 10, px->y() - 10, px->x() + 10, px->y() + 10);
        p.drawLine(px->x() + 10, px->y() - 10, px->x() - 10, px->y() + 10);
        drawText(p, *px, caption);
        return px;
    };
    std::optional<QPoint> origin, destination;
    if (OriginSet())
        origin = marker(GotoOriginRA, GotoOriginDec, st.originCaption);
    if (DestinationSet())
        destination = marker(GotoDestinationRA, GotoDestinationDec, st.destinationCaption);
    if (origin && destination)
        p.drawLine(*origin, *destination);

    // Fields of the mosaic planner.
    auto nearImage = [&](const QPoint& q) { return q.x() > -100 && q.x() < w + 100 && q.y() > -100 && q.y() < h + 100; };
    p.setPen(pen(QColor(Qt::blue), Qt::DotLine));
    for (const PlannerField& f : st.planner) {
        const auto centre = pixelOf(f.centreRa, f.centreDec);
        if (!centre || !nearImage(*centre))
            continue;
        if (centre->x() >= 0 && centre->x() < w && centre->y() >= 0 && centre->y() < h)
            image.setPixel(*centre, qRgb(255, 0, 0));
        std::array<std::optional<QPoint>, 4> corner;
        for (std::size_t i = 0; i < 4; ++i)
            corner[i] = pixelOf(f.corners[2 * i], f.corners[2 * i + 1]);
        for (std::size_t i = 0; i < 4; ++i)
            if (corner[i] && corner[(i + 1) % 4])
                p.drawLine(*corner[i], *corner[(i + 1) % 4]);
        drawText(p, *centre, f.name);
    }

    // Grid of camera fields around the chart centre.
    p.setPen(pen(QColor(Qt::cyan), Qt::DotLine));
    ComputeMosaicFields(st.cameraGrid, [&](int i, int j, const std::array<SkyPoint, 5>& field) {
        const auto centre = pixelOf(field[0].ra, field[0].dec);
        if (!centre || !nearImage(*centre))
            return;
        std::array<std::optional<QPoint>, 4> corner;
        for (std::size_t c = 0; c < 4; ++c)
            corner[c] = pixelOf(field[c + 1].ra, field[c + 1].dec);
        for (std::size_t c = 0; c < 4; ++c)
            if (corner[c] && corner[(c + 1) % 4])
                p.drawLine(*corner[c], *corner[(c + 1) % 4]);
        drawText(p, *centre, QString(QChar('A' + (i - 1) % 26)) + QString::number(j));
    });
}

void ComputeMosaicFields(const CameraGrid& g,
                         const std::function<void(int i, int j, const std::array<SkyPoint, 5>&)>& each)
{
    MosaicTilesX = 0;
    MosaicTilesY = 0;
    const int nx = std::min(g.nx, kMaxMosaicTiles), ny = std::min(g.ny, kMaxMosaicTiles);
    if (nx <= 0 || ny <= 0 || !(g.sampling > 0))
        return;
    MosaicTilesX = std::uint8_t(nx);
    MosaicTilesY = std::uint8_t(ny);
    const double k = g.sampling * kArcsecToRad;   // radians per camera pixel
    const double stepX = (std::trunc(g.widthPx) - g.overlapX) * k, stepY = (std::trunc(g.heightPx) - g.overlapY) * k;
    const double halfW = std::trunc(g.widthPx) * k / 2, halfH = std::trunc(g.heightPx) * k / 2;
    const double rotation = -g.orientation * kDeg;
    // The middle field (or the middle of the two middle ones) on the chart
    // centre; columns run to the right (west), rows down (south).
    auto offset = [](int index, int count, double step) {
        return (index - (count / 2 + 1)) * step + (count % 2 == 0 ? step / 2 : 0);
    };
    for (int j = 1; j <= ny; ++j) {
        for (int i = 1; i <= nx; ++i) {
            const auto field = MosaicFieldCorners(offset(i, nx, stepX), offset(j, ny, stepY), rotation, halfH, halfW);
            MosaicFieldRecord& r = MosaicFieldTable[std::size_t(i)][std::size_t(j)];
            r.v[0] = field[0].ra;
            r.v[1] = field[0].dec;
            for (std::size_t c = 0; c < 4; ++c) {
                r.v[2 + c] = field[c + 1].ra;
                r.v[6 + c] = field[c + 1].dec;
            }
            if (each)
                each(i, j, field);
        }
    }
}

} // namespace Sky
