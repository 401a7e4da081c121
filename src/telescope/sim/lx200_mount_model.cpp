#include "telescope/sim/lx200_mount_model.h"

#include "platform/clock.h"
#include "platform/paths.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace Telescope {
namespace {

constexpr double kFullCircle = 1296000;
constexpr double kPole = 324000;

QByteArray two(long long v) { return QByteArray::number(v).rightJustified(2, '0'); }

// Any right ascension brought into 0 to 24 h (24 h itself is 0).
double wrapRA(double ra)
{
    double r = std::fmod(ra, kFullCircle);
    if (r < 0)
        r += kFullCircle;
    return r >= kFullCircle ? 0 : r;
}

// "HH:MM:SS", "HH:MM:SS.T" or "HH:MM.T" to seconds of arc.
std::optional<double> parseRA(const QByteArray& text)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}(?:\\.\\d)?)|\\.(\\d))$"));
    const auto m = re.match(QString::fromLatin1(text.trimmed()));
    if (!m.hasMatch())
        return std::nullopt;
    const double h = m.captured(1).toDouble();
    const double min = m.captured(2).toDouble();
    const double s = m.captured(3).isEmpty() ? m.captured(4).toDouble() * 6 : m.captured(3).toDouble();
    if (h >= 24 || min >= 60 || s >= 60)
        return std::nullopt;
    return (h * 3600 + min * 60 + s) * 15;
}

// "sDD:MM:SS", "sDD*MM:SS" or "sDD*MM" to seconds of arc.
std::optional<double> parseDec(const QByteArray& text)
{
    static const QRegularExpression re(QStringLiteral("^([+-]?)(\\d{1,2})[:*\\x{DF}](\\d{2})(?::(\\d{2}))?$"));
    const auto m = re.match(QString::fromLatin1(text.trimmed()));
    if (!m.hasMatch())
        return std::nullopt;
    const double d = m.captured(2).toDouble();
    const double min = m.captured(3).toDouble();
    const double s = m.captured(4).toDouble();
    const double v = d * 3600 + min * 60 + s;
    if (min >= 60 || s >= 60 || v > kPole)
        return std::nullopt;
    return m.captured(1) == QLatin1String("-") ? -v : v;
}

bool allDigits(const QByteArray& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int directionIndex(char letter)
{
    switch (letter) {
    case 'n': return 0;
    case 's': return 1;
    case 'e': return 2;
    case 'w': return 3;
    default: return -1;
    }
}

double approach(double from, double to, double step)
{
    if (std::fabs(to - from) <= step)
        return to;
    return from + (to > from ? step : -step);
}

// Right ascension goes round: the shorter way, through 0 h when that is
// shorter, and always within 0 to 24 h.
double approachRA(double from, double to, double step)
{
    const double ahead = std::remainder(to - from, kFullCircle);   // -12 h .. +12 h
    if (std::fabs(ahead) <= step)
        return to;
    return wrapRA(from + (ahead > 0 ? step : -step));
}

} // namespace

QList<QByteArray> TakeCommands(QByteArray& pending)
{
    QList<QByteArray> commands;
    for (;;) {
        const qsizetype start = pending.indexOf(':');
        if (start < 0) {
            pending.clear();
            break;
        }
        const qsizetype end = pending.indexOf('#', start);
        if (end < 0) {
            pending.remove(0, start);
            break;
        }
        commands << pending.mid(start, end - start + 1);
        pending.remove(0, end + 1);
    }
    return commands;
}

Lx200MountModel::Lx200MountModel(double guideRate) : guideRate_(guideRate), moveRate_(guideRate) {}

void Lx200MountModel::setPosition(double ra, double dec)
{
    ra_ = ra;
    dec_ = dec;
}

void Lx200MountModel::setSite(double latitude, double longitude)
{
    latitude_ = latitude;
    longitude_ = longitude;
}

bool Lx200MountModel::aboveHorizon(double ra, double dec, const QDateTime& utc) const
{
    // Local sidereal time from the days since J2000.0 (2000-01-01 12:00 UT).
    const double days = double(utc.toMSecsSinceEpoch()) / 86400000.0 + 2440587.5 - 2451545.0;
    const double lstHours = std::fmod(18.697374558 + 24.06570982441908 * days + longitude_ / 15, 24);
    constexpr double radian = std::numbers::pi / 180;
    const double hourAngle = (lstHours * 15 - ra / 3600) * radian;
    const double lat = latitude_ * radian;
    const double d = dec / 3600 * radian;
    return std::sin(lat) * std::sin(d) + std::cos(lat) * std::cos(d) * std::cos(hourAngle) >= 0;
}

void Lx200MountModel::useDeepSkyCatalogue(std::vector<Sky::DeepSkyRecord> objects)
{
    catalogue_ = std::move(objects);
    catalogueRead_ = true;
}

bool Lx200MountModel::ensureCatalogue()
{
    if (catalogueRead_)
        return true;
    const QString path = platform::findFileNoCase(platform::programDir(), QStringLiteral("SAC72.dat"));
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    Sky::ReadDeepSky(file.readAll(), catalogue_);
    catalogueRead_ = true;
    return true;
}

void Lx200MountModel::noTarget(const QByteArray& reason)
{
    targetRa_.reset();
    targetDec_.reset();
    noTargetReason_ = reason;
}

// code: what follows ":L", "M 42" for Messier 42, "C 1976" for object 1976
// of the deep-sky library chosen.
void Lx200MountModel::loadObject(const QByteArray& code)
{
    // The reason names the object as asked (printable, and short).
    QByteArray shown;
    for (char c : code.trimmed().left(16))
        if (c >= ' ' && c < 0x7F)
            shown += c;
    if (shown.isEmpty())
        return noTarget("Aucun objet choisi");
    const QByteArray number = shown.mid(1).trimmed();
    QByteArray name;
    if (shown[0] == 'M')
        name = "M";
    else if (shown[0] == 'C' && library_ == DeepSkyLibrary::NGC)
        name = "NGC";
    else if (shown[0] == 'C' && library_ == DeepSkyLibrary::IC)
        name = "IC";
    else if (shown[0] == 'C' && library_ == DeepSkyLibrary::UGC)
        name = "UGC";
    // An object of the deep-sky library is named by the catalogue chosen
    // ("NGC 9999"), as the user asked for it, not by the command's letter.
    if (shown[0] == 'C' && !name.isEmpty())
        shown = name + ' ' + number;
    const QByteArray absent = shown + " absent du catalogue";
    if (name.isEmpty() || !allDigits(number) || number.size() > 5)
        return noTarget(absent);   // no star, planet or other library
    if (!ensureCatalogue())
        return noTarget(shown + " inconnu : catalogue SAC72.dat absent");
    const Sky::DeepSkyRecord* object =
        Sky::FindDeepSkyByName(catalogue_, QString::fromLatin1(name + QByteArray::number(number.toInt())));
    if (!object || !std::isfinite(object->ra) || !std::isfinite(object->dec) || std::fabs(object->dec) > kPole)
        return noTarget(absent);
    targetRa_ = wrapRA(object->ra);
    targetDec_ = object->dec;
}

QByteArray Lx200MountModel::answer(const QByteArray& command)
{
    const QByteArray body = command.mid(1, command.size() - 2);   // without ":" and "#"
    if (body == "GR") {
        if (longPrecision_) {
            const auto seconds = static_cast<long long>(std::floor(ra_ / 15));   // seconds of time
            return two(seconds / 3600 % 24) + ':' + two(seconds / 60 % 60) + ':' + two(seconds % 60) + '#';
        }
        const auto tenths = static_cast<long long>(std::floor(ra_ / 15 / 6));   // tenths of a minute of time
        return two(tenths / 600 % 24) + ':' + two(tenths / 10 % 60) + '.' + QByteArray::number(tenths % 10) + '#';
    }
    if (body == "GD") {
        const QByteArray sign = dec_ < 0 ? "-" : "+";
        if (longPrecision_) {
            const auto seconds = static_cast<long long>(std::floor(std::fabs(dec_)));
            return sign + two(seconds / 3600) + '*' + two(seconds / 60 % 60) + '\'' + two(seconds % 60) + '#';
        }
        const auto minutes = static_cast<long long>(std::floor(std::fabs(dec_) / 60));
        return sign + two(minutes / 60) + '*' + two(minutes % 60) + '#';
    }
    if (body == "U") {
        longPrecision_ = !longPrecision_;
        return {};
    }
    if (body == "D")
        return slewing_ ? QByteArray("||||||#") : QByteArray("      #");
    if (body == "MS") {
        if (!targetRa_ || !targetDec_)
            return '1' + noTargetReason_ + '#';
        if (!aboveHorizon(*targetRa_, *targetDec_, platform::clock().wallNow()))
            return "1Objet sous l'horizon#";
        slewing_ = true;
        slewRa_ = *targetRa_;
        slewDec_ = *targetDec_;
        return "0";
    }
    if (body.startsWith("Sr") || body.startsWith("Sd")) {
        const bool isRA = body.startsWith("Sr");
        const auto v = isRA ? parseRA(body.mid(2)) : parseDec(body.mid(2));
        if (!v)
            return "0";
        (isRA ? targetRa_ : targetDec_) = *v;
        noTargetReason_ = isRA ? "Declinaison de la cible manquante" : "Ascension droite de la cible manquante";
        return "1";
    }
    if (body == "CM") {
        if (!targetRa_ || !targetDec_)
            return noTargetReason_ + '#';
        slewing_ = false;
        ra_ = *targetRa_;
        dec_ = *targetDec_;
        return "Coordonnees synchronisees#";
    }
    // The object libraries: the choice of the deep-sky library (":Lo n#")
    // or of the star library (":Ls n#", which it has not), then an object.
    if (body.startsWith("Lo")) {
        const QByteArray n = body.mid(2).trimmed();
        library_ = n == "0" ? DeepSkyLibrary::NGC
                   : n == "1" ? DeepSkyLibrary::IC
                   : n == "2" ? DeepSkyLibrary::UGC
                              : DeepSkyLibrary::None;
        return library_ == DeepSkyLibrary::None ? "0" : "1";
    }
    if (body.startsWith("Ls"))
        return "0";
    if (body.startsWith('L')) {
        loadObject(body.mid(1));
        return {};
    }
    if (body == "Q") {
        slewing_ = false;
        moving_.fill(false);
        pulseEnd_ms_.fill(-1);
        return {};
    }
    if (body.size() == 2 && (body[0] == 'M' || body[0] == 'Q')) {
        const int d = directionIndex(body[1]);
        if (d >= 0) {
            moving_[std::size_t(d)] = body[0] == 'M';
            if (body[0] == 'Q')
                pulseEnd_ms_[std::size_t(d)] = -1;
        }
        return {};
    }
    if (body.size() == 7 && body.startsWith("Mg") && allDigits(body.mid(3))) {
        const int d = directionIndex(body[2]);
        if (d >= 0)
            pulseEnd_ms_[std::size_t(d)] = std::max<std::int64_t>(lastUpdate_ms_, 0) + body.mid(3).toLongLong();
        return {};
    }
    if (body == "RG" || body == "RC" || body == "RM" || body == "RS") {
        moveRate_ = body == "RG" ? guideRate_ : body == "RC" ? kCentreRate : body == "RM" ? kFindRate : slewRate_;
        return {};
    }
    return {};   // focuser and unknown commands: no answer
}

void Lx200MountModel::advance(std::int64_t now_ms)
{
    if (lastUpdate_ms_ < 0 || now_ms < lastUpdate_ms_) {
        // A clock that starts (or goes back) moves nothing: pulses keep
        // their length from here.
        for (std::int64_t& end : pulseEnd_ms_)
            if (end >= 0)
                end = now_ms + (end - std::max<std::int64_t>(lastUpdate_ms_, 0));
        lastUpdate_ms_ = now_ms;
        return;
    }
    const std::int64_t from_ms = lastUpdate_ms_;
    const double seconds = double(now_ms - from_ms) / 1000;
    lastUpdate_ms_ = now_ms;
    if (slewing_) {
        ra_ = approachRA(ra_, slewRa_, slewRate_ * seconds);
        dec_ = approach(dec_, slewDec_, slewRate_ * seconds);
        slewing_ = ra_ != slewRa_ || dec_ != slewDec_;
    }
    // Each direction: the time it was held, at the rate chosen, and the
    // time its pulse ran, at the guide rate.
    std::array<double, 4> way{};
    for (std::size_t d = 0; d < 4; ++d) {
        if (moving_[d])
            way[d] += moveRate_ * seconds;
        if (pulseEnd_ms_[d] >= 0) {
            way[d] += guideRate_ * double(std::min(pulseEnd_ms_[d], now_ms) - from_ms) / 1000;
            if (pulseEnd_ms_[d] <= now_ms)
                pulseEnd_ms_[d] = -1;
        }
    }
    if (way[0] != 0 || way[1] != 0)
        dec_ = std::clamp(dec_ + way[0] - way[1], -kPole, kPole);
    if (way[2] != 0 || way[3] != 0)
        ra_ = wrapRA(ra_ + way[2] - way[3]);
}

} // namespace Telescope
