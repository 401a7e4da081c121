#pragma once
// The Alpaca side of the telescope-driver bridge, without any socket: the
// driver address, the replies of the REST API, the discovery exchange and
// the named rates of "ASComRates.ini". The worker (alpaca_bridge.h) and the
// simulated telescope server (sim/alpaca_simulator.h) both use it.

#include "telescope/ascom_bridge.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>
#include <vector>

namespace Alpaca {

// "host:port/N", the text of EDT_ASCOM_Telescope for an Alpaca telescope.
struct DeviceAddress {
    QString host;
    quint16 port = 0;
    int device = 0;
    QString text() const;
    // "http://host:port/api/v1/telescope/N/" + member.
    QString memberUrl(const QString& member) const;
    QString setupUrl() const;
};
// None for anything else (an old driver identifier included).
std::optional<DeviceAddress> ParseDeviceAddress(const QString& text);

// A member of a JSON object whatever the letter case of its key (devices
// differ); the exact key first.
QJsonValue Member(const QJsonObject& o, const QString& key);

// One reply of the REST API. ok only for a JSON object with ErrorNumber 0;
// otherwise error says why in one line.
struct Reply {
    bool ok = false;
    QJsonValue value;
    int errorNumber = 0;
    QString error;
};
// needValue: a reply without "Value" is an error (a read).
Reply ParseReply(const QByteArray& body, bool needValue);
// Typed reads of a reply's value; none when the value has another type.
std::optional<double> NumberOf(const QJsonValue& v);
std::optional<bool> BoolOf(const QJsonValue& v);
// One range of an axis's "axisrates", degrees per second, 0 <= minimum <=
// maximum.
struct RateRange {
    double minimum = 0;
    double maximum = 0;
};
// The ranges of an "axisrates" value; none when it is not a list of rate
// objects with a non-negative Maximum.
std::optional<std::vector<RateRange>> AxisRanges(const QJsonValue& v);
// The largest "Maximum" of an "axisrates" value (0 for an empty list);
// none when the value is not a list of rate objects.
std::optional<double> LargestMaximum(const QJsonValue& v);
// The rate a move may send for the chosen one (sign kept): the largest
// allowed rate not above it; 0 for 0; none when no range allows any rate
// up to it.
std::optional<double> AllowedRate(const std::vector<RateRange>& ranges, double rate);

// The discovery probe and the reply's port (none when not a valid reply).
inline const QByteArray DiscoveryProbe = QByteArrayLiteral("alpacadiscovery1");
inline constexpr quint16 kDiscoveryPort = 32227;
std::optional<quint16> ParseDiscoveryReply(const QByteArray& datagram);
QByteArray DiscoveryReply(quint16 alpacaPort);
// The telescopes of a "configureddevices" value: (name, device number).
QList<QPair<QString, int>> ConfiguredTelescopes(const QJsonValue& v);

// An HTTP/1.1 response read so far: complete once the headers and the
// Content-Length body are in (a body without a length ends with the
// connection: see closed). Status 0 for a response that cannot be one.
struct HttpResponse {
    bool complete = false;
    int status = 0;
    QByteArray body;
};
inline constexpr qsizetype kMaxResponse = 1 << 20;
HttpResponse ParseHttpResponse(const QByteArray& buffer, bool closed);
// The request bytes: method, path with query, host, form body.
QByteArray HttpRequest(const QByteArray& method, const QString& pathAndQuery, const QString& host, quint16 port,
                       const QByteArray& body);

// Form bodies and query strings: "Name=value&..." with the values encoded.
QByteArray FormBody(const QList<QPair<QString, QString>>& fields);
QString FormatNumber(double value);

// The named rates of "ASComRates.ini" (key, raw value in file order) that
// a driver whose fastest axis allows maxAxisRate degrees per second can
// take: a rate equal to it enters, a larger one not; a value that is not a
// number reads as 0, a negative one is left out.
std::vector<AscomBridge::RateRef> RatesWithin(const QList<QPair<QString, QString>>& entries, double maxAxisRate);
// Section [AxisRates] of a rates file's text, in file order.
QList<QPair<QString, QString>> ReadRateEntries(const QByteArray& fileText);

} // namespace Alpaca
