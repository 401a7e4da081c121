// Remote-control requests from arbitrary bytes: the reader never holds more
// than one request's worth, reading byte by byte gives exactly what reading
// at once gives, and every request read is sent again unchanged by the
// client's builders (round trip).

#include "fuzz_check.h"
#include "platform/remote_protocol.h"

#include <algorithm>
#include <cstdint>
#include <vector>

using namespace platform::remote;

namespace {

struct Outcome {
    std::vector<Request> requests;
    QString error;
};

Outcome readAll(const QByteArray& bytes, int chunk)
{
    Outcome o;
    RequestReader reader;
    for (int i = 0; i < bytes.size(); i += chunk) {
        RequestReader::Status s = reader.feed(bytes.mid(i, chunk));
        while (s == RequestReader::Status::Ready) {
            o.requests.push_back(reader.take());
            s = reader.status();
        }
        if (s == RequestReader::Status::Bad) {
            o.error = reader.error();
            NJ_FUZZ_CHECK(!o.error.isEmpty(), QStringLiteral("a refusal without a reason"));
            return o;
        }
        NJ_FUZZ_CHECK(reader.buffered() <= kMaxHeaderBytes + kMaxMacroBytes + chunk,
                      QStringLiteral("%1 bytes held").arg(reader.buffered()));
    }
    return o;
}

bool same(const Request& a, const Request& b)
{
    return a.kind == b.kind && a.macro == b.macro && a.item == b.item;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const Outcome whole = readAll(bytes, static_cast<int>(std::max<std::size_t>(size, 1)));
    const Outcome bytewise = readAll(bytes, 1);
    NJ_FUZZ_CHECK(whole.error == bytewise.error, whole.error + QStringLiteral(" / ") + bytewise.error);
    NJ_FUZZ_CHECK(whole.requests.size() == bytewise.requests.size(), QStringLiteral("request counts differ"));
    for (std::size_t i = 0; i < whole.requests.size(); ++i) {
        const Request& r = whole.requests[i];
        NJ_FUZZ_CHECK(same(r, bytewise.requests[i]), r.macro + r.item);
        NJ_FUZZ_CHECK(r.macro.toUtf8().size() <= kMaxMacroBytes, QStringLiteral("macro too long"));
        const QByteArray again = r.kind == Request::Kind::Execute ? ExecuteRequest(r.macro) : RequestRequest(r.item);
        RequestReader reader;
        NJ_FUZZ_CHECK(reader.feed(again) == RequestReader::Status::Ready && same(reader.take(), r),
                      QString::fromUtf8(again.left(80)));
    }
    return 0;
}
