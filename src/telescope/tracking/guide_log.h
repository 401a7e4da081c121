#pragma once
// Lines of the guide log (one per correction) and of the focusing log (one
// per focus measure once the history is full). Numbers have at most three
// decimals, trailing zeros dropped, "." as separator.

#include <QString>
#include <cstdint>

namespace GuideLogText {

inline const QString kGuideLogHeader =
    QStringLiteral("Trainee_X;Tr_AD;Durée_corr_AD;Dir_corr_AD;Trainee_Y;Tr_Dec;Durée_corr_Dec;Dir_corr_Dec");

// The value with at most three decimals: 1.23456 "1.235", 2.5 "2.5", 3 "3".
QString FormatFloat3(double value);

// The eight fields of a correction. A pulse duration is written negative
// unless its direction is West (RA) or North (Dec), the words being those
// the command layer shows (westWord, northWord).
QString GuideLine(double dx, double raPixels, const QString& raDuration, const QString& raDirection, double dy,
                  double decPixels, const QString& decDuration, const QString& decDirection, const QString& westWord,
                  const QString& northWord);

// FWHM; zone sum; brightest level; focusing threshold; pixels above it;
// zone-size position; zone area; mean level; each field followed by ";".
QString FwhmLine(double fwhm, std::int64_t zoneSum, std::int32_t brightest, std::int32_t threshold,
                 std::int32_t brightCount, std::int32_t zoneSize, std::int64_t area, double meanLevel);

} // namespace GuideLogText
