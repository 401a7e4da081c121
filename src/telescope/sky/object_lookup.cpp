#include "telescope/sky/object_lookup.h"

#include "app/helpers/str_helpers.h"
#include "telescope/sky/catalogues.h"
#include "telescope/sky/sky_chart.h"

#include <numbers>

namespace Recherche {

namespace {

constexpr double kArcsecToRad = std::numbers::pi / 648000.0;

// The look-ups may come before the chart was ever drawn (the hand pad).
void ensureLoaded()
{
    if (!Sky::CataloguesLoaded)
        Sky::LoadCatalogues();
}

Found at(double ra_arcsec, double dec_arcsec) { return {ra_arcsec * kArcsecToRad, dec_arcsec * kArcsecToRad}; }

} // namespace

Found FindSaoStar(const QString& text)
{
    const QString number = text.mid(3, 6).trimmed();
    if (number.isEmpty())
        return {};   // "SAO" alone names no star (nor the stars without SAO number)
    ensureLoaded();
    for (const Sky::StarRecord& s : Sky::StarCatalogue) {
        if (s.filled && QString::fromLatin1(s.saoText().data(), 6).trimmed() == number) {
            Sky::RedrawChart();
            return at(s.ra, s.dec);
        }
    }
    return {};
}

Found FindDeepSkyObject(const QString& text)
{
    QString query = text;
    if (const qsizetype slash = text.indexOf(QLatin1Char('/')); slash >= 0)
        query = text.left(slash > 0 && text[slash - 1] == QLatin1Char(' ') ? slash - 1 : slash);
    if (query.isEmpty())
        return {};
    ensureLoaded();
    if (const Sky::DeepSkyRecord* d = Sky::FindDeepSkyByName(Sky::DeepSkyCatalogue, query))
        return at(d->ra, d->dec);
    return {};
}

Found FindStarByName(const QString& text)
{
    const QString query = StrHelpers::CollapseSpaces(text.toLower());
    if (query.trimmed().isEmpty())
        return {};
    ensureLoaded();
    for (const Sky::StarRecord& s : Sky::StarCatalogue) {
        if (!s.filled || !s.hasName())
            continue;
        const QString name = StrHelpers::CollapseSpaces(QString::fromLatin1(s.nameText().data(), 10).toLower());
        if (name.contains(query))
            return at(s.ra, s.dec);
    }
    return {};
}

} // namespace Recherche
