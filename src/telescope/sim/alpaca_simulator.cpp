#include "telescope/sim/alpaca_simulator.h"

#include "telescope/alpaca/alpaca_protocol.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QUrlQuery>
#include <cmath>
#include <future>

namespace Telescope {

namespace {

QElapsedTimer& monotonic()
{
    static QElapsedTimer t = [] {
        QElapsedTimer e;
        e.start();
        return e;
    }();
    return t;
}

QByteArray httpReply(int status, const QByteArray& body)
{
    return "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Error")
           + "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size())
           + "\r\nConnection: keep-alive\r\n\r\n" + body;
}

} // namespace

class AlpacaSimulator::Server : public QObject {
public:
    Server(AlpacaSimulator& sim) : sim_(sim) {}

    void start(quint16 port, int discoveryPort, const QHostAddress& address, std::promise<std::pair<quint16, quint16>>& ready)
    {
        tcp_ = new QTcpServer(this);
        QObject::connect(tcp_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = tcp_->nextPendingConnection()) {
                s->setParent(this);
                QObject::connect(s, &QTcpSocket::readyRead, this, [this, s] { read(s); });
                QObject::connect(s, &QTcpSocket::disconnected, this, [this, s] {
                    buffers_.erase(s);
                    s->deleteLater();
                });
            }
        });
        quint16 tcpPort = tcp_->listen(address, port) ? tcp_->serverPort() : 0;
        quint16 udpPort = 0;
        if (discoveryPort >= 0) {
            udp_ = new QUdpSocket(this);
            if (udp_->bind(address, quint16(discoveryPort))) {
                udpPort = udp_->localPort();
                QObject::connect(udp_, &QUdpSocket::readyRead, this, [this, tcpPort] {
                    while (udp_->hasPendingDatagrams()) {
                        QByteArray datagram(int(std::min<qint64>(udp_->pendingDatagramSize(), 1024)), 0);
                        QHostAddress from;
                        quint16 fromPort = 0;
                        udp_->readDatagram(datagram.data(), datagram.size(), &from, &fromPort);
                        if (datagram.startsWith(Alpaca::DiscoveryProbe))
                            udp_->writeDatagram(Alpaca::DiscoveryReply(tcpPort), from, fromPort);
                    }
                });
            }
        }
        ready.set_value({tcpPort, udpPort});
    }

private:
    void read(QTcpSocket* s)
    {
        QByteArray& buffer = buffers_[s];
        buffer += s->readAll();
        for (;;) {
            const qsizetype end = buffer.indexOf("\r\n\r\n");
            if (end < 0 || buffer.size() > (1 << 20)) {
                if (buffer.size() > (1 << 20))
                    s->abort();
                return;
            }
            const QList<QByteArray> lines = buffer.left(end).split('\n');
            qsizetype length = 0;
            for (const QByteArray& l : lines)
                if (l.toLower().startsWith("content-length:"))
                    length = l.mid(15).trimmed().toLongLong();
            if (buffer.size() < end + 4 + length)
                return;
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            const QByteArray body = buffer.mid(end + 4, length);
            buffer.remove(0, end + 4 + length);
            const QByteArray reply = answer(first.value(0), first.value(1), body);
            if (!reply.isEmpty())
                s->write(reply);
        }
    }

    QByteArray answer(const QByteArray& method, const QByteArray& target, const QByteArray& body)
    {
        const QUrl url(QString::fromLatin1(target));
        const QString path = url.path().toLower();
        QUrlQuery query(method == "PUT" ? QString::fromLatin1(body) : url.query());
        QStringList shown;
        for (const auto& [k, v] : query.queryItems(QUrl::FullyDecoded))
            if (k.compare(QStringLiteral("ClientID"), Qt::CaseInsensitive) != 0
                && k.compare(QStringLiteral("ClientTransactionID"), Qt::CaseInsensitive) != 0)
                shown << k + u'=' + v;
        auto arg = [&](const char* name) {
            for (const auto& [k, v] : query.queryItems(QUrl::FullyDecoded))
                if (k.compare(QString::fromLatin1(name), Qt::CaseInsensitive) == 0)
                    return v;
            return QString();
        };
        const QString prefix = QStringLiteral("/api/v1/telescope/0/");
        QJsonObject out{{QStringLiteral("ErrorNumber"), 0}, {QStringLiteral("ErrorMessage"), QString()},
                        {QStringLiteral("ServerTransactionID"), ++transaction_}};

        std::unique_lock lock(sim_.mutex_);
        if (path == QStringLiteral("/management/v1/configureddevices")) {
            out[QStringLiteral("Value")] = QJsonArray{QJsonObject{{QStringLiteral("DeviceName"), QStringLiteral("Simulateur Alpaca")},
                                                                  {QStringLiteral("DeviceType"), QStringLiteral("Telescope")},
                                                                  {QStringLiteral("DeviceNumber"), 0},
                                                                  {QStringLiteral("UniqueID"), QStringLiteral("nj-sim-0")}}};
            return httpReply(200, QJsonDocument(out).toJson(QJsonDocument::Compact));
        }
        if (!path.startsWith(prefix))
            return httpReply(404, "not found");
        const QString member = path.mid(prefix.size());
        sim_.calls_ << QString::fromLatin1(method) + u' ' + member + (shown.isEmpty() ? QString() : u' ' + shown.join(u'&'));
        State& st = sim_.state_;
        if (st.hang)
            return {};
        sim_.advance(monotonic().elapsed());
        if (st.failCount > 0 && (st.failMember.isEmpty() || st.failMember == member)) {
            --st.failCount;
            out[QStringLiteral("ErrorNumber")] = 0x400;
            out[QStringLiteral("ErrorMessage")] = QStringLiteral("erreur simulée");
            return httpReply(200, QJsonDocument(out).toJson(QJsonDocument::Compact));
        }
        const bool put = method == "PUT";
        auto notConnected = [&] {
            out[QStringLiteral("ErrorNumber")] = 0x407;
            out[QStringLiteral("ErrorMessage")] = QStringLiteral("non connecté");
        };
        const double number = arg("Rate").isEmpty() ? 0 : arg("Rate").toDouble();
        if (member == QStringLiteral("connected")) {
            if (put)
                st.connected = arg("Connected").compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0;
            else
                out[QStringLiteral("Value")] = st.connected;
        } else if (member == QStringLiteral("name")) {
            out[QStringLiteral("Value")] = QStringLiteral("Simulateur Alpaca");
        } else if (!st.connected) {
            notConnected();
        } else if (member == QStringLiteral("canmoveaxis")) {
            const int axis = arg("Axis").toInt();
            out[QStringLiteral("Value")] = axis >= 0 && axis < 3 && st.canMoveAxis[std::size_t(axis)];
        } else if (member == QStringLiteral("axisrates")) {
            out[QStringLiteral("Value")] = QJsonArray{QJsonObject{{QStringLiteral("Minimum"), 0}, {QStringLiteral("Maximum"), st.maxRate}}};
        } else if (member == QStringLiteral("canslew")) {
            out[QStringLiteral("Value")] = st.canSlew;
        } else if (member == QStringLiteral("canslewasync")) {
            out[QStringLiteral("Value")] = st.canSlewAsync;
        } else if (member == QStringLiteral("cansync")) {
            out[QStringLiteral("Value")] = st.canSync;
        } else if (member == QStringLiteral("canpulseguide")) {
            out[QStringLiteral("Value")] = st.canPulseGuide;
        } else if (member == QStringLiteral("rightascension")) {
            out[QStringLiteral("Value")] = st.raHours;
        } else if (member == QStringLiteral("declination")) {
            out[QStringLiteral("Value")] = st.decDegrees;
        } else if (member == QStringLiteral("slewing")) {
            out[QStringLiteral("Value")] = st.slewing;
        } else if (member == QStringLiteral("moveaxis")) {
            const int axis = arg("Axis").toInt();
            if (axis >= 0 && axis < 2 && std::isfinite(number) && std::fabs(number) <= st.maxRate)
                st.axisRate[std::size_t(axis)] = number;
            else
                out[QStringLiteral("ErrorNumber")] = 0x401;
        } else if (member == QStringLiteral("synctocoordinates") || member.startsWith(QStringLiteral("slewtocoordinates"))) {
            st.raHours = arg("RightAscension").toDouble();
            st.decDegrees = arg("Declination").toDouble();
        } else if (member == QStringLiteral("abortslew")) {
            st.slewing = false;
        } else if (member == QStringLiteral("pulseguide") || member.startsWith(QStringLiteral("slewtotarget"))) {
        } else {
            out[QStringLiteral("ErrorNumber")] = 0x400;
            out[QStringLiteral("ErrorMessage")] = QStringLiteral("membre non pris en charge");
        }
        return httpReply(200, QJsonDocument(out).toJson(QJsonDocument::Compact));
    }

    AlpacaSimulator& sim_;
    QTcpServer* tcp_ = nullptr;
    QUdpSocket* udp_ = nullptr;
    std::map<QTcpSocket*, QByteArray> buffers_;
    int transaction_ = 0;
};

AlpacaSimulator::AlpacaSimulator(quint16 port, int discoveryPort, const QHostAddress& address)
{
    thread_ = std::make_unique<QThread>();
    thread_->setObjectName(QStringLiteral("AlpacaSimulator"));
    thread_->start();
    server_ = new Server(*this);
    server_->moveToThread(thread_.get());
    std::promise<std::pair<quint16, quint16>> ready;
    auto ports = ready.get_future();
    QMetaObject::invokeMethod(server_, [&] { server_->start(port, discoveryPort, address, ready); }, Qt::QueuedConnection);
    const auto [tcp, udp] = ports.get();
    port_ = tcp;
    discoveryPort_ = udp;
}

AlpacaSimulator::~AlpacaSimulator()
{
    QMetaObject::invokeMethod(server_, [s = server_] { delete s; }, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
}

void AlpacaSimulator::advance(qint64 now_ms) const
{
    auto& st = const_cast<State&>(state_);
    if (lastMotion_ms_ >= 0) {
        const double seconds = double(now_ms - lastMotion_ms_) / 1000;
        // West (positive axis-0 rate) lowers the right ascension seen.
        st.raHours = std::fmod(st.raHours - st.axisRate[0] * seconds / 15 + 24, 24);
        st.decDegrees = std::clamp(st.decDegrees + st.axisRate[1] * seconds, -90.0, 90.0);
    }
    const_cast<qint64&>(lastMotion_ms_) = now_ms;
}

QStringList AlpacaSimulator::calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

void AlpacaSimulator::clearCalls()
{
    std::lock_guard lock(mutex_);
    calls_.clear();
}

AlpacaSimulator::State AlpacaSimulator::state() const
{
    std::lock_guard lock(mutex_);
    advance(monotonic().elapsed());
    return state_;
}

void AlpacaSimulator::update(const std::function<void(State&)>& change)
{
    std::lock_guard lock(mutex_);
    advance(monotonic().elapsed());
    change(state_);
}

} // namespace Telescope
