#include "app/helpers/calc_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>

namespace CalcHelpers {
namespace {

constexpr double kDegPerRad = 180.0 / std::numbers::pi;

// Removes the sign of a negative zero so that texts never show "-0" by
// accident.
double unsignedZero(double v) { return v + 0.0; }

// 10^decimals, decimals held in 0..6.
double scaleOf(int decimals)
{
    static constexpr double kScales[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    return kScales[std::clamp(decimals, 0, 6)];
}

// A magnitude rounded to whole units of 1 / scale, half away from zero;
// none when it is not finite or too large to count in 64 bits (a double
// that large has no decimals left to round anyway).
std::optional<std::int64_t> roundedCount(double magnitude, double scale)
{
    const double v = std::round(magnitude * scale);
    if (!std::isfinite(v) || v >= 9.0e18)
        return std::nullopt;
    return static_cast<std::int64_t>(v);
}

// A count of 1 / scale seconds split into units (of 3600 s), minutes and
// seconds; the sign goes on the first non-zero part.
Sexagesimal splitCount(std::int64_t count, double scale, bool negative)
{
    const auto perSecond = static_cast<std::int64_t>(scale);
    const std::int64_t perMinute = 60 * perSecond;
    const std::int64_t perUnit = 60 * perMinute;
    double units = static_cast<double>(count / perUnit);
    double minutes = static_cast<double>(count / perMinute % 60);
    double seconds = static_cast<double>(count % perMinute) / scale;
    if (negative && count > 0) {
        if (units != 0)
            units = -units;
        else if (minutes != 0)
            minutes = -minutes;
        else
            seconds = -seconds;
    }
    return {unsignedZero(units), unsignedZero(minutes), unsignedZero(seconds)};
}

// Sexagesimal text of a split rounded to hundredths: the whole part in
// width 3 (with the sign of the split), the minutes in width 2 and the
// seconds with 2 decimals, each followed by its unit mark.
QString sexagesimalText(const Sexagesimal& p, const QString& u1, const QString& u2, const QString& u3)
{
    const bool negative = p.units < 0 || p.minutes < 0 || p.seconds < 0;
    // Whole numbers as text without a cast, so any finite value is shown.
    const QString first = (negative ? QStringLiteral("-") : QString()) + QString::number(std::fabs(p.units), 'f', 0);
    return QStringLiteral("%1%2%3%4%5%6")
        .arg(first, 3)
        .arg(u1)
        .arg(QString::number(std::trunc(std::fabs(p.minutes)), 'f', 0), 2)
        .arg(u2)
        .arg(std::fabs(p.seconds), 2, 'f', 2)
        .arg(u3);
}

constexpr int kTextDecimals = 2;

} // namespace

double AddAngles(double a, double b)
{
    const double s = a + b + 360.0;
    return s - 360.0 * std::trunc(s / 360.0);
}

double AngularSize(Millimetres focal, Micrometres size)
{
    return std::atan((size.value / 1000.0) / focal.value);
}

double RadToArcsec(double r) { return r / std::numbers::pi * 648000.0; }

double Sign(double x) { return x < 0 ? -1.0 : 1.0; }

double ArcCos(double ratio) { return std::acos(std::clamp(ratio, -1.0, 1.0)); }

double ArcSin(double ratio) { return std::asin(std::clamp(ratio, -1.0, 1.0)); }

DriftInputsObserver DriftInputsShown = nullptr;

double DriftDirection(double dx, double dy, double length)
{
    if (length == 0)
        return 0;
    const double c = dx / length;
    const double s = dy / length;
    if (DriftInputsShown)
        DriftInputsShown(dx, dy, length);
    if (dx != 0) {
        double angle = std::atan(dy / dx) * kDegPerRad;
        if (c < 0)
            angle += 180;
        else if (s < 0)
            angle += 360;
        return angle;
    }
    const double fromCos = ArcCos(c) * kDegPerRad;
    return s < 0 ? fromCos + 180 : fromCos;
}

Sexagesimal ArcsecToDMS(double x)
{
    double m = std::trunc(x / 60.0);
    double s = x - 60.0 * m;
    const double d = std::trunc(m / 60.0);
    m -= 60.0 * d;
    if (x < 0) {
        // Only the first non-zero part keeps the sign.
        if (d != 0) {
            m = std::fabs(m);
            s = std::fabs(s);
        } else if (m != 0) {
            s = std::fabs(s);
        }
    }
    return {unsignedZero(d), unsignedZero(m), unsignedZero(s)};
}

Sexagesimal RadToDMS(double r) { return ArcsecToDMS(RadToArcsec(r)); }

Sexagesimal ArcsecToHMS(double arcsec) { return ArcsecToDMS(arcsec / 15.0); }

Sexagesimal RadToHMS(double r) { return ArcsecToDMS(RadToArcsec(r) / 15.0); }

Sexagesimal ArcsecToDMSRounded(double arcsec, int decimals)
{
    const double scale = scaleOf(decimals);
    const std::optional<std::int64_t> count = roundedCount(std::fabs(arcsec), scale);
    if (!count)
        return ArcsecToDMS(arcsec);
    return splitCount(*count, scale, arcsec < 0);
}

Sexagesimal ArcsecToHMSRounded(double arcsec, int decimals)
{
    constexpr double kDay_s = 24 * 3600.0;
    double timeSec = std::fmod(arcsec / 15.0, kDay_s);
    if (timeSec < 0)
        timeSec += kDay_s;
    const double scale = scaleOf(decimals);
    const std::optional<std::int64_t> count = roundedCount(timeSec, scale);
    if (!count)
        return ArcsecToDMS(timeSec);
    // A carry to 24 h is the day's start.
    return splitCount(*count % static_cast<std::int64_t>(kDay_s * scale), scale, false);
}

Sexagesimal RadToDMSRounded(double r, int decimals) { return ArcsecToDMSRounded(RadToArcsec(r), decimals); }

Sexagesimal RadToHMSRounded(double r, int decimals) { return ArcsecToHMSRounded(RadToArcsec(r), decimals); }

double DMSToArcsec(double d, double m, double s)
{
    // The sign sits on the first non-zero part; when the degrees are 0 it may
    // be on the minutes (-0° 1' 30" is split as 0, -1, 30).
    if (d == 0 && m != 0)
        return Sign(m) * (std::fabs(m) * 60.0 + s);
    return Sign(d) * (std::fabs(d) * 3600.0 + m * 60.0 + s);
}

double HMSToArcsec(double h, double m, double s) { return DMSToArcsec(h, m, s) * 15.0; }

QString DecToStr(double arcsec)
{
    return sexagesimalText(ArcsecToDMSRounded(arcsec, kTextDecimals), QStringLiteral("\u00B0 "), QStringLiteral("' "),
                           QStringLiteral("\""));
}

QString RAToStr(double arcsec)
{
    return sexagesimalText(ArcsecToHMSRounded(arcsec, kTextDecimals), QStringLiteral("h "), QStringLiteral("m "),
                           QStringLiteral("s"));
}

long double Product3(long double a, long double b, long double c) { return a * b * c; }

} // namespace CalcHelpers
