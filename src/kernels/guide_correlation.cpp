#include "kernels/guide_correlation.h"

#include <algorithm>
#include <cmath>

namespace kernels::guide {

namespace {

using i64 = std::int64_t;

int channelValue(const std::uint8_t* bgr, Channel channel)
{
    switch (channel) {
    case Channel::R:
        return 3 * bgr[2];
    case Channel::G:
        return 3 * bgr[1];
    case Channel::B:
        return 3 * bgr[0];
    case Channel::RGB:
        break;
    }
    return int(bgr[0]) + bgr[1] + bgr[2];
}

// Grid positions 0, step, 2 step, ... below size - 1.
void gridPositions(int size, int step, std::vector<int>& out)
{
    out.clear();
    for (int i = 0; i < size - 1; i += step)
        out.push_back(i);
}

// Exact sums of one comparison on the grid.
struct Sums {
    i64 n = 0, v = 0, vv = 0, rv = 0;
};

// Correlation from the sums, the reference's sum of values over the grid
// and its stored sum of squared deviations.
double correlationOf(const Sums& s, i64 refSum, double refSumSq)
{
    if (s.n == 0)
        return kNoCorrelation;
    const double n = double(s.n);
    // n * sum (v - m)^2 and n * sum (r - rm)(v - m), both exact integers.
    const double candSq = double(s.n * s.vv - s.v * s.v) / n;
    const double cross = double(s.n * s.rv - refSum * s.v) / n;
    const double q = std::sqrt(refSumSq * candSq);
    if (!(q > 0))
        return kNoCorrelation;
    return cross / q;
}

} // namespace

int gridStep(int width, int precision)
{
    return int(std::sqrt(double(std::max(width, 0)))) / std::max(precision, 1) + 1;
}

int spiralStep(int zoneW, int precision)
{
    return int(std::sqrt(double(std::max(zoneW + 1, 0)))) / (2 * std::max(precision, 1)) + 1;
}

void captureZoneReference(const FrameView& frame, int x, int y, int w, int h, int precision, Channel channel,
                          ZoneReference& ref)
{
    ref.mean = 0;
    ref.sumSq = 0;
    if (!ref.bitmap.resize(std::max(w, 0), std::max(h, 0)) || ref.bitmap.isEmpty())
        return;
    // Nearest neighbour: reference column u takes source column left +
    // floor(u * (2 (w div 2) + 1) / w), rows likewise; outside the frame black.
    const int left = x - w / 2, top = y - h / 2;
    const i64 srcW = 2 * i64(w / 2) + 1, srcH = 2 * i64(h / 2) + 1;
    for (int v = 0; v < h; ++v) {
        std::uint8_t* out = ref.bitmap.scanLine(v);
        const int sy = top + int(v * srcH / h);
        for (int u = 0; u < w; ++u, out += 3) {
            const int sx = left + int(u * srcW / w);
            if (frame.contains(sx, sy)) {
                const std::uint8_t* p = frame.pixel(sx, sy);
                out[0] = p[0];
                out[1] = p[1];
                out[2] = p[2];
            } else {
                out[0] = out[1] = out[2] = 0;
            }
        }
    }

    std::vector<int> cols, rows;
    const int step = gridStep(w, precision);
    gridPositions(w, step, cols);
    gridPositions(h, step, rows);
    i64 n = 0, sum = 0, sumSq = 0;
    for (int r : rows) {
        const std::uint8_t* line = ref.bitmap.scanLine(r);
        for (int c : cols) {
            const i64 v = channelValue(line + std::ptrdiff_t(c) * 3, channel);
            sum += v;
            sumSq += v * v;
            ++n;
        }
    }
    if (n == 0)
        return;
    ref.mean = double(sum) / double(n);
    ref.sumSq = double(n * sumSq - sum * sum) / double(n);
}

double zoneCorrelation(const ZoneReference& ref, const Bitmap24& candidate, int precision, Channel channel)
{
    const Bitmap24& rb = ref.bitmap;
    if (rb.width() != candidate.width() || rb.height() != candidate.height())
        return kNoCorrelation;
    std::vector<int> cols, rows;
    const int step = gridStep(rb.width(), precision);
    gridPositions(rb.width(), step, cols);
    gridPositions(rb.height(), step, rows);
    Sums s;
    i64 refSum = 0;
    for (int r : rows) {
        const std::uint8_t* a = rb.scanLine(r);
        const std::uint8_t* b = candidate.scanLine(r);
        for (int c : cols) {
            const i64 vr = channelValue(a + std::ptrdiff_t(c) * 3, channel);
            const i64 v = channelValue(b + std::ptrdiff_t(c) * 3, channel);
            refSum += vr;
            s.v += v;
            s.vv += v * v;
            s.rv += vr * v;
            ++s.n;
        }
    }
    return correlationOf(s, refSum, ref.sumSq);
}

CorrelationSearch searchCorrelation(const FrameView& frame, const ZoneReference& ref, const Zone& zone, int zoneW,
                                    int zoneH, int precision, Channel channel, CorrelationScratch& scratch)
{
    CorrelationSearch search;
    search.result = {double(zone.x), double(zone.y)};
    const Bitmap24& rb = ref.bitmap;
    if (frame.isEmpty() || rb.isEmpty() || rb.width() != zoneW || rb.height() != zoneH)
        return search;

    // Grid of the reference, and where each grid line falls in a candidate
    // rectangle of 2 half + 1 pixels mapped onto the zone (as the capture
    // maps its rectangle onto the reference).
    const int step = gridStep(zoneW, precision);
    gridPositions(zoneW, step, scratch.columns);
    gridPositions(zoneH, step, scratch.rows);
    if (scratch.columns.empty() || scratch.rows.empty())
        return search;
    scratch.refValues.clear();
    i64 refSum = 0;
    for (int r : scratch.rows)
        for (int c : scratch.columns) {
            const int v = channelValue(rb.scanLine(r) + std::ptrdiff_t(c) * 3, channel);
            scratch.refValues.push_back(v);
            refSum += v;
        }
    const i64 srcW = 2 * i64(zone.halfW) + 1, srcH = 2 * i64(zone.halfH) + 1;
    for (int& c : scratch.columns)
        c = int(c * srcW / zoneW);
    for (int& r : scratch.rows)
        r = int(r * srcH / zoneH);
    const int left = zone.x - zone.halfW, top = zone.y - zone.halfH;
    const int spanX = scratch.columns.back(), spanY = scratch.rows.back();

    auto evaluate = [&](int cx, int cy) {
        const int x0 = left + (cx - zone.x), y0 = top + (cy - zone.y);
        if (x0 < 0 || y0 < 0 || x0 + spanX >= frame.width() || y0 + spanY >= frame.height())
            return;   // the candidate would read outside the frame
        ++search.evaluated;
        Sums s;
        const int* rv = scratch.refValues.data();
        for (int r : scratch.rows) {
            const std::uint8_t* line = frame.scanLine(y0 + r) + std::ptrdiff_t(x0) * 3;
            i64 sv = 0, svv = 0, srv = 0;
            for (int c : scratch.columns) {
                const i64 v = channelValue(line + std::ptrdiff_t(c) * 3, channel);
                sv += v;
                svv += v * v;
                srv += *rv++ * v;
            }
            s.v += sv;
            s.vv += svv;
            s.rv += srv;
        }
        s.n = i64(scratch.rows.size() * scratch.columns.size());
        const double c = correlationOf(s, refSum, ref.sumSq);
        if (c > search.best && c != kNoCorrelation) {
            search.best = c;
            search.result = {double(cx), double(cy)};
        }
    };

    // The zone centre first, then a square spiral around it: legs of
    // length 1, 1, 2, 2, 3, 3, ... in x and y, turning each time.
    const int S = spiralStep(zoneW, precision);
    int cx = zone.x, cy = zone.y, sign = -1;
    evaluate(cx, cy);
    while (search.best <= 0.975 && search.lastLeg < 14) {
        const int leg = ++search.lastLeg;
        sign = -sign;
        for (int k = 0; k < leg; ++k) {
            cx += sign * S;
            evaluate(cx, cy);
        }
        for (int k = 0; k < leg; ++k) {
            cy += sign * S;
            evaluate(cx, cy);
        }
    }
    return search;
}

} // namespace kernels::guide
