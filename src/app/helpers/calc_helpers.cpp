#include "app/helpers/calc_helpers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace CalcHelpers {
namespace {

constexpr double kDegPerRad = 180.0 / std::numbers::pi;

// Removes the sign of a negative zero so that texts never show "-0" by
// accident.
double unsignedZero(double v) { return v + 0.0; }

// Sexagesimal text: the whole part in width 3 (with the sign of the split),
// the minutes in width 2 and the seconds with 2 decimals, each followed by
// its unit mark.
QString sexagesimalText(double arcsecOrTimeSec, const QString& u1, const QString& u2,
                        const QString& u3)
{
    // Rounded to the hundredth first, so 59.999 s never shows as "60.00".
    // Beyond 1e15 there are no hundredths left to round (and x 100 could
    // overflow).
    const double v = std::fabs(arcsecOrTimeSec) < 1e15 ? std::round(arcsecOrTimeSec * 100.0) / 100.0
                                                        : arcsecOrTimeSec;
    const Sexagesimal p = ArcsecToDMS(v);
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
    return sexagesimalText(arcsec, QStringLiteral("\u00B0 "), QStringLiteral("' "),
                           QStringLiteral("\""));
}

QString RAToStr(double arcsec)
{
    // A right ascension a hair below 24 h rounds to the day's start, 0 h,
    // not to "24h  0m  0.00s".
    constexpr double kDay_s = 24 * 3600.0;
    double timeSec = arcsec / 15.0;
    if (timeSec < kDay_s && std::round(timeSec * 100.0) / 100.0 >= kDay_s)
        timeSec = 0;
    return sexagesimalText(timeSec, QStringLiteral("h "), QStringLiteral("m "), QStringLiteral("s"));
}

long double Product3(long double a, long double b, long double c) { return a * b * c; }

} // namespace CalcHelpers
