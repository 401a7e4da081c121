#pragma once
// A telescope that speaks Alpaca (HTTP/JSON on 127.0.0.1, UDP discovery) the
// way devices in the field do, for the tests: it answers late, refuses
// rates and calls, hangs, cuts its replies, writes its keys in another
// letter case. Written from the public API conventions only, apart from the
// program's own simulator. Each connection is served on its own thread: a
// call acts when it arrives and its reply goes out `delay_ms` later.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

class AlpacaPeer {
public:
    struct Call {
        qint64 at_ms = 0;       // arrival, on the peer's clock
        QString method;         // "GET" or "PUT"
        QString member;         // "moveaxis"
        QString params;         // "Axis=0&Rate=2" without the client's ids
        QString text() const { return method + u' ' + member + (params.isEmpty() ? QString() : u' ' + params); }
    };
    struct Fault {
        int errorNumber = 0;    // Alpaca ErrorNumber (0x400...), 0: none
        int httpStatus = 0;     // HTTP status instead of 200, 0: none
        bool hang = false;      // never answers (the connection stays open)
        bool cut = false;       // half a reply, then the connection closes
        int count = -1;         // how many calls it hits, -1: all
    };
    struct Config {
        int delay_ms = 0;
        QMap<QString, int> delayOf;   // per member, over delay_ms
        QMap<QString, Fault> faults;  // per member ("*" for any)
        bool lowerCaseKeys = false;
        QString name = QStringLiteral("Monture de terrain");
        std::array<bool, 3> canMoveAxis{true, true, false};
        // AxisRates per axis: (Minimum, Maximum) in degrees per second.
        std::array<std::vector<std::pair<double, double>>, 3> ranges{
            std::vector<std::pair<double, double>>{{0.0, 2.0}}, std::vector<std::pair<double, double>>{{0.0, 2.0}},
            std::vector<std::pair<double, double>>{}};
        bool canSlew = true, canSlewAsync = true, canSync = true, canPulseGuide = true;
        int slewDuration_ms = 600;
    };
    struct State {
        bool connected = false;
        double raHours = 1.5;
        double decDegrees = 20.25;
        bool slewing = false;
        std::array<double, 2> axisRate{};
    };

    // discovery: also answer "alpacadiscovery1" on a UDP port of its own.
    explicit AlpacaPeer(bool discovery = false);
    ~AlpacaPeer();

    quint16 port() const { return port_; }
    quint16 discoveryPort() const { return discoveryPort_; }
    QString address(int device = 0) const { return QStringLiteral("127.0.0.1:%1/%2").arg(port_).arg(device); }

    void configure(const std::function<void(Config&)>& change);
    State state();
    void setState(const std::function<void(State&)>& change);

    std::vector<Call> calls() const;
    // The calls whose text starts with prefix.
    QStringList callTexts(const QString& prefix = {}) const;
    void clearCalls();
    qint64 now_ms() const;
    // Waits (without an event loop) until count calls start with prefix.
    bool waitForCalls(const QString& prefix, int count, int timeout_ms = 5000) const;

private:
    void acceptLoop();
    void discoveryLoop();
    void serve(int fd);
    QByteArray answer(const QString& method, const QString& path, const QMap<QString, QString>& params,
                      Fault& fault, int& delay_ms);
    void advance();

    mutable std::mutex mutex_;
    Config config_;
    State state_;
    qint64 slewEnd_ms_ = -1;
    double targetRa_ = 0, targetDec_ = 0;
    std::vector<Call> calls_;
    std::int64_t serverTransaction_ = 0;
    std::int64_t started_ns_ = 0;

    int listenFd_ = -1;
    int udpFd_ = -1;
    quint16 port_ = 0;
    quint16 discoveryPort_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    std::thread discoveryThread_;
    std::vector<std::thread> connections_;
    std::vector<int> openFds_;
};

} // namespace testsupport
