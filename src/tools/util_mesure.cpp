#include "tools/util_mesure.h"

#include "kernels/raster.h"
#include "platform/ini_document.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace Util_Mesure {

namespace {
constexpr double kArcsecPerHalfTurn = 648000.0;
}

double AngularToLinearSize(double angle, double distance)
{
    return 2.0 * distance * std::tan(std::numbers::pi * angle / kArcsecPerHalfTurn / 2.0);
}

double ObjectSizeInPixels(double size, double distance, double scale)
{
    if (!(scale > 0))
        return std::numeric_limits<double>::infinity();
    return 2.0 * std::atan(0.5 * size / distance) * kArcsecPerHalfTurn / std::numbers::pi / scale;
}

long double DistanceToMetres(int unitIndex, long double distance)
{
    if (unitIndex < 0 || unitIndex >= int(DistanceUnitFactors.size()))
        return 0;
    return distance * DistanceUnitFactors[std::size_t(unitIndex)];
}

std::int32_t MeasureObjectPixels(kernels::Bitmap24& image, int minThreshold, int maxThreshold, int mode,
                                 MeasureLineTable& table)
{
    const int w = image.width(), h = image.height();
    if (w <= 0 || h <= 1)
        return 0;
    const int lines = mode == MeasureWidth ? h : mode == MeasureHeight ? w : 0;
    if (int(table.sums.size()) < lines) {
        table.sums.resize(std::size_t(lines));
        table.counts.resize(std::size_t(lines));
    }
    std::fill_n(table.sums.begin(), lines, 0);
    std::fill_n(table.counts.begin(), lines, 0);

    const int lo = minThreshold, hi = maxThreshold;
    std::int32_t count = 0;
    for (int y = 0; y < h - 1; ++y) {
        const std::uint8_t* p = image.scanLine(y);
        std::int64_t rowSum = 0;
        std::int32_t rowCount = 0;
        for (int x = 0; x < w; ++x, p += 3) {
            const int b = p[0], g = p[1], r = p[2];
            const int mx = std::max(r, std::max(g, b));
            const int mn = std::min(r, std::min(g, b));
            if (mx < lo || mn > hi)
                continue;
            ++rowCount;
            if (mode == MeasureWidth) {
                rowSum += x;
            } else if (mode == MeasureHeight) {
                table.sums[std::size_t(x)] += y;
                ++table.counts[std::size_t(x)];
            }
        }
        count += rowCount;
        if (mode == MeasureWidth) {
            table.sums[std::size_t(y)] = rowSum;
            table.counts[std::size_t(y)] = rowCount;
        }
    }

    constexpr kernels::Colour kRed = kernels::rgbColour(255, 0, 0);
    if (mode == MeasureWidth) {
        for (int y = 0; y < h - 1; ++y) {
            const std::int32_t n = table.counts[std::size_t(y)];
            if (n == 0)
                continue;
            const std::int64_t c = table.sums[std::size_t(y)] / n, half = n / 2;
            for (std::int64_t x : {c - half, half + c})
                if (x > 0 && x < w - 2)
                    kernels::setPixel(image, int(x), y, kRed);
        }
    } else if (mode == MeasureHeight) {
        for (int x = 0; x < w - 1; ++x) {
            const std::int32_t n = table.counts[std::size_t(x)];
            if (n == 0)
                continue;
            const std::int64_t c = table.sums[std::size_t(x)] / n, half = n / 2;
            for (std::int64_t y : {c - half, half + c})
                if (y > 0 && y < h - 2)
                    kernels::setPixel(image, x, int(y), kRed);
        }
    }
    return count;
}

double MeasureHistory::add(double value, int n)
{
    n = std::clamp(n, 1, kSlots);
    index = index >= n || index < 1 ? 1 : index + 1;
    if (filled < n) {
        ++filled;
        sum += value;
    } else {
        sum += value - values[std::size_t(index)];
    }
    values[std::size_t(index)] = value;
    oldest = index >= n ? 1 : index + 1;
    sum = std::max(0.0, sum);
    return sum / filled;
}

OverlayDescription ReadOverlayDescription(const platform::IniDocument& ini)
{
    const QString main = QStringLiteral("Main");
    OverlayDescription d;
    d.file = ini.readString(main, QStringLiteral("File"), QString());
    d.unit = ini.readInteger(main, QStringLiteral("Unit"), 0);
    d.dx = ini.readInteger(main, QStringLiteral("DX"), 0);
    d.dy = ini.readInteger(main, QStringLiteral("DY"), 0);
    for (auto [key, out] : {std::pair{QStringLiteral("CX"), &d.cx}, std::pair{QStringLiteral("CY"), &d.cy}})
        if (ini.valueExists(main, key))
            *out = ini.readInteger(main, key, 0);
    return d;
}

std::optional<OverlaySizeMetres> OverlaySizeInMetres(const OverlayDescription& d)
{
    if (d.unit < 0 || d.unit >= int(DistanceUnitFactors.size()) || d.dx < 0 || d.dy < 0
        || (d.dx == 0 && d.dy == 0))
        return std::nullopt;
    const long double f = DistanceUnitFactors[std::size_t(d.unit)];
    return OverlaySizeMetres{d.dx * f, d.dy * f};
}

OverlayFit FitOverlay(long double dxMetres, long double dyMetres, long double distanceMetres, double scale)
{
    OverlayFit fit;
    if (!(scale > 0) || !(distanceMetres > 0) || !std::isfinite(scale))
        return fit;
    const double hw = std::trunc(ObjectSizeInPixels(double(dxMetres), double(distanceMetres), scale) / 2);
    const double hh = std::trunc(ObjectSizeInPixels(double(dyMetres), double(distanceMetres), scale) / 2);
    if (!(hw <= kOverlayHalfSizeLimit) || !(hh <= kOverlayHalfSizeLimit)) {
        fit.tooLarge = true;
        return fit;
    }
    fit.fits = true;
    fit.halfWidth = std::int32_t(hw);
    fit.halfHeight = std::int32_t(hh);
    return fit;
}

} // namespace Util_Mesure
