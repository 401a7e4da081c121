#pragma once
// Angles, sky coordinates and small numeric helpers. Angles on the sky are
// seconds of arc held in doubles; a right ascension in seconds of arc is
// hours x 15 x 3600.

#include <QString>

namespace CalcHelpers {

// Lengths with their unit in the type, so that a focal length and a pixel
// size cannot be swapped without the compiler noticing.
struct Millimetres {
    explicit constexpr Millimetres(double v) : value(v) {}
    double value;
};
struct Micrometres {
    explicit constexpr Micrometres(double v) : value(v) {}
    double value;
};

// A sexagesimal split: degrees (or hours), minutes, seconds. Only the first
// non-zero part carries the sign: -3630" is (-1, 0, 30), -30" is (0, 0, -30).
struct Sexagesimal {
    double units = 0;
    double minutes = 0;
    double seconds = 0;
    friend bool operator==(const Sexagesimal&, const Sexagesimal&) = default;
};

// (A + B + 360) reduced modulo 360 with a truncated quotient: a result in
// [0, 360) for A + B above -360.
double AddAngles(double a, double b);

// Angle in radians under which an object of `size` is seen at the focal
// length `focal`: atan(size / focal).
double AngularSize(Millimetres focal, Micrometres size);

double RadToArcsec(double r);

// -1 for a negative X, 1 otherwise (0 included).
double Sign(double x);

// Arc cosine and arc sine in radians of a ratio clamped to [-1, 1], so a
// ratio that exceeds 1 by rounding gives 0 or 90 degrees instead of NaN.
double ArcCos(double ratio);
double ArcSin(double ratio);

// Direction in degrees, in [0, 360), of the drift vector (dx, dy) whose
// length is `length`, measured from +x towards +y. 0 for a zero length.
double DriftDirection(double dx, double dy, double length);
// Told the inputs of every DriftDirection of a non-zero length (the resource
// window shows them); none when null.
using DriftInputsObserver = void (*)(double dx, double dy, double length);
extern DriftInputsObserver DriftInputsShown;

Sexagesimal ArcsecToDMS(double arcsec);
Sexagesimal RadToDMS(double r);
Sexagesimal ArcsecToHMS(double arcsec);
Sexagesimal RadToHMS(double r);

// The split as it is shown with `decimals` decimals of seconds (0 to 6):
// the seconds are rounded first, half away from zero, and a carry goes
// into the minutes and on into the degrees (hours), so that 59.999" shown
// with two decimals is the next minute with 0.00", never 60.00. The sign
// stays on the first non-zero part of the rounded split; a value that
// rounds to zero is 0, 0, 0. A declination in [-90, 90] degrees stays in
// it. Every text, field or line that shows an angle or a position with a
// fixed number of decimals splits it here.
Sexagesimal ArcsecToDMSRounded(double arcsec, int decimals);
// The same for a right ascension (seconds of arc, split after division by
// 15): brought into [0 h, 24 h) first, and a carry to 24 h wraps to 0 h.
Sexagesimal ArcsecToHMSRounded(double arcsec, int decimals);
Sexagesimal RadToDMSRounded(double r, int decimals);
Sexagesimal RadToHMSRounded(double r, int decimals);

// Seconds of arc of a split. The sign is taken from the first non-zero part,
// so every split made by ArcsecToDMS / ArcsecToHMS converts back.
double HMSToArcsec(double h, double m, double s);
double DMSToArcsec(double d, double m, double s);

// Declination text: degrees in width 3, "° ", minutes in width 2, "' ",
// seconds with 2 decimals, '"' ("-12° 30' 15.50\""), from the split
// rounded to those decimals. The minus sign is printed on the degrees even
// when they are 0 (" -0°  5' 30.00\"").
QString DecToStr(double arcsec);
// Right-ascension text: "  5h 34m 32.00s", from the rounded split (so
// 23h 59m 59.999s reads as the day's start, 0h).
QString RAToStr(double arcsec);

inline int IntMax(int a, int b) { return a >= b ? a : b; }
inline int IntMin(int a, int b) { return a <= b ? a : b; }
// A tie gives the first argument.
inline double FloatMax(double a, double b) { return a >= b ? a : b; }
inline double FloatMin(double a, double b) { return a <= b ? a : b; }

// A x B x C in extended precision.
long double Product3(long double a, long double b, long double c);

} // namespace CalcHelpers
