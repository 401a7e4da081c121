// Angles and sky coordinates: any finite number of seconds of arc splits into
// degrees (or hours), minutes and seconds that convert back to it, its split
// rounded to the decimals shown never holds a 60 and stays within half a
// unit of it, and its declination and right-ascension texts are well formed,
// whatever its size.

#include "app/helpers/calc_helpers.h"
#include "fuzz_check.h"

#include <QRegularExpression>

#include <cmath>
#include <cstring>

namespace {

bool close(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::fmax(1.0, std::fabs(a)); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace CalcHelpers;
    FuzzedDataProvider in(data, size);
    double v;
    const auto bits = in.ConsumeIntegral<std::uint64_t>();
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v))
        return 0;
    const QString shown = QString::number(v, 'g', 17);

    // The splits convert back (degrees x 3600 stay finite).
    const Sexagesimal dms = ArcsecToDMS(v);
    const Sexagesimal hms = ArcsecToHMS(v);
    if (std::fabs(v) < 1e300) {
        NJ_FUZZ_CHECK(close(DMSToArcsec(dms.units, dms.minutes, dms.seconds), v), shown);
        NJ_FUZZ_CHECK(close(HMSToArcsec(hms.units, hms.minutes, hms.seconds), v), shown);
    }
    if (std::fabs(v) < 1e15) {
        NJ_FUZZ_CHECK(std::fabs(dms.minutes) < 60 && std::fabs(dms.seconds) < 60, shown);
    }

    // Rounded to hundredths: whole minutes and units, no 60, a right
    // ascension within the day, and back within half a hundredth.
    if (std::fabs(v) < 1e12) {
        const Sexagesimal r = ArcsecToDMSRounded(v, 2);
        NJ_FUZZ_CHECK(r.units == std::trunc(r.units) && r.minutes == std::trunc(r.minutes), shown);
        NJ_FUZZ_CHECK(std::fabs(r.minutes) < 60 && std::fabs(r.seconds) < 60, shown);
        NJ_FUZZ_CHECK(std::fabs(DMSToArcsec(r.units, r.minutes, r.seconds) - v) <= 0.005 + 1e-12 * std::fabs(v), shown);
        const Sexagesimal h = ArcsecToHMSRounded(v, 2);
        NJ_FUZZ_CHECK(h.units >= 0 && h.units < 24 && h.units == std::trunc(h.units), shown);
        NJ_FUZZ_CHECK(h.minutes >= 0 && h.minutes < 60 && h.seconds >= 0 && h.seconds < 60, shown);
    }

    // The texts: whole part, minutes below 60, seconds below 60 with two decimals.
    static const QRegularExpression dec(QStringLiteral("^ *-?\\d+\u00B0 [ \\d]\\d' \\d?\\d\\.\\d\\d\"$"));
    static const QRegularExpression ra(QStringLiteral("^ *-?\\d+h [ \\d]\\dm \\d?\\d\\.\\d\\ds$"));
    const QString d = DecToStr(v);
    const QString r = RAToStr(v);
    if (std::fabs(v) < 1e9) {
        NJ_FUZZ_CHECK(dec.match(d).hasMatch(), shown + u' ' + d);
        NJ_FUZZ_CHECK(ra.match(r).hasMatch(), shown + u' ' + r);
        NJ_FUZZ_CHECK(!d.contains(QStringLiteral("60'")) && !d.endsWith(QStringLiteral("60.00\"")), shown + u' ' + d);
        NJ_FUZZ_CHECK(!r.contains(QStringLiteral("60m")) && !r.endsWith(QStringLiteral("60.00s")), shown + u' ' + r);
        // A right ascension within the day never reads 24 h.
        if (v >= 0 && v < 24 * 3600 * 15.0)
            NJ_FUZZ_CHECK(!r.trimmed().startsWith(QStringLiteral("24h")), shown + u' ' + r);
    } else {
        NJ_FUZZ_CHECK(!d.isEmpty() && !r.isEmpty(), shown);
    }
    return 0;
}
