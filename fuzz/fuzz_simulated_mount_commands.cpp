// The simulated LX200 mount's commands: whatever bytes reach it, it takes
// them as whole ":...#" commands and keeps only the start of one still
// coming; each reply is framed as the program reads the reply of that
// command (a library choice answers one digit); its right ascension, in
// either precision, reads back within the minute the program keeps; its
// position stays on the sky; and whatever came before, a library goto
// (":LM n#", or ":Lo k#" then ":LC n#") is taken only for an object of its
// catalogue on the sky and above its horizon at the hour of the input, and
// slews exactly there, while an object it does not find or cannot reach
// leaves the mount where it is.

#include "fuzz_check.h"
#include "platform/clock.h"
#include "telescope/lx200_protocol.h"
#include "telescope/sim/lx200_mount_model.h"

#include <cmath>

namespace {

constexpr double kFullCircle = 1296000;
constexpr double kPole = 324000;

bool onTheSky(const Telescope::Lx200MountModel& m)
{
    return std::isfinite(m.ra()) && std::isfinite(m.dec()) && m.ra() >= 0 && m.ra() < kFullCircle
           && std::fabs(m.dec()) <= kPole;
}

// The reply to a command has the frame the program waits for; the choice
// of a library answers one digit the program does not wait for, which the
// next exchange drops.
bool framedAsRead(const QByteArray& command, const QByteArray& reply)
{
    using namespace Lx200;
    if (command.startsWith(":Lo") || command.startsWith(":Ls"))
        return reply == "0" || reply == "1";
    const ReplyKind kind = ReplyKindOf(command);
    switch (kind) {
    case ReplyKind::None: return reply.isEmpty();
    case ReplyKind::Digit: return reply == "0" || reply == "1";
    case ReplyKind::Slew:
        return FramedLength(kind, reply) == reply.size() && (reply == "0" || (reply.startsWith('1') && reply.size() > 2));
    case ReplyKind::Text:
        return FramedLength(kind, reply) == reply.size() && reply.endsWith('#');
    }
    return false;
}

// A right ascension brought into 0 to 24 h as the mount takes its target.
double wrapRA(double ra)
{
    double r = std::fmod(ra, kFullCircle);
    if (r < 0)
        r += kFullCircle;
    return r >= kFullCircle ? 0 : r;
}

// The wall time the mount reads its sky at, set by the input.
class FixedClock final : public platform::Clock {
public:
    std::int64_t monotonicMs() const override { return 0; }
    QDateTime wallNow() const override { return now; }
    QDateTime now;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    // The catalogue: Messier 31 and one line of the input.
    std::vector<Sky::DeepSkyRecord> catalogue;
    for (const std::string& line :
         {std::string(" NGC 224            M 31                 GALXY         00 42.7   +41 16    4.4"),
          in.ConsumeRandomLengthString(160)})
        if (auto r = Sky::ParseDeepSkyLine(line))
            catalogue.push_back(*r);
    Telescope::Lx200MountModel mount;
    mount.useDeepSkyCatalogue(catalogue);
    // Any hour of 2026.
    static FixedClock clock;
    platform::setClock(&clock);
    clock.now = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC)
                    .addMSecs(in.ConsumeIntegralInRange<qint64>(0, 365LL * 86400 * 1000));

    // What the final library goto asks for, taken before the stream.
    const bool messier = in.ConsumeBool();
    const int library = in.ConsumeIntegralInRange(0, 3);
    // Now and then the object the catalogue surely holds.
    const int number = in.ConsumeBool() ? (messier ? 31 : 224) : in.ConsumeIntegralInRange(0, 99999);

    std::int64_t now_ms = 0;
    mount.advance(now_ms);
    QByteArray pending;
    QByteArray seen;
    while (in.remaining_bytes() > 0) {
        const auto chunk = in.ConsumeIntegralInRange<std::size_t>(1, 64);
        now_ms += in.ConsumeIntegral<std::uint16_t>();
        const std::string bytes = in.ConsumeBytesAsString(chunk);
        pending += QByteArray(bytes.data(), qsizetype(bytes.size()));
        seen += QByteArray(bytes.data(), qsizetype(bytes.size()));
        const QString shown = QString::fromLatin1(seen.toHex());
        mount.advance(now_ms);
        NJ_FUZZ_CHECK(onTheSky(mount), shown);
        for (const QByteArray& command : Telescope::TakeCommands(pending)) {
            NJ_FUZZ_CHECK(command.startsWith(':') && command.endsWith('#') && command.count('#') == 1, shown);
            const QByteArray reply = mount.answer(command);
            NJ_FUZZ_CHECK(framedAsRead(command, reply), shown + u' ' + QString::fromLatin1(reply.toHex()));
            if (command == Lx200::GetRACommand) {
                const auto ra = Lx200::ParseRAReply(reply);
                NJ_FUZZ_CHECK(ra && mount.ra() - *ra >= 0 && mount.ra() - *ra < 900,
                              shown + u' ' + QString::fromLatin1(reply));
            }
            NJ_FUZZ_CHECK(onTheSky(mount), shown);
        }
        NJ_FUZZ_CHECK(pending.isEmpty() || (pending.startsWith(':') && !pending.contains('#')), shown);
    }

    // The library goto, whatever state the stream left.
    const char* const prefixes[] = {"NGC", "IC", "UGC", nullptr};
    const char* const prefix = messier ? "M" : prefixes[library];
    mount.answer(":Q#");
    const QByteArray chosen = mount.answer(":Lo " + QByteArray::number(library) + '#');
    NJ_FUZZ_CHECK(chosen == (library < 3 ? "1" : "0"), QString::fromLatin1(seen.toHex()));
    mount.answer(QByteArray(messier ? ":LM " : ":LC ") + QByteArray::number(number) + '#');
    const double ra0 = mount.ra(), dec0 = mount.dec();
    const QByteArray reply = mount.answer(":MS#");
    const Sky::DeepSkyRecord* object =
        prefix ? Sky::FindDeepSkyByName(catalogue, QString::fromLatin1(prefix) + QString::number(number)) : nullptr;
    const bool onSky = object && std::isfinite(object->ra) && std::isfinite(object->dec) && std::fabs(object->dec) <= kPole
                       && mount.aboveHorizon(wrapRA(object->ra), object->dec, clock.now);
    const QString what = QStringLiteral("%1%2 %3 %4").arg(QLatin1String(prefix ? prefix : "?")).arg(number)
                             .arg(QString::fromLatin1(reply), QString::fromLatin1(seen.toHex()));
    NJ_FUZZ_CHECK((reply == "0") == onSky, what);
    mount.advance(now_ms + 1000000000);
    NJ_FUZZ_CHECK(!mount.slewing(), what);
    if (onSky) {
        const double ra = std::fmod(std::fmod(object->ra, kFullCircle) + kFullCircle, kFullCircle);
        NJ_FUZZ_CHECK(std::fabs(std::remainder(mount.ra() - ra, kFullCircle)) < 1e-6 && mount.dec() == object->dec,
                      what);
    } else {
        NJ_FUZZ_CHECK(mount.ra() == ra0 && mount.dec() == dec0, what);
    }
    return 0;
}
