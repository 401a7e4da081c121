#include "kernels/guide_measure.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kernels::guide {

namespace {

using i64 = std::int64_t;

// Adds one grey level to the sums of the scan.
struct Counter {
    const FocusCounting& focus;
    ZoneLevels& levels;

    void add(int grey)
    {
        if (focus.on) {
            levels.focusSum += grey;
            levels.brightCount += grey > focus.threshold;
        } else {
            levels.zoneSum += grey;
        }
        levels.darkest = std::min(levels.darkest, grey);
    }
};

void startScan(ZoneLevels& levels)
{
    levels.focusSum = 0;
    levels.brightCount = 0;
}

bool counts(int grey, const LimitRule& rule)
{
    return rule.darkObjects ? grey < rule.threshold : grey > rule.threshold;
}

int greyAt(const FrameView& frame, int x, int y) { return greyOf(frame.scanLine(y) + std::ptrdiff_t(x) * 3); }

} // namespace

ScanRange scanRange(const FrameView& frame, const Zone& zone)
{
    ScanRange r;
    if (frame.isEmpty())
        return r;
    r.left = std::max(0, zone.x - zone.halfW);
    r.right = std::min(frame.width() - 1, zone.x + zone.halfW);
    r.top = std::max(0, zone.y - zone.halfH);
    r.bottom = std::min(frame.height() - 1, zone.y + zone.halfH - 1);
    return r;
}

bool clampZone(int& x, int& y, int halfW, int halfH, int width, int height)
{
    bool moved = false;
    if (x - halfW < 1) {
        x = halfW + 1;
        moved = true;
    } else if (x + halfW > width) {
        x = width - (halfW + 1);
        moved = true;
    }
    if (y - halfH < 1) {
        y = halfH + 1;
        moved = true;
    } else if (y + halfH > height) {
        y = height - (halfH + 1);
        moved = true;
    }
    return moved;
}

void measureZoneBrightness(const FrameView& frame, const Zone& zone, const FocusCounting& focus, ZoneLevels& levels)
{
    startScan(levels);
    if (frame.isEmpty())
        return;
    const int top = std::max(0, zone.y - zone.halfH);
    const int bottom = std::min(frame.height() - 1, zone.y + zone.halfH) - 1;
    const int left = std::max(0, zone.x - zone.halfW);
    const int right = std::min(frame.width() - 1, zone.x + zone.halfW);
    Counter counter{focus, levels};
    for (int row = top; row <= bottom; ++row) {
        const std::uint8_t* p = frame.scanLine(row) + std::ptrdiff_t(left) * 3;
        for (int col = left; col <= right; ++col, p += 3) {
            const int g = greyOf(p);
            counter.add(g);
            levels.brightest = std::max(levels.brightest, g);
        }
    }
}

Point brightestPixel(const FrameView& frame, const Zone& zone, int sensitivity, const FocusCounting& focus,
                     ZoneLevels& levels)
{
    Point result{double(zone.x), double(zone.y)};
    startScan(levels);
    const ScanRange r = scanRange(frame, zone);
    Counter counter{focus, levels};
    for (int row = r.top; row <= r.bottom; ++row) {
        const std::uint8_t* p = frame.scanLine(row) + std::ptrdiff_t(r.left) * 3;
        for (int col = r.left; col <= r.right; ++col, p += 3) {
            const int g = greyOf(p);
            counter.add(g);
            if (g > levels.brightest + sensitivity) {
                levels.brightest = g;
                result = {double(col), double(row)};
            }
        }
    }
    return result;
}

Point brightCentroid(const FrameView& frame, const Zone& zone, const FocusCounting& focus, ZoneLevels& levels)
{
    startScan(levels);
    const ScanRange r = scanRange(frame, zone);
    Counter counter{focus, levels};
    // Integer sums are exact: at most 1280 x 1280 pixels of weight 255^3
    // times a coordinate below 1280 stays far inside 64 bits.
    i64 sx = 0, sy = 0, sw = 0;
    for (int row = r.top; row <= r.bottom; ++row) {
        const std::uint8_t* p = frame.scanLine(row) + std::ptrdiff_t(r.left) * 3;
        i64 rowX = 0, rowW = 0;
        for (int col = r.left; col <= r.right; ++col, p += 3) {
            const int g = greyOf(p);
            counter.add(g);
            levels.brightest = std::max(levels.brightest, g);
            const i64 w = i64(g) * g * g;
            rowX += col * w;
            rowW += w;
        }
        sx += rowX;
        sy += row * rowW;
        sw += rowW;
    }
    const double weight = sw == 0 ? 1e-6 : double(sw);
    return {double(sx) / weight, double(sy) / weight};
}

Point darkAxes(const FrameView& frame, const Zone& zone, int sensitivity, const FocusCounting& focus,
               ZoneLevels& levels, AxisSums& sums)
{
    Point result{double(zone.x), double(zone.y)};
    startScan(levels);
    const ScanRange r = scanRange(frame, zone);
    if (r.empty())
        return result;
    // The sums are indexed from the clipped zone's corner, so any frame
    // size is served.
    const int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
    if (int(sums.columns.size()) < w)
        sums.columns.resize(std::size_t(w));
    if (int(sums.rows.size()) < h)
        sums.rows.resize(std::size_t(h));
    std::fill_n(sums.columns.begin(), w, 0);
    Counter counter{focus, levels};
    for (int row = r.top; row <= r.bottom; ++row) {
        const std::uint8_t* p = frame.scanLine(row) + std::ptrdiff_t(r.left) * 3;
        i64 rowSum = 0;
        for (int i = 0; i < w; ++i, p += 3) {
            const int g = greyOf(p);
            counter.add(g);
            levels.brightest = std::max(levels.brightest, g);
            sums.columns[std::size_t(i)] += g;
            rowSum += g;
        }
        sums.rows[std::size_t(row - r.top)] = rowSum;
    }
    i64 best = 100000000;
    for (int i = 0; i < w; ++i) {
        if (sums.columns[std::size_t(i)] < best - sensitivity) {
            best = sums.columns[std::size_t(i)];
            result.x = r.left + i;
        }
    }
    best = 100000000;
    for (int i = 0; i < h; ++i) {
        if (sums.rows[std::size_t(i)] < best - sensitivity) {
            best = sums.rows[std::size_t(i)];
            result.y = r.top + i;
        }
    }
    return result;
}

namespace {

// One edge scan of the limits method: lines from `first` to `last`
// inclusive, one `step` (+1 or -1) at a time (none when first lies beyond
// last), each line read by countLine. The edge is the line before the one
// where the count grew.
template <class CountLine>
bool scanEdge(int first, int last, int step, int startBest, CountLine countLine, int& edge)
{
    i64 count = 0, best = startBest;
    for (int line = first; step > 0 ? line <= last : line >= last; line += step) {
        count += countLine(line);
        if (count > 0) {
            if (count > best) {
                edge = line - step;
                return true;
            }
            best = count;
        }
    }
    return false;
}

} // namespace

LimitsResult objectLimits(const FrameView& frame, const Zone& zone, const LimitRule& rule)
{
    LimitsResult res;
    res.centre = {double(zone.x), double(zone.y)};
    if (frame.isEmpty())
        return res;
    const int top = std::max(0, zone.y - zone.halfH);
    const int bottom = std::min(frame.height() - 1, zone.y + zone.halfH);
    const int left = std::max(0, zone.x - zone.halfW);
    const int right = std::min(frame.width() - 1, zone.x + zone.halfW);
    if (right < left || bottom < top)
        return res;

    auto rowCount = [&](int row) {
        const std::uint8_t* p = frame.scanLine(row) + std::ptrdiff_t(left) * 3;
        i64 n = 0;
        for (int col = left; col <= right; ++col, p += 3)
            n += counts(greyOf(p), rule);
        return n;
    };
    auto columnCount = [&](int col) {
        i64 n = 0;
        for (int row = top; row <= bottom - 1; ++row)
            n += counts(greyAt(frame, col, row), rule);
        return n;
    };
    Box box;
    res.edges += scanEdge(top, bottom - 1, +1, right - left, rowCount, box.top);
    res.edges += scanEdge(bottom - 1, top, -1, right - left, rowCount, box.bottom);
    res.edges += scanEdge(left, right, +1, bottom - top, columnCount, box.left);
    res.edges += scanEdge(right - 1, left, -1, bottom - top, columnCount, box.right);
    if (res.found()) {
        res.box = box;
        res.centre = {(box.left + box.right) / 2.0, (box.top + box.bottom) / 2.0};
    }
    return res;
}

LimitsResult radialLimits(const FrameView& frame, const Zone& zone, const LimitRule& rule)
{
    static const auto rays = [] {
        std::array<std::array<double, 2>, 19> a{};
        for (int i = 0; i < 19; ++i) {
            const double angle = i * 18.0 * M_PI / 180.0;
            a[std::size_t(i)] = {std::cos(angle), std::sin(angle)};
        }
        return a;
    }();

    LimitsResult res;
    res.centre = {double(zone.x), double(zone.y)};
    const int X = zone.x, Y = zone.y;
    int minX = X + zone.halfW, maxX = X - zone.halfW, minY = Y + zone.halfH, maxY = Y - zone.halfH;
    const int reach = std::min(zone.halfW, zone.halfH) - 1;
    for (const auto& [c, s] : rays) {
        int ex = int(std::trunc(X + (zone.halfW - 1) * c));
        int ey = int(std::trunc(Y + (zone.halfH - 1) * s));
        for (int r = 1; r < reach; ++r) {
            const int px = int(std::trunc(X + r * c)), py = int(std::trunc(Y + r * s));
            if (!frame.contains(px, py))
                break;
            if (counts(greyAt(frame, px, py), rule)) {
                ex = px;
                ey = py;
                ++res.edges;
                break;
            }
        }
        minX = std::min(minX, ex);
        maxX = std::max(maxX, ex);
        minY = std::min(minY, ey);
        maxY = std::max(maxY, ey);
    }
    if (res.found()) {
        res.box = {minX, minY, maxX, maxY};
        res.centre = {(minX + maxX) / 2.0, (minY + maxY) / 2.0};
    }
    return res;
}

void DriftAccumulator::advance(double dt_s, double speedX, double speedY, int& stepX, int& stepY)
{
    accX += dt_s * speedX;
    accY += dt_s * speedY;
    const double wholeX = std::trunc(accX), wholeY = std::trunc(accY);
    accX -= wholeX;
    accY -= wholeY;
    stepX = int(wholeX);
    stepY = int(wholeY);
}

} // namespace kernels::guide
