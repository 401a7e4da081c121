#include "telescope/tracking/guide_log.h"

#include "app/controls/float_text.h"

#include <QStringList>

namespace GuideLogText {

QString FormatFloat3(double value)
{
    QString s = app::FloatToStrF(value, app::FloatFormat::Fixed, 18, 3);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    return s;
}

QString GuideLine(double dx, double raPixels, const QString& raDuration, const QString& raDirection, double dy,
                  double decPixels, const QString& decDuration, const QString& decDirection, const QString& westWord,
                  const QString& northWord)
{
    const QString raSign = raDirection == westWord ? QString() : QStringLiteral("-");
    const QString decSign = decDirection == northWord ? QString() : QStringLiteral("-");
    return QStringList({FormatFloat3(dx), FormatFloat3(raPixels), raSign + raDuration, raDirection,
                       FormatFloat3(dy), FormatFloat3(decPixels), decSign + decDuration, decDirection})
        .join(QLatin1Char(';'));
}

QString FwhmLine(double fwhm, std::int64_t zoneSum, std::int32_t brightest, std::int32_t threshold,
                 std::int32_t brightCount, std::int32_t zoneSize, std::int64_t area, double meanLevel)
{
    return QStringList({FormatFloat3(fwhm),
                       QString::number(zoneSum),
                       QString::number(brightest),
                       QString::number(threshold),
                       QString::number(brightCount),
                       QString::number(zoneSize),
                       QString::number(area),
                       FormatFloat3(meanLevel)})
               .join(QLatin1Char(';'))
           + QLatin1Char(';');
}

} // namespace GuideLogText
