#include "telescope/alpaca/alpaca_protocol.h"

#include "platform/ini_document.h"
#include "platform/platform_texts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>
#include <cmath>

namespace Alpaca {

QJsonValue Member(const QJsonObject& o, const QString& key)
{
    const auto exact = o.constFind(key);
    if (exact != o.constEnd())
        return *exact;
    for (auto it = o.constBegin(); it != o.constEnd(); ++it)
        if (it.key().compare(key, Qt::CaseInsensitive) == 0)
            return *it;
    return QJsonValue(QJsonValue::Undefined);
}

QString DeviceAddress::text() const { return QStringLiteral("%1:%2/%3").arg(host).arg(port).arg(device); }

QString DeviceAddress::memberUrl(const QString& member) const
{
    return QStringLiteral("http://%1:%2/api/v1/telescope/%3/").arg(host).arg(port).arg(device) + member;
}

QString DeviceAddress::setupUrl() const
{
    return QStringLiteral("http://%1:%2/setup/v1/telescope/%3/setup").arg(host).arg(port).arg(device);
}

std::optional<DeviceAddress> ParseDeviceAddress(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^([A-Za-z0-9.\\-]{1,253}):(\\d{1,5})/(\\d{1,4})$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const uint port = m.captured(2).toUInt();
    if (port == 0 || port > 65535)
        return std::nullopt;
    return DeviceAddress{m.captured(1), quint16(port), m.captured(3).toInt()};
}

Reply ParseReply(const QByteArray& body, bool needValue)
{
    Reply r;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        r.error = platform::text(platform::PlatformText::MSG_Alpaca_Reponse_Illisible);
        return r;
    }
    const QJsonObject o = doc.object();
    const QJsonValue number = Member(o, QStringLiteral("ErrorNumber"));
    if (!number.isUndefined() && !number.isDouble()) {
        r.error = platform::text(platform::PlatformText::MSG_Alpaca_Reponse_Illisible);
        return r;
    }
    r.errorNumber = number.isDouble() ? int(std::clamp(number.toDouble(), -2147483648.0, 2147483647.0)) : 0;
    if (r.errorNumber != 0) {
        r.error = platform::text(platform::PlatformText::MSG_Alpaca_Erreur)
                      .arg(r.errorNumber)
                      .arg(Member(o, QStringLiteral("ErrorMessage")).toString().left(200));
        return r;
    }
    r.value = Member(o, QStringLiteral("Value"));
    if (needValue && r.value.isUndefined()) {
        r.error = platform::text(platform::PlatformText::MSG_Alpaca_Sans_Valeur);
        return r;
    }
    r.ok = true;
    return r;
}

std::optional<double> NumberOf(const QJsonValue& v)
{
    if (!v.isDouble() || !std::isfinite(v.toDouble()))
        return std::nullopt;
    return v.toDouble();
}

std::optional<bool> BoolOf(const QJsonValue& v)
{
    if (!v.isBool())
        return std::nullopt;
    return v.toBool();
}

std::optional<std::vector<RateRange>> AxisRanges(const QJsonValue& v)
{
    if (!v.isArray())
        return std::nullopt;
    std::vector<RateRange> out;
    for (const QJsonValue& item : v.toArray()) {
        if (!item.isObject() || out.size() >= 100)
            return std::nullopt;
        const auto minimum = NumberOf(Member(item.toObject(), QStringLiteral("Minimum")));
        const auto maximum = NumberOf(Member(item.toObject(), QStringLiteral("Maximum")));
        if (!maximum || *maximum < 0)
            return std::nullopt;
        // A range without its minimum starts at 0; an inverted one is read
        // as the single rate of its maximum.
        const double low = std::clamp(minimum.value_or(0.0), 0.0, *maximum);
        out.push_back({low, *maximum});
    }
    return out;
}

std::optional<double> LargestMaximum(const QJsonValue& v)
{
    const auto ranges = AxisRanges(v);
    if (!ranges)
        return std::nullopt;
    double largest = 0;
    for (const RateRange& r : *ranges)
        largest = std::max(largest, r.maximum);
    return largest;
}

std::optional<double> AllowedRate(const std::vector<RateRange>& ranges, double rate)
{
    if (!std::isfinite(rate))
        return std::nullopt;
    const double wanted = std::abs(rate);
    if (wanted == 0)
        return 0.0;
    std::optional<double> best;
    for (const RateRange& r : ranges)
        if (r.minimum <= wanted)
            best = std::max(best.value_or(0.0), std::min(wanted, r.maximum));
    if (!best || *best <= 0)
        return std::nullopt;
    return rate < 0 ? -*best : *best;
}

std::optional<quint16> ParseDiscoveryReply(const QByteArray& datagram)
{
    const QJsonDocument doc = QJsonDocument::fromJson(datagram);
    if (!doc.isObject())
        return std::nullopt;
    const auto port = NumberOf(Member(doc.object(), QStringLiteral("AlpacaPort")));
    if (!port || *port < 1 || *port > 65535 || *port != std::floor(*port))
        return std::nullopt;
    return quint16(*port);
}

QByteArray DiscoveryReply(quint16 alpacaPort)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("AlpacaPort"), int(alpacaPort)}}).toJson(QJsonDocument::Compact);
}

QList<QPair<QString, int>> ConfiguredTelescopes(const QJsonValue& v)
{
    QList<QPair<QString, int>> out;
    for (const QJsonValue& item : v.toArray()) {
        if (out.size() >= 100)
            break;
        const QJsonObject o = item.toObject();
        const auto number = NumberOf(Member(o, QStringLiteral("DeviceNumber")));
        if (Member(o, QStringLiteral("DeviceType")).toString().compare(QStringLiteral("Telescope"), Qt::CaseInsensitive) != 0
            || !number || *number < 0 || *number > 9999)
            continue;
        out.append({Member(o, QStringLiteral("DeviceName")).toString().left(200), int(*number)});
    }
    return out;
}

HttpResponse ParseHttpResponse(const QByteArray& buffer, bool closed)
{
    HttpResponse r;
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        r.complete = closed || buffer.size() > kMaxResponse;
        return r;
    }
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
    bool ok = false;
    const int status = statusLine.value(1).toInt(&ok);
    if (!statusLine.value(0).startsWith("HTTP/1.") || !ok || status < 100 || status > 599) {
        r.complete = true;
        return r;
    }
    qsizetype length = -1;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.toLower().startsWith("content-length:")) {
            const qlonglong n = line.mid(15).trimmed().toLongLong(&ok);
            if (!ok || n < 0 || n > kMaxResponse) {
                r.complete = true;
                return r;
            }
            length = qsizetype(n);
        }
    }
    const QByteArray body = buffer.mid(end + 4);
    if (length >= 0 ? body.size() < length : !closed) {
        r.complete = buffer.size() > kMaxResponse + end + 4;
        return r;
    }
    r.complete = true;
    r.status = status;
    r.body = length >= 0 ? body.left(length) : body;
    return r;
}

QByteArray HttpRequest(const QByteArray& method, const QString& pathAndQuery, const QString& host, quint16 port,
                       const QByteArray& body)
{
    QByteArray out = method + ' ' + pathAndQuery.toLatin1() + " HTTP/1.1\r\nHost: " + host.toLatin1() + ':'
                     + QByteArray::number(port) + "\r\nAccept: application/json\r\nConnection: close\r\n";
    if (method == "PUT")
        out += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " + QByteArray::number(body.size())
               + "\r\n";
    return out + "\r\n" + body;
}

QByteArray FormBody(const QList<QPair<QString, QString>>& fields)
{
    QByteArray out;
    for (const auto& [name, value] : fields) {
        if (!out.isEmpty())
            out += '&';
        out += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return out;
}

QString FormatNumber(double value) { return QString::number(value, 'g', 17); }

std::vector<AscomBridge::RateRef> RatesWithin(const QList<QPair<QString, QString>>& entries, double maxAxisRate)
{
    std::vector<AscomBridge::RateRef> out;
    for (const auto& [name, text] : entries) {
        bool ok = false;
        double rate = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(rate))
            rate = 0;
        if (rate < 0 || rate > maxAxisRate)
            continue;
        out.push_back(std::make_shared<AscomBridge::TASCOMRate>(AscomBridge::TASCOMRate{name, rate, 0, rate}));
    }
    return out;
}

QList<QPair<QString, QString>> ReadRateEntries(const QByteArray& fileText)
{
    platform::IniDocument ini;
    ini.setBytes(fileText);
    QList<QPair<QString, QString>> out;
    const QString section = QStringLiteral("AxisRates");
    for (const QString& key : ini.readSection(section))
        out.append({key, ini.readString(section, key, QString())});
    return out;
}

} // namespace Alpaca
