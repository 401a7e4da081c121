// Script goto positions: any text either is refused or reads as a right
// ascension within 0h..24h and a declination within -90..+90 degrees; a
// position written in the script form reads back to itself, and blanks
// anywhere change nothing.

#include "fuzz_check.h"
#include "telescope/goto_position_text.h"

#include <cmath>

namespace {

QString number(double v) { return QString::number(v, 'f', 3); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const int hours = in.ConsumeIntegralInRange<int>(0, 23);
    const int minutes = in.ConsumeIntegralInRange<int>(0, 59);
    const double seconds = in.ConsumeIntegralInRange<int>(0, 59999) / 1000.0;
    const int degrees = in.ConsumeIntegralInRange<int>(-89, 89);
    const bool south = in.ConsumeBool();
    const QString text = QString::fromUtf8(in.ConsumeRemainingBytesAsString());

    // Written positions read back.
    const QString ra = QStringLiteral("%1h%2m%3s").arg(hours).arg(minutes).arg(number(seconds));
    const std::optional<double> r = GotoPositionText::ParseRA(ra);
    NJ_FUZZ_CHECK(r && std::fabs(*r - (hours * 3600 + minutes * 60 + seconds) * 15) < 1e-6, ra);
    const QString dec = (south ? QStringLiteral("-") : QString()) + QStringLiteral("%1d%2m%3s").arg(std::abs(degrees)).arg(minutes).arg(number(seconds));
    const std::optional<double> d = GotoPositionText::ParseDec(dec);
    const double magnitude = std::abs(degrees) * 3600 + minutes * 60 + seconds;
    NJ_FUZZ_CHECK(d && std::fabs(*d - (south ? -magnitude : magnitude)) < 1e-6, dec);
    NJ_FUZZ_CHECK(GotoPositionText::ParseDec(QStringLiteral(" ") + dec.left(2) + QStringLiteral(" ") + dec.mid(2)) == d, dec);

    // Any text: refused or in range.
    if (const std::optional<double> v = GotoPositionText::ParseRA(text))
        NJ_FUZZ_CHECK(std::isfinite(*v) && *v >= 0 && *v <= 24 * 3600 * 15, text);
    if (const std::optional<double> v = GotoPositionText::ParseDec(text))
        NJ_FUZZ_CHECK(std::isfinite(*v) && std::fabs(*v) <= 90 * 3600, text);
    return 0;
}
