// Mount replies: whatever a mount answers, a position read from it lies on
// the sky (right ascension within the day, declination within +-90 degrees),
// a framed reply is a prefix of what was received, a one-character reply
// skips only bytes that cannot begin it, a refusal's reason is printable,
// and the texts shown from a reply stay short, start it and never hold its
// terminator.

#include "fuzz_check.h"
#include "telescope/lx200_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray reply(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString hex = QString::fromLatin1(reply.toHex());
    if (const auto ra = Lx200::ParseRAReply(reply))
        NJ_FUZZ_CHECK(*ra >= 0 && *ra < 24 * 3600 * 15.0, hex);
    if (const auto dec = Lx200::ParseDecReply(reply))
        NJ_FUZZ_CHECK(*dec >= -90 * 3600 && *dec <= 90 * 3600, hex);
    for (const auto& [shown, most] : {std::pair{Lx200::ShownRA(reply), 8}, std::pair{Lx200::ShownDec(reply), 9}})
        NJ_FUZZ_CHECK(shown.size() <= most && reply.startsWith(shown) && !shown.contains('#'), hex);
    NJ_FUZZ_CHECK(Lx200::SlewEnded(reply) == (!reply.contains('\x7F') && !reply.contains('|')), hex);

    for (const auto kind : {Lx200::ReplyKind::None, Lx200::ReplyKind::Text, Lx200::ReplyKind::Digit,
                            Lx200::ReplyKind::Slew}) {
        const qsizetype n = Lx200::FramedLength(kind, reply);
        NJ_FUZZ_CHECK(n >= 0 && n <= reply.size(), hex);
        if (n > 0 && kind != Lx200::ReplyKind::Digit && !(kind == Lx200::ReplyKind::Slew && reply[0] == '0'))
            NJ_FUZZ_CHECK(reply[n - 1] == '#' && !reply.first(n - 1).contains('#'), hex);
        if (n > 0)
            (void)Lx200::ReplyAccepted(kind, reply.first(n));
        // What stays of a reply once the bytes that cannot begin it are
        // dropped is its own end; a one-character reply then starts with
        // "0" or "1", and nothing is dropped from the others.
        QByteArray kept = reply;
        Lx200::DropForeignLead(kind, kept);
        NJ_FUZZ_CHECK(reply.endsWith(kept), hex);
        if (kind == Lx200::ReplyKind::Digit)
            NJ_FUZZ_CHECK(kept.isEmpty() ? !reply.contains('0') && !reply.contains('1')
                                         : (kept[0] == '0' || kept[0] == '1'),
                          hex);
        else
            NJ_FUZZ_CHECK(kept == reply, hex);
    }
    const QByteArray reason = Lx200::RefusalReason(reply);
    NJ_FUZZ_CHECK(reason.size() < qMax<qsizetype>(reply.size(), 1), hex);
    for (const char c : reason)
        NJ_FUZZ_CHECK(c >= ' ' && c < 0x7F, hex);
    return 0;
}
