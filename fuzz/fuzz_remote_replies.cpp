// Remote-control replies as the client reads them, from arbitrary bytes: a
// reply is acted on only once it is whole (every shorter prefix reads as
// incomplete), bytes after it do not change it, and what the server builds
// reads back as it was built: the item's bytes unchanged, a refusal's
// reason on one line (line breaks become blanks), a long one cut before a
// character.

#include "fuzz_check.h"
#include "platform/remote_protocol.h"

#include <cstdint>

using namespace platform::remote;

namespace {

bool same(const Reply& a, const Reply& b)
{
    return a.kind == b.kind && a.data == b.data && a.reason == b.reason;
}

// The length of a whole reply at the start of bytes.
int replyLength(const QByteArray& bytes, const Reply& r)
{
    const int lf = bytes.indexOf('\n');
    return r.kind == Reply::Kind::Data ? lf + 1 + static_cast<int>(r.data.size()) : lf + 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));

    const Reply read = ParseReply(bytes);
    const int length = replyLength(bytes, read);
    // The replies a server sends: a refusal's line holds at most the longest reason.
    const bool sendable = read.kind == Reply::Kind::Ack || read.kind == Reply::Kind::Data
                          || (read.kind == Reply::Kind::Nack && length <= kMaxReasonBytes + 6);
    if (sendable) {
        NJ_FUZZ_CHECK(length <= bytes.size(), QStringLiteral("a reply longer than its bytes"));
        for (int k = 0; k < length; ++k)
            NJ_FUZZ_CHECK(ParseReply(bytes.left(k)).kind == Reply::Kind::Incomplete,
                          QStringLiteral("acted on %1 of %2 bytes").arg(k).arg(length));
        NJ_FUZZ_CHECK(same(ParseReply(bytes + "ACK\n"), read), QStringLiteral("changed by the bytes after it"));
        NJ_FUZZ_CHECK(!read.reason.contains(QLatin1Char('\n')), read.reason);
    }

    // The server's replies read back.
    if (bytes.size() <= kMaxMacroBytes) {
        const Reply item = ParseReply(DataReply(bytes));
        NJ_FUZZ_CHECK(item.kind == Reply::Kind::Data && item.data == bytes, QString::fromUtf8(bytes.left(80)));
    }
    const QString reason = QString::fromUtf8(bytes);
    QString oneLine = reason;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const Reply refusal = ParseReply(NackReply(reason));
    NJ_FUZZ_CHECK(refusal.kind == Reply::Kind::Nack, QStringLiteral("a refusal not read as one"));
    const QByteArray sent = refusal.reason.toUtf8();
    // Whole, or cut to the longest reason before a character.
    NJ_FUZZ_CHECK(refusal.reason == oneLine
                      || (oneLine.startsWith(refusal.reason) && sent.size() <= kMaxReasonBytes
                          && sent.size() > kMaxReasonBytes - 4),
                  refusal.reason.left(80));
    NJ_FUZZ_CHECK(ParseReply(AckReply()).kind == Reply::Kind::Ack, QStringLiteral("ACK"));
    return 0;
}
