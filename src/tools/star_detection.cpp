#include "tools/star_detection.h"

#include "imaging/overlays.h"
#include "kernels/guide_measure.h"
#include "kernels/raster.h"
#include "kernels/rounding.h"

#include <QImage>
#include <QFont>
#include <algorithm>
#include <cmath>
#include <cstdio>
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

// A one-pixel circle of radius r around (x, y), clipped to the bitmap.
void circle(kernels::Bitmap24& b, int x, int y, int r, kernels::Colour colour)
{
    if (r <= 0) {
        kernels::setPixel(b, x, y, colour);
        return;
    }
    int dx = r, dy = 0, err = 1 - r;
    while (dx >= dy) {
        for (const auto& [u, v] : {std::pair{dx, dy}, {dy, dx}, {-dy, dx}, {-dx, dy}, {-dx, -dy}, {-dy, -dx},
                                   {dy, -dx}, {dx, -dy}})
            kernels::setPixel(b, x + u, y + v, colour);
        ++dy;
        if (err < 0) {
            err += 2 * dy + 1;
        } else {
            --dx;
            err += 2 * (dy - dx) + 1;
        }
    }
}

// The digits in the views' font, drawn once as masks so that numbering the
// stars of every frame draws no text.
class Digits {
public:
    void draw(kernels::Bitmap24& b, int x, int y, int number, kernels::Colour colour)
    {
        prepare();
        char text[16];
        const int n = std::snprintf(text, sizeof text, "%d", number);
        for (int i = 0; i < n; ++i) {
            const int d = text[i] == '-' ? 10 : text[i] - '0';
            const kernels::Bitmap24& mask = masks_[std::size_t(d)];
            for (int my = 0; my < mask.height(); ++my)
                for (int mx = 0; mx < mask.width(); ++mx)
                    if (mask.scanLine(my)[3 * mx] > 127)
                        kernels::setPixel(b, x + mx, y + my, colour);
            x += mask.width();
        }
    }

private:
    void prepare()
    {
        const QFont font = Align_V::ViewFont();
        if (ready_ && font == font_)
            return;
        font_ = font;
        for (int d = 0; d <= 10; ++d) {
            const QString glyph = d == 10 ? QStringLiteral("-") : QString::number(d);
            const QSize size = Align_V::TextExtent(glyph);
            kernels::Bitmap24& mask = masks_[std::size_t(d)];
            mask.resize(std::max(size.width(), 1), std::max(size.height(), 1));
            std::memset(mask.bits(), 0, mask.byteCount());
            Align_V::TextOut(mask, 0, 0, glyph, kernels::rgbColour(255, 255, 255));
        }
        ready_ = true;
    }

    std::array<kernels::Bitmap24, 11> masks_;
    QFont font_;
    bool ready_ = false;
};

Digits& digits()
{
    static Digits d;
    return d;
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
              std::vector<QPoint>& positions, kernels::Bitmap24* result)
{
    StarListIndex = StarListIndex % 3 + 1;
    std::vector<TStar>& list = StarLists[std::size_t(StarListIndex - 1)];
    list.clear();
    positions.clear();
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
        // A pixel of the spiral brighter than the threshold: a star.
        auto test = [&](int px0, int py0) {
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
            positions.push_back({px0, py0});
            blackDisc(work, px, py, r);
            ++found;
            if (!target.isEmpty()) {
                const kernels::Colour red = kernels::rgbColour(255, 0, 0);
                circle(target, px, py, 2 * r, red);
                digits().draw(target, px + 2 * r, py + 2 * r, e, red);
                digits().draw(target, px - 15, py - 2 * r, found, red);
            }
            list.push_back({X, Y, double(e), {}});
        };
        // The arms are walked in spiral order; only their parts inside the
        // bitmap are read.
        const std::ptrdiff_t stride = work.stride();
        for (int n = 1; n <= last; ++n) {
            s = -s;
            // n steps along the row: columns x + s .. x + n s.
            if (y >= 0 && y < H) {
                const int lo = s > 0 ? std::max(1, -x) : std::max(1, x - (W - 1));
                const int hi = s > 0 ? std::min(n, W - 1 - x) : std::min(n, x);
                for (int i = lo; i <= hi; ++i) {
                    const int px0 = x + s * i;
                    if (greyOf(work.scanLine(y) + 3 * px0) > threshold)
                        test(px0, y);
                }
            }
            x += s * n;
            // n steps along the column: rows y + s .. y + n s.
            if (x >= 0 && x < W) {
                const int lo = s > 0 ? std::max(1, -y) : std::max(1, y - (H - 1));
                const int hi = s > 0 ? std::min(n, H - 1 - y) : std::min(n, y);
                const std::uint8_t* base = work.bits() + 3 * std::ptrdiff_t(x);
                for (int i = lo; i <= hi; ++i) {
                    const int py0 = y + s * i;
                    if (greyOf(base + stride * py0) > threshold)
                        test(x, py0);
                }
            }
            y += s * n;
        }
    }
    if (result && !result->isEmpty() && !work.isEmpty())
        kernels::bitBlt(*result, 0, 0, std::min(W, result->width()), std::min(H, result->height()), work, 0, 0,
                        kernels::RasterOp::SrcCopy);
    return found;
}

} // namespace StarDetection
