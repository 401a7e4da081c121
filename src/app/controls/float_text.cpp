#include "app/controls/float_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace app {
namespace {

constexpr int kMaxPrecision = 18;

// |value| = 0.d1d2d3... * 10^exponent; no digits means zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;

    bool isZero() const { return digits.empty(); }
};

void trimTrailingZeros(Decimal& d)
{
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.exponent = 0;
}

// The value with 18 significant digits, correctly rounded.
Decimal toDecimal(long double value)
{
    Decimal d;
    d.negative = std::signbit(value);
    if (value == 0)
        return d;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                 std::chars_format::scientific, kMaxPrecision - 1);
    const std::string text(buf, r.ptr);   // "d.ddddddddddddddddde+XX"
    const auto e = text.find('e');
    d.digits = text.substr(0, 1) + text.substr(2, e - 2);
    d.exponent = std::atoi(text.c_str() + e + 1) + 1;
    trimTrailingZeros(d);
    return d;
}

// Keeps n significant digits, the next digit rounding half away from zero.
void roundTo(Decimal& d, int n)
{
    if (d.isZero() || n >= static_cast<int>(d.digits.size()))
        return;
    if (n < 0) {
        d.digits.clear();
        d.exponent = 0;
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(n)] >= '5';
    d.digits.resize(static_cast<std::size_t>(n));
    if (up) {
        int i = n - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9')
            d.digits[static_cast<std::size_t>(i--)] = '0';
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[static_cast<std::size_t>(i)];
        }
    }
    trimTrailingZeros(d);
}

std::string sign(const Decimal& d) { return d.negative && !d.isZero() ? "-" : ""; }

std::string digitAt(const Decimal& d, int i)
{
    return (i >= 0 && i < static_cast<int>(d.digits.size())) ? d.digits.substr(static_cast<std::size_t>(i), 1)
                                                              : std::string("0");
}

// d already rounded to at most precision digits.
std::string general(const Decimal& d, int precision)
{
    if (d.isZero())
        return "0";
    std::string s = sign(d);
    if (d.exponent > precision || d.exponent < -4) {
        s += d.digits[0];
        if (d.digits.size() > 1)
            s += "." + d.digits.substr(1);
        return s + "E" + std::to_string(d.exponent - 1);
    }
    if (d.exponent <= 0)
        return s + "0." + std::string(static_cast<std::size_t>(-d.exponent), '0') + d.digits;
    for (int i = 0; i < d.exponent; ++i)
        s += digitAt(d, i);
    if (static_cast<int>(d.digits.size()) > d.exponent)
        s += "." + d.digits.substr(static_cast<std::size_t>(d.exponent));
    return s;
}

std::string exponent(const Decimal& d, int precision, int minExpDigits)
{
    std::string s = sign(d) + digitAt(d, 0);
    if (precision > 1) {
        s += ".";
        for (int i = 1; i < precision; ++i)
            s += digitAt(d, i);
    }
    const int e = d.isZero() ? 0 : d.exponent - 1;
    std::string exp = std::to_string(std::abs(e));
    if (static_cast<int>(exp.size()) < minExpDigits)
        exp.insert(0, static_cast<std::size_t>(minExpDigits) - exp.size(), '0');
    return s + "E" + (e < 0 ? "-" : "+") + exp;
}

std::string fixed(const Decimal& d, int decimals)
{
    std::string s = sign(d);
    if (d.exponent <= 0) {
        s += "0";
    } else {
        for (int i = 0; i < d.exponent; ++i)
            s += digitAt(d, i);
    }
    if (decimals > 0) {
        s += ".";
        for (int i = 0; i < decimals; ++i)
            s += digitAt(d, d.exponent + i);
    }
    return s;
}

} // namespace

QString FloatToStrF(long double value, FloatFormat format, int precision, int digits)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    precision = std::clamp(precision, 1, kMaxPrecision);
    Decimal d = toDecimal(value);
    std::string text;
    switch (format) {
    case FloatFormat::General:
        roundTo(d, precision);
        text = general(d, precision);
        break;
    case FloatFormat::Exponent:
        roundTo(d, precision);
        text = exponent(d, precision, std::clamp(digits, 0, 4));
        break;
    case FloatFormat::Fixed: {
        const int decimals = std::clamp(digits, 0, kMaxPrecision);
        roundTo(d, std::min(precision, d.exponent + decimals));
        text = d.exponent > precision ? general(d, precision) : fixed(d, decimals);
        break;
    }
    }
    return QString::fromLatin1(text.c_str());
}

QString FormatG(long double value) { return FloatToStrF(value, FloatFormat::General, 15, 0); }

} // namespace app
