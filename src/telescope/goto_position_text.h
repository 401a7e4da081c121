#pragma once
// Sky positions as scripts write them: right ascension "12h30m15.5s" and
// declination "-0d30m15s" (blanks anywhere are ignored), or "#" followed by
// a number of seconds of arc. Right ascension is given in seconds of arc
// (time seconds x 15).

#include <QString>
#include <optional>

namespace GotoPositionText {

// Seconds of arc of a right ascension between 0h and 24h; empty when the
// text is not of the form above or out of that range.
std::optional<double> ParseRA(const QString& text);
// Seconds of arc of a declination between -90d and +90d. The sign is the
// one written on the degrees, also when they are 0 ("-0d30m15s" is
// -1815); empty when the text is not of the form above or out of range.
std::optional<double> ParseDec(const QString& text);

// True for a position a goto can take (seconds of arc): a right ascension
// from 0h to 24h and a declination from -90d to +90d.
bool OnTheSky(double ra_arcsec, double dec_arcsec);
// The message that refuses a typed position off the sky.
QString OffTheSkyMessage();

} // namespace GotoPositionText
