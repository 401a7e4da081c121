// Mount replies: whatever a mount answers, a position read from it lies on
// the sky (right ascension within the day, declination within its range), and
// the texts shown from a reply stay short.

#include "fuzz_check.h"
#include "telescope/lx200_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray reply(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto ra = Lx200::ParseRAReply(reply))
        NJ_FUZZ_CHECK(*ra >= 0 && *ra < 24 * 3600 * 15.0, QString::fromLatin1(reply.toHex()));
    if (const auto dec = Lx200::ParseDecReply(reply))
        // Degrees up to 90 and minutes up to 59, as the parser reads them.
        NJ_FUZZ_CHECK(*dec >= -(90 * 3600 + 59 * 60) && *dec <= 90 * 3600 + 59 * 60, QString::fromLatin1(reply.toHex()));
    NJ_FUZZ_CHECK(Lx200::ShownRA(reply).size() <= 7 && Lx200::ShownDec(reply).size() <= 8, QString());
    (void)Lx200::SlewEnded(reply);
    return 0;
}
