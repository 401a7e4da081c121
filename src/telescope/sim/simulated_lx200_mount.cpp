#include "telescope/sim/simulated_lx200_mount.h"

#include "platform/clock.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <optional>

namespace Telescope {
namespace {

constexpr double kFullCircle = 1296000;
constexpr double kPole = 324000;

QByteArray two(long long v) { return QByteArray::number(v).rightJustified(2, '0'); }

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
    if (d > 90 || min >= 60 || s >= 60)
        return std::nullopt;
    const double v = d * 3600 + min * 60 + s;
    return m.captured(1) == QLatin1String("-") ? -v : v;
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
    const double next = std::fmod(from + (ahead > 0 ? step : -step), kFullCircle);
    return next < 0 ? next + kFullCircle : next;
}

} // namespace

SimulatedLx200Mount::SimulatedLx200Mount(double guideRate) : guideRate_(guideRate), moveRate_(guideRate) {}

SimulatedLx200Mount::~SimulatedLx200Mount() { stop(); }

void SimulatedLx200Mount::start()
{
    if (running_.exchange(true))
        return;
    thread_ = std::thread([this] { run(); });
}

void SimulatedLx200Mount::stop()
{
    if (!running_.exchange(false))
        return;
    if (thread_.joinable())
        thread_.join();
}

void SimulatedLx200Mount::run()
{
    while (running_) {
        pty_.waitReadable(50);
        pump();
    }
}

void SimulatedLx200Mount::pump()
{
    std::lock_guard lock(mutex_);
    advance(platform::clock().monotonicMs());
    const QByteArray data = pty_.readAvailable();
    if (data.isEmpty())
        return;
    received_ += data;
    pending_ += data;
    // A command runs from ":" to "#"; anything before a ":" is not one.
    QByteArray replies;
    for (;;) {
        const qsizetype start = pending_.indexOf(':');
        if (start < 0) {
            pending_.clear();
            break;
        }
        const qsizetype end = pending_.indexOf('#', start);
        if (end < 0) {
            pending_.remove(0, start);
            break;
        }
        const QByteArray command = pending_.mid(start, end - start + 1);
        pending_.remove(0, end + 1);
        commands_ << command;
        replies += answer(command);
    }
    if (!replies.isEmpty())
        pty_.write(replies);
}

QByteArray SimulatedLx200Mount::answer(const QByteArray& command)
{
    const QByteArray body = command.mid(1, command.size() - 2);   // without ":" and "#"
    if (body == "GR") {
        const auto tenths = static_cast<long long>(std::floor(ra_ / 15 / 6));   // tenths of a minute of time
        return two(tenths / 600 % 24) + ':' + two(tenths / 10 % 60) + '.' + QByteArray::number(tenths % 10) + '#';
    }
    if (body == "GD") {
        const auto minutes = static_cast<long long>(std::floor(std::fabs(dec_) / 60));
        return (dec_ < 0 ? QByteArray("-") : QByteArray("+")) + two(minutes / 60) + '*' + two(minutes % 60) + '#';
    }
    if (body == "D")
        return slewing_ ? QByteArray("||||||#") : QByteArray("      #");
    if (body == "MS") {
        slewing_ = true;
        return "0";
    }
    if (body.startsWith("Sr") || body.startsWith("Sd")) {
        const auto v = body.startsWith("Sr") ? parseRA(body.mid(2)) : parseDec(body.mid(2));
        if (!v)
            return "0";
        (body.startsWith("Sr") ? targetRa_ : targetDec_) = *v;
        return "1";
    }
    if (body == "CM") {
        slewing_ = false;
        ra_ = targetRa_;
        dec_ = targetDec_;
        return "Coordonnees synchronisees#";
    }
    if (body == "Q") {
        slewing_ = false;
        moving_.fill(false);
        return {};
    }
    if (body.size() == 2 && (body[0] == 'M' || body[0] == 'Q')) {
        const int d = directionIndex(body[1]);
        if (d >= 0)
            moving_[std::size_t(d)] = body[0] == 'M';
        return {};
    }
    if (body.size() == 7 && body.startsWith("Mg")) {
        const int d = directionIndex(body[2]);
        const double seconds = body.mid(3).toDouble() / 1000;
        const double step = guideRate_ * seconds;
        if (d == 0 || d == 1)
            dec_ = std::clamp(dec_ + (d == 0 ? step : -step), -kPole, kPole);
        else if (d >= 2)
            ra_ = std::fmod(ra_ + (d == 2 ? step : -step) + kFullCircle, kFullCircle);
        return {};
    }
    if (body == "RG" || body == "RC" || body == "RM" || body == "RS") {
        moveRate_ = body == "RG" ? guideRate_ : body == "RC" ? kCentreRate : body == "RM" ? kFindRate : slewRate_;
        return {};
    }
    return {};   // object library, focuser and unknown commands: no answer
}

void SimulatedLx200Mount::advance(std::int64_t now_ms)
{
    if (lastUpdate_ms_ < 0 || now_ms < lastUpdate_ms_) {
        lastUpdate_ms_ = now_ms;
        return;
    }
    const double seconds = double(now_ms - lastUpdate_ms_) / 1000;
    lastUpdate_ms_ = now_ms;
    if (slewing_) {
        ra_ = approachRA(ra_, targetRa_, slewRate_ * seconds);
        dec_ = approach(dec_, targetDec_, slewRate_ * seconds);
        slewing_ = ra_ != targetRa_ || dec_ != targetDec_;
    }
    const double step = moveRate_ * seconds;
    if (moving_[0] || moving_[1])
        dec_ = std::clamp(dec_ + (moving_[0] ? step : 0) - (moving_[1] ? step : 0), -kPole, kPole);
    if (moving_[2] || moving_[3])
        ra_ = std::fmod(ra_ + (moving_[2] ? step : 0) - (moving_[3] ? step : 0) + kFullCircle, kFullCircle);
}

QList<QByteArray> SimulatedLx200Mount::commands() const
{
    std::lock_guard lock(mutex_);
    return commands_;
}

QByteArray SimulatedLx200Mount::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

void SimulatedLx200Mount::clearRecords()
{
    std::lock_guard lock(mutex_);
    commands_.clear();
    received_.clear();
}

double SimulatedLx200Mount::ra() const
{
    std::lock_guard lock(mutex_);
    return ra_;
}

double SimulatedLx200Mount::dec() const
{
    std::lock_guard lock(mutex_);
    return dec_;
}

void SimulatedLx200Mount::setPosition(double ra, double dec)
{
    std::lock_guard lock(mutex_);
    ra_ = ra;
    dec_ = dec;
}

bool SimulatedLx200Mount::slewing() const
{
    std::lock_guard lock(mutex_);
    return slewing_;
}

void SimulatedLx200Mount::setSlewRate(double arcsecPerSecond)
{
    std::lock_guard lock(mutex_);
    slewRate_ = arcsecPerSecond;
}

} // namespace Telescope
