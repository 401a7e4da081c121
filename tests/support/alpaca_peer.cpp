#include "support/alpaca_peer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {
namespace {

std::int64_t monotonic_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int bindLocal(int type, quint16& port)
{
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(a.sin_port);
    return fd;
}

void sendAll(int fd, const QByteArray& bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += n;
    }
}

// Parameters of a query string or form body, names in lower case (Alpaca
// names are not case sensitive).
QMap<QString, QString> paramsOf(const QByteArray& text)
{
    QMap<QString, QString> out;
    const QUrlQuery q(QString::fromUtf8(text).replace(u'+', u' '));
    for (const auto& [k, v] : q.queryItems(QUrl::FullyDecoded))
        out.insert(k.toLower(), v);
    return out;
}

QString shownParams(const QByteArray& text)
{
    QStringList kept;
    for (const QByteArray& part : text.split('&')) {
        const QByteArray name = part.left(part.indexOf('=') < 0 ? part.size() : part.indexOf('=')).toLower();
        if (!part.isEmpty() && name != "clientid" && name != "clienttransactionid")
            kept << QString::fromUtf8(QByteArray::fromPercentEncoding(part));
    }
    return kept.join(u'&');
}

} // namespace

AlpacaPeer::AlpacaPeer(bool discovery)
{
    started_ns_ = monotonic_ns();
    listenFd_ = bindLocal(SOCK_STREAM, port_);
    if (listenFd_ >= 0 && ::listen(listenFd_, 16) == 0)
        acceptThread_ = std::thread([this] { acceptLoop(); });
    if (discovery) {
        udpFd_ = bindLocal(SOCK_DGRAM, discoveryPort_);
        if (udpFd_ >= 0)
            discoveryThread_ = std::thread([this] { discoveryLoop(); });
    }
}

AlpacaPeer::~AlpacaPeer()
{
    stopping_ = true;
    {
        std::lock_guard lock(mutex_);
        for (int fd : openFds_)
            ::shutdown(fd, SHUT_RDWR);
    }
    if (acceptThread_.joinable())
        acceptThread_.join();
    if (discoveryThread_.joinable())
        discoveryThread_.join();
    for (std::thread& t : connections_)
        if (t.joinable())
            t.join();
    if (listenFd_ >= 0)
        ::close(listenFd_);
    if (udpFd_ >= 0)
        ::close(udpFd_);
}

qint64 AlpacaPeer::now_ms() const { return (monotonic_ns() - started_ns_) / 1000000; }

void AlpacaPeer::configure(const std::function<void(Config&)>& change)
{
    std::lock_guard lock(mutex_);
    change(config_);
}

AlpacaPeer::State AlpacaPeer::state()
{
    std::lock_guard lock(mutex_);
    advance();
    return state_;
}

void AlpacaPeer::setState(const std::function<void(State&)>& change)
{
    std::lock_guard lock(mutex_);
    change(state_);
}

std::vector<AlpacaPeer::Call> AlpacaPeer::calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

QStringList AlpacaPeer::callTexts(const QString& prefix) const
{
    QStringList out;
    for (const Call& c : calls())
        if (c.text().startsWith(prefix))
            out << c.text();
    return out;
}

void AlpacaPeer::clearCalls()
{
    std::lock_guard lock(mutex_);
    calls_.clear();
}

bool AlpacaPeer::waitForCalls(const QString& prefix, int count, int timeout_ms) const
{
    const qint64 end = now_ms() + timeout_ms;
    while (now_ms() < end) {
        if (callTexts(prefix).size() >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return callTexts(prefix).size() >= count;
}

void AlpacaPeer::advance()
{
    if (state_.slewing && slewEnd_ms_ >= 0 && now_ms() >= slewEnd_ms_) {
        state_.slewing = false;
        state_.raHours = targetRa_;
        state_.decDegrees = targetDec_;
        slewEnd_ms_ = -1;
    }
}

void AlpacaPeer::acceptLoop()
{
    while (!stopping_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard lock(mutex_);
        openFds_.push_back(fd);
        connections_.emplace_back([this, fd] { serve(fd); });
    }
}

void AlpacaPeer::discoveryLoop()
{
    while (!stopping_) {
        pollfd p{udpFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        char buffer[256];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n = ::recvfrom(udpFd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n > 0 && QByteArray(buffer, int(n)).startsWith("alpacadiscovery1")) {
            const QByteArray reply = "{\"AlpacaPort\":" + QByteArray::number(port_) + "}";
            ::sendto(udpFd_, reply.constData(), size_t(reply.size()), 0, reinterpret_cast<sockaddr*>(&from), len);
        }
    }
}

void AlpacaPeer::serve(int fd)
{
    QByteArray buffer;
    qsizetype headerEnd = -1;
    qsizetype length = 0;
    while (!stopping_) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        char chunk[4096];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            break;
        buffer.append(chunk, n);
        if (headerEnd < 0 && (headerEnd = buffer.indexOf("\r\n\r\n")) >= 0) {
            for (const QByteArray& line : buffer.left(headerEnd).split('\n'))
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
        }
        if (headerEnd >= 0 && buffer.size() >= headerEnd + 4 + length)
            break;
    }
    if (headerEnd < 0 || stopping_) {
        ::close(fd);
        return;
    }
    const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
    const QString method = QString::fromLatin1(requestLine.value(0));
    const QByteArray target = requestLine.value(1);
    const qsizetype mark = target.indexOf('?');
    const QByteArray query = mark >= 0 ? target.mid(mark + 1) : QByteArray();
    const QByteArray body = buffer.mid(headerEnd + 4, length);
    const QByteArray form = method == QLatin1String("PUT") ? body : query;
    const QString path = QString::fromLatin1(mark >= 0 ? target.left(mark) : target).toLower();

    Fault fault;
    int delay = 0;
    Call call{now_ms(), method, path.section(u'/', -1), shownParams(form)};
    QByteArray json;
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
        json = answer(method, path, paramsOf(form), fault, delay);
    }
    const qint64 due = call.at_ms + delay;
    while (!stopping_ && (fault.hang || now_ms() < due))
        std::this_thread::sleep_for(std::chrono::milliseconds(fault.hang ? 20 : std::clamp<qint64>(due - now_ms(), 1, 20)));
    if (!stopping_) {
        const int status = fault.httpStatus ? fault.httpStatus : 200;
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Error")
                           + "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(json.size())
                           + "\r\nConnection: close\r\n\r\n" + json;
        if (fault.cut)
            reply = reply.left(reply.size() - json.size() / 2);
        sendAll(fd, reply);
    }
    {
        std::lock_guard lock(mutex_);
        std::erase(openFds_, fd);
    }
    ::close(fd);
}

QByteArray AlpacaPeer::answer(const QString& method, const QString& path, const QMap<QString, QString>& params,
                              Fault& fault, int& delay_ms)
{
    advance();
    const Config& c = config_;
    const QString member = path.section(u'/', -1);
    delay_ms = c.delayOf.value(member, c.delay_ms);
    for (const QString& key : {member, QStringLiteral("*")}) {
        auto it = config_.faults.find(key);
        if (it != config_.faults.end() && it->count != 0) {
            fault = *it;
            if (it->count > 0)
                --it->count;
            break;
        }
    }
    const QString keyValue = c.lowerCaseKeys ? QStringLiteral("value") : QStringLiteral("Value");
    const QString keyNumber = c.lowerCaseKeys ? QStringLiteral("errornumber") : QStringLiteral("ErrorNumber");
    const QString keyMessage = c.lowerCaseKeys ? QStringLiteral("errormessage") : QStringLiteral("ErrorMessage");
    QJsonObject o;
    o.insert(c.lowerCaseKeys ? QStringLiteral("servertransactionid") : QStringLiteral("ServerTransactionID"),
             double(++serverTransaction_));
    o.insert(c.lowerCaseKeys ? QStringLiteral("clienttransactionid") : QStringLiteral("ClientTransactionID"),
             params.value(QStringLiteral("clienttransactionid")).toDouble());
    auto error = [&](int number, const QString& text) {
        o.insert(keyNumber, number);
        o.insert(keyMessage, text);
        return QJsonDocument(o).toJson(QJsonDocument::Compact);
    };
    auto value = [&](const QJsonValue& v) {
        if (method == QLatin1String("GET"))
            o.insert(keyValue, v);
        o.insert(keyNumber, 0);
        o.insert(keyMessage, QString());
        return QJsonDocument(o).toJson(QJsonDocument::Compact);
    };
    if (fault.errorNumber)
        return error(fault.errorNumber, QStringLiteral("refusé par la monture"));

    if (path == QLatin1String("/management/v1/configureddevices")) {
        QJsonArray devices;
        devices.append(QJsonObject{{QStringLiteral("DeviceName"), c.name},
                                   {QStringLiteral("DeviceType"), QStringLiteral("Telescope")},
                                   {QStringLiteral("DeviceNumber"), 0},
                                   {QStringLiteral("UniqueID"), QStringLiteral("peer-%1").arg(port_)}});
        devices.append(QJsonObject{{QStringLiteral("DeviceName"), QStringLiteral("Roue à filtres")},
                                   {QStringLiteral("DeviceType"), QStringLiteral("FilterWheel")},
                                   {QStringLiteral("DeviceNumber"), 0}});
        return value(devices);
    }
    if (!path.startsWith(QLatin1String("/api/v1/telescope/0/")))
        return error(0x400, QStringLiteral("pas de tel appareil"));
    const bool get = method == QLatin1String("GET");
    const auto axis = [&] { return params.value(QStringLiteral("axis")).toInt(); };
    const auto number = [&](const char* name) { return params.value(QString::fromLatin1(name)).toDouble(); };
    State& s = state_;
    if (member == QLatin1String("connected")) {
        if (get)
            return value(s.connected);
        s.connected = params.value(QStringLiteral("connected")).compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0;
        if (!s.connected)
            s.axisRate = {};
        return value({});
    }
    if (member == QLatin1String("name"))
        return value(c.name);
    if (member == QLatin1String("canmoveaxis"))
        return value(axis() >= 0 && axis() < 3 && c.canMoveAxis[std::size_t(axis())]);
    if (member == QLatin1String("axisrates")) {
        QJsonArray list;
        if (axis() >= 0 && axis() < 3)
            for (const auto& [low, high] : c.ranges[std::size_t(axis())])
                list.append(QJsonObject{{c.lowerCaseKeys ? QStringLiteral("minimum") : QStringLiteral("Minimum"), low},
                                        {c.lowerCaseKeys ? QStringLiteral("maximum") : QStringLiteral("Maximum"), high}});
        return value(list);
    }
    for (const auto& [name, flag] : {std::pair{"canslew", c.canSlew}, {"canslewasync", c.canSlewAsync},
                                     {"cansync", c.canSync}, {"canpulseguide", c.canPulseGuide}})
        if (member == QLatin1String(name))
            return value(flag);
    if (!s.connected)
        return error(0x407, QStringLiteral("non connecté"));
    if (member == QLatin1String("rightascension"))
        return value(s.raHours);
    if (member == QLatin1String("declination"))
        return value(s.decDegrees);
    if (member == QLatin1String("slewing"))
        return value(s.slewing);
    if (member == QLatin1String("moveaxis")) {
        const int a = axis();
        const double rate = number("rate");
        if (a < 0 || a > 1 || !c.canMoveAxis[std::size_t(a)])
            return error(0x400, QStringLiteral("axe immobile"));
        bool allowed = rate == 0;
        for (const auto& [low, high] : c.ranges[std::size_t(a)])
            allowed = allowed || (std::abs(rate) >= low && std::abs(rate) <= high);
        if (!allowed)
            return error(0x401, QStringLiteral("vitesse %1 hors des limites").arg(rate));
        s.axisRate[std::size_t(a)] = rate;
        return value({});
    }
    if (member == QLatin1String("slewtocoordinatesasync") || member == QLatin1String("slewtocoordinates")) {
        targetRa_ = number("rightascension");
        targetDec_ = number("declination");
        s.slewing = true;
        slewEnd_ms_ = now_ms() + c.slewDuration_ms;
        return value({});
    }
    if (member == QLatin1String("synctocoordinates")) {
        s.raHours = number("rightascension");
        s.decDegrees = number("declination");
        return value({});
    }
    if (member == QLatin1String("abortslew")) {
        s.slewing = false;
        slewEnd_ms_ = -1;
        return value({});
    }
    if (member == QLatin1String("pulseguide"))
        return value({});
    return error(0x400, QStringLiteral("non géré"));
}

} // namespace testsupport
