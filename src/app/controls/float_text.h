#pragma once
// Number-to-text conversion of the old toolkit, which the numeric input
// control and the program's messages reproduce. The value is first reduced
// to at most 18 significant decimal digits, then rounded (halves away from
// zero) to the digits shown. Output never depends on the locale: the
// decimal separator is always ".".
//
//   General   shortest text with at most `precision` significant digits;
//             fixed notation when the integer part has at most `precision`
//             digits and |value| >= 0.00001, else "d.dddE-X" (no "+", no
//             leading zeros in the exponent); trailing zeros removed.
//   Exponent  "-d.dddE+XX": `precision` significant digits, exponent sign
//             always, at least `digits` exponent digits (0..4).
//   Fixed     "-ddd.dd": `digits` digits after the point (0..18); General
//             when the integer part has more than `precision` digits.
//
// precision is clipped to 1..18. A result that shows only zeros has no
// minus sign. NaN and infinities give "NAN", "INF" and "-INF".

#include <QString>

namespace app {

enum class FloatFormat { General, Exponent, Fixed };

QString FloatToStrF(long double value, FloatFormat format, int precision, int digits);

// The "%g" of the toolkit's message formatting: General with 15 digits.
QString FormatG(long double value);

} // namespace app
