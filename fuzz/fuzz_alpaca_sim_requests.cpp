// The simulated Alpaca telescope's requests: whatever bytes reach one of its
// connections, and however they are cut into pieces, it frames the same
// requests from them (each body of its stated length, all within what was
// sent) and stops at the same point; and each request it frames gets one
// whole HTTP reply whose stated length is its body's, a device's JSON answer
// when it is a 200, while the telescope stays on the sky.

#include "fuzz_check.h"
#include "telescope/sim/alpaca_simulator.h"
#include "telescope/sim/http_request_framing.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <cmath>
#include <memory>

using Telescope::HttpRequest;
using Telescope::HttpTake;

namespace {

struct Framed {
    QList<HttpRequest> requests;
    HttpTake last = HttpTake::Incomplete;
    qsizetype consumed = 0;
};

bool same(const Framed& a, const Framed& b)
{
    if (a.last != b.last || a.consumed != b.consumed || a.requests.size() != b.requests.size())
        return false;
    for (qsizetype i = 0; i < a.requests.size(); ++i)
        if (a.requests[i].method != b.requests[i].method || a.requests[i].target != b.requests[i].target
            || a.requests[i].body != b.requests[i].body)
            return false;
    return true;
}

// Feeds the stream in the pieces given (the last piece takes what is left),
// taking requests after each piece as the server does.
Framed frame(const QByteArray& stream, const std::vector<qsizetype>& pieces)
{
    Framed f;
    QByteArray buffer;
    qsizetype at = 0;
    for (std::size_t i = 0; i <= pieces.size() && at < stream.size(); ++i) {
        const qsizetype n = i < pieces.size() ? std::min(pieces[i], stream.size() - at) : stream.size() - at;
        buffer += stream.mid(at, n);
        at += n;
        for (;;) {
            const qsizetype before = buffer.size();
            HttpRequest r;
            f.last = Telescope::TakeHttpRequest(buffer, r);
            if (f.last != HttpTake::Request)
                break;
            NJ_FUZZ_CHECK(buffer.size() < before, QStringLiteral("a request taken without taking a byte"));
            f.consumed += before - buffer.size();
            f.requests << r;
        }
        if (f.last == HttpTake::Unreadable)
            break;
    }
    return f;
}

// A reply's body, when its head is whole and states the body's length.
std::optional<QByteArray> bodyOf(const QByteArray& reply, int& status)
{
    const qsizetype end = reply.indexOf("\r\n\r\n");
    if (!reply.startsWith("HTTP/1.1 ") || end < 0)
        return std::nullopt;
    status = reply.mid(9, 3).toInt();
    const qsizetype at = reply.indexOf("\r\nContent-Length: ");
    if (at < 0 || at > end)
        return std::nullopt;
    const qsizetype length = reply.mid(at + 18, reply.indexOf("\r\n", at + 18) - at - 18).toLongLong();
    if (reply.size() - end - 4 != length)
        return std::nullopt;
    return reply.mid(end + 4);
}

Telescope::AlpacaSimulator& simulator()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Telescope::AlpacaSimulator sim(0, -1);
    return sim;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    std::vector<qsizetype> pieces;
    for (int n = in.ConsumeIntegralInRange(0, 8); n > 0; --n)
        pieces.push_back(in.ConsumeIntegralInRange<qsizetype>(0, 64));
    const bool connect = in.ConsumeBool();
    const std::string rest = in.ConsumeRemainingBytesAsString();
    const QByteArray stream(rest.data(), qsizetype(rest.size()));

    const Framed whole = frame(stream, {});
    const Framed cut = frame(stream, pieces);
    NJ_FUZZ_CHECK(same(whole, cut), QString::fromLatin1(stream.toPercentEncoding()));
    NJ_FUZZ_CHECK(whole.consumed <= stream.size(), QString::number(whole.consumed));
    for (const HttpRequest& r : whole.requests)
        NJ_FUZZ_CHECK(r.body.size() <= Telescope::kHttpRequestLimit, QString::number(r.body.size()));

    Telescope::AlpacaSimulator& sim = simulator();
    sim.update([connect](Telescope::AlpacaSimulator::State& s) {
        s = {};
        s.connected = connect;
    });
    for (qsizetype i = 0; i < std::min<qsizetype>(whole.requests.size(), 8); ++i) {
        const HttpRequest& r = whole.requests[i];
        bool hold = false;
        const QByteArray reply = sim.answer(r.method, r.target, r.body, hold);
        int status = 0;
        const auto body = bodyOf(reply, status);
        NJ_FUZZ_CHECK(body.has_value(), QString::fromLatin1(reply.toPercentEncoding()));
        NJ_FUZZ_CHECK(status == 200 || status == 400 || status == 404, QString::number(status));
        if (status == 200) {
            QJsonParseError error;
            const QJsonDocument json = QJsonDocument::fromJson(*body, &error);
            NJ_FUZZ_CHECK(json.isObject() && json.object().value(QStringLiteral("ErrorNumber")).isDouble(),
                          QString::fromUtf8(*body));
        }
        const auto st = sim.state();
        NJ_FUZZ_CHECK(std::isfinite(st.raHours) && st.raHours >= 0 && st.raHours < 24 && std::isfinite(st.decDegrees)
                          && std::fabs(st.decDegrees) <= 90,
                      QStringLiteral("%1 %2").arg(st.raHours).arg(st.decDegrees));
    }
    // Nothing of one input moves the telescope of the next.
    sim.update([](Telescope::AlpacaSimulator::State& s) { s = {}; });
    sim.clearCalls();
    return 0;
}
