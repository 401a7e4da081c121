#include "imaging/overlays.h"

#include "app/frm_alv.h"
#include "app/frm_pref.h"
#include "capture/camera_slots.h"
#include "imaging/named_control.h"
#include "imaging/pipeline_state.h"
#include "tools/frm_tool_mesures.h"
#include "translation/translated_texts.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Align_V {

namespace {

QColor qcolour(kernels::Colour c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// An ellipse outline in the box (left, top, right, bottom), right and
// bottom exclusive.
void ellipse(kernels::Bitmap24& bitmap, int left, int top, int right, int bottom, kernels::Colour colour,
             bool dotted)
{
    if (bitmap.isEmpty() || right - left < 1 || bottom - top < 1)
        return;
    QImage img = bitmap.view();
    QPainter p(&img);
    QPen pen(qcolour(colour));
    pen.setWidth(1);
    pen.setStyle(dotted ? Qt::DotLine : Qt::SolidLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

// Delphi-like general format with 3 significant digits: "1", "1.5", "0.25",
// "1.21E3".
QString general3(double v)
{
    if (v == 0)
        return QStringLiteral("0");
    const int exponent = int(std::floor(std::log10(std::fabs(v))));
    if (exponent >= 3 || exponent < -4) {
        QString m = QString::number(v / std::pow(10.0, exponent), 'f', 2);
        while (m.contains(QLatin1Char('.')) && (m.endsWith(QLatin1Char('0')) || m.endsWith(QLatin1Char('.'))))
            m.chop(1);
        return m + QLatin1Char('E') + QString::number(exponent);
    }
    QString s = QString::number(v, 'f', std::max(0, 2 - exponent));
    while (s.contains(QLatin1Char('.')) && (s.endsWith(QLatin1Char('0')) || s.endsWith(QLatin1Char('.'))))
        s.chop(1);
    return s;
}

int stepFor(double P)
{
    const double t = std::trunc(P);
    if (t >= 33)
        return 1;
    if (t >= 10)
        return 2;
    if (t >= 7)
        return 5;
    if (t >= 4)
        return 10;
    if (t >= 2)
        return 15;
    if (t >= 1)
        return 30;
    if (P >= 0.5)
        return 60;
    if (P >= 0.25)
        return 120;
    if (P >= 0.125)
        return 300;
    if (P >= 0.05)
        return 600;
    if (P >= 0.025)
        return 900;
    if (P >= 0.0166)
        return 1800;
    if (P >= 0.0088)
        return 3600;
    if (P >= 0.0044)
        return 7200;
    if (P >= 0.0022)
        return 18000;
    return 36000;
}

// Largest radius worth drawing: beyond the diagonal of any overlay.
constexpr int kMaxReticleRadius = 2048;

double normalisedDegrees(double a)
{
    a = std::fmod(a, 360.0);
    return a < 0 ? a + 360.0 : a;
}

} // namespace

void DrawZoneRect(kernels::Bitmap24& bitmap, const kernels::Rect& rect, std::int32_t)
{
    kernels::fillRect(bitmap, kernels::boundsOf(bitmap), kernels::kWhite);
    if (rect.isEmpty())
        return;
    kernels::DottedNotXorPen pen(bitmap, kOlive);
    pen.rectangle(rect);
}

void MergeZoneOutline(kernels::Bitmap24& view, const kernels::Rect& dstRect, const kernels::Bitmap24& outline,
                      const kernels::Rect& srcRect)
{
    if (dstRect.width() != srcRect.width() || dstRect.height() != srcRect.height() || srcRect.isEmpty()) {
        kernels::stretchBlt(view, dstRect, outline, srcRect, kernels::RasterOp::MergePaint);
        return;
    }
    const int dx = dstRect.left - srcRect.left, dy = dstRect.top - srcRect.top;
    auto part = [&](int left, int top, int right, int bottom) {
        const kernels::Rect s{left, top, right, bottom};
        if (!s.isEmpty())
            kernels::stretchBlt(view, {left + dx, top + dy, right + dx, bottom + dy}, outline, s,
                                kernels::RasterOp::MergePaint);
    };
    const int l = srcRect.left, t = srcRect.top, r = srcRect.right, b = srcRect.bottom;
    part(l, t, r, t + 1);
    if (b - 1 > t) {
        part(l, b - 1, r, b);
        part(l, t + 1, l + 1, b - 1);
        if (r - 1 > l)
            part(r - 1, t + 1, r, b - 1);
    }
}

void DrawZoneMarker(kernels::Bitmap24& canvas, std::int32_t x, std::int32_t y, std::int32_t halfSize,
                    kernels::Colour colour, std::uint8_t shape, std::uint8_t centreMark)
{
    const std::int64_t n = std::clamp(halfSize, 0, 1 << 16);
    std::int64_t c = 0;
    SolidPen pen(canvas, colour);
    if (shape == 0) {
        c = n;
        const std::int64_t l = x - n, t = y - n, r = x + n - 1, b = y + n - 1;
        if (r >= l && b >= t) {
            pen.moveTo(l, t);
            pen.lineTo(r, t);
            pen.lineTo(r, b);
            pen.lineTo(l, b);
            pen.lineTo(l, t);
        }
    } else if (shape == 1) {
        c = std::int64_t(std::trunc(n * 0.707));
        // The circle in the box (x - n, y - n, x + n, y + n): the pixels whose
        // centres lie within half a pixel inside its edge. Drawn here rather
        // than by the toolkit's painter, as it is drawn on every frame.
        const std::int64_t r2 = n * n, in2 = (n - 1) * (n - 1);
        const std::int64_t x0 = std::max<std::int64_t>(x - n, 0), x1 = std::min<std::int64_t>(x + n, canvas.width());
        const std::int64_t y0 = std::max<std::int64_t>(y - n, 0), y1 = std::min<std::int64_t>(y + n, canvas.height());
        for (std::int64_t py = y0; py < y1; ++py) {
            const std::int64_t dy2 = (2 * (py - y) + 1) * (2 * (py - y) + 1);
            for (std::int64_t px = x0; px < x1; ++px) {
                const std::int64_t d2 = (2 * (px - x) + 1) * (2 * (px - x) + 1) + dy2;   // 4 x distance squared
                if (d2 < 4 * r2 && d2 >= 4 * in2)
                    pen.plot(px, py);
            }
        }
    }
    if (centreMark == 0) {
        pen.line(x - c, y - c, x + c, y + c);
        pen.line(x + c - 1, y - c, x - c - 1, y + c);
    } else if (centreMark == 1) {
        pen.plot(x, y);
    }
}

ReticleScale ComputeReticleScale(double sampling, int frameWidth)
{
    ReticleScale s;
    if (!(sampling > 0))
        return s;
    double P = 1.0 / sampling;
    double N = std::nearbyint(std::max(frameWidth, 0) / P);
    if (P == 0 || !std::isfinite(N)) {
        N = 648000;
        P = 0.0001;
    }
    s.pixelsPerArcsec = P;
    s.stepArcsec = stepFor(P);
    const int S = s.stepArcsec;
    const int divisor = S < 60 ? 1 : S < 3600 ? 60 : 3600;
    const QString unit = S < 60 ? QStringLiteral("\"") : S < 3600 ? QStringLiteral("'") : QString(QChar(0x00B0));
    // Only the multiples of the step, only circles that can be seen, and
    // one circle per radius: the walk jumps to the next multiple whose
    // radius is larger, so a very coarse scale costs no more than a fine one.
    for (double k = 1;;) {
        const double i = k * S;
        if (i > N)
            break;
        const double r = std::trunc(i * P);
        if (r > kMaxReticleRadius)
            break;
        s.radii << int(r);
        s.labels << general3(i / divisor) + unit;
        k = std::max(k + 1, std::ceil((r + 1) / (S * P)));
    }
    return s;
}

void DrawReticle(std::int32_t x, std::int32_t y, bool showCross, double sampling, double orientation,
                 bool showCircles, std::uint8_t slot)
{
    if (!OverlayBitmap)
        return;
    kernels::Bitmap24& bmp = OverlayBitmap->bitmap;
    const bool mirrored = FRM_Pref && FRM_Pref->CKB_RenvoiCoude->isChecked();
    const double A1 = normalisedDegrees(orientation);
    const double A2 = normalisedDegrees(mirrored ? orientation + 90 : orientation - 90);
    const double a1 = A1 * M_PI / 180, a2 = A2 * M_PI / 180;
    const int s = slot == 2 ? 2 : 1;
    const ReticleScale scale = ComputeReticleScale(sampling, CameraSlots[std::size_t(s)].width);

    if (showCircles) {
        for (int r : scale.radii)
            ellipse(bmp, x - r, y - r, x + r, y + r, kRed, true);
    }
    if (!showCross)
        return;

    auto at = [x, y](double angle, double d) {
        return QPoint(int(x + std::trunc(std::cos(angle) * d)), int(y + std::trunc(std::sin(angle) * d)));
    };
    auto axis = [&](double a, double degrees, int width) {
        SolidPen pen(bmp, kRed);
        for (int w = 0; w < width; ++w) {
            // A wider pen: the same line again, one pixel across.
            const bool steep = std::fabs(std::sin(a)) > std::fabs(std::cos(a));
            const int ox = steep ? w : 0, oy = steep ? 0 : w;
            const QPoint p0 = at(a, -800), p1 = at(a, 800);
            pen.line(p0.x() + ox, p0.y() + oy, p1.x() + ox, p1.y() + oy);
            const QPoint h0 = at((degrees + 5) * M_PI / 180, 35), h1 = at(a, 40), h2 = at((degrees - 5) * M_PI / 180, 35);
            pen.moveTo(h0.x() + ox, h0.y() + oy);
            pen.lineTo(h1.x() + ox, h1.y() + oy);
            pen.lineTo(h2.x() + ox, h2.y() + oy);
        }
    };
    axis(a1, A1, 2);
    axis(a2, A2, 1);

    for (int i = 0; i < scale.radii.size(); ++i) {
        const int r = scale.radii[i];
        const QString& label = scale.labels[i];
        for (double a : {a1, a2}) {
            const QPoint p = at(a, -r), q = at(a, r);
            TextOut(bmp, p.x(), p.y(), label, kRed);
            TextOut(bmp, q.x(), q.y(), label, kRed);
        }
    }
    const QPoint west = at(a1, 50), north = at(a2, 50), east = at(a1, -50), south = at(a2, -50);
    TextOut(bmp, west.x(), west.y(), TranslatedTexts.Txt_Ouest, kRed);
    TextOut(bmp, north.x(), north.y(), TranslatedTexts.Txt_Nord, kRed);
    TextOut(bmp, east.x(), east.y(), TranslatedTexts.Txt_Est, kRed);
    TextOut(bmp, south.x(), south.y(), TranslatedTexts.Txt_Sud, kRed);
}

void DrawOverlayPicture(std::int32_t x, std::int32_t y)
{
    if (!OverlayBitmap || !FRM_Tool_Mesures)
        return;
    const TOverlayPictureRecord& rec = FRM_Tool_Mesures->OverlayPictureRecord;
    const int pw = rec.Picture.width(), ph = rec.Picture.height();
    if (pw <= 0 || ph <= 0)
        return;
    const double kx = 2.0 * rec.HalfWidth / pw, ky = 2.0 * rec.HalfHeight / ph;
    auto t = [](double v) { return int(std::clamp(std::trunc(v), -1e9, 1e9)); };
    // The reticle centre stays a whole pixel: only the scaled extents are cut.
    const kernels::Rect dst{x - t(rec.CX * kx), y - t(rec.CY * ky), x + t((pw - rec.CX) * kx),
                            y + t((ph - rec.CY) * ky)};
    kernels::stretchBlt(OverlayBitmap->bitmap, dst, rec.Picture, kernels::boundsOf(rec.Picture),
                        kernels::RasterOp::SrcCopy);
}

namespace {
void clearView(TImageView* view)
{
    if (!view)
        return;
    kernels::Bitmap24& b = view->Bitmap();
    std::memset(b.bits(), 0, b.byteCount());
    view->Changed();
}
} // namespace

void ClearImage1()
{
    if (FRM_Alv)
        clearView(FRM_Alv->Image1);
}

void ClearImage2()
{
    if (FRM_Alv)
        clearView(FRM_Alv->Image2);
}

void ClearImage3()
{
    if (FRM_Alv)
        clearView(FRM_Alv->Image3);
}

void ClearOverlay()
{
    if (OverlayBitmap)
        std::memset(OverlayBitmap->bitmap.bits(), 0, OverlayBitmap->bitmap.byteCount());
}

void ClearSlotBitmap(int slot, int index)
{
    if (slot < 1 || slot > 2 || index < 0 || index > 2 || !SlotBitmaps[slot][index])
        return;
    auto& b = *SlotBitmaps[slot][index];
    std::memset(b.bits(), 0, b.byteCount());
}

QFont ViewFont()
{
    static pipeline::NamedControl label("LBL_Font");
    if (auto* w = qobject_cast<QWidget*>(label.find(FRM_Alv)))
        return w->font();
    return QApplication::font();
}

void TextOut(kernels::Bitmap24& bitmap, int x, int y, const QString& text, kernels::Colour colour)
{
    if (bitmap.isEmpty() || text.isEmpty())
        return;
    QImage img = bitmap.view();
    QPainter p(&img);
    const QFont font = ViewFont();
    p.setFont(font);
    p.setPen(qcolour(colour));
    p.drawText(x, y + QFontMetrics(font).ascent(), text);
}

QSize TextExtent(const QString& text)
{
    const QFontMetrics fm(ViewFont());
    return QSize(fm.horizontalAdvance(text), fm.height());
}

} // namespace Align_V
