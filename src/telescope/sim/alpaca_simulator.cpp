#include "telescope/sim/alpaca_simulator.h"

#include "telescope/alpaca/alpaca_protocol.h"
#include "telescope/sim/http_request_framing.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <QUrlQuery>
#include <algorithm>
#include <cmath>
#include <future>
#include <map>

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

QByteArray httpReply(int status, const QByteArray& body, const QByteArray& type = {})
{
    const QByteArray reason = status == 200 ? " OK" : status == 400 ? " Bad Request" : status == 404 ? " Not Found" : " Error";
    return "HTTP/1.1 " + QByteArray::number(status) + reason + "\r\nContent-Type: "
           + (!type.isEmpty() ? type : status == 200 ? QByteArray("application/json") : QByteArray("text/plain; charset=utf-8"))
           + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: keep-alive\r\n\r\n" + body;
}

// The page a browser shows for the server's and the telescope's setup
// addresses ("Configurer" opens the latter): it has nothing to set.
QByteArray setupPage()
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Simulateur Alpaca</title></head>"
                          "<body><h1>Simulateur Alpaca</h1><p>Télescope 0 : rien à régler.</p></body></html>\n")
        .toUtf8();
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
                    held_.erase(s);
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
        // A synchronous slew holds its connection's answer: the requests
        // after it wait their turn, as on one HTTP/1.1 connection.
        while (!held_.count(s)) {
            HttpRequest request;
            const HttpTake take = TakeHttpRequest(buffer, request);
            if (take == HttpTake::Incomplete)
                return;
            if (take == HttpTake::Unreadable) {
                // Nothing after it can be framed: say so and hang up.
                buffer.clear();
                s->write(httpReply(400, "requête illisible"));
                s->disconnectFromHost();
                return;
            }
            bool hold = false;
            const QByteArray reply = sim_.answer(request.method, request.target, request.body, hold);
            if (hold) {
                held_[s] = reply;
                if (!holdTimer_) {
                    holdTimer_ = new QTimer(this);
                    holdTimer_->setInterval(20);
                    QObject::connect(holdTimer_, &QTimer::timeout, this, [this] { releaseHeld(); });
                }
                holdTimer_->start();
            } else if (!reply.isEmpty()) {
                s->write(reply);
            }
        }
    }

    // The answers of synchronous slews that have ended go out, and the
    // requests that waited behind them are read.
    void releaseHeld()
    {
        {
            std::lock_guard lock(sim_.mutex_);
            sim_.advance(monotonic().elapsed());
            if (sim_.state_.slewTo)
                return;
        }
        const auto held = std::exchange(held_, {});
        holdTimer_->stop();
        for (const auto& [socket, reply] : held)
            if (buffers_.count(socket)) {
                socket->write(reply);
                read(socket);
            }
    }

    AlpacaSimulator& sim_;
    QTcpServer* tcp_ = nullptr;
    QUdpSocket* udp_ = nullptr;
    std::map<QTcpSocket*, QByteArray> buffers_;
    // The answer each connection holds until its synchronous slew ends.
    std::map<QTcpSocket*, QByteArray> held_;
    QTimer* holdTimer_ = nullptr;
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

QByteArray AlpacaSimulator::answer(const QByteArray& method, const QByteArray& target, const QByteArray& body, bool& hold)
{
    const QUrl url(QString::fromLatin1(target));
    const QString path = url.path().toLower();
    QUrlQuery query(method == "PUT" ? QString::fromLatin1(body) : url.query());
    QStringList shown;
    for (const auto& [k, v] : query.queryItems(QUrl::FullyDecoded))
        if (k.compare(QStringLiteral("ClientID"), Qt::CaseInsensitive) != 0
            && k.compare(QStringLiteral("ClientTransactionID"), Qt::CaseInsensitive) != 0)
            shown << k + u'=' + v;
    auto given = [&](const char* name) -> std::optional<QString> {
        for (const auto& [k, v] : query.queryItems(QUrl::FullyDecoded))
            if (k.compare(QString::fromLatin1(name), Qt::CaseInsensitive) == 0)
                return v;
        return std::nullopt;
    };
    const QString prefix = QStringLiteral("/api/v1/telescope/0/");
    QJsonObject out{{QStringLiteral("ErrorNumber"), 0}, {QStringLiteral("ErrorMessage"), QString()},
                    {QStringLiteral("ClientTransactionID"), given("ClientTransactionID").value_or(QString()).toLongLong()},
                    {QStringLiteral("ServerTransactionID"), ++transaction_}};
    const auto json = [&] { return httpReply(200, QJsonDocument(out).toJson(QJsonDocument::Compact)); };

    std::unique_lock lock(mutex_);
    if (method == "GET" && (path == QStringLiteral("/setup") || path == QStringLiteral("/setup/v1/telescope/0/setup")))
        return httpReply(200, setupPage(), "text/html; charset=utf-8");
    if (path == QStringLiteral("/management/v1/configureddevices")) {
        out[QStringLiteral("Value")] = QJsonArray{QJsonObject{{QStringLiteral("DeviceName"), QStringLiteral("Simulateur Alpaca")},
                                                              {QStringLiteral("DeviceType"), QStringLiteral("Telescope")},
                                                              {QStringLiteral("DeviceNumber"), 0},
                                                              {QStringLiteral("UniqueID"), QStringLiteral("nj-sim-0")}}};
        return json();
    }
    if (!path.startsWith(prefix))
        return httpReply(404, "not found");
    const QString member = path.mid(prefix.size());
    calls_ << QString::fromLatin1(method) + u' ' + member + (shown.isEmpty() ? QString() : u' ' + shown.join(u'&'));
    State& st = state_;
    if (st.hang)
        return {};
    const qint64 now = monotonic().elapsed();
    advance(now);
    if (st.failCount > 0 && (st.failMember.isEmpty() || st.failMember == member)) {
        --st.failCount;
        out[QStringLiteral("ErrorNumber")] = 0x400;
        out[QStringLiteral("ErrorMessage")] = QStringLiteral("erreur simulée");
        return json();
    }

    // The request as the device reads it: the method its member takes,
    // each parameter present and of its type. Anything else is a request
    // it cannot read.
    const bool put = method == "PUT";
    QString unreadable;
    const auto number = [&](const char* name) {
        const auto v = given(name);
        bool ok = false;
        const double d = v ? v->toDouble(&ok) : 0;
        if ((!ok || !std::isfinite(d)) && unreadable.isEmpty())
            unreadable = QStringLiteral("%1 : %2").arg(QLatin1String(name), v ? QStringLiteral("pas un nombre") : QStringLiteral("manquant"));
        return d;
    };
    const auto integer = [&](const char* name) {
        const auto v = given(name);
        bool ok = false;
        const int i = v ? v->toInt(&ok) : 0;
        if (!ok && unreadable.isEmpty())
            unreadable = QStringLiteral("%1 : %2").arg(QLatin1String(name), v ? QStringLiteral("pas un entier") : QStringLiteral("manquant"));
        return i;
    };
    const auto boolean = [&](const char* name) {
        const QString v = given(name).value_or(QString());
        if (v.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (v.compare(QStringLiteral("false"), Qt::CaseInsensitive) != 0 && unreadable.isEmpty())
            unreadable = QStringLiteral("%1 : ni true ni false").arg(QLatin1String(name));
        return false;
    };
    const auto refuse = [&](int error, const QString& why) {
        out[QStringLiteral("ErrorNumber")] = error;
        out[QStringLiteral("ErrorMessage")] = why;
    };
    static const QStringList actions{QStringLiteral("abortslew"), QStringLiteral("moveaxis"), QStringLiteral("pulseguide"),
                                     QStringLiteral("slewtocoordinates"), QStringLiteral("slewtocoordinatesasync"),
                                     QStringLiteral("slewtotarget"), QStringLiteral("slewtotargetasync"),
                                     QStringLiteral("synctocoordinates")};
    static const QStringList settable{QStringLiteral("connected"), QStringLiteral("targetrightascension"),
                                      QStringLiteral("targetdeclination"), QStringLiteral("rightascensionrate"),
                                      QStringLiteral("declinationrate")};
    if (put ? !actions.contains(member) && !settable.contains(member) : actions.contains(member) || method != "GET")
        return httpReply(400, method + " " + member.toLatin1() + " : méthode non admise");

    const auto onTheSky = [&](double raHours, double decDegrees) {
        if (raHours < 0 || raHours >= 24 || decDegrees < -90 || decDegrees > 90) {
            refuse(0x401, QStringLiteral("coordonnées hors du ciel"));
            return false;
        }
        return true;
    };
    const auto startSlew = [&](bool async, double raHours, double decDegrees) {
        if (!(async ? st.canSlewAsync : st.canSlew))
            return refuse(0x400, QStringLiteral("%1 non pris en charge").arg(member));
        st.targetRaHours = raHours;
        st.targetDecDegrees = decDegrees;
        st.slewTo = std::pair{raHours, decDegrees};
        st.slewing = true;
        hold = !async;
    };
    const auto axisOf = [&](int axis) {
        if (axis < 0 || axis > 2)
            refuse(0x401, QStringLiteral("axe %1 inconnu").arg(axis));
        return axis >= 0 && axis <= 2;
    };

    if (member == QStringLiteral("connected")) {
        if (put) {
            const bool connect = boolean("Connected");
            if (unreadable.isEmpty())
                st.connected = connect;
        } else {
            out[QStringLiteral("Value")] = st.connected;
        }
    } else if (member == QStringLiteral("name")) {
        out[QStringLiteral("Value")] = QStringLiteral("Simulateur Alpaca");
    } else if (!st.connected) {
        refuse(0x407, QStringLiteral("non connecté"));
    } else if (member == QStringLiteral("canmoveaxis")) {
        const int axis = integer("Axis");
        if (unreadable.isEmpty() && axisOf(axis))
            out[QStringLiteral("Value")] = st.canMoveAxis[std::size_t(axis)];
    } else if (member == QStringLiteral("axisrates")) {
        const int axis = integer("Axis");
        if (unreadable.isEmpty() && axisOf(axis)) {
            QJsonArray rates;
            if (st.canMoveAxis[std::size_t(axis)])
                rates << QJsonObject{{QStringLiteral("Minimum"), 0}, {QStringLiteral("Maximum"), st.maxRate}};
            out[QStringLiteral("Value")] = rates;
        }
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
    } else if (member == QStringLiteral("ispulseguiding")) {
        out[QStringLiteral("Value")] = std::any_of(st.pulseEnd_ms.begin(), st.pulseEnd_ms.end(), [](qint64 e) { return e >= 0; });
    } else if (member == QStringLiteral("targetrightascension") || member == QStringLiteral("targetdeclination")) {
        const bool ra = member == QStringLiteral("targetrightascension");
        std::optional<double>& target = ra ? st.targetRaHours : st.targetDecDegrees;
        if (put) {
            const double v = number(ra ? "TargetRightAscension" : "TargetDeclination");
            if (unreadable.isEmpty() && onTheSky(ra ? v : 0, ra ? 0 : v))
                target = v;
        } else if (!target) {
            refuse(0x40B, QStringLiteral("cible non définie"));
        } else {
            out[QStringLiteral("Value")] = *target;
        }
    } else if (member == QStringLiteral("rightascensionrate") || member == QStringLiteral("declinationrate")) {
        // It tracks at the sidereal rate only: no offset rate to read
        // other than 0, none it can take.
        const bool ra = member == QStringLiteral("rightascensionrate");
        if (!put) {
            out[QStringLiteral("Value")] = 0.0;
        } else {
            number(ra ? "RightAscensionRate" : "DeclinationRate");
            if (unreadable.isEmpty())
                refuse(0x400, QStringLiteral("%1 non modifiable").arg(member));
        }
    } else if (member == QStringLiteral("moveaxis")) {
        const int axis = integer("Axis");
        const double rate = number("Rate");
        if (unreadable.isEmpty() && axisOf(axis)) {
            if (!st.canMoveAxis[std::size_t(axis)] || axis == 2 || std::fabs(rate) > st.maxRate)
                refuse(0x401, QStringLiteral("vitesse %1 refusée sur l'axe %2").arg(rate).arg(axis));
            else
                st.axisRate[std::size_t(axis)] = rate;
        }
    } else if (member.startsWith(QStringLiteral("slewtocoordinates")) || member == QStringLiteral("synctocoordinates")) {
        const double ra = number("RightAscension");
        const double dec = number("Declination");
        if (unreadable.isEmpty() && onTheSky(ra, dec)) {
            if (member.startsWith(QStringLiteral("slew"))) {
                startSlew(member.endsWith(QStringLiteral("async")), ra, dec);
            } else if (!st.canSync) {
                refuse(0x400, QStringLiteral("synctocoordinates non pris en charge"));
            } else {
                st.targetRaHours = st.raHours = ra;
                st.targetDecDegrees = st.decDegrees = dec;
            }
        }
    } else if (member.startsWith(QStringLiteral("slewtotarget"))) {
        if (!st.targetRaHours || !st.targetDecDegrees)
            refuse(0x40B, QStringLiteral("cible non définie"));
        else
            startSlew(member.endsWith(QStringLiteral("async")), *st.targetRaHours, *st.targetDecDegrees);
    } else if (member == QStringLiteral("abortslew")) {
        // Ends a slew and what MoveAxis started.
        st.slewTo.reset();
        st.axisRate = {};
    } else if (member == QStringLiteral("pulseguide")) {
        const int direction = integer("Direction");
        const int duration = integer("Duration");
        if (!unreadable.isEmpty()) {
        } else if (!st.canPulseGuide) {
            refuse(0x400, QStringLiteral("pulseguide non pris en charge"));
        } else if (direction < 0 || direction > 3 || duration < 0) {
            refuse(0x401, QStringLiteral("impulsion %1 de %2 ms refusée").arg(direction).arg(duration));
        } else {
            st.pulseEnd_ms[std::size_t(direction)] = now + duration;
        }
    } else {
        refuse(0x400, QStringLiteral("membre non pris en charge"));
    }
    if (!unreadable.isEmpty()) {
        hold = false;
        return httpReply(400, member.toLatin1() + " : " + unreadable.toUtf8());
    }
    if (out[QStringLiteral("ErrorNumber")].toInt() != 0)
        hold = false;
    st.slewing = st.slewTo || st.axisRate[0] != 0 || st.axisRate[1] != 0;
    return json();
}

void AlpacaSimulator::advance(qint64 now_ms) const
{
    auto& st = const_cast<State&>(state_);
    if (lastMotion_ms_ >= 0 && now_ms > lastMotion_ms_) {
        const double seconds = double(now_ms - lastMotion_ms_) / 1000;
        if (st.slewTo) {
            // Each axis at the slew rate, right ascension the shorter way.
            const double step = st.slewRate * seconds;
            const double ahead = std::remainder(st.slewTo->first - st.raHours, 24.0) * 15;   // degrees
            st.raHours = std::fabs(ahead) <= step ? st.slewTo->first
                                                  : std::fmod(st.raHours + (ahead > 0 ? step : -step) / 15 + 24, 24);
            const double down = st.slewTo->second - st.decDegrees;
            st.decDegrees = std::fabs(down) <= step ? st.slewTo->second : st.decDegrees + (down > 0 ? step : -step);
            if (st.raHours == st.slewTo->first && st.decDegrees == st.slewTo->second)
                st.slewTo.reset();
        }
        // West (positive axis-0 rate) lowers the right ascension seen; a
        // pulse east raises it, north raises the declination.
        std::array<double, 4> pulsed{};   // degrees
        for (std::size_t d = 0; d < 4; ++d) {
            if (st.pulseEnd_ms[d] < 0)
                continue;
            pulsed[d] = st.guideRate * double(std::min(st.pulseEnd_ms[d], now_ms) - lastMotion_ms_) / 1000;
            if (st.pulseEnd_ms[d] <= now_ms)
                st.pulseEnd_ms[d] = -1;
        }
        const double raDegrees = -st.axisRate[0] * seconds + pulsed[2] - pulsed[3];
        st.raHours = std::fmod(std::fmod(st.raHours + raDegrees / 15, 24) + 24, 24);
        st.decDegrees = std::clamp(st.decDegrees + st.axisRate[1] * seconds + pulsed[0] - pulsed[1], -90.0, 90.0);
    }
    st.slewing = st.slewTo || st.axisRate[0] != 0 || st.axisRate[1] != 0;
    const_cast<qint64&>(lastMotion_ms_) = std::max(lastMotion_ms_, now_ms);
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
