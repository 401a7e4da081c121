#include "tools/star_detection.h"

#include "imaging/overlays.h"
#include "kernels/guide_measure.h"
#include "kernels/raster.h"
#include "kernels/rounding.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace StarDetection {

std::array<std::vector<TStar>, 3> StarLists;
int StarListIndex = 0;

namespace {

using kernels::guide::greyOf;

// Rows top..bottom and columns left..right (inclusive) as the zone
// measurement reads them around (x, y) with half size r.
struct Rect {
    int top, bottom, left, right;
    bool empty() const { return bottom < top || right < left; }
};

Rect zoneRect(const kernels::Bitmap24& b, int x, int y, int r)
{
    return {std::max(0, y - r), std::min(b.height() - 1, y + r) - 1, std::max(0, x - r),
            std::min(b.width() - 1, x + r)};
}

std::int64_t countAbove(const kernels::Bitmap24& b, int top, int bottom, int left, int right, int level)
{
    std::int64_t n = 0;
    for (int row = top; row <= bottom; ++row) {
        const std::uint8_t* p = b.scanLine(row) + std::ptrdiff_t(left) * 3;
        for (int col = left; col <= right; ++col, p += 3)
            n += greyOf(p) > level;
    }
    return n;
}

// The radius search: the count of the square grows with r, so each step
// only counts the pixels the square gained (the search stays bounded even
// on a frame that is bright everywhere).
int measureRadius(const kernels::Bitmap24& b, int px, int py, int r0, int level, int& e)
{
    int r = r0;
    Rect old{0, -1, 0, -1};
    std::int64_t count = 0;
    for (;;) {
        const Rect now = zoneRect(b, px, py, r);
        if (now.empty()) {
            count = 0;
        } else if (old.empty()) {
            count = countAbove(b, now.top, now.bottom, now.left, now.right, level);
        } else {
            count += countAbove(b, now.top, old.top - 1, now.left, now.right, level);
            count += countAbove(b, old.bottom + 1, now.bottom, now.left, now.right, level);
            count += countAbove(b, old.top, old.bottom, now.left, old.left - 1, level);
            count += countAbove(b, old.top, old.bottom, old.right + 1, now.right, level);
        }
        old = now;
        e = int(kernels::roundHalfEvenToInt(std::sqrt(double(count) / std::numbers::pi)));
        if (e < r)
            return r;
        // Once the square covers all it can read, the count stays: jump on.
        const Rect next = zoneRect(b, px, py, r + 1);
        if (!now.empty() && next.top == now.top && next.bottom == now.bottom && next.left == now.left
            && next.right == now.right)
            return e + 1;
        ++r;
    }
}

QImage viewOf(kernels::Bitmap24& b) { return b.view(); }

// The pixel of a centre kept one-based (X = column + 1).
int pixelOf(double oneBased) { return int(kernels::roundHalfEvenToInt(oneBased - 1.0)); }

// Blacks out the pixels within r of (x, y), so that the search passes them.
void blackDisc(kernels::Bitmap24& b, int x, int y, int r)
{
    for (int dy = -r; dy <= r; ++dy) {
        std::uint8_t* row = b.scanLine(y + dy);
        if (!row)
            continue;
        for (int dx = -r; dx <= r; ++dx)
            if (dx * dx + dy * dy <= r * r && x + dx >= 0 && x + dx < b.width())
                std::memset(row + 3 * (x + dx), 0, 3);
    }
}

kernels::Bitmap24& workBitmap()
{
    static kernels::Bitmap24 work;
    return work;
}

} // namespace

const std::vector<TStar>& CurrentList()
{
    static const std::vector<TStar> none;
    return StarListIndex >= 1 && StarListIndex <= 3 ? StarLists[std::size_t(StarListIndex - 1)] : none;
}

int FindStars(kernels::Bitmap24& target, const kernels::Bitmap24& source, int threshold, bool, int, int diameter,
              QStringList& lines, kernels::Bitmap24* result)
{
    StarListIndex = StarListIndex % 3 + 1;
    std::vector<TStar>& list = StarLists[std::size_t(StarListIndex - 1)];
    list.clear();
    lines.clear();
    const int R0 = diameter / 2;

    kernels::Bitmap24& work = workBitmap();
    const int W = target.width(), H = target.height();
    if (!work.resize(std::max(W, 0), std::max(H, 0)))
        return 0;
    std::memset(work.bits(), 0, work.byteCount());
    if (!work.isEmpty() && !source.isEmpty())
        kernels::bitBlt(work, 0, 0, std::min(W, source.width()), std::min(H, source.height()), source, 0, 0,
                        kernels::RasterOp::SrcCopy);

    int found = 0;
    if (!work.isEmpty()) {
        int x = (W - 1) / 2, y = (H - 1) / 2, s = -1;
        const int last = std::max(W, H) - 1;
        const kernels::guide::FrameView frame(work);
        auto test = [&](int px0, int py0) {
            if (!work.contains(px0, py0) || greyOf(work.scanLine(py0) + 3 * px0) <= threshold)
                return;
            const kernels::guide::LimitsResult lim =
                kernels::guide::objectLimits(frame, {px0, py0, R0, R0}, {threshold, false});
            double X = lim.centre.x + 1.0, Y = lim.centre.y + 1.0;
            int px = pixelOf(X), py = pixelOf(Y);
            int e = 0;
            int r = measureRadius(work, px, py, R0, threshold / 2, e);
            // The spiral meets a star at its rim, so the first zone holds
            // only part of it: the limits are taken again around the centre
            // found, in a zone the size of the star, until they settle.
            for (int pass = 0; pass < 4; ++pass) {
                const int half = std::max(R0, r + 1);
                const kernels::guide::LimitsResult again =
                    kernels::guide::objectLimits(frame, {px, py, half, half}, {threshold, false});
                if (!again.found())
                    break;
                const double nx = again.centre.x + 1.0, ny = again.centre.y + 1.0;
                const int qx = pixelOf(nx), qy = pixelOf(ny);
                const bool settled = nx == X && ny == Y;
                X = nx;
                Y = ny;
                if (qx != px || qy != py) {
                    px = qx;
                    py = qy;
                    r = measureRadius(work, px, py, R0, threshold / 2, e);
                }
                if (settled)
                    break;
            }
            lines << QStringLiteral("%1,%2").arg(px0).arg(py0);
            blackDisc(work, px, py, r);
            ++found;
            if (!target.isEmpty()) {
                {
                    QImage img = viewOf(target);
                    QPainter p(&img);
                    p.setBrush(Qt::NoBrush);
                    p.setPen(QPen(QColor(255, 0, 0), 1, Qt::SolidLine));
                    p.drawEllipse(QRect(px - 2 * r, py - 2 * r, 4 * r - 1, 4 * r - 1));
                }
                const kernels::Colour red = kernels::rgbColour(255, 0, 0);
                Align_V::TextOut(target, px + 2 * r, py + 2 * r, QString::number(e), red);
                Align_V::TextOut(target, px - 15, py - 2 * r, QString::number(found), red);
            }
            list.push_back({X, Y, double(e), {}});
        };
        for (int n = 1; n <= last; ++n) {
            s = -s;
            for (int i = 0; i < n; ++i) {
                x += s;
                test(x, y);
            }
            for (int i = 0; i < n; ++i) {
                y += s;
                test(x, y);
            }
        }
    }
    if (result && !result->isEmpty() && !work.isEmpty())
        kernels::bitBlt(*result, 0, 0, std::min(W, result->width()), std::min(H, result->height()), work, 0, 0,
                        kernels::RasterOp::SrcCopy);
    return found;
}

} // namespace StarDetection
