#include "app/helpers/scheme_colour.h"

namespace SchemeColour {

std::optional<std::int32_t> Parse(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    if (v >= 0)
        return v <= 0xFFFFFF ? std::optional<std::int32_t>(v) : std::nullopt;
    return (v & 0xFF) < kIndexCount ? std::optional<std::int32_t>(v) : std::nullopt;
}

} // namespace SchemeColour
