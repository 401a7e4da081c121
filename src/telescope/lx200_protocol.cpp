#include "telescope/lx200_protocol.h"

#include "app/helpers/calc_helpers.h"

#include <algorithm>
#include <cmath>

namespace Lx200 {
namespace {

QByteArray twoDigits(std::int64_t v)
{
    return QByteArray::number(v).rightJustified(2, '0');
}

bool digits(const QByteArray& text, int from, int count)
{
    if (text.size() < from + count)
        return false;
    for (int i = from; i < from + count; ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

int number(const QByteArray& text, int from, int count) { return text.mid(from, count).toInt(); }

// The reply up to its "#", which must be its last character (a lone answer).
std::optional<QByteArray> body(const QByteArray& reply)
{
    const qsizetype hash = reply.indexOf('#');
    if (hash < 0 || hash != reply.size() - 1)
        return std::nullopt;
    return reply.left(hash);
}

} // namespace

const std::array<QByteArray, 4> SlewRateCommands = {
    QByteArrayLiteral(":RG#"), QByteArrayLiteral(":RC#"), QByteArrayLiteral(":RM#"), QByteArrayLiteral(":RS#")};

char DirectionLetter(std::uint8_t direction)
{
    static constexpr char letters[] = {'n', 's', 'e', 'w'};
    return letters[direction & 3];
}

QByteArray MoveCommand(std::uint8_t direction)
{
    return QByteArray(":M") + DirectionLetter(direction) + '#';
}

QByteArray StopCommand(std::uint8_t direction)
{
    return QByteArray(":Q") + DirectionLetter(direction) + '#';
}

QByteArray PulseGuideCommand(std::uint8_t direction, std::int64_t duration_ms)
{
    const std::int64_t ms = std::clamp<std::int64_t>(duration_ms, 0, 9999);
    return QByteArray(":Mg") + DirectionLetter(direction) + QByteArray::number(ms).rightJustified(4, '0') + '#';
}

QByteArray RAText(double arcsec)
{
    // Rounded once to tenths of a second of time, the carry going into the
    // minutes and hours, 24 h wrapping to 0 h.
    const CalcHelpers::Sexagesimal p = CalcHelpers::ArcsecToHMSRounded(arcsec, 1);
    const std::int64_t tenths = std::llround(p.seconds * 10.0);
    QByteArray text = twoDigits(std::llround(p.units)) + ':' + twoDigits(std::llround(p.minutes)) + ':'
                      + twoDigits(tenths / 10);
    if (tenths % 10 != 0)
        text += '.' + QByteArray::number(tenths % 10);
    return text;
}

QByteArray DecText(double arcsec)
{
    // Whole seconds of arc, rounded once; a value that rounds to zero is north.
    const CalcHelpers::Sexagesimal p = CalcHelpers::ArcsecToDMSRounded(std::fabs(arcsec), 0);
    const bool negative = arcsec < 0 && (p.units != 0 || p.minutes != 0 || p.seconds != 0);
    return (negative ? '-' : '+') + twoDigits(std::llround(p.units)) + ':' + twoDigits(std::llround(p.minutes)) + ':'
           + twoDigits(std::llround(p.seconds));
}

QByteArray SetRACommand(double arcsec) { return ":Sr " + RAText(arcsec) + '#'; }
QByteArray SetDecCommand(double arcsec) { return ":Sd " + DecText(arcsec) + '#'; }
QByteArray LoadObjectCommand(const QByteArray& object) { return ":L" + object + '#'; }

QByteArray FocuserSpeedCommand(bool fast) { return fast ? QByteArrayLiteral(":FF#") : QByteArrayLiteral(":FS#"); }
QByteArray FocuserDirectionCommand(std::uint8_t direction)
{
    return direction == 0 ? QByteArrayLiteral(":F-#") : QByteArrayLiteral(":F+#");
}

QByteArray WithLineEndings(QByteArray text, bool cr, bool lf)
{
    if (cr)
        text += '\r';
    if (lf)
        text += '\n';
    return text;
}

ReplyKind ReplyKindOf(const QByteArray& command)
{
    if (command == GetRACommand || command == GetDecCommand || command == DistanceBarsCommand
        || command == SyncCommand)
        return ReplyKind::Text;
    if (command.startsWith(":Sr") || command.startsWith(":Sd"))
        return ReplyKind::Digit;
    if (command == SlewCommand)
        return ReplyKind::Slew;
    return ReplyKind::None;
}

qsizetype FramedLength(ReplyKind kind, const QByteArray& buffer)
{
    if (buffer.isEmpty())
        return 0;
    switch (kind) {
    case ReplyKind::None:
        return 0;
    case ReplyKind::Digit:
        return 1;
    case ReplyKind::Slew:
        if (buffer[0] == '0')
            return 1;
        [[fallthrough]];
    case ReplyKind::Text: {
        const qsizetype hash = buffer.indexOf('#');
        return hash < 0 ? 0 : hash + 1;
    }
    }
    return 0;
}

void DropForeignLead(ReplyKind kind, QByteArray& buffer)
{
    if (kind != ReplyKind::Digit)
        return;
    qsizetype i = 0;
    while (i < buffer.size() && buffer[i] != '0' && buffer[i] != '1')
        ++i;
    buffer.remove(0, i);
}

bool ReplyAccepted(ReplyKind kind, const QByteArray& reply)
{
    switch (kind) {
    case ReplyKind::Digit: return reply == "1";
    case ReplyKind::Slew: return reply == "0";
    default: return true;
    }
}

QByteArray RefusalReason(const QByteArray& reply)
{
    QByteArray reason;
    for (qsizetype i = 1; i < reply.size() && reply[i] != '#'; ++i)
        if (reply[i] >= ' ' && reply[i] < 0x7F)
            reason += reply[i];
    return reason.trimmed();
}

std::optional<double> ParseRAReply(const QByteArray& reply)
{
    const auto b = body(reply);
    // HH:MM.T or HH:MM:SS
    if (!b || (b->size() != 7 && b->size() != 8) || !digits(*b, 0, 2) || b->at(2) != ':' || !digits(*b, 3, 2))
        return std::nullopt;
    const bool tenths = b->size() == 7 && b->at(5) == '.' && digits(*b, 6, 1);
    const bool seconds = b->size() == 8 && b->at(5) == ':' && digits(*b, 6, 2) && number(*b, 6, 2) < 60;
    if (!tenths && !seconds)
        return std::nullopt;
    const int hours = number(*b, 0, 2);
    const int minutes = number(*b, 3, 2);
    if (hours > 23 || minutes > 59)
        return std::nullopt;
    return (hours * 3600.0 + minutes * 60.0) * 15.0;
}

std::optional<double> ParseDecReply(const QByteArray& reply)
{
    const auto b = body(reply);
    // sDD*MM, or in long precision sDD*MM'SS (some mounts put ':' before the
    // seconds); the sign may be missing on northern replies.
    if (!b || b->size() < 5)
        return std::nullopt;
    QByteArray t = *b;
    double sign = 1;
    if (t[0] == '+' || t[0] == '-') {
        sign = t[0] == '-' ? -1 : 1;
        t.remove(0, 1);
    }
    if ((t.size() != 5 && t.size() != 8) || !digits(t, 0, 2) || digits(t, 2, 1) || !digits(t, 3, 2))
        return std::nullopt;
    const int degrees = number(t, 0, 2);
    const int minutes = number(t, 3, 2);
    int seconds = 0;
    if (t.size() == 8) {
        if ((t[5] != ':' && t[5] != '\'') || !digits(t, 6, 2))
            return std::nullopt;
        seconds = number(t, 6, 2);
    }
    if (minutes > 59 || seconds > 59 || degrees * 3600 + minutes * 60 + seconds > 90 * 3600)
        return std::nullopt;
    return sign * (degrees * 3600.0 + minutes * 60.0);
}

namespace {
QByteArray beforeTerminator(const QByteArray& reply, qsizetype most)
{
    const qsizetype end = reply.indexOf('#');
    return reply.left(end < 0 ? most : qMin(end, most));
}
}   // namespace

QByteArray ShownRA(const QByteArray& reply) { return beforeTerminator(reply, 8); }
QByteArray ShownDec(const QByteArray& reply) { return beforeTerminator(reply, 9); }

bool SlewEnded(const QByteArray& reply) { return !reply.contains('\x7F') && !reply.contains('|'); }

} // namespace Lx200
