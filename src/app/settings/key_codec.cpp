#include "app/settings/key_codec.h"

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
    const QString s = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == s.size())
        return std::nullopt;
    std::uint64_t v = 0;
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else
            return std::nullopt;
        if (v > (limit - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(base))
            return std::nullopt;
        v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    }
    if (base == 16) {
        // 32 bits, read as a signed integer ("$FFFFFFFF" is -1).
        const auto bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        return negative ? -static_cast<std::int64_t>(bits) : static_cast<std::int64_t>(bits);
    }
    if (!negative && v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - v) : static_cast<std::int64_t>(v);
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
