#pragma once
// A simulated Alpaca telescope server: the management API, the telescope
// members the bridge calls, UDP discovery, axis motion, and injected errors
// and hangs, with a log of every call. It runs on a thread of its own so
// that a requester waiting on the interface thread still gets its answer.
//
// It answers as a device does: a slew takes its time at slewRate and shows
// through the position, with "slewing" true while it or a MoveAxis moves;
// a synchronous slew answers once it has ended; a pulse moves at guideRate
// for its length, with "ispulseguiding" true meanwhile. Refusals carry the
// device's error numbers: 0x400 a member it cannot do (its Can... false),
// 0x401 a value out of range, 0x407 anything but "connected" and "name"
// while not connected, 0x40B a slew to a target never set; a request it
// cannot read (a missing parameter, a number that is none) is an HTTP 400.
// Tests start it on 127.0.0.1 with free ports; scripts/run.sh starts the
// nj-alpaca-sim program for a user's trial.

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QThread>
#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace Telescope {

class AlpacaSimulator {
public:
    struct State {
        bool connected = false;
        double raHours = 0;
        double decDegrees = 0;
        bool slewing = false;               // a slew or a MoveAxis moves it (kept by the simulator)
        std::array<double, 2> axisRate{};   // degrees per second, + west / north
        std::array<bool, 3> canMoveAxis{true, true, false};
        double maxRate = 4.0;               // the axes' AxisRates Maximum
        double slewRate = 8.0;              // degrees per second on each axis
        double guideRate = 7.5 / 3600;      // degrees per second of a pulse
        std::optional<double> targetRaHours, targetDecDegrees;
        // Where the slew under way goes; none when no slew runs.
        std::optional<std::pair<double, double>> slewTo;
        // When the pulse of each direction (north, south, east, west) ends,
        // in the simulator's ms; -1 for none.
        std::array<qint64, 4> pulseEnd_ms{-1, -1, -1, -1};
        bool canSlew = true;
        bool canSlewAsync = true;
        bool canSync = true;
        bool canPulseGuide = true;
        // Injected faults: the next calls of this member answer ErrorNumber
        // 0x400 ("" for any member), or every call hangs without an answer.
        QString failMember;
        int failCount = 0;
        bool hang = false;
    };

    // port 0 and discoveryPort 0 take free ports; discoveryPort -1 answers
    // no discovery.
    explicit AlpacaSimulator(quint16 port = 0, int discoveryPort = 0,
                             const QHostAddress& address = QHostAddress::LocalHost);
    ~AlpacaSimulator();

    bool listening() const { return port_ != 0; }
    quint16 port() const { return port_; }
    quint16 discoveryPort() const { return discoveryPort_; }

    // Every call, "PUT moveaxis Axis=0&Rate=-0.0833" style, without the
    // client's identifiers.
    QStringList calls() const;
    void clearCalls();
    // The state with the motion brought up to now.
    State state() const;
    void update(const std::function<void(State&)>& change);

    // The reply to one request as the server sends it, whole with its
    // status line (empty while it hangs); hold: it waits for the
    // synchronous slew under way to end.
    QByteArray answer(const QByteArray& method, const QByteArray& target, const QByteArray& body, bool& hold);

private:
    class Server;
    friend class Server;
    mutable std::mutex mutex_;
    State state_;
    QStringList calls_;
    qint64 lastMotion_ms_ = -1;
    void advance(qint64 now_ms) const;
    std::unique_ptr<QThread> thread_;
    Server* server_ = nullptr;
    quint16 port_ = 0;
    quint16 discoveryPort_ = 0;
    int transaction_ = 0;
};

} // namespace Telescope
