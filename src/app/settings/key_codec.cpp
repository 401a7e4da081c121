#include "app/settings/key_codec.h"

#include "platform/ini_document.h"

#include "kernels/rounding.h"

#include <cmath>
#include <limits>

namespace Settings {
namespace {

std::int64_t clampToInt64(long double v)
{
    constexpr long double lo = static_cast<long double>(std::numeric_limits<std::int64_t>::min());
    constexpr long double hi = static_cast<long double>(std::numeric_limits<std::int64_t>::max());
    if (std::isnan(v))
        return 0;
    if (v <= lo)
        return std::numeric_limits<std::int64_t>::min();
    if (v >= hi)
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(v);
}

} // namespace

std::int64_t ScaledToStored(long double value, int scale, Rounding rounding)
{
    const long double product = value * static_cast<long double>(scale);
    if (rounding == Rounding::Round)
        return clampToInt64(std::nearbyintl(product));
    const long double nearest = std::roundl(product);
    const long double tolerance = 1e-9L * std::fmax(1.0L, std::fabs(product));
    if (std::fabs(product - nearest) <= tolerance)
        return clampToInt64(nearest);
    return clampToInt64(std::truncl(product));
}

long double StoredToScaled(std::int64_t stored, int scale)
{
    return static_cast<long double>(stored) / static_cast<long double>(scale == 0 ? 1 : scale);
}

std::optional<std::int64_t> ParseStoredInteger(const QString& text)
{
    return platform::parseIniInteger(text);
}

QString NormaliseFolder(const QString& text)
{
    if (text.isEmpty())
        return text;
    const QChar sep = (text.contains(u'\\') && !text.contains(u'/')) ? QChar(u'\\') : QChar(u'/');
    QString out = text;
    while (out.size() > 1 && (out.endsWith(u'/') || out.endsWith(u'\\')))
        out.chop(1);
    if (out == QStringLiteral("/") || out == QStringLiteral("\\"))
        return out;
    return out + sep;
}

} // namespace Settings
