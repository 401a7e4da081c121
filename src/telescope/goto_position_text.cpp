#include "telescope/goto_position_text.h"

#include "app/helpers/str_helpers.h"
#include "translation/translated_texts.h"

#include <cmath>

namespace GotoPositionText {
namespace {

constexpr double kFullDayRA_arcsec = 24.0 * 3600.0 * 15.0;
constexpr double kQuarterCircle_arcsec = 90.0 * 3600.0;

QString withoutBlanks(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (!c.isSpace())
            out += c;
    return out;
}

// The three numbers of "<a><unit>" "<b>m" "<c>s": the text before the first
// "s", split at its first "m", whose first part is split at `unit`.
struct Parts {
    QString units, minutes, seconds;
};
std::optional<Parts> split(const QString& text, QChar unit)
{
    const qsizetype s = text.indexOf(u's');
    if (s < 0 || s != text.size() - 1)
        return std::nullopt;   // nothing may follow the seconds
    const QString b = text.left(s);
    const qsizetype m = b.indexOf(u'm');
    if (m < 0)
        return std::nullopt;
    const QString first = b.left(m);
    const qsizetype u = first.indexOf(unit);
    if (u < 0)
        return std::nullopt;
    Parts p{first.left(u), first.mid(u + 1), b.mid(m + 1)};
    if (!StrHelpers::IsNumber(p.units) || !StrHelpers::IsNumber(p.minutes) || !StrHelpers::IsNumber(p.seconds))
        return std::nullopt;
    // Only the leading part carries a sign.
    if (p.minutes.startsWith(u'-') || p.seconds.startsWith(u'-'))
        return std::nullopt;
    return p;
}

std::optional<double> number(const QString& text)
{
    if (!StrHelpers::IsNumber(text))
        return std::nullopt;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace

std::optional<double> ParseRA(const QString& text)
{
    const QString t = withoutBlanks(text);
    std::optional<double> ra;
    if (t.startsWith(u'#')) {
        ra = number(t.mid(1));
    } else if (const std::optional<Parts> p = split(t, u'h')) {
        if (p->units.startsWith(u'-'))
            return std::nullopt;
        ra = (p->units.toDouble() * 3600.0 + p->minutes.toDouble() * 60.0 + p->seconds.toDouble()) * 15.0;
    }
    if (!ra || !OnTheSky(*ra, 0))
        return std::nullopt;
    return ra;
}

std::optional<double> ParseDec(const QString& text)
{
    const QString t = withoutBlanks(text);
    std::optional<double> dec;
    if (t.startsWith(u'#')) {
        dec = number(t.mid(1));
    } else if (const std::optional<Parts> p = split(t, u'd')) {
        const double magnitude = std::fabs(p->units.toDouble()) * 3600.0 + p->minutes.toDouble() * 60.0
                                 + p->seconds.toDouble();
        dec = p->units.startsWith(u'-') ? -magnitude : magnitude;
    }
    if (!dec || !OnTheSky(0, *dec))
        return std::nullopt;
    return dec;
}

bool OnTheSky(double ra_arcsec, double dec_arcsec)
{
    return ra_arcsec >= 0 && ra_arcsec <= kFullDayRA_arcsec && std::fabs(dec_arcsec) <= kQuarterCircle_arcsec;
}

QString OffTheSkyMessage()
{
    return TranslatedTexts.MSG_Coordonnees_Hors_Limites;
}

} // namespace GotoPositionText
