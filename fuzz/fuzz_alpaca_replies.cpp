// Alpaca replies: whatever a server sends, an HTTP response read whole is
// the same as one read byte by byte and its body is a part of the input;
// a JSON reply is either an answer or an error with a reason; a discovery
// reply gives a usable port; named rates stay within the fastest axis and
// are never negative; an address read back is written the same; an axis's
// ranges are ordered pairs and a move's rate is one they allow, never above
// the chosen one; an error is an error whatever the case of its keys.

#include "fuzz_check.h"
#include "telescope/alpaca/alpaca_protocol.h"

#include <QJsonValue>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString hex = QString::fromLatin1(input.toHex());

    for (const bool closed : {false, true}) {
        const Alpaca::HttpResponse whole = Alpaca::ParseHttpResponse(input, closed);
        if (whole.complete && whole.status)
            NJ_FUZZ_CHECK(input.contains(whole.body) && whole.status >= 100 && whole.status <= 599, hex);
        // Reading more never turns a complete response into another one.
        Alpaca::HttpResponse first;
        for (qsizetype n = 0; n <= input.size() && !first.complete; ++n)
            first = Alpaca::ParseHttpResponse(input.first(n), closed && n == input.size());
        if (first.complete && first.status && whole.status)
            NJ_FUZZ_CHECK(first.status == whole.status && first.body == whole.body, hex);
    }

    for (const bool needValue : {false, true}) {
        const Alpaca::Reply r = Alpaca::ParseReply(input, needValue);
        NJ_FUZZ_CHECK(r.ok == r.error.isEmpty(), hex);
        NJ_FUZZ_CHECK(!r.ok || r.errorNumber == 0, hex);
        if (r.ok && needValue)
            NJ_FUZZ_CHECK(!r.value.isUndefined(), hex);
        if (const auto largest = Alpaca::LargestMaximum(r.value))
            NJ_FUZZ_CHECK(std::isfinite(*largest) && *largest >= 0, hex);
        if (const auto ranges = Alpaca::AxisRanges(r.value)) {
            for (const Alpaca::RateRange& range : *ranges)
                NJ_FUZZ_CHECK(range.minimum >= 0 && range.minimum <= range.maximum, hex);
            for (const double chosen : {0.0, 0.5, -3.0, 1e300}) {
                const auto rate = Alpaca::AllowedRate(*ranges, chosen);
                if (!rate)
                    continue;
                bool inside = *rate == 0;
                for (const Alpaca::RateRange& range : *ranges)
                    inside = inside || (std::abs(*rate) >= range.minimum && std::abs(*rate) <= range.maximum);
                NJ_FUZZ_CHECK(inside && std::abs(*rate) <= std::abs(chosen) && (*rate < 0) == (chosen < 0), hex);
            }
        }
        // The same reply with its keys in lower case says the same.
        if (r.errorNumber != 0 && input.toLower().count("errornumber") == 1)
            NJ_FUZZ_CHECK(!Alpaca::ParseReply(input.toLower(), needValue).ok, hex);
        for (const auto& [name, number] : Alpaca::ConfiguredTelescopes(r.value))
            NJ_FUZZ_CHECK(number >= 0 && number <= 9999 && name.size() <= 200, hex);
    }
    if (const auto port = Alpaca::ParseDiscoveryReply(input))
        NJ_FUZZ_CHECK(*port > 0 && Alpaca::ParseDiscoveryReply(Alpaca::DiscoveryReply(*port)) == port, hex);

    const auto entries = Alpaca::ReadRateEntries(input);
    for (const double maxRate : {0.0, 1.5, 1e300}) {
        const auto rates = Alpaca::RatesWithin(entries, maxRate);
        NJ_FUZZ_CHECK(rates.size() <= std::size_t(entries.size()), hex);
        for (const auto& rate : rates)
            NJ_FUZZ_CHECK(rate->Rate >= 0 && rate->Rate <= maxRate && rate->Maximum == rate->Rate, hex);
    }

    if (const auto address = Alpaca::ParseDeviceAddress(QString::fromLatin1(input))) {
        const auto again = Alpaca::ParseDeviceAddress(address->text());
        NJ_FUZZ_CHECK(again && again->text() == address->text() && address->port > 0, hex);
    }
    return 0;
}
